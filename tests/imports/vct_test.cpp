#include "imports/vct.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Points = std::vector<CanvasPoint>;

fs::path data(const std::string& name) {
  return fs::path(LUMETCH_TEST_DATA) / "vct" / name;
}

// A VCT object as the import makes it: one copy at the origin.
MarkObject vct_object(const fs::path& path) {
  MarkObject obj;
  obj.type = VCT;
  const auto block = vct_block_from(*read_vct_header(path), path.string());
  obj.width = block->init_width;
  obj.height = block->init_height;
  obj.params = *block;
  return obj;
}

// A 100 mm field at rate 1 puts field (x, y) at marker (40 (50 + x), 40 (50 + y)),
// so the 10 mm square spans 1800..2200.
struct Rig : test::MarkerCapture {
  std::vector<test::Move> mark(const MarkObject& obj) {
    clear();
    DrawVct(g, nullptr, obj);
    return moves();
  }
};

TEST(VctHeader, RefusesMalformedLines) {
  for (const std::string& line : std::initializer_list<std::string>{
           "", "5,1,0,100,0,50,10;", "5,1,0,100,0,50,10,1,5;", "5,1,0,100,0,,10,10;",
           "x,1,0,100,0,50,10,10;", "5,1,0,1e2,0,50,10,10;", "5,1,0,100,0,50,10,0x10;",
           "-1,1,0,100,0,50,10,10;", "5,1,0,2147483648,0,50,10,10;", "5,1,0,100,0,50,nan,10;",
           "5,1,0,100,0,50,1e999,10;", "5,1,0,100,0,50,10,10;" + std::string(5000, ' ')}) {
    EXPECT_FALSE(parse_vct_header(line)) << line.substr(0, 40);
  }
  // Not regular files: a folder, and a device that never ends.
  for (const char* path : {LUMETCH_TEST_DATA, "/dev/zero"}) EXPECT_FALSE(read_vct_header(path));
}

TEST(VctHeader, InitialSize) {
  const std::pair<const char*, std::optional<std::pair<double, double>>> rows[] = {
      {"5,1,0,100,0,50, 10.000, 10.000;\r", std::pair{10.0, 5.0}},
      {"5,1,0,100,0,50,  0.000, 10.000;", std::pair{10.0, 5.0}},  // 10 x 50 / 100
      {"5,1,0,100,0,50, 10.000,  2.000;", std::pair{10.0, 25.0}},
      {"5,1,-2147483648,2147483647,0,10,1,1;", std::pair{4294967295.0, 10.0}},
      {"5,1,7,7,0,50, 10.000, 10.000;", std::nullopt},
      {"5,1,0,100,9,9, 10.000, 10.000;", std::nullopt},
      {"5,1,0,100,0,50,1e-320,10;", std::nullopt},  // infinitely wide
  };
  for (const auto& [line, size] : rows) {
    const auto block = vct_block_from(*parse_vct_header(line), "a.vct");
    ASSERT_EQ(block.has_value(), size.has_value()) << line;
    if (!block) continue;
    EXPECT_EQ(std::pair(block->init_width, block->init_height), *size) << line;
    EXPECT_EQ(std::tuple(block->point_count, block->contour_count, block->source_path),
              std::tuple(5, 1, "a.vct"));
  }
}

TEST(VctDraw, ContoursAsTheFileHoldsThem) {
  const std::string head = "5,1,0,100,0,100,10,10;\n";
  std::string long_contour = head + "30000;\n";  // lines running across the reader's blocks
  for (int i = 0; i < 30000; ++i) long_contour += std::to_string(i % 101) + ",7;\n";
  // A data file, or the text of a file when it has a ";"; the sizes of the contours marked.
  const std::pair<std::string, std::vector<std::size_t>> rows[] = {
      {"more_than_header.vct", {5, 5, 5}},
      {"damaged_truncated.vct", {4}},
      {"damaged_huge_counts.vct", {4}},
      {"damaged_overlong.vct", {5}},
      {"damaged_no_newline.vct", {}},
      {"damaged_empty.vct", {}},
      {"damaged_garbage.vct", {}},
      {long_contour, {30000}},
      // Blank, garbage and out-of-range lines are skipped.
      {head + "\r\n3;\r\n0,0;\r\nxx;\r\n99999999999,1;\r\n9,9,9;\r\n1,1;\r\n2,2;\r\n", {3}},
      // A short count ends its contour; a point past its count, an empty or a
      // negative count are skipped.
      {head + "5;\n0,0;\n1,1;\n3;\n0,0;\n5,5;\n6,6;\n7,7;\n0;\n-3;\n1;\n4,4;\n", {2, 3, 1}},
  };
  test::TempDir dir;
  Rig rig;
  for (const auto& [file, sizes] : rows) {
    fs::path path = data(file);
    if (file.find(';') != std::string::npos) {
      dir.write("f.vct", file);
      path = dir.file("f.vct");
    }
    MarkObject obj = vct_object(data("square_closed.vct"));
    obj.block<VctBlock>()->source_path = path.string();
    std::vector<std::size_t> marked;  // one contour per pen-up move
    for (const test::Move& m : rig.mark(obj)) {
      if (!m.down) marked.push_back(0);
      ++marked.back();
    }
    EXPECT_EQ(marked, sizes) << path;
  }
}

TEST(VctDraw, MarkerPointsOpenMirrorAndTurn) {
  const CanvasPoint bl{1800, 1800}, br{2200, 1800}, tr{2200, 2200}, tl{1800, 2200};
  const std::tuple<const char*, int32_t, double, Points> rows[] = {
      {"square_closed.vct", 0, 0, {bl, br, tr, tl, bl}},
      {"square_open.vct", 0, 0, {bl, br, tr, tl}},          // nothing closed implicitly
      {"square_open.vct", 1, 0, {br, bl, tl, tr}},          // XMIN on the right edge
      {"square_open.vct", 0, 90, {tl, bl, br, tr}},         // clockwise about the centre
      {"damaged_outside_extents.vct", 0, 0, {bl, br, tl}},  // pulled onto the extents
  };
  Rig rig;
  for (const auto& [file, mirror_x, angle, path] : rows) {
    MarkObject obj = vct_object(data(file));
    obj.mirror_x = mirror_x;
    obj.angle = angle;
    std::vector<test::Move> want;
    for (const CanvasPoint& p : path) want.push_back({!want.empty(), p.x, p.y});
    EXPECT_EQ(rig.mark(obj), want) << file << " mirror " << mirror_x;
  }
}

TEST(VctDraw, FillLeavesTheInnerContourAsHole) {
  Rig rig;
  MarkObject obj = vct_object(data("ring.vct"));
  obj.output_mode = 2;
  obj.fill_pitch = 1.0;
  // The middle scan line: the outer square (1800..2200) minus the hole (1900..2100).
  std::vector<int32_t> xs;
  for (const test::Move& m : rig.mark(obj)) {
    if (m.y == 2000) xs.push_back(m.x);
  }
  EXPECT_EQ(xs, (std::vector<int32_t>{1800, 1900, 2100, 2200}));
}

TEST(VctDraw, EveryCopyReadsTheFileAgain) {
  test::TempDir dir;
  fs::copy_file(data("square_closed.vct"), dir.file("s.vct"));
  MarkObject obj = vct_object(dir.file("s.vct"));
  obj.columns = 3;
  obj.column_gap = 1;
  Rig rig;
  std::vector<int32_t> starts;
  for (const test::Move& m : rig.mark(obj)) {
    if (!m.down) starts.push_back(m.x);
  }
  EXPECT_EQ(starts, (std::vector<int32_t>{1360, 1800, 2240}));  // 11 mm apart
  fs::remove(dir.file("s.vct"));
  EXPECT_TRUE(rig.mark(obj).empty());
}

TEST(VctDraw, ScreenAndRasterMapping) {
  Rig rig;
  rig.doc.engraving = 0;
  rig.doc.view.zoom_index = 2;                           // Z = 5
  MarkObject obj = vct_object(data("square_open.vct"));  // 10 x 10 mm
  obj.cent_x = 5.1;                                      // left edge at x = 0.1
  const auto drawn = [&] {
    RecordingCanvas dc;
    DrawVct(rig.g, &dc, obj);
    Points pts;
    for (const auto& op : dc.ops()) pts.push_back(op.points[0]);
    return pts;
  };
  // 2·Z·0.1 = 1 is rounded once, after doubling: an odd distance from the origin.
  EXPECT_EQ(drawn().at(0), (CanvasPoint{16001, -16050}));
  // Raster: 10 px per mm from (0, 5); the top-left corner is pixel (1, 0).
  rig.doc.raster_mode = 1;
  rig.doc.settings.resolution = 10;
  rig.doc.raster_left = 0;
  rig.doc.raster_top = 5;
  EXPECT_EQ(drawn(), (Points{{1, 100}, {101, 100}, {101, 0}, {1, 0}}));
}

TEST(VctPreview, FillsTheRectangle) {
  test::TempDir dir;
  dir.write("p.vct", "5,1,0,100,0,50,10,10;\n5;\n0,0;\n100,0;\n100,50;\n0,50;\n0,0;\n");
  RecordingCanvas dc;
  ASSERT_TRUE(PreviewVct(dc, dir.file("p.vct"), 15, 18, 160, 160));
  ASSERT_EQ(dc.ops().size(), 1u);
  EXPECT_EQ(dc.ops()[0].kind, RecordingCanvas::Op::Kind::PolyPolygon);
  EXPECT_EQ(dc.ops()[0].counts, std::vector<int32_t>{5});
  EXPECT_EQ(dc.ops()[0].points, (Points{{15, 178}, {175, 178}, {175, 18}, {15, 18}, {15, 178}}));
  dc.clear();
  for (const fs::path& path : {data("flat.vct"), data("missing.vct"), data("damaged_garbage.vct"),
                               fs::path("/dev/zero")}) {
    EXPECT_FALSE(PreviewVct(dc, path, 15, 18, 160, 160)) << path;
  }
  EXPECT_TRUE(dc.ops().empty());
}

}  // namespace
}  // namespace lumetch
