#include "view/main_view.h"

#include "commands/arrange.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "commands/draw_object.h"
#include "geometry/mapping.h"
#include "model/units.h"

namespace lumetch {

namespace {

constexpr Rgb kGridColour{200, 200, 200};
constexpr Rgb kScanMarkerColour{255, 0, 0};
constexpr Rgb kBlack{0, 0, 0};
constexpr int32_t kScanMarkerPen = 10;
constexpr double kFallbackDpi = 96.0;
constexpr double kUnitsPerInch = 2540.0;

double screen_dpi(const QWidget& w) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return kFallbackDpi;
  const QScreen* s = w.screen();
  if (s == nullptr) return kFallbackDpi;
  const double dpi = s->physicalDotsPerInchX();
  // Monitors that report no or an absurd size get the usual 96 dpi.
  if (!(dpi >= 30.0 && dpi <= 1000.0)) return kFallbackDpi;
  return dpi;
}

struct ScanMarker {
  int32_t cx = 0;
  int32_t cy = 0;
  int32_t a = 0;
  int32_t b = 0;
  int32_t outline = 0;
};

ScanMarker scan_marker(const CketralDoc& doc) {
  const MarkSettings& s = doc.settings;
  const ViewState& v = doc.view;
  const double z = v.zoom();
  return {nearest_int(2 * z * s.scan_cent_x + v.origin_x),
          nearest_int(2 * z * s.scan_cent_y - v.origin_y), nearest_int(z * s.scan_size_x),
          nearest_int(z * s.scan_size_y), s.scan_outline};
}

// The closed outline of the rhombus and triangle markers.
std::vector<CanvasPoint> marker_polygon(const ScanMarker& m) {
  const int32_t l = m.cx - m.a;
  const int32_t r = m.cx + m.a;
  const int32_t t = m.cy + m.b;
  const int32_t b = m.cy - m.b;
  switch (m.outline) {
    case 2:
      return {{m.cx, t}, {r, m.cy}, {m.cx, b}, {l, m.cy}};
    case 3:
      return {{m.cx, t}, {r, b}, {l, b}};
    case 4:
      return {{m.cx, b}, {l, t}, {r, t}};
    default:
      return {};
  }
}

std::array<int32_t, 4> rounded(const std::array<double, 4>& r) {
  return {nearest_int(r[0]), nearest_int(r[1]), nearest_int(r[2]), nearest_int(r[3])};
}

}  // namespace

Cmainview::Cmainview(CketralDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
  doc_.view.grid_on = 1;
  doc_.view.printing = 0;
  seen_notices_ = doc_.notices;
  scale_ = screen_dpi(*this) / kUnitsPerInch;
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(true);
  QPalette pal = viewport()->palette();
  pal.setColor(QPalette::Window, Qt::white);
  viewport()->setPalette(pal);
  horizontalScrollBar()->setSingleStep(kLineStep);
  verticalScrollBar()->setSingleStep(kLineStep);
  update_scroll_bars();
}

void Cmainview::set_pixels_per_unit(double scale) {
  if (!(scale > 0.0)) return;
  scale_ = scale;
  drop_scene();
  update_scroll_bars();
  viewport()->update();
}

ViewMapping Cmainview::mapping() const {
  return {scale_, horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPoint Cmainview::scroll_position() const {
  return {horizontalScrollBar()->value(), -verticalScrollBar()->value()};
}

void Cmainview::set_scroll_position(int32_t x, int32_t y) {
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(-y);
}

void Cmainview::print_page(QPainter& p, double pixels_per_unit) {
  ViewState& v = doc_.view;
  v.saved_grid_on = v.grid_on;
  v.saved_zoom_index = v.zoom_index;
  v.zoom_index = 8;
  v.grid_on = 0;
  v.printing = 1;
  v.origin_x = 9900;
  v.origin_y = 14000;
  OnDraw(p, ViewMapping{pixels_per_unit, 0, 0});
  v.zoom_index = v.saved_zoom_index;
  v.grid_on = v.saved_grid_on;
  v.printing = 0;
  v.origin_x = 16000;
  v.origin_y = 16000;
  viewport()->update();
}

void Cmainview::update_scroll_bars() {
  const auto range = [this](QScrollBar* bar, int pixels) {
    const int visible = static_cast<int>(pixels / scale_);
    bar->setRange(0, std::max(0, kScrollSize - visible));
    bar->setPageStep(kPageStep);
    bar->setSingleStep(kLineStep);
  };
  range(horizontalScrollBar(), viewport()->width());
  range(verticalScrollBar(), viewport()->height());
}

void Cmainview::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  drop_scene();
  update_scroll_bars();
}

void Cmainview::scrollContentsBy(int /*dx*/, int /*dy*/) {
  drop_scene();
  viewport()->update();
}

void Cmainview::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const ViewMapping m = mapping();
  if (const SceneCache::Entry* e = scene_for(m, viewport()->size())) {
    const QPoint at(m.left_pixel() - e->area.left(), m.top_pixel() - e->area.top());
    for (const QRect& r : event->region()) p.drawImage(r.topLeft(), e->image, r.translated(at));
    draw_overlay(p, m);
    return;
  }
  if (!tracking()) {
    drop_scene();
    OnDraw(p, m);
    return;
  }
  if (scene_.isNull() || scene_.size() != viewport()->size() * viewport()->devicePixelRatio()) {
    capture_scene();
  }
  const qreal dpr = scene_.devicePixelRatio();
  for (const QRect& r : event->region()) {
    p.drawImage(QRectF(r), scene_,
                QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
  }
  draw_overlay(p, m);
}

void Cmainview::draw_overlay(QPainter& p, const ViewMapping& m) {
  DrawSelectionMarks(p, m);
  if (band_anchor_) {
    QtCanvas canvas(p, m);
    canvas.set_not_xor(true);
    canvas.set_pen({kBlack, 1, PenStyle::Dot});
    canvas.set_brush({kBlack, true});
    canvas.rectangle(band_anchor_->x, band_anchor_->y, band_corner_.x, band_corner_.y);
    band_drawn_ = band_corner_;
  }
}

void Cmainview::capture_scene() {
  const qreal dpr = viewport()->devicePixelRatio();
  scene_ = QImage(viewport()->size() * dpr, QImage::Format_RGB32);
  scene_.setDevicePixelRatio(dpr);
  scene_.fill(Qt::white);
  QPainter p(&scene_);
  marks_hidden_ = true;
  OnDraw(p, mapping());
  marks_hidden_ = false;
}

FieldWindow Cmainview::field_window(const QPainter& p, const ViewMapping& m) const {
  QRect px = p.window();
  if (p.hasClipping()) px &= p.clipBoundingRect().toAlignedRect();
  const QPoint tl = m.view_point(px.topLeft());
  const QPoint br = m.view_point(px.bottomRight() + QPoint(1, 1));
  const double z2 = 2 * doc_.view.zoom();
  const double ox = doc_.view.origin_x;
  const double oy = doc_.view.origin_y;
  return {(tl.x() - ox) / z2, (br.y() + oy) / z2, (br.x() - ox) / z2, (tl.y() + oy) / z2};
}

void Cmainview::OnDraw(QPainter& p, const ViewMapping& m) {
  draw_scene(p, m, nullptr, nullptr);
  if (doc_.view.printing == 0 && !marks_hidden_) DrawSelectionMarks(p, m);
}

void Cmainview::draw_scene(QPainter& p, const ViewMapping& m,
                           std::unordered_map<ObjectId, QRect>* drawn, bool* stamped) {
  ViewState& v = doc_.view;
  const MarkSettings& s = doc_.settings;
  const double z = v.zoom();
  const double f = s.disp_size;
  const double ox = v.origin_x;
  const double oy = v.origin_y;
  QtCanvas canvas(p, m);

  if (v.grid_on == 1) {
    // A pitch of 0 or less (typed, or from the settings file) draws a 1 mm
    // grid; the setting itself is the operator's and stays as it is.
    const double g = s.grid_size > 0 ? s.grid_size : 1.0;
    canvas.set_pen({kGridColour, 1, PenStyle::Solid});
    const double n_real = f / g;
    // A pitch far below the display's resolution would draw millions of lines.
    const int32_t n = n_real > 100000.0 ? 100000 : static_cast<int32_t>(n_real);
    for (int32_t i = 0; i <= n; ++i) {
      const int32_t y = nearest_int(z * f - oy - 2 * i * g * z);
      canvas.move_to(nearest_int(ox - z * f), y);
      canvas.line_to(nearest_int(ox + z * f), y);
    }
    for (int32_t i = 0; i <= n; ++i) {
      const int32_t x = nearest_int(ox - z * f + 2 * i * g * z);
      canvas.move_to(x, nearest_int(z * f - oy));
      canvas.line_to(x, nearest_int(-oy - z * f));
    }
  }

  if (v.printing == 0) {
    canvas.set_pen(Pen{});
    const int32_t l = nearest_int(ox - z * f);
    const int32_t r = nearest_int(ox + z * f);
    const int32_t t = nearest_int(z * f - oy);
    const int32_t b = nearest_int(-oy - z * f);
    canvas.move_to(l, t);
    canvas.line_to(r, t);
    canvas.line_to(r, b);
    canvas.line_to(l, b);
    canvas.line_to(l, t);

    const ScanMarker mk = scan_marker(doc_);
    canvas.set_pen({kScanMarkerColour, kScanMarkerPen, PenStyle::Solid});
    canvas.set_brush({kBlack, true});
    if (mk.outline == 0) {
      canvas.rectangle(mk.cx - mk.a, mk.cy + mk.b, mk.cx + mk.a, mk.cy - mk.b);
    } else if (mk.outline == 1) {
      canvas.ellipse(mk.cx - mk.a, mk.cy + mk.b, mk.cx + mk.a, mk.cy - mk.b);
    } else {
      const std::vector<CanvasPoint> poly = marker_polygon(mk);
      if (!poly.empty()) canvas.polygon(poly);
    }
  }

  canvas.set_pen(Pen{});
  canvas.set_brush(Brush{});
  GeomContext g{doc_, nullptr};
  g.visible = field_window(p, m);
  if (drawn == nullptr) {
    for (const MarkObject& obj : doc_.ring.oldest_first()) DrawObject(g, &canvas, obj);
  } else {
    const QPoint to_area(m.left_pixel(), m.top_pixel());
    canvas.take_drawn();
    for (const MarkObject& obj : doc_.ring.oldest_first()) {
      DrawObject(g, &canvas, obj);
      const QRect r = canvas.take_drawn();
      if (!r.isEmpty()) (*drawn)[obj.id] |= r.translated(to_area);
    }
  }
  if (stamped != nullptr && canvas.stamped()) *stamped = true;
}

void Cmainview::DrawSelectionMarks(QPainter& p, const ViewMapping& m) {
  SelectionFrame& sel = doc_.view.selection;
  if (selection_kind(doc_) == 0) return;
  const int32_t k = doc_.view.handle_size;
  QtCanvas canvas(p, m);
  canvas.set_not_xor(true);

  const HandleRects h = handle_rects(sel.frame, k);
  std::copy(h.begin(), h.end(), sel.handle_rects.begin());
  const std::array<int32_t, 4>& f = h[0];
  canvas.set_pen({kBlack, 1, PenStyle::Dot});
  canvas.set_brush({kBlack, true});
  canvas.rectangle(f[0] - 2 * k, f[1] + 2 * k, f[2] + 2 * k, f[3] - 2 * k);

  canvas.set_pen({kBlack, 1, PenStyle::Solid});
  canvas.set_brush({kBlack, false});
  for (std::size_t i = 1; i < h.size(); ++i) {
    if (i == 5) continue;
    canvas.rectangle(h[i][0], h[i][1], h[i][2], h[i][3]);
  }
  sel.drawn_frame = sel.frame;
}

void Cmainview::DrawSelectionMarks() {
  viewport()->update();
}

void Cmainview::update_frame() {
  if (const auto frame = selection_frame(doc_)) doc_.view.selection.frame = *frame;
}

void Cmainview::arranged(const std::optional<StyleInvalidate>& area) {
  if (!area) return;
  update_frame();
  InvalidateSelection(area->width, area->height, area->angle);
}

void Cmainview::keyPressEvent(QKeyEvent* event) {
  // With nothing selected every key keeps its ordinary meaning (arrows scroll).
  if (selection_kind(doc_) == 0) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Left:
      arranged(MoveSelection(doc_, MoveMode::Left));
      break;
    case Qt::Key_Right:
      arranged(MoveSelection(doc_, MoveMode::Right));
      break;
    case Qt::Key_Up:
      arranged(MoveSelection(doc_, MoveMode::Up));
      break;
    case Qt::Key_Down:
      arranged(MoveSelection(doc_, MoveMode::Down));
      break;
    case Qt::Key_Home:
      arranged(ResizeSelection(doc_, ResizeMode::Narrower));
      break;
    case Qt::Key_PageUp:
      arranged(ResizeSelection(doc_, ResizeMode::Wider));
      break;
    case Qt::Key_End:
      arranged(ResizeSelection(doc_, ResizeMode::Lower));
      break;
    case Qt::Key_PageDown:
      arranged(ResizeSelection(doc_, ResizeMode::Taller));
      break;
    case Qt::Key_Delete:
      DeleteSelection(doc_);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

void Cmainview::apply_zoom() {
  for (MarkObject& o : doc_.ring.oldest_first()) doc_.update_screen_rect(o);
  update_frame();
  drop_scene();
  viewport()->update();
  emit zoom_changed(doc_.view.zoom_index);
}

bool Cmainview::zoom_in() {
  const int32_t last = static_cast<int32_t>(doc_.view.zoom_table.size()) - 1;
  if (doc_.view.zoom_index >= last) return false;
  ++doc_.view.zoom_index;
  ++doc_.settings.view_zoom_num;
  apply_zoom();
  return true;
}

bool Cmainview::zoom_out() {
  if (doc_.view.zoom_index <= 0) return false;
  --doc_.view.zoom_index;
  --doc_.settings.view_zoom_num;
  apply_zoom();
  return true;
}

void Cmainview::toggle_grid() {
  doc_.view.grid_on = doc_.view.grid_on != 0 ? 0 : 1;
  drop_scene();
  viewport()->update();
}

void Cmainview::InvalidateSelection(double width, double height, double angle) {
  viewport()->update(selection_area(width, height, angle, mapping()));
}

QRegion Cmainview::selection_area(double width, double height, double angle,
                                  const ViewMapping& m) const {
  const SelectionFrame& sel = doc_.view.selection;
  const int32_t k = doc_.view.handle_size;
  const double z = doc_.view.zoom();
  const std::array<std::array<int32_t, 4>, 2> rects{rounded(sel.drawn_frame), rounded(sel.frame)};
  int32_t wx = 4 * k;
  int32_t wy = 4 * k;
  if (angle != 0) {
    const double s = std::sin(std::fabs(angle) * kPi / 180.0);
    wx += nearest_int(2 * s * height * z);
    wy += nearest_int(2 * s * width * z);
  }
  QRegion area;
  for (const auto& r : rects) {
    const int32_t left = std::min(r[0], r[2]) - wx;
    const int32_t right = std::max(r[0], r[2]) + wx;
    const int32_t top = std::max(r[1], r[3]) + wy;
    const int32_t bottom = std::min(r[1], r[3]) - wy;
    // One pixel more each way for the rounding to pixels.
    area += m.pixel_rect(left, top, right, bottom).adjusted(-1, -1, 1, 1);
  }
  return area;
}

void Cmainview::InvalidateScanArea() {
  viewport()->update(scan_area_band(mapping()));
}

QRegion Cmainview::scan_area_band(const ViewMapping& m) const {
  const ScanMarker mk = scan_marker(doc_);
  const QRect r = m.pixel_rect(mk.cx - mk.a, mk.cy + mk.b, mk.cx + mk.a, mk.cy - mk.b);
  const QRect outer = r.adjusted(-2, -2, 2, 2);
  const QRect inner = r.adjusted(2, 2, -2, -2);
  const auto shape = [&](const QRect& box) -> QRegion {
    if (!box.isValid()) return {};
    if (mk.outline == 0) return QRegion(box);
    if (mk.outline == 1) return QRegion(box, QRegion::Ellipse);
    ScanMarker scaled = mk;
    const QPoint c = box.center();
    scaled.cx = c.x();
    scaled.cy = -c.y();  // the polygon helper works Y up
    scaled.a = box.width() / 2;
    scaled.b = box.height() / 2;
    QPolygon poly;
    for (const CanvasPoint& pt : marker_polygon(scaled)) poly << QPoint(pt.x, -pt.y);
    return poly.isEmpty() ? QRegion(box) : QRegion(poly);
  };
  return shape(outer).subtracted(shape(inner));
}

QString Cmainview::readout_text(int32_t view_x, int32_t view_y) const {
  const double z = doc_.view.zoom();
  const double x = (view_x - doc_.view.origin_x) / 2.0 / z;
  const double y = (view_y + doc_.view.origin_y) / 2.0 / z;
  return QString(45, QLatin1Char(' ')) + QString::asprintf("x=%7.3fmm, y=%7.3fmm", x, y);
}

namespace {

Qt::CursorShape qt_cursor(CursorKind kind) {
  switch (kind) {
    case CursorKind::SizeAll:
      return Qt::SizeAllCursor;
    case CursorKind::SizeNwSe:
      return Qt::SizeFDiagCursor;
    case CursorKind::SizeNeSw:
      return Qt::SizeBDiagCursor;
    case CursorKind::SizeNS:
      return Qt::SizeVerCursor;
    case CursorKind::SizeWE:
      return Qt::SizeHorCursor;
    case CursorKind::Arrow:
      break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

void Cmainview::repaint_marks() {
  const ViewMapping m = mapping();
  const SelectionFrame& sel = doc_.view.selection;
  viewport()->update(marks_region(sel.drawn_frame, m) + marks_region(sel.frame, m));
}

QRegion Cmainview::marks_region(const FrameRect& frame, const ViewMapping& m) const {
  const int32_t k = doc_.view.handle_size;
  const HandleRects h = handle_rects(frame, k);
  const std::array<int32_t, 4>& f = h[0];
  // The dotted outline with a pixel to spare on either side of it.
  const QRect outer = m.pixel_rect(f[0] - 2 * k, f[1] + 2 * k, f[2] + 2 * k, f[3] - 2 * k)
                          .adjusted(-2, -2, 2, 2);
  QRegion area = QRegion(outer).subtracted(QRegion(outer.adjusted(4, 4, -4, -4)));
  for (std::size_t i = 1; i < h.size(); ++i) {
    area += m.pixel_rect(h[i][0], h[i][1], h[i][2], h[i][3]).adjusted(-2, -2, 2, 2);
  }
  return area;
}

QRegion Cmainview::band_region(ViewPoint corner, const ViewMapping& m) const {
  if (!band_anchor_) return {};
  const QRect outer =
      m.pixel_rect(band_anchor_->x, band_anchor_->y, corner.x, corner.y).adjusted(-2, -2, 2, 2);
  return QRegion(outer).subtracted(QRegion(outer.adjusted(4, 4, -4, -4)));
}

void Cmainview::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || doc_.engraving != 0) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus();
  const QPoint pixel = event->position().toPoint();
  const QPoint q = mapping().view_point(pixel);
  const ViewPoint v{q.x(), q.y()};
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  SelectionFrame& sel = doc_.view.selection;
  int32_t mode = -1;
  if (!ctrl && selection_kind(doc_) != 0) {
    mode = handle_press(handle_rects(sel.frame, doc_.view.handle_size), v).drag_mode;
  }
  if (mode < 0) {
    const PickResult picked = pick_at(doc_, v, ctrl);
    apply_selection(doc_, picked.selection);
    update_frame();
    viewport()->update();
    if (picked.outcome == PressOutcome::Band) {
      band_anchor_ = v;
      band_corner_ = v;
      band_drawn_ = v;
      band_ctrl_ = ctrl;
      return;
    }
    mode = 1;  // a press on an object moves what it selected
  }
  drag_start_ = sel.frame;
  drag_.emplace(mode, ViewPoint{pixel.x(), pixel.y()}, sel.frame, doc_.view,
                edge_handles_allowed(doc_));
  const auto cursor = handle_press(handle_rects(sel.frame, doc_.view.handle_size), v).cursor;
  viewport()->setCursor(qt_cursor(cursor.value_or(CursorKind::SizeAll)));
}

void Cmainview::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pixel = event->position().toPoint();
  const QPoint v = mapping().view_point(pixel);
  emit readout_changed(readout_text(v.x(), v.y()));
  if (drag_) {
    drag_->move_to({pixel.x(), pixel.y()});
    doc_.view.selection.frame = drag_->frame();
    repaint_marks();
  } else if (band_anchor_) {
    band_corner_ = {v.x(), v.y()};
    const ViewMapping m = mapping();
    viewport()->update(band_region(band_drawn_, m) + band_region(band_corner_, m));
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void Cmainview::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  if (drag_) {
    const FrameRect dragged = drag_->frame();
    const bool moved = drag_->drag_mode() == 1;
    drag_.reset();
    viewport()->unsetCursor();
    // The whole drag is one step.
    release_frame(doc_, drag_start_, dragged, moved ? "Move" : "Resize");
    update_frame();
    viewport()->update();
  } else if (band_anchor_) {
    const QPoint q = mapping().view_point(event->position().toPoint());
    const Selection chosen = band_select(doc_, *band_anchor_, {q.x(), q.y()}, band_ctrl_);
    band_anchor_.reset();
    apply_selection(doc_, chosen);
    update_frame();
    viewport()->update();
  }
}

void Cmainview::set_scene_cache(bool on) {
  cache_on_ = on;
  cache_.clear();
  viewport()->update();
}

void Cmainview::scene_changed() {
  cache_.clear();
}

SceneKey Cmainview::scene_key() const {
  const ViewState& v = doc_.view;
  const MarkSettings& s = doc_.settings;
  SceneKey k;
  k.scale = scale_;
  k.zoom = v.zoom();
  k.origin_x = v.origin_x;
  k.origin_y = v.origin_y;
  k.grid_on = v.grid_on;
  k.printing = v.printing;
  k.raster_mode = doc_.raster_mode;
  k.engraving = doc_.engraving;
  k.disp_size = s.disp_size;
  k.grid_size = s.grid_size;
  k.scan_cent_x = s.scan_cent_x;
  k.scan_cent_y = s.scan_cent_y;
  k.scan_size_x = s.scan_size_x;
  k.scan_size_y = s.scan_size_y;
  k.scan_outline = s.scan_outline;
  k.layer_colours = v.layer_colours;
  return k;
}

uint64_t Cmainview::ring_print() const {
  // FNV-1a over the ids in drawing order: objects that came, went or moved
  // in the order without a notice are seen at the next paint.
  uint64_t h = 1469598103934665603ull;
  for (const MarkObject& o : doc_.ring.oldest_first()) {
    h ^= o.id;
    h *= 1099511628211ull;
  }
  return h ^ doc_.ring.size();
}

QRect Cmainview::cache_area(const ViewMapping& m, const QRect& needed) const {
  const QScrollBar* h = horizontalScrollBar();
  const QScrollBar* v = verticalScrollBar();
  const QPoint first(nearest_int(h->minimum() * m.scale), nearest_int(v->minimum() * m.scale));
  const QPoint last(nearest_int(h->maximum() * m.scale), nearest_int(v->maximum() * m.scale));
  const QRect whole = QRect(first, last + QPoint(needed.width() - 1, needed.height() - 1)) | needed;
  const auto fits = [&](const QRect& r) {
    return std::size_t{4} * static_cast<std::size_t>(r.width()) *
               static_cast<std::size_t>(r.height()) <=
           cache_.entry_limit();
  };
  if (fits(whole)) return whole;
  // A screen of many pixels: the pane and half a pane around it.
  const QRect around =
      needed.adjusted(-needed.width() / 2, -needed.height() / 2, needed.width() / 2,
                      needed.height() / 2) &
      whole;
  return fits(around) ? around : needed;
}

void Cmainview::redraw(SceneCache::Entry& e, const QRect& area) {
  QImage part(area.size(), QImage::Format_RGB32);
  part.fill(Qt::white);
  bool stamped = false;
  {
    QPainter p(&part);
    const ViewMapping m{scale_, 0, 0, area.left(), area.top()};
    draw_scene(p, m, &e.drawn, &stamped);
  }
  if (stamped) {
    e.exact = false;
    e.image = QImage();
    return;
  }
  if (area == e.area) {
    e.image = std::move(part);
    return;
  }
  QPainter p(&e.image);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(area.topLeft() - e.area.topLeft(), part);
}

QRect Cmainview::footprint(const MarkObject& obj, const QRect& area) {
  // Drawn into a single pixel: the canvas records where the object went,
  // the painter cuts away nearly all of the work.
  QImage pixel(1, 1, QImage::Format_RGB32);
  QPainter p(&pixel);
  const ViewMapping m{scale_, 0, 0, area.left(), area.top()};
  QtCanvas canvas(p, m);
  GeomContext g{doc_, nullptr};
  const QPoint tl = m.view_point(QPoint(0, 0));
  const QPoint br = m.view_point(QPoint(area.width(), area.height()));
  const double z2 = 2 * doc_.view.zoom();
  const double ox = doc_.view.origin_x;
  const double oy = doc_.view.origin_y;
  g.visible = FieldWindow{(tl.x() - ox) / z2, (br.y() + oy) / z2, (br.x() - ox) / z2,
                          (tl.y() + oy) / z2};
  canvas.set_pen(Pen{});
  canvas.set_brush(Brush{});
  canvas.take_drawn();
  DrawObject(g, &canvas, obj);
  return canvas.take_drawn().translated(area.topLeft());
}

const SceneCache::Entry* Cmainview::scene_for(const ViewMapping& m, QSize size) {
  if (!cache_on_ || viewport()->devicePixelRatio() != 1.0 || size.isEmpty()) return nullptr;
  const SceneKey key = scene_key();
  const QRect needed(QPoint(m.left_pixel(), m.top_pixel()), size);
  const uint64_t print = ring_print();
  if (doc_.notices != seen_notices_) {
    // An edit this view was not told of: what it changed is not known.
    cache_.clear();
    seen_notices_ = doc_.notices;
  }
  SceneCache::Entry* e = cache_.find(key, needed);
  if (e != nullptr && e->ring_print != print) {
    cache_.clear();
    e = nullptr;
  }
  if (e == nullptr) {
    SceneCache::Entry fresh;
    fresh.key = key;
    fresh.area = cache_area(m, needed);
    fresh.ring_print = print;
    redraw(fresh, fresh.area);
    e = &cache_.insert(std::move(fresh));
  }
  if (!e->exact) return nullptr;
  if (!e->dirty.isEmpty()) {
    const QRect r = e->dirty.boundingRect() & e->area;
    e->dirty = QRegion();
    if (!r.isEmpty()) redraw(*e, r);
    if (!e->exact) return nullptr;
  }
  return e;
}

void Cmainview::document_changed(const ChangeNotice& notice) {
  // Told after every notice the document gave, or the pictures go at the next paint.
  const bool in_step = doc_.notices == seen_notices_ + 1;
  seen_notices_ = doc_.notices;
  if (!in_step) {
    cache_.clear();
    return;
  }
  const bool reordered = notice.order && notice.added.empty() && notice.removed.empty();
  if (notice.settings || notice.variable_data || notice.outline_font || reordered) {
    cache_.clear();
    viewport()->update();
    return;
  }
  if (!notice.objects_changed()) return;
  SceneCache::Entry* e = cache_.current(scene_key());
  // Pictures of other zooms are not mended; they go.
  cache_.drop_all_but(e);
  if (e == nullptr) return;
  if (!e->exact) {
    cache_.clear();
    return;
  }
  QRegion dirty;
  const auto was = [&](ObjectId id) {
    const auto it = e->drawn.find(id);
    if (it == e->drawn.end()) return;
    dirty += it->second;
    e->drawn.erase(it);
  };
  const auto is = [&](ObjectId id) {
    if (const MarkObject* obj = doc_.ring.find(id)) dirty += footprint(*obj, e->area);
  };
  for (const ObjectId id : notice.removed) was(id);
  for (const ChangeNotice::Fields& f : notice.modified) {
    was(f.id);
    is(f.id);
  }
  for (const ObjectId id : notice.added) is(id);
  dirty &= QRegion(e->area);
  e->dirty += dirty;
  e->ring_print = ring_print();
  const ViewMapping m = mapping();
  viewport()->update(dirty.translated(-m.left_pixel(), -m.top_pixel()));
}

}  // namespace lumetch
