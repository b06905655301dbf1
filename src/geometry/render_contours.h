#pragma once

#include <cstdint>
#include <vector>

#include "geometry/mapping.h"
#include "platform/canvas.h"

namespace lumetch {

// Closed contours in target units, back to back; a closed contour repeats its
// first point as its last.
struct ContourList {
  std::vector<CanvasPoint> points;
  std::vector<int32_t> counts;

  void clear() {
    points.clear();
    counts.clear();
  }
  // Starts a new contour; add its points with add().
  void begin_contour() { counts.push_back(0); }
  void add(CanvasPoint p) {
    points.push_back(p);
    ++counts.back();
  }
  int32_t contour_count() const { return static_cast<int32_t>(counts.size()); }
};

// Outlines (output_mode 0 clockwise order, 1 contours in reverse order) or
// hatch-fills (output_mode 2; fill_direction 0 horizontal lines, else
// vertical) the contours on the target chosen for dc. Widths in mm give hatch
// lines a thickness on screen and raster; basic shapes pass 0, 0.
void RenderContours(GeomContext& g, int32_t fill_direction, int32_t output_mode,
                    double fill_pitch, Canvas* dc, const ContourList& contours,
                    double width_x, double width_y);

void TraceOutline(GeomContext& g, Canvas* dc, const ContourList& contours, int32_t mode);

void HatchFillHorizontal(GeomContext& g, int32_t output_mode, double fill_pitch, Canvas* dc,
                         const ContourList& contours, double width_x, double width_y);
void HatchFillVertical(GeomContext& g, int32_t output_mode, double fill_pitch, Canvas* dc,
                       const ContourList& contours, double width_x, double width_y);

}  // namespace lumetch
