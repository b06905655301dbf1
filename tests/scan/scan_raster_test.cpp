#include "scan/scan_raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Picture = std::vector<std::string>;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

ScanRaster make(int32_t w, int32_t h) {
  return ScanRaster::create(w, h).value();
}

Picture picture(const ScanRaster& r) {
  Picture out;
  for (int32_t y = 0; y < r.height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < r.width(); ++x) row += r.is_black(x, y) ? '#' : '.';
    out.push_back(row);
  }
  return out;
}

int count_black(const ScanRaster& r) {
  int n = 0;
  for (const std::string& row : picture(r))
    n += static_cast<int>(std::count(row.begin(), row.end(), '#'));
  return n;
}

void paint_with(RasterCanvas& dc, Rgb colour, bool outline, bool fill = true) {
  dc.set_pen(Pen{colour, 1, outline ? PenStyle::Solid : PenStyle::Hollow});
  dc.set_brush(Brush{colour, !fill});
}

TEST(ScanRaster, CreateChecksSizesAndStartsWhite) {
  struct Case {
    int32_t w, h;
    std::size_t stride;  // 0: refused
  };
  const Case cases[] = {{1, 1, 4}, {32, 2, 4}, {33, 2, 8},        {0, 5, 0},
                        {5, 0, 0}, {-1, 5, 0}, {65536, 65537, 0},  // 2^32 + 2^16 pixels
                        {3, -7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << " x " << c.h);
    const auto r = ScanRaster::create(c.w, c.h);
    ASSERT_EQ(r.has_value(), c.stride != 0);
    if (!r) continue;
    EXPECT_EQ(r->stride(), c.stride);
    EXPECT_EQ(r->bits(), std::vector<uint8_t>(c.stride * static_cast<std::size_t>(c.h), 0xFF));
  }
}

TEST(ScanRaster, PixelsAtByteEdgesRoundTrip) {
  ScanRaster r = make(17, 2);
  for (int32_t x : {0, 7, 8, 15, 16}) {
    SCOPED_TRACE(x);
    r.set_black(x, 1, true);
    for (int32_t i = 0; i < 17; ++i) EXPECT_EQ(r.is_black(i, 1), i == x);
    EXPECT_FALSE(r.is_black(x, 0));
    r.set_black(x, 1, false);
  }
  r.set_black(16, 0, true);  // the last pixel: top bit of the row's third byte
  EXPECT_EQ(r.row(0)[2], 0x7F);
  const std::pair<int32_t, int32_t> outside[] = {{-1, 0}, {17, 0}, {0, 2}, {0, -1}};
  for (const auto& [x, y] : outside) {
    r.set_black(x, y, true);
    EXPECT_FALSE(r.is_black(x, y));
  }
  r.set_black(16, 0, false);
  EXPECT_EQ(r.bits(), std::vector<uint8_t>(8, 0xFF));
}

TEST(RasterCanvas, FillsLeaveOutRightAndBottomEdgesAndPensAddThem) {
  const std::vector<CanvasPoint> square = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
  const Picture filled = {"......", ".###..", ".###..", ".###..", "......", "......"};
  const Picture outlined = {"......", ".####.", ".####.", ".####.", ".####.", "......"};
  const Picture ring_only = {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"};
  struct Case {
    const char* name;
    bool outline, fill;
    int shape;  // 0 polygon, 1 rectangle with reversed corners
    Picture want;
  };
  const Case cases[] = {
      {"polygon fill", false, true, 0, filled},
      {"polygon fill and outline", true, true, 0, outlined},
      {"polygon outline", true, false, 0, ring_only},
      {"rectangle fill", false, true, 1, filled},
      // The frame lies inside the filled area.
      {"rectangle fill and frame", true, true, 1, filled},
      {"rectangle frame",
       true,
       false,
       1,
       {"......", ".###..", ".#.#..", ".###..", "......", "......"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScanRaster r = make(6, 6);
    RasterCanvas dc(r);
    paint_with(dc, kRed, c.outline, c.fill);
    if (c.shape == 0) {
      dc.polygon(square);
    } else {
      dc.rectangle(4, 4, 1, 1);
    }
    EXPECT_EQ(picture(r), c.want);
  }
  // A pixel centre on a sloped edge belongs to the area right of it, so two
  // triangles sharing a diagonal split the square between them.
  ScanRaster right = make(4, 4);
  ScanRaster left = make(4, 4);
  RasterCanvas right_dc(right);
  RasterCanvas left_dc(left);
  paint_with(right_dc, kBlack, false);
  paint_with(left_dc, kBlack, false);
  right_dc.polygon(std::vector<CanvasPoint>{{0, 0}, {4, 0}, {4, 4}});
  left_dc.polygon(std::vector<CanvasPoint>{{0, 0}, {4, 4}, {0, 4}});
  EXPECT_EQ(picture(right), (Picture{"####", ".###", "..##", "...#"}));
  EXPECT_EQ(picture(left), (Picture{"....", "#...", "##..", "###."}));
}

TEST(RasterCanvas, NonzeroWindingAndMiscountedContours) {
  const std::vector<CanvasPoint> outer = {{0, 0}, {8, 0}, {8, 8}, {0, 8}};
  const std::vector<CanvasPoint> inner_opposite = {{2, 2}, {2, 6}, {6, 6}, {6, 2}};
  const std::vector<CanvasPoint> inner_same = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  for (const auto* inner : {&inner_opposite, &inner_same}) {
    std::vector<CanvasPoint> pts = outer;
    pts.insert(pts.end(), inner->begin(), inner->end());
    ScanRaster r = make(10, 10);
    RasterCanvas dc(r);
    paint_with(dc, kBlack, false);
    const std::vector<int32_t> counts = {-3, 4, 0, 100};  // the last cut to the 4 points left
    dc.poly_polygon(pts, counts);
    const bool hole = inner == &inner_opposite;
    EXPECT_EQ(count_black(r), hole ? 64 - 16 : 64);
    EXPECT_EQ(r.is_black(4, 4), !hole);
    EXPECT_TRUE(r.is_black(1, 4));
  }
}

TEST(RasterCanvas, EllipseIsInscribedAndSymmetric) {
  for (const bool outline : {false, true}) {
    SCOPED_TRACE(outline);
    ScanRaster r = make(12, 10);
    RasterCanvas dc(r);
    paint_with(dc, kBlack, outline, !outline);
    dc.ellipse(10, 8, 1, 1);  // 9 x 7, corners reversed
    const Picture p = picture(r);
    for (int32_t y = 0; y < 10; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        const bool in_box = x >= 1 && x < 10 && y >= 1 && y < 8;
        // Outside the box nothing; inside, the same under a half turn.
        const bool mirrored = in_box && r.is_black(10 - x, 8 - y);
        EXPECT_EQ(r.is_black(x, y), mirrored) << x << "," << y;
      }
    }
    EXPECT_EQ(p[4], outline ? ".#.......#.." : ".#########..");  // the middle row
    EXPECT_FALSE(r.is_black(1, 1));
    EXPECT_TRUE(r.is_black(5, 1));
  }
}

TEST(RasterCanvas, LinesHaveBothEndsAndWhiteDrawsWhite) {
  ScanRaster r = make(9, 6);
  RasterCanvas dc(r);
  dc.set_pen(Pen{kRed, 1, PenStyle::Solid});
  dc.move_to(1, 1);
  dc.line_to(7, 4);
  const Picture forth = picture(r);
  EXPECT_EQ(forth, (Picture{".........", ".#.......", "..##.....", "....##...", "......##.",
                            "........."}));
  ScanRaster back = make(9, 6);
  RasterCanvas back_dc(back);
  back_dc.set_pen(dc.pen());
  back_dc.move_to(7, 4);
  back_dc.line_to(1, 1);
  EXPECT_EQ(picture(back), forth);

  dc.set_pen(Pen{kWhite, 1, PenStyle::Solid});
  dc.move_to(0, 1);
  dc.line_to(8, 1);  // continues from where the last line ended
  dc.line_to(8, 4);
  dc.set_pixel(7, 4, kWhite);
  dc.set_pixel(0, 0, kRed);
  EXPECT_EQ(picture(r), (Picture{"#........", ".........", "..##.....", "....##...", "......#..",
                                 "........."}));

  ScanRaster thick = make(9, 6);
  RasterCanvas thick_dc(thick);
  thick_dc.set_pen(Pen{kBlack, 3, PenStyle::Solid});
  thick_dc.move_to(2, 2);
  thick_dc.line_to(5, 2);
  thick_dc.set_pen(Pen{kBlack, 3, PenStyle::Hollow});
  thick_dc.line_to(5, 5);
  EXPECT_EQ(picture(thick), (Picture{".........", ".######..", ".######..", ".######..",
                                     ".........", "........."}));
}

TEST(RasterCanvas, FarAwayShapesAreClippedAtNoCost) {
  const auto start = std::chrono::steady_clock::now();
  ScanRaster r = make(20, 10);
  RasterCanvas dc(r);
  paint_with(dc, kBlack, true);
  dc.move_to(-1000000000, 5);
  dc.line_to(1000000000, 5);
  for (int32_t y = 0; y < 10; ++y) {
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(r.is_black(x, y), y == 5) << x << "," << y;
  }
  // A diagonal from far corner to far corner stays exact through the image.
  ScanRaster d = make(10, 10);
  RasterCanvas ddc(d);
  ddc.set_pen(dc.pen());
  ddc.move_to(-2000000000, -2000000000);
  ddc.line_to(2000000000, 2000000000);
  ddc.set_pen(Pen{kBlack, 1000000, PenStyle::Solid});
  ddc.line_to(2000000000, -2000000000);  // far right: wide, yet misses the image
  for (int32_t i = 0; i < 10; ++i) EXPECT_TRUE(d.is_black(i, i)) << i;
  EXPECT_EQ(count_black(d), 10);

  ScanRaster p = make(20, 10);
  RasterCanvas pdc(p);
  paint_with(pdc, kBlack, true);
  const std::vector<CanvasPoint> far = {
      {1000000000, 1000000000}, {2000000000, 1000000000}, {2000000000, 2000000000}};
  pdc.polygon(far);
  pdc.ellipse(-2000000000, 100, 2000000000, 2000000000);
  pdc.rectangle(21, 0, 2000000000, 2000000000);
  EXPECT_EQ(count_black(p), 0);
  // A huge triangle whose edges pass far outside covers the whole image.
  const std::vector<CanvasPoint> huge = {
      {-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  pdc.polygon(huge);
  EXPECT_EQ(count_black(p), 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// Reads the bitmap back on its own terms: header fields at their offsets and
// each pixel through the palette.
struct BmpFile {
  std::string bytes;
  uint32_t u32(std::size_t at) const {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
      v |= uint32_t{static_cast<uint8_t>(bytes.at(at + i))} << (8 * i);
    return v;
  }
  uint32_t u16(std::size_t at) const { return u32(at) & 0xFFFF; }
  // True when pixel (x, y), counted from the top, has a black palette entry.
  bool black(uint32_t x, uint32_t y) const {
    const uint32_t w = u32(18), h = u32(22);
    const uint32_t row_bytes = (w + 31) / 32 * 4;
    const uint8_t byte = static_cast<uint8_t>(bytes.at(u32(10) + (h - 1 - y) * row_bytes + x / 8));
    const uint32_t index = (byte >> (7 - x % 8)) & 1;
    const std::size_t entry = 54 + 4 * index;
    return bytes.at(entry) == 0 && bytes.at(entry + 1) == 0 && bytes.at(entry + 2) == 0;
  }
};

TEST(WriteScanBmp, HeaderFieldsPaletteAndRowsBottomUp) {
  test::TempDir dir;
  ScanRaster r = make(35, 3);  // two 4-byte words per row
  r.set_black(0, 0, true);
  r.set_black(34, 0, true);
  r.set_black(9, 2, true);
  ASSERT_TRUE(WriteScanBmp(r, 40, dir.file("scan.bmp")));
  const BmpFile f{dir.read("scan.bmp")};
  ASSERT_EQ(f.bytes.size(), 62u + 8 * 3);
  EXPECT_EQ(f.bytes.substr(0, 2), "BM");
  const std::pair<std::size_t, uint32_t> fields[] = {{2, 62 + 24}, {6, 0},      {10, 62}, {14, 40},
                                                     {18, 35},     {22, 3},     {30, 0},  {34, 24},
                                                     {38, 40000},  {42, 40000}, {46, 0},  {50, 0}};
  for (const auto& [at, want] : fields) EXPECT_EQ(f.u32(at), want) << "offset " << at;
  EXPECT_EQ(f.u16(26), 1u);  // planes
  EXPECT_EQ(f.u16(28), 1u);  // bits per pixel
  EXPECT_EQ(f.bytes.substr(54, 8), std::string("\0\0\0\0\xFF\xFF\xFF\0", 8));
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 35; ++x) {
      EXPECT_EQ(f.black(x, y), r.is_black(static_cast<int32_t>(x), static_cast<int32_t>(y)))
          << x << "," << y;
    }
  }
  // The first row in the file is the raster's bottom one.
  EXPECT_EQ(static_cast<uint8_t>(f.bytes[62 + 1]), 0xBF);

  EXPECT_FALSE(WriteScanBmp(r, 40, dir.file("missing") / "scan.bmp"));
}

}  // namespace
}  // namespace lumetch
