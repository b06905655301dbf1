#include "commands/object_style.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "geometry/mapping.h"
#include "geometry/text_objects.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr std::string_view kWarning = "Warning";

bool is_text(int32_t kind) {
  return kind == LINE_TEXT || kind == ARC_TEXT;
}

OutputStyle* type_style(CreationDefaults& d, int32_t type) {
  switch (type) {
    case LINE:
      return &d.line.style;
    case RECTANGLE:
      return &d.rectangle.style;
    case CIRCLE:
      return &d.ellipse.style;
    case LINE_TEXT:
      return &d.line_text.style;
    case ARC_TEXT:
      return &d.arc_text.style;
    case TRIANGLE:
      return &d.triangle.style;
    case RHOMBIC:
      return &d.rhombic.style;
    case POLYGON:
      return &d.polygon.style;
    case BARCODE:
      return &d.barcode.style;
    case VCT:
      return &d.vct.style;
    case CODE:
      return &d.code.style;
    default:
      return nullptr;
  }
}

template <class Defaults>
void set_default_font(Defaults& t, const std::string& face, const FontChoice& c) {
  t.face_name = face;
  t.font_weight = c.weight;
  t.font_italic = c.italic;
  t.font_charset = c.charset;
}

template <class Block>
FontChoice block_font(const Block& p) {
  return {cp932_to_utf8(p.face_name), p.font_weight, p.font_italic, p.font_charset};
}

template <class Block>
void set_block_font(Block& p, const std::string& face, const FontChoice& c) {
  p.face_name = face;
  p.font_weight = c.weight;
  p.font_italic = c.italic;
  p.font_charset = c.charset;
}

}  // namespace

void widen_to_turned(StyleInvalidate& area, const MarkObject& obj) {
  if (obj.angle == 0.0) return;
  // The magnitude of the turn: a negative angle widens the repaint as much.
  const double s = std::sin(std::fabs(obj.angle) * kPi / 180.0);
  area.width = std::max(area.width, s * obj.width);
  area.height = std::max(area.height, s * obj.height);
}

bool colour_box_allowed(const CketralDoc& doc) {
  return selection_kind(doc) != 0;
}

bool output_mode_allowed(const CketralDoc& doc) {
  const int32_t kind = selection_kind(doc);
  return kind > 0 && kind != PLT;
}

bool font_allowed(const CketralDoc& doc) {
  return is_text(selection_kind(doc));
}

int32_t opening_layer(const CketralDoc& doc) {
  for (const MarkObject& o : doc.ring.oldest_first()) {
    if (!is_selected(doc, o)) continue;
    return o.layer >= 0 && o.layer <= 7 ? o.layer : 0;
  }
  return 0;
}

StyleInvalidate apply_layer(CketralDoc& doc, int32_t layer) {
  StyleInvalidate area{0.0, 0.0, 90.0};
  if (layer < 0 || layer > 7) return area;
  Commit commit(doc);
  for (MarkObject& o : doc.ring.oldest_first()) {
    if (!is_selected(doc, o)) continue;
    commit.modify(o).layer = layer;
    widen_to_turned(area, o);
  }
  commit.push("Layer");
  return area;
}

std::string box_text(double pitch) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%7.3f", pitch);
  return buf;
}

double read_box_text(std::string_view text) {
  return leading_double(text.substr(0, 9));
}

bool apply_output_mode(CketralDoc& doc, int32_t mode, int32_t direction, double pitch) {
  MarkObject* obj = current_object(doc);
  if (obj == nullptr || obj->type == PLT) return false;
  Commit commit(doc);
  commit.modify(*obj);
  if (mode >= 0 && mode <= 2) obj->output_mode = mode;
  if (direction >= 0 && direction <= 1) obj->fill_direction = direction;
  obj->fill_pitch = pitch;
  if (obj->type == BMP) {
    doc.defaults.bmp.fill_pitch = obj->fill_pitch;
  } else if (OutputStyle* s = type_style(doc.defaults, obj->type)) {
    s->output_mode = obj->output_mode;
    s->fill_direction = obj->fill_direction;
    s->fill_pitch = obj->fill_pitch;
  }
  commit.push("Output mode");
  return true;
}

StyleInvalidate current_area(const CketralDoc& doc) {
  const MarkObject* obj = current_object(doc);
  if (obj == nullptr) return {};
  return {obj->width, obj->height, obj->angle};
}

FontChoice current_font(const CketralDoc& doc) {
  const MarkObject* obj = current_object(doc);
  if (obj == nullptr) return {};
  if (const auto* p = obj->block<LineTextParams>()) return block_font(*p);
  if (const auto* p = obj->block<ArcTextParams>()) return block_font(*p);
  return {};
}

bool apply_font(CketralDoc& doc, const FontChoice& choice, Operator& op) {
  MarkObject* obj = current_object(doc);
  if (obj == nullptr || !is_text(obj->type)) return false;
  if (obj->block<LineTextParams>() == nullptr && obj->block<ArcTextParams>() == nullptr) {
    return false;
  }
  const EncodeResult face = utf8_to_cp932(choice.face);
  if (!face.ok || face.bytes.empty()) {
    op.message("The font \"" + choice.face + "\" cannot be used for texts: " +
                   (face.ok ? std::string("it has no name") : face.error) + ".",
               kWarning);
    return false;
  }

  // The glyph file is written from a trial copy first, so a failure leaves
  // the block, the defaults, the outline font and the old file in step.
  MarkObject trial;
  trial.type = obj->type;
  trial.params = obj->params;
  std::string glyph_file;
  if (auto* p = trial.block<LineTextParams>()) {
    set_block_font(*p, face.bytes, choice);
    glyph_file = p->glyph_file;
  }
  if (auto* p = trial.block<ArcTextParams>()) {
    set_block_font(*p, face.bytes, choice);
    glyph_file = p->glyph_file;
  }
  // The outline font changes with the glyph file; a failure reverts it.
  Commit commit(doc);
  if (!WriteObjectGlyphFile(doc, trial)) {
    commit.revert();
    op.message("The outlines of the text could not be written to \"" + glyph_file +
                   "\"; the font is unchanged.",
               kWarning);
    return false;
  }

  commit.modify(*obj).params = std::move(trial.params);
  if (obj->type == LINE_TEXT) set_default_font(doc.defaults.line_text, face.bytes, choice);
  if (obj->type == ARC_TEXT) set_default_font(doc.defaults.arc_text, face.bytes, choice);
  commit.push("Font");
  return true;
}

}  // namespace lumetch
