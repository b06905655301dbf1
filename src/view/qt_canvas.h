#pragma once

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/canvas.h"

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
//
// Lines of a solid one-pixel pen are collected and drawn together: straight
// into the painter's image when it is a plain 32-bit raster (pixel for pixel
// what QPainter sets, at a fraction of its cost per line), otherwise in one
// painter call. They are drawn before any other drawing or change of pen,
// brush or mode, when flush() is called, when another canvas is made or draws
// a line, and when the canvas ends. Code that draws on the painter past the
// canvas while it lives calls flush() first.
class QtCanvas : public Canvas {
 public:
  QtCanvas(QPainter& painter, const ViewMapping& mapping);
  ~QtCanvas() override;
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

  // Draws the collected lines now.
  void flush();

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

  // A block of copies drawn into an image of its own, then put where each
  // block goes, whole pixels from where it was drawn.
  bool begin_stamp(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void end_stamp() override;
  void put_stamp(int32_t dx, int32_t dy) override;

 private:
  void apply();
  // Pen width in whole pixels, at least one.
  int pen_pixels() const;
  void not_xor_rectangle(const QRect& r);
  void not_xor_line(QPoint from, QPoint to);

  QPainter& main_;
  QPainter* p_;  // main_, or the stamp's painter while a stamp is drawn
  ViewMapping m_;
  QPoint at_;
  bool batch_lines_ = false;   // the pen is solid and one pixel wide
  uint32_t batch_colour_ = 0;  // its colour, 0xRRGGBB
  std::vector<QLine> lines_;
  QImage stamp_;
  QRect stamp_box_;     // the pixels the stamp was drawn for
  QPoint stamp_anchor_;  // view units of its top-left corner
  std::optional<QPainter> stamp_painter_;
};

}  // namespace lumetch
