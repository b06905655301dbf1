#include "geometry/mapping.h"

#include <cmath>
#include <limits>

namespace lumetch {

namespace {

// Integer sums of mapped coordinates are formed in 64 bits and saturated, so a
// point far outside the field cannot wrap around to the other side.
int32_t saturate(int64_t v) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v > kMax ? kMax : (v < kMin ? kMin : v));
}

}  // namespace

DrawTarget GeomContext::choose(const Canvas* dc) const {
  if (doc.engraving == 1 && dc == nullptr) return DrawTarget::Marker;
  if (doc.raster_mode == 1) return DrawTarget::Raster;
  return DrawTarget::Screen;
}

int32_t marker_x(const MarkSettings& s, double x) {
  return nearest_int((((s.mark_size_x / 2 + s.locate_cent_x) - s.scan_cent_x) + x) * s.rate_x *
                     kUnitsPerMm);
}

int32_t marker_y(const MarkSettings& s, double y) {
  return nearest_int((((s.mark_size_y / 2 + s.locate_cent_y) - s.scan_cent_y) + y) * s.rate_y *
                     kUnitsPerMm);
}

// Rounded first, then doubled: screen points lie an even distance from the origin.
int32_t screen_x(const ViewState& v, double x) {
  return saturate(int64_t{v.origin_x} + 2 * int64_t{nearest_int(v.zoom() * x)});
}

int32_t screen_y(const ViewState& v, double y) {
  return saturate(2 * int64_t{nearest_int(v.zoom() * y)} - v.origin_y);
}

int32_t raster_x(const CketralDoc& doc, double x) {
  return nearest_int((x - doc.raster_left) * doc.settings.resolution);
}

// Rows grow downward from raster_top. Points above the top get negative rows
// (outside the bitmap) rather than being reflected into it.
int32_t raster_y(const CketralDoc& doc, double y) {
  return saturate(-int64_t{nearest_int((y - doc.raster_top) * doc.settings.resolution)});
}

int32_t Mapper::x(double mm) const {
  switch (target_) {
    case DrawTarget::Marker:
      return marker_x(doc_.settings, mm);
    case DrawTarget::Screen:
      return screen_x(doc_.view, mm);
    case DrawTarget::Raster:
      return raster_x(doc_, mm);
  }
  return 0;
}

int32_t Mapper::y(double mm) const {
  switch (target_) {
    case DrawTarget::Marker:
      return marker_y(doc_.settings, mm);
    case DrawTarget::Screen:
      return screen_y(doc_.view, mm);
    case DrawTarget::Raster:
      return raster_y(doc_, mm);
  }
  return 0;
}

int32_t Mapper::dx(double mm) const {
  switch (target_) {
    case DrawTarget::Marker:
      return nearest_int(mm * doc_.settings.rate_x * kUnitsPerMm);
    case DrawTarget::Screen:
      return nearest_int(2.0 * doc_.view.zoom() * mm);
    case DrawTarget::Raster:
      return nearest_int(doc_.settings.resolution * mm);
  }
  return 0;
}

int32_t Mapper::dy(double mm) const {
  switch (target_) {
    case DrawTarget::Marker:
      return nearest_int(mm * doc_.settings.rate_y * kUnitsPerMm);
    case DrawTarget::Screen:
      return nearest_int(2.0 * doc_.view.zoom() * mm);
    case DrawTarget::Raster:
      // Rounding is symmetric about zero, so negating the rounded value equals
      // rounding the negated offset.
      return saturate(-int64_t{nearest_int(doc_.settings.resolution * mm)});
  }
  return 0;
}

void RotateAbout(double cx, double cy, double& x, double& y, double a) {
  if (a == 0) return;
  const double dx = x - cx;
  const double dy = y - cy;
  // Callers turn every point of an object by the same angle: keep the last
  // cosine and sine (the same values, computed once).
  thread_local double last_a = 0.0;
  thread_local double c = 1.0;
  thread_local double s = 0.0;
  if (a != last_a) {
    c = std::cos(a);
    s = std::sin(a);
    last_a = a;
  }
  x = c * dx - s * dy + cx;
  y = s * dx + c * dy + cy;
}

}  // namespace lumetch
