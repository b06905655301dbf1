#include "scan/trace_outlines.h"

#include <gtest/gtest.h>

#include <chrono>
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

using Point = std::pair<int32_t, int32_t>;
using Contour = std::vector<Point>;

ScanRaster paint(int32_t w, int32_t h, const std::function<bool(int32_t, int32_t)>& black) {
  std::optional<ScanRaster> r = ScanRaster::create(w, h);
  EXPECT_TRUE(r);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) r->set_black(x, y, black(x, y));
  }
  return std::move(*r);
}

bool in_box(int32_t x, int32_t y, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return x >= x0 && x <= x1 && y >= y0 && y <= y1;
}

struct Vct {
  std::string header;
  std::vector<Contour> contours;
};

Vct parse_vct(const std::string& text) {
  Vct v;
  std::istringstream in(text);
  std::getline(in, v.header);
  std::string line;
  while (std::getline(in, line)) {
    const auto comma = line.find(',');
    if (comma == std::string::npos) {
      v.contours.emplace_back();
    } else {
      v.contours.back().emplace_back(std::atoi(line.c_str()), std::atoi(line.c_str() + comma + 1));
    }
  }
  return v;
}

// Traces into a temporary directory. Resolution 10, scanning area as large
// as the raster at the field centre: pixel (px, py) of an H-row raster lands
// on marker (40 (50 + px / 10 - W / 20), 40 (50 + (H - py) / 10 - H / 20)).
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  std::filesystem::path vct_path = dir.file("out.vct");
  std::filesystem::path plt_path = dir.file("out.plt");

  void size_for(const ScanRaster& r) {
    doc.settings.resolution = 10;
    doc.settings.scan_size_x = r.width() / 10.0;
    doc.settings.scan_size_y = r.height() / 10.0;
  }
  Vct vct(const ScanRaster& r) {
    size_for(r);
    const TraceResult res = TraceOutlines(r, pen, vct_path, 2);
    EXPECT_TRUE(res.ok) << res.error;
    EXPECT_TRUE(res.file_written);
    const Vct v = parse_vct(dir.read("out.vct"));
    EXPECT_EQ(res.contours, static_cast<int64_t>(v.contours.size()));
    return v;
  }
  // One polyline per pen-up move.
  std::vector<std::vector<test::Move>> plt(const ScanRaster& r) {
    size_for(r);
    const TraceResult res = TraceOutlines(r, pen, plt_path, 3);
    EXPECT_TRUE(res.ok) << res.error;
    std::vector<std::vector<test::Move>> lines;
    std::istringstream in(dir.read("out.plt"));
    std::string cmd;
    while (std::getline(in, cmd, ';')) {
      const std::optional<test::Move> m = test::parse_move(cmd + ';');
      EXPECT_TRUE(m) << cmd;
      if (!m) break;
      if (!m->down) lines.emplace_back();
      lines.back().push_back(*m);
    }
    return lines;
  }
  // Marker units of a pixel with the settings of size_for (rates 1, field 100 mm).
  static test::Move at(const ScanRaster& r, int32_t px, int32_t py, bool down) {
    const double x = (50 + (px / 10.0 - r.width() / 20.0)) * 40;
    const double y = (50 + ((r.height() - py) / 10.0 - r.height() / 20.0)) * 40;
    return {down, nearest_int(x), nearest_int(y)};
  }
};

TEST(TraceOutlines, FilledSquareIsOneFivePointContour) {
  Rig rig;
  const ScanRaster r =
      paint(30, 20, [](int32_t x, int32_t y) { return in_box(x, y, 5, 4, 14, 13); });
  const Vct v = rig.vct(r);
  ASSERT_EQ(v.contours.size(), 1u);
  const Contour& c = v.contours[0];
  ASSERT_EQ(c.size(), 5u);
  // Top-left corner first and last (Y up: row 4 of 20 is 16); between them
  // the other corners, down the left side first.
  EXPECT_EQ(c.front(), Point(5, 16));
  EXPECT_EQ(c.back(), c.front());
  const Point corners[] = {{5, 7}, {14, 7}, {14, 16}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_LE(std::abs(c[i + 1].first - corners[i].first), 1) << i;
    EXPECT_LE(std::abs(c[i + 1].second - corners[i].second), 1) << i;
  }
  int32_t x0 = 99, x1 = -99, y0 = 99, y1 = -99;
  for (const Point& p : c) {
    x0 = std::min(x0, p.first), x1 = std::max(x1, p.first);
    y0 = std::min(y0, p.second), y1 = std::max(y1, p.second);
  }
  EXPECT_EQ(v.header, "5,1," + std::to_string(x0) + ',' + std::to_string(x1) + ',' +
                          std::to_string(y0) + ',' + std::to_string(y1) + ", 10.000, 10.000;");
}

TEST(TraceOutlines, SinglePixel) {
  Rig rig;
  const ScanRaster r = paint(30, 20, [](int32_t x, int32_t y) { return x == 7 && y == 12; });
  const Vct v = rig.vct(r);
  EXPECT_EQ(v.header, "2,1,7,7,8,8, 10.000, 10.000;");
  EXPECT_EQ(v.contours, (std::vector<Contour>{{{7, 8}, {7, 8}}}));
  // (50 + 0.7 - 1.5) x 40 and (50 + 0.8 - 1) x 40.
  EXPECT_EQ(rig.plt(r),
            (std::vector<std::vector<test::Move>>{{test::up(1968, 1992), test::down(1968, 1992)}}));
}

TEST(TraceOutlines, SpurIsClosedAroundByRetriesOrEndsAnOpenPolyline) {
  Rig rig;
  // A square with a one-pixel spur hanging from its bottom edge: the trace
  // runs down the left side, along the bottom and into the spur.
  const ScanRaster r = paint(30, 30, [](int32_t x, int32_t y) {
    return in_box(x, y, 5, 5, 16, 16) || (x == 10 && y > 16 && y <= 20);
  });
  const Vct v = rig.vct(r);
  ASSERT_EQ(v.contours.size(), 1u);
  EXPECT_EQ(v.contours[0].front(), v.contours[0].back());
  EXPECT_GE(v.contours[0].size(), 7u);

  const auto lines = rig.plt(r);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].front(), Rig::at(r, 5, 5, false));
  EXPECT_EQ(lines[0].back(), Rig::at(r, 10, 20, true));
}

TEST(TraceOutlines, RingGivesOuterAndInnerContours) {
  Rig rig;
  const ScanRaster r = paint(40, 40, [](int32_t x, int32_t y) {
    return in_box(x, y, 5, 5, 30, 30) && !in_box(x, y, 12, 12, 22, 22);
  });
  const Vct v = rig.vct(r);
  ASSERT_EQ(v.contours.size(), 2u);
  for (const Contour& c : v.contours) EXPECT_EQ(c.front(), c.back());
  EXPECT_EQ(v.contours[0].front(), Point(5, 35));
  EXPECT_EQ(v.contours[1].front(), Point(12, 29));  // above the hole's corner
}

TEST(TraceOutlines, DroppedTraceHidesNothingBesideIt) {
  Rig rig;
  // The trace from (3, 4) ends unclosed at (5, 6) and is dropped; the pixel
  // (4, 4) and the bar in rows 4..5 lie before that end in scanning order.
  const ScanRaster r = paint(30, 12, [](int32_t x, int32_t y) {
    return (y == 4 && (x == 3 || x == 4)) || (x == 4 && y == 5) || (y == 6 && (x == 3 || x == 5)) ||
           in_box(x, y, 10, 4, 20, 5);
  });
  const Vct v = rig.vct(r);
  ASSERT_EQ(v.contours.size(), 2u);
  EXPECT_EQ(v.contours[0], (Contour{{4, 8}, {4, 8}}));
  EXPECT_EQ(v.contours[1].front(), Point(10, 8));
  EXPECT_EQ(v.contours[1].back(), Point(10, 8));
}

TEST(TraceOutlines, EscapeLeavesOutOnlyTheMoveThatSawIt) {
  Rig rig;
  const ScanRaster r = paint(40, 40, [](int32_t x, int32_t y) {
    return in_box(x, y, 5, 5, 30, 30) && !in_box(x, y, 12, 12, 22, 22);
  });
  std::vector<test::Move> all;
  for (const auto& line : rig.plt(r)) all.insert(all.end(), line.begin(), line.end());
  ASSERT_GT(all.size(), 6u);
  int polls = 0;
  rig.op.on_poll = [&polls](ScriptedOperator& o) {
    if (++polls == 3) o.press_escape();
  };
  std::vector<test::Move> rest;
  for (const auto& line : rig.plt(r)) rest.insert(rest.end(), line.begin(), line.end());
  EXPECT_EQ(rig.doc.stop_requested, 1);
  all.erase(all.begin() + 2);
  EXPECT_EQ(rest, all);
}

TEST(TraceOutlines, FileThatCannotBeCreated) {
  Rig rig;
  const ScanRaster r = paint(20, 20, [](int32_t x, int32_t y) { return in_box(x, y, 3, 3, 9, 9); });
  for (const int32_t style : {2, 3}) {
    const TraceResult res = TraceOutlines(r, rig.pen, rig.dir.file("no/such.out"), style);
    EXPECT_FALSE(res.ok) << style;
    EXPECT_FALSE(res.file_written) << style;
    EXPECT_NE(res.error.find("cannot be"), std::string::npos) << res.error;
  }
}

TEST(TraceOutlines, NothingBlackWritesNoVct) {
  Rig rig;
  const ScanRaster r = paint(20, 20, [](int32_t, int32_t) { return false; });
  const TraceResult res = TraceOutlines(r, rig.pen, rig.vct_path, 2);
  EXPECT_TRUE(res.ok);
  EXPECT_FALSE(res.file_written);
  EXPECT_FALSE(std::filesystem::exists(rig.vct_path));
  EXPECT_TRUE(std::filesystem::is_empty(rig.dir.path()));  // nor any temporary
}

// The traced VCT imported again at its scanned size, filled and outlined
// into a raster of the same area, gives the drawing again up to its edges:
// the contours run through boundary pixel centres and cut bends by up to
// 0.8 pixel, so pixels differ only within two pixels of an edge of the
// original, and at most 1 % of the shapes' pixels (about 0.6 % here). The
// hatch fill alone leaves out rows and columns lying on horizontal and
// vertical edges, hence the outline on top.
TEST(TraceOutlines, VctRoundTripFillsTheShapesAgain) {
  constexpr int32_t kW = 260;
  constexpr int32_t kH = 200;
  const auto shape = [](int32_t x, int32_t y) {
    const int32_t dx = x - 70;
    const int32_t dy = y - 100;
    return dx * dx + dy * dy <= 60 * 60 ||
           (in_box(x, y, 150, 40, 239, 159) && !in_box(x, y, 175, 70, 214, 129));
  };
  for (const int32_t direction : {0, 1}) {
    Rig rig;
    const ScanRaster drawn = paint(kW, kH, shape);
    ASSERT_EQ(rig.vct(drawn).contours.size(), 3u);

    const std::optional<VctHeader> header = read_vct_header(rig.vct_path);
    ASSERT_TRUE(header);
    const std::optional<VctBlock> block = vct_block_from(*header, rig.vct_path.string());
    ASSERT_TRUE(block);
    MarkObject obj;
    obj.type = VCT;
    obj.width = block->init_width;
    obj.height = block->init_height;
    obj.output_mode = 2;
    obj.fill_direction = direction;
    obj.params = *block;
    // The raster area spans field x 0..26 mm, y 0..20 mm at 10 dots/mm; the
    // object's corner goes where its extents were traced.
    CketralDoc& doc = rig.doc;
    doc.engraving = 0;
    doc.raster_mode = 1;
    doc.raster_left = 0.0;
    doc.raster_top = kH / 10.0;
    doc.raster_width = kW;
    doc.raster_height = kH;
    const double left = header->min_x / 10.0;
    const double top = doc.raster_top - (kH - header->max_y) / 10.0;
    obj.cent_x = left + obj.width / 2;
    obj.cent_y = top - obj.height / 2;
    std::optional<ScanRaster> back = ScanRaster::create(kW, kH);
    ASSERT_TRUE(back);
    RasterCanvas canvas(*back);
    DrawVct(rig.g, &canvas, obj);
    obj.output_mode = 0;
    DrawVct(rig.g, &canvas, obj);

    int64_t black = 0;
    int64_t differ = 0;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const bool was = drawn.is_black(x, y);
        black += was;
        if (back->is_black(x, y) == was) continue;
        ++differ;
        bool near_edge = false;
        for (int32_t j = -2; j <= 2; ++j) {
          for (int32_t i = -2; i <= 2; ++i) near_edge |= shape(x + i, y + j) != was;
        }
        EXPECT_TRUE(near_edge) << x << ',' << y << " direction " << direction;
      }
    }
    EXPECT_LE(differ * 100, black) << differ << " of " << black;
  }
}

}  // namespace
}  // namespace lumetch
