#include "scan/scan_raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Picture = std::vector<std::string>;
using Points = std::vector<CanvasPoint>;
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr int32_t kFar = 2000000000;

Picture picture(const ScanRaster& r) {
  Picture out(static_cast<std::size_t>(r.height()));
  for (int32_t y = 0; y < r.height(); ++y) {
    for (int32_t x = 0; x < r.width(); ++x) out[y] += r.is_black(x, y) ? '#' : '.';
  }
  return out;
}

std::size_t count_black(const ScanRaster& r) {
  std::size_t n = 0;
  for (const std::string& row : picture(r)) n += std::ranges::count(row, '#');
  return n;
}

// A raster and its canvas, pen and brush in one colour (red draws black).
struct Board {
  Board(int32_t w, int32_t h, bool pen = true, bool brush = true, int32_t pen_width = 1)
      : r(ScanRaster::create(w, h).value()) {
    dc.set_pen(Pen{{255, 0, 0}, pen_width, pen ? PenStyle::Solid : PenStyle::Hollow});
    dc.set_brush(Brush{{255, 0, 0}, !brush});
  }
  ScanRaster r;
  RasterCanvas dc{r};
};

TEST(ScanRaster, CreateChecksSizesStartsWhiteAndPixelsRoundTripAtByteEdges) {
  const std::pair<int32_t, int32_t> refused[] = {{0, 5}, {5, 0}, {-1, 5}, {65536, 65537}};
  for (const auto& [w, h] : refused) EXPECT_FALSE(ScanRaster::create(w, h)) << w << " x " << h;
  const std::pair<int32_t, std::size_t> strides[] = {{1, 4}, {32, 4}, {33, 8}};
  for (const auto& [w, stride] : strides) EXPECT_EQ(ScanRaster::create(w, 1)->stride(), stride);
  ScanRaster r = ScanRaster::create(17, 2).value();
  EXPECT_EQ(r.bits(), std::vector<uint8_t>(8, 0xFF));
  for (int32_t x : {0, 7, 8, 15, 16, -1, 17}) {
    r.set_black(x, 1, true);
    for (int32_t i = -1; i <= 17; ++i) EXPECT_EQ(r.is_black(i, 1), i == x && x >= 0 && x < 17);
    r.set_black(x, 1, false);
  }
  r.set_black(16, 0, true);  // the top bit of the row's third byte
  EXPECT_EQ(r.row(0)[2], 0x7F);
  r.set_black(0, 2, true);  // below the image: ignored
  r.set_black(16, 0, false);
  EXPECT_EQ(r.bits(), std::vector<uint8_t>(8, 0xFF));
}

TEST(RasterCanvas, FillsLeaveOutRightAndBottomEdgesAndPensAddThem) {
  const Picture filled = {"......", ".###..", ".###..", ".###..", "......"};
  struct Case {
    const char* name;
    bool pen, brush, rectangle;
    Picture want;
  };
  const Case cases[] = {
      {"fill", false, true, false, filled},
      {"fill, pen", true, true, false, {"......", ".####.", ".####.", ".####.", ".####."}},
      {"pen", true, false, false, {"......", ".####.", ".#..#.", ".#..#.", ".####."}},
      {"rectangle fill", false, true, true, filled},
      {"rectangle fill, frame inside it", true, true, true, filled},
      {"rectangle frame", true, false, true, {"......", ".###..", ".#.#..", ".###..", "......"}},
  };
  for (const Case& c : cases) {
    Board b(6, 5, c.pen, c.brush);
    if (c.rectangle) {
      b.dc.rectangle(4, 4, 1, 1);  // reversed corners
    } else {
      b.dc.polygon(Points{{1, 1}, {4, 1}, {4, 4}, {1, 4}});
    }
    EXPECT_EQ(picture(b.r), c.want) << c.name;
  }
  // A pixel centre on a sloped edge belongs to the area right of it, so two
  // triangles sharing a diagonal split the square between them.
  Board right(4, 4, false), left(4, 4, false);
  right.dc.polygon(Points{{0, 0}, {4, 0}, {4, 4}});
  left.dc.polygon(Points{{0, 0}, {4, 4}, {0, 4}});
  EXPECT_EQ(picture(right.r), (Picture{"####", ".###", "..##", "...#"}));
  EXPECT_EQ(picture(left.r), (Picture{"....", "#...", "##..", "###."}));
}

TEST(RasterCanvas, NonzeroWindingAndMiscountedContours) {
  for (const bool opposite : {true, false}) {
    Points pts = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
    if (opposite) std::reverse(pts.begin() + 4, pts.end());
    Board b(10, 10, false);
    b.dc.poly_polygon(pts, std::vector<int32_t>{-3, 4, 0, 100});  // 100 cut to the 4 left
    EXPECT_EQ(count_black(b.r), opposite ? 64u - 16u : 64u);
    EXPECT_EQ(b.r.is_black(4, 4), !opposite);
  }
}

TEST(RasterCanvas, EllipseIsInscribedAndSymmetric) {
  for (const bool frame : {false, true}) {
    Board b(12, 10, frame, !frame);
    b.dc.ellipse(10, 8, 1, 1);  // 9 x 7 pixels
    for (int32_t y = 0; y < 10; ++y) {
      for (int32_t x = 0; x < 12; ++x) {  // nothing outside the box, a half turn inside it
        const bool in_box = x >= 1 && x < 10 && y >= 1 && y < 8;
        ASSERT_EQ(b.r.is_black(x, y), in_box && b.r.is_black(10 - x, 8 - y)) << x << "," << y;
      }
    }
    EXPECT_EQ(picture(b.r)[4], frame ? ".#.......#.." : ".#########..");
    EXPECT_EQ(picture(b.r)[1], "...#####....");
  }
}

TEST(RasterCanvas, LinesHaveBothEndsAnyDirectionAndWhiteDrawsWhite) {
  Board forth(9, 5), back(9, 5), thick(9, 5, true, true, 3);
  forth.dc.move_to(1, 1);
  forth.dc.line_to(7, 4);
  back.dc.move_to(7, 4);
  back.dc.line_to(1, 1);
  EXPECT_EQ(picture(forth.r),
            (Picture{".........", ".#.......", "..##.....", "....##...", "......##."}));
  EXPECT_EQ(picture(back.r), picture(forth.r));

  forth.dc.set_pen(Pen{kWhite, 1, PenStyle::Solid});
  forth.dc.move_to(0, 2);
  forth.dc.line_to(8, 2);  // the next line starts where this one ends
  forth.dc.line_to(8, 4);
  forth.dc.set_pixel(7, 4, kWhite);
  forth.dc.set_pixel(0, 0, kBlack);
  EXPECT_EQ(picture(forth.r),
            (Picture{"#........", ".#.......", ".........", "....##...", "......#.."}));

  thick.dc.move_to(2, 2);
  thick.dc.line_to(5, 2);
  thick.dc.set_pen(Pen{kBlack, 3, PenStyle::Hollow});
  thick.dc.line_to(5, 5);
  EXPECT_EQ(picture(thick.r),
            (Picture{".........", ".######..", ".######..", ".######..", "........."}));
}

TEST(RasterCanvas, FarAwayShapesAreClippedAtNoCost) {
  const auto start = std::chrono::steady_clock::now();
  Board row(20, 10), diagonal(10, 10), far(20, 10);
  row.dc.move_to(-kFar, 5);
  row.dc.line_to(kFar, 5);
  EXPECT_EQ(count_black(row.r), 20u);
  EXPECT_EQ(picture(row.r)[5], std::string(20, '#'));

  diagonal.dc.move_to(-kFar, -kFar);  // exact through the image
  diagonal.dc.line_to(kFar, kFar);
  diagonal.dc.set_pen(Pen{kBlack, 1000000, PenStyle::Solid});
  diagonal.dc.line_to(kFar, -kFar);  // wide, yet far to the right
  for (int32_t i = 0; i < 10; ++i) EXPECT_TRUE(diagonal.r.is_black(i, i)) << i;
  EXPECT_EQ(count_black(diagonal.r), 10u);

  far.dc.polygon(Points{{kFar / 2, kFar / 2}, {kFar, kFar / 2}, {kFar, kFar}});
  far.dc.ellipse(-kFar, 100, kFar, kFar);
  far.dc.rectangle(21, 0, kFar, kFar);
  EXPECT_EQ(count_black(far.r), 0u);
  far.dc.polygon(Points{{-kFar, -kFar}, {kFar, -kFar}, {0, kFar}});  // covers the image
  EXPECT_EQ(count_black(far.r), 200u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(WriteScanBmp, HeaderFieldsPaletteAndRowsBottomUp) {
  test::TempDir dir;
  ScanRaster r = ScanRaster::create(35, 3).value();  // two 4-byte words per row
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{34, 0}, std::pair{9, 2}}) {
    r.set_black(x, y, true);
  }
  ASSERT_TRUE(WriteScanBmp(r, 40, dir.file("scan.bmp")));
  EXPECT_FALSE(WriteScanBmp(r, 40, dir.file("missing") / "scan.bmp"));

  // Read back on its own terms: little-endian fields at their offsets, each
  // pixel looked up through the palette, rows stored bottom-up.
  const std::string f = dir.read("scan.bmp");
  ASSERT_EQ(f.size(), 62u + 8 * 3);
  const auto u32 = [&](std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) v = v << 8 | static_cast<uint8_t>(f[at + i]);
    return v;
  };
  EXPECT_EQ(f.substr(0, 2), "BM");
  // Offset 26 holds 1 plane and 1 bit per pixel, 30 no compression.
  const std::pair<std::size_t, uint32_t> fields[] = {
      {2, 62 + 24}, {6, 0},   {10, 62},    {14, 40},    {18, 35}, {22, 3}, {26, 1 | 1 << 16},
      {30, 0},      {34, 24}, {38, 40000}, {42, 40000}, {46, 0},  {50, 0}};
  for (const auto& [at, want] : fields) EXPECT_EQ(u32(at), want) << "offset " << at;
  EXPECT_EQ(f.substr(54, 8), std::string("\0\0\0\0\xFF\xFF\xFF\0", 8));
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 35; ++x) {
      const auto byte = static_cast<uint8_t>(f[u32(10) + (2 - y) * 8 + x / 8]);
      const std::size_t entry = 54 + 4 * ((byte >> (7 - x % 8)) & 1u);
      const bool black = f.substr(entry, 3) == std::string(3, '\0');
      EXPECT_EQ(black, r.is_black(static_cast<int32_t>(x), static_cast<int32_t>(y)))
          << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace lumetch
