#include "geometry/text_objects.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

TEST(TextObjects, FaceNamesStoredAsCp932ReachTheFontEngineAsUtf8) {
  test::TempDir dir;
  CketralDoc doc;
  MarkObject obj;
  obj.type = LINE_TEXT;
  LineTextParams p;
  p.face_name = utf8_to_cp932("ＭＳ 明朝").bytes;  // as a layout file holds it
  p.font_charset = 128;
  p.glyph_file = dir.file("txt1.txt").string();
  obj.params = p;
  ASSERT_TRUE(WriteObjectGlyphFile(doc, obj));
  EXPECT_EQ(doc.outline_font.face_name, "ＭＳ 明朝");
  EXPECT_EQ(doc.outline_font.charset, 128);
  EXPECT_EQ(doc.fonts().resolved_family(doc.outline_font), "IPAMincho");

  obj.type = BARCODE;  // no text: nothing written
  obj.params = BarcodeParams{};
  EXPECT_FALSE(WriteObjectGlyphFile(doc, obj));
}

}  // namespace
}  // namespace lumetch
