#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "imports/plt.h"

namespace lumetch {

// Smallest and largest point of the stroke lines. Until the first point the
// start values stand, which a plot without drawing keeps; the first point
// replaces them, so a drawing lying wholly beyond +-30000 units is not
// stretched out to reach 30000.
struct PlotExtents {
  int32_t min_x = 30000;
  int32_t min_y = 30000;
  int32_t max_x = -30000;
  int32_t max_y = -30000;
  bool any = false;

  void widen(int32_t x, int32_t y) {
    if (!any) {
      any = true;
      min_x = max_x = x;
      min_y = max_y = y;
      return;
    }
    if (x < min_x) min_x = x;
    if (x > max_x) max_x = x;
    if (y < min_y) min_y = y;
    if (y > max_y) max_y = y;
  }

  // An axis without extent gets ten units, kept inside the int32 range.
  void open_up() {
    open_axis(min_x, max_x);
    open_axis(min_y, max_y);
  }

 private:
  static void open_axis(int32_t& lo, int32_t& hi) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    if (hi > lo) return;
    if (lo > kMax - 10) {
      lo = kMax - 10;
      hi = kMax;
    } else {
      hi = lo + 10;
    }
  }
};

// Lines a plot may make before its reading stops.
inline constexpr int64_t kMaxPlotLines = 20000000;

// Where the stroke lines of a plot go: select(pen) when SP names a pen,
// line(pen, draw, x, y) for each line (the pen is used from its first line).
class PlotSink {
 public:
  virtual ~PlotSink() = default;
  virtual void select(int pen) = 0;
  virtual void line(int pen, bool draw, int32_t x, int32_t y) = 0;
};

// Reads HPGL and HPGL/2 plot text: every coordinate pair, relative and
// absolute plotting, scaling, rotation, the window, arcs, circles, edges of
// rectangles and wedges, Bezier curves, encoded polylines and line types.
// Stroke lines are in plotter units, rounded. What is not drawn is counted
// in `report`. The extents come back opened up.
PlotExtents read_hpgl(std::string_view text, PlotSink& sink, PlotReport& report,
                      const ReadProgress& progress = {}, int64_t max_lines = kMaxPlotLines);

}  // namespace lumetch
