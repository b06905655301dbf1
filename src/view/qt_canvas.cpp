#include "view/qt_canvas.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "model/units.h"

namespace lumetch {

namespace {

QColor to_qcolor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}

// The canvas whose collected lines are not drawn yet. A canvas made while
// another one on the same painter is alive (the selection marks drawn after
// the objects) must not be overtaken by lines still waiting. Painting runs on
// the GUI thread only.
thread_local QtCanvas* t_waiting = nullptr;

// Enough to make the painter's per-call cost vanish, little memory.
constexpr std::size_t kMaxWaitingLines = 4096;

// Larger images are left to the painter.
constexpr int kMaxDirectSide = 16384;

// Inclusive pixel bounds; QRect::contains is not inlined and costs more than
// the pixel it guards.
struct PixelBox {
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;

  explicit PixelBox(const QRect& r)
      : left(r.left()), top(r.top()), right(r.right()), bottom(r.bottom()) {}
  PixelBox() = default;
  bool holds(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
  bool holds(const PixelBox& b) const {
    return b.left >= left && b.right <= right && b.top >= top && b.bottom <= bottom;
  }
};

// A painter's image that one-pixel lines can be written into directly: an
// opaque 32-bit raster, no transformation beyond whole-pixel shifts, no clip
// of the painter's own (the system clip of a paint event is honoured).
struct DirectImage {
  uint32_t* bits = nullptr;
  qsizetype words_per_line = 0;
  PixelBox image;                // the whole image
  PixelBox bounds;               // image and clip: where pixels may go
  std::vector<PixelBox> pieces;  // the clip's rectangles when it is not one
  QPoint shift;                  // device pixel = painter pixel + shift

  bool visible(int x, int y) const {
    if (!bounds.holds(x, y)) return false;
    if (pieces.empty()) return true;
    for (const PixelBox& r : pieces) {
      if (r.holds(x, y)) return true;
    }
    return false;
  }
};

std::optional<DirectImage> direct_image(const QPainter& p) {
  QPaintEngine* engine = p.paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) return std::nullopt;
  QPaintDevice* device = engine->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return std::nullopt;
  auto* image = static_cast<QImage*>(device);
  if ((image->format() != QImage::Format_RGB32 &&
       image->format() != QImage::Format_ARGB32_Premultiplied) ||
      image->width() > kMaxDirectSide || image->height() > kMaxDirectSide) {
    return std::nullopt;
  }
  if (p.hasClipping() || p.opacity() != 1.0 ||
      p.compositionMode() != QPainter::CompositionMode_SourceOver ||
      p.testRenderHint(QPainter::Antialiasing)) {
    return std::nullopt;
  }
  const QTransform& t = p.deviceTransform();
  if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) ||
      t.dy() != std::floor(t.dy()) || std::fabs(t.dx()) > 1e6 || std::fabs(t.dy()) > 1e6) {
    return std::nullopt;
  }
  DirectImage d;
  // The painter writes into the image's data as it is, without detaching;
  // so do we.
  d.bits = reinterpret_cast<uint32_t*>(const_cast<uchar*>(image->constBits()));
  d.words_per_line = image->bytesPerLine() / 4;
  d.image = PixelBox(image->rect());
  d.bounds = d.image;
  d.shift = QPoint(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
  const QRegion system_clip = engine->systemClip();
  if (!system_clip.isEmpty()) {
    d.bounds = PixelBox(image->rect() & system_clip.boundingRect());
    if (system_clip.rectCount() > 1) {
      for (const QRect& r : system_clip) d.pieces.emplace_back(r);
    }
  }
  return d;
}

// The pixels the raster engine sets for an aliased one-pixel line with square
// caps between two pixel centres: one pixel per step along the longer axis,
// both ends included, the other axis followed in 16.16 fixed point with the
// engine's rounding. a != b. Only the pixels inside `clip` are put, and they
// are the pixels of the whole line there: a line cut by an image's edge sets
// the same pixels as in a larger image (the painter, which cuts the line
// first, may start it a pixel aside), so parts of a picture drawn apart fit
// together.
template <class Put>
void line_pixels(QPoint a, QPoint b, const PixelBox& clip, Put&& put) {
  const int64_t dx = int64_t{b.x()} - a.x();
  const int64_t dy = int64_t{b.y()} - a.y();
  const bool steep = std::abs(dx) < std::abs(dy);
  int64_t along = steep ? dy : dx;
  if (along == 1 || along == -1) {
    // One step (most segments of a flattened curve): just the two ends.
    if (clip.holds(a.x(), a.y())) put(a.x(), a.y());
    if (clip.holds(b.x(), b.y())) put(b.x(), b.y());
    return;
  }
  int64_t across = steep ? dx : dy;
  QPoint from = a;
  if (along < 0) {
    along = -along;
    across = -across;
    from = b;
  }
  const int64_t start_along = steep ? from.y() : from.x();
  const int64_t start_across = steep ? from.x() : from.y();
  const int64_t inc = across * 65536 / along;
  const int64_t round = inc > 0 ? 32 : 0;
  const int64_t pos0 = start_across * 65536 - (inc >> 1) + (((round + 32) * inc) >> 6);
  const int64_t lo = std::max<int64_t>(start_along, steep ? clip.top : clip.left);
  const int64_t hi = std::min<int64_t>(start_along + along, steep ? clip.bottom : clip.right);
  const int64_t lo_across = steep ? clip.left : clip.top;
  const int64_t hi_across = steep ? clip.right : clip.bottom;
  int64_t pos = pos0 + (lo - start_along) * inc;
  for (int64_t i = lo; i <= hi; ++i, pos += inc) {
    const int64_t other = pos >> 16;
    if (other < lo_across || other > hi_across) continue;
    if (steep) {
      put(static_cast<int>(other), static_cast<int>(i));
    } else {
      put(static_cast<int>(i), static_cast<int>(other));
    }
  }
}

// The mapping of ViewMapping::px and py, here where the compiler can inline
// it into the per-point calls.
inline int pixel_x(double scale, int32_t left, double x) {
  return nearest_int(x * scale) - left;
}

inline int pixel_y(double scale, int32_t top, double y) {
  return nearest_int(-y * scale) - top;
}

}  // namespace

int32_t ViewMapping::left_pixel() const {
  return nearest_int(scroll_x * scale) + shift_x;
}

int32_t ViewMapping::top_pixel() const {
  return nearest_int(scroll_y * scale) + shift_y;
}

int ViewMapping::px(double x) const {
  return pixel_x(scale, left_pixel(), x);
}

int ViewMapping::py(double y) const {
  return pixel_y(scale, top_pixel(), y);
}

QRect ViewMapping::pixel_rect(double left, double top, double right, double bottom) const {
  const QPoint a = pixel(left, top);
  const QPoint b = pixel(right, bottom);
  return QRect(a, b).normalized();
}

QPoint ViewMapping::view_point(QPoint pixel) const {
  const double x = (static_cast<double>(pixel.x()) + left_pixel()) / scale;
  const double y = -(static_cast<double>(pixel.y()) + top_pixel()) / scale;
  return {nearest_int(x), nearest_int(y)};
}

QtCanvas::QtCanvas(QPainter& painter, const ViewMapping& mapping)
    : main_(painter),
      p_(&painter),
      m_(mapping),
      left_(mapping.left_pixel()),
      top_(mapping.top_pixel()) {
  if (t_waiting != nullptr) t_waiting->flush();
  p_->save();
  p_->setRenderHint(QPainter::Antialiasing, false);
  apply();
}

QtCanvas::~QtCanvas() {
  if (stamp_painter_) end_stamp();
  flush();
  p_->restore();
}

bool QtCanvas::begin_stamp(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (stamp_painter_ || not_xor()) return false;
  const int margin = pen_pixels() + 1;
  const QRect box = m_.pixel_rect(left, top, right, bottom).adjusted(-margin, -margin, margin, margin);
  // A block larger than this is no cheaper to repeat than to draw.
  constexpr int kMaxStampSide = 1024;
  if (box.isEmpty() || box.width() > kMaxStampSide || box.height() > kMaxStampSide) return false;
  flush();
  if (stamp_.size() != box.size()) stamp_ = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
  stamp_.fill(Qt::transparent);
  stamp_box_ = box;
  stamp_anchor_ = QPoint(left, top);
  stamp_painter_.emplace(&stamp_);
  stamp_painter_->translate(-box.topLeft());
  stamp_painter_->setRenderHint(QPainter::Antialiasing, false);
  p_ = &*stamp_painter_;
  apply();
  return true;
}

void QtCanvas::end_stamp() {
  if (!stamp_painter_) return;
  flush();
  stamp_painter_.reset();
  p_ = &main_;
  apply();
}

void QtCanvas::put_stamp(int32_t dx, int32_t dy) {
  if (stamp_painter_ || stamp_.isNull()) return;
  flush();
  const double ax = stamp_anchor_.x();
  const double ay = stamp_anchor_.y();
  const QPoint shift(m_.px(ax + dx) - m_.px(ax), m_.py(ay + dy) - m_.py(ay));
  p_->drawImage(stamp_box_.topLeft() + shift, stamp_);
  stamped_ = true;
  drawn_ |= stamp_box_.translated(shift);
}

void QtCanvas::flush() {
  if (t_waiting == this) t_waiting = nullptr;
  if (lines_.empty()) return;
  // Into an image the pixels are set here, as the painter would set them, at
  // a fraction of its cost per line; lines that leave the image are cut
  // pixel by pixel.
  if (const std::optional<DirectImage> d = direct_image(*p_)) {
    const uint32_t colour = 0xFF000000u | batch_colour_;
    uint32_t* const bits = d->bits;
    const qsizetype stride = d->words_per_line;
    for (const QLine& l : lines_) {
      const QPoint a = l.p1() + d->shift;
      const QPoint b = l.p2() + d->shift;
      // Every pixel of a line lies in the box of its ends.
      PixelBox box;
      box.left = std::min(a.x(), b.x());
      box.right = std::max(a.x(), b.x());
      box.top = std::min(a.y(), b.y());
      box.bottom = std::max(a.y(), b.y());
      if (box.right < d->bounds.left || box.left > d->bounds.right ||
          box.bottom < d->bounds.top || box.top > d->bounds.bottom) {
        continue;
      }
      if (d->pieces.empty()) {
        line_pixels(a, b, d->bounds, [&](int x, int y) { bits[y * stride + x] = colour; });
      } else {
        line_pixels(a, b, d->bounds, [&](int x, int y) {
          if (d->visible(x, y)) bits[y * stride + x] = colour;
        });
      }
    }
    lines_.clear();
  }
  // One call draws each line as drawLine would, one after another.
  if (!lines_.empty()) p_->drawLines(lines_.data(), static_cast<int>(lines_.size()));
  lines_.clear();
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

QRect QtCanvas::take_drawn() {
  tracking_ = true;
  const QRect r = drawn_;
  drawn_ = QRect();
  return r;
}

void QtCanvas::touch(QRect r) {
  if (!tracking_) return;
  const int w = pen().style == PenStyle::Hollow ? 1 : pen_pixels() + 1;
  drawn_ |= r.normalized().adjusted(-w, -w, w, w);
}

int QtCanvas::pen_pixels() const {
  const int w = nearest_int(pen().width * m_.scale);
  return w < 1 ? 1 : w;
}

void QtCanvas::apply() {
  flush();
  batch_lines_ = false;
  if (pen().style == PenStyle::Hollow) {
    p_->setPen(Qt::NoPen);
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
    p_->setPen(qp);
    batch_lines_ = w == 1 && pen().style == PenStyle::Solid;
    batch_colour_ = qRgb(pen().colour.r, pen().colour.g, pen().colour.b) & 0xFFFFFFu;
  }
  if (brush().hollow) {
    p_->setBrush(Qt::NoBrush);
  } else {
    p_->setBrush(to_qcolor(brush().colour));
  }
  p_->setCompositionMode(not_xor() ? QPainter::RasterOp_NotSourceXorDestination
                                  : QPainter::CompositionMode_SourceOver);
}

void QtCanvas::move_to(int32_t x, int32_t y) {
  at_ = QPoint(pixel_x(m_.scale, left_, x), pixel_y(m_.scale, top_, y));
}

void QtCanvas::line_to(int32_t x, int32_t y) {
  const QPoint to(pixel_x(m_.scale, left_, x), pixel_y(m_.scale, top_, y));
  if (pen().style != PenStyle::Hollow && to != at_) {
    touch(QRect(at_, to));
    if (not_xor()) {
      not_xor_line(at_, to);
    } else if (batch_lines_) {
      // While lines wait, this canvas is the waiting one.
      if (lines_.empty()) {
        if (t_waiting != nullptr) t_waiting->flush();
        t_waiting = this;
      }
      lines_.emplace_back(at_, to);
      if (lines_.size() >= kMaxWaitingLines) flush();
    } else {
      p_->drawLine(at_, to);
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
    if (!dotted || n % 2 == 0) p_->fillRect(QRect(at, QSize(1, 1)), c);
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
  flush();
  if (points.empty()) return;
  QPolygon poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const CanvasPoint& pt : points) poly << m_.pixel(pt.x, pt.y);
  touch(poly.boundingRect());
  if (!batch_lines_) {
    p_->drawPolygon(poly, Qt::OddEvenFill);
    return;
  }
  fill_without_pen([&] { p_->drawPolygon(poly, Qt::OddEvenFill); });
  outline(poly);
}

void QtCanvas::poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) {
  flush();
  // One path with the even-odd rule: the rings of a glyph cut its holes.
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  std::vector<QPolygon> rings;
  std::size_t at = 0;
  for (const int32_t count : counts) {
    if (count <= 0 || at + static_cast<std::size_t>(count) > points.size()) break;
    QPolygon ring;
    for (int32_t i = 0; i < count; ++i) {
      const CanvasPoint& pt = points[at + static_cast<std::size_t>(i)];
      ring << m_.pixel(pt.x, pt.y);
    }
    ring << ring.front();
    path.addPolygon(QPolygonF(ring));
    if (batch_lines_) rings.push_back(std::move(ring));
    at += static_cast<std::size_t>(count);
  }
  touch(path.boundingRect().toAlignedRect());
  if (!batch_lines_) {
    p_->drawPath(path);
    return;
  }
  fill_without_pen([&] { p_->drawPath(path); });
  for (const QPolygon& ring : rings) outline(ring);
}

template <class Fill>
void QtCanvas::fill_without_pen(Fill&& fill) {
  if (brush().hollow) return;
  p_->setPen(Qt::NoPen);
  fill();
  apply();
}

void QtCanvas::outline(const QPolygon& poly) {
  // The painter's outline of a shape that an image's edge cuts starts a
  // pixel aside of the uncut one; the collected lines do not.
  if (poly.size() < 2) return;
  if (t_waiting != nullptr && t_waiting != this) t_waiting->flush();
  t_waiting = this;
  for (qsizetype i = 0; i < poly.size(); ++i) {
    const QPoint a = poly[i];
    const QPoint b = poly[(i + 1) % poly.size()];
    if (a != b) lines_.emplace_back(a, b);
  }
  if (lines_.size() >= kMaxWaitingLines) flush();
}

void QtCanvas::not_xor_rectangle(const QRect& r) {
  // Every pixel once: the interior with the brush, the border with the pen.
  const bool outline = pen().style != PenStyle::Hollow;
  if (!brush().hollow) {
    const QRect inner = outline ? r.adjusted(1, 1, -1, -1) : r;
    if (inner.isValid()) p_->fillRect(inner, to_qcolor(brush().colour));
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
    p_->fillRect(QRect(border[i], QSize(1, 1)), c);
  }
}

void QtCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  flush();
  const QRect r = m_.pixel_rect(left, top, right, bottom);
  touch(r);
  if (not_xor() || pen().style == PenStyle::Hollow || pen_pixels() == 1) {
    if (not_xor()) {
      not_xor_rectangle(r);
      return;
    }
    // The pixel border of the rectangle, pen over the filled interior.
    if (!brush().hollow) p_->fillRect(r, to_qcolor(brush().colour));
    if (pen().style != PenStyle::Hollow) {
      p_->setBrush(Qt::NoBrush);
      p_->drawRect(r.adjusted(0, 0, -1, -1));
      apply();
    }
    return;
  }
  p_->drawRect(r);
}

void QtCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  flush();
  const QRect r = m_.pixel_rect(left, top, right, bottom);
  touch(r);
  if (!batch_lines_) {
    p_->drawEllipse(r);
    return;
  }
  fill_without_pen([&] { p_->drawEllipse(r); });
  QPainterPath path;
  path.addEllipse(QRectF(r));
  for (const QPolygonF& ring : path.toSubpathPolygons()) outline(ring.toPolygon());
}

void QtCanvas::set_pixel(int32_t x, int32_t y, Rgb colour) {
  flush();
  const QRect r(m_.pixel(x, y), QSize(1, 1));
  drawn_ |= r;
  p_->fillRect(r, to_qcolor(colour));
}

}  // namespace lumetch
