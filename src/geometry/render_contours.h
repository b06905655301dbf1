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

// Outlines (output_mode 0 in list order, any other mode but 2 with the
// contours in reverse order) or hatch-fills (output_mode 2; fill_direction 0
// horizontal lines, else vertical) the contours on the target chosen for dc.
// Widths in mm give hatch lines a thickness on screen and raster; basic shapes
// pass 0, 0. Counts that disagree with the points are cut to the points there
// are; stop_requested ends the call between points and between hatch lines.
void RenderContours(GeomContext& g, int32_t fill_direction, int32_t output_mode, double fill_pitch,
                    Canvas* dc, const ContourList& contours, double width_x, double width_y);

// Marker: pen-up to each contour's first point, pen-down to the rest. Canvas:
// with mode 2 the contours are first painted as one filled area; then every
// contour is drawn as a polyline in list order.
void TraceOutline(GeomContext& g, Canvas* dc, const ContourList& contours, int32_t mode);

// Scan-line fill with the nonzero winding rule. Spacing: 40 units per mm of
// fill_pitch on the marker (at least 1), 1 on the raster and while printing;
// on screen the area is painted by the polygon fill and hatch lines 12 units
// apart are added only when a stroke width is given. Marker lines alternate
// direction; the outline is traced on screen only.
void HatchFillHorizontal(GeomContext& g, int32_t output_mode, double fill_pitch, Canvas* dc,
                         const ContourList& contours, double width_x, double width_y);
// The same with X and Y exchanged: scan lines of constant X.
void HatchFillVertical(GeomContext& g, int32_t output_mode, double fill_pitch, Canvas* dc,
                       const ContourList& contours, double width_x, double width_y);

}  // namespace lumetch
