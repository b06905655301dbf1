#include "platform/recording_canvas.h"

namespace lumetch {

RecordingCanvas::Op RecordingCanvas::make(Op::Kind kind) const {
  Op op{kind, {}, {}, pen(), brush(), not_xor(), {}};
  return op;
}

void RecordingCanvas::move_to(int32_t x, int32_t y) {
  Op op = make(Op::Kind::MoveTo);
  op.points.push_back({x, y});
  ops_.push_back(std::move(op));
}

void RecordingCanvas::line_to(int32_t x, int32_t y) {
  Op op = make(Op::Kind::LineTo);
  op.points.push_back({x, y});
  ops_.push_back(std::move(op));
}

void RecordingCanvas::polygon(std::span<const CanvasPoint> points) {
  Op op = make(Op::Kind::Polygon);
  op.points.assign(points.begin(), points.end());
  ops_.push_back(std::move(op));
}

void RecordingCanvas::poly_polygon(std::span<const CanvasPoint> points,
                                   std::span<const int32_t> counts) {
  Op op = make(Op::Kind::PolyPolygon);
  op.points.assign(points.begin(), points.end());
  op.counts.assign(counts.begin(), counts.end());
  ops_.push_back(std::move(op));
}

void RecordingCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Op op = make(Op::Kind::Rectangle);
  op.points = {{left, top}, {right, bottom}};
  ops_.push_back(std::move(op));
}

void RecordingCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Op op = make(Op::Kind::Ellipse);
  op.points = {{left, top}, {right, bottom}};
  ops_.push_back(std::move(op));
}

void RecordingCanvas::set_pixel(int32_t x, int32_t y, Rgb colour) {
  Op op = make(Op::Kind::Pixel);
  op.points.push_back({x, y});
  op.colour = colour;
  ops_.push_back(std::move(op));
}

std::vector<std::pair<CanvasPoint, CanvasPoint>> RecordingCanvas::segments() const {
  std::vector<std::pair<CanvasPoint, CanvasPoint>> out;
  CanvasPoint at;
  for (const Op& op : ops_) {
    if (op.kind == Op::Kind::MoveTo) {
      at = op.points[0];
    } else if (op.kind == Op::Kind::LineTo) {
      out.emplace_back(at, op.points[0]);
      at = op.points[0];
    }
  }
  return out;
}

}  // namespace lumetch
