#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

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

// The same walk limited to the copies whose box, turned about its own centre
// (and a pen's width more), can reach g.visible: the columns and rows are
// computed, not searched, so an array of millions of copies paints at the
// cost of the copies in sight. Without a window it is the full walk.
template <class Fn>
void for_each_copy(const GeomContext& g, const MarkObject& obj, double w, double h, Fn&& fn) {
  const double pw = w + obj.column_gap;
  const double ph = h + obj.row_gap;
  if (!g.visible || !(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph)) {
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
  const FieldWindow& v = *g.visible;
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  const double reach = std::hypot(w, h) / 2 + 1.0;
  const double x0 = obj.cent_x - tw / 2 + w / 2;  // centre of column 0
  const double y0 = th / 2 + obj.cent_y - h / 2;  // centre of row 0
  // First and last index of the n whose centre lies in [lo, hi] along a
  // pitch from `at`; first > last when none does.
  const auto range = [](double lo, double hi, int32_t n) {
    const double first = std::max(0.0, std::ceil(lo));
    const double last = std::min(static_cast<double>(n) - 1, std::floor(hi));
    if (!(first <= last)) return std::pair<int32_t, int32_t>{0, -1};
    return std::pair{static_cast<int32_t>(first), static_cast<int32_t>(last)};
  };
  const auto [c0, c1] = range((v.left - reach - x0) / pw, (v.right + reach - x0) / pw, obj.columns);
  const auto [r0, r1] = range((y0 - v.top - reach) / ph, (y0 - v.bottom + reach) / ph, obj.rows);
  for (int32_t c = c0; c <= c1; ++c) {
    if (g.doc.stop_requested != 0) return;
    for (int32_t r = r0; r <= r1; ++r) {
      if (g.doc.stop_requested != 0) return;
      fn(pw * c + (obj.cent_x - tw / 2), (th / 2 + obj.cent_y) - ph * r);
    }
  }
}

}  // namespace lumetch
