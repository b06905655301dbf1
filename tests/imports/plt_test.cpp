#include "imports/plt.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Extents = std::array<int32_t, 4>;  // min_x, min_y, max_x, max_y
using Strokes = std::map<int, std::string>;
using Segments = std::vector<std::pair<CanvasPoint, CanvasPoint>>;

// Parses `file` with stroke files dir/plt1<i>.$ and returns the strokes of the pens used.
Strokes parse(const test::TempDir& dir, const fs::path& file, PltParse& p,
             PlotReading reading = PlotReading::kFull) {
  p = ParsePlt(file, (dir.path() / "plt1").string(), {}, reading);
  Strokes out;
  for (std::size_t i = 0; i < 8; ++i) {
    if (p.pen_used[i] == 1) out[static_cast<int>(i)] = dir.read("plt1" + std::to_string(i) + ".$");
  }
  return out;
}

// The first-pair reader, kept for plots made for it.
TEST(ParsePlt, FirstPairCommandRules) {
  std::string many_pairs = "PD1,2";
  for (int i = 0; i < 20000; ++i) many_pairs += ",3,4";
  // Plot text, the one pen it uses and that pen's strokes, the extents.
  // clang-format off
  const std::tuple<std::string, int, std::string, Extents> cases[] = {
      // First pair only; a flat Y is widened to ten units.
      {"IN;SP1;PU0,0;PD100,0,100,100;PU;", 0, "0 0 0;\n1 100 0;\n", {0, 0, 100, 10}},
      // Lower case; SP2 is pen index 1; SP9 and SP0 keep the pen.
      {"sp2;pu10,10;SP9;pd20,20;sp0;PD30,5;", 1, "0 10 10;\n1 20 20;\n1 30 5;\n", {10, 5, 30, 20}},
      // The first blank separates unless the piece has a ",".
      {"PU10 20;PD;PU 10 20;PD;PU\t5 6;PD;PU 7,8;PD;", 0, "0 10 20;\n0 0 10;\n0 5 6;\n0 7 8;\n",
       {0, 6, 10, 20}},
      {"PA5,5;PD;PA6,7;PU;PA8,9;PD;", 0, "0 5 5;\n1 6 7;\n0 8 9;\n", {5, 5, 8, 9}},
      {"IN;SP1;PU100,100;", 0, "", {30000, 30000, 30010, 30010}},
      // A line break ends a piece without its pair; no ";" at the end of the text.
      {"\r\n PD5,5;PD10,\n20;PU;PU3,4;PD5,6", 0, "0 0 0;\n0 3 4;\n", {0, 0, 3, 4}},
      {"PD99999999999,-99999999999;", 0, "0 0 0;\n1 2147483647 -2147483648;\n",
       {0, INT32_MIN, INT32_MAX, 0}},
      {"PU2147483647,2147483647;PD;", 0, "0 2147483647 2147483647;\n",
       {INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX}},
      {"PU40000,-50000;PD;PD50000,-40000;", 0, "0 40000 -50000;\n1 50000 -40000;\n",
       {40000, -50000, 50000, -40000}},
      {"LB" + std::string(100000, 'x') + ";SP2;PD" + std::string(5000, ' ') + "12,+34;" +
       many_pairs + ";", 1, "0 0 0;\n1 12 34;\n1 1 2;\n", {0, 0, 12, 34}},
  };
  // clang-format on
  for (const auto& [text, pen, strokes, extents] : cases) {
    test::TempDir dir;
    dir.write("a.plt", text);
    PltParse p;
    EXPECT_EQ(parse(dir, dir.file("a.plt"), p, PlotReading::kFirstPairOnly),
              (Strokes{{pen, strokes}}))
        << text.substr(0, 40);
    EXPECT_EQ((Extents{p.min_x, p.min_y, p.max_x, p.max_y}), extents) << text.substr(0, 40);
  }
}

TEST(ParsePlt, MultiPenFile) {
  const fs::path data = fs::path(LUMETCH_TEST_DATA) / "plt";
  std::ifstream in(data / "multi_pen.expected");
  Extents extents{};
  in >> extents[0] >> extents[1] >> extents[2] >> extents[3];
  Strokes pens;
  int pen = 0;
  std::string line;
  while (in >> pen && std::getline(in, line)) pens[pen] += line.substr(1) + "\n";
  ASSERT_EQ(pens.size(), 3u);
  test::TempDir dir;
  PltParse p;
  EXPECT_EQ(parse(dir, data / "multi_pen.plt", p), pens);
  EXPECT_EQ((Extents{p.min_x, p.min_y, p.max_x, p.max_y}), extents);
  EXPECT_EQ(p.pen_file[3], (dir.path() / "plt13.$").string());
}

TEST(ParsePlt, RefusedOrUnwritableFilesLeaveNoStrokeFiles) {
  test::TempDir dir;
  for (const char* name : {"a.txt", "a.plt.bak", "B.PLT"}) dir.write(name, "SP1;PD1,1;SP2;PD2,2;");
  const auto parse_in = [&](const char* name) {
    return ParsePlt(dir.file(name), (dir.path() / "plt1").string());
  };
  EXPECT_EQ(parse_in("a.txt").result, PltParse::kWrongExtension);
  EXPECT_EQ(parse_in("a.plt.bak").result, PltParse::kWrongExtension);
  EXPECT_EQ(parse_in("missing.plt").result, PltParse::kCannotOpen);
  EXPECT_FALSE(fs::exists(dir.file("plt10.$")));
  // Pen 2's stroke file name is taken by a directory: pen 1's file goes too.
  fs::create_directory(dir.file("plt11.$"));
  const PltParse p = parse_in("B.PLT");
  EXPECT_EQ(p.result, PltParse::kCannotOpen);
  EXPECT_NE(p.error.find("plt11.$"), std::string::npos) << p.error;
  EXPECT_FALSE(fs::exists(dir.file("plt10.$")));
  fs::remove(dir.file("plt11.$"));
  EXPECT_EQ(parse_in("B.PLT").result, PltParse::kRead);
}

// A plot of megabytes is read in pieces while its progress is shown: the
// commands cut between pieces read as a whole, and the bytes count up to the
// size of the file.
TEST(ParsePlt, ALargePlotReadsTheSameWhileItsProgressIsShown) {
  std::string text = "IN;SP1;";
  for (int i = 0; text.size() < (std::size_t{5} << 19); ++i) {
    text += "PU" + std::to_string(i % 997) + "," + std::to_string(i % 89) + ";PD" +
            std::to_string(i % 991) + "," + std::to_string(-(i % 83)) + ";SP" +
            std::to_string(1 + i % 3) + ";";
  }
  ScriptedOperator op;
  const PltPlot whole = parse_plt(text);
  const PltPlot shown = parse_plt(text, reading_progress(&op));
  for (std::size_t pen = 0; pen < 8; ++pen) {
    ASSERT_EQ(format_strokes(shown.strokes[pen]), format_strokes(whole.strokes[pen])) << pen;
  }
  EXPECT_EQ(std::tie(shown.min_x, shown.min_y, shown.max_x, shown.max_y),
            std::tie(whole.min_x, whole.min_y, whole.max_x, whole.max_y));
  ASSERT_EQ(op.progress.size(), 3u);  // 2.5 MB in pieces of one
  EXPECT_EQ(op.progress.back().bytes_done, static_cast<int64_t>(text.size()));
  EXPECT_EQ(progress_text(op.progress[0]), "Opening: 1/2 MB");

  ScriptedOperator small;
  parse_plt("IN;PD1,1;", reading_progress(&small));
  EXPECT_TRUE(small.progress.empty());  // under a megabyte nothing is shown
}

TEST(PltBlockFrom, SizesFromResolution) {
  PltParse p;
  p.min_y = 0;
  p.max_y = 2000;
  p.pen_used = {1, 0, 1, 0, 0, 0, 0, 0};
  p.pen_file[2] = "x2.$";
  // min_x, max_x, resolution; src_width, init_width, init_height, or none when refused.
  const std::tuple<int32_t, int32_t, int32_t, std::vector<double>> cases[] = {
      {-1000, 3000, 40, {4000, 100, 50}},
      {-1000, 3000, 0, {4000, 10, 5}},
      {-1000, 3000, -40, {}},
      {5, 5, 40, {}},
      {INT32_MIN, INT32_MAX, 1, {4294967295.0, 4294967295.0, 2000}}};
  for (const auto& [min_x, max_x, resolution, sizes] : cases) {
    p.min_x = min_x;
    p.max_x = max_x;
    const auto b = plt_block_from(p, "a.plt", resolution);
    std::vector<double> got;
    if (b) {
      got = {b->src_width, b->init_width, b->init_height};
      EXPECT_TRUE(b->pen_used == p.pen_used && b->pen_file == p.pen_file && b->pen_layer[7] == 7);
    }
    EXPECT_EQ(got, sizes) << resolution;
  }
}

// A PLT object from plot text reaching 0..100 units on both axes, drawn
// 10 × 10 mm at the field centre.
struct PltObject {
  test::TempDir dir;
  MarkObject obj;
  PltBlock& block() { return *obj.block<PltBlock>(); }
  explicit PltObject(const std::string& text) {
    dir.write("a.plt", text);
    PltParse p;
    parse(dir, dir.file("a.plt"), p);
    obj.type = PLT;
    obj.params = *plt_block_from(p, "a.plt", 10);
    obj.width = obj.height = 10;
  }
};

constexpr const char* kTwoPens = "SP1;PU0,0;PD100,0;SP3;PU0,100;PD100,100;";

TEST(DrawPlt, MarkerSendsEachUsedPensHeaderAndPasses) {
  test::MarkerCapture m;
  MarkSettings& s = m.doc.settings;
  s.mark_num = {2, 1, 1, 3, 1, 1, 1, 1};
  s.speed = {11, 12, 13, 14, 15, 16, 17, 18};
  s.mark_layer = 6;
  std::vector<int32_t> layers_seen;
  m.op.on_poll = [&](ScriptedOperator&) { layers_seen.push_back(s.mark_layer); };
  PltObject o(kTwoPens);
  using Commands = std::vector<std::string>;
  // 40 units per mm: pen 1 runs along the box's bottom edge, pen 3 along its top.
  const Commands pen1 = {"PU1800,1800;", "PD2200,1800;"}, pen3 = {"PU1800,2200;", "PD2200,2200;"};
  const auto header = [&](int32_t layer) { return Commands{layer_header(m.doc, layer)}; };
  const auto expect_sent = [&](std::initializer_list<Commands> parts) {
    m.clear();
    DrawPlt(m.g, nullptr, o.obj);
    Commands want;
    for (const Commands& c : parts) want.insert(want.end(), c.begin(), c.end());
    EXPECT_EQ(m.commands(), want);
  };
  expect_sent({header(0), pen1, pen1, header(2), pen3});
  EXPECT_EQ(layers_seen, (std::vector<int32_t>{0, 0, 0, 0, 2, 2}));
  o.block().pen_layer[0] = 3;
  expect_sent({header(3), pen1, pen1, pen1, header(2), pen3});
  s.power[3] = 0;
  expect_sent({header(2), pen3});
  o.block().pen_layer[2] = 8;
  expect_sent({});
  // A missing stroke file ends the output after its header, later copies included.
  o.obj.columns = 2;
  o.block().pen_layer = {0, 1, 2, 3, 4, 5, 6, 7};
  fs::remove(o.block().pen_file[0]);
  expect_sent({header(0)});
  EXPECT_EQ(s.mark_layer, 6);
}

TEST(DrawPlt, MarkerStopsAtEscape) {
  test::MarkerCapture m;
  PltObject o(kTwoPens);
  o.obj.columns = 3;
  m.escape_after(3);
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.moves().size(), 2u);
}

TEST(DrawPlt, ScreenCopiesRowByRowMirroredInTheirPensLayerColourRasterAtItsCorner) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;
  const Pen old_pen{{1, 2, 3}, 5, PenStyle::Dot};
  dc.set_pen(old_pen);
  PltObject o(kTwoPens);
  o.block().pen_layer[0] = 5;
  o.obj.mirror_x = 1;
  o.obj.rows = o.obj.columns = 2;
  o.obj.row_gap = o.obj.column_gap = 1;
  DrawPlt(g, &dc, o.obj);
  EXPECT_EQ(dc.pen(), old_pen);
  // Per copy pen 1 (bottom edge) then pen 3 (top edge), each a move and a
  // line, starting from the copy's right edge.
  ASSERT_EQ(dc.ops().size(), 16u);
  const std::pair<double, double> corners[] = {
      {-10.5, 10.5}, {0.5, 10.5}, {-10.5, -0.5}, {0.5, -0.5}};
  for (std::size_t k = 0; k < 4; ++k) {
    const auto [left, top] = corners[k];
    const int32_t right = screen_x(doc.view, left + 10);
    EXPECT_EQ(dc.ops()[4 * k].points[0], (CanvasPoint{right, screen_y(doc.view, top - 10)})) << k;
    EXPECT_EQ(dc.ops()[4 * k + 2].points[0], (CanvasPoint{right, screen_y(doc.view, top)})) << k;
  }
  EXPECT_EQ(dc.ops()[0].pen, (Pen{kLayerColours[5], 1, PenStyle::Solid}));
  EXPECT_EQ(dc.ops()[2].pen.colour, kLayerColours[2]);

  // The raster at 10 px per mm from the object's top-left corner; stroke
  // lines that do not read are skipped.
  dc.clear();
  o.obj.mirror_x = 0;
  o.obj.rows = o.obj.columns = 1;
  doc.raster_mode = 1;
  doc.settings.resolution = 10;
  doc.raster_left = -5;
  doc.raster_top = 5;
  std::ofstream(o.block().pen_file[0], std::ios::app)
      << std::string(5000, '7') << "\n2 5 5;\nx\n1 100 abc;\n\n1 0 0;";
  DrawPlt(g, &dc, o.obj);
  EXPECT_EQ(dc.segments(),
            (Segments{{{0, 100}, {100, 100}}, {{100, 100}, {0, 100}}, {{0, 0}, {100, 0}}}));
}

TEST(PreviewPlt, ExtentsFillTheRectangleAndNoFileIsWritten) {
  test::TempDir dir;
  dir.write("P.PLT", "SP2;PU0,0;PD100,50;");
  dir.write("p.txt", "SP2;PU0,0;PD100,50;");
  const auto cwd = fs::current_path();
  fs::current_path(dir.path());
  RecordingCanvas dc;
  std::array<Rgb, 8> colours{};
  colours[1] = {9, 8, 7};
  EXPECT_TRUE(PreviewPlt(dc, dir.file("P.PLT"), 15, 18, 160, 160, colours));
  EXPECT_FALSE(PreviewPlt(dc, dir.file("p.txt"), 15, 18, 160, 160, colours));
  fs::current_path(cwd);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  EXPECT_EQ(dc.segments(), (Segments{{{15, 178}, {175, 18}}}));
  EXPECT_EQ(dc.ops().at(0).pen.colour, colours[1]);
}

}  // namespace
}  // namespace lumetch
