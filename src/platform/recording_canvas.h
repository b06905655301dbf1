#pragma once

#include <vector>

#include "platform/canvas.h"

namespace lumetch {

// Keeps every drawing call with the pen and brush in force, for tests and for
// comparing what two routes drew.
class RecordingCanvas : public Canvas {
 public:
  struct Op {
    enum class Kind { MoveTo, LineTo, Polygon, PolyPolygon, Rectangle, Ellipse, Pixel };
    Kind kind;
    std::vector<CanvasPoint> points;  // one point, a polygon, or two rectangle corners
    std::vector<int32_t> counts;      // poly-polygon only
    Pen pen;
    Brush brush;
    bool not_xor = false;
    Rgb colour;  // pixel only
  };

  void move_to(int32_t x, int32_t y) override;
  void line_to(int32_t x, int32_t y) override;
  void polygon(std::span<const CanvasPoint> points) override;
  void poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void set_pixel(int32_t x, int32_t y, Rgb colour) override;

  const std::vector<Op>& ops() const { return ops_; }
  void clear() { ops_.clear(); }
  // Line segments drawn by move_to/line_to pairs, as (from, to).
  std::vector<std::pair<CanvasPoint, CanvasPoint>> segments() const;

 private:
  Op make(Op::Kind kind) const;
  std::vector<Op> ops_;
};

}  // namespace lumetch
