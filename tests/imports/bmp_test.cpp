#include "imports/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using test::down;
using test::Move;
using test::up;
using Picture = std::vector<std::string>;  // top row first, '#' is bit 1
using Points = std::vector<CanvasPoint>;

const fs::path kData = fs::path(LUMETCH_TEST_DATA) / "bmp";

Picture blank(std::size_t w, std::size_t h) {
  return Picture(h, std::string(w, '.'));
}

// A one-bit bitmap file with a black-and-white palette.
std::string one_bit_bmp(const Picture& picture, bool top_down = false) {
  const auto w = static_cast<uint32_t>(picture[0].size());
  const auto h = static_cast<uint32_t>(picture.size());
  std::string pixels;
  for (uint32_t i = 0; i < h; ++i) {
    std::string row((w + 31) / 32 * 4, '\0');
    for (uint32_t c = 0; c < w; ++c) {
      if (picture[top_down ? i : h - 1 - i][c] == '#')
        row[c / 8] |= static_cast<char>(0x80 >> (c % 8));
    }
    pixels += row;
  }
  const auto n = static_cast<uint32_t>(pixels.size());
  std::string out = "BM";
  // File header, info header (one plane, one bit, two colours), black and white.
  for (uint32_t v : {62 + n, 0u, 62u, 40u, w, top_down ? 0u - h : h, 0x10001u, 0u, n, 0u, 0u, 2u,
                     0u, 0u, 0xFFFFFFu}) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return out + pixels;
}

// A marking job (100 mm field, rates 1: field x maps to 40·(50 + x)) whose
// screen has Z = 10 and its origin at 0.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  Rig() {
    doc.view.zoom_index = 4;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  fs::path write(const std::string& name, const Picture& picture) {
    dir.write(name, one_bit_bmp(picture));
    return dir.file(name);
  }
  // An object of w × h mm about the field origin, as the creation command makes it.
  MarkObject object(const fs::path& path, double w, double h, int32_t style = 1,
                    double pitch = 1.0) {
    const BmpLoad load = LoadBmp(path, 40, nullptr);
    EXPECT_EQ(load.result, BmpLoad::kLoaded) << load.message;
    MarkObject obj;
    obj.type = BMP;
    obj.width = w;
    obj.height = h;
    obj.fill_pitch = pitch;
    obj.params =
        BmpBlock{path.string(),    style,         load.width_px,        load.height_px, w, h,
                 load.bits_offset, load.top_down, SharedBytes(load.dib)};
    return obj;
  }
  std::vector<Move> mark(const MarkObject& obj) {
    clear();
    DrawBmp(g, nullptr, obj);
    return moves();
  }
  Points dots(const MarkObject& obj) {
    RecordingCanvas dc;
    doc.engraving = 0;
    DrawBmp(g, &dc, obj);
    doc.engraving = 1;
    Points out;
    for (const auto& o : dc.ops()) {
      EXPECT_EQ(o.colour, doc.view.layer_colours[static_cast<size_t>(obj.layer)]);
      out.push_back(o.points.at(0));
    }
    return out;
  }
};

TEST(LoadAndPreviewBmp, RefuseWhatCannotBeMarkedWithTheirOwnMessages) {
  test::TempDir dir;
  std::string rows_missing = one_bit_bmp(blank(8, 4));  // size field 0, last row cut off
  rows_missing.replace(2, 4, std::string(4, '\0'));
  dir.write("rows_missing.bmp", rows_missing.substr(0, rows_missing.size() - 4));
  std::string wide = one_bit_bmp(blank(8, 4));
  dir.write("wide.bmp", wide.replace(18, 4, std::string("\xFF\xFF\x01\x00", 4)));  // 131071 px
  const std::string kMissing = "The File is not exist!",
                    kNotOneBit = "The File is not a Black&white BMP!",
                    kReadError = "File Reading Error!",
                    kDirectory =
                        "The file " + kData.string() + " cannot be read: it is a directory.";
  const std::tuple<fs::path, std::string, std::string> cases[] = {
      {kData / "missing.bmp", kMissing, "不能打开此文件"},
      {kData, kDirectory, kDirectory},
      {kData / "not_bitmap.bmp", "This file is not BMP!", "此文件不是一个位图文件!"},
      {kData / "four_bit.bmp", kNotOneBit, "此文件不是黑白位图!"},
      {kData / "twenty_four_bit.bmp", kNotOneBit, "此文件不是黑白位图!"},
      {kData / "core_header.bmp", kReadError, "非解压文件!"},
      {kData / "truncated.bmp", kReadError, "文件读取错误!"},
      {dir.file("rows_missing.bmp"), kReadError, "文件读取错误!"},
      {dir.file("wide.bmp"), kReadError, "文件读取错误!"},
      {kData / "compressed.bmp", "The File is a compressed BMP!", "非解压文件!"},
  };
  for (const auto& [path, message, preview_message] : cases) {
    SCOPED_TRACE(path);
    ScriptedOperator op;
    const BmpLoad load = LoadBmp(path, 40, &op);
    EXPECT_EQ(load.result, message == kMissing ? BmpLoad::kCannotOpen : BmpLoad::kRefused);
    EXPECT_EQ(load.message, message);
    EXPECT_TRUE(load.dib.empty());
    RecordingCanvas dc;
    EXPECT_FALSE(PreviewBmp(dc, path, 0, 0, 160, 160, 1, op));
    EXPECT_TRUE(dc.ops().empty());
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].text + op.shown[0].caption, message + "Lumetch");
    EXPECT_EQ(op.shown[1].text, preview_message);
  }
}

TEST(LoadBmp, InitialSizeIsWholeMillimetres) {
  test::TempDir dir;
  dir.write("a.bmp", one_bit_bmp(blank(100, 60)));
  for (const auto& [resolution, w, h] :
       {std::tuple{40, 2.0, 1.0}, {0, 2.0, 1.0}, {1, 2.0, 1.0}, {2, 50.0, 30.0}, {20, 5.0, 3.0}}) {
    const BmpLoad load = LoadBmp(dir.file("a.bmp"), resolution, nullptr);
    EXPECT_EQ(std::pair(load.init_width, load.init_height), std::pair(w, h)) << resolution;
    EXPECT_EQ(load.dib.size(), 62u + 16 * 60 - 14);
  }
}

// The "F" (10 × 6 px) at 10 × 6 mm: 40 units per pixel, one line per pixel
// row at a 1 mm pitch, rows from the bottom, directions alternating.
const std::vector<Move> kF = {
    up(1800, 1880), down(1839, 1880), up(1839, 1920), down(1800, 1920),
    up(1800, 1960), down(1839, 1960), up(2079, 2000), down(1800, 2000),
    up(1800, 2040), down(1839, 2040), up(2199, 2080), down(1800, 2080),
};

TEST(DrawBmp, MarksRunsOnAlternatingLinesUnrotated) {
  Rig rig;
  const MarkObject bottom_up = rig.object(kData / "f_bottom_up.bmp", 10, 6);
  MarkObject top_down = rig.object(kData / "f_top_down.bmp", 10, 6);
  top_down.angle = 30;
  EXPECT_EQ(rig.mark(bottom_up), kF);
  EXPECT_EQ(rig.mark(top_down), kF);
  // Both mirrors reflect every point in the box (1800..2200 × 1880..2120).
  MarkObject mirrored = bottom_up;
  mirrored.mirror_x = mirrored.mirror_y = 1;
  std::vector<Move> want = kF;
  for (Move& m : want) m = {m.down, 4000 - m.x, 4000 - m.y};
  EXPECT_EQ(rig.mark(mirrored), want);
  rig.escape_after(4);
  EXPECT_EQ(rig.mark(bottom_up), std::vector<Move>(kF.begin(), kF.begin() + 4));
}

TEST(DrawBmp, AllZeroImageLineStepPerStyle) {
  Rig rig;
  const fs::path path = rig.write("zero.bmp", blank(4, 2));
  // Style 0 marks bit 0 (a full run per line), style 1 nothing; 2 units a line at
  // 0.05 mm, still 1 at 0.001 mm.
  for (const auto& [style, pitch, lines] :
       {std::tuple{0, 0.05, 20}, {0, 0.001, 40}, {1, 0.05, 0}}) {
    const std::vector<Move> moves = rig.mark(rig.object(path, 1, 1, style, pitch));
    ASSERT_EQ(moves.size(), 2u * lines) << pitch;
    for (int32_t i = 0; i < lines; ++i) {
      const int32_t y = 1980 + i * (pitch > 0.01 ? 2 : 1);
      const bool right = i % 2 == 0;
      EXPECT_EQ(moves[2 * i], up(right ? 1980 : 2019, y)) << i;
      EXPECT_EQ(moves[2 * i + 1], down(right ? 2019 : 1980, y)) << i;
    }
  }
}

TEST(DrawBmp, PixelInLastColumnIsARunOfOneUnit) {
  Rig rig;
  Picture p = blank(40, 1);
  p[0][39] = '#';
  EXPECT_EQ(rig.mark(rig.object(rig.write("last.bmp", p), 1, 1)),
            (std::vector<Move>{up(2019, 1980), down(2019, 1980)}));
}

TEST(DrawBmp, ScreenDotsAndRasterPixels) {
  Rig rig;
  const fs::path path = rig.write("d.bmp", {"#.", ".#"});
  MarkObject obj = rig.object(path, 2, 2);
  obj.layer = 1;
  // 20 view units per pixel, sampled every 24 units from the bottom-left corner.
  EXPECT_EQ(rig.dots(obj), (Points{{4, -20}, {-20, 4}}));
  rig.doc.view.printing = 1;
  EXPECT_EQ(rig.dots(obj).size(), 2u * 20 * 20);

  // Raster: a pixel per image pixel from the scan area's corner; above the
  // area the rows are negative, not reflected into the bitmap.
  rig.doc.raster_mode = 1;
  rig.doc.raster_left = -20;
  rig.doc.raster_top = 20;
  rig.doc.settings.resolution = 10;
  obj = rig.object(path, 0.2, 0.2);
  obj.cent_x = -19.9;
  obj.cent_y = 19.9;
  EXPECT_EQ(rig.dots(obj), (Points{{1, 2}, {0, 1}}));
  obj.cent_y = 20.9;
  EXPECT_EQ(rig.dots(obj), (Points{{1, -8}, {0, -9}}));
}

TEST(DrawBmp, MissingOrShrunkFileDrawsNothing) {
  Rig rig;
  const fs::path path = rig.write("s.bmp", blank(64, 64));
  const MarkObject obj = rig.object(path, 2, 2, 0);
  ASSERT_FALSE(rig.mark(obj).empty());
  fs::resize_file(path, fs::file_size(path) - 1);
  EXPECT_TRUE(rig.mark(obj).empty());
  EXPECT_TRUE(rig.dots(obj).empty());
  fs::remove(path);
  EXPECT_TRUE(rig.mark(obj).empty());
  EXPECT_TRUE(rig.dots(obj).empty());
}

TEST(PreviewBmp, SamplesEveryStepRowsStretchedToTheBox) {
  // 6 × 2 pixels in a 4 × 4 box: columns 0, 1, 3, 4; every second box row
  // shows image rows 0 and 1 from the bottom; bit 0 is drawn black.
  test::TempDir dir;
  const Picture p = {".##.##", "#.##.#"};
  dir.write("b.bmp", one_bit_bmp(p));
  dir.write("t.bmp", one_bit_bmp(p, true));
  for (const char* name : {"b.bmp", "t.bmp"}) {
    ScriptedOperator op;
    RecordingCanvas dc;
    ASSERT_TRUE(PreviewBmp(dc, dir.file(name), 15, 18, 4, 4, 2, op));
    std::set<std::pair<int32_t, int32_t>> dots;
    for (const auto& o : dc.ops()) {
      dots.insert({o.points[0].x, o.points[0].y});
      EXPECT_EQ(o.colour, Rgb{});
    }
    EXPECT_EQ(dots, (std::set<std::pair<int32_t, int32_t>>{{16, 22}, {18, 22}, {15, 20}, {17, 20}}))
        << name;
  }
}

}  // namespace
}  // namespace lumetch
