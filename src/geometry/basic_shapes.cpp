#include "geometry/basic_shapes.h"

#include <array>
#include <cmath>
#include <vector>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "geometry/render_contours.h"
#include "marker/pen_emitter.h"

namespace lumetch {

namespace {

// Beyond this many points a contour is not drawn at all: huge edge counts or
// a tiny arc step would otherwise exhaust memory or never finish.
constexpr int64_t kMaxContourPoints = 1'000'000;

bool all_finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// The copy walk's inputs; a NaN or infinite placement draws nothing.
bool placement_finite(const MarkObject& obj) {
  return all_finite({obj.cent_x, obj.cent_y, obj.width, obj.height, obj.row_gap, obj.column_gap});
}

// The block of a shape drawn only with positive sizes; null when it is
// missing, not finite or not positive.
template <class Block>
const Block* sized_block(const MarkObject& obj) {
  const Block* p = obj.block<Block>();
  if (p == nullptr || !placement_finite(obj)) return nullptr;
  if (!all_finite({p->size_x, p->size_y, p->edge_size})) return nullptr;
  if (!(p->size_x > 0 && p->size_y > 0)) return nullptr;
  return p;
}

int32_t add_saturated(int32_t a, int32_t b) {
  const int64_t v = int64_t{a} + int64_t{b};
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v > kMax ? kMax : (v < kMin ? kMin : v));
}

// A field coordinate kept twice: absolute, for the direct mapping, and
// relative to the copy's top-left corner, for the raster's anchor-plus-offset
// mapping. Both are formed in the same order, so each reads like its formula.
struct Coord {
  double abs;
  double rel;
};

Coord operator+(Coord c, double d) {
  return {c.abs + d, c.rel + d};
}
Coord operator-(Coord c, double d) {
  return {c.abs - d, c.rel - d};
}

// Maps the points of one copy. The raster converts the copy's top-left corner
// once and adds each point's separately rounded offset from it; the marker and
// the screen map every point directly.
class CopyMapper {
 public:
  CopyMapper(const Mapper& m, double left, double top)
      : m_(m), left_(left), top_(top), anchor_(m.point(left, top)) {}

  Coord left() const { return {left_, 0.0}; }
  Coord top() const { return {top_, 0.0}; }

  CanvasPoint at(Coord x, Coord y) const {
    if (m_.target() == DrawTarget::Raster) {
      return {add_saturated(anchor_.x, m_.dx(x.rel)), add_saturated(anchor_.y, m_.dy(y.rel))};
    }
    return m_.point(x.abs, y.abs);
  }

  // An inner point derived from an outer one: the offset is rounded on its
  // own and added to the outer point's integers.
  CanvasPoint offset(CanvasPoint p, double dx, double dy) const {
    return {add_saturated(p.x, m_.dx(dx)), add_saturated(p.y, m_.dy(dy))};
  }

 private:
  const Mapper& m_;
  double left_;
  double top_;
  CanvasPoint anchor_;
};

// State of one generator call: the target's mapper and one contour list that
// every copy reuses.
class ShapeRun {
 public:
  ShapeRun(GeomContext& g, Canvas* dc, const MarkObject& obj)
      : g_(g), dc_(dc), obj_(obj), mapper_(g.doc, g.choose(dc)) {}

  // False when nothing may be drawn: marking without a pen emitter.
  bool usable() const { return target() != DrawTarget::Marker || g_.pen != nullptr; }
  DrawTarget target() const { return mapper_.target(); }
  const Mapper& mapper() const { return mapper_; }
  ContourList& contours() { return contours_; }

  template <class Fn>
  void each_copy(Fn&& fn) {
    for_each_copy(g_, dc_, obj_, obj_.width, obj_.height, [&](double left, double top) {
      contours_.clear();
      fn(left, top);
      if (contours_.contour_count() > 0) render();
    });
  }

 private:
  void render() {
    RenderContours(g_, obj_.fill_direction, obj_.output_mode, obj_.fill_pitch, dc_, contours_, 0,
                   0);
  }

  GeomContext& g_;
  Canvas* dc_;
  const MarkObject& obj_;
  Mapper mapper_;
  ContourList contours_;
};

void add_contour(ContourList& list, std::initializer_list<CanvasPoint> points) {
  list.begin_contour();
  for (const CanvasPoint& p : points) list.add(p);
}

// True when a rounded contour of radius r stays within the point bound. Each
// quarter has about (pi/2) / s points, s = 0.1 / r; the bound also keeps the
// step large enough for t to advance.
bool rounded_fits(double r) {
  const double s = 0.1 / r;
  if (!(s > 0) || !std::isfinite(s)) return false;
  return 2 * kPi / s + 5 <= static_cast<double>(kMaxContourPoints);
}

// Four quarter arcs of radius r about the corner centres of radius rho,
// counter-clockwise from the right end of the top-right corner, closed.
void add_rounded(ContourList& list, const CopyMapper& cm, double sx, double sy, double rho,
                 double r) {
  const double s = 0.1 / r;
  const Coord l = cm.left();
  const Coord t = cm.top();
  struct Quarter {
    Coord cx;
    Coord cy;
    double start;
    double end;
  };
  const Quarter quarters[4] = {
      {l + sx - rho, t - rho, 0.0, kPi / 2},
      {l + rho, t - rho, kPi / 2, kPi},
      {l + rho, t - sy + rho, kPi, 1.5 * kPi},
      {l + sx - rho, t - sy + rho, 1.5 * kPi, 2 * kPi},
  };
  list.begin_contour();
  const std::size_t first = list.points.size();
  for (const Quarter& q : quarters) {
    for (double a = q.start; a <= q.end; a += s) {
      list.add(cm.at(q.cx + r * std::cos(a), q.cy + r * std::sin(a)));
    }
  }
  if (list.points.size() > first) list.add(list.points[first]);
}

// The rectangle (L + e, T − e) … inset by e from the box sx × sy, clockwise
// from its top-left corner. Its corners are field points of their own, mapped
// like the outer ones, not offsets of the outer corners' integers.
void add_inset_clockwise(ContourList& list, const CopyMapper& cm, double sx, double sy, double e) {
  const Coord l = cm.left();
  const Coord t = cm.top();
  const CanvasPoint tl = cm.at(l + e, t - e);
  add_contour(list, {tl, cm.at(l + sx - e, t - e), cm.at(l + sx - e, t - sy + e),
                     cm.at(l + e, t - sy + e), tl});
}

void rectangle_right_angle(ShapeRun& run, const CopyMapper& cm, const RectangleParams& p) {
  const double sx = p.size_x;
  const double sy = p.size_y;
  const double e = p.edge_size;
  const Coord l = cm.left();
  const Coord t = cm.top();
  const CanvasPoint tl = cm.at(l, t);
  const CanvasPoint tr = cm.at(l + sx, t);
  const CanvasPoint br = cm.at(l + sx, t - sy);
  const CanvasPoint bl = cm.at(l, t - sy);
  add_contour(run.contours(), {tl, tr, br, bl, tl});
  if (e != 0) {
    // Counter-clockwise, so that a fill leaves the band only.
    const CanvasPoint itl = cm.at(l + e, t - e);
    add_contour(run.contours(), {itl, cm.at(l + e, t - sy + e), cm.at(l + sx - e, t - sy + e),
                                 cm.at(l + sx - e, t - e), itl});
  }
}

void rectangle_round(ShapeRun& run, const CopyMapper& cm, const RectangleParams& p) {
  const double sx = p.size_x;
  const double sy = p.size_y;
  const double e = p.edge_size;
  const double rho = p.edge_radius;
  if (rho <= e) {
    add_inset_clockwise(run.contours(), cm, sx, sy, e);
  } else {
    add_rounded(run.contours(), cm, sx, sy, rho, rho - e);
  }
  if (e != 0) add_rounded(run.contours(), cm, sx, sy, rho, rho);
}

void rectangle_bevel(ShapeRun& run, const CopyMapper& cm, const RectangleParams& p) {
  const double sx = p.size_x;
  const double sy = p.size_y;
  const double e = p.edge_size;
  const double rho = p.edge_radius;
  const Coord l = cm.left();
  const Coord t = cm.top();
  // Clockwise from the left end of the top edge.
  const CanvasPoint outer[8] = {
      cm.at(l + rho, t),           cm.at(l + sx - rho, t),      cm.at(l + sx, t - rho),
      cm.at(l + sx, t - sy + rho), cm.at(l + sx - rho, t - sy), cm.at(l + rho, t - sy),
      cm.at(l, t - sy + rho),      cm.at(l, t - rho),
  };
  add_contour(run.contours(), {outer[0], outer[1], outer[2], outer[3], outer[4], outer[5], outer[6],
                               outer[7], outer[0]});
  if (e == 0) return;
  if (e < rho) {
    const CanvasPoint first = cm.at(l + rho, t - e);
    add_contour(run.contours(), {first, cm.at(l + sx - rho, t - e), cm.at(l + sx - e, t - rho),
                                 cm.at(l + sx - e, t - sy + rho), cm.at(l + sx - rho, t - sy + e),
                                 cm.at(l + rho, t - sy + e), cm.at(l + e, t - sy + rho),
                                 cm.at(l + e, t - rho), first});
  } else {
    add_inset_clockwise(run.contours(), cm, sx, sy, e);
  }
}

}  // namespace

void DrawLine(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  if (!placement_finite(obj) || !std::isfinite(obj.angle)) return;
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;
  const Mapper& m = run.mapper();
  const double w = obj.width;
  const double h = obj.height;
  const double a = object_radians(obj.angle);
  const bool thin = run.target() == DrawTarget::Marker && h < 1.0 && obj.output_mode == 0;

  // Corners are turned about the copy centre and then mapped directly.
  auto turned = [&](double cx, double cy, double x, double y) {
    if (obj.angle != 0) RotateAbout(cx, cy, x, y, a);
    return m.point(x, y);
  };

  run.each_copy([&](double left, double top) {
    const double cx = left + w / 2;
    const double cy = top - h / 2;
    if (thin) {
      // One stroke through the middle of the box.
      const CanvasPoint from = turned(cx, cy, left, top - h / 2);
      const CanvasPoint to = turned(cx, cy, left + w, top - h / 2);
      g.pen->EmitMove(from.x, from.y, false);
      // An Escape at the pen-up move must not leave a stroke from wherever
      // the pen happened to be.
      if (g.doc.stop_requested != 0) return;
      g.pen->EmitMove(to.x, to.y, true);
      return;
    }
    const CanvasPoint tl = turned(cx, cy, left, top);
    add_contour(run.contours(),
                {tl, turned(cx, cy, left + w, top), turned(cx, cy, left + w, top - h),
                 turned(cx, cy, left, top - h), tl});
  });
}

void DrawRectangle(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const RectangleParams* p = obj.block<RectangleParams>();
  if (p == nullptr || !placement_finite(obj)) return;
  if (!all_finite({p->size_x, p->size_y, p->edge_size, p->edge_radius})) return;
  if (p->edge_style < 0 || p->edge_style > 2) return;
  if (p->edge_style == 1) {
    if (p->edge_radius <= 0) return;
    // A radius whose arcs would need more points than allowed draws nothing
    // rather than running out of memory.
    if (!rounded_fits(p->edge_radius)) return;
    if (p->edge_radius > p->edge_size && !rounded_fits(p->edge_radius - p->edge_size)) return;
  }
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;
  run.each_copy([&](double left, double top) {
    const CopyMapper cm(run.mapper(), left, top);
    switch (p->edge_style) {
      case 0:
        rectangle_right_angle(run, cm, *p);
        break;
      case 1:
        rectangle_round(run, cm, *p);
        break;
      case 2:
        rectangle_bevel(run, cm, *p);
        break;
      default:
        break;
    }
  });
}

namespace {

struct Turn {
  double cos;
  double sin;
};

// cos and sin of 0, step, step + step, ... as a running sum: the angles of a
// circle's points. Layouts hold many circles of one size; the last few
// tables are kept (per thread), and a table is the same whoever asks.
std::vector<Turn> circle_turns(int32_t count, double step) {
  struct Slot {
    int32_t count = -1;
    double step = 0;
    std::vector<Turn> turns;
  };
  thread_local std::array<Slot, 4> slots;
  thread_local std::size_t next = 0;
  for (const Slot& slot : slots) {
    if (slot.count == count && slot.step == step) return slot.turns;
  }
  std::vector<Turn> out(static_cast<std::size_t>(count));
  double t = 0;
  for (Turn& turn : out) {
    turn = {std::cos(t), std::sin(t)};
    t += step;
  }
  slots[next] = {count, step, out};
  next = (next + 1) % slots.size();
  return out;
}

}  // namespace

void DrawCircle(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const CircleParams* p = obj.block<CircleParams>();
  if (p == nullptr || !placement_finite(obj)) return;
  const double sx = p->size_x;
  const double sy = p->size_y;
  const double e = p->edge_size;
  if (!all_finite({sx, sy, e})) return;
  const double d = sy > sx ? sy : sx;
  if (d <= 0 || d - e <= 0) return;
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;

  // Chords of about 0.5 mm on the marker, ten times finer elsewhere.
  const double chord = run.target() == DrawTarget::Marker ? 1.0 : 0.1;
  const double s = chord / d;
  const double n_outer = 2 * kPi / s;
  if (!(n_outer < static_cast<double>(kMaxContourPoints))) return;
  const auto n = static_cast<int32_t>(n_outer);
  // A circle too small for one step has no points to draw.
  if (n < 1) return;
  const double s_inner = chord / (d - e);
  const double n_inner_d = 2 * kPi / s_inner;
  if (!(n_inner_d < static_cast<double>(kMaxContourPoints))) return;
  const auto n_inner = static_cast<int32_t>(n_inner_d);

  // The marker traces counter-clockwise (outer) and clockwise (inner); the
  // screen and the raster trace both the other way round, keeping the two
  // contours opposite so that a filled ring keeps its hole on every target.
  const double sine_sign = run.target() == DrawTarget::Marker ? 1.0 : -1.0;

  // The angles step alike in every copy: their sines and cosines are worked
  // out once, from the same running sum, so every copy gets the same points.
  const std::vector<Turn> outer = circle_turns(n, s);
  const std::vector<Turn> inner =
      e == 0 || n_inner < 1 ? std::vector<Turn>{} : circle_turns(n_inner, -s_inner);

  run.each_copy([&](double left, double top) {
    const CopyMapper cm(run.mapper(), left, top);
    ContourList& list = run.contours();
    const Coord cx = cm.left() + sx / 2;
    const Coord cy = cm.top() - sy / 2;

    list.begin_contour();
    std::size_t first = list.points.size();
    for (const Turn& turn : outer) {
      list.add(cm.at(cx + turn.cos * (sx / 2), cy + sine_sign * turn.sin * (sy / 2)));
    }
    list.add(list.points[first]);

    if (inner.empty()) return;
    list.begin_contour();
    first = list.points.size();
    for (const Turn& turn : inner) {
      list.add(cm.at(cx + turn.cos * (sx / 2 - e), cy + sine_sign * turn.sin * (sy / 2 - e)));
    }
    list.add(list.points[first]);
  });
}

void DrawTriangle(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const TriangleParams* p = sized_block<TriangleParams>(obj);
  if (p == nullptr) return;
  const double sx = p->size_x;
  const double sy = p->size_y;
  const double e = p->edge_size;
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;
  const double w = obj.width;
  const double h = obj.height;

  // Half the apex angle; the inner triangle is the outer one offset inward by
  // e on all three sides.
  const double theta = std::atan2(sx / 2, sy);
  const double d1 = e / std::sin(theta);
  const double d2 = e / std::cos(theta) + e * std::tan(theta);
  const bool up = p->direction == 0;
  // Toward the base from the apex, and toward the apex from the base.
  const double to_base = up ? -1.0 : 1.0;

  run.each_copy([&](double left, double top) {
    const CopyMapper cm(run.mapper(), left, top);
    const Coord cx = cm.left() + w / 2;
    const Coord cy = cm.top() - h / 2;
    CanvasPoint apex, right, left_corner;
    if (up) {
      apex = cm.at(cx, cy + sy / 2);
      right = cm.at(cx + sx / 2, cy - sy / 2);
      left_corner = cm.at(cx - sx / 2, cy - sy / 2);
    } else {
      apex = cm.at(cx, cy - sy / 2);
      right = cm.at(cx + sx / 2, cy + sy / 2);
      left_corner = cm.at(cx - sx / 2, cy + sy / 2);
    }
    add_contour(run.contours(), {apex, right, left_corner, apex});
    if (e == 0) return;
    const CanvasPoint inner_apex = cm.offset(apex, 0, to_base * d1);
    add_contour(run.contours(), {inner_apex, cm.offset(left_corner, d2, -to_base * e),
                                 cm.offset(right, -d2, -to_base * e), inner_apex});
  });
}

void DrawRhombic(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const RhombicParams* p = sized_block<RhombicParams>(obj);
  if (p == nullptr) return;
  const double sx = p->size_x;
  const double sy = p->size_y;
  const double e = p->edge_size;
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;
  const double w = obj.width;
  const double h = obj.height;

  const double phi = std::atan(sy / sx);
  const double dv = e / std::cos(phi);  // vertical move of top and bottom
  const double dh = e / std::sin(phi);  // horizontal move of left and right

  run.each_copy([&](double left, double top) {
    const CopyMapper cm(run.mapper(), left, top);
    const Coord cx = cm.left() + w / 2;
    const Coord cy = cm.top() - h / 2;
    const CanvasPoint t = cm.at(cx, cy + sy / 2);
    const CanvasPoint r = cm.at(cx + sx / 2, cy);
    const CanvasPoint b = cm.at(cx, cy - sy / 2);
    const CanvasPoint l = cm.at(cx - sx / 2, cy);
    add_contour(run.contours(), {t, r, b, l, t});
    if (e == 0) return;
    const CanvasPoint it = cm.offset(t, 0, -dv);
    add_contour(run.contours(),
                {it, cm.offset(l, dh, 0), cm.offset(b, 0, dv), cm.offset(r, -dh, 0), it});
  });
}

void DrawPolygon(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const PolygonParams* p = obj.block<PolygonParams>();
  if (p == nullptr || !placement_finite(obj)) return;
  const double d = p->size;
  const double e = p->edge_size;
  const int64_t n = p->edge_count;
  if (!all_finite({d, e})) return;
  if (!(d > 0)) return;
  // Fewer than one edge has no step (zero would divide by zero); a count
  // beyond the point bound is not drawn.
  if (n < 1 || n + 1 > kMaxContourPoints) return;
  ShapeRun run(g, dc, obj);
  if (!run.usable()) return;
  const double w = obj.width;
  const double h = obj.height;
  const double s = 2 * kPi / static_cast<double>(n);

  run.each_copy([&](double left, double top) {
    const CopyMapper cm(run.mapper(), left, top);
    ContourList& list = run.contours();
    const Coord cx = cm.left() + w / 2;
    const Coord cy = cm.top() - h / 2;

    // Counter-clockwise from the left end of the horizontal top edge.
    list.begin_contour();
    double a = kPi / 2 - s / 2;
    for (int64_t k = 0; k <= n; ++k) {
      a += s;
      list.add(cm.at(cx + d / 2 * std::cos(a), cy + d / 2 * std::sin(a)));
    }
    if (e == 0) return;
    // Clockwise from the right end of the top edge.
    list.begin_contour();
    a = kPi / 2 + s / 2;
    for (int64_t k = 0; k <= n; ++k) {
      a -= s;
      list.add(cm.at(cx + (d / 2 - e) * std::cos(a), cy + (d / 2 - e) * std::sin(a)));
    }
  });
}

}  // namespace lumetch
