#pragma once

#include <cstdint>

#include "model/cketral_doc.h"
#include "model/units.h"
#include "platform/canvas.h"

namespace lumetch {

class PenEmitter;

// Every angle conversion and full turn in the geometry uses this value of pi.
inline constexpr double kPi = 3.14159;

enum class DrawTarget { Marker, Screen, Raster };

// What a generator works with: the document and, while marking, the pen emitter.
struct GeomContext {
  CketralDoc& doc;
  PenEmitter* pen = nullptr;  // needed on the marker target only

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

}  // namespace lumetch
