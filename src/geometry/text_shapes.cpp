#include "geometry/text_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/glyph_cache.h"
#include "geometry/glyph_file.h"
#include "geometry/render_contours.h"
#include "marker/pen_emitter.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

// Outline units per character cell: a character of size s spans s mm per 768 units.
constexpr double kEm = 768.0;
// Vertical centre of the cell in file coordinates (y grows downward).
constexpr double kCellMiddle = 384.0;

using Glyph = GlyphFile::Glyph;

bool all_finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

bool placement_finite(const MarkObject& obj) {
  return all_finite(
      {obj.cent_x, obj.cent_y, obj.width, obj.height, obj.row_gap, obj.column_gap, obj.angle});
}

bool records_finite(const std::vector<CharRecord>& chars) {
  return std::all_of(chars.begin(), chars.end(), [](const CharRecord& r) {
    return all_finite(
        {r.size_x, r.size_y, r.offset_x, r.offset_y, r.angle, r.font_width_x, r.font_width_y});
  });
}

// Texts may carry fewer records than characters; the missing ones are zeros.
const CharRecord& record_at(const std::vector<CharRecord>& chars, std::size_t k) {
  static const CharRecord kZero{};
  return k < chars.size() ? chars[k] : kZero;
}

// The file may hold fewer characters than the text; those draw nothing.
const Glyph* glyph_at(const GlyphFile& file, std::size_t k) {
  return k < file.glyphs.size() ? &file.glyphs[k] : nullptr;
}

// Cell width of a glyph in outline units; a missing glyph takes none.
double units_wide(const Glyph* glyph) {
  if (glyph == nullptr) return 0.0;
  return static_cast<double>(int32_t{glyph->xmax} - int32_t{glyph->xmin});
}

struct FieldPoint {
  double x;
  double y;
};

// Draws glyphs for one generator call: outlines through RenderContours,
// stroke glyphs straight onto the target.
class GlyphPainter {
 public:
  GlyphPainter(GeomContext& g, Canvas* dc, const MarkObject& obj)
      : g_(g), dc_(dc), obj_(obj), mapper_(g.doc, g.choose(dc)) {}

  // Marking needs a pen emitter.
  bool usable() const { return mapper_.target() != DrawTarget::Marker || g_.pen != nullptr; }
  bool stopped() const { return g_.doc.stop_requested != 0; }

  // place(gx, gy) turns a point of the file into field millimetres.
  template <class Place>
  void draw(const Glyph* glyph, double width_x, double width_y, Place&& place) {
    if (glyph == nullptr) return;
    if (glyph->type == kGlyphOutline) {
      draw_outline(glyph->data, width_x, width_y, place);
    } else if (glyph->type == kGlyphStroke) {
      draw_strokes(glyph->data, place);
    }
  }

 private:
  CanvasPoint map(FieldPoint p) const { return mapper_.point(p.x, p.y); }

  // Contours: a point count, then that many x, y pairs; a 0 count ends the
  // character, and so does a count that runs past its data.
  template <class Place>
  void draw_outline(const std::vector<uint16_t>& d, double width_x, double width_y, Place& place) {
    contours_.clear();
    std::size_t i = 0;
    while (i < d.size()) {
      const std::size_t count = d[i++];
      if (count == 0 || count > (d.size() - i) / 2) break;
      contours_.begin_contour();
      for (std::size_t j = 0; j < count; ++j, i += 2) {
        if (stopped()) return;
        contours_.add(map(place(d[i], d[i + 1])));
      }
    }
    if (contours_.contour_count() == 0) return;
    RenderContours(g_, obj_.fill_direction, obj_.output_mode, obj_.fill_pitch, dc_, contours_,
                   width_x, width_y);
  }

  // Triples (pen, x, y): pen 0 moves, anything else draws; a partial triple
  // at the end is ignored.
  template <class Place>
  void draw_strokes(const std::vector<uint16_t>& d, Place& place) {
    for (std::size_t i = 0; i + 3 <= d.size(); i += 3) {
      if (stopped()) return;
      const bool down = d[i] != 0;
      const CanvasPoint p = map(place(d[i + 1], d[i + 2]));
      if (mapper_.target() == DrawTarget::Marker) {
        g_.pen->EmitMove(p.x, p.y, down);
      } else if (dc_ != nullptr) {
        if (down) {
          dc_->line_to(p.x, p.y);
        } else {
          dc_->move_to(p.x, p.y);
        }
      }
    }
  }

  GeomContext& g_;
  Canvas* dc_;
  const MarkObject& obj_;
  Mapper mapper_;
  ContourList contours_;
};

// One character of a line text, laid out in copy coordinates (right from L,
// down from T).
struct PlacedChar {
  const Glyph* glyph;
  const CharRecord* rec;
  double scale_x;  // mm per outline unit across
  double left;     // u: where the cell starts
  double top;      // v: the top of the line
};

// Lays out the lines of a line text against the glyph file: horizontal
// writing in rows, vertical writing in columns.
std::vector<PlacedChar> lay_out_lines(const LineTextParams& p, const MarkObject& obj,
                                      const GlyphFile& file) {
  const std::string_view text = p.text;
  const double w = obj.width;
  const double h = obj.height;
  const bool vertical = p.vertical == 1;
  std::vector<PlacedChar> placed;
  std::vector<PlacedChar> line;
  std::vector<double> extent;  // each character's length along the line
  std::size_t pos = 0;         // byte offset of the line
  std::size_t k = 0;           // index of the line's first character in the text
  double offset = 0.0;         // v for rows, h for columns

  const std::size_t lines =
      std::min(static_cast<std::size_t>(std::max<int32_t>(p.line_count, 0)), p.line_lengths.size());
  for (std::size_t l = 0; l < lines; ++l) {
    const std::size_t want = static_cast<std::size_t>(std::max<int32_t>(p.line_lengths[l], 0));
    const std::string_view bytes = text.substr(pos, std::min(want, text.size() - pos));
    pos += bytes.size();
    line.clear();
    extent.clear();
    const int count = CountChars(bytes);
    for (int i = 0; i < count; ++i) {
      const Glyph* glyph = glyph_at(file, k);
      const CharRecord& rec = record_at(p.chars, k);
      const double sx = (p.size_x + rec.size_x) / kEm;
      line.push_back({glyph, &rec, sx, 0.0, 0.0});
      extent.push_back(vertical ? p.size_y + rec.size_y : units_wide(glyph) * sx);
      ++k;
    }
    const std::size_t n = line.size();
    if (n == 0) continue;  // an empty line takes no space

    double sum = 0.0;
    for (double e : extent) sum += e;
    const double room = vertical ? h : w;
    double gap = p.char_gap;
    if (p.align == 3) gap = n > 1 ? (room - sum) / static_cast<double>(n - 1) : room - sum;
    const double length = sum + static_cast<double>(n - 1) * p.char_gap;
    double at = 0.0;
    if (p.align == 1) at = room - length;
    if (p.align == 2) at = (room - length) / 2;

    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0) at = at + extent[i - 1] + gap;
      PlacedChar& c = line[i];
      if (vertical) {
        // Centred across the column.
        c.left = offset + p.size_x / 2 - units_wide(c.glyph) * c.scale_x / 2;
        c.top = at;
      } else {
        c.left = at;
        c.top = offset;
      }
      placed.push_back(c);
    }
    offset = offset + (vertical ? p.size_x : p.size_y) + p.line_gap;
  }
  return placed;
}

// Walks the copy array: column by column, each column top to bottom, or (for
// horizontal writing) row by row, each row left to right. Stops before each
// outer and inner step once stop_requested is set, or when fn returns false.
template <class Fn>
void walk_copies(const GeomContext& g, const MarkObject& obj, double w, double h, bool by_rows,
                 Fn&& fn) {
  const CketralDoc& doc = g.doc;
  // A job counts its copies: copies that send nothing still see Escape.
  const int64_t total = std::max<int64_t>(int64_t{obj.columns} * obj.rows, 0);
  int64_t done = 0;
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  const int32_t outer_count = by_rows ? obj.rows : obj.columns;
  const int32_t inner_count = by_rows ? obj.columns : obj.rows;
  for (int32_t i = 0; i < outer_count; ++i) {
    if (doc.stop_requested != 0) return;
    for (int32_t j = 0; j < inner_count; ++j) {
      if (doc.stop_requested != 0) return;
      const int32_t c = by_rows ? j : i;
      const int32_t r = by_rows ? i : j;
      const double left = (w + obj.column_gap) * c + (obj.cent_x - tw / 2);
      const double top = (th / 2 + obj.cent_y) - (h + obj.row_gap) * r;
      if (!fn(left, top)) return;
      if (g.pen != nullptr) g.pen->copy_walked(++done, total);
    }
  }
}

}  // namespace

double ArcAngle(double a, double b, double s) {
  if (a == b && a != 0) return s / a;
  const double h = s / 50 / a;
  const double kappa = b * b / (a * a);
  double theta = 0.0;
  for (int i = 0; i < 50; ++i) {
    const double c = std::cos(theta);
    const double sn = std::sin(theta);
    theta = theta + h / std::sqrt(c * c + kappa * sn * sn);
  }
  return theta;
}

void DrawLineText(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const LineTextParams* p = obj.block<LineTextParams>();
  if (p == nullptr || p->text.empty()) return;
  // Looked up once for all copies: the cache checks the file on disk, and
  // nothing writes it while the object is drawn. Without the file nothing is drawn.
  const std::shared_ptr<const GlyphFile> file = glyph_cache().get(p->glyph_file);
  if (file) draw_line_text_with(g, dc, obj, *file);
}

void draw_line_text_with(GeomContext& g, Canvas* dc, const MarkObject& obj,
                         const GlyphFile& file) {
  const LineTextParams* p = obj.block<LineTextParams>();
  if (p == nullptr || p->text.empty() || !placement_finite(obj)) return;
  if (!all_finite(
          {p->size_x, p->size_y, p->char_gap, p->line_gap, p->line_width_x, p->line_width_y}) ||
      !records_finite(p->chars)) {
    return;
  }
  GlyphPainter painter(g, dc, obj);
  if (!painter.usable()) return;
  const std::vector<PlacedChar> placed = lay_out_lines(*p, obj, file);
  const double w = obj.width;
  const double h = obj.height;
  const double object_turn = -obj.angle * kPi / 180;

  const auto draw_copy = [&](double left, double top) {
    for (const PlacedChar& c : placed) {
      if (painter.stopped()) return false;
      if (c.glyph == nullptr) continue;
      const CharRecord& rec = *c.rec;
      const double xmin = c.glyph->xmin;
      const double turn_x = (int32_t{c.glyph->xmin} + int32_t{c.glyph->xmax}) / 2;
      const double char_turn = rec.angle * kPi / 180;
      const double sy = p->size_y + rec.size_y;
      auto place = [&](double gx, double gy) {
        if (rec.angle != 0) RotateAbout(turn_x, kCellMiddle, gx, gy, char_turn);
        const double x_in = obj.mirror_x != 0
                                ? (w - c.left) - (gx - xmin) * c.scale_x - rec.offset_x
                                : (gx - xmin) * c.scale_x + c.left + rec.offset_x;
        const double y_in = obj.mirror_y != 0
                                ? rec.size_y / 2 - c.top + h - sy * gy / kEm + rec.offset_y
                                : sy * gy / kEm + (c.top - rec.size_y / 2) - rec.offset_y;
        FieldPoint f{left + x_in, top - y_in};
        // All copies turn together about the centre of the whole array.
        if (obj.angle != 0) RotateAbout(obj.cent_x, obj.cent_y, f.x, f.y, object_turn);
        return f;
      };
      painter.draw(c.glyph, p->line_width_x + rec.font_width_x, p->line_width_y + rec.font_width_y,
                   place);
    }
    return true;
  };
  if (!g.visible) {
    // Copies of horizontal writing go row by row, of vertical writing column by column.
    walk_copies(g, obj, w, h, p->vertical != 1, draw_copy);
    return;
  }
  // The view: only the copies that can reach its window. Characters may stand
  // beyond the box by their own offsets and sizes.
  double extra = p->size_x + p->size_y + std::fabs(p->line_width_x) + std::fabs(p->line_width_y);
  for (const CharRecord& rec : p->chars) {
    extra = std::max(extra, p->size_x + p->size_y + std::fabs(rec.offset_x) +
                                std::fabs(rec.offset_y) + std::fabs(rec.size_x) +
                                std::fabs(rec.size_y) + std::fabs(p->line_width_x) +
                                std::fabs(p->line_width_y) + std::fabs(rec.font_width_x) +
                                std::fabs(rec.font_width_y));
  }
  const auto in_sight = [&](double left, double top) { draw_copy(left, top); };
  if (obj.angle == 0) {
    for_each_copy(g, dc, obj, w, h, in_sight, extra);
    return;
  }
  // Turned copies turn about the centre of the whole array: the window turned
  // back the other way bounds where the unturned copies may be.
  GeomContext unturned = g;
  const FieldWindow& v = *g.visible;
  FieldWindow back{obj.cent_x, obj.cent_y, obj.cent_x, obj.cent_y};
  bool first = true;
  for (const auto& [x0, y0] : {std::pair{v.left, v.bottom}, std::pair{v.right, v.bottom},
                               std::pair{v.left, v.top}, std::pair{v.right, v.top}}) {
    double x = x0;
    double y = y0;
    RotateAbout(obj.cent_x, obj.cent_y, x, y, -object_turn);
    back = first ? FieldWindow{x, y, x, y}
                 : FieldWindow{std::min(back.left, x), std::min(back.bottom, y),
                               std::max(back.right, x), std::max(back.top, y)};
    first = false;
  }
  unturned.visible = back;
  // Not repeated in blocks: a block of turned copies is no shift of another.
  for_each_copy(unturned, obj, w, h, in_sight, extra);
}

void DrawArcText(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const ArcTextParams* p = obj.block<ArcTextParams>();
  if (p == nullptr || p->text.empty()) return;
  const std::shared_ptr<const GlyphFile> file = glyph_cache().get(p->glyph_file);
  if (file) draw_arc_text_with(g, dc, obj, *file);
}

void draw_arc_text_with(GeomContext& g, Canvas* dc, const MarkObject& obj,
                        const GlyphFile& file) {
  const ArcTextParams* p = obj.block<ArcTextParams>();
  if (p == nullptr || p->text.empty() || !placement_finite(obj)) return;
  if (!all_finite({p->size_x, p->size_y, p->radius_x, p->radius_y, p->span, p->line_width_x,
                   p->line_width_y}) ||
      !records_finite(p->chars)) {
    return;
  }
  GlyphPainter painter(g, dc, obj);
  if (!painter.usable()) return;

  // The ellipse through the characters' centres and its mean circle.
  const double a = p->radius_x - p->size_y / 2;
  const double b = p->radius_y - p->size_y / 2;
  const double r_mean = std::sqrt((a * a + b * b) / 2);
  const double arc_length = std::fabs(p->span) * 2 * kPi * r_mean / 360;

  const auto n = static_cast<std::size_t>(CountChars(p->text));
  std::vector<double> widths(n);
  double sum = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    widths[k] = units_wide(glyph_at(file, k)) * (p->size_x + record_at(p->chars, k).size_x) / kEm;
    sum += widths[k];
  }
  // The text always fills its span.
  const double gap =
      n > 1 ? (arc_length - sum) / static_cast<double>(n - 1) : arc_length - widths[0];
  const bool downward = p->downward == 1;

  double s = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    if (painter.stopped()) return;
    if (k == 0) {
      // Centred on the top (bottom) of the arc, slid along it by the header angle.
      s = widths[0] / 2 + (obj.angle / 180) * kPi * r_mean - arc_length / 2;
    } else {
      s = s + widths[k - 1] / 2 + gap + widths[k] / 2;
    }
    const Glyph* glyph = glyph_at(file, k);
    if (glyph == nullptr || glyph->type == kGlyphBlank) continue;
    const CharRecord& rec = record_at(p->chars, k);
    const double theta = ArcAngle(a, b, s);
    // A degenerate ellipse has no place for the character.
    if (!std::isfinite(theta)) continue;
    const double phi = std::atan2(b * std::sin(theta), a * std::cos(theta));
    // Centre relative to the ellipse centre, y growing downward.
    const double cx = a * std::sin(theta) + rec.offset_x;
    const double cy =
        downward ? b * std::cos(theta) + rec.offset_y : -b * std::cos(theta) - rec.offset_y;
    const double turn = downward ? -phi - rec.angle * kPi / 180 : phi + rec.angle * kPi / 180;
    const double xmin = glyph->xmin;
    const double w = widths[k];

    // In the view only the copies whose character can reach its window.
    const double extra =
        std::hypot(std::fabs(p->radius_x - obj.width / 2) + std::fabs(cx),
                   std::fabs(p->radius_y - obj.height / 2) + std::fabs(cy)) +
        std::hypot(p->size_x + rec.size_x, p->size_y + rec.size_y) / 2 +
        std::fabs(p->line_width_x + rec.font_width_x) + std::fabs(p->line_width_y + rec.font_width_y);
    for_each_copy(g, dc, obj, obj.width, obj.height, [&](double left, double top) {
      auto place = [&](double gx, double gy) {
        double x_in = (gx - xmin) * (p->size_x + rec.size_x) / kEm + cx - w / 2;
        double y_in = (p->size_y + rec.size_y) * gy / kEm + (cy - p->size_y / 2);
        RotateAbout(cx, cy, x_in, y_in, turn);
        if (obj.mirror_x != 0) x_in = -x_in;
        if (obj.mirror_y != 0) y_in = -y_in;
        return FieldPoint{left + p->radius_x + x_in, top - p->radius_y - y_in};
      };
      painter.draw(glyph, p->line_width_x + rec.font_width_x, p->line_width_y + rec.font_width_y,
                   place);
    }, extra);
  }
}

}  // namespace lumetch
