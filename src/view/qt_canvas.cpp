#include "view/qt_canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "model/units.h"

namespace lumetch {

namespace {

QColor to_qcolor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}

}  // namespace

int ViewMapping::px(double x) const {
  return nearest_int((x - scroll_x) * scale);
}

int ViewMapping::py(double y) const {
  return nearest_int((-y - scroll_y) * scale);
}

QRect ViewMapping::pixel_rect(double left, double top, double right, double bottom) const {
  const QPoint a = pixel(left, top);
  const QPoint b = pixel(right, bottom);
  return QRect(a, b).normalized();
}

QPoint ViewMapping::view_point(QPoint pixel) const {
  const double x = pixel.x() / scale + scroll_x;
  const double y = -(pixel.y() / scale + scroll_y);
  return {nearest_int(x), nearest_int(y)};
}

QtCanvas::QtCanvas(QPainter& painter, const ViewMapping& mapping) : p_(painter), m_(mapping) {
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, false);
  apply();
}

QtCanvas::~QtCanvas() {
  p_.restore();
}

void QtCanvas::set_pen(const Pen& pen) {
  Canvas::set_pen(pen);
  apply();
}

void QtCanvas::set_brush(const Brush& brush) {
  Canvas::set_brush(brush);
  apply();
}

void QtCanvas::set_not_xor(bool on) {
  Canvas::set_not_xor(on);
  apply();
}

int QtCanvas::pen_pixels() const {
  const int w = nearest_int(pen().width * m_.scale);
  return w < 1 ? 1 : w;
}

void QtCanvas::apply() {
  if (pen().style == PenStyle::Hollow) {
    p_.setPen(Qt::NoPen);
  } else {
    QPen qp(to_qcolor(pen().colour));
    const int w = pen_pixels();
    // Width 0 is Qt's one-pixel cosmetic pen. Square caps keep both end
    // pixels, so closed outlines have all their corners; NOT-XOR lines are
    // drawn pixel by pixel instead (line_to).
    qp.setWidth(w == 1 ? 0 : w);
    qp.setCapStyle(Qt::SquareCap);
    qp.setJoinStyle(Qt::MiterJoin);
    qp.setStyle(pen().style == PenStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    p_.setPen(qp);
  }
  if (brush().hollow) {
    p_.setBrush(Qt::NoBrush);
  } else {
    p_.setBrush(to_qcolor(brush().colour));
  }
  p_.setCompositionMode(not_xor() ? QPainter::RasterOp_NotSourceXorDestination
                                  : QPainter::CompositionMode_SourceOver);
}

void QtCanvas::move_to(int32_t x, int32_t y) {
  at_ = m_.pixel(x, y);
}

void QtCanvas::line_to(int32_t x, int32_t y) {
  const QPoint to = m_.pixel(x, y);
  if (pen().style != PenStyle::Hollow && to != at_) {
    if (not_xor()) {
      not_xor_line(at_, to);
    } else {
      p_.drawLine(at_, to);
    }
  }
  at_ = to;
}

void QtCanvas::not_xor_line(QPoint from, QPoint to) {
  // Bresenham without the end point, which belongs to the next segment: each
  // pixel of a polyline is inverted once.
  const QColor c = to_qcolor(pen().colour);
  const int dx = std::abs(to.x() - from.x());
  const int dy = -std::abs(to.y() - from.y());
  const int sx = from.x() < to.x() ? 1 : -1;
  const int sy = from.y() < to.y() ? 1 : -1;
  int err = dx + dy;
  QPoint at = from;
  int n = 0;
  const bool dotted = pen().style == PenStyle::Dot;
  while (at != to) {
    if (!dotted || n % 2 == 0) p_.fillRect(QRect(at, QSize(1, 1)), c);
    ++n;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      at.rx() += sx;
    }
    if (e2 <= dx) {
      err += dx;
      at.ry() += sy;
    }
  }
}

void QtCanvas::polygon(std::span<const CanvasPoint> points) {
  if (points.empty()) return;
  QPolygon poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const CanvasPoint& pt : points) poly << m_.pixel(pt.x, pt.y);
  p_.drawPolygon(poly, Qt::OddEvenFill);
}

void QtCanvas::poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) {
  // One path with the even-odd rule: the rings of a glyph cut its holes.
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  std::size_t at = 0;
  for (const int32_t count : counts) {
    if (count <= 0 || at + static_cast<std::size_t>(count) > points.size()) break;
    QPolygonF ring;
    for (int32_t i = 0; i < count; ++i) {
      const CanvasPoint& pt = points[at + static_cast<std::size_t>(i)];
      ring << QPointF(m_.pixel(pt.x, pt.y));
    }
    ring << ring.front();
    path.addPolygon(ring);
    at += static_cast<std::size_t>(count);
  }
  p_.drawPath(path);
}

void QtCanvas::not_xor_rectangle(const QRect& r) {
  // Every pixel once: the interior with the brush, the border with the pen.
  const bool outline = pen().style != PenStyle::Hollow;
  if (!brush().hollow) {
    const QRect inner = outline ? r.adjusted(1, 1, -1, -1) : r;
    if (inner.isValid()) p_.fillRect(inner, to_qcolor(brush().colour));
  }
  if (!outline) return;
  const QColor c = to_qcolor(pen().colour);
  std::vector<QPoint> border;
  for (int x = r.left(); x <= r.right(); ++x) border.emplace_back(x, r.top());
  for (int y = r.top() + 1; y <= r.bottom(); ++y) border.emplace_back(r.right(), y);
  if (r.height() > 1) {
    for (int x = r.right() - 1; x >= r.left(); --x) border.emplace_back(x, r.bottom());
  }
  if (r.width() > 1) {
    for (int y = r.bottom() - 1; y > r.top(); --y) border.emplace_back(r.left(), y);
  }
  const bool dotted = pen().style == PenStyle::Dot;
  for (std::size_t i = 0; i < border.size(); ++i) {
    if (dotted && i % 2 != 0) continue;
    p_.fillRect(QRect(border[i], QSize(1, 1)), c);
  }
}

void QtCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const QRect r = m_.pixel_rect(left, top, right, bottom);
  if (not_xor() || pen().style == PenStyle::Hollow || pen_pixels() == 1) {
    if (not_xor()) {
      not_xor_rectangle(r);
      return;
    }
    // The pixel border of the rectangle, pen over the filled interior.
    if (!brush().hollow) p_.fillRect(r, to_qcolor(brush().colour));
    if (pen().style != PenStyle::Hollow) {
      p_.setBrush(Qt::NoBrush);
      p_.drawRect(r.adjusted(0, 0, -1, -1));
      apply();
    }
    return;
  }
  p_.drawRect(r);
}

void QtCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  p_.drawEllipse(m_.pixel_rect(left, top, right, bottom));
}

void QtCanvas::set_pixel(int32_t x, int32_t y, Rgb colour) {
  p_.fillRect(QRect(m_.pixel(x, y), QSize(1, 1)), to_qcolor(colour));
}

}  // namespace lumetch
