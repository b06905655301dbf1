#include "geometry/basic_shapes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "geometry/marker_capture.h"
#include "model/mark_object.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

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
MarkObject line(double w, double h, double angle = 0, int32_t output_mode = 0) {
  MarkObject obj = shape(LINE, LineParams{w, h}, w, h);
  obj.angle = angle;
  obj.output_mode = output_mode;
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

// A marking job (output mode 0 traces contours in list order) whose screen has
// Z = 10 and its origin at 0: field (x, y) maps to (2·round(10x), 2·round(10y)).
struct Rig : test::MarkerCapture {
  Rig() {
    doc.view.zoom_index = 4;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  // The contours drawn: one per pen-up move on the marker, per move_to on a canvas.
  std::vector<Contour> trace(const MarkObject& obj, bool on_canvas = false) {
    RecordingCanvas dc;
    clear();
    draw(g, on_canvas ? &dc : nullptr, obj);
    std::vector<Contour> out;
    const auto add = [&](bool starts, CanvasPoint p) {
      if (starts || out.empty()) out.emplace_back();
      out.back().push_back(p);
    };
    for (const test::Move& mv : moves()) add(!mv.down, {mv.x, mv.y});
    for (const auto& o : dc.ops()) add(o.kind == RecordingCanvas::Op::Kind::MoveTo, o.points[0]);
    return out;
  }
};

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

TEST(DrawLine, EscapeAtThePenUpMoveLeavesNoStroke) {
  Rig r;
  MarkObject obj = line(2, 0.5);
  obj.columns = 3;
  r.escape_after(2);  // during the second copy's pen-up move
  EXPECT_EQ(r.trace(obj), (std::vector<Contour>{{{1880, 2000}, {1960, 2000}}}));
  EXPECT_EQ(r.doc.stop_requested, 1);
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
      {"line of height 1: the box", line(10, 1.0), {5}},
      {"outline mode 1: the box", line(10, 0.5, 0, 1), {5}},
      {"round, radius 2: four quarters of 32, closed", rect(10, 10, 0, 2, 1), {129}},
      {"round, radius 0: nothing", rect(10, 10, 0, 0, 1), {}},
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
      {"circle too small for one marker step", circle(0.1, 0.1, 0), {}, Sizes{7}},
      {"circle beyond the point bound", circle(1e6, 1e6, 0), {}},
      {"polygon with no edges: no step", polygon(10, 0, 0), {}},
      {"polygon beyond the point bound", polygon(10, 1, std::numeric_limits<int32_t>::max()), {}},
      {"polygon of size 0", polygon(0, 0, 6), {}},
      {"triangle of width 0", triangle(0, 5, 0, 0), {}},
      {"rhombus of height 0", rhombic(5, 0, 0), {}},
      {"NaN triangle edge", triangle(5, 5, kNaN, 0), {}},
      {"infinite rhombus", rhombic(kInf, 5, 0), {}},
      {"NaN corner radius", rect(10, 10, 0, kNaN, 1), {}},
      {"NaN circle", circle(kNaN, 10, 0), {}},
      {"NaN placement", nan_centre, {}},
      {"NaN line angle", line(10, 0.5, kNaN), {}},
      {"no parameter block", shape(RECTANGLE, std::monostate{}, 10, 10), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    EXPECT_EQ(sizes(r.trace(c.obj)), c.marker);
    EXPECT_EQ(sizes(r.trace(c.obj, true)), c.screen.value_or(c.marker));
    r.g.pen = nullptr;  // marking without a pen emitter: nothing, and no crash
    EXPECT_TRUE(r.trace(c.obj).empty());
  }
}

TEST(BasicShapes, ContoursStartSenseAndInnerOffsetsOnTheMarker) {
  struct Case {
    MarkObject obj;
    const char* senses;  // of the two contours: + counter-clockwise, - clockwise
    CanvasPoint first_start;
    Contour second;  // leading points of the second contour
  };
  const Case cases[] = {
      // Round: the inner radius 1.5 first; both about the radius-2 corner centres.
      {rect(10, 10, 0.5, 2, 1), "++", {2180, 2120}, {{2200, 2120}}},
      {rect(10, 10, 1, 1, 1), "-+", {1840, 2160}, {{2200, 2160}}},  // radius = edge
      // Bevel, e = radius: from the top edge's left end, then the inset rectangle.
      {rect(10, 10, 1, 1, 2), "--", {1840, 2200}, {{1840, 2160}, {2160, 2160}, {2160, 1840}}},
      {circle(20, 10, 2), "+-", {2400, 2000}, {{2320, 2000}}},  // from the rightmost point
      // Triangles from the apex. theta = 45 degrees: d1 = e sqrt 2 (57 units), d2 = e (sqrt 2 + 1)
      // (97), e = 40; tan theta = 0.5: d1 = e sqrt 5 (89), d2 = e (sqrt 5 / 2 + 0.5) (65).
      {triangle(10, 5, 1, 0), "-+", {2000, 2100}, {{2000, 2043}, {1897, 1940}, {2103, 1940}}},
      {triangle(10, 5, 1, 1), "+-", {2000, 1900}, {{2000, 1957}, {1897, 2060}, {2103, 2060}}},
      {triangle(10, 10, 1, 0), "-+", {2000, 2200}, {{2000, 2111}, {1865, 1840}, {2135, 1840}}},
      // Rhombus from the top; phi = atan 2: e / cos phi = 2.236 mm (89 units) on Y, e / sin phi
      // = 1.118 mm (45) on X.
      {rhombic(10, 20, 1), "-+", {2000, 2400}, {{2000, 2311}, {1845, 2000}, {2000, 1689}}},
      // Outer from the top edge's left end; inner radius 15 along 60 degrees.
      {polygon(40, 5, 6), "+-", {1600, 2693}, {{2300, 2520}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
    const std::vector<Contour> got = Rig().trace(c.obj);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].front(), c.first_start);
    EXPECT_EQ(Contour(got[1].begin(), got[1].begin() + c.second.size()), c.second);
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(got[i].front(), got[i].back()) << "closed";
      EXPECT_EQ(area2(got[i]) > 0 ? '+' : '-', c.senses[i]);
    }
  }
  // Bevel, e < radius: every other point, 20 units in from the outer contour.
  const Contour oct = Rig().trace(rect(10, 10, 0.5, 2, 2)).at(1);
  EXPECT_EQ((Contour{oct[0], oct[2], oct[4], oct[6]}),
            (Contour{{1880, 2180}, {2180, 2120}, {2120, 1820}, {1820, 1880}}));
  Rig s;  // the screen traces the ellipse the other way round
  EXPECT_LT(area2(s.trace(circle(20, 10, 2), true).at(0)), 0);
  // On screen at Z = 1 every mapped point is even, inner corners too: -1.5 mm
  // rounds away from zero to -2 and doubles to -4.
  s.doc.view.zoom_index = 0;
  EXPECT_EQ(s.trace(rect(4, 4, 0.5, 0, 0), true).at(1),
            (Contour{{-4, 4}, {-4, -4}, {4, -4}, {4, 4}, {-4, 4}}));
}

TEST(DrawRectangle, InnerPointsAreMappedFieldPointsNotOffsetsOfTheOuterCorners) {
  // Left edge at -4.992 mm, edge 0.208 mm: the inner left edge is
  // round((50 - 4.784) * 40) = 1809 on the marker, where the outer corner's
  // 1800 plus a rounded 8 would give 1808; on screen (Z = 8) 2 round(-38.272)
  // = -76, not -80 + round(3.328) = -77.
  struct Case {
    const char* name;
    double rho;
    int32_t style;
    std::size_t index;  // of the inner contour
    Contour marker;
    Contour screen;
  };
  // clang-format off
  const Case cases[] = {
      {"right angle", 0, 0, 1,
       {{1809, 2192}, {1809, 1808}, {2192, 1808}, {2192, 2192}, {1809, 2192}},
       {{-76, 76}, {-76, -76}, {76, -76}, {76, 76}, {-76, 76}}},
      {"round, radius within the edge: the inset rectangle first", 0.1, 1, 0,
       {{1809, 2192}, {2192, 2192}, {2192, 1808}, {1809, 1808}, {1809, 2192}},
       {{-76, 76}, {76, 76}, {76, -76}, {-76, -76}, {-76, 76}}},
      {"bevel, edge below the cut: nine points", 1, 2, 1,
       {{1840, 2192}, {2160, 2192}, {2192, 2160}, {2192, 1840}, {2160, 1808},
        {1840, 1808}, {1809, 1840}, {1809, 2160}, {1840, 2192}},
       {{-64, 76}, {64, 76}, {76, 64}, {76, -64}, {64, -76},
        {-64, -76}, {-76, -64}, {-76, 64}, {-64, 76}}},
      {"bevel, edge beyond the cut: the inset rectangle", 0.2, 2, 1,
       {{1809, 2192}, {2192, 2192}, {2192, 1808}, {1809, 1808}, {1809, 2192}},
       {{-76, 76}, {76, 76}, {76, -76}, {-76, -76}, {-76, 76}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkObject obj = rect(10, 10, 0.208, c.rho, c.style);
    obj.cent_x = 0.008;
    Rig r;
    r.doc.view.zoom_index = 3;
    EXPECT_EQ(r.trace(obj).at(c.index), c.marker);
    EXPECT_EQ(r.trace(obj, true).at(c.index), c.screen);
  }
}

TEST(RasterTarget, ShapesAddRoundedOffsetsToTheCornerLineMapsDirectly) {
  // 4 px per mm; the copy's top-left corner sits half a pixel in from both
  // edges, so that every rounding is a tie.
  const auto raster = [](MarkObject obj) {
    Rig r;
    r.doc.raster_mode = 1;
    r.doc.settings.resolution = 4;
    obj.cent_x = 0.125 + obj.width / 2;
    obj.cent_y = -0.125 - obj.height / 2;
    return r.trace(obj, true);
  };
  // Anchor (0.5, 0.5) px rounds to (1, 1); 3.5 px offsets round to 4, the line's 4.0 px directly.
  EXPECT_EQ(raster(rect(0.875, 0.875, 0.125, 0, 0)),
            (std::vector<Contour>{{{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}},
                                  {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}}));
  EXPECT_EQ(raster(line(0.875, 0.875)),
            (std::vector<Contour>{{{1, 1}, {4, 1}, {4, 4}, {1, 4}, {1, 1}}}));
  // Rows grow down; a ring's two contours must still run opposite ways.
  const std::vector<Contour> ring = raster(circle(8, 8, 2));
  ASSERT_EQ(ring.size(), 2u);
  EXPECT_LT(area2(ring[0]) * area2(ring[1]), 0);
  EXPECT_EQ(ring[0].front(), (CanvasPoint{33, 17}));  // rightmost, half-way down
}

TEST(BasicShapes, ExactPointSequencesOnTheMarker) {
  // About the field centre; a thin line is one stroke through the middle, at 90 degrees downward.
  EXPECT_EQ(Rig().trace(line(10, 0.5)).at(0), (Contour{{1800, 2000}, {2200, 2000}}));
  EXPECT_EQ(Rig().trace(line(10, 0.2, 90)).at(0), (Contour{{2000, 2200}, {2000, 1800}}));
  // Radius 20 mm: a hexagon from 120 degrees round to 60.
  EXPECT_EQ(Rig().trace(polygon(40, 0, 6)).at(0),
            (Contour{{1600, 2693}, {1200, 2000}, {1600, 1307}, {2400, 1307}, {2800, 2000},
                     {2400, 2693}, {1600, 2693}}));
  // Three edges point down, unlike TRIANGLE.
  EXPECT_EQ(Rig().trace(polygon(40, 0, 3)).at(0),
            (Contour{{1307, 2400}, {2000, 1200}, {2693, 2400}, {1307, 2400}}));
}

}  // namespace
}  // namespace lumetch
