// What is seen is what is marked: the marker stream of a shape, read back in
// millimetres, runs through the same points as its screen drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "commands/draw_object.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

struct Mm {
  double x;
  double y;
};

MarkObject shape(int32_t type, ParamBlock block, double w, double h) {
  MarkObject o;
  o.type = type;
  o.params = std::move(block);
  o.width = w;
  o.height = h;
  o.cent_x = 7.25;
  o.cent_y = -3.5;
  o.columns = 2;
  o.column_gap = 1.5;
  return o;
}

TEST(SeenIsMarked, OutlinesRunThroughTheSamePointsOnScreenAndMarker) {
  const std::vector<MarkObject> shapes = {
      shape(RECTANGLE, RectangleParams{20, 12, 2, 3, 0}, 20, 12),
      shape(RECTANGLE, RectangleParams{20, 12, 1, 3, 2}, 20, 12),
      shape(TRIANGLE, TriangleParams{18, 10, 1.5, 1}, 18, 10),
      shape(RHOMBIC, RhombicParams{16, 9, 1}, 16, 9),
      shape(POLYGON, PolygonParams{15, 2, 7}, 15, 15),
      shape(LINE, LineParams{30, 2}, 30, 2),
  };
  for (MarkObject obj : shapes) {
    obj.angle = obj.type == LINE ? 30.0 : 0.0;
    test::MarkerCapture marker;
    run_generator(marker.g, nullptr, obj);
    std::vector<Mm> marked;
    for (const test::Move& m : marker.moves()) {
      marked.push_back({m.x / 40.0 - 50.0, m.y / 40.0 - 50.0});
    }

    CketralDoc doc;
    doc.view.zoom_index = 8;  // 1 mm = 100 view units
    GeomContext g{doc, nullptr};
    RecordingCanvas canvas;
    run_generator(g, &canvas, obj);
    std::vector<Mm> seen;
    const double two_z = 2.0 * doc.view.zoom();
    for (const auto& op : canvas.ops()) {
      if (op.kind != RecordingCanvas::Op::Kind::MoveTo &&
          op.kind != RecordingCanvas::Op::Kind::LineTo) {
        continue;
      }
      seen.push_back({(op.points[0].x - doc.view.origin_x) / two_z,
                      (op.points[0].y + doc.view.origin_y) / two_z});
    }

    ASSERT_EQ(marked.size(), seen.size()) << "type " << obj.type;
    ASSERT_FALSE(marked.empty());
    for (std::size_t i = 0; i < marked.size(); ++i) {
      // One marker unit (0.025 mm) plus one view unit of rounding on either side.
      EXPECT_NEAR(marked[i].x, seen[i].x, 0.04) << "type " << obj.type << " point " << i;
      EXPECT_NEAR(marked[i].y, seen[i].y, 0.04) << "type " << obj.type << " point " << i;
    }
  }
}

}  // namespace
}  // namespace lumetch
