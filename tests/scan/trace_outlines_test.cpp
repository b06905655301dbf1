#include "scan/trace_outlines.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "geometry/marker_capture.h"
#include "imports/vct.h"
#include "platform/scripted_operator.h"
#include "scan/scan_raster.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

ScanRaster paint(int32_t w, int32_t h, const std::function<bool(int32_t, int32_t)>& black) {
  std::optional<ScanRaster> r = ScanRaster::create(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) r->set_black(x, y, black(x, y));
  }
  return std::move(*r);
}

bool in_box(int32_t x, int32_t y, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return x >= x0 && x <= x1 && y >= y0 && y <= y1;
}

// Traces into a temporary directory at 10 dots/mm, the scanning area as
// large as the raster at the field centre: pixel (px, py) of a W × H raster
// lands on marker (40 (50 + px / 10 - W / 20), 40 (50 + (H - py) / 10 - H / 20)).
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  std::filesystem::path vct_path = dir.file("out.vct");

  // The file written, line breaks as blanks; "" when none.
  std::string trace(const ScanRaster& r, int32_t style) {
    doc.settings.resolution = 10;
    doc.settings.scan_size_x = r.width() / 10.0;
    doc.settings.scan_size_y = r.height() / 10.0;
    const std::string name = style == 2 ? "out.vct" : "out.plt";
    std::filesystem::remove(dir.file(name));
    const TraceResult res = TraceOutlines(r, pen, dir.file(name), style);
    EXPECT_TRUE(res.ok) << res.error;
    std::string text = dir.read(name);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
  }
};

const auto kRing = [](int32_t x, int32_t y) {
  return in_box(x, y, 5, 5, 30, 30) && !in_box(x, y, 12, 12, 22, 22);
};

TEST(TraceOutlines, ShapesAndTheirFiles) {
  struct Row {
    const char* name;
    int32_t w, h;
    std::function<bool(int32_t, int32_t)> black;
    const char* vct;
    const char* plt;
  };
  const Row rows[] = {
      // Start at the top-left corner, down the left side first; Y grows
      // upward in the VCT (row 4 of 20 is 16).
      {"square", 30, 20, [](int32_t x, int32_t y) { return in_box(x, y, 5, 4, 14, 13); },
       "5,1,5,14,7,16, 10.000, 10.000; 5; 5,16; 5,7; 14,7; 14,16; 5,16; ",
       "PU1960,2024;PD1960,1988;PD1996,1988;PD1996,2024;PD1960,2024;"},
      // (50 + 0.7 - 1.5) x 40, (50 + 0.8 - 1) x 40.
      {"single pixel", 30, 20, [](int32_t x, int32_t y) { return x == 7 && y == 12; },
       "2,1,7,7,8,8, 10.000, 10.000; 2; 7,8; 7,8; ", "PU1968,1992;PD1968,1992;"},
      // A spur down from the bottom edge at x 10: the VCT steps back out of
      // it by retries and closes; the PLT's first trace ends at its tip
      // (10, 20), the rest of the square following as further traces.
      {"spur", 30, 30,
       [](int32_t x, int32_t y) {
         return in_box(x, y, 5, 5, 16, 16) || (x == 10 && y > 16 && y <= 20);
       },
       "8,1,5,16,13,25, 10.000, 10.000; 8; 5,25; 5,14; 10,13; 10,13; 15,14; 16,15; 16,25; 5,25; ",
       "PU1960,2040;PD1960,1996;PD1980,1992;PD1980,1980;PU1964,2040;PD2000,2040;PD2004,2020;"
       "PD2004,2000;PD1984,1996;PU2004,2040;PD2004,2040;PU2004,1996;PD2004,1996;"},
      // The hole's contour runs the other way round, so that fills leave it out.
      {"ring", 40, 40, kRing,
       "13,2,5,30,10,35, 10.000, 10.000; 5; 5,35; 5,10; 30,10; 30,35; 5,35; "
       "8; 12,29; 22,29; 23,24; 23,18; 18,17; 12,17; 11,22; 12,29; ",
       nullptr},
      // The VCT trace from (3, 4) ends unclosed at (5, 6) and is dropped;
      // the pixel (4, 4) and the bar in rows 4..5 beside it are still traced.
      {"dropped trace", 30, 12,
       [](int32_t x, int32_t y) {
         return (y == 4 && (x == 3 || x == 4)) || (x == 4 && y == 5) ||
                (y == 6 && (x == 3 || x == 5)) || in_box(x, y, 10, 4, 20, 5);
       },
       "7,2,4,20,7,8, 10.000, 10.000; 2; 4,8; 4,8; 5; 10,8; 11,7; 20,7; 19,8; 10,8; ", nullptr},
      // Nothing black: no VCT file at all, the PLT empty.
      {"white", 20, 20, [](int32_t, int32_t) { return false; }, "", ""},
  };
  for (const Row& row : rows) {
    Rig rig;
    const ScanRaster r = paint(row.w, row.h, row.black);
    EXPECT_EQ(rig.trace(r, 2), row.vct) << row.name;
    if (row.plt != nullptr) {
      EXPECT_EQ(rig.trace(r, 3), row.plt) << row.name;
    }
  }
  Rig rig;
  rig.trace(paint(9, 9, [](int32_t, int32_t) { return false; }), 2);
  EXPECT_TRUE(std::filesystem::is_empty(rig.dir.path()));  // nor any temporary file
}

// A plot lacking the move Escape suppressed would look whole: none is written.
TEST(TraceOutlines, EscapeWritesNoPlot) {
  Rig rig;
  const ScanRaster r = paint(40, 40, kRing);
  int polls = 0;
  rig.op.on_poll = [&polls](ScriptedOperator& o) {
    if (++polls == 3) o.press_escape();
  };
  const TraceResult res = TraceOutlines(r, rig.pen, rig.dir.file("out.plt"), 3);
  EXPECT_TRUE(res.stopped && !res.ok && !res.file_written);
  EXPECT_EQ(rig.doc.stop_requested, 1);
  EXPECT_TRUE(std::filesystem::is_empty(rig.dir.path()));
}

// A missing folder, and a disk filling up (a file size limit): the reason,
// and neither a partial file nor a temporary left behind.
TEST(TraceOutlines, FilesThatCannotBeWritten) {
  Rig rig;
  const ScanRaster dots =
      paint(60, 60, [](int32_t x, int32_t y) { return x % 3 == 1 && y % 3 == 1; });
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  std::vector<TraceResult> results;
  for (const char* name : {"no/such.out", "full.out"}) {
    for (const int32_t style : {2, 3}) {
      results.push_back(TraceOutlines(dots, rig.pen, rig.dir.file(name), style));
    }
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  for (const TraceResult& r : results) {
    EXPECT_FALSE(r.ok || r.file_written);
    EXPECT_NE(r.error.find("cannot be"), std::string::npos) << r.error;
  }
  EXPECT_NE(results[3].error.find("too large"), std::string::npos) << results[3].error;
  EXPECT_TRUE(std::filesystem::is_empty(rig.dir.path()));
}

// The traced VCT imported again at its scanned size, filled and outlined
// into a raster of the same area, gives the drawing again up to its edges:
// the contours run through boundary pixel centres and cut bends by up to
// 0.8 pixel, so pixels differ only within two pixels of an edge, and at
// most 1 % of the shapes' pixels (0.6 % here). The fill alone would leave
// out the rows and columns lying on straight edges, hence the outline.
TEST(TraceOutlines, VctRoundTripDrawsTheShapesAgain) {
  constexpr int32_t kW = 260;
  constexpr int32_t kH = 200;
  const auto shape = [](int32_t x, int32_t y) {
    const int32_t dx = x - 70;
    const int32_t dy = y - 100;
    return dx * dx + dy * dy <= 60 * 60 ||
           (in_box(x, y, 150, 40, 239, 159) && !in_box(x, y, 175, 70, 214, 129));
  };
  Rig rig;
  const ScanRaster drawn = paint(kW, kH, shape);
  rig.trace(drawn, 2);
  const std::optional<VctHeader> h = read_vct_header(rig.vct_path);
  const std::optional<VctBlock> block =
      h ? vct_block_from(*h, rig.vct_path.string()) : std::nullopt;
  ASSERT_TRUE(block);
  EXPECT_EQ(block->contour_count, 3);
  // The area spans field x 0..26 mm, y 0..20 mm; the object's box goes where
  // its extents were traced.
  rig.doc.engraving = 0;
  rig.doc.raster_mode = 1;
  rig.doc.raster_top = kH / 10.0;
  rig.doc.raster_width = kW;
  rig.doc.raster_height = kH;
  MarkObject obj;
  obj.type = VCT;
  obj.params = *block;
  obj.width = block->init_width;
  obj.height = block->init_height;
  obj.cent_x = h->min_x / 10.0 + obj.width / 2;
  obj.cent_y = rig.doc.raster_top - (kH - h->max_y) / 10.0 - obj.height / 2;
  obj.output_mode = 2;
  ScanRaster back = paint(kW, kH, [](int32_t, int32_t) { return false; });
  RasterCanvas canvas(back);
  DrawVct(rig.g, &canvas, obj);
  obj.output_mode = 0;
  DrawVct(rig.g, &canvas, obj);

  int64_t black = 0;
  int64_t differ = 0;
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const bool was = drawn.is_black(x, y);
      black += was;
      if (back.is_black(x, y) == was) continue;
      ++differ;
      bool near_edge = false;
      for (int32_t j = -2; j <= 2; ++j) {
        for (int32_t i = -2; i <= 2; ++i) near_edge |= shape(x + i, y + j) != was;
      }
      EXPECT_TRUE(near_edge) << x << ',' << y;
    }
  }
  EXPECT_LE(differ * 100, black) << differ << " of " << black;
}

}  // namespace
}  // namespace lumetch
