#include "geometry/render_contours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

using test::down;
using test::MarkerCapture;
using test::Move;
using test::up;
using Points = std::vector<CanvasPoint>;

ContourList contours(const std::vector<Points>& list) {
  ContourList c;
  for (const Points& contour : list) {
    c.begin_contour();
    for (const CanvasPoint p : contour) c.add(p);
  }
  return c;
}

// Closed squares; clockwise on the field (Y up) or counter-clockwise.
Points square_cw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}
Points square_ccw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

const ContourList kSquare = contours({square_cw(0, 0, 400, 400)});
const ContourList kBand = contours({square_cw(0, 0, 400, 400), square_ccw(100, 100, 300, 300)});
// An L whose inner corner has a horizontal run at y = 40.
const Points kEll = {{0, 0}, {0, 120}, {40, 120}, {40, 40}, {80, 40}, {80, 0}, {0, 0}};

std::vector<Move> hatch_moves(const ContourList& c, double pitch, bool vertical = false) {
  MarkerCapture m;
  RenderContours(m.g, vertical ? 1 : 0, 2, pitch, nullptr, c, 0, 0);
  return m.moves();
}

TEST(TraceOutline, MarkerModeZeroKeepsListOrderOtherModesReverseIt) {
  const ContourList ring = contours({square_cw(0, 0, 40, 40), square_ccw(10, 10, 30, 30)});
  const std::vector<Move> outer_first = {up(0, 0),     down(0, 40), down(40, 40), down(40, 0),
                                         down(0, 0),   up(10, 10),  down(30, 10), down(30, 30),
                                         down(10, 30), down(10, 10)};
  std::vector<Move> inner_first = outer_first;
  std::rotate(inner_first.begin(), inner_first.begin() + 5, inner_first.end());
  for (int32_t mode : {0, 1, 5}) {
    MarkerCapture m;
    RenderContours(m.g, 0, mode, 1.0, nullptr, ring, 0, 0);
    EXPECT_EQ(m.moves(), mode == 0 ? outer_first : inner_first) << mode;
  }
  for (std::size_t after : {3u, 5u}) {  // Escape inside a contour, and at the next one's pen-up
    MarkerCapture m;
    m.escape_after(after);
    TraceOutline(m.g, nullptr, ring, 0);
    EXPECT_EQ(m.commands().size(), after);
  }
}

TEST(TraceOutline, CanvasFillsFirstThenDrawsEveryContourInListOrder) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas outlined, filled;
  TraceOutline(g, &outlined, kBand, 1);
  TraceOutline(g, &filled, kBand, 2);
  EXPECT_EQ(outlined.ops().size(), 10u);
  ASSERT_EQ(filled.ops().size(), 11u);
  EXPECT_EQ(filled.ops()[0].kind, RecordingCanvas::Op::Kind::PolyPolygon);
  EXPECT_EQ(filled.ops()[0].points, kBand.points);
  EXPECT_EQ(filled.ops()[0].counts, kBand.counts);
  EXPECT_EQ(filled.ops()[6].points, (Points{{100, 100}}));  // the inner square's move_to
}

TEST(HatchFill, SquareGetsNineAlternatingLinesAndNoOutline) {
  const std::vector<Move> expected = {
      up(400, 40),  down(0, 40),    up(0, 80),    down(400, 80),  up(400, 120), down(0, 120),
      up(0, 160),   down(400, 160), up(400, 200), down(0, 200),   up(0, 240),   down(400, 240),
      up(400, 280), down(0, 280),   up(0, 320),   down(400, 320), up(400, 360), down(0, 360)};
  EXPECT_EQ(hatch_moves(kSquare, 1.0), expected);
  EXPECT_EQ(hatch_moves(contours({square_ccw(0, 0, 400, 400)}), 1.0), expected);
  // The pitch is 40 units per mm whatever the axis rate, and its sign does not count.
  MarkerCapture m;
  m.doc.settings.rate_y = 2.0;
  RenderContours(m.g, 0, 2, -1.0, nullptr, kSquare, 0, 0);
  EXPECT_EQ(m.moves(), expected);
  // Under 1/80 mm the pitch would round to 0 units; every unit is scanned instead.
  EXPECT_EQ(hatch_moves(contours({square_cw(0, 0, 4, 4)}), 0.01),
            (std::vector<Move>{up(4, 1), down(0, 1), up(0, 2), down(4, 2), up(4, 3), down(0, 3)}));
}

TEST(HatchFill, ScanLineRules) {
  struct Case {
    const char* name;
    std::vector<Points> shape;
    std::vector<Move> expected = {up(80, 40), down(0, 40)};  // spacing 40
  };
  const Case cases[] = {
      {"side vertices whose edges go on the same way: one crossing",
       {{{20, 0}, {0, 40}, {20, 80}, {60, 80}, {80, 40}, {60, 0}, {20, 0}}}},
      {"valley on the line: nothing", {{{0, 0}, {0, 80}, {40, 40}, {80, 80}, {80, 0}, {0, 0}}}},
      {"peak on the line: nothing", {{{0, 0}, {40, 40}, {80, 0}, {80, 80}, {0, 80}, {0, 0}}}},
      {"horizontal run on the line: one crossing, at the run's end",
       {kEll},
       {up(80, 40), down(0, 40), up(0, 80), down(40, 80)}},
      // Two squares of one sense sharing x = 40: the later contour's crossing
      // comes first there, which decides whether the shared edge splits the line.
      {"equal crossings, newest first", {square_cw(0, 0, 40, 80), square_cw(40, 0, 80, 80)}},
      {"equal crossings, the other order",
       {square_cw(40, 0, 80, 80), square_cw(0, 0, 40, 80)},
       {up(80, 40), down(40, 40), up(40, 40), down(0, 40)}},
      {"y = -40: q = -1 is odd", {square_cw(0, -80, 400, 0)}, {up(400, -40), down(0, -40)}},
      // The slanted edge meets y = 40 at x = -49.5.
      {"truncated toward 0", {{{-99, 0}, {0, 0}, {0, 80}, {-99, 0}}}, {up(0, 40), down(-49, 40)}},
      // Far beyond ±30000: the extents start from the integer limits.
      {"lines start one spacing above a high minimum",
       {square_cw(0, 50010, 400, 50090)},
       {up(400, 50050), down(0, 50050)}},
  };
  for (const Case& c : cases) EXPECT_EQ(hatch_moves(contours(c.shape), 1.0), c.expected) << c.name;
}

TEST(HatchFill, NonzeroWindingLeavesHolesOnlyForOppositeSenses) {
  const std::vector<Move> band = hatch_moves(kBand, 1.0);
  // Lines 40, 80, 320 and 360 miss the hole: one span each; 120 to 280 two.
  ASSERT_EQ(band.size(), 4u * 2 + 5u * 4);
  // y = 200 is line 5 (odd): right to left.
  EXPECT_EQ(std::vector<Move>(band.begin() + 12, band.begin() + 16),
            (std::vector<Move>{up(400, 200), down(300, 200), up(100, 200), down(0, 200)}));
  const ContourList solid = contours({square_cw(0, 0, 400, 400), square_cw(100, 100, 300, 300)});
  EXPECT_EQ(hatch_moves(solid, 1.0).size(), 9u * 2);
}

TEST(HatchFill, StopsBetweenLinesAndNeverMarksAfterAnInterruptedPenUp) {
  MarkerCapture m;
  m.escape_after(4);
  RenderContours(m.g, 0, 2, 1.0, nullptr, kSquare, 0, 0);
  EXPECT_EQ(m.moves(), (std::vector<Move>{up(400, 40), down(0, 40), up(0, 80), down(400, 80)}));
  // Line 120 of the band has two spans; Escape at the second pen-up must not
  // let its pen-down draw across the hole.
  MarkerCapture b;
  b.escape_after(6);
  RenderContours(b.g, 0, 2, 1.0, nullptr, kBand, 0, 0);
  ASSERT_EQ(b.moves().size(), 6u);
  EXPECT_EQ(b.moves().back(), down(300, 120));
}

// Hatch length times spacing against the shoelace area, and the vertical
// variant against the horizontal one run with X and Y exchanged.
TEST(HatchFill, LengthsGiveTheAreaAndVerticalIsHorizontalTransposed) {
  std::vector<Points> shapes = {kEll};
  for (CanvasPoint& p : shapes[0]) p = {10 * p.x, 10 * p.y};  // large enough for 1 %
  std::mt19937 rng(12345);
  for (int k = 0; k < 8; ++k) {  // star-shaped about (1000, 1000), simple, of either sense
    const int n = 5 + static_cast<int>(rng() % 40);
    Points& pts = shapes.emplace_back();
    for (int i = 0; i < n; ++i) {
      const double a = 2 * kPi * (k % 2 == 0 ? i : n - i) / n;
      const double r = 300 + static_cast<double>(rng() % 700);
      pts.push_back({nearest_int(1000 + r * std::cos(a)), nearest_int(1000 + r * std::sin(a))});
    }
    pts.push_back(pts.front());
  }
  for (const Points& pts : shapes) {
    SCOPED_TRACE(::testing::Message() << pts.size() << " points");
    double area = 0;
    Points transposed;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      transposed.push_back({pts[i].y, pts[i].x});
      if (i > 0) area += (1.0 * pts[i - 1].x * pts[i].y - 1.0 * pts[i].x * pts[i - 1].y) / 2;
    }
    for (double pitch : {0.025, 0.1}) {  // spacing 1 and 4
      const std::vector<Move> moves = hatch_moves(contours({pts}), pitch);
      double length = 0;
      for (std::size_t i = 0; i + 1 < moves.size(); i += 2) {
        length += std::abs(moves[i + 1].x - moves[i].x);
      }
      EXPECT_NEAR(length * nearest_int(40 * pitch), std::abs(area), std::abs(area) / 100);
      std::vector<Move> vertical = hatch_moves(contours({transposed}), pitch, true);
      for (Move& mv : vertical) mv = {mv.down, mv.y, mv.x};
      EXPECT_EQ(vertical, moves);
    }
  }
}

TEST(HatchFill, DegenerateInputHatchesNothingAndReadsOnlyWhatIsThere) {
  ContourList miscounted;  // a negative count, then counts past the points there are
  miscounted.points = {{0, 0}, {0, 400}, {400, 400}};
  miscounted.counts = {-3, 2, 7, 5};
  const ContourList cases[] = {
      {},
      contours({{{5, 5}}}),
      contours({{{5, 0}, {5, 400}}}),                        // there and back
      contours({{{0, 0}, {200, 200}, {400, 400}, {0, 0}}}),  // collinear and closed
      miscounted,
  };
  for (const ContourList& c : cases) {
    for (int32_t dir : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << c.points.size() << " points, direction " << dir);
      MarkerCapture m;  // zero-area shapes give at most zero-length strokes
      RenderContours(m.g, dir, 2, 1.0, nullptr, c, 0, 0);
      const std::vector<Move> moves = m.moves();
      for (std::size_t i = 0; i + 1 < moves.size(); i += 2) {
        EXPECT_LE(std::abs(moves[i + 1].x - moves[i].x) + std::abs(moves[i + 1].y - moves[i].y), 1);
      }
      RecordingCanvas dc;  // and on screen, with stroke widths; the fill gets no empty contour
      RenderContours(m.g, dir, 2, 1.0, &dc, c, 1, 1);
      for (const auto& op : dc.ops()) EXPECT_EQ(std::ranges::count(op.counts, 0), 0);
    }
  }
  MarkerCapture no_pen;  // marking without a pen: nothing to do, nothing to crash on
  no_pen.g.pen = nullptr;
  RenderContours(no_pen.g, 0, 2, 1.0, nullptr, kBand, 0, 0);
  TraceOutline(no_pen.g, nullptr, kBand, 0);
}

TEST(HatchFill, ExtremeCoordinatesNeitherOverflowNorHang) {
  constexpr int32_t kLo = std::numeric_limits<int32_t>::min() + 1;
  constexpr int32_t kHi = std::numeric_limits<int32_t>::max();
  // Pitch 10000 mm: spacing 400000, so about 10700 lines.
  const std::vector<Move> moves =
      hatch_moves(contours({{{kLo, kLo}, {kHi, kHi}, {kHi, kLo}, {kLo, kLo}}}), 10000.0);
  ASSERT_FALSE(moves.empty());
  for (std::size_t i = 0; i + 1 < moves.size(); i += 2) {
    ASSERT_EQ(std::max(moves[i].x, moves[i + 1].x), kHi);
    // The diagonal crosses the line at y itself, up to truncation.
    ASSERT_LE(std::abs(int64_t{std::min(moves[i].x, moves[i + 1].x)} - moves[i].y), 1);
  }
}

TEST(HatchFill, CanvasStrokesFromTheWidths) {
  struct Case {
    const char* name;
    int32_t raster_mode, printing, direction;
    double wx, wy;
    std::size_t ops;
    Points first;       // the first hatch stroke
    int32_t half = 24;  // the square runs from -half + 24 to half + 24
    int32_t raster_width = 0, raster_height = 0;
  };
  constexpr int32_t kBig = 2000000000;
  // On screen (Z = 5) a polygon and the outline (6 ops) come first, then
  // strokes at 12, 24 and 36; raster and paper scan every unit without outline.
  // The rectangles reach 2 units past the ends and 5 either side of the line.
  const Case cases[] = {
      {"screen, no stroke width: no hatch", 0, 0, 0, 0, 0, 6, {}},
      {"screen, horizontal rectangles", 0, 0, 0, 0.4, 1.0, 9, {{-2, 17}, {50, 7}}},
      {"screen, vertical rectangles", 0, 0, 1, 1.0, 0.4, 9, {{7, -2}, {17, 50}}},
      {"raster lines", 1, 0, 0, 0, 0, 94, {{0, 1}}},
      // Halved: 0.1 mm at 40 dots/mm is 2 pixels either side.
      {"raster rectangles", 1, 0, 0, 0.1, 0.1, 47, {{-2, 3}, {50, -1}}},
      {"printing, vertical lines", 0, 1, 1, 0, 0, 94, {{1, 0}}},
      // A huge square on a 10 x 6 raster: only the lines that reach it, rows
      // -1..7, or with 2 pixels of stroke either side columns -3..13.
      {"huge, rows", 1, 0, 0, 0, 0, 18, {{24 - kBig, -1}}, kBig, 10, 6},
      {"huge, columns", 1, 0, 1, 0.1, 0.1, 17, {{-5, 22 - kBig}, {-1, 26 + kBig}}, kBig, 10, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CketralDoc doc;
    doc.view.zoom_index = 2;
    doc.raster_mode = c.raster_mode;
    doc.view.printing = c.printing;
    doc.settings.resolution = 40;
    doc.raster_width = c.raster_width;
    doc.raster_height = c.raster_height;
    GeomContext g{doc, nullptr};
    RecordingCanvas dc;
    const Points square = square_cw(24 - c.half, 24 - c.half, 24 + c.half, 24 + c.half);
    RenderContours(g, c.direction, 2, 0.01, &dc, contours({square}), c.wx, c.wy);
    ASSERT_EQ(dc.ops().size(), c.ops);
    if (c.first.empty()) continue;
    EXPECT_EQ(dc.ops()[c.raster_mode == 0 && c.printing == 0 ? 6 : 0].points, c.first);
  }
}

}  // namespace
}  // namespace lumetch
