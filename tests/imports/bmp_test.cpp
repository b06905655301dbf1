#include "imports/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
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

const fs::path kData = fs::path(LUMETCH_TEST_DATA) / "bmp";

// A one-bit bitmap file with a black-and-white palette.
std::string one_bit_bmp(const Picture& picture, bool top_down = false) {
  const auto w = static_cast<uint32_t>(picture[0].size());
  const auto h = static_cast<uint32_t>(picture.size());
  const uint32_t stride = (w + 31) / 32 * 4;
  std::string pixels;
  for (uint32_t i = 0; i < h; ++i) {
    const std::string& row = picture[top_down ? i : h - 1 - i];
    std::string bytes(stride, '\0');
    for (uint32_t c = 0; c < w; ++c) {
      if (row[c] == '#') bytes[c / 8] = static_cast<char>(bytes[c / 8] | (0x80 >> (c % 8)));
    }
    pixels += bytes;
  }
  std::string out = "BM";
  const auto put = [&out](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const auto n = static_cast<uint32_t>(pixels.size());
  for (uint32_t v : {62 + n, 0u, 62u, 40u, w, top_down ? 0u - h : h}) put(v, 4);
  put(1, 2);  // planes
  put(1, 2);  // bits per pixel
  for (uint32_t v : {0u, n, 0u, 0u, 2u, 0u}) put(v, 4);
  return out + std::string("\0\0\0\0\xFF\xFF\xFF\0", 8) + pixels;
}

Picture blank(int32_t w, int32_t h) {
  return Picture(static_cast<size_t>(h), std::string(static_cast<size_t>(w), '.'));
}

// A marking job (100 mm field, rates 1: field x maps to 40·(50 + x)) whose
// screen has Z = 10 and its origin at 0.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  Rig() {
    doc.view.zoom_index = 4;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  fs::path write(const std::string& name, const std::string& bytes) {
    dir.write(name, bytes);
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
    obj.row_gap = obj.column_gap = 1.0;
    obj.fill_pitch = pitch;
    obj.params = BmpBlock{path.string(),    style,         load.width_px, load.height_px, w, h,
                          load.bits_offset, load.top_down, load.dib};
    return obj;
  }
  std::vector<Move> mark(const MarkObject& obj) {
    clear();
    DrawBmp(g, nullptr, obj);
    return moves();
  }
  std::vector<CanvasPoint> dots(const MarkObject& obj) {
    RecordingCanvas dc;
    doc.engraving = 0;
    DrawBmp(g, &dc, obj);
    doc.engraving = 1;
    std::vector<CanvasPoint> out;
    for (const auto& o : dc.ops()) {
      EXPECT_EQ(o.colour, doc.view.layer_colours[static_cast<size_t>(obj.layer)]);
      out.push_back(o.points.at(0));
    }
    return out;
  }
};

TEST(LoadBmp, RefusesWhatItCannotMarkWithItsMessage) {
  test::TempDir dir;
  std::string rows_missing = one_bit_bmp(blank(8, 4));  // size field 0, last row cut off
  rows_missing.replace(2, 4, std::string(4, '\0'));
  dir.write("rows_missing.bmp", rows_missing.substr(0, rows_missing.size() - 4));
  std::string wide = one_bit_bmp(blank(8, 4));
  dir.write("wide.bmp", wide.replace(18, 4, std::string("\xFF\xFF\x01\x00", 4)));  // 131071 px

  const std::pair<fs::path, std::string> cases[] = {
      {kData / "missing.bmp", "The File is not exist!"},
      {kData, "The File is not exist!"},
      {kData / "not_bitmap.bmp", "This file is not BMP!"},
      {kData / "four_bit.bmp", "The File is not a Black&white BMP!"},
      {kData / "twenty_four_bit.bmp", "The File is not a Black&white BMP!"},
      {kData / "core_header.bmp", "File Reading Error!"},
      {kData / "truncated.bmp", "File Reading Error!"},
      {dir.file("rows_missing.bmp"), "File Reading Error!"},
      {dir.file("wide.bmp"), "File Reading Error!"},
      {kData / "compressed.bmp", "The File is a compressed BMP!"},
  };
  for (const auto& [path, message] : cases) {
    ScriptedOperator op;
    const BmpLoad load = LoadBmp(path, 40, &op);
    EXPECT_EQ(load.result,
              message == "The File is not exist!" ? BmpLoad::kCannotOpen : BmpLoad::kRefused)
        << path;
    EXPECT_EQ(load.message, message) << path;
    EXPECT_TRUE(load.dib.empty()) << path;
    ASSERT_EQ(op.shown.size(), 1u) << path;
    EXPECT_EQ(op.shown[0].text + op.shown[0].caption, message + "Lumetch");
  }
}

TEST(LoadBmp, InitialSizeIsWholeMillimetres) {
  test::TempDir dir;
  dir.write("a.bmp", one_bit_bmp(blank(100, 60)));
  const struct {
    int32_t resolution;
    double w, h;
  } cases[] = {{40, 2, 1}, {0, 2, 1}, {1, 2, 1}, {2, 50, 30}, {20, 5, 3}};
  for (const auto& c : cases) {
    const BmpLoad load = LoadBmp(dir.file("a.bmp"), c.resolution, nullptr);
    EXPECT_EQ(load.init_width, c.w) << c.resolution;
    EXPECT_EQ(load.init_height, c.h) << c.resolution;
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

TEST(DrawBmp, MarksRunsOnAlternatingLinesUpright) {
  Rig rig;
  const MarkObject bottom_up = rig.object(kData / "f_bottom_up.bmp", 10, 6);
  MarkObject top_down = rig.object(kData / "f_top_down.bmp", 10, 6);
  ASSERT_TRUE(top_down.block<BmpBlock>()->top_down);
  EXPECT_EQ(rig.mark(bottom_up), kF);
  EXPECT_EQ(rig.mark(top_down), kF);
  top_down.angle = 30;
  EXPECT_EQ(rig.mark(top_down), kF);

  const auto mirrored = [](bool mx, bool my) {
    std::vector<Move> out = kF;
    for (Move& m : out) {
      if (mx) m.x = 2 * 1800 + 400 - m.x;
      if (my) m.y = 2 * 1880 + 240 - m.y;
    }
    return out;
  };
  for (const auto& [mx, my] : {std::pair{1, 0}, {0, 1}, {1, 1}}) {
    MarkObject obj = bottom_up;
    obj.mirror_x = mx;
    obj.mirror_y = my;
    EXPECT_EQ(rig.mark(obj), mirrored(mx != 0, my != 0)) << mx << my;
  }
}

TEST(DrawBmp, LineStepAndStyle) {
  Rig rig;
  const fs::path path = rig.write("zero.bmp", one_bit_bmp(blank(4, 2)));
  const struct {
    int32_t style;
    double pitch;
    size_t lines;
  } cases[] = {{0, 0.05, 20}, {0, 0.001, 40}, {1, 0.05, 0}};
  for (const auto& c : cases) {
    const std::vector<Move> moves = rig.mark(rig.object(path, 1, 1, c.style, c.pitch));
    ASSERT_EQ(moves.size(), 2 * c.lines) << c.pitch;
    const int32_t step = c.pitch > 0.01 ? 2 : 1;
    for (size_t i = 0; i < c.lines; ++i) {
      const int32_t y = 1980 + static_cast<int32_t>(i) * step;
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
  const std::vector<Move> moves = rig.mark(rig.object(rig.write("last.bmp", one_bit_bmp(p)), 1, 1));
  EXPECT_EQ(moves, (std::vector<Move>{up(2019, 1980), down(2019, 1980)}));
}

TEST(DrawBmp, EscapeStopsTheLines) {
  Rig rig;
  const MarkObject obj = rig.object(kData / "f_bottom_up.bmp", 10, 6);
  rig.escape_after(4);
  EXPECT_EQ(rig.mark(obj), std::vector<Move>(kF.begin(), kF.begin() + 4));
}

TEST(DrawBmp, ScreenDots) {
  Rig rig;
  MarkObject obj = rig.object(rig.write("d.bmp", one_bit_bmp({"#.", ".#"})), 2, 2);
  obj.layer = 1;
  // 20 view units per pixel, sampled every 24 units from the bottom-left corner.
  EXPECT_EQ(rig.dots(obj), (std::vector<CanvasPoint>{{4, -20}, {-20, 4}}));
  rig.doc.view.printing = 1;
  EXPECT_EQ(rig.dots(obj).size(), 2u * 20 * 20);
}

TEST(DrawBmp, RasterPixelsFromTheScanAreaCorner) {
  Rig rig;
  rig.doc.raster_mode = 1;
  rig.doc.raster_left = -20;
  rig.doc.raster_top = 20;
  rig.doc.settings.resolution = 10;
  MarkObject obj = rig.object(rig.write("r.bmp", one_bit_bmp({"#.", ".#"})), 0.2, 0.2);
  obj.cent_x = -19.9;
  obj.cent_y = 19.9;
  EXPECT_EQ(rig.dots(obj), (std::vector<CanvasPoint>{{1, 2}, {0, 1}}));
  // Above the scan area the rows are negative, not reflected into the bitmap.
  obj.cent_y = 20.9;
  EXPECT_EQ(rig.dots(obj), (std::vector<CanvasPoint>{{1, -8}, {0, -9}}));
}

TEST(DrawBmp, MissingOrShrunkFileDrawsNothing) {
  Rig rig;
  const std::string bytes = one_bit_bmp(blank(64, 64));
  const fs::path path = rig.write("s.bmp", bytes);
  MarkObject obj = rig.object(path, 2, 2, 0);
  ASSERT_FALSE(rig.mark(obj).empty());
  rig.write("s.bmp", bytes.substr(0, bytes.size() - 1));
  EXPECT_TRUE(rig.mark(obj).empty());
  EXPECT_TRUE(rig.dots(obj).empty());
  fs::remove(path);
  EXPECT_TRUE(rig.mark(obj).empty());
  EXPECT_TRUE(rig.dots(obj).empty());
}

std::set<std::pair<int32_t, int32_t>> preview(const fs::path& path, int32_t w, int32_t h,
                                              ScriptedOperator& op) {
  RecordingCanvas dc;
  const bool shown = PreviewBmp(dc, path, 15, 18, w, h, 1, op);
  std::set<std::pair<int32_t, int32_t>> out;
  for (const auto& o : dc.ops()) out.insert({o.points.at(0).x, o.points.at(0).y});
  EXPECT_EQ(shown, op.shown.empty());
  return out;
}

TEST(PreviewBmp, StretchesToTheBox) {
  test::TempDir dir;
  // Black (bit 0) only in even columns, on a diagonal; rows counted from the bottom.
  Picture p = blank(320, 160);
  for (size_t r = 0; r < 160; ++r) {
    for (size_t c = 0; c < 320; ++c) p[r][c] = c % 2 == 0 && (c / 2 + 159 - r) % 3 == 0 ? '.' : '#';
  }
  dir.write("p.bmp", one_bit_bmp(p));
  dir.write("t.bmp", one_bit_bmp(p, true));
  std::set<std::pair<int32_t, int32_t>> expected;
  for (int32_t y = 0; y < 160; ++y) {
    for (int32_t x = 0; x < 160; ++x) {
      if ((x + y) % 3 == 0) expected.insert({15 + x, 18 + 160 - y});
    }
  }
  ScriptedOperator op;
  EXPECT_EQ(preview(dir.file("p.bmp"), 160, 160, op), expected);
  EXPECT_EQ(preview(dir.file("t.bmp"), 160, 160, op), expected);
}

TEST(PreviewBmp, RefusalsShowTheirMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"missing.bmp", "不能打开此文件"},       {"not_bitmap.bmp", "此文件不是一个位图文件!"},
      {"core_header.bmp", "非解压文件!"},      {"compressed.bmp", "非解压文件!"},
      {"four_bit.bmp", "此文件不是黑白位图!"}, {"truncated.bmp", "文件读取错误!"},
  };
  for (const auto& [name, message] : cases) {
    ScriptedOperator op;
    EXPECT_TRUE(preview(kData / name, 160, 160, op).empty()) << name;
    EXPECT_EQ(op.texts("message"), std::vector<std::string>{message}) << name;
  }
}

}  // namespace
}  // namespace lumetch
