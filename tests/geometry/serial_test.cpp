#include "geometry/serial.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/glyph_words.h"
#include "model/cketral_doc.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// 0009, 0099 and 99 count on in the AdvanceSerial tests below.
TEST(NextSerialText, CountsLikeTheCConversionKeepingALeadingZero) {
  const std::pair<std::string, std::string> cases[] = {
      {"0999", "1000"},  // the leading zero is used up, not kept
      {"007ab", "008"},
      {"AB", "1"},
      {"", "1"},
      {"-1", "0"},
      {"- 5", "1"},  // a sign must be followed by digits
      {" \t+10x", "11"},
      {"2147483647", "2147483648"},  // on past 32 bits
      {"0" + std::string(30, '9'), "1" + std::string(30, '0')},
      {"-1" + std::string(25, '0'), "-" + std::string(25, '9')},
  };
  for (const auto& [text, next] : cases) EXPECT_EQ(next_serial_text(text, 499), next) << text;
  EXPECT_EQ(next_serial_text("998", 3), "999");
  EXPECT_EQ(next_serial_text("999", 3), "");
}

MarkObject object(ObjectType type, ParamBlock params) {
  MarkObject obj;
  obj.type = type;
  obj.params = std::move(params);
  return obj;
}
MarkObject barcode(std::string text, int32_t variable = 1) {
  return object(BARCODE, BarcodeParams{.text = text, .variable = variable});
}

struct SerialDoc {
  CketralDoc doc;
  test::SquareFonts fonts;
  test::TempDir dir;
  std::string path = dir.file("txt1.txt").string();
  const CreationDefaults defaults = doc.defaults;
  SerialDoc() { doc.font_engine = &fonts; }

  MarkObject line_text(std::string text, int32_t variable = 1) {
    return object(
        LINE_TEXT,
        LineTextParams{.text = text, .chars = {}, .glyph_file = path, .variable = variable});
  }
  // The glyph file of `text` in the document's current font.
  std::string glyphs_of(const std::string& text) {
    return test::glyph_bytes(BuildGlyphFile(fonts, doc.outline_font, text));
  }
};

TEST(AdvanceSerial, BarcodeCountsOnWithoutGlyphsOrDefaults) {
  SerialDoc s;
  MarkObject obj = barcode("0099");
  for (const char* next : {"0100", "0101"}) {
    EXPECT_TRUE(AdvanceSerial(s.doc, obj));
    EXPECT_EQ(obj.block<BarcodeParams>()->text, next);
  }
  EXPECT_EQ(s.doc.defaults, s.defaults);
  EXPECT_TRUE(s.fonts.requests.empty());
}

TEST(AdvanceSerial, LineTextRewritesItsGlyphsAndTheDefaultText) {
  SerialDoc s;
  MarkObject obj = s.line_text("0009");
  LineTextParams& p = *obj.block<LineTextParams>();
  std::tie(p.face_name, p.font_italic, p.font_charset) = std::tuple("IPAGothic", 1, 128);
  p.chars = {{.offset_x = 1.5}};
  for (const char* next : {"0010", "0011"}) {
    s.fonts.requests.clear();
    ASSERT_TRUE(AdvanceSerial(s.doc, obj));
    EXPECT_EQ(p.text, next);
    ASSERT_FALSE(s.fonts.requests.empty());
    const FontDescription& f = s.fonts.requests.front();  // the block's font, weight 0 kept
    EXPECT_EQ(std::tuple(f.face_name, f.weight, f.italic, f.charset),
              std::tuple("IPAGothic", 0, 1, 128));
    EXPECT_EQ(s.dir.read("txt1.txt"), s.glyphs_of(next));
  }
  EXPECT_EQ(p.chars, (std::vector<CharRecord>{{.offset_x = 1.5}, {}, {}, {}}));
  const CreationDefaults::LineText& d = s.doc.defaults.line_text;
  EXPECT_EQ(std::tuple(d.text, d.line_count, d.line_lengths),
            std::tuple("0011", 1, std::vector<int32_t>{4, 0}));

  obj = s.line_text("99");  // "9" CR LF "9" grows into one line
  std::tie(p.line_count, p.line_lengths) = std::tuple(2, std::vector<int32_t>{1, 1, 0});
  ASSERT_TRUE(AdvanceSerial(s.doc, obj));
  EXPECT_EQ(std::tuple(p.text, p.line_count, p.line_lengths),
            std::tuple("100", 1, std::vector<int32_t>{3, 0}));
  EXPECT_EQ(s.dir.read("txt1.txt"), s.glyphs_of("100"));
}

TEST(AdvanceSerial, RefusalsChangeNothing) {
  SerialDoc s;
  // A glyph file that cannot be written would have the old number marked
  // again under the new text: the text stays.
  MarkObject lost = s.line_text("0009");
  lost.block<LineTextParams>()->glyph_file = s.dir.file("missing/txt1.txt").string();
  for (MarkObject obj : {s.line_text("0009", 0), lost, object(LINE_TEXT, BarcodeParams{}),
                         object(ARC_TEXT, ArcTextParams{}), barcode("0099", 0),
                         barcode(std::string(kBarcodeTextMax, '9'))}) {
    const ParamBlock before = obj.params;
    EXPECT_FALSE(AdvanceSerial(s.doc, obj));
    EXPECT_EQ(obj.params, before);
  }
  EXPECT_EQ(s.doc.defaults, s.defaults);
  EXPECT_FALSE(std::filesystem::exists(s.path));
}

}  // namespace
}  // namespace lumetch
