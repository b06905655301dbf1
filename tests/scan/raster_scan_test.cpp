#include "scan/raster_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "geometry/marker_capture.h"

namespace lumetch {
namespace {

using test::down;
using test::MarkerCapture;
using test::Move;
using test::up;

struct ClipCase {
  const char* name;
  bool column;
  int32_t outline, line, w, h;
  ClipBounds want;
};

TEST(ScanClip, BoundsOfEveryOutline) {
  const ClipCase cases[] = {
      {"rectangle row", false, 0, 1, 100, 100, {0, 100}},
      {"unknown outline clips like the rectangle", false, 7, 1, 100, 60, {0, 100}},
      {"ellipse first row: a few pixels about the centre", false, 1, 1, 100, 100, {40, 60}},
      {"ellipse top edge", false, 1, 0, 100, 100, {50, 50}},
      {"ellipse middle row: full width", false, 1, 50, 200, 100, {0, 200}},
      {"rhombus top", false, 2, 0, 100, 100, {50, 50}},
      {"rhombus middle", false, 2, 50, 200, 100, {0, 200}},
      {"rhombus lower half", false, 2, 75, 200, 100, {50, 150}},
      {"rhombus bottom", false, 2, 99, 100, 100, {49, 51}},
      {"triangle apex", false, 3, 0, 100, 100, {50, 50}},
      {"triangle middle", false, 3, 50, 200, 100, {50, 150}},
      {"triangle base", false, 3, 99, 100, 100, {1, 99}},
      {"inverted triangle top", false, 4, 0, 100, 100, {0, 100}},
      {"inverted triangle middle", false, 4, 50, 100, 100, {25, 75}},
      {"inverted triangle apex", false, 4, 99, 100, 100, {50, 50}},
      {"rectangle column", true, 0, 1, 200, 100, {0, 100}},
      {"ellipse first column", true, 1, 1, 200, 100, {43, 57}},
      {"ellipse middle column", true, 1, 100, 200, 100, {0, 100}},
      {"rhombus left edge", true, 2, 0, 200, 100, {50, 50}},
      {"rhombus middle column", true, 2, 100, 200, 100, {0, 100}},
      {"rhombus right half", true, 2, 150, 200, 100, {25, 75}},
      {"triangle left edge", true, 3, 0, 200, 100, {100, 100}},
      {"triangle left half", true, 3, 50, 200, 100, {50, 100}},
      {"triangle middle column", true, 3, 100, 200, 100, {0, 100}},
      {"triangle right half", true, 3, 150, 200, 100, {50, 100}},
      {"inverted triangle left edge", true, 4, 0, 200, 100, {0, 0}},
      {"inverted triangle middle", true, 4, 100, 200, 100, {0, 100}},
      {"inverted triangle right half", true, 4, 150, 200, 100, {0, 50}},
      // Lines outside the raster would put the formulas outside it.
      {"ellipse row above the raster", false, 1, -100, 100, 100, {0, 100}},
      {"rhombus row below the raster", false, 2, 200, 100, 100, {100, 0}},
  };
  for (const ClipCase& c : cases) {
    const ClipBounds got = c.column ? scan_clip_column(c.outline, c.line, c.w, c.h)
                                    : scan_clip_row(c.outline, c.line, c.w, c.h);
    EXPECT_EQ(got.lo, c.want.lo) << c.name;
    EXPECT_EQ(got.hi, c.want.hi) << c.name;
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
  // Centre of the area's width: (((50 + 0) + 2) - 5) * 1.5 * 40.
  EXPECT_EQ(pixel_marker_x(s, 800), 2820);
  EXPECT_EQ(pixel_marker_x(s, 4), 1626);        // 27.1 mm
  EXPECT_EQ(pixel_marker_y(s, 800, 800), 880);  // bottom row: (((50 - 10) + 1) + 3) * 20
  EXPECT_EQ(pixel_marker_y(s, 0, 800), 1280);   // top row
  EXPECT_EQ(pixel_marker_y(s, 2, 800), 1279);   // rows grow downward
}

// A raster scan rig: pixel (px, py) of an H-row raster lands on marker unit
// (px, H - py), since the field is the scanning area and 40 dots/mm match
// the 40 units/mm.
struct Scan : MarkerCapture {
  std::optional<ScanRaster> raster;
  Scan(int32_t w, int32_t h, double scan_dot = 0.025) {
    raster = ScanRaster::create(w, h);
    MarkSettings& s = doc.settings;
    s.resolution = 40;
    s.scan_size_x = s.mark_size_x = w / 40.0;
    s.scan_size_y = s.mark_size_y = h / 40.0;
    s.scan_dot = scan_dot;
  }
  bool run(std::FILE* file = nullptr) { return RasterScan(*raster, pen, file); }
};

TEST(RasterScan, LinesStepAndDirections) {
  // 40 × 20 mm at 40 dots/mm, scan lines 0.1 mm apart: every 4th row from
  // row 1, the first right to left; all white and relief: one run per line.
  Scan scan(1600, 800, 0.1);
  ASSERT_TRUE(scan.raster);
  scan.doc.settings.scan_style_yz = 1;
  EXPECT_TRUE(scan.run());
  const std::vector<Move> m = scan.moves();
  ASSERT_EQ(m.size(), 2u * 200u);  // rows 1, 5, ..., 797
  EXPECT_EQ(m[0], up(1599, 799));  // one pixel short of both edges
  EXPECT_EQ(m[1], down(1, 799));
  EXPECT_EQ(m[2], up(1, 795));
  EXPECT_EQ(m[3], down(1599, 795));
  EXPECT_EQ(m.back(), down(1599, 3));  // row 797, k = 199

  // Intaglio on a white raster marks nothing.
  Scan white(1600, 800, 0.1);
  EXPECT_TRUE(white.run());
  EXPECT_TRUE(white.commands().empty());

  // A step that rounds to 0 becomes 1: rows 1..9, row 1 (odd) left to right.
  Scan fine(20, 10, 0.01);
  fine.doc.settings.scan_style_yz = 1;
  fine.run();
  const std::vector<Move> f = fine.moves();
  ASSERT_EQ(f.size(), 2u * 9u);
  EXPECT_EQ(f[0], up(1, 9));
  EXPECT_EQ(f[1], down(19, 9));
  EXPECT_EQ(f[2], up(19, 8));

  // Vertical lines: columns 1, 5, ...; column 1 from the bottom up.
  Scan columns(12, 10, 0.1);
  columns.doc.settings.scan_style_yz = 1;
  columns.doc.settings.scan_style_hz = 1;
  columns.run();
  EXPECT_EQ(columns.moves(),
            (std::vector<Move>{up(1, 1), down(1, 9), up(5, 9), down(5, 1), up(9, 1), down(9, 9)}));
}

TEST(RasterScan, RunsAlongTheWalk) {
  Scan scan(40, 4);
  ScanRaster& r = *scan.raster;
  for (int32_t x = 5; x <= 9; ++x) r.set_black(x, 1, true);
  r.set_black(20, 1, true);
  r.set_black(39, 1, true);  // the walk's last pixel
  r.set_black(0, 2, true);   // column 0 is never walked
  r.set_black(1, 2, true);
  for (int32_t x = 30; x <= 33; ++x) r.set_black(x, 2, true);
  for (int32_t x = 0; x < 40; ++x) r.set_black(x, 0, true);  // row 0 is never scanned
  EXPECT_TRUE(scan.run());
  EXPECT_EQ(scan.moves(),
            (std::vector<Move>{// row 1 (k odd): left to right
                               up(5, 3), down(9, 3), up(20, 3), down(20, 3), up(39, 3), down(39, 3),
                               // row 2: right to left
                               up(33, 2), down(30, 2), up(1, 2), down(1, 2)}));

  // Relief marks the complement within the same walk.
  scan.clear();
  scan.doc.settings.scan_style_yz = 1;
  scan.run();
  const std::vector<Move> m = scan.moves();
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(m[0], up(1, 3));
  EXPECT_EQ(m[1], down(4, 3));
}

TEST(RasterScan, EscapeStopsBeforeTheNextRunWithoutMarking) {
  Scan scan(40, 8);
  scan.doc.settings.scan_style_yz = 1;
  scan.escape_after(2);  // the pen-up of the second run is stopped
  EXPECT_TRUE(scan.run());
  EXPECT_EQ(scan.doc.stop_requested, 1);
  EXPECT_EQ(scan.moves(), (std::vector<Move>{up(1, 7), down(39, 7)}));

  Scan stopped(40, 8);
  stopped.doc.stop_requested = 1;
  stopped.doc.settings.scan_style_yz = 1;
  stopped.run();
  EXPECT_TRUE(stopped.commands().empty());
}

TEST(RasterScan, FileWritesAndFailures) {
  Scan scan(6, 3);
  scan.doc.settings.scan_style_yz = 1;
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(scan.run(f));
  std::rewind(f);
  char text[64] = {};
  EXPECT_GT(std::fread(text, 1, sizeof text - 1, f), 0u);
  std::fclose(f);
  EXPECT_STREQ(text, "PU1,2;PD5,2;PU5,1;PD1,1;");
  EXPECT_TRUE(scan.commands().empty());

  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(scan.run(full));
  std::fclose(full);

  // Nothing to scan: no resolution, or no rows.
  scan.doc.settings.resolution = 0;
  EXPECT_TRUE(scan.run());
  Scan flat(40, 1);
  flat.doc.settings.scan_style_yz = 1;
  EXPECT_TRUE(flat.run());
  EXPECT_TRUE(scan.commands().empty());
  EXPECT_TRUE(flat.commands().empty());
}

}  // namespace
}  // namespace lumetch
