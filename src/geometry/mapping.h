#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>

#include "marker/pen_emitter.h"
#include "model/cketral_doc.h"
#include "model/units.h"
#include "platform/canvas.h"

namespace lumetch {

// Every angle conversion and full turn in the geometry uses this value of pi.
inline constexpr double kPi = 3.14159;

enum class DrawTarget { Marker, Screen, Raster };

// The part of the field a repaint can show, in field millimetres.
struct FieldWindow {
  double left = 0.0;
  double bottom = 0.0;
  double right = 0.0;
  double top = 0.0;
};

// What a generator works with: the document and, while marking, the pen emitter.
struct GeomContext {
  CketralDoc& doc;
  PenEmitter* pen = nullptr;  // needed on the marker target only
  // Set by the view for one paint: copies that cannot reach it are not drawn.
  // Never set for marking or scanning, where every copy counts.
  std::optional<FieldWindow> visible = std::nullopt;

  // Marker while engraving without a canvas, raster while the scan renders,
  // screen otherwise. Fixed for the whole generator call.
  DrawTarget choose(const Canvas* dc) const;
};

// Field millimetres (Y up, origin at the field centre) to target integers.
// Marker: units from the field's lower-left corner, scaled by rate × 40.
// Screen: view units, 2 × nearest_int(Z × mm) from the view's origin.
// Raster: pixels from (raster_left, raster_top), rows growing downward; a
// point above raster_top has a negative row.
int32_t marker_x(const MarkSettings& s, double x);
int32_t marker_y(const MarkSettings& s, double y);
int32_t screen_x(const ViewState& v, double x);
int32_t screen_y(const ViewState& v, double y);
int32_t raster_x(const CketralDoc& doc, double x);
int32_t raster_y(const CketralDoc& doc, double y);

// Maps points and offsets for one target.
class Mapper {
 public:
  Mapper(const CketralDoc& doc, DrawTarget target) : doc_(doc), target_(target) {}
  DrawTarget target() const { return target_; }
  int32_t x(double mm) const;
  int32_t y(double mm) const;
  CanvasPoint point(double x_mm, double y_mm) const { return {x(x_mm), y(y_mm)}; }
  // An offset converted on its own: rate × 40 on the marker, 2·Z on screen,
  // resolution on the raster (where Y offsets change sign, rows growing down).
  int32_t dx(double mm) const;
  int32_t dy(double mm) const;

 private:
  const CketralDoc& doc_;
  DrawTarget target_;
};

// Turns (x, y) about (cx, cy) by a radians; a = 0 leaves the point untouched.
// With a = -angle * kPi / 180 a positive angle turns clockwise on the field.
void RotateAbout(double cx, double cy, double& x, double& y, double a);

// Radians of an object angle in degrees: positive degrees turn clockwise.
inline double object_radians(double angle_deg) {
  return -angle_deg / 180.0 * kPi;
}

// Walks the copy array column by column (left to right), each column top to
// bottom, calling fn(left, top) for each copy of size w × h. Stops before a
// column or a copy once stop_requested is set.
template <class Fn>
void for_each_copy(const CketralDoc& doc, const MarkObject& obj, double w, double h, Fn&& fn) {
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  for (int32_t c = 0; c < obj.columns; ++c) {
    if (doc.stop_requested != 0) return;
    for (int32_t r = 0; r < obj.rows; ++r) {
      if (doc.stop_requested != 0) return;
      const double left = (w + obj.column_gap) * c + (obj.cent_x - tw / 2);
      const double top = (th / 2 + obj.cent_y) - (h + obj.row_gap) * r;
      fn(left, top);
    }
  }
}

// The columns c0..c1 and rows r0..r1 of an array's copies, and for a copy
// box w × h where its centre lies: column c at x0 + pitch_x·c, row r at
// y0 - pitch_y·r.
struct CopyRange {
  int32_t c0 = 0;
  int32_t c1 = -1;
  int32_t r0 = 0;
  int32_t r1 = -1;
  double pitch_x = 0.0;
  double pitch_y = 0.0;
  double x0 = 0.0;
  double y0 = 0.0;
  double reach = 0.0;  // how far a copy, turned about its centre, reaches from it
  int64_t count() const {
    return c1 < c0 || r1 < r0 ? 0 : int64_t{c1 - c0 + 1} * int64_t{r1 - r0 + 1};
  }
};

// The copies whose box, turned about its own centre (and a pen's width
// more), can reach g.visible: the columns and rows are computed, not
// searched, so an array of millions of copies paints at the cost of the
// copies in sight. `extra` widens the reach for what a copy draws beyond
// its box. Nullopt without a window (or without a usable pitch): then every
// copy counts.
inline std::optional<CopyRange> visible_copies(const GeomContext& g, const MarkObject& obj,
                                               double w, double h, double extra = 0.0) {
  CopyRange r;
  r.pitch_x = w + obj.column_gap;
  r.pitch_y = h + obj.row_gap;
  if (!g.visible || !(r.pitch_x > 0) || !(r.pitch_y > 0) || !std::isfinite(r.pitch_x) ||
      !std::isfinite(r.pitch_y)) {
    return std::nullopt;
  }
  const FieldWindow& v = *g.visible;
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  r.reach = std::hypot(w, h) / 2 + 1.0 + std::max(0.0, extra);
  if (!std::isfinite(r.reach)) return std::nullopt;
  r.x0 = obj.cent_x - tw / 2 + w / 2;
  r.y0 = th / 2 + obj.cent_y - h / 2;
  // First and last index in [lo, hi], clamped to 0..n-1.
  const auto range = [](double lo, double hi, int32_t n) {
    const double first = std::max(0.0, std::ceil(lo));
    const double last = std::min(static_cast<double>(n) - 1, std::floor(hi));
    if (!(first <= last)) return std::pair<int32_t, int32_t>{0, -1};
    return std::pair{static_cast<int32_t>(first), static_cast<int32_t>(last)};
  };
  std::tie(r.c0, r.c1) =
      range((v.left - r.reach - r.x0) / r.pitch_x, (v.right + r.reach - r.x0) / r.pitch_x,
            obj.columns);
  std::tie(r.r0, r.r1) =
      range((r.y0 - v.top - r.reach) / r.pitch_y, (r.y0 - v.bottom + r.reach) / r.pitch_y,
            obj.rows);
  return r;
}

// The same walk limited to the copies that can reach g.visible; without a
// window it is the full walk.
template <class Fn>
void for_each_copy(const GeomContext& g, const MarkObject& obj, double w, double h, Fn&& fn,
                   double extra = 0.0) {
  const std::optional<CopyRange> r = visible_copies(g, obj, w, h, extra);
  if (!r) {
    if (g.pen == nullptr) {
      for_each_copy(g.doc, obj, w, h, fn);
      return;
    }
    // A job's walk counts its copies: copies that send nothing still see
    // Escape, and the progress tells how many are done.
    const int64_t total = std::max<int64_t>(int64_t{obj.columns} * obj.rows, 0);
    int64_t done = 0;
    for_each_copy(g.doc, obj, w, h, [&](double left, double top) {
      fn(left, top);
      g.pen->copy_walked(++done, total);
    });
    return;
  }
  for (int32_t c = r->c0; c <= r->c1; ++c) {
    if (g.doc.stop_requested != 0) return;
    for (int32_t rw = r->r0; rw <= r->r1; ++rw) {
      if (g.doc.stop_requested != 0) return;
      fn(r->x0 - w / 2 + r->pitch_x * c, r->y0 + h / 2 - r->pitch_y * rw);
    }
  }
}

// Copies in sight from which the view draws blocks of copies once and puts
// them again (Canvas::begin_stamp): below it every copy is drawn.
inline constexpr int64_t kStampFromCopies = 4096;
inline constexpr int32_t kStampBlock = 16;  // copies a side

// The walk in sight on the screen canvas dc, where thousands of tiny copies
// would cost more than the repaint may: one block of kStampBlock² copies is
// drawn and repeated, each repeat placed by its first copy (the others may
// land a pixel from where they would be drawn one by one). Blocks that cross
// the array's last row or column, and every copy without such a canvas, are
// drawn one by one. fn must draw a copy the same wherever it is.
template <class Fn>
void for_each_copy(const GeomContext& g, Canvas* dc, const MarkObject& obj, double w, double h,
                   Fn&& fn, double extra = 0.0) {
  const std::optional<CopyRange> r = visible_copies(g, obj, w, h, extra);
  if (!r || dc == nullptr || r->count() < kStampFromCopies ||
      g.choose(dc) != DrawTarget::Screen) {
    for_each_copy(g, obj, w, h, fn, extra);
    return;
  }
  const auto left_of = [&](int32_t c) { return r->x0 - w / 2 + r->pitch_x * c; };
  const auto top_of = [&](int32_t rw) { return r->y0 + h / 2 - r->pitch_y * rw; };
  const auto copies = [&](int32_t c_lo, int32_t c_hi, int32_t r_lo, int32_t r_hi) {
    for (int32_t c = c_lo; c <= c_hi; ++c) {
      if (g.doc.stop_requested != 0) return;
      for (int32_t rw = r_lo; rw <= r_hi; ++rw) {
        if (g.doc.stop_requested != 0) return;
        fn(left_of(c), top_of(rw));
      }
    }
  };
  const int32_t last_c = obj.columns - kStampBlock;  // the last column a whole block starts at
  const int32_t last_r = obj.rows - kStampBlock;
  bool stamped = false;
  if (r->c0 <= last_c && r->r0 <= last_r) {
    // The block at (c0, r0): its copies' centres and reach, in view units.
    const Mapper m(g.doc, DrawTarget::Screen);
    const double xa = r->x0 + r->pitch_x * r->c0;
    const double ya = r->y0 - r->pitch_y * r->r0;
    const double xb = xa + r->pitch_x * (kStampBlock - 1);
    const double yb = ya - r->pitch_y * (kStampBlock - 1);
    if (dc->begin_stamp(m.x(xa - r->reach), m.y(ya + r->reach), m.x(xb + r->reach),
                        m.y(yb - r->reach))) {
      copies(r->c0, r->c0 + kStampBlock - 1, r->r0, r->r0 + kStampBlock - 1);
      dc->end_stamp();
      stamped = true;
      const int32_t ax = m.x(left_of(r->c0));
      const int32_t ay = m.y(top_of(r->r0));
      for (int32_t c = r->c0; c <= r->c1; c += kStampBlock) {
        for (int32_t rw = r->r0; rw <= r->r1; rw += kStampBlock) {
          if (g.doc.stop_requested != 0) return;
          if (c <= last_c && rw <= last_r) {
            dc->put_stamp(m.x(left_of(c)) - ax, m.y(top_of(rw)) - ay);
          } else {
            copies(c, std::min(c + kStampBlock - 1, r->c1), rw, std::min(rw + kStampBlock - 1, r->r1));
          }
        }
      }
    }
  }
  if (!stamped) copies(r->c0, r->c1, r->r0, r->r1);
}

}  // namespace lumetch
