#include "view/pick.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/mapping.h"
#include "model/units.h"

namespace lumetch {

namespace {

// An ellipse this fine is finer than any pointer; the cap keeps a huge
// object's region from costing millions of points.
constexpr std::size_t kMaxCurvePoints = 20000;

struct ToView {
  double z;
  int32_t ox;
  int32_t oy;
  ViewPoint operator()(double x, double y) const {
    return {nearest_int(2 * z * x + ox), nearest_int(2 * z * y - oy)};
  }
};

std::array<int32_t, 4> normalised(const std::array<int32_t, 4>& r) {
  return {std::min(r[0], r[2]), std::max(r[1], r[3]), std::max(r[0], r[2]), std::min(r[1], r[3])};
}

// Even-odd rule, as the platform's polygon regions fill.
bool polygon_contains(const std::vector<ViewPoint>& poly, ViewPoint p) {
  bool in = false;
  const double px = p.x + 0.5;  // the pixel's centre: no point lies on an edge
  const double py = p.y + 0.5;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const double xi = poly[i].x, yi = poly[i].y, xj = poly[j].x, yj = poly[j].y;
    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

void ellipse(std::vector<ViewPoint>& out, const ToView& m, double cx, double cy, double a, double b,
             double step) {
  const double turn = 2 * kPi;
  step = std::max(step, turn / kMaxCurvePoints);
  for (double t = 0; t < turn; t += step)
    out.push_back(m(cx + a * std::cos(t), cy + b * std::sin(t)));
  out.push_back(out.front());
}

void set_polygon_bounds(PickRegion& r) {
  r.kind = PickRegion::Kind::PolygonBand;
  int32_t l = std::numeric_limits<int32_t>::max(), b = l;
  int32_t rt = std::numeric_limits<int32_t>::min(), t = rt;
  for (const ViewPoint& p : r.outer) {
    l = std::min(l, p.x);
    rt = std::max(rt, p.x);
    b = std::min(b, p.y);
    t = std::max(t, p.y);
  }
  r.bounds = {l, b, rt, t};
}

PickRegion rect_region(const ScreenRect& s) {
  PickRegion r;
  r.kind = PickRegion::Kind::Rect;
  r.outer_rect = normalised({s.left, s.top, s.right, s.bottom});
  r.bounds = {r.outer_rect[0], r.outer_rect[3], r.outer_rect[2], r.outer_rect[1]};
  return r;
}

// An elliptic band about (cx, cy); no hole when the inner curve vanishes.
PickRegion ring_region(const ToView& m, double cx, double cy, double oa, double ob, double ia,
                       double ib, double d, double t) {
  PickRegion r;
  ellipse(r.outer, m, cx, cy, oa, ob, 0.5 / (d + 0.5));
  if (d - t > 0 && ia > 0 && ib > 0) ellipse(r.inner, m, cx, cy, ia, ib, 0.5 / (d - t));
  set_polygon_bounds(r);
  return r;
}

double edge_of(const MarkObject& o) {
  if (const auto* b = o.block<RectangleParams>()) return b->edge_size;
  if (const auto* b = o.block<CircleParams>()) return b->edge_size;
  if (const auto* b = o.block<TriangleParams>()) return b->edge_size;
  if (const auto* b = o.block<RhombicParams>()) return b->edge_size;
  if (const auto* b = o.block<PolygonParams>()) return b->edge_size;
  return 0.0;
}

// Indices i in [0, n) whose offset nearest_int(a - b·i) can bring a
// coordinate p into [lo, hi]; first > last when none can.
struct IndexRange {
  int64_t first = 0;
  int64_t last = -1;
};

IndexRange candidates(double a, double b, int64_t n, int64_t p, int64_t lo, int64_t hi) {
  if (n <= 0 || !std::isfinite(a) || !std::isfinite(b)) return {};
  // Every copy sits at the same place: one of them answers for all.
  if (b == 0) return {0, 0};
  // One unit of slack on each side covers the rounding of the offset.
  const double need_lo = static_cast<double>(lo - p - 1);
  const double need_hi = static_cast<double>(hi - p + 1);
  double i0 = (a - need_hi) / b;
  double i1 = (a - need_lo) / b;
  if (i0 > i1) std::swap(i0, i1);
  i0 = std::max(std::ceil(i0), 0.0);
  i1 = std::min(std::floor(i1), static_cast<double>(n - 1));
  if (!(i0 <= i1)) return {};
  return {static_cast<int64_t>(i0), static_cast<int64_t>(i1)};
}

}  // namespace

bool rect_contains(const std::array<int32_t, 4>& ltrb, ViewPoint p) {
  const std::array<int32_t, 4> n = normalised(ltrb);
  return p.x >= n[0] && p.x < n[2] && p.y >= n[3] && p.y < n[1];
}

bool PickRegion::contains(ViewPoint p) const {
  switch (kind) {
    case Kind::None:
      return false;
    case Kind::Rect:
      return rect_contains(outer_rect, p);
    case Kind::RectBand:
      return rect_contains(outer_rect, p) && (inner_empty || !rect_contains(inner_rect, p));
    case Kind::PolygonBand:
      return polygon_contains(outer, p) && (inner.empty() || !polygon_contains(inner, p));
  }
  return false;
}

PickRegion pick_region(const MarkObject& obj, const ViewState& view) {
  const double z = view.zoom();
  const int32_t k = view.handle_size;
  const ToView m{z, view.origin_x, view.origin_y};
  const double cx = obj.cent_x, cy = obj.cent_y, w = obj.width, h = obj.height;
  const double e = edge_of(obj);
  switch (obj.type) {
    case RECTANGLE: {
      PickRegion r;
      r.kind = PickRegion::Kind::RectBand;
      const ScreenRect& s = obj.screen_rect;
      const std::array<int32_t, 4> n = normalised({s.left, s.top, s.right, s.bottom});
      r.outer_rect = {n[0] - k, n[1] + k, n[2] + k, n[3] - k};
      const int32_t t = std::max(nearest_int(2 * z * e), k);
      r.inner_rect = {n[0] + t, n[1] - t, n[2] - t, n[3] + t};
      r.inner_empty = r.inner_rect[0] >= r.inner_rect[2] || r.inner_rect[3] >= r.inner_rect[1];
      r.bounds = {r.outer_rect[0], r.outer_rect[3], r.outer_rect[2], r.outer_rect[1]};
      return r;
    }
    case CIRCLE: {
      const double d = std::max(w, h);
      if (!(d > 0) || d <= e) return {};
      const double t = std::max(e, 0.5);
      return ring_region(m, cx, cy, (w + 0.5) / 2, (h + 0.5) / 2, w / 2 - t, h / 2 - t, d, t);
    }
    case ARC_TEXT: {
      const auto* a = obj.block<ArcTextParams>();
      if (a == nullptr) return {};
      const double d = std::max(a->radius_x, a->radius_y);
      if (!(d > 0)) return {};
      const double t = std::max(a->size_y, 0.5);
      // The arc's centre lies radius_x right of and radius_y below the box's top-left corner.
      const double ax = cx - w / 2 + a->radius_x;
      const double ay = cy + h / 2 - a->radius_y;
      return ring_region(m, ax, ay, a->radius_x + 0.5, a->radius_y + 0.5, a->radius_x - t,
                         a->radius_y - t, d, t);
    }
    case TRIANGLE: {
      if (!(w > 0 && h > 0)) break;
      const auto* tb = obj.block<TriangleParams>();
      const double dir = (tb != nullptr && tb->direction == 1) ? -1.0 : 1.0;
      const double th = std::atan2(w / 2, h);
      const double apex_in = e / std::sin(th);
      const double corner_in = e / std::cos(th) + e * std::tan(th);
      PickRegion r;
      const double apex_y = cy + dir * h / 2, base_y = cy - dir * h / 2;
      r.outer = {m(cx, apex_y), m(cx + w / 2, base_y), m(cx - w / 2, base_y), m(cx, apex_y)};
      if (e > 0) {
        const double iay = apex_y - dir * apex_in, iby = base_y + dir * e;
        const double ihw = w / 2 - corner_in;
        r.inner = {m(cx, iay), m(cx + ihw, iby), m(cx - ihw, iby), m(cx, iay)};
      }
      set_polygon_bounds(r);
      return r;
    }
    case RHOMBIC: {
      if (!(w > 0 && h > 0)) break;
      const double th = std::atan(h / w);
      PickRegion r;
      r.outer = {m(cx, cy + h / 2), m(cx + w / 2, cy), m(cx, cy - h / 2), m(cx - w / 2, cy),
                 m(cx, cy + h / 2)};
      if (e > 0) {
        const double v = h / 2 - e / std::cos(th), s = w / 2 - e / std::sin(th);
        r.inner = {m(cx, cy + v), m(cx + s, cy), m(cx, cy - v), m(cx - s, cy), m(cx, cy + v)};
      }
      set_polygon_bounds(r);
      return r;
    }
    case POLYGON: {
      const auto* pb = obj.block<PolygonParams>();
      if (pb == nullptr || !(pb->size > 0) || pb->edge_count < 3) break;
      const int32_t n = pb->edge_count;
      const double step = 2 * kPi / n;
      const double ro = pb->size / 2, ri = pb->size / 2 - pb->edge_size;
      PickRegion r;
      for (int32_t i = 0; i <= n; ++i) {
        const double a = kPi / 2 + step / 2 + i * step;
        r.outer.push_back(m(cx + ro * std::cos(a), cy + ro * std::sin(a)));
        if (ri > 0 && pb->edge_size > 0)
          r.inner.push_back(m(cx + ri * std::cos(a), cy + ri * std::sin(a)));
      }
      set_polygon_bounds(r);
      return r;
    }
    case LINE:
    case LINE_TEXT:
    case PLT:
    case BMP:
    case BARCODE:
    case VCT:
    case CODE:
      break;
    default:
      return {};
  }
  return rect_region(obj.screen_rect);
}

bool picks(const MarkObject& obj, const PickRegion& region, const ViewState& view, ViewPoint p,
           std::size_t* copies_tested) {
  std::size_t tested = 0;
  bool hit = false;
  if (region.kind != PickRegion::Kind::None && obj.columns > 0 && obj.rows > 0) {
    const double z = view.zoom();
    const double w = obj.width, h = obj.height;
    const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
    const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
    // Copy (c, r) is tested by moving the point onto the copy about the centre:
    // p + nearest_int(2Z((TW - W)/2 - (W + gap)·c)), and the same for rows.
    const double ax = (tw - w) / 2, px = w + obj.column_gap;
    const double ay = (th - h) / 2, py = h + obj.row_gap;
    const auto& b = region.bounds;
    const IndexRange cs = candidates(2 * z * ax, 2 * z * px, obj.columns, p.x, b[0], b[2]);
    const IndexRange rs = candidates(2 * z * ay, 2 * z * py, obj.rows, p.y, b[1], b[3]);
    for (int64_t c = cs.first; c <= cs.last && !hit; ++c) {
      const int64_t x = int64_t{p.x} + nearest_int(2 * z * (ax - px * static_cast<double>(c)));
      for (int64_t r = rs.first; r <= rs.last && !hit; ++r) {
        const int64_t y = int64_t{p.y} + nearest_int(2 * z * (ay - py * static_cast<double>(r)));
        ++tested;
        if (x < b[0] || x > b[2] || y < b[1] || y > b[3]) continue;
        hit = region.contains({static_cast<int32_t>(x), static_cast<int32_t>(y)});
      }
    }
  }
  if (copies_tested != nullptr) *copies_tested = tested;
  return hit;
}

PickResult pick_at(const CketralDoc& doc, ViewPoint p, bool ctrl) {
  const Selection& before = doc.selection;
  PickResult out;
  int count = (ctrl && !before.empty()) ? 1 : 0;
  if (ctrl) out.selection = before;
  out.selection.set_current(before.current());
  for (const MarkObject& o : doc.ring.oldest_first()) {
    if (!picks(o, pick_region(o, doc.view), doc.view, p)) continue;
    if (!(ctrl && out.selection.contains(o.id))) ++count;
    out.selection.add(o.id);
    out.selection.set_current(o.id);  // ring order: the newest hit ends current
  }
  if (count == 1 && !ctrl) {
    out.outcome = PressOutcome::Single;
  } else if (count > 1) {
    out.outcome = PressOutcome::Group;
  } else {
    out.outcome = PressOutcome::Band;
  }
  return out;
}

Selection band_select(const CketralDoc& doc, ViewPoint anchor, ViewPoint corner, bool ctrl) {
  const Selection& before = doc.selection;
  const std::array<int32_t, 4> band{anchor.x, anchor.y, corner.x, corner.y};
  int count = (ctrl && !before.empty()) ? 1 : 0;
  Selection sel = ctrl ? before : Selection{};
  sel.set_current(before.current());
  for (const MarkObject& o : doc.ring.oldest_first()) {
    const std::array<int32_t, 4> s = normalised(
        {o.screen_rect.left, o.screen_rect.top, o.screen_rect.right, o.screen_rect.bottom});
    // Both corners inside, the upper edges excluded.
    const bool inside = rect_contains(band, {s[0], s[3]}) && rect_contains(band, {s[2], s[1]});
    if (!inside) continue;
    if (!(ctrl && sel.contains(o.id))) ++count;
    sel.add(o.id);
    sel.set_current(o.id);
  }
  if (count == 0 && ctrl) return before;
  if (count == 0 && !before.empty()) sel.set_current(kNoObject);
  return sel;
}

void apply_selection(CketralDoc& doc, const Selection& sel) {
  Commit commit(doc);
  doc.selection = sel;
  commit.push("Select");
}

}  // namespace lumetch
