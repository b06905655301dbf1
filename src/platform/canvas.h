#pragma once

#include <cstdint>
#include <span>

#include "platform/rgb.h"

namespace lumetch {

struct CanvasPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const CanvasPoint&) const = default;
};

enum class PenStyle { Solid, Dot, Hollow };

struct Pen {
  Rgb colour;
  int32_t width = 1;
  PenStyle style = PenStyle::Solid;
  bool operator==(const Pen&) const = default;
};

struct Brush {
  Rgb colour;
  bool hollow = false;
  bool operator==(const Brush&) const = default;
};

// A drawing surface in integer target units: the view (0.01 mm, Y up), the
// one-bit scan raster (pixels, Y down) or a recording for tests. Generators
// get a Canvas* where a device context would be passed; null means none.
class Canvas {
 public:
  virtual ~Canvas() = default;

  const Pen& pen() const { return pen_; }
  const Brush& brush() const { return brush_; }
  virtual void set_pen(const Pen& pen) { pen_ = pen; }
  virtual void set_brush(const Brush& brush) { brush_ = brush; }
  // NOT-XOR drawing, for the selection marks.
  virtual void set_not_xor(bool on) { not_xor_ = on; }
  bool not_xor() const { return not_xor_; }

  virtual void move_to(int32_t x, int32_t y) = 0;
  virtual void line_to(int32_t x, int32_t y) = 0;
  // Filled with the brush and outlined with the pen.
  virtual void polygon(std::span<const CanvasPoint> points) = 0;
  virtual void poly_polygon(std::span<const CanvasPoint> points,
                            std::span<const int32_t> counts) = 0;
  virtual void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void set_pixel(int32_t x, int32_t y, Rgb colour) = 0;

  // Repeating one drawing, for arrays with thousands of copies in sight: what
  // is drawn between begin_stamp and end_stamp, inside the box given (target
  // units), is kept, and put_stamp draws it again shifted by whole target
  // units. False when this surface keeps no drawings: then draw every copy.
  virtual bool begin_stamp(int32_t /*left*/, int32_t /*top*/, int32_t /*right*/,
                           int32_t /*bottom*/) {
    return false;
  }
  virtual void end_stamp() {}
  virtual void put_stamp(int32_t /*dx*/, int32_t /*dy*/) {}

 private:
  Pen pen_;
  Brush brush_;
  bool not_xor_ = false;
};

}  // namespace lumetch
