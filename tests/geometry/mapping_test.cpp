#include "geometry/mapping.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/mark_object.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

struct MarkerCase {
  const char* name;
  double mark_size;
  double locate_cent;
  double scan_cent;
  double rate;
  double mm;
  int32_t expected;
};

TEST(MarkerMapping, BothAxesFollowTheFormula) {
  const MarkerCase cases[] = {
      {"centre of a 100 mm field", 100, 0, 0, 1.0, 0, 2000},
      {"left edge", 100, 0, 0, 1.0, -50, 0},
      {"rate 1.5", 100, 0, 0, 1.5, 0.01, 3001},
      {"field shifted by locate and scan centres", 100, 5, 2, 1.0, 1, 2160},
      // rate 1/16 gives 2.5 units per mm: exact halves round away from zero.
      {"half rounds up", 100, 0, 0, 0.0625, 1, 128},
      {"negative half rounds down", 100, 0, 0, 0.0625, -101, -128},
      {"far outside saturates", 100, 0, 0, 1.0, 1e12, std::numeric_limits<int32_t>::max()},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    MarkSettings s;
    s.mark_size_x = s.mark_size_y = c.mark_size;
    s.locate_cent_x = s.locate_cent_y = c.locate_cent;
    s.scan_cent_x = s.scan_cent_y = c.scan_cent;
    s.rate_x = s.rate_y = c.rate;
    EXPECT_EQ(marker_x(s, c.mm), c.expected);
    EXPECT_EQ(marker_y(s, c.mm), c.expected);
  }
}

TEST(MarkerMapping, AxesUseTheirOwnSettings) {
  MarkSettings s;
  s.mark_size_x = 100;
  s.mark_size_y = 60;
  s.rate_x = 1.0;
  s.rate_y = 2.0;
  EXPECT_EQ(marker_x(s, 0), 2000);
  EXPECT_EQ(marker_y(s, 0), 2400);
}

TEST(ScreenMapping, RoundsThenDoubles) {
  ViewState v;
  v.zoom_index = 2;  // Z = 5
  ASSERT_EQ(v.zoom(), 5);
  v.origin_x = 16000;
  v.origin_y = 16000;
  EXPECT_EQ(screen_x(v, 1.3), 16014);
  EXPECT_EQ(screen_x(v, -1.3), 15986);
  EXPECT_EQ(screen_y(v, 1.3), 14 - 16000);
  EXPECT_EQ(screen_y(v, -1.3), -14 - 16000);
  // Doubling a saturated product must not wrap.
  EXPECT_EQ(screen_x(v, 1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(screen_y(v, -1e12), std::numeric_limits<int32_t>::min());
}

TEST(RasterMapping, RowsGrowDownFromTheTopLeft) {
  CketralDoc doc;
  doc.raster_left = -20;
  doc.raster_top = 20;
  doc.settings.resolution = 10;
  EXPECT_EQ(raster_x(doc, -20), 0);
  EXPECT_EQ(raster_y(doc, 20), 0);
  EXPECT_EQ(raster_y(doc, 19), 10);
  EXPECT_EQ(raster_x(doc, -18.5), 15);
  // Above the top the row is negative, off the bitmap, never mirrored into it.
  EXPECT_EQ(raster_y(doc, 21), -10);
}

TEST(Mapper, DispatchesPointsAndConvertsOffsetsOnTheirOwn) {
  CketralDoc doc;
  doc.settings.rate_x = 1.5;
  doc.settings.rate_y = 2.0;
  doc.view.zoom_index = 2;  // Z = 5
  doc.raster_left = -20;
  doc.raster_top = 20;
  doc.settings.resolution = 10;

  const Mapper m(doc, DrawTarget::Marker);
  EXPECT_EQ(m.point(0.01, 0), (CanvasPoint{3001, 4000}));
  EXPECT_EQ(m.dx(0.5), 30);
  EXPECT_EQ(m.dy(0.5), 40);
  EXPECT_EQ(m.dx(-0.01), -1);  // -0.6

  const Mapper s(doc, DrawTarget::Screen);
  EXPECT_EQ(s.point(1.3, 1.3), (CanvasPoint{16014, 14 - 16000}));
  // 2 × Z × d rounded once: an offset may be odd where a point never is.
  EXPECT_EQ(s.dx(1.3), 13);
  EXPECT_EQ(s.dy(-1.3), -13);

  const Mapper r(doc, DrawTarget::Raster);
  EXPECT_EQ(r.point(-20, 19), (CanvasPoint{0, 10}));
  EXPECT_EQ(r.dx(-0.25), -3);
  EXPECT_EQ(r.dy(1.0), -10);  // up on the field is up the bitmap
  EXPECT_EQ(r.dy(-0.25), 3);
}

TEST(GeomContext, ChoosesTheTarget) {
  struct Case {
    const char* name;
    int32_t engraving;
    int32_t raster_mode;
    bool with_canvas;
    DrawTarget expected;
  };
  const Case cases[] = {
      {"engraving without canvas", 1, 0, false, DrawTarget::Marker},
      {"engraving wins over raster without canvas", 1, 1, false, DrawTarget::Marker},
      {"engraving with a canvas paints", 1, 0, true, DrawTarget::Screen},
      {"scan rendering", 0, 1, true, DrawTarget::Raster},
      {"scan rendering while engraving", 1, 1, true, DrawTarget::Raster},
      {"plain paint", 0, 0, true, DrawTarget::Screen},
      {"no job, no canvas", 0, 0, false, DrawTarget::Screen},
  };
  RecordingCanvas canvas;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CketralDoc doc;
    doc.engraving = c.engraving;
    doc.raster_mode = c.raster_mode;
    const GeomContext g{doc, nullptr};
    EXPECT_EQ(g.choose(c.with_canvas ? &canvas : nullptr), c.expected);
  }
}

TEST(RotateAbout, ZeroAngleLeavesThePointBitForBit) {
  double x = 0.1 + 0.2;
  double y = -1.0 / 3.0;
  const double x0 = x;
  const double y0 = y;
  RotateAbout(7.25, -3.5, x, y, 0.0);
  EXPECT_EQ(std::bit_cast<uint64_t>(x), std::bit_cast<uint64_t>(x0));
  EXPECT_EQ(std::bit_cast<uint64_t>(y), std::bit_cast<uint64_t>(y0));
}

TEST(RotateAbout, PositiveObjectAngleTurnsClockwise) {
  const double a = object_radians(90);
  EXPECT_EQ(a, -90 / 180.0 * 3.14159);
  // One millimetre right of the centre goes to one millimetre below it.
  double x = 11;
  double y = 5;
  RotateAbout(10, 5, x, y, a);
  EXPECT_NEAR(x, 10, 1e-5);
  EXPECT_NEAR(y, 4, 1e-5);
  // One millimetre above goes to one millimetre right.
  x = 10;
  y = 6;
  RotateAbout(10, 5, x, y, a);
  EXPECT_NEAR(x, 11, 1e-5);
  EXPECT_NEAR(y, 5, 1e-5);
  // Not exactly: pi is 3.14159 here.
  EXPECT_NE(x, 11.0);
}

struct Copy {
  double left;
  double top;
};

std::vector<Copy> walk(const CketralDoc& doc, const MarkObject& obj) {
  std::vector<Copy> out;
  for_each_copy(doc, obj, obj.width, obj.height, [&](double left, double top) {
    out.push_back({left, top});
  });
  return out;
}

TEST(CopyWalk, ColumnByColumnFromTheTopLeft) {
  CketralDoc doc;
  MarkObject obj;
  obj.columns = 3;
  obj.rows = 2;
  obj.width = 10;
  obj.height = 5;
  obj.column_gap = 2;
  obj.row_gap = 1;
  const std::vector<Copy> copies = walk(doc, obj);
  // TW = 34, TH = 11; (c0,r0), (c0,r1), (c1,r0), (c1,r1), (c2,r0), (c2,r1).
  const Copy expected[] = {{-17, 5.5}, {-17, -0.5}, {-5, 5.5}, {-5, -0.5}, {7, 5.5}, {7, -0.5}};
  ASSERT_EQ(copies.size(), std::size(expected));
  for (std::size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_DOUBLE_EQ(copies[i].left, expected[i].left);
    EXPECT_DOUBLE_EQ(copies[i].top, expected[i].top);
  }
}

TEST(CopyWalk, SingleCopyIsCentredOnTheObject) {
  CketralDoc doc;
  MarkObject obj;
  obj.cent_x = 3.25;
  obj.cent_y = -7.5;
  obj.width = 4;
  obj.height = 2;
  obj.row_gap = 9;  // gaps play no part with one copy
  obj.column_gap = 9;
  const std::vector<Copy> copies = walk(doc, obj);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_DOUBLE_EQ(copies[0].left + obj.width / 2, 3.25);
  EXPECT_DOUBLE_EQ(copies[0].top - obj.height / 2, -7.5);
}

TEST(CopyWalk, StopsBetweenCopiesAndColumns) {
  MarkObject obj;
  obj.columns = 3;
  obj.rows = 2;
  obj.width = 1;
  obj.height = 1;
  for (int stop_in : {1, 2, 3}) {
    SCOPED_TRACE(stop_in);
    CketralDoc doc;
    int calls = 0;
    for_each_copy(doc, obj, obj.width, obj.height, [&](double, double) {
      if (++calls == stop_in) doc.stop_requested = 1;
    });
    EXPECT_EQ(calls, stop_in);
  }
  CketralDoc stopped;
  stopped.stop_requested = 1;
  EXPECT_TRUE(walk(stopped, obj).empty());
}

}  // namespace
}  // namespace lumetch
