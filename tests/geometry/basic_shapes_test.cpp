#include "geometry/basic_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
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
using Sizes = std::vector<std::size_t>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

MarkObject shape(ObjectType type, ParamBlock block, double w, double h) {
  MarkObject obj;
  obj.type = type;
  obj.params = block;
  obj.width = w;
  obj.height = h;
  return obj;
}
MarkObject line(double w, double h, double angle = 0) {
  MarkObject obj = shape(LINE, LineParams{w, h}, w, h);
  obj.angle = angle;
  return obj;
}
MarkObject rect(double sx, double sy, double e, double rho, int32_t style) {
  return shape(RECTANGLE, RectangleParams{sx, sy, e, rho, style}, sx, sy);
}
MarkObject circle(double sx, double sy, double e) {
  return shape(CIRCLE, CircleParams{sx, sy, e}, sx, sy);
}
MarkObject triangle(double sx, double sy, double e, int32_t dir) {
  return shape(TRIANGLE, TriangleParams{sx, sy, e, dir}, sx, sy);
}
MarkObject rhombic(double sx, double sy, double e) {
  return shape(RHOMBIC, RhombicParams{sx, sy, e}, sx, sy);
}
MarkObject polygon(double d, double e, int32_t n) {
  return shape(POLYGON, PolygonParams{d, e, n}, d, d);
}

void draw(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  using Generator = void (*)(GeomContext&, Canvas*, const MarkObject&);
  static const std::map<int32_t, Generator> generators{
      {LINE, DrawLine},         {RECTANGLE, DrawRectangle}, {CIRCLE, DrawCircle},
      {TRIANGLE, DrawTriangle}, {RHOMBIC, DrawRhombic},     {POLYGON, DrawPolygon}};
  generators.at(obj.type)(g, dc, obj);
}

// Marks the object (output mode 0 traces contours in list order); one stroke
// per pen-up move.
std::vector<Contour> marked(const MarkObject& obj, double rate_y = 1.0) {
  MarkerCapture m;
  m.doc.settings.rate_y = rate_y;
  draw(m.g, nullptr, obj);
  std::vector<Contour> out;
  for (const Move& mv : m.moves()) {
    if (!mv.down || out.empty()) out.emplace_back();
    out.back().push_back({mv.x, mv.y});
  }
  return out;
}

Sizes sizes(const std::vector<Contour>& contours) {
  Sizes out;
  for (const Contour& c : contours) out.push_back(c.size());
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

// The screen with the origin offsets at 0: a field point maps to
// (2·round(Z·x), 2·round(Z·y)).
struct Screen {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;

  explicit Screen(int32_t zoom_index = 4) {  // Z = 10
    doc.view.zoom_index = zoom_index;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  // The polylines drawn, one per move_to.
  std::vector<Contour> draw_traced(const MarkObject& obj) {
    draw(g, &dc, obj);
    std::vector<Contour> out;
    for (const RecordingCanvas::Op& op : dc.ops()) {
      if (op.kind == RecordingCanvas::Op::Kind::MoveTo || out.empty()) out.emplace_back();
      out.back().push_back(op.points[0]);
    }
    return out;
  }
};

TEST(DrawLine, ThinStrokeOnTheMarkerOtherwiseTheBox) {
  struct Case {
    const char* name;
    double height, angle;
    int32_t output_mode;
    std::vector<Move> first_moves;
    std::size_t count;
  };
  // Width 10 about the field centre: x from 1800 to 2200 units.
  const Case cases[] = {
      {"height 0.5: one stroke", 0.5, 0, 0, {up(1800, 2000), down(2200, 2000)}, 2},
      {"angle 90: top to bottom", 0.2, 90, 0, {up(2000, 2200), down(2000, 1800)}, 2},
      {"outline mode 1: the box", 0.5, 0, 1, {up(1800, 2010), down(2200, 2010)}, 5},
      {"height 1.0: the box", 1.0, 0, 0, {up(1800, 2020), down(2200, 2020)}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerCapture m;
    MarkObject obj = line(10, c.height, c.angle);
    obj.output_mode = c.output_mode;
    draw(m.g, nullptr, obj);
    const std::vector<Move> moves = m.moves();
    ASSERT_EQ(moves.size(), c.count);
    EXPECT_EQ(std::vector<Move>(moves.begin(), moves.begin() + 2), c.first_moves);
  }
  Screen s;  // the screen always shows the box, clockwise from the top-left corner
  EXPECT_EQ(s.draw_traced(line(10, 0.5)),
            (std::vector<Contour>{{{-100, 6}, {100, 6}, {100, -6}, {-100, -6}, {-100, 6}}}));
}

TEST(DrawLine, EscapeAtThePenUpMoveLeavesNoStroke) {
  MarkerCapture m;
  MarkObject obj = line(2, 0.5);
  obj.columns = 3;
  m.escape_after(2);  // during the second copy's pen-up move
  draw(m.g, nullptr, obj);
  EXPECT_EQ(m.doc.stop_requested, 1);
  EXPECT_EQ(m.moves(), (std::vector<Move>{up(1880, 2000), down(1960, 2000)}));
}

TEST(BasicShapes, PointCountsAndGuards) {
  struct Case {
    const char* name;
    MarkObject obj;
    Sizes marker;                      // points per contour, in order
    std::optional<Sizes> screen = {};  // when it differs from the marker
  };
  MarkObject nan_centre = rect(10, 10, 0, 0, 0);
  nan_centre.cent_x = kNaN;
  const Case cases[] = {
      {"thin line: one stroke, on screen the box", line(10, 0.5), {2}, Sizes{5}},
      {"round, radius 2: four quarters of 32, closed", rect(10, 10, 0, 2, 1), {129}},
      {"round, radius 0: nothing", rect(10, 10, 0, 0, 1), {}},
      {"round, tiny radius: one point a quarter, closed", rect(10, 10, 0, 1e-9, 1), {5}},
      {"round, arcs beyond the point bound", rect(10, 10, 0, 1e9, 1), {}},
      {"right angle, radius 0: drawn", rect(10, 10, 0, 0, 0), {5}},
      {"bevel e = 1, radius 1: octagon, inset rectangle", rect(10, 10, 1, 1, 2), {9, 5}},
      {"bevel e = 0.5, radius 1: two octagons", rect(10, 10, 0.5, 1, 2), {9, 9}},
      {"bevel, no edge: one octagon", rect(10, 10, 0, 1, 2), {9}},
      {"unknown style", rect(10, 10, 1, 1, 3), {}},
      {"circle 20 x 20", circle(20, 20, 0), {126}, Sizes{1257}},
      {"ring of width 10", circle(20, 20, 10), {126, 63}, Sizes{1257, 629}},
      {"ellipse: steps by the larger diameter", circle(20, 10, 0), {126}, Sizes{1257}},
      {"edge equal to the larger diameter", circle(10, 20, 20), {}},
      {"circle of size 0", circle(0, 0, 0), {}},
      {"circle too small for one marker step", circle(0.1, 0.1, 0), {}, Sizes{7}},
      {"circle beyond the point bound", circle(1e6, 1e6, 0), {}},
      {"triangle", triangle(5, 5, 1, 0), {4, 4}},
      {"rhombus", rhombic(5, 5, 1), {5, 5}},
      {"hexagon", polygon(10, 1, 6), {7, 7}},
      {"polygon with no edges: no step", polygon(10, 0, 0), {}},
      {"polygon beyond the point bound", polygon(10, 1, std::numeric_limits<int32_t>::max()), {}},
      {"polygon of size 0", polygon(0, 0, 6), {}},
      {"triangle of width 0", triangle(0, 5, 0, 0), {}},
      {"triangle of negative height", triangle(5, -1, 0, 1), {}},
      {"rhombus of height 0", rhombic(5, 0, 0), {}},
      {"NaN triangle edge", triangle(5, 5, kNaN, 0), {}},
      {"infinite rhombus", rhombic(kInf, 5, 0), {}},
      {"NaN corner radius", rect(10, 10, 0, kNaN, 1), {}},
      {"NaN circle", circle(kNaN, 10, 0), {}},
      {"NaN placement", nan_centre, {}},
      {"infinite line", line(kInf, 0.5), {}},
      {"NaN line angle", line(10, 0.5, kNaN), {}},
      {"no parameter block", shape(RECTANGLE, std::monostate{}, 10, 10), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sizes(marked(c.obj)), c.marker);
    Screen s;
    EXPECT_EQ(sizes(s.draw_traced(c.obj)), c.screen.value_or(c.marker));
    CketralDoc doc;  // marking without a pen emitter: nothing, and no crash
    doc.engraving = 1;
    GeomContext no_pen{doc, nullptr};
    draw(no_pen, nullptr, c.obj);
  }
}

TEST(BasicShapes, FirstPointsAndSensesOnTheMarker) {
  struct Case {
    const char* name;
    MarkObject obj;
    Contour starts;           // first point of each contour
    std::vector<int> senses;  // +1 counter-clockwise, -1 clockwise
  };
  const Case cases[] = {
      // Inner radius 1.5 first; both about the radius-2 corner centres.
      {"round", rect(10, 10, 0.5, 2, 1), {{2180, 2120}, {2200, 2120}}, {1, 1}},
      {"round, radius = edge", rect(10, 10, 1, 1, 1), {{1840, 2160}, {2200, 2160}}, {-1, 1}},
      {"bevel: top edge's left end", rect(10, 10, 1, 1, 2), {{1840, 2200}, {1840, 2160}}, {-1, -1}},
      {"ellipse: rightmost", circle(20, 10, 2), {{2400, 2000}, {2320, 2000}}, {1, -1}},
      {"triangle: apex", triangle(10, 5, 1, 0), {{2000, 2100}, {2000, 2043}}, {-1, 1}},
      {"rhombus: top", rhombic(10, 10, 1), {{2000, 2200}, {2000, 2143}}, {-1, 1}},
      // Outer from the top edge's left end; inner radius 15 along 60 degrees.
      {"hexagon", polygon(40, 5, 6), {{1600, 2693}, {2300, 2520}}, {1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Contour> got = marked(c.obj);
    ASSERT_EQ(got.size(), c.starts.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].front(), c.starts[i]);
      EXPECT_EQ(got[i].front(), got[i].back()) << "closed";
      EXPECT_EQ(area2(got[i]) > 0 ? 1 : -1, c.senses[i]);
    }
  }
  Screen s;  // the screen traces the ellipse the other way round
  EXPECT_LT(area2(s.draw_traced(circle(20, 10, 2)).at(0)), 0);
}

TEST(BasicShapes, InnerContoursAreOffsetInward) {
  struct Case {
    const char* name;
    MarkObject obj;
    double rate_y;
    Contour inner;
  };
  const Case cases[] = {
      // theta = 45 degrees: d1 = e sqrt 2 (57 units), d2 = e (sqrt 2 + 1) (97), e = 40.
      {"apex up", triangle(10, 5, 1, 0), 1, {{2000, 2043}, {1897, 1940}, {2103, 1940}}},
      {"apex down", triangle(10, 5, 1, 1), 1, {{2000, 1957}, {1897, 2060}, {2103, 2060}}},
      // tan theta = 0.5: d1 = e sqrt 5 (89 units), d2 = e (sqrt 5 / 2 + 0.5) (65).
      {"as tall as wide", triangle(10, 10, 1, 0), 1, {{2000, 2111}, {1865, 1840}, {2135, 1840}}},
      // phi = atan 2: e / cos phi = 2.236 mm (179 units on Y), e / sin phi = 1.118 mm (45 on X).
      {"rhombus", rhombic(10, 20, 1), 2, {{2000, 4621}, {1845, 4000}, {2000, 3379}, {2155, 4000}}},
      {"bevel e = radius", rect(10, 10, 1, 1, 2), 1, {{1840, 2160}, {2160, 2160}, {2160, 1840}}},
  };
  for (const Case& c : cases) {
    const std::vector<Contour> got = marked(c.obj, c.rate_y);
    ASSERT_EQ(got.size(), 2u) << c.name;
    EXPECT_EQ(Contour(got[1].begin(), got[1].begin() + c.inner.size()), c.inner) << c.name;
  }
  // Bevel, e < radius: every other point, moved 20 units across its own edge.
  const Contour oct = marked(rect(10, 10, 0.5, 2, 2)).at(1);
  EXPECT_EQ((Contour{oct[0], oct[2], oct[4], oct[6]}),
            (Contour{{1880, 2180}, {2180, 2120}, {2120, 1820}, {1820, 1880}}));
  // On screen at Z = 1 a mapped point is even; a 0.5 mm inset rounds to one unit.
  Screen s(0);
  EXPECT_EQ(s.draw_traced(rect(4, 4, 0.5, 0, 0)),
            (std::vector<Contour>{{{-4, 4}, {4, 4}, {4, -4}, {-4, -4}, {-4, 4}},
                                  {{-3, 3}, {-3, -3}, {3, -3}, {3, 3}, {-3, 3}}}));
}

TEST(RasterTarget, ShapesAddRoundedOffsetsToTheCornerLineMapsDirectly) {
  // 4 px per mm; the copy's top-left corner sits half a pixel in from both
  // edges, so that every rounding is a tie.
  const auto raster = [](MarkObject obj) {
    Screen r;
    r.doc.raster_mode = 1;
    r.doc.settings.resolution = 4;
    obj.cent_x = 0.125 + obj.width / 2;
    obj.cent_y = -0.125 - obj.height / 2;
    return r.draw_traced(obj);
  };
  struct Case {
    const char* name;
    MarkObject obj;
    std::vector<Contour> expected;
  };
  const Case cases[] = {
      // Anchor (0.5, 0.5) px rounds to (1, 1); 3.5 px offsets round to 4.
      {"rectangle",
       rect(0.875, 0.875, 0.125, 0, 0),
       {{{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}}, {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}}},
      {"line: 4.0 px", line(0.875, 0.875), {{{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}}}},
      {"rhombus: 1.5 px", rhombic(0.75, 0.75, 0), {{{3, 1}, {4, 3}, {3, 4}, {1, 3}, {3, 1}}}},
  };
  for (const Case& c : cases) EXPECT_EQ(raster(c.obj), c.expected) << c.name;
  // Rows grow down; a ring's two contours must still run opposite ways.
  const std::vector<Contour> ring = raster(circle(8, 8, 2));
  ASSERT_EQ(ring.size(), 2u);
  EXPECT_LT(area2(ring[0]) * area2(ring[1]), 0);
  EXPECT_EQ(ring[0].front(), (CanvasPoint{33, 17}));  // rightmost, half-way down
}

TEST(DrawPolygon, VerticesStartAtTheTopEdge) {
  // Radius 20 mm about (2000, 2000): a hexagon from 120 degrees round to 60.
  const Contour hexagon = marked(polygon(40, 0, 6)).at(0);
  std::vector<int32_t> xs, ys;
  for (const CanvasPoint& p : hexagon) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  EXPECT_EQ(xs, (std::vector<int32_t>{1600, 1200, 1600, 2400, 2800, 2400, 1600}));
  EXPECT_EQ(ys, (std::vector<int32_t>{2693, 2000, 1307, 1307, 2000, 2693, 2693}));
  // Three edges point down, unlike TRIANGLE.
  EXPECT_EQ(marked(polygon(40, 0, 3)).at(0),
            (Contour{{1307, 2400}, {2000, 1200}, {2693, 2400}, {1307, 2400}}));
}

}  // namespace
}  // namespace lumetch
