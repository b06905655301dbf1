#include "imports/vct.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Kind = RecordingCanvas::Op::Kind;
using test::down;
using test::up;

std::filesystem::path data(const std::string& name) {
  return std::filesystem::path(LUMETCH_TEST_DATA) / "vct" / name;
}

// A VCT object made from a file as the import makes it: one copy at the origin.
MarkObject vct_object(const std::filesystem::path& path) {
  MarkObject obj;
  obj.type = VCT;
  const auto header = read_vct_header(path);
  const auto block = header ? vct_block_from(*header, path.string()) : std::nullopt;
  if (block) {
    obj.width = block->init_width;
    obj.height = block->init_height;
    obj.params = *block;
  }
  return obj;
}

// Marks through a capture; a 100 mm field at rate 1 puts field (x, y) at
// marker (40 (50 + x), 40 (50 + y)), so the 10 mm square spans 1800..2200.
struct Rig : test::MarkerCapture {
  std::vector<test::Move> mark(const MarkObject& obj) {
    clear();
    DrawVct(g, nullptr, obj);
    return moves();
  }
  // Point counts of the contours drawn on a canvas (one per move_to).
  std::vector<std::size_t> contour_sizes(const MarkObject& obj) {
    RecordingCanvas dc;
    doc.engraving = 0;
    DrawVct(g, &dc, obj);
    doc.engraving = 1;
    std::vector<std::size_t> sizes;
    for (const auto& o : dc.ops()) {
      if (o.kind == Kind::MoveTo) sizes.push_back(0);
      if (o.kind == Kind::MoveTo || o.kind == Kind::LineTo) ++sizes.back();
    }
    return sizes;
  }
};

TEST(VctHeader, ReadsPaddedFieldsAndFullIntRange) {
  const auto h = parse_vct_header("5,1,-2147483648,2147483647,0,50,   10.000,   2.500;\r");
  ASSERT_TRUE(h);
  EXPECT_EQ(h->point_count, 5);
  EXPECT_EQ(h->contour_count, 1);
  EXPECT_EQ(h->min_x, INT32_MIN);
  EXPECT_EQ(h->max_x, INT32_MAX);
  EXPECT_EQ(h->max_y, 50);
  EXPECT_EQ(h->units_x, 10.0);
  EXPECT_EQ(h->units_y, 2.5);
}

TEST(VctHeader, RefusesMalformedLines) {
  const std::string overlong = "5,1,0,100,0,50,10,10;" + std::string(5000, ' ');
  for (const std::string& line : std::vector<std::string>{
           "", "5,1,0,100,0,50,10,10", "5,1,0,100,0,50,10;", "5,1,0,100,0,50,10,10,10;",
           "5,1,0,100,0,,10,10;", "x,1,0,100,0,50,10,10;", "5,1,0,1e2,0,50,10,10;",
           "5,1,0,100,0,50,10,0x10;", "-1,1,0,100,0,50,10,10;", "5,-1,0,100,0,50,10,10;",
           "5,1,0,2147483648,0,50,10,10;", "5,1,0,100,0,50,nan,10;", "5,1,0,100,0,50,10,inf;",
           "5,1,0,100,0,50,1e999,10;", "5,1,0,100,0,50,10,1,5;", "5,1,0,100,0,50,10,10,;",
           overlong}) {
    EXPECT_FALSE(parse_vct_header(line)) << line.substr(0, 40);
  }
  EXPECT_FALSE(read_vct_header(data("missing.vct")));
  EXPECT_FALSE(read_vct_header(data("damaged_garbage.vct")));
  test::TempDir dir;
  dir.write("long.vct", overlong + "\n");
  EXPECT_FALSE(read_vct_header(dir.file("long.vct")));
  // Not regular files: a folder, and a device that never ends.
  EXPECT_FALSE(read_vct_header(dir.path()));
  EXPECT_FALSE(read_vct_header("/dev/zero"));
}

TEST(VctHeader, InitialSize) {
  struct Row {
    const char* line;
    std::optional<std::pair<double, double>> size;
  };
  const Row rows[] = {
      {"5,1,0,100,0,50, 10.000, 10.000;", std::pair{10.0, 5.0}},
      {"5,1,0,100,0,50,  0.000, 10.000;", std::pair{10.0, 5.0}},  // 10 x 50 / 100
      {"5,1,0,100,0,30, 10.000, -1.000;", std::pair{10.0, 3.0}},
      {"5,1,0,100,0,50, 10.000,  2.000;", std::pair{10.0, 25.0}},
      // Extents wider than int32 are formed without overflow.
      {"5,1,-2147483648,2147483647,0,10,1,1;", std::pair{4294967295.0, 10.0}},
      {"5,1,7,7,0,50, 10.000, 10.000;", std::nullopt},
      {"5,1,0,100,3,3, 10.000, 10.000;", std::nullopt},
      {"5,1,0,100,0,50,1e-320,10;", std::nullopt},  // infinitely wide
  };
  for (const Row& row : rows) {
    const auto block = vct_block_from(*parse_vct_header(row.line), "a.vct");
    ASSERT_EQ(block.has_value(), row.size.has_value()) << row.line;
    if (!block) continue;
    EXPECT_EQ(std::pair(block->init_width, block->init_height), *row.size) << row.line;
    EXPECT_EQ(block->source_path, "a.vct");
  }
}

TEST(VctDraw, ContoursAsTheFileHoldsThem) {
  // Good and damaged files: the contours read, on screen and on the marker alike.
  struct Row {
    const char* name;  // a file of the data folder, or "" for `text`
    std::string text;
    std::vector<std::size_t> sizes;
  };
  const std::string head = "5,1,0,100,0,100,10,10;\n";
  // Lines running across the reader's blocks.
  std::string long_contour = head + "30000;\n";
  for (int i = 0; i < 30000; ++i) long_contour += std::to_string(i % 101) + ",7;\n";
  const Row rows[] = {
      {"square_closed.vct", "", {5}},
      {"square_open.vct", "", {4}},
      {"more_than_header.vct", "", {5, 5, 5}},
      {"damaged_truncated.vct", "", {4}},
      {"damaged_huge_counts.vct", "", {4}},
      {"damaged_overlong.vct", "", {5}},
      {"damaged_no_newline.vct", "", {}},
      {"damaged_empty.vct", "", {}},
      {"damaged_garbage.vct", "", {}},
      {"", long_contour, {30000}},
      {"", head + "5;\n0,0;\n1,1;\n2,2;\n4;\n0,0;\n5,5;\n6,6;\n7,7;\n", {3, 4}},  // short count
      {"", head + "\r\n3;\r\n0,0;\r\n\r\n1,1;\r\n2,2;\r\n", {3}},
      {"", head + "3;\n0,0;\nxx;\n1,1;\n9,9,9;\n2,2;\n", {3}},  // garbage skipped
      {"", head + "2;\n0,0;\n1,1;\n2,2;\n0;\n-3;\n1;\n4,4;\n", {2, 1}},
      {"", head + "2;\n0,0;\n99999999999,1;\n1,1;\n", {2}},
  };
  test::TempDir dir;
  Rig rig;
  for (const Row& row : rows) {
    std::filesystem::path path = data(row.name);
    if (!row.text.empty()) {
      dir.write("f.vct", row.text);
      path = dir.file("f.vct");
    }
    MarkObject obj = vct_object(data("square_closed.vct"));
    obj.block<VctBlock>()->source_path = path.string();
    EXPECT_EQ(rig.contour_sizes(obj), row.sizes) << path;
    std::size_t ups = 0;
    for (const test::Move& m : rig.mark(obj)) ups += m.down ? 0 : 1;
    EXPECT_EQ(ups, row.sizes.size()) << path;
  }
}

TEST(VctDraw, MarkerPointsOpenMirrorAndTurn) {
  struct Row {
    const char* name;
    int32_t mirror_x;
    double angle;
    std::vector<test::Move> moves;
  };
  const Row rows[] = {
      {"square_closed.vct",
       0,
       0,
       {up(1800, 1800), down(2200, 1800), down(2200, 2200), down(1800, 2200), down(1800, 1800)}},
      // Nothing is closed implicitly.
      {"square_open.vct",
       0,
       0,
       {up(1800, 1800), down(2200, 1800), down(2200, 2200), down(1800, 2200)}},
      // XMIN lands on the right edge.
      {"square_open.vct",
       1,
       0,
       {up(2200, 1800), down(1800, 1800), down(1800, 2200), down(2200, 2200)}},
      // Pulled onto the extents the header states.
      {"damaged_outside_extents.vct", 0, 0, {up(1800, 1800), down(2200, 1800), down(1800, 2200)}},
      // Clockwise about the copy's centre: bottom-left goes to top-left.
      {"square_open.vct",
       0,
       90,
       {up(1800, 2200), down(1800, 1800), down(2200, 1800), down(2200, 2200)}},
  };
  Rig rig;
  for (const Row& row : rows) {
    MarkObject obj = vct_object(data(row.name));
    obj.mirror_x = row.mirror_x;
    obj.angle = row.angle;
    EXPECT_EQ(rig.mark(obj), row.moves) << row.name << " mirror " << row.mirror_x;
  }
}

TEST(VctDraw, FillLeavesTheInnerContourAsHole) {
  Rig rig;
  MarkObject obj = vct_object(data("ring.vct"));
  obj.output_mode = 2;
  obj.fill_pitch = 1.0;
  // Spans of the scan line through the middle: the outer square (1800..2200)
  // minus the hole (1900..2100).
  std::vector<std::pair<int32_t, int32_t>> spans;
  const std::vector<test::Move> moves = rig.mark(obj);
  for (std::size_t i = 0; i + 1 < moves.size(); ++i) {
    if (!moves[i].down && moves[i].y == 2000) {
      spans.emplace_back(std::min(moves[i].x, moves[i + 1].x),
                         std::max(moves[i].x, moves[i + 1].x));
    }
  }
  std::sort(spans.begin(), spans.end());
  EXPECT_EQ(spans, (std::vector<std::pair<int32_t, int32_t>>{{1800, 1900}, {2100, 2200}}));
}

TEST(VctDraw, EveryCopyReadsTheFileAgain) {
  test::TempDir dir;
  std::filesystem::copy_file(data("square_closed.vct"), dir.file("s.vct"));
  MarkObject obj = vct_object(dir.file("s.vct"));
  obj.columns = 3;
  obj.column_gap = 1;
  Rig rig;
  std::vector<int32_t> starts;
  for (const test::Move& m : rig.mark(obj)) {
    if (!m.down) starts.push_back(m.x);
  }
  // Copies 11 mm apart: 440 units.
  EXPECT_EQ(starts, (std::vector<int32_t>{1360, 1800, 2240}));
  std::filesystem::remove(dir.file("s.vct"));
  EXPECT_TRUE(rig.mark(obj).empty());
  EXPECT_TRUE(rig.contour_sizes(obj).empty());
}

TEST(VctDraw, ScreenAndRasterMapping) {
  Rig rig;
  rig.doc.engraving = 0;
  MarkObject obj = vct_object(data("square_open.vct"));  // 10 x 10 mm
  obj.cent_x = 5.1;                                      // left edge at x = 0.1
  RecordingCanvas dc;
  // Screen: Z = 5; 2·Z·0.1 = 1 is rounded once, after doubling, so the point
  // lies an odd distance from the origin.
  rig.doc.view.zoom_index = 2;
  DrawVct(rig.g, &dc, obj);
  ASSERT_FALSE(dc.ops().empty());
  EXPECT_EQ(dc.ops()[0].points[0], (CanvasPoint{16001, -16050}));

  // Raster: 10 px per mm from (0, 5): the top-left corner is pixel (1, 0),
  // the bottom-left corner row 100.
  dc.clear();
  rig.doc.raster_mode = 1;
  rig.doc.settings.resolution = 10;
  rig.doc.raster_left = 0;
  rig.doc.raster_top = 5;
  DrawVct(rig.g, &dc, obj);
  std::vector<CanvasPoint> pts;
  for (const auto& op : dc.ops()) pts.push_back(op.points[0]);
  EXPECT_EQ(pts, (std::vector<CanvasPoint>{{1, 100}, {101, 100}, {101, 0}, {1, 0}}));
}

TEST(VctPreview, FillsTheRectangle) {
  test::TempDir dir;
  dir.write("p.vct", "5,1,0,100,0,50,10,10;\n5;\n0,0;\n100,0;\n100,50;\n0,50;\n0,0;\n");
  RecordingCanvas dc;
  ASSERT_TRUE(PreviewVct(dc, dir.file("p.vct"), 15, 18, 160, 160));
  ASSERT_EQ(dc.ops().size(), 1u);
  EXPECT_EQ(dc.ops()[0].kind, Kind::PolyPolygon);
  EXPECT_EQ(dc.ops()[0].counts, std::vector<int32_t>{5});
  EXPECT_EQ(dc.ops()[0].points,
            (std::vector<CanvasPoint>{{15, 178}, {175, 178}, {175, 18}, {15, 18}, {15, 178}}));

  dc.clear();
  for (const char* name : {"flat.vct", "missing.vct", "damaged_garbage.vct", "damaged_empty.vct"}) {
    EXPECT_FALSE(PreviewVct(dc, data(name), 15, 18, 160, 160)) << name;
  }
  EXPECT_FALSE(PreviewVct(dc, "/dev/zero", 15, 18, 160, 160));
  EXPECT_TRUE(dc.ops().empty());
}

}  // namespace
}  // namespace lumetch
