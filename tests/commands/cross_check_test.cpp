// What is seen is what is marked: the marker stream of a shape, read back in
// millimetres, runs through the same points as its screen drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "commands/draw_object.h"
#include "geometry/marker_capture.h"
#include "model/layout_file.h"
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

TEST(SeenIsMarked, ARectangleRecordMarksItsInnerContourAtItsOwnFieldPoints) {
  // Left edge at -4.992 mm, band 0.208 mm: the inner left edge lies at
  // round((50 - 4.784) * 40) = 1809, not at the outer corner's 1800 plus 8.
  const std::unique_ptr<MarkObject> obj = parse_record(
      "2,1,1,  0.000,  0.000,  0.008,  0.000, 10.000, 10.000,  0.000,0,0,  0.100,0,0,0,0, "
      "10.000, 10.000,  0.208,0,0.00");
  ASSERT_NE(obj, nullptr);
  test::MarkerCapture marker;
  run_generator(marker.g, nullptr, *obj);
  const std::vector<test::Move> moves = marker.moves();
  ASSERT_EQ(moves.size(), 10u);
  EXPECT_EQ(
      std::vector<test::Move>(moves.begin() + 5, moves.end()),
      (std::vector<test::Move>{test::up(1809, 2192), test::down(1809, 1808), test::down(2192, 1808),
                               test::down(2192, 2192), test::down(1809, 2192)}));
}

}  // namespace
}  // namespace lumetch
