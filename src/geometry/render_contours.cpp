#include "geometry/render_contours.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "marker/pen_emitter.h"

namespace lumetch {

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();

int32_t saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, kInt32Min, kInt32Max));
}

int32_t abs_saturated(int32_t v) {
  return saturate(v < 0 ? -int64_t{v} : int64_t{v});
}

// One contour's place in the point array.
struct ContourSpan {
  std::size_t offset = 0;
  std::size_t count = 0;
};

// The contours as far as the points reach: a negative count is taken as 0 and
// a count running past the end of the array is cut short, so that lists whose
// counts disagree with their points are never read out of bounds.
std::vector<ContourSpan> contour_spans(const ContourList& contours) {
  std::vector<ContourSpan> spans;
  spans.reserve(contours.counts.size());
  const std::size_t total = contours.points.size();
  std::size_t at = 0;
  for (const int32_t n : contours.counts) {
    const std::size_t want = n > 0 ? static_cast<std::size_t>(n) : 0;
    const std::size_t count = std::min(want, total - at);
    spans.push_back({at, count});
    at += count;
  }
  return spans;
}

void trace_on_marker(GeomContext& g, std::span<const CanvasPoint> pts,
                     const std::vector<ContourSpan>& spans, int32_t mode) {
  if (g.pen == nullptr) return;
  const std::size_t n = spans.size();
  for (std::size_t k = 0; k < n; ++k) {
    // Mode 0 keeps the list order; every other mode starts from the last contour.
    const ContourSpan& c = spans[mode == 0 ? k : n - 1 - k];
    if (g.doc.stop_requested != 0) return;
    if (c.count == 0) continue;
    const CanvasPoint first = pts[c.offset];
    g.pen->EmitMove(first.x, first.y, false);
    for (std::size_t i = 1; i < c.count; ++i) {
      if (g.doc.stop_requested != 0) return;
      const CanvasPoint p = pts[c.offset + i];
      g.pen->EmitMove(p.x, p.y, true);
    }
  }
}

void trace_on_canvas(Canvas& dc, std::span<const CanvasPoint> pts,
                     const std::vector<ContourSpan>& spans, int32_t mode) {
  if (mode == 2) {
    // Empty contours add no area; the rest are painted as one filled region.
    std::vector<int32_t> counts;
    const ContourSpan* first = nullptr;
    std::size_t end = 0;
    for (const ContourSpan& c : spans) {
      if (c.count == 0) continue;
      if (first == nullptr) first = &c;
      counts.push_back(static_cast<int32_t>(c.count));
      end = c.offset + c.count;
    }
    if (counts.size() == 1) {
      dc.polygon(pts.subspan(first->offset, first->count));
    } else if (counts.size() > 1) {
      dc.poly_polygon(pts.subspan(first->offset, end - first->offset), counts);
    }
  }
  for (const ContourSpan& c : spans) {
    if (c.count == 0) continue;
    dc.move_to(pts[c.offset].x, pts[c.offset].y);
    for (std::size_t i = 1; i < c.count; ++i) {
      dc.line_to(pts[c.offset + i].x, pts[c.offset + i].y);
    }
  }
}

// The scan-line filler. It works in a frame of (t, s): s is the scan
// coordinate (Y for horizontal lines, X for vertical ones), t runs along the
// line. The vertical variant is the horizontal one with X and Y exchanged.
class Hatcher {
 public:
  Hatcher(std::span<const CanvasPoint> pts, const std::vector<ContourSpan>& spans, bool vertical) {
    std::vector<FramePoint> c;
    for (const ContourSpan& span : spans) {
      c.clear();
      for (std::size_t i = 0; i < span.count; ++i) {
        const CanvasPoint p = pts[span.offset + i];
        c.push_back(vertical ? FramePoint{p.y, p.x} : FramePoint{p.x, p.y});
        s_min_ = std::min<int64_t>(s_min_, c.back().s);
        s_max_ = std::max<int64_t>(s_max_, c.back().s);
      }
      add_edges(c);
    }
    std::stable_sort(edges_.begin(), edges_.end(),
                     [](const Edge& a, const Edge& b) { return a.lo < b.lo; });
  }

  // Scans s = s_min, s_min + spacing, … while s < s_max (the top of the extent
  // is never scanned), asking stopped() before each line, and calls
  // span(s, t_start, t_end) for every stretch of nonzero winding. Even lines
  // (s / spacing, truncated) run toward larger t, odd ones back. Lines outside
  // [first, last] are left out; the rest keep their place on the grid.
  template <class Stopped, class SpanFn>
  void run(int64_t spacing, int64_t first, int64_t last, Stopped&& stopped, SpanFn&& span) {
    std::vector<std::size_t> active;
    std::vector<Crossing> crossings;
    std::size_t next = 0;
    int64_t s = s_min_;
    if (s < first) s += (first - s + spacing - 1) / spacing * spacing;
    while (s < s_max_ && s <= last) {
      if (stopped()) return;
      while (next < edges_.size() && edges_[next].lo <= s) active.push_back(next++);
      std::erase_if(active, [&](std::size_t e) { return edges_[e].hi < s; });
      if (active.empty()) {
        if (next == edges_.size()) return;
        // Nothing here: go on at the first line of the scan grid that reaches
        // the next edge, rather than walking empty lines one by one.
        const int64_t gap = edges_[next].lo - s;
        if (gap > 0) {
          s += (gap + spacing - 1) / spacing * spacing;
          continue;
        }
      }
      crossings.clear();
      for (const std::size_t e : active) add_crossing(edges_[e], s, crossings);
      // Ascending t; on equal t the edge met later in contour order comes
      // first, as if each crossing were inserted before its equals.
      std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) {
        return a.t != b.t ? a.t < b.t : a.seq > b.seq;
      });
      emit_spans(s, (s / spacing) % 2 != 0, crossings, span);
      s += spacing;
    }
  }

 private:
  struct FramePoint {
    int32_t t;
    int32_t s;
  };
  struct Edge {
    int64_t lo;  // first and last scan line the edge is crossed on
    int64_t hi;
    int32_t t1, s1, t2, s2;
    int32_t dir;         // -1 toward larger s, +1 toward smaller s
    int32_t vertex_t;    // crossing where the line passes through the end vertex
    int32_t vertex_dir;  // 0 at a peak or valley: nothing there
    std::size_t seq;     // contour order, for equal crossings
  };
  struct Crossing {
    int32_t t;
    int32_t dir;
    std::size_t seq;
  };

  void add_edges(const std::vector<FramePoint>& c) {
    const std::size_t n = c.size();
    for (std::size_t i = 0; i < n; ++i) {
      const FramePoint a = c[i];
      const FramePoint b = c[(i + 1) % n];
      if (a.s == b.s) continue;  // horizontal or zero length: never crossed
      Edge e{};
      e.t1 = a.t;
      e.s1 = a.s;
      e.t2 = b.t;
      e.s2 = b.s;
      e.dir = a.s < b.s ? -1 : 1;
      // A line through the start vertex belongs to the edge arriving there.
      e.lo = a.s < b.s ? int64_t{a.s} + 1 : b.s;
      e.hi = a.s < b.s ? b.s : int64_t{a.s} - 1;
      // A line through the end vertex: follow any run of points at that
      // height, then count one crossing at the run's end if the contour goes
      // on in the same sense, none at a peak or a valley. The run always ends,
      // at the latest back at point i.
      std::size_t j = i + 1;
      for (std::size_t steps = 0; steps < n && c[(j + 1) % n].s == b.s; ++steps) ++j;
      const int32_t s3 = c[(j + 1) % n].s;
      e.vertex_t = c[j % n].t;
      e.vertex_dir = (a.s < b.s && b.s < s3) ? -1 : (a.s > b.s && b.s > s3) ? 1 : 0;
      e.seq = edges_.size();
      edges_.push_back(e);
    }
  }

  static void add_crossing(const Edge& e, int64_t s, std::vector<Crossing>& out) {
    if (s == e.s2) {
      if (e.vertex_dir != 0) out.push_back({e.vertex_t, e.vertex_dir, e.seq});
      return;
    }
    // t2 + (s - s2) / (s1 - s2) × (t1 - t2), truncated toward zero. The
    // differences are exact in double for any int32 input.
    const double f = static_cast<double>(s - e.s2) / static_cast<double>(int64_t{e.s1} - e.s2);
    const double t = std::trunc(e.t2 + f * static_cast<double>(int64_t{e.t1} - e.t2));
    const double clamped = std::clamp(t, double{kInt32Min}, double{kInt32Max});
    out.push_back({static_cast<int32_t>(clamped), e.dir, e.seq});
  }

  // Walks the crossings (backwards on odd lines) summing directions; a span
  // runs from where the sum leaves zero to where it comes back.
  template <class SpanFn>
  static void emit_spans(int64_t s, bool backwards, const std::vector<Crossing>& crossings,
                         SpanFn& span) {
    const std::size_t n = crossings.size();
    auto at = [&](std::size_t k) -> const Crossing& {
      return crossings[backwards ? n - 1 - k : k];
    };
    std::size_t k = 0;
    while (k < n) {
      const int32_t start = at(k).t;
      int64_t sum = at(k).dir;
      for (++k; k < n; ++k) {
        sum += at(k).dir;
        if (sum == 0) {
          span(static_cast<int32_t>(s), start, at(k).t);
          ++k;
          break;
        }
      }
    }
  }

  std::vector<Edge> edges_;
  int64_t s_min_ = kInt32Max;
  int64_t s_max_ = kInt32Min;
};

struct StrokeWidths {
  int32_t w = 0;  // along X
  int32_t h = 0;  // along Y
};

StrokeWidths stroke_widths(const GeomContext& g, DrawTarget target, double width_x,
                           double width_y) {
  if (target == DrawTarget::Raster) {
    const int32_t r = g.doc.settings.resolution;
    return {abs_saturated(nearest_int(width_x / 2 * r)),
            abs_saturated(nearest_int(width_y / 2 * r))};
  }
  const int32_t z = g.doc.view.zoom();
  return {abs_saturated(nearest_int(z * width_x)), abs_saturated(nearest_int(z * width_y))};
}

void HatchFill(GeomContext& g, bool vertical, double fill_pitch, Canvas* dc,
               const ContourList& contours, double width_x, double width_y) {
  const DrawTarget target = g.choose(dc);
  if (target == DrawTarget::Marker ? g.pen == nullptr : dc == nullptr) return;
  const std::vector<ContourSpan> spans = contour_spans(contours);
  const std::span<const CanvasPoint> pts(contours.points);

  StrokeWidths sw;
  int64_t spacing = 1;
  if (target == DrawTarget::Marker) {
    // The pitch uses the plain 40 units per mm; the axis rates do not enter.
    spacing = std::max<int32_t>(abs_saturated(nearest_int(kUnitsPerMm * fill_pitch)), 1);
  } else {
    sw = stroke_widths(g, target, width_x, width_y);
    if (target == DrawTarget::Screen && g.doc.view.printing == 0) {
      // On screen the platform's fill paints the area; hatch lines only give
      // stroked text its thickness.
      trace_on_canvas(*dc, pts, spans, 2);
      if (sw.w == 0 && sw.h == 0) return;
      spacing = 12;
    }
  }

  // Across the line the stroke is widened by `across`, along it by `along`.
  const int64_t across = vertical ? sw.w : sw.h;
  const int64_t along = vertical ? sw.h : sw.w;

  // On a raster of known size only the lines whose stroke can reach it are
  // scanned, so that a huge object does not cost a line per unit of its size.
  int64_t first = std::numeric_limits<int64_t>::min();
  int64_t last = std::numeric_limits<int64_t>::max();
  const int32_t raster_size = vertical ? g.doc.raster_width : g.doc.raster_height;
  if (target == DrawTarget::Raster && raster_size > 0) {
    first = -across - 1;
    last = int64_t{raster_size} + across + 1;
  }

  Hatcher hatcher(pts, spans, vertical);
  const auto stopped = [&] { return g.doc.stop_requested != 0; };

  if (target == DrawTarget::Marker) {
    hatcher.run(spacing, first, last, stopped, [&](int32_t s, int32_t from, int32_t to) {
      // An interrupted pen-up must not be followed by its pen-down, which
      // would mark from wherever the pen stood.
      if (stopped()) return;
      if (vertical) {
        g.pen->EmitMove(s, from, false);
      } else {
        g.pen->EmitMove(from, s, false);
      }
      if (stopped()) return;
      if (vertical) {
        g.pen->EmitMove(s, to, true);
      } else {
        g.pen->EmitMove(to, s, true);
      }
    });
    return;
  }

  hatcher.run(spacing, first, last, stopped, [&](int32_t s, int32_t from, int32_t to) {
    const int32_t lo = saturate(int64_t{std::min(from, to)} - along);
    const int32_t hi = saturate(int64_t{std::max(from, to)} + along);
    const int32_t near = saturate(int64_t{s} - across);
    const int32_t far = saturate(int64_t{s} + across);
    if (across > 0) {
      if (vertical) {
        dc->rectangle(near, lo, far, hi);
      } else {
        dc->rectangle(lo, far, hi, near);
      }
    } else if (vertical) {
      dc->move_to(s, lo);
      dc->line_to(s, hi);
    } else {
      dc->move_to(lo, s);
      dc->line_to(hi, s);
    }
  });
}

}  // namespace

void RenderContours(GeomContext& g, int32_t fill_direction, int32_t output_mode, double fill_pitch,
                    Canvas* dc, const ContourList& contours, double width_x, double width_y) {
  if (output_mode != 2) {
    TraceOutline(g, dc, contours, output_mode);
  } else if (fill_direction == 0) {
    HatchFillHorizontal(g, output_mode, fill_pitch, dc, contours, width_x, width_y);
  } else {
    HatchFillVertical(g, output_mode, fill_pitch, dc, contours, width_x, width_y);
  }
}

void TraceOutline(GeomContext& g, Canvas* dc, const ContourList& contours, int32_t mode) {
  const DrawTarget target = g.choose(dc);
  const std::vector<ContourSpan> spans = contour_spans(contours);
  if (target == DrawTarget::Marker) {
    trace_on_marker(g, contours.points, spans, mode);
  } else if (dc != nullptr) {
    trace_on_canvas(*dc, contours.points, spans, mode);
  }
}

void HatchFillHorizontal(GeomContext& g, int32_t /*output_mode*/, double fill_pitch, Canvas* dc,
                         const ContourList& contours, double width_x, double width_y) {
  HatchFill(g, false, fill_pitch, dc, contours, width_x, width_y);
}

void HatchFillVertical(GeomContext& g, int32_t /*output_mode*/, double fill_pitch, Canvas* dc,
                       const ContourList& contours, double width_x, double width_y) {
  HatchFill(g, true, fill_pitch, dc, contours, width_x, width_y);
}

}  // namespace lumetch
