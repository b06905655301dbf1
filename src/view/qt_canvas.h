#pragma once

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QPolygon>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/canvas.h"

namespace lumetch {

// View units (0.01 mm, Y up) to device pixels: `scale` pixels per unit, and
// the view point (scroll_x, -scroll_y) at the top-left pixel, to the nearest
// pixel. A view unit is first rounded to its pixel of the whole scroll area,
// which is then shifted by whole pixels, so that the picture at one scroll
// position is the picture at another moved by whole pixels: a kept picture
// can be reused as it stands. `shift_x` and `shift_y` move the top-left pixel
// further, for images that hold a part of the picture.
struct ViewMapping {
  double scale = 96.0 / 2540.0;
  int32_t scroll_x = 0;
  int32_t scroll_y = 0;
  int32_t shift_x = 0;
  int32_t shift_y = 0;

  // The pixel of the whole scroll area (scroll position 0) at the top-left.
  int32_t left_pixel() const;
  int32_t top_pixel() const;

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

  // The pixels (of the painter's device) that what was drawn since the last
  // call may have touched, a little generously; empty when nothing was drawn.
  // Kept from the first call on.
  QRect take_drawn();
  // Blocks of copies were put: their copies may land a pixel away from where
  // they would be drawn one by one, and where they start depends on what is
  // in sight, so such a picture is not kept.
  bool stamped() const { return stamped_; }

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
  // Fills with the brush and no pen.
  template <class Fill>
  void fill_without_pen(Fill&& fill);
  // The closed outline of `poly` as collected lines.
  void outline(const QPolygon& poly);
  // Widens the drawn area by `r` and the pen's width.
  void touch(QRect r);

  QPainter& main_;
  QPainter* p_;  // main_, or the stamp's painter while a stamp is drawn
  ViewMapping m_;
  int32_t left_ = 0;  // m_'s top-left pixel of the whole scroll area
  int32_t top_ = 0;
  QPoint at_;
  QRect drawn_;
  bool tracking_ = false;
  bool stamped_ = false;
  bool batch_lines_ = false;   // the pen is solid and one pixel wide
  uint32_t batch_colour_ = 0;  // its colour, 0xRRGGBB
  std::vector<QLine> lines_;
  QImage stamp_;
  QRect stamp_box_;     // the pixels the stamp was drawn for
  QPoint stamp_anchor_;  // view units of its top-left corner
  std::optional<QPainter> stamp_painter_;
};

}  // namespace lumetch
