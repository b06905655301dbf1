#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>

#include "platform/canvas.h"

class QPainter;

namespace lumetch {

// View units (0.01 mm, Y up) to device pixels: `scale` pixels per unit, and
// the view point (scroll_x, -scroll_y) at the top-left pixel.
struct ViewMapping {
  double scale = 96.0 / 2540.0;
  int32_t scroll_x = 0;
  int32_t scroll_y = 0;

  int px(double x) const;
  int py(double y) const;
  QPoint pixel(double x, double y) const { return {px(x), py(y)}; }
  // Pixel rectangle covering the view rectangle (any corner order).
  QRect pixel_rect(double left, double top, double right, double bottom) const;
  // View units at the top-left corner of a pixel.
  QPoint view_point(QPoint pixel) const;
};

// Canvas over a QPainter in device pixels. NOT-XOR drawing inverts under the
// pen's complement and touches every pixel of a shape once, so the same marks
// drawn twice leave the picture as it was.
class QtCanvas : public Canvas {
 public:
  QtCanvas(QPainter& painter, const ViewMapping& mapping);
  ~QtCanvas() override;

  void set_pen(const Pen& pen) override;
  void set_brush(const Brush& brush) override;
  void set_not_xor(bool on) override;

  void move_to(int32_t x, int32_t y) override;
  void line_to(int32_t x, int32_t y) override;
  void polygon(std::span<const CanvasPoint> points) override;
  void poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void set_pixel(int32_t x, int32_t y, Rgb colour) override;

 private:
  void apply();
  // Pen width in whole pixels, at least one.
  int pen_pixels() const;
  void not_xor_rectangle(const QRect& r);
  void not_xor_line(QPoint from, QPoint to);

  QPainter& p_;
  ViewMapping m_;
  QPoint at_;
};

}  // namespace lumetch
