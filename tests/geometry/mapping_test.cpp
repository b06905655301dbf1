#include "geometry/mapping.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "model/mark_object.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

TEST(MarkerMapping, BothAxesFollowTheFormula) {
  MarkSettings s;
  s.mark_size_x = s.mark_size_y = 100;
  const auto both = [&](double mm) { return std::pair(marker_x(s, mm), marker_y(s, mm)); };
  EXPECT_EQ(both(0), std::pair(2000, 2000));  // the centre of a 100 mm field
  s.locate_cent_x = s.locate_cent_y = 5;
  s.scan_cent_x = s.scan_cent_y = 2;
  EXPECT_EQ(both(1), std::pair(2160, 2160));
  s.rate_x = s.rate_y = 0.0625;  // 2.5 units per mm: exact halves round away from zero
  EXPECT_EQ(both(0), std::pair(133, 133));
  EXPECT_EQ(both(-106), std::pair(-133, -133));
}

TEST(Mapper, MapsPointsAndOffsetsOnEachTarget) {
  CketralDoc doc;
  doc.settings.mark_size_y = 60;
  doc.settings.rate_x = 1.5;
  doc.settings.rate_y = 2.0;
  doc.view.zoom_index = 2;  // Z = 5
  doc.raster_left = -20;
  doc.raster_top = 20;
  doc.settings.resolution = 10;

  const Mapper m(doc, DrawTarget::Marker);
  EXPECT_EQ(m.point(0.01, 0), (CanvasPoint{3001, 2400}));  // each axis its own settings
  EXPECT_EQ(m.dx(0.5), 30);
  EXPECT_EQ(m.dy(0.5), 40);

  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const Mapper s(doc, DrawTarget::Screen);
  EXPECT_EQ(s.point(1.3, 1.3), (CanvasPoint{16014, 14 - 16000}));  // origin 16000
  EXPECT_EQ(s.point(-1.3, -1.3), (CanvasPoint{15986, -14 - 16000}));
  EXPECT_EQ(s.point(1e12, -1e12), (CanvasPoint{kMax, -kMax - 1}));  // doubled without wrapping
  EXPECT_EQ(s.dx(1.3), 13);  // 2·Z·d rounded once: an offset may be odd where a point never is
  EXPECT_EQ(s.dy(-1.3), -13);

  const Mapper r(doc, DrawTarget::Raster);
  EXPECT_EQ(r.point(-20, 19), (CanvasPoint{0, 10}));  // rows grow down
  EXPECT_EQ(r.y(21), -10);    // above the top: off the bitmap, never mirrored into it
  EXPECT_EQ(r.dy(1.0), -10);  // up on the field is up the bitmap
}

TEST(GeomContext, ChoosesTheTarget) {
  CketralDoc doc;
  const GeomContext g{doc, nullptr};
  RecordingCanvas canvas;
  EXPECT_EQ(g.choose(nullptr), DrawTarget::Screen);  // no job
  doc.engraving = 1;
  EXPECT_EQ(g.choose(nullptr), DrawTarget::Marker);
  EXPECT_EQ(g.choose(&canvas), DrawTarget::Screen);  // a canvas is painted even while engraving
  doc.raster_mode = 1;
  EXPECT_EQ(g.choose(nullptr), DrawTarget::Marker);  // engraving wins over raster
  EXPECT_EQ(g.choose(&canvas), DrawTarget::Raster);  // scan rendering while engraving
}

TEST(RotateAbout, ZeroLeavesThePointBitForBitAndPositiveAnglesTurnClockwise) {
  double x = 0.1 + 0.2;
  double y = -1.0 / 3.0;
  RotateAbout(7.25, -3.5, x, y, 0.0);
  EXPECT_EQ(std::bit_cast<uint64_t>(x), std::bit_cast<uint64_t>(0.1 + 0.2));
  EXPECT_EQ(std::bit_cast<uint64_t>(y), std::bit_cast<uint64_t>(-1.0 / 3.0));

  const double a = object_radians(90);
  x = 11;  // right of the centre goes below it
  y = 5;
  RotateAbout(10, 5, x, y, a);
  EXPECT_NEAR(x, 10, 1e-5);
  EXPECT_NEAR(y, 4, 1e-5);
  EXPECT_NE(x, 10.0);  // pi is 3.14159 here
}

TEST(CopyWalk, ColumnByColumnFromTheTopLeftAndStopsBetweenCopies) {
  MarkObject obj;
  obj.rows = 2;
  obj.columns = 3;
  obj.row_gap = 1;
  obj.column_gap = 2;
  obj.cent_x = 3;
  obj.cent_y = -2;
  CketralDoc doc;
  std::vector<std::pair<double, double>> copies;
  for_each_copy(doc, obj, 10, 5, [&](double left, double top) { copies.emplace_back(left, top); });
  // Copies of 10 × 5: 34 × 11 in all, centred on (3, -2).
  EXPECT_EQ(copies, (std::vector<std::pair<double, double>>{
                        {-14, 3.5}, {-14, -2.5}, {-2, 3.5}, {-2, -2.5}, {10, 3.5}, {10, -2.5}}));
  // Raised before the walk, inside a column, at its end, and in the next column.
  for (int stop_in : {0, 1, 2, 3}) {
    doc.stop_requested = stop_in == 0 ? 1 : 0;
    int calls = 0;
    for_each_copy(doc, obj, 1, 1, [&](double, double) {
      if (++calls == stop_in) doc.stop_requested = 1;
    });
    EXPECT_EQ(calls, stop_in);
  }
}

}  // namespace
}  // namespace lumetch
