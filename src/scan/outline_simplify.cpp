#include "scan/outline_simplify.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "scan/trace_outlines.h"

namespace lumetch {

namespace {

// The line through two points, ready to measure many points against.
struct Line {
  bool vertical = false;
  double x1 = 0.0;
  double m = 0.0;
  double b = 0.0;
  double norm = 1.0;

  Line(double ax, double ay, double bx, double by) {
    if (ax == bx) {
      vertical = true;
      x1 = ax;
      return;
    }
    m = (by - ay) / (bx - ax);
    b = ay - ax * m;
    norm = std::sqrt(m * m + 1);
  }
  double distance(double px, double py) const {
    if (vertical) return std::fabs(px - x1);
    return std::fabs(py - px * m - b) / norm;
  }
};

// Up to here the point-to-line formula errs by far less than kMargin costs
// in distance (at least 0.6 × kMargin): beyond it every pixel is measured.
constexpr int32_t kFastCoordinates = 1 << 24;
constexpr double kMargin = 1e-6;  // radians
// Shorter runs are measured pixel by pixel: cheaper than the angles.
constexpr std::size_t kMeasuredRun = 16;
constexpr double kHalfTurn = std::numbers::pi;

// An angle as a line's direction, whichever way the line runs: [-pi/2, pi/2].
double line_angle(double a) {
  return std::remainder(a, kHalfTurn);
}

// The directions of the lines through an anchor that pass within the
// tolerance of every pixel added so far, as arcs of line directions. A
// pixel at distance r allows the directions within asin(0.8 / r) of its
// own; only two pixels beside the anchor, at right angles, split the set,
// so it never holds more than two arcs.
class DirectionSet {
 public:
  void add(double vx, double vy) {
    const double r = std::sqrt(vx * vx + vy * vy);
    if (r <= kOutlineTolerance) return;  // every line through the anchor passes near
    const double phi = std::atan2(vy, vx);
    const double a = std::asin(kOutlineTolerance / r);
    if (full_) {
      full_ = false;
      arcs_[0] = {phi, a};
      count_ = 1;
      return;
    }
    std::array<Arc, 4> next;
    std::size_t n = 0;
    for (std::size_t i = 0; i < count_; ++i) {
      const Arc& arc = arcs_[i];
      const double d = line_angle(phi - arc.centre);
      for (const double turn : {0.0, kHalfTurn, -kHalfTurn}) {
        const double lo = std::max(-arc.half, d + turn - a);
        const double hi = std::min(arc.half, d + turn + a);
        if (hi > lo && n < next.size()) {
          next[n++] = {line_angle(arc.centre + (lo + hi) / 2), (hi - lo) / 2};
        }
      }
    }
    arcs_ = next;
    count_ = n;
  }

  // True when the line towards (ux, uy) lies inside by the margin; (0, 0)
  // stands for the vertical line, as in the distance formula.
  bool holds(double ux, double uy) const {
    if (full_) return true;
    const double t = ux == 0 ? kHalfTurn / 2 : std::atan2(uy, ux);
    for (std::size_t i = 0; i < count_; ++i) {
      if (std::fabs(line_angle(t - arcs_[i].centre)) < arcs_[i].half - kMargin) return true;
    }
    return false;
  }

 private:
  struct Arc {
    double centre = 0.0;
    double half = 0.0;
  };
  bool full_ = true;
  std::array<Arc, 4> arcs_{};
  std::size_t count_ = 0;
};

bool any_far(std::span<const TracePixel> trace, std::size_t anchor, std::size_t k) {
  const TracePixel a = trace[anchor];
  const TracePixel n = trace[k];
  const Line line(a.x, a.y, n.x, n.y);
  for (std::size_t i = anchor + 1; i < k; ++i) {
    if (line.distance(trace[i].x, trace[i].y) > kOutlineTolerance) return true;
  }
  return false;
}

}  // namespace

double PointLineDistance(double x1, double y1, double x2, double y2, double px, double py) {
  return Line(x1, y1, x2, y2).distance(px, py);
}

void simplify_trace(std::span<const TracePixel> trace, std::vector<TracePixel>& kept) {
  kept.clear();
  // Testing every pixel since the last vertex costs the square of a
  // straight run's length. The set of lines through the vertex that pass
  // near every pixel decides a long run in constant time when the new line
  // lies well inside it; near its edges the pixels are measured after all.
  const bool fast = std::all_of(trace.begin(), trace.end(), [](TracePixel p) {
    return std::abs(p.x) < kFastCoordinates && std::abs(p.y) < kFastCoordinates;
  });
  std::size_t anchor = 0;
  DirectionSet lines;
  bool lines_built = false;
  for (std::size_t k = 1; k < trace.size(); ++k) {
    const TracePixel a = trace[anchor];
    const TracePixel p = trace[k];
    bool straight = false;
    if (fast && k - anchor > kMeasuredRun) {
      if (!lines_built) {
        lines = DirectionSet();
        for (std::size_t i = anchor + 1; i < k; ++i) {
          lines.add(trace[i].x - a.x, trace[i].y - a.y);
        }
        lines_built = true;
      }
      straight = lines.holds(p.x - a.x, p.y - a.y);
    }
    if (!straight && any_far(trace, anchor, k)) {
      kept.push_back(trace[k - 1]);
      anchor = k - 1;
      lines_built = false;
    } else if (lines_built) {
      lines.add(p.x - a.x, p.y - a.y);
    }
  }
}

}  // namespace lumetch
