#include "shell/sim_pane.h"

#include <QDockWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <optional>

#include "model/units.h"

namespace lumetch {

namespace {

const QColor kFieldColour(0x99, 0x99, 0x99);
const QColor kMarkColour(Qt::black);
const QColor kPenColour(0xd0, 0x20, 0x20);
constexpr int kCaptionGap = 4;

// A usable positive size or scale, else 0.
double positive(double v) {
  return std::isfinite(v) && v > 0 ? v : 0.0;
}

QString counted(std::size_t n, const char* one, const char* many) {
  return QString::number(n) + ' ' + (n == 1 ? one : many);
}

}  // namespace

SimPane::SimPane(const MarkerSim& sim, const MarkSettings& settings, QWidget* parent)
    : QWidget(parent), sim_(sim), settings_(settings) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  reset_progress();
}

void SimPane::field_units(double& width, double& height) const {
  const double u = static_cast<double>(kUnitsPerMm);
  width = positive(settings_.mark_size_x * positive(settings_.rate_x) * u);
  height = positive(settings_.mark_size_y * positive(settings_.rate_y) * u);
  // With the axes swapped the marker's X carries the field's Y.
  if (settings_.change_xy != 0) std::swap(width, height);
}

void SimPane::mm_per_unit(double& mx, double& my) const {
  const double u = static_cast<double>(kUnitsPerMm);
  double rx = positive(settings_.rate_x);
  double ry = positive(settings_.rate_y);
  if (rx == 0) rx = 1.0;
  if (ry == 0) ry = 1.0;
  if (settings_.change_xy != 0) std::swap(rx, ry);
  mx = 1.0 / (rx * u);
  my = 1.0 / (ry * u);
}

SimPane::Box SimPane::field_box() const {
  double w = 0, h = 0;
  field_units(w, h);
  return Box{0, 0, w, h};
}

QRect SimPane::plot_rect() const {
  const int caption_h = fontMetrics().height() + kCaptionGap;
  return QRect(0, 0, width(), std::max(0, height() - caption_h));
}

void SimPane::reset_progress() {
  stroke_ = point_ = ellipse_ = commands_ = 0;
  marked_mm_ = 0.0;
  field_units(field_w_, field_h_);
  box_ = field_box();
  stale_ = true;
}

void SimPane::clear() {
  reset_progress();
  running_ = true;
  update();
}

void SimPane::finish() {
  take_in();
  running_ = false;
  update();
}

void SimPane::refresh() {
  take_in();
  update();
}

void SimPane::grow_box(double x0, double y0, double x1, double y1) {
  if (x0 >= box_.x0 && y0 >= box_.y0 && x1 <= box_.x1 && y1 <= box_.y1) return;
  // Marks outside the field are shown too: the picture is drawn again larger.
  box_.x0 = std::min(box_.x0, x0);
  box_.y0 = std::min(box_.y0, y0);
  box_.x1 = std::max(box_.x1, x1);
  box_.y1 = std::max(box_.y1, y1);
  stale_ = true;
}

void SimPane::update_mapping() {
  const QRect plot = plot_rect();
  double bw = box_.x1 - box_.x0;
  double bh = box_.y1 - box_.y0;
  const double margin = std::max({bw, bh, 1.0}) / 50.0;
  const double bx0 = box_.x0 - margin;
  const double by0 = box_.y0 - margin;
  bw += 2 * margin;
  bh += 2 * margin;
  const double pw = std::max(1, plot.width() - 1);
  const double ph = std::max(1, plot.height() - 1);
  scale_ = std::min(pw / bw, ph / bh);
  off_x_ = (pw - bw * scale_) / 2 - bx0 * scale_;
  // Marker Y grows upward, pixel rows downward.
  off_y_ = (ph + bh * scale_) / 2 + by0 * scale_;
}

QPointF SimPane::to_pixel(MarkerSim::Point p) const {
  return {off_x_ + static_cast<double>(p.x) * scale_, off_y_ - static_cast<double>(p.y) * scale_};
}

void SimPane::redraw_picture() {
  update_mapping();
  stale_ = false;
  const QSize size = plot_rect().size();
  if (size.isEmpty()) {
    picture_ = QImage();
    return;
  }
  picture_ = QImage(size, QImage::Format_RGB32);
  picture_.fill(Qt::white);
  QPainter p(&picture_);
  if (field_w_ > 0 && field_h_ > 0) {
    p.setPen(QPen(kFieldColour, 0, Qt::DashLine));
    const QPointF a = to_pixel({0, 0});
    const QPointF b = to_pixel({static_cast<int32_t>(field_w_), static_cast<int32_t>(field_h_)});
    p.drawRect(QRectF(a, b).normalized());
  }
  p.setPen(QPen(kMarkColour, 0));
  p.setBrush(Qt::NoBrush);
  const auto& strokes = sim_.strokes();
  // Only what has been taken in: the rest follows in take_in().
  for (std::size_t s = 0; s < strokes.size() && s <= stroke_; ++s) {
    const auto& pts = strokes[s].points;
    const std::size_t n = s < stroke_ ? pts.size() : std::min(point_, pts.size());
    for (std::size_t i = 1; i < n; ++i) p.drawLine(to_pixel(pts[i - 1]), to_pixel(pts[i]));
  }
  const auto& ellipses = sim_.ellipses();
  for (std::size_t e = 0; e < ellipse_ && e < ellipses.size(); ++e) {
    const auto& el = ellipses[e];
    p.drawEllipse(to_pixel(el.centre), el.rx * scale_, el.ry * scale_);
  }
}

void SimPane::take_in() {
  double fw = 0, fh = 0;
  field_units(fw, fh);
  const auto& strokes = sim_.strokes();
  const auto& ellipses = sim_.ellipses();
  // The simulator was cleared behind our back, or the field changed: start over.
  const bool shrunk =
      sim_.commands().size() < commands_ || ellipses.size() < ellipse_ ||
      (strokes.empty() ? stroke_ != 0 || point_ != 0
                       : stroke_ >= strokes.size() || point_ > strokes[stroke_].points.size());
  if (shrunk || fw != field_w_ || fh != field_h_) reset_progress();
  if (picture_.size() != plot_rect().size()) stale_ = true;

  double mx = 0, my = 0;
  mm_per_unit(mx, my);
  {
    std::optional<QPainter> painter;
    if (!stale_ && !picture_.isNull()) {
      painter.emplace(&picture_);
      painter->setPen(QPen(kMarkColour, 0));
      painter->setBrush(Qt::NoBrush);
    }
    while (stroke_ < strokes.size()) {
      const auto& pts = strokes[stroke_].points;
      for (; point_ < pts.size(); ++point_) {
        const MarkerSim::Point q = pts[point_];
        grow_box(q.x, q.y, q.x, q.y);
        if (point_ == 0) continue;
        const MarkerSim::Point a = pts[point_ - 1];
        const double dx = (static_cast<double>(q.x) - static_cast<double>(a.x)) * mx;
        const double dy = (static_cast<double>(q.y) - static_cast<double>(a.y)) * my;
        marked_mm_ += std::hypot(dx, dy);
        if (painter && !stale_) painter->drawLine(to_pixel(a), to_pixel(q));
      }
      if (stroke_ + 1 >= strokes.size()) break;
      ++stroke_;
      point_ = 0;
    }
    for (; ellipse_ < ellipses.size(); ++ellipse_) {
      const auto& el = ellipses[ellipse_];
      const double cx = el.centre.x, cy = el.centre.y;
      grow_box(cx - el.rx, cy - el.ry, cx + el.rx, cy + el.ry);
      if (painter && !stale_) {
        painter->drawEllipse(to_pixel(el.centre), el.rx * scale_, el.ry * scale_);
      }
    }
  }
  commands_ = sim_.commands().size();
  if (stale_) redraw_picture();
}

QString SimPane::caption() const {
  return QString("%1: %2, %3, %4 mm marked")
      .arg(running_ ? "Marking" : "Last job")
      .arg(counted(stroke_count(), "stroke", "strokes"))
      .arg(counted(ellipse_count(), "ellipse", "ellipses"))
      .arg(QString::number(marked_mm_, 'f', 1));
}

void SimPane::resizeEvent(QResizeEvent* event) {
  stale_ = true;
  QWidget::resizeEvent(event);
}

void SimPane::paintEvent(QPaintEvent*) {
  take_in();
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const QRect plot = plot_rect();
  if (!picture_.isNull()) p.drawImage(plot.topLeft(), picture_);

  if (!sim_.commands().empty()) {
    // The pen: a cross, filled at the centre while it is down.
    const QPointF c = to_pixel(sim_.pen()) + plot.topLeft();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kPenColour, 1.5));
    p.drawLine(c - QPointF(5, 0), c + QPointF(5, 0));
    p.drawLine(c - QPointF(0, 5), c + QPointF(0, 5));
    if (sim_.pen_down()) {
      p.setBrush(kPenColour);
      p.drawEllipse(c, 2.0, 2.0);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
  }

  p.setPen(palette().color(QPalette::WindowText));
  const QRect text(kCaptionGap, plot.bottom() + 1, width() - 2 * kCaptionGap,
                   height() - plot.height());
  p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, caption());
}

QDockWidget* make_sim_dock(SimPane* pane, QWidget* parent) {
  auto* dock = new QDockWidget("Marker simulator", parent);
  dock->setObjectName("sim_dock");
  dock->setAllowedAreas(Qt::AllDockWidgetAreas);
  dock->setWidget(pane);
  return dock;
}

}  // namespace lumetch
