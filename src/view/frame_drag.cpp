#include "view/frame_drag.h"

#include <cmath>
#include <cstdlib>

#include "geometry/mapping.h"
#include "model/units.h"

namespace lumetch {

HandleRects handle_rects(const FrameRect& frame, int32_t k) {
  HandleRects out{};
  out[0] = {nearest_int(frame[0]), nearest_int(frame[1]), nearest_int(frame[2]),
            nearest_int(frame[3])};
  const std::array<int32_t, 4> r{out[0][0] - 2 * k, out[0][1] + 2 * k, out[0][2] + 2 * k,
                                 out[0][3] - 2 * k};
  const int32_t w = std::abs(r[2] - r[0]);
  const int32_t h = std::abs(r[1] - r[3]);
  for (int32_t i = 0; i < 3; ++i) {
    for (int32_t j = 0; j < 3; ++j) {
      const int32_t dx = (w / 2 + 4) * j;
      const int32_t dy = (h / 2 + 4) * i;
      out[static_cast<std::size_t>(i * 3 + 1 + j)] = {r[0] - k + dx, r[1] + k - dy, r[0] + k + dx,
                                                      r[1] - k - dy};
    }
  }
  return out;
}

CursorKind handle_cursor(int index) {
  switch (index) {
    case 0:
      return CursorKind::SizeAll;
    case 1:
    case 9:
      return CursorKind::SizeNwSe;
    case 3:
    case 7:
      return CursorKind::SizeNeSw;
    case 2:
    case 8:
      return CursorKind::SizeNS;
    case 4:
    case 6:
      return CursorKind::SizeWE;
    default:
      return CursorKind::Arrow;
  }
}

HandleHit handle_press(const HandleRects& rects, ViewPoint p) {
  HandleHit hit;
  for (int i = 0; i < 10; ++i) {
    if (!rect_contains(rects[static_cast<std::size_t>(i)], p)) continue;
    if (i != 5) hit.drag_mode = i + 1;
    hit.cursor = handle_cursor(i);
  }
  return hit;
}

bool edge_handles_allowed(const CketralDoc& doc) {
  if (selection_kind(doc) == -1) return false;
  const MarkObject* cur = current_object(doc);
  return cur == nullptr || cur->keep_aspect == 0;
}

FrameRect drag_frame(const FrameRect& frame, int32_t drag_mode, int32_t dx, int32_t dy, double m,
                     bool edges) {
  FrameRect f = frame;
  double& l = f[0];
  double& t = f[1];
  double& r = f[2];
  double& b = f[3];
  const double ratio = std::fabs((r - l) / (b - t));
  switch (drag_mode) {
    case 1:
      l += dx;
      r += dx;
      t += dy;
      b += dy;
      break;
    case 2:
      if (l + dx < r - m) {
        l += dx;
        t -= dx / ratio;
      }
      break;
    case 3:
      if (b + m < t + dy && edges) t += dy;
      break;
    case 4:
      if (l + m < r + dx) {
        r += dx;
        t += dx / ratio;
      }
      break;
    case 5:
      if (l + dx < r - m && edges) l += dx;
      break;
    case 7:
      if (l + m < r + dx && edges) r += dx;
      break;
    case 8:
      if (b + dy < t - m) {
        b += dy;
        l += dy * ratio;
      }
      break;
    case 9:
      if (b + dy < t - m && edges) b += dy;
      break;
    case 10:
      if (b + dy < t - m) {
        b += dy;
        r -= dy * ratio;
      }
      break;
    default:
      break;
  }
  for (double v : f) {
    if (!std::isfinite(v)) return frame;
  }
  return f;
}

FrameDrag::FrameDrag(int32_t drag_mode, ViewPoint press_px, const FrameRect& frame,
                     const ViewState& view, bool edges_allowed)
    : mode_(drag_mode),
      last_(press_px),
      frame_(frame),
      k_(view.handle_size),
      min_size_(view.zoom() / 10.0),
      edges_(edges_allowed) {}

void FrameDrag::move_to(ViewPoint px) {
  // Pixels grow downward, view units upward.
  const int32_t dx = (px.x - last_.x) * k_ / 4;
  const int32_t dy = -(px.y - last_.y) * k_ / 4;
  frame_ = drag_frame(frame_, mode_, dx, dy, min_size_, edges_);
  last_ = px;
}

void sync_type_size(MarkObject& o, double sx, double sy) {
  const double ax = std::fabs(sx), ay = std::fabs(sy);
  if (auto* rect = o.block<RectangleParams>()) {
    rect->size_x = o.width;
    rect->size_y = o.height;
  } else if (auto* ell = o.block<CircleParams>()) {
    ell->size_x = o.width;
    ell->size_y = o.height;
  } else if (auto* tri = o.block<TriangleParams>()) {
    tri->size_x = o.width;
    tri->size_y = o.height;
  } else if (auto* rho = o.block<RhombicParams>()) {
    rho->size_x = o.width;
    rho->size_y = o.height;
  } else if (auto* pol = o.block<PolygonParams>()) {
    pol->size = o.width;
  } else if (auto* lt = o.block<LineTextParams>()) {
    const int32_t n = lt->line_count;
    if (n < 1) return;
    if (lt->vertical == 0) {
      lt->size_y = (o.height - (n - 1) * lt->line_gap) / n;
      lt->size_x = std::fabs(sx * lt->size_x);
    } else {
      lt->size_x = (o.width - (n - 1) * lt->line_gap) / n;
      lt->size_y = std::fabs(sy * lt->size_y);
    }
  } else if (auto* at = o.block<ArcTextParams>()) {
    at->radius_x *= ax;
    at->size_x *= ax;
    at->radius_y *= ay;
    at->size_y *= ay;
  } else if (auto* bmp = o.block<BmpBlock>()) {
    bmp->image_width *= ax;
    bmp->image_height *= ay;
  } else if (auto* bc = o.block<BarcodeParams>()) {
    bc->size_x = o.width;
    bc->size_y = o.height;
    const double n = static_cast<double>(bc->text.size());
    bc->bar_width = o.width / ((n + 2) * 13.5 + (2 * n + 2) + 10);
  } else if (auto* code = o.block<CodeParams>()) {
    code->size_x = o.width;
    code->size_y = o.height;
  }
}

namespace {

// The largest extents a turned object reaches, for the repaint.
std::pair<double, double> turned_extent(const CketralDoc& doc) {
  double w = 0, h = 0;
  for (const MarkObject& o : doc.ring.oldest_first()) {
    if (!is_selected(doc, o)) continue;
    const double s = std::sin(o.angle * kPi / 180.0);
    w = std::max(w, s * o.width);
    h = std::max(h, s * o.height);
  }
  return {w, h};
}

// A frame side of no length cannot be scaled from: that axis only moves.
double scale(double now, double before) {
  return before != 0 ? now / before : 1.0;
}

}  // namespace

bool release_frame(CketralDoc& doc, const FrameRect& drawn, const FrameRect& frame,
                   const std::string& step_name) {
  // A plain click: the arithmetic below would only add rounding noise.
  if (drawn == frame) return false;
  const double z = doc.view.zoom();
  const double ox = doc.view.origin_x, oy = doc.view.origin_y;
  const double fsx = scale(frame[2] - frame[0], drawn[2] - drawn[0]);
  const double fsy = scale(frame[3] - frame[1], drawn[3] - drawn[1]);

  const auto before = turned_extent(doc);
  Commit commit(doc);
  for (MarkObject& live : doc.ring.oldest_first()) {
    if (!is_selected(doc, live)) continue;
    MarkObject& o = commit.modify(live);
    double sx = fsx, sy = fsy;
    if (o.keep_aspect == 1) sx = sy = std::fabs(fsx) >= std::fabs(fsy) ? fsx : fsy;
    const double tx = frame[0] - drawn[0] * sx;
    const double ty = frame[1] - drawn[1] * sy;
    const double l0 = z * (2 * o.cent_x - o.width) + ox;
    const double t0 = z * (2 * o.cent_y + o.height) - oy;
    const double w0 = 2 * z * o.width, h0 = 2 * z * o.height;
    const double l = sx * l0 + tx, r = sx * (l0 + w0) + tx;
    const double t = sy * t0 + ty, b = sy * (t0 - h0) + ty;
    o.screen_rect = {nearest_int(l), nearest_int(t), nearest_int(r), nearest_int(b)};
    o.width = (r - l) / 2 / z;
    o.height = (t - b) / 2 / z;
    o.cent_x = ((l + r) / 2 - ox) / 2 / z;
    o.cent_y = ((t + b) / 2 + oy) / 2 / z;
    sync_type_size(o, sx, sy);
    if (o.rows > 1) o.row_gap *= sy;
    if (o.columns > 1) o.column_gap *= sx;
  }
  commit.push(step_name);
  const auto after = turned_extent(doc);
  doc.invalidate_selection(before.first, before.second, 90);
  doc.invalidate_selection(after.first, after.second, 90);
  doc.view.selection.drawn_frame = frame;
  return true;
}

}  // namespace lumetch
