#include "geometry/render_contours.h"

#include <gtest/gtest.h>

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
using Kind = RecordingCanvas::Op::Kind;

ContourList contours(const std::vector<std::vector<CanvasPoint>>& list) {
  ContourList c;
  for (const auto& contour : list) {
    c.begin_contour();
    for (const CanvasPoint p : contour) c.add(p);
  }
  return c;
}

// Closed squares; clockwise on the field (Y up) or counter-clockwise.
std::vector<CanvasPoint> square_cw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}
std::vector<CanvasPoint> square_ccw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

std::vector<Move> hatch_moves(const ContourList& c, double pitch, bool vertical = false) {
  MarkerCapture m;
  RenderContours(m.g, vertical ? 1 : 0, 2, pitch, nullptr, c, 0, 0);
  return m.moves();
}

ContourList transposed(ContourList c) {
  for (CanvasPoint& p : c.points) p = {p.y, p.x};
  return c;
}

// ---- TraceOutline ----

TEST(TraceOutline, MarkerModeZeroKeepsListOrderOtherModesReverseIt) {
  const ContourList ring = contours({square_cw(0, 0, 40, 40), square_ccw(10, 10, 30, 30)});
  const std::vector<Move> outer = {up(0, 0), down(0, 40), down(40, 40), down(40, 0), down(0, 0)};
  const std::vector<Move> inner = {up(10, 10), down(30, 10), down(30, 30), down(10, 30),
                                   down(10, 10)};
  std::vector<Move> forward = outer;
  forward.insert(forward.end(), inner.begin(), inner.end());
  std::vector<Move> reversed = inner;
  reversed.insert(reversed.end(), outer.begin(), outer.end());

  for (int32_t mode : {0, 1, 5}) {
    SCOPED_TRACE(mode);
    MarkerCapture m;
    RenderContours(m.g, 0, mode, 1.0, nullptr, ring, 0, 0);
    EXPECT_EQ(m.moves(), mode == 0 ? forward : reversed);
  }
}

TEST(TraceOutline, MarkerStopsBeforeTheNextPoint) {
  const ContourList ring = contours({square_cw(0, 0, 40, 40), square_ccw(10, 10, 30, 30)});
  for (std::size_t after : {0u, 3u, 5u, 7u}) {
    SCOPED_TRACE(after);
    MarkerCapture m;
    m.escape_after(after);
    TraceOutline(m.g, nullptr, ring, 0);
    EXPECT_EQ(m.doc.stop_requested, 1);
    EXPECT_EQ(m.commands().size(), after);
  }
  MarkerCapture stopped;
  stopped.doc.stop_requested = 1;
  TraceOutline(stopped.g, nullptr, ring, 1);
  EXPECT_TRUE(stopped.commands().empty());
}

TEST(TraceOutline, CanvasFillsFirstThenDrawsEveryContourInListOrder) {
  const ContourList ring = contours({square_cw(0, 0, 40, 40), square_ccw(10, 10, 30, 30)});
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  for (int32_t mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    RecordingCanvas dc;
    TraceOutline(g, &dc, ring, mode);
    const auto& ops = dc.ops();
    const std::size_t fill = mode == 2 ? 1 : 0;
    ASSERT_EQ(ops.size(), fill + 10);
    if (mode == 2) {
      EXPECT_EQ(ops[0].kind, Kind::PolyPolygon);
      EXPECT_EQ(ops[0].points, ring.points);
      EXPECT_EQ(ops[0].counts, ring.counts);
    }
    EXPECT_EQ(ops[fill].kind, Kind::MoveTo);
    EXPECT_EQ(ops[fill].points[0], (CanvasPoint{0, 0}));
    EXPECT_EQ(ops[fill + 5].kind, Kind::MoveTo);
    EXPECT_EQ(ops[fill + 5].points[0], (CanvasPoint{10, 10}));
  }
  RecordingCanvas one;
  TraceOutline(g, &one, contours({square_cw(0, 0, 4, 4)}), 2);
  ASSERT_FALSE(one.ops().empty());
  EXPECT_EQ(one.ops()[0].kind, Kind::Polygon);
  EXPECT_EQ(one.ops()[0].points.size(), 5u);
}

// ---- HatchFill on the marker ----

TEST(HatchFill, SquareGetsNineAlternatingLinesAndNoOutline) {
  const std::vector<Move> expected = {
      up(400, 40),  down(0, 40),    up(0, 80),    down(400, 80),  up(400, 120), down(0, 120),
      up(0, 160),   down(400, 160), up(400, 200), down(0, 200),   up(0, 240),   down(400, 240),
      up(400, 280), down(0, 280),   up(0, 320),   down(400, 320), up(400, 360), down(0, 360)};
  EXPECT_EQ(hatch_moves(contours({square_cw(0, 0, 400, 400)}), 1.0), expected);
  // The sense of the square does not matter for a single contour.
  EXPECT_EQ(hatch_moves(contours({square_ccw(0, 0, 400, 400)}), 1.0), expected);
  // Nor do the axis rates: the pitch is always 40 units per mm.
  MarkerCapture m;
  m.doc.settings.rate_y = 2.0;
  RenderContours(m.g, 0, 2, 1.0, nullptr, contours({square_cw(0, 0, 400, 400)}), 0, 0);
  EXPECT_EQ(m.moves(), expected);
}

TEST(HatchFill, VerticesAndHorizontalRunsOnTheScanLine) {
  struct Case {
    const char* name;
    std::vector<CanvasPoint> contour;
    std::vector<Move> expected;  // spacing 40
  };
  const Case cases[] = {
      {"side vertices whose edges both go the same way count once",
       {{20, 0}, {0, 40}, {20, 80}, {60, 80}, {80, 40}, {60, 0}, {20, 0}},
       {up(80, 40), down(0, 40)}},
      {"a valley on the line gives nothing",
       {{0, 0}, {0, 80}, {40, 40}, {80, 80}, {80, 0}, {0, 0}},
       {up(80, 40), down(0, 40)}},
      {"a peak on the line gives nothing",
       {{0, 0}, {40, 40}, {80, 0}, {80, 80}, {0, 80}, {0, 0}},
       {up(80, 40), down(0, 40)}},
      {"horizontal edge on the line: the crossing sits at the end of the run",
       {{0, 0}, {0, 120}, {40, 120}, {40, 40}, {80, 40}, {80, 0}, {0, 0}},
       {up(80, 40), down(0, 40), up(0, 80), down(40, 80)}},
      {"the same L traced the other way round ends its run at x = 40",
       {{0, 0}, {80, 0}, {80, 40}, {40, 40}, {40, 120}, {0, 120}, {0, 0}},
       {up(40, 40), down(0, 40), up(0, 80), down(40, 80)}},
      {"a repeated point is a run of length zero",
       {{0, 0}, {0, 40}, {0, 40}, {0, 80}, {80, 80}, {80, 0}, {0, 0}},
       {up(80, 40), down(0, 40)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(hatch_moves(contours({c.contour}), 1.0), c.expected);
  }
}

TEST(HatchFill, NonzeroWindingLeavesHolesOnlyForOppositeSenses) {
  const ContourList band = contours({square_cw(0, 0, 400, 400), square_ccw(100, 100, 300, 300)});
  const ContourList solid = contours({square_cw(0, 0, 400, 400), square_cw(100, 100, 300, 300)});
  const std::vector<Move> band_moves = hatch_moves(band, 1.0);
  const std::vector<Move> solid_moves = hatch_moves(solid, 1.0);
  // y = 200 is line 5 (odd): right to left, two spans in the band.
  const std::vector<Move> band_at_200 = {up(400, 200), down(300, 200), up(100, 200), down(0, 200)};
  const std::vector<Move> solid_at_200 = {up(400, 200), down(0, 200)};
  auto at = [](const std::vector<Move>& moves, int32_t y) {
    std::vector<Move> out;
    for (const Move& mv : moves) {
      if (mv.y == y) out.push_back(mv);
    }
    return out;
  };
  EXPECT_EQ(at(band_moves, 200), band_at_200);
  EXPECT_EQ(at(solid_moves, 200), solid_at_200);
  // Lines 40 and 80 lie below the hole, 320 and 360 above it: one span each.
  EXPECT_EQ(band_moves.size(), 4u * 2 + 5u * 4);
  EXPECT_EQ(solid_moves.size(), 9u * 2);
}

TEST(HatchFill, EqualCrossingsKeepTheNewestFirst) {
  // Two squares of the same sense sharing the edge x = 40. At x = 40 the later
  // contour's crossing comes first; which one that is decides whether the
  // shared edge splits the line.
  const auto a = square_cw(0, 0, 40, 80);
  const auto b = square_cw(40, 0, 80, 80);
  EXPECT_EQ(hatch_moves(contours({a, b}), 1.0), (std::vector<Move>{up(80, 40), down(0, 40)}));
  EXPECT_EQ(hatch_moves(contours({b, a}), 1.0),
            (std::vector<Move>{up(80, 40), down(40, 40), up(40, 40), down(0, 40)}));
}

TEST(HatchFill, SpacingFromThePitch) {
  const ContourList sq = contours({square_cw(0, 0, 4, 4)});
  // Below 1/80 mm the spacing would round to 0; it is 1 instead.
  for (double pitch : {0.01, 0.012, 0.0, -0.001}) {
    SCOPED_TRACE(pitch);
    const std::vector<Move> moves = hatch_moves(sq, pitch);
    ASSERT_EQ(moves.size(), 6u);
    EXPECT_EQ(moves[0], up(4, 1));
    EXPECT_EQ(moves[5], down(0, 3));
  }
  // 1/80 mm is exactly half a unit and rounds up to 1; a negative pitch counts as positive.
  EXPECT_EQ(hatch_moves(sq, 0.0125).size(), 6u);
  EXPECT_EQ(hatch_moves(contours({square_cw(0, 0, 400, 400)}), -1.0).size(), 18u);
}

TEST(HatchFill, NegativeOddLinesRunBackwards) {
  // y = -40 with spacing 40 gives q = -1: right to left.
  EXPECT_EQ(hatch_moves(contours({square_cw(0, -80, 400, 0)}), 1.0),
            (std::vector<Move>{up(400, -40), down(0, -40)}));
  // q = -2 is even again.
  EXPECT_EQ(hatch_moves(contours({square_cw(0, -120, 400, -40)}), 1.0),
            (std::vector<Move>{up(0, -80), down(400, -80)}));
}

TEST(HatchFill, VerticalVariantIsTheHorizontalOneTransposed) {
  const ContourList shapes[] = {
      contours({square_cw(0, 0, 400, 400), square_ccw(100, 100, 300, 300)}),
      contours({{{0, 0}, {0, 120}, {40, 120}, {40, 40}, {80, 40}, {80, 0}, {0, 0}}}),
      contours({{{5, -37}, {123, 17}, {61, 230}, {-44, 90}, {30, 45}, {5, -37}}}),
  };
  for (const ContourList& shape : shapes) {
    std::vector<Move> vertical = hatch_moves(transposed(shape), 0.3, true);
    for (Move& mv : vertical) mv = {mv.down, mv.y, mv.x};
    const std::vector<Move> horizontal = hatch_moves(shape, 0.3);
    EXPECT_FALSE(horizontal.empty());
    EXPECT_EQ(vertical, horizontal);
  }
}

TEST(HatchFill, StopsBetweenLinesAndNeverMarksAfterAnInterruptedPenUp) {
  const ContourList sq = contours({square_cw(0, 0, 400, 400)});
  MarkerCapture m;
  m.escape_after(4);
  RenderContours(m.g, 0, 2, 1.0, nullptr, sq, 0, 0);
  EXPECT_EQ(m.doc.stop_requested, 1);
  EXPECT_EQ(m.moves(), (std::vector<Move>{up(400, 40), down(0, 40), up(0, 80), down(400, 80)}));

  // Line 120 of the band has two spans; Escape at the second pen-up must not
  // let its pen-down draw across the hole.
  const ContourList band = contours({square_cw(0, 0, 400, 400), square_ccw(100, 100, 300, 300)});
  MarkerCapture b;
  b.escape_after(6);
  RenderContours(b.g, 0, 2, 1.0, nullptr, band, 0, 0);
  ASSERT_EQ(b.moves().size(), 6u);
  EXPECT_EQ(b.moves().back(), down(300, 120));

  // A port that fails stops the fill too.
  MarkerCapture f;
  f.sent.fail_after = 3;
  RenderContours(f.g, 0, 2, 1.0, nullptr, sq, 0, 0);
  EXPECT_EQ(f.doc.stop_requested, 1);
  EXPECT_EQ(f.commands().size(), 3u);
}

// Sum of the hatch lengths times the spacing against the shoelace area.
TEST(HatchFill, HatchLengthTimesSpacingApproximatesTheArea) {
  std::mt19937 rng(12345);
  for (int shape = 0; shape < 12; ++shape) {
    SCOPED_TRACE(shape);
    // A star-shaped polygon around (1000, 1000): simple, of either sense.
    const int n = 5 + static_cast<int>(rng() % 40);
    std::vector<CanvasPoint> pts;
    for (int k = 0; k < n; ++k) {
      const double a = 2 * kPi * k / n;
      const double r = 300 + static_cast<double>(rng() % 700);
      pts.push_back({nearest_int(1000 + r * std::cos(a)), nearest_int(1000 + r * std::sin(a))});
    }
    if (shape % 2 == 1) std::reverse(pts.begin(), pts.end());
    pts.push_back(pts.front());
    double twice_area = 0;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
      twice_area += static_cast<double>(pts[i].x) * pts[i + 1].y -
                    static_cast<double>(pts[i + 1].x) * pts[i].y;
    }
    const double area = std::abs(twice_area) / 2;
    for (bool vertical : {false, true}) {
      for (double pitch : {0.025, 0.1}) {  // spacing 1 and 4
        const std::vector<Move> moves = hatch_moves(contours({pts}), pitch, vertical);
        double length = 0;
        for (std::size_t i = 0; i + 1 < moves.size(); i += 2) {
          ASSERT_FALSE(moves[i].down);
          ASSERT_TRUE(moves[i + 1].down);
          length += std::abs(vertical ? moves[i + 1].y - moves[i].y : moves[i + 1].x - moves[i].x);
        }
        EXPECT_NEAR(length * nearest_int(40 * pitch), area, area * 0.01);
      }
    }
  }
}

TEST(HatchFill, DegenerateInputHatchesNothingAndReadsOnlyWhatIsThere) {
  struct Case {
    const char* name;
    ContourList list;
  };
  ContourList too_many;  // counts promise more points than there are
  too_many.points = {{0, 0}, {0, 400}, {400, 400}};
  too_many.counts = {2, 7, 5};
  ContourList negative;
  negative.points = {{0, 0}, {0, 400}};
  negative.counts = {-3, 2};
  const Case cases[] = {
      {"no contours", ContourList{}},
      {"empty contour", contours({{}})},
      {"one point", contours({{{5, 5}}})},
      {"vertical segment", contours({{{5, 0}, {5, 400}}})},
      {"horizontal segment", contours({{{0, 5}, {400, 5}}})},
      {"collinear and closed", contours({{{0, 0}, {200, 200}, {400, 400}, {0, 0}}})},
      {"counts beyond the points", too_many},
      {"negative count", negative},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t dir : {0, 1}) {
      MarkerCapture m;
      RenderContours(m.g, dir, 2, 1.0, nullptr, c.list, 0, 0);
      // Zero-area shapes give at most zero-length strokes.
      for (std::size_t i = 0; i + 1 < m.moves().size(); i += 2) {
        EXPECT_LE(std::abs(m.moves()[i + 1].x - m.moves()[i].x) +
                      std::abs(m.moves()[i + 1].y - m.moves()[i].y),
                  1);
      }
      TraceOutline(m.g, nullptr, c.list, 1);
      CketralDoc doc;
      GeomContext g{doc, nullptr};
      RecordingCanvas dc;
      RenderContours(g, dir, 2, 1.0, &dc, c.list, 1, 1);
    }
  }
  // Missing targets: nothing happens.
  CketralDoc doc;
  doc.engraving = 1;
  GeomContext no_pen{doc, nullptr};
  RenderContours(no_pen, 0, 2, 1.0, nullptr, contours({square_cw(0, 0, 4, 4)}), 0, 0);
  TraceOutline(no_pen, nullptr, contours({square_cw(0, 0, 4, 4)}), 0);
}

TEST(HatchFill, ExtremeCoordinatesNeitherOverflowNorHang) {
  constexpr int32_t kLo = std::numeric_limits<int32_t>::min() + 1;
  constexpr int32_t kHi = std::numeric_limits<int32_t>::max();
  // Pitch 10000 mm: spacing 400000, so about 10700 lines.
  const std::vector<Move> moves =
      hatch_moves(contours({{{kLo, kLo}, {kHi, kHi}, {kHi, kLo}, {kLo, kLo}}}), 10000.0);
  ASSERT_FALSE(moves.empty());
  for (std::size_t i = 0; i + 1 < moves.size(); i += 2) {
    const Move a = moves[i];
    const Move b = moves[i + 1];
    ASSERT_EQ(std::max(a.x, b.x), kHi);
    // The diagonal crosses the line at y itself, up to truncation.
    ASSERT_LE(std::abs(int64_t{std::min(a.x, b.x)} - a.y), 1);
  }
}

// ---- HatchFill on a canvas ----

TEST(HatchFill, ScreenWithoutStrokeWidthPaintsThePolygonOnly) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;
  RenderContours(g, 0, 2, 0.01, &dc, contours({square_cw(0, 0, 48, 48)}), 0, 0);
  ASSERT_EQ(dc.ops().size(), 6u);
  EXPECT_EQ(dc.ops()[0].kind, Kind::Polygon);
  EXPECT_EQ(dc.segments().size(), 4u);  // the outline
}

TEST(HatchFill, ScreenStrokesAreTwelveUnitsApart) {
  CketralDoc doc;
  doc.view.zoom_index = 2;  // Z = 5
  GeomContext g{doc, nullptr};
  const ContourList sq = contours({square_cw(0, 0, 48, 48)});
  struct Case {
    const char* name;
    int32_t direction;
    double wx, wy;
    Kind kind;
    std::vector<CanvasPoint> first;  // the first stroke after the outline
  };
  const Case cases[] = {
      // w = 2, h = 5: rectangles reaching w past the ends and h above and below.
      {"horizontal rectangles", 0, 0.4, 1.0, Kind::Rectangle, {{-2, 17}, {50, 7}}},
      {"horizontal lines when h is 0", 0, 0.4, 0.0, Kind::MoveTo, {{-2, 12}}},
      {"vertical rectangles", 1, 1.0, 0.4, Kind::Rectangle, {{7, -2}, {17, 50}}},
      {"vertical lines when w is 0", 1, 0.0, 0.4, Kind::MoveTo, {{12, -2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingCanvas dc;
    RenderContours(g, c.direction, 2, 1.0, &dc, sq, c.wx, c.wy);
    const auto& ops = dc.ops();
    ASSERT_GE(ops.size(), 6u);
    EXPECT_EQ(ops[0].kind, Kind::Polygon);
    EXPECT_EQ(ops[6].kind, c.kind);
    EXPECT_EQ(ops[6].points, c.first);
    // Lines at 12, 24 and 36; the extent's top is not scanned.
    const std::size_t per_line = c.kind == Kind::Rectangle ? 1 : 2;
    EXPECT_EQ(ops.size(), 6 + 3 * per_line);
  }
}

TEST(HatchFill, RasterAndPrintingScanEveryUnitWithoutOutline) {
  const ContourList sq = contours({square_cw(0, 0, 3, 3)});
  CketralDoc raster;
  raster.raster_mode = 1;
  raster.settings.resolution = 40;
  GeomContext g{raster, nullptr};
  RecordingCanvas dc;
  RenderContours(g, 0, 2, 5.0, &dc, sq, 0, 0);
  using Seg = std::pair<CanvasPoint, CanvasPoint>;
  EXPECT_EQ(dc.segments(), (std::vector<Seg>{{{0, 1}, {3, 1}}, {{0, 2}, {3, 2}}}));

  // Raster widths are halved: 0.1 mm at 40 dots/mm is 2 pixels either side.
  RecordingCanvas wide;
  RenderContours(g, 0, 2, 5.0, &wide, sq, 0.1, 0.1);
  ASSERT_EQ(wide.ops().size(), 2u);
  EXPECT_EQ(wide.ops()[0].points, (std::vector<CanvasPoint>{{-2, 3}, {5, -1}}));

  CketralDoc printing;
  printing.view.printing = 1;
  GeomContext p{printing, nullptr};
  RecordingCanvas paper;
  RenderContours(p, 1, 2, 5.0, &paper, sq, 0, 0);
  EXPECT_EQ(paper.segments(), (std::vector<Seg>{{{1, 0}, {1, 3}}, {{2, 0}, {2, 3}}}));
}

}  // namespace
}  // namespace lumetch
