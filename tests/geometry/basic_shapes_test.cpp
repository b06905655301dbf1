#include "geometry/basic_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "geometry/marker_capture.h"
#include "model/mark_object.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

using test::down;
using test::MarkerCapture;
using test::Move;
using test::up;

using Contour = std::vector<CanvasPoint>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

MarkObject shape(ObjectType type, ParamBlock block, double w, double h, double cx = 0,
                 double cy = 0) {
  MarkObject obj;
  obj.type = type;
  obj.params = block;
  obj.width = w;
  obj.height = h;
  obj.cent_x = cx;
  obj.cent_y = cy;
  return obj;
}

MarkObject line(double w, double h, double angle = 0) {
  MarkObject obj = shape(LINE, LineParams{w, h}, w, h);
  obj.angle = angle;
  return obj;
}
MarkObject rect(double sx, double sy, double e, double rho, int32_t style, double cx = 0,
                double cy = 0) {
  return shape(RECTANGLE, RectangleParams{sx, sy, e, rho, style}, sx, sy, cx, cy);
}
MarkObject circle(double sx, double sy, double e) {
  return shape(CIRCLE, CircleParams{sx, sy, e}, sx, sy);
}
MarkObject triangle(double sx, double sy, double e, int32_t direction) {
  return shape(TRIANGLE, TriangleParams{sx, sy, e, direction}, sx, sy);
}
MarkObject rhombic(double sx, double sy, double e) {
  return shape(RHOMBIC, RhombicParams{sx, sy, e}, sx, sy);
}
MarkObject polygon(double d, double e, int32_t n) {
  return shape(POLYGON, PolygonParams{d, e, n}, d, d);
}

void draw(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  switch (obj.type) {
    case LINE:
      return DrawLine(g, dc, obj);
    case RECTANGLE:
      return DrawRectangle(g, dc, obj);
    case CIRCLE:
      return DrawCircle(g, dc, obj);
    case TRIANGLE:
      return DrawTriangle(g, dc, obj);
    case RHOMBIC:
      return DrawRhombic(g, dc, obj);
    case POLYGON:
      return DrawPolygon(g, dc, obj);
    default:
      FAIL() << "not a basic shape";
  }
}

// Marks the object (output mode 0 traces contours in list order) and splits
// the pen moves into strokes, one per pen-up move.
std::vector<Contour> marked(MarkerCapture& m, const MarkObject& obj) {
  draw(m.g, nullptr, obj);
  std::vector<Contour> out;
  for (const Move& mv : m.moves()) {
    if (!mv.down || out.empty()) out.emplace_back();
    out.back().push_back({mv.x, mv.y});
  }
  return out;
}

// The polylines a canvas received: one per move_to.
std::vector<Contour> traced(const RecordingCanvas& dc) {
  std::vector<Contour> out;
  for (const RecordingCanvas::Op& op : dc.ops()) {
    if (op.kind == RecordingCanvas::Op::Kind::MoveTo) out.emplace_back();
    if (op.kind == RecordingCanvas::Op::Kind::MoveTo ||
        op.kind == RecordingCanvas::Op::Kind::LineTo) {
      if (out.empty()) out.emplace_back();
      out.back().push_back(op.points[0]);
    }
  }
  return out;
}

// Twice the signed area; positive for counter-clockwise with Y up.
int64_t area2(const Contour& c) {
  int64_t sum = 0;
  for (std::size_t i = 0; i + 1 < c.size(); ++i) {
    sum += int64_t{c[i].x} * c[i + 1].y - int64_t{c[i + 1].x} * c[i].y;
  }
  return sum;
}

// A screen document with the origin offsets at 0, so that a field point maps
// to (2·round(Z·x), 2·round(Z·y)).
struct Screen {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;

  explicit Screen(int32_t zoom_index = 4) {  // Z = 10
    doc.view.zoom_index = zoom_index;
    doc.view.origin_x = 0;
    doc.view.origin_y = 0;
  }
  std::vector<Contour> draw_traced(const MarkObject& obj) {
    dc.clear();
    draw(g, &dc, obj);
    return traced(dc);
  }
};

// ---- Line -------------------------------------------------------------

TEST(DrawLine, ThinLineOnTheMarkerIsOneStrokeOtherwiseTheBox) {
  struct Case {
    const char* name;
    double height;
    int32_t output_mode;
    std::vector<Move> expected;
  };
  // Width 10 about the field centre: x from -5 to 5 mm, i.e. 1800 to 2200 units.
  const std::vector<Move> box{up(1800, 2010), down(2200, 2010), down(2200, 1990), down(1800, 1990),
                              down(1800, 2010)};
  const Case cases[] = {
      {"height 0.5, outline: one stroke through the middle",
       0.5,
       0,
       {up(1800, 2000), down(2200, 2000)}},
      {"counter-clockwise outline marks the box", 0.5, 1, box},
      {"height 1.0 marks the box",
       1.0,
       0,
       {up(1800, 2020), down(2200, 2020), down(2200, 1980), down(1800, 1980), down(1800, 2020)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    MarkObject obj = line(10, c.height);
    obj.output_mode = c.output_mode;
    draw(m.g, nullptr, obj);
    EXPECT_EQ(m.moves(), c.expected);
  }
}

TEST(DrawLine, ScreenAlwaysShowsTheBox) {
  Screen s;
  const std::vector<Contour> got = s.draw_traced(line(10, 0.5));
  const Contour box{{-100, 6}, {100, 6}, {100, -6}, {-100, -6}, {-100, 6}};
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], box);
  EXPECT_LT(area2(got[0]), 0) << "clockwise from the top-left corner";
}

TEST(DrawLine, AngleTurnsClockwiseAboutTheCopyCentre) {
  MarkerCapture m;
  draw(m.g, nullptr, line(10, 0.2, 90));
  // From (0, 5) mm to (0, -5) mm: top to bottom.
  EXPECT_EQ(m.moves(), (std::vector<Move>{up(2000, 2200), down(2000, 1800)}));

  Screen s;
  const std::vector<Contour> got = s.draw_traced(line(10, 2, 90));
  // The top-left corner (-5, 1) turns to (1, 5).
  ASSERT_EQ(got.size(), 1u);
  ASSERT_EQ(got[0].size(), 5u);
  EXPECT_EQ(got[0][0], (CanvasPoint{20, 100}));
  EXPECT_EQ(got[0][2], (CanvasPoint{-20, -100}));
}

TEST(DrawLine, EscapeAtThePenUpMoveLeavesNoStroke) {
  MarkerCapture m;
  MarkObject obj = line(2, 0.5);
  obj.columns = 3;
  m.escape_after(2);  // during the second copy's pen-up move
  draw(m.g, nullptr, obj);
  EXPECT_EQ(m.doc.stop_requested, 1);
  // The first copy (x from -3 to -1 mm) only: no pen-down stroke from
  // wherever the pen was.
  EXPECT_EQ(m.moves(), (std::vector<Move>{up(1880, 2000), down(1960, 2000)}));
}

// ---- Rectangle --------------------------------------------------------

TEST(DrawRectangle, RightAngleRingOuterClockwiseInnerCounterClockwise) {
  Screen s;
  const std::vector<Contour> got = s.draw_traced(rect(10, 6, 1, 0, 0));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Contour{{-100, 60}, {100, 60}, {100, -60}, {-100, -60}, {-100, 60}}));
  EXPECT_EQ(got[1], (Contour{{-80, 40}, {-80, -40}, {80, -40}, {80, 40}, {-80, 40}}));
  EXPECT_LT(area2(got[0]), 0);
  EXPECT_GT(area2(got[1]), 0);
}

TEST(DrawRectangle, InnerPointsOnScreenAreOffsetNotMapped) {
  // Z = 1: a direct mapping lands on even units only; the inset of 0.5 mm is
  // converted on its own (one unit) and added to the outer corner.
  Screen s(0);
  const std::vector<Contour> got = s.draw_traced(rect(4, 4, 0.5, 0, 0, 2, -2));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Contour{{0, 0}, {8, 0}, {8, -8}, {0, -8}, {0, 0}}));
  EXPECT_EQ(got[1], (Contour{{1, -1}, {1, -7}, {7, -7}, {7, -1}, {1, -1}}));
}

TEST(DrawRectangle, StylesAndGuards) {
  struct Case {
    const char* name;
    MarkObject obj;
    std::vector<std::size_t> sizes;  // points per contour, in order
  };
  const Case cases[] = {
      {"round, radius 2, no edge: four quarters of 32 and the closing point",
       rect(10, 10, 0, 2, 1),
       {129}},
      {"round, radius 0: nothing", rect(10, 10, 0, 0, 1), {}},
      {"round, negative radius: nothing", rect(10, 10, 1, -1, 1), {}},
      {"right angle, radius 0: drawn", rect(10, 10, 0, 0, 0), {5}},
      {"bevel e = 1, radius 1: octagon and inset rectangle", rect(10, 10, 1, 1, 2), {9, 5}},
      {"bevel e = 0.5, radius 1: two octagons", rect(10, 10, 0.5, 1, 2), {9, 9}},
      {"bevel, no edge: one octagon", rect(10, 10, 0, 1, 2), {9}},
      // Radius 1: steps of 0.1 rad give 16 points a quarter.
      {"round, radius not above the edge: sharp inset first", rect(10, 10, 1, 1, 1), {5, 65}},
      // A step far larger than a quarter turn leaves one point per quarter.
      {"round, tiny radius: still closed", rect(10, 10, 0, 1e-9, 1), {5}},
      {"unknown style: nothing", rect(10, 10, 1, 1, 3), {}},
      {"negative style: nothing", rect(10, 10, 1, 1, -1), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    std::vector<std::size_t> sizes;
    for (const Contour& contour : marked(m, c.obj)) sizes.push_back(contour.size());
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST(DrawRectangle, RoundContoursRunCounterClockwiseFromTheTopRight) {
  MarkerCapture m;
  const std::vector<Contour> got = marked(m, rect(10, 10, 0.5, 2, 1));
  ASSERT_EQ(got.size(), 2u);
  // Inner (radius 1.5) first, then outer (radius 2), both about the radius-2
  // corner centres, both the same way round.
  EXPECT_EQ(got[0].front(), (CanvasPoint{2180, 2120}));
  EXPECT_EQ(got[1].front(), (CanvasPoint{2200, 2120}));
  for (const Contour& c : got) {
    EXPECT_EQ(c.front(), c.back());
    EXPECT_GT(area2(c), 0);
  }
  EXPECT_LT(got[0].size(), got[1].size());
}

TEST(DrawRectangle, BevelPointsAndDirections) {
  MarkerCapture m;
  const std::vector<Contour> got = marked(m, rect(10, 10, 1, 1, 2));
  ASSERT_EQ(got.size(), 2u);
  // Starts at the left end of the top edge; the corners are cut by 1 mm.
  EXPECT_EQ(got[0], (Contour{{1840, 2200},
                             {2160, 2200},
                             {2200, 2160},
                             {2200, 1840},
                             {2160, 1800},
                             {1840, 1800},
                             {1800, 1840},
                             {1800, 2160},
                             {1840, 2200}}));
  EXPECT_EQ(got[1],
            (Contour{{1840, 2160}, {2160, 2160}, {2160, 1840}, {1840, 1840}, {1840, 2160}}));
  EXPECT_LT(area2(got[0]), 0);
  EXPECT_LT(area2(got[1]), 0);

  MarkerCapture m2;
  const std::vector<Contour> octagons = marked(m2, rect(10, 10, 0.5, 2, 2));
  ASSERT_EQ(octagons.size(), 2u);
  // Each inner point moved 0.5 mm (20 units) across its own edge.
  EXPECT_EQ(octagons[1][0], (CanvasPoint{1880, 2180}));
  EXPECT_EQ(octagons[1][2], (CanvasPoint{2180, 2120}));
  EXPECT_EQ(octagons[1][4], (CanvasPoint{2120, 1820}));
  EXPECT_EQ(octagons[1][6], (CanvasPoint{1820, 1880}));
}

TEST(DrawRectangle, CopiesAreDrawnInWalkOrder) {
  Screen s;
  MarkObject obj = rect(10, 5, 0, 0, 0);
  obj.columns = 3;
  obj.rows = 2;
  obj.column_gap = 2;
  obj.row_gap = 1;
  const std::vector<Contour> got = s.draw_traced(obj);
  // Top-left corners (-17, 5.5), (-17, -0.5), (-5, 5.5), (-5, -0.5), (7, 5.5), (7, -0.5).
  const CanvasPoint corners[] = {{-340, 110}, {-340, -10}, {-100, 110},
                                 {-100, -10}, {140, 110},  {140, -10}};
  ASSERT_EQ(got.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].front(), corners[i]);
    EXPECT_EQ(got[i][2], (CanvasPoint{corners[i].x + 200, corners[i].y - 100}));
  }
}

// ---- Raster: anchor plus separately rounded offsets ---------------------

struct Raster {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;

  // 4 px per mm from (0, 0); a copy of 0.875 mm whose top-left corner sits
  // half a pixel in from both edges, so that every rounding is a tie.
  Raster() {
    doc.raster_mode = 1;
    doc.settings.resolution = 4;
  }
  std::vector<Contour> draw_traced(MarkObject obj) {
    obj.cent_x = 0.125 + obj.width / 2;
    obj.cent_y = -0.125 - obj.height / 2;
    dc.clear();
    draw(g, &dc, obj);
    return traced(dc);
  }
};

TEST(RasterTarget, ShapesAddRoundedOffsetsToTheCornerLineMapsDirectly) {
  struct Case {
    const char* name;
    MarkObject obj;
    std::vector<Contour> expected;
  };
  const Case cases[] = {
      // Anchor (0.5 px, 0.5 px) rounds to (1, 1); 3.5 px offsets round to 4.
      {"rectangle",
       rect(0.875, 0.875, 0.125, 0, 0),
       {{{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}}, {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}}},
      // Direct mapping: 4.0 px rounds to 4.
      {"line", line(0.875, 0.875), {{{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}}}},
      // Centred shapes offset from the copy's corner too (1.5 px rounds to 2).
      {"rhombus", rhombic(0.75, 0.75, 0), {{{3, 1}, {4, 3}, {3, 4}, {1, 3}, {3, 1}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Raster r;
    EXPECT_EQ(r.draw_traced(c.obj), c.expected);
  }
}

TEST(RasterTarget, RowsGrowDownSoContourSensesStayOpposite) {
  Raster r;
  const std::vector<Contour> ring = r.draw_traced(circle(8, 8, 2));
  ASSERT_EQ(ring.size(), 2u);
  // Y down flips the sign of the area; what matters is that the two differ.
  EXPECT_LT(area2(ring[0]) * area2(ring[1]), 0);
  // The rightmost point, half-way down the copy: 0.5 + 32 and 0.5 + 16 px.
  EXPECT_EQ(ring[0].front(), (CanvasPoint{33, 17}));
}

// ---- Circle -----------------------------------------------------------

TEST(DrawCircle, PointCountsAndGuards) {
  struct Case {
    const char* name;
    MarkObject obj;
    std::vector<std::size_t> marker;  // points per contour
    std::vector<std::size_t> screen;
  };
  const Case cases[] = {
      {"20 x 20, no edge", circle(20, 20, 0), {126}, {1257}},
      // Inner diameter 10: trunc(6.28318 * 10) = 62 steps on the marker.
      {"ring of width 10", circle(20, 20, 10), {126, 63}, {1257, 629}},
      {"edge equal to the diameter: nothing", circle(20, 20, 20), {}, {}},
      {"edge equal to the larger diameter: nothing", circle(10, 20, 20), {}, {}},
      {"zero size: nothing", circle(0, 0, 0), {}, {}},
      {"negative size: nothing", circle(-5, -5, 0), {}, {}},
      // trunc(6.28318 * 0.1) = 0 steps on the marker: no point to draw.
      {"too small for one marker step", circle(0.1, 0.1, 0), {}, {7}},
      {"too large for the point bound", circle(1e6, 1e6, 0), {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    std::vector<std::size_t> sizes;
    for (const Contour& contour : marked(m, c.obj)) sizes.push_back(contour.size());
    EXPECT_EQ(sizes, c.marker);

    Screen s;
    sizes.clear();
    for (const Contour& contour : s.draw_traced(c.obj)) sizes.push_back(contour.size());
    EXPECT_EQ(sizes, c.screen);
  }
}

TEST(DrawCircle, DirectionsOnMarkerAndScreen) {
  MarkerCapture m;
  const std::vector<Contour> marker = marked(m, circle(20, 10, 2));
  ASSERT_EQ(marker.size(), 2u);
  // Starts at the rightmost point (10, 0) mm.
  EXPECT_EQ(marker[0].front(), (CanvasPoint{2400, 2000}));
  EXPECT_EQ(marker[1].front(), (CanvasPoint{2320, 2000}));
  EXPECT_GT(area2(marker[0]), 0) << "outer counter-clockwise";
  EXPECT_LT(area2(marker[1]), 0) << "inner clockwise";

  Screen s;
  const std::vector<Contour> screen = s.draw_traced(circle(20, 10, 2));
  ASSERT_EQ(screen.size(), 2u);
  EXPECT_EQ(screen[0].front(), (CanvasPoint{200, 0}));
  EXPECT_LT(area2(screen[0]), 0) << "the same ellipse traced the other way";
  EXPECT_GT(area2(screen[1]), 0) << "the hole stays opposite to the outline";
}

// ---- Triangle and rhombus ---------------------------------------------

TEST(DrawTriangle, InnerOffsetsWhenTheBaseIsTwiceTheHeight) {
  // sx = 2 sy: theta = 45 degrees, d1 = e sqrt 2 (57 units), d2 = e (sqrt 2 + 1)
  // (97 units), e = 40 units.
  struct Case {
    const char* name;
    int32_t direction;
    Contour outer;
    Contour inner;
  };
  const Case cases[] = {
      {"apex up",
       0,
       {{2000, 2100}, {2200, 1900}, {1800, 1900}, {2000, 2100}},
       {{2000, 2043}, {1897, 1940}, {2103, 1940}, {2000, 2043}}},
      {"apex down",
       1,
       {{2000, 1900}, {2200, 2100}, {1800, 2100}, {2000, 1900}},
       {{2000, 1957}, {1897, 2060}, {2103, 2060}, {2000, 1957}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    const std::vector<Contour> got = marked(m, triangle(10, 5, 1, c.direction));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], c.outer);
    EXPECT_EQ(got[1], c.inner);
    EXPECT_LT(area2(got[0]) * area2(got[1]), 0) << "inner runs the other way";
  }
  MarkerCapture m;
  const std::vector<Contour> up_triangle = marked(m, triangle(10, 5, 1, 0));
  ASSERT_FALSE(up_triangle.empty());
  EXPECT_LT(area2(up_triangle[0]), 0) << "apex up is clockwise";
}

TEST(DrawRhombic, InnerOffsetsUseEachAxisScale) {
  MarkerCapture m;
  m.doc.settings.rate_y = 2.0;
  const std::vector<Contour> got = marked(m, rhombic(10, 10, 1));
  // phi = 45 degrees: e / cos phi = 1.41421 mm, 57 units on X and 113 on Y.
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0],
            (Contour{{2000, 4400}, {2200, 4000}, {2000, 3600}, {1800, 4000}, {2000, 4400}}));
  EXPECT_EQ(got[1],
            (Contour{{2000, 4287}, {1857, 4000}, {2000, 3713}, {2143, 4000}, {2000, 4287}}));
  EXPECT_LT(area2(got[0]), 0);
  EXPECT_GT(area2(got[1]), 0);
}

// ---- Polygon ----------------------------------------------------------

// Vertex directions about the marker point (2000, 2000), in whole degrees.
std::vector<int> vertex_degrees(const Contour& c) {
  std::vector<int> out;
  for (const CanvasPoint& p : c) {
    double deg = std::atan2(p.y - 2000.0, p.x - 2000.0) * 180 / 3.14159265358979;
    if (deg < -0.5) deg += 360;
    out.push_back(static_cast<int>(std::lround(deg)));
  }
  return out;
}

TEST(DrawPolygon, VerticesStartAtTheTopEdge) {
  struct Case {
    const char* name;
    int32_t n;
    std::vector<int> degrees;
  };
  const Case cases[] = {
      {"hexagon", 6, {120, 180, 240, 300, 0, 60, 120}},
      {"triangle points down", 3, {150, 270, 30, 150}},
      {"square", 4, {135, 225, 315, 45, 135}},
      // The formulas still give something for fewer than three edges.
      {"one edge: a point", 1, {270, 270}},
      {"two edges: a line", 2, {180, 0, 180}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    const std::vector<Contour> got = marked(m, polygon(40, 0, c.n));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(vertex_degrees(got[0]), c.degrees);
  }
  MarkerCapture m;
  const std::vector<Contour> tri = marked(m, polygon(40, 0, 3));
  ASSERT_EQ(tri.size(), 1u);
  EXPECT_EQ(tri[0][1], (CanvasPoint{2000, 1200}));
}

TEST(DrawPolygon, RingOuterCounterClockwiseInnerClockwise) {
  MarkerCapture m;
  const std::vector<Contour> got = marked(m, polygon(40, 5, 6));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].size(), 7u);
  EXPECT_GT(area2(got[0]), 0);
  EXPECT_LT(area2(got[1]), 0);
  EXPECT_EQ(vertex_degrees(got[1]), (std::vector<int>{60, 0, 300, 240, 180, 120, 60}));
  // Inner radius 15 mm along the vertex direction (60 degrees).
  EXPECT_EQ(got[1][0], (CanvasPoint{2300, 2520}));
}

// ---- Degenerate values ------------------------------------------------

TEST(BasicShapes, DegenerateValuesDrawNothing) {
  struct Case {
    const char* name;
    MarkObject obj;
  };
  MarkObject nan_centre = rect(10, 10, 0, 0, 0);
  nan_centre.cent_x = kNaN;
  MarkObject inf_width = line(kInf, 0.5);
  const Case cases[] = {
      {"polygon with no edges", polygon(10, 0, 0)},
      {"polygon with a negative edge count", polygon(10, 1, -3)},
      {"polygon beyond the point bound", polygon(10, 0, 2'000'000)},
      {"polygon with the largest edge count", polygon(10, 1, std::numeric_limits<int32_t>::max())},
      {"polygon of size 0", polygon(0, 0, 6)},
      {"triangle of width 0", triangle(0, 5, 0, 0)},
      {"triangle of negative height", triangle(5, -1, 0, 1)},
      {"rhombus of height 0", rhombic(5, 0, 0)},
      {"round corner too large for the point bound", rect(10, 10, 0, 1e9, 1)},
      {"NaN width", rect(kNaN, 10, 0, 0, 0)},
      {"NaN radius", rect(10, 10, 0, kNaN, 1)},
      {"infinite edge", rect(10, 10, kInf, 1, 2)},
      {"NaN circle size", circle(kNaN, 10, 0)},
      {"infinite circle", circle(kInf, kInf, 0)},
      {"NaN triangle edge", triangle(5, 5, kNaN, 0)},
      {"infinite rhombus", rhombic(kInf, 5, 0)},
      {"NaN polygon size", polygon(kNaN, 0, 6)},
      {"NaN placement", nan_centre},
      {"infinite line", inf_width},
      {"NaN line angle", line(10, 0.5, kNaN)},
      {"no parameter block", shape(RECTANGLE, std::monostate{}, 10, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    draw(m.g, nullptr, c.obj);
    EXPECT_TRUE(m.commands().empty());
    Screen s;
    EXPECT_TRUE(s.draw_traced(c.obj).empty());
    EXPECT_TRUE(s.dc.ops().empty());
  }
}

TEST(BasicShapes, MarkingWithoutAPenEmitterDrawsNothing) {
  const MarkObject objects[] = {line(10, 0.5),     line(10, 2),          rect(10, 10, 1, 2, 1),
                                circle(10, 10, 1), triangle(5, 5, 1, 0), rhombic(5, 5, 1),
                                polygon(10, 1, 6)};
  for (const MarkObject& obj : objects) {
    SCOPED_TRACE(obj.type);
    CketralDoc doc;
    doc.engraving = 1;
    GeomContext g{doc, nullptr};
    draw(g, nullptr, obj);  // must neither crash nor touch anything
    EXPECT_EQ(doc.stop_requested, 0);
  }
}

}  // namespace
}  // namespace lumetch
