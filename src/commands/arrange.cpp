#include "commands/arrange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "geometry/mapping.h"
#include "model/edit.h"
#include "model/units.h"

namespace lumetch {

namespace {

std::vector<MarkObject*> selected_objects(CketralDoc& doc) {
  std::vector<MarkObject*> out;
  for (MarkObject& o : doc.ring.oldest_first()) {
    if (is_selected(doc, o)) out.push_back(&o);
  }
  return out;
}

std::string step_text(const CketralDoc& doc) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "当前步距值=%6.2fmm", current_step(doc));
  return buf;
}

// The type's own sizes after a keyboard resize by (sx, sy); the mouse has rules of
// its own (texts from their line count, plots and outlines keep their import size).
void sync_keyboard_size(MarkObject& o, double sx, double sy) {
  if (auto* p = o.block<LineParams>()) *p = {o.width, o.height};
  if (auto* p = o.block<RectangleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<CircleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<TriangleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<RhombicParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<BarcodeParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<CodeParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<PolygonParams>()) p->size = o.width;
  if (auto* p = o.block<BmpBlock>()) p->image_width = o.width, p->image_height = o.height;
  if (auto* p = o.block<LineTextParams>()) {
    p->size_x *= std::fabs(sx);
    p->size_y *= std::fabs(sy);
  }
  if (auto* p = o.block<ArcTextParams>()) {
    p->radius_x *= std::fabs(sx);
    p->radius_y *= std::fabs(sy);
  }
  if (auto* p = o.block<PltBlock>()) p->init_width = o.width, p->init_height = o.height;
  if (auto* p = o.block<VctBlock>()) p->init_width = o.width, p->init_height = o.height;
  if (o.columns > 1) o.column_gap *= sx;
  if (o.rows > 1) o.row_gap *= sy;
}

}  // namespace

std::optional<std::array<double, 4>> selection_frame(const CketralDoc& doc) {
  const double z = doc.view.zoom();
  const double ox = doc.view.origin_x;
  const double oy = doc.view.origin_y;
  std::optional<std::array<double, 4>> frame;
  for (const MarkObject& o : doc.ring.oldest_first()) {
    if (!is_selected(doc, o)) continue;
    const double tw = o.columns * o.width + (o.columns - 1) * o.column_gap;
    const double th = o.rows * o.height + (o.rows - 1) * o.row_gap;
    const double left = z * (2 * o.cent_x - tw) + ox;
    const double top = z * (2 * o.cent_y + th) - oy;
    const std::array<double, 4> b{left, top, left + 2 * z * tw, top - 2 * z * th};
    if (!frame) {
      frame = b;
      continue;
    }
    auto& u = *frame;
    u = {std::min(u[0], b[0]), std::max(u[1], b[1]), std::max(u[2], b[2]), std::min(u[3], b[3])};
  }
  return frame;
}

double current_step(const CketralDoc& doc) {
  const int32_t i = doc.settings.move_step;
  const auto& table = doc.view.step_table;
  return i >= 0 && i < static_cast<int32_t>(table.size()) ? table[static_cast<std::size_t>(i)]
                                                          : table[3];
}

// The step is a setting of the view, like the zoom: not a change of the layout.
std::string step_larger(CketralDoc& doc) {
  int32_t& i = doc.settings.move_step;
  i = i >= 7 || i < 0 ? 0 : i + 1;
  return step_text(doc);
}

std::string step_smaller(CketralDoc& doc) {
  int32_t& i = doc.settings.move_step;
  i = i <= 0 || i > 7 ? 7 : i - 1;
  return step_text(doc);
}

std::optional<StyleInvalidate> MoveSelection(CketralDoc& doc, MoveMode mode) {
  const std::optional<std::array<double, 4>> frame = selection_frame(doc);
  if (!frame) return std::nullopt;
  const double z = doc.view.zoom();
  const double s = current_step(doc);
  const double fx = (((*frame)[0] + (*frame)[2]) / 2 - doc.view.origin_x) / z / 2;
  const double fy = (((*frame)[1] + (*frame)[3]) / 2 + doc.view.origin_y) / z / 2;
  double dx = 0.0;
  double dy = 0.0;
  switch (mode) {
    case MoveMode::Centre:
      dx = fx, dy = fy;
      break;
    case MoveMode::CentreLeftRight:
      dx = fx;
      break;
    case MoveMode::CentreTopBottom:
      dy = fy;
      break;
    case MoveMode::Left:
      dx = s;
      break;
    case MoveMode::Right:
      dx = -s;
      break;
    case MoveMode::Up:
      dy = -s;
      break;
    case MoveMode::Down:
      dy = s;
      break;
  }
  Commit commit(doc);
  StyleInvalidate area{0.0, 0.0, 90.0};
  for (MarkObject* o : selected_objects(doc)) {
    commit.modify(*o);
    o->cent_x -= dx;
    o->cent_y -= dy;
    doc.update_screen_rect(*o);
    widen_to_turned(area, *o);
  }
  const bool nudge = mode >= MoveMode::Left;
  // A held arrow key is one step; a centring is a step of its own.
  commit.push(nudge ? "Move" : "Centre",
              nudge ? "nudge " + std::to_string(static_cast<int32_t>(mode)) : std::string());
  return area;
}

std::optional<StyleInvalidate> ResizeSelection(CketralDoc& doc, ResizeMode mode) {
  const std::optional<std::array<double, 4>> frame = selection_frame(doc);
  if (!frame) return std::nullopt;
  const auto [l, t, r, b] = *frame;
  const double z = doc.view.zoom();
  const double d = 2 * z * current_step(doc);
  const double wf = r - l;
  const double hf = t - b;
  if (!(wf > 0) || !(hf > 0)) return std::nullopt;
  const MarkObject* current = current_object(doc);
  const bool proportional =
      doc.selection.size() > 1 || (current != nullptr && current->keep_aspect == 1);
  double dw = 0.0;
  double dh = 0.0;
  switch (mode) {
    case ResizeMode::Narrower:
      if (wf - d <= 0) return std::nullopt;
      dw = -d;
      if (proportional) dh = -d * hf / wf;
      break;
    case ResizeMode::Wider:
      dw = d;
      if (proportional) dh = d * hf / wf;
      break;
    case ResizeMode::Lower:
      if (hf - d <= 0) return std::nullopt;
      dh = -d;
      if (proportional) dw = -d * wf / hf;
      break;
    case ResizeMode::Taller:
      dh = d;
      if (proportional) dw = d * wf / hf;
      break;
  }
  return ScaleSelection(doc, (wf + dw) / wf, (hf + dh) / hf, "Resize",
                        "resize " + std::to_string(static_cast<int32_t>(mode)));
}

std::optional<StyleInvalidate> ScaleSelection(CketralDoc& doc, double sx, double sy,
                                              const std::string& step_name,
                                              const std::string& merge_key) {
  const std::optional<std::array<double, 4>> frame = selection_frame(doc);
  if (!frame || !(sx > 0) || !(sy > 0) || !std::isfinite(sx) || !std::isfinite(sy)) {
    return std::nullopt;
  }
  const auto [l, t, r, b] = *frame;
  const double z = doc.view.zoom();
  const double cx = ((l + r) / 2 - doc.view.origin_x) / z / 2;
  const double cy = ((t + b) / 2 + doc.view.origin_y) / z / 2;

  Commit commit(doc);
  StyleInvalidate area{0.0, 0.0, 90.0};
  for (MarkObject* o : selected_objects(doc)) {
    commit.modify(*o);
    widen_to_turned(area, *o);
    o->cent_x = (1 - sx) * cx + sx * o->cent_x;
    o->width *= sx;
    o->cent_y = (1 - sy) * cy + sy * o->cent_y;
    o->height *= sy;
    sync_keyboard_size(*o, sx, sy);
    doc.update_screen_rect(*o);
    widen_to_turned(area, *o);
  }
  commit.push(step_name, merge_key);
  return area;
}

std::optional<StyleInvalidate> MirrorSelection(CketralDoc& doc, bool x) {
  if (doc.selection.empty()) return std::nullopt;
  Commit commit(doc);
  StyleInvalidate area{0.0, 0.0, 90.0};
  for (MarkObject* o : selected_objects(doc)) {
    int32_t& flag = x ? commit.modify(*o).mirror_x : commit.modify(*o).mirror_y;
    flag = flag == 0 ? 1 : 0;
    widen_to_turned(area, *o);
  }
  commit.push(x ? "Mirror X" : "Mirror Y");
  return area;
}

bool DeleteSelection(CketralDoc& doc) {
  if (doc.selection.empty()) return false;
  delete_objects(doc, false);
  doc.invalidate_all();
  return true;
}

}  // namespace lumetch
