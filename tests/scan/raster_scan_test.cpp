#include "scan/raster_scan.h"

#include <gtest/gtest.h>

#include <vector>

#include "geometry/mapping.h"
#include "geometry/marker_capture.h"

namespace lumetch {
namespace {

using test::down;
using test::Move;
using test::up;

TEST(ScanClip, BoundsOfEveryOutline) {
  // {column, outline, line, w, h, lo, hi}
  const int32_t cases[][7] = {
      {0, 0, 1, 100, 100, 0, 100},
      {0, 7, 1, 100, 60, 0, 100},  // rectangle; unknown outline
      // Ellipse: the first row a few pixels about the centre, the middle row all of it.
      {0, 1, 1, 100, 100, 40, 60},
      {0, 1, 50, 200, 100, 0, 200},
      {1, 1, 1, 200, 100, 43, 57},
      {1, 1, 100, 200, 100, 0, 100},
      // Rhombus, triangle, inverted triangle: top, middle, bottom (left, middle, right).
      {0, 2, 0, 100, 100, 50, 50},
      {0, 2, 50, 200, 100, 0, 200},
      {0, 2, 75, 200, 100, 50, 150},
      {0, 3, 0, 100, 100, 50, 50},
      {0, 3, 50, 200, 100, 50, 150},
      {0, 3, 99, 100, 100, 1, 99},
      {0, 4, 0, 100, 100, 0, 100},
      {0, 4, 50, 100, 100, 25, 75},
      {0, 4, 99, 100, 100, 50, 50},
      {1, 2, 0, 200, 100, 50, 50},
      {1, 2, 100, 200, 100, 0, 100},
      {1, 2, 150, 200, 100, 25, 75},
      {1, 3, 0, 200, 100, 100, 100},
      {1, 3, 50, 200, 100, 50, 100},
      {1, 3, 150, 200, 100, 50, 100},
      {1, 4, 0, 200, 100, 0, 0},
      {1, 4, 100, 200, 100, 0, 100},
      {1, 4, 150, 200, 100, 0, 50},
      // Lines outside the raster are clamped into it.
      {0, 1, -100, 100, 100, 0, 100},
      {0, 2, 200, 100, 100, 100, 0}};
  for (const auto& c : cases) {
    const ClipBounds got =
        c[0] ? scan_clip_column(c[1], c[2], c[3], c[4]) : scan_clip_row(c[1], c[2], c[3], c[4]);
    EXPECT_EQ(got, (ClipBounds{c[5], c[6]})) << "column " << c[0] << " outline " << c[1] << " line "
                                             << c[2] << ": " << got.lo << "," << got.hi;
  }
}

TEST(ScanClip, PixelToMarkerUnits) {
  MarkSettings s;
  s.scan_size_x = 40.0;
  s.scan_size_y = 20.0;
  s.scan_cent_x = 5.0;
  s.scan_cent_y = -3.0;
  s.locate_cent_x = 2.0;
  s.locate_cent_y = 1.0;
  s.rate_x = 1.5;
  s.rate_y = 0.5;
  // A pixel marks where an object point at its field position marks (the
  // scanning-area centre once subtracted twice); marker_x/y are tested in mapping_test.
  const double left = s.scan_cent_x - s.scan_size_x / 2;
  const double top = s.scan_size_y / 2 + s.scan_cent_y;
  for (int32_t p : {0, 4, 400, 800, 1600}) {
    EXPECT_EQ(pixel_marker_x(s, p), marker_x(s, left + p / 40.0)) << p;
    if (p <= 800) {
      EXPECT_EQ(pixel_marker_y(s, p, 800), marker_y(s, top - p / 40.0)) << p;
    }
  }
}

// Field = scanning area at 40 dots/mm: pixel (px, py) is marker unit (px, h - py).
struct Scan : test::MarkerCapture {
  std::optional<ScanRaster> raster;
  Scan(int32_t w, int32_t h, double scan_dot = 0.025, int32_t yz = 1) {
    raster = ScanRaster::create(w, h);
    MarkSettings& s = doc.settings;
    s.scan_size_x = s.mark_size_x = w / 40.0;
    s.scan_size_y = s.mark_size_y = h / 40.0;
    s.scan_dot = scan_dot;
    s.scan_style_yz = yz;
  }
  std::vector<Move> run() {
    EXPECT_TRUE(RasterScan(*raster, pen));
    return moves();
  }
};

TEST(RasterScan, LinesStepAndDirections) {
  // 40 × 20 mm, lines 0.1 mm apart: rows 1, 5, ..., 797, the first right to
  // left; all white and relief: one run per row, one pixel short of both edges.
  const std::vector<Move> m = Scan(1600, 800, 0.1).run();
  ASSERT_EQ(m.size(), 2u * 200u);
  EXPECT_EQ(std::vector<Move>(m.begin(), m.begin() + 4),
            (std::vector<Move>{up(1599, 799), down(1, 799), up(1, 795), down(1599, 795)}));
  EXPECT_EQ(m.back(), down(1599, 3));
  EXPECT_TRUE(Scan(1600, 800, 0.1, 0).run().empty());  // intaglio on white

  // A step rounding to 0 is 1: row 1 (odd) left to right, row 2 back.
  EXPECT_EQ(Scan(20, 10, 0.01).run().size(), 2u * 9u);
  EXPECT_EQ(Scan(20, 3, 0.01).run(),
            (std::vector<Move>{up(1, 2), down(19, 2), up(19, 1), down(1, 1)}));

  Scan columns(12, 10, 0.1);  // columns 1, 5, 9; column 1 from the bottom up
  columns.doc.settings.scan_style_hz = 1;
  EXPECT_EQ(columns.run(),
            (std::vector<Move>{up(1, 1), down(1, 9), up(5, 9), down(5, 1), up(9, 1), down(9, 9)}));

  Scan flat(40, 1);  // no row past row 0
  EXPECT_TRUE(flat.run().empty());
  Scan none(40, 4);
  none.doc.settings.resolution = 0;
  EXPECT_TRUE(none.run().empty());
}

TEST(RasterScan, RunsAlongTheWalk) {
  Scan scan(40, 4, 0.025, 0);
  ScanRaster& r = *scan.raster;
  for (int32_t x : {5, 6, 7, 8, 9, 20, 39}) r.set_black(x, 1, true);  // 39: the walk's end
  for (int32_t x : {0, 1, 30, 31, 32, 33}) r.set_black(x, 2, true);   // 0: never walked
  for (int32_t x = 0; x < 40; ++x) r.set_black(x, 0, true);           // row 0: never scanned
  EXPECT_EQ(scan.run(), (std::vector<Move>{up(5, 3), down(9, 3), up(20, 3), down(20, 3), up(39, 3),
                                           down(39, 3),  // row 1 left to right
                                           up(33, 2), down(30, 2), up(1, 2), down(1, 2)}));
}

TEST(RasterScan, EscapeStopsBeforeTheNextRunWithoutMarking) {
  Scan scan(40, 8);
  scan.escape_after(2);  // the second run's pen-up is stopped: no pen-down follows
  EXPECT_EQ(scan.run(), (std::vector<Move>{up(1, 7), down(39, 7)}));
  EXPECT_EQ(scan.doc.stop_requested, 1);

  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  Scan small(6, 3);
  EXPECT_FALSE(RasterScan(*small.raster, small.pen, full));  // a failed write ends it
  std::fclose(full);
}

}  // namespace
}  // namespace lumetch
