#include "geometry/text_objects.h"

#include "geometry/glyph_file.h"

namespace lumetch {

namespace {

template <class Block>
bool write_glyphs(CketralDoc& doc, const Block& p) {
  select_outline_font(doc, p.face_name, p.font_weight, p.font_italic, p.font_charset);
  if (p.glyph_file.empty()) return false;
  return WriteGlyphFile(doc, p.text, p.glyph_file);
}

}  // namespace

bool WriteObjectGlyphFile(CketralDoc& doc, const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return write_glyphs(doc, *p);
  if (const auto* p = obj.block<ArcTextParams>()) return write_glyphs(doc, *p);
  return false;
}

}  // namespace lumetch
