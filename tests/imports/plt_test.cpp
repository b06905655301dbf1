#include "imports/plt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

std::vector<std::string> listing(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Parses `text` as a.plt in the directory; stroke files are named plt1<i>.$.
PltParse parse_text(const test::TempDir& dir, const std::string& text) {
  dir.write("a.plt", text);
  return ParsePlt(dir.file("a.plt"), (dir.path() / "plt1").string());
}

// Stroke file contents of the pens used.
std::map<int, std::string> strokes(const test::TempDir& dir, const PltParse& p) {
  std::map<int, std::string> out;
  for (int i = 0; i < 8; ++i) {
    if (p.pen_used[static_cast<std::size_t>(i)] == 1)
      out[i] = dir.read("plt1" + std::to_string(i) + ".$");
  }
  return out;
}

TEST(ParsePlt, CommandRules) {
  std::string many_pairs = "PD1,2";
  for (int i = 0; i < 20000; ++i) many_pairs += ",3,4";
  const std::string long_commands = "LB" + std::string(100000, 'x') + ";SP2;PD" +
                                    std::string(5000, ' ') + "12,+34;" + many_pairs + ";";
  struct Case {
    const char* name;
    std::string text;
    std::map<int, std::string> pens;
    std::array<int32_t, 4> extents;  // min_x, min_y, max_x, max_y
  };
  constexpr int32_t kMax = INT32_MAX;
  // clang-format off
  const Case cases[] = {
      {"first pair only; flat Y widened", "IN;SP1;PU0,0;PD100,0,100,100;PU;",
       {{0, "0 0 0;\n1 100 0;\n"}}, {0, 0, 100, 10}},
      {"lower case; SP2 is pen index 1; SP9, SP0 keep the pen", "sp2;pu10,10;SP9;pd20,20;sp0;PD30,5;",
       {{1, "0 10 10;\n1 20 20;\n1 30 5;\n"}}, {10, 5, 30, 20}},
      {"blank separators; a comma wins", "PU10 20;PD;PU 10 20;PD;PU\t5 6;PD;PU 7,8;PD;",
       {{0, "0 10 20;\n0 0 10;\n0 5 6;\n0 7 8;\n"}}, {0, 6, 10, 20}},
      {"PA draws only with the pen down", "PA5,5;PD;PA6,7;PU;PA8,9;PD;",
       {{0, "0 5 5;\n1 6 7;\n0 8 9;\n"}}, {5, 5, 8, 9}},
      {"no drawing", "IN;SP1;PU100,100;", {{0, ""}}, {30000, 30000, 30010, 30010}},
      {"line break splits a pair; blank-led command ignored; no ; at the end",
       "\r\n PD5,5;PD10,\n20;PU;PU3,4;PD5,6", {{0, "0 0 0;\n0 3 4;\n"}}, {0, 0, 3, 4}},
      {"out of range saturates", "PD99999999999,-99999999999;",
       {{0, "0 0 0;\n1 2147483647 -2147483648;\n"}}, {0, INT32_MIN, kMax, 0}},
      {"widening stays in range", "PU2147483647,2147483647;PD;",
       {{0, "0 2147483647 2147483647;\n"}}, {kMax - 10, kMax - 10, kMax, kMax}},
      {"a plot beyond 30000 has its own extents", "PU40000,-50000;PD;PD50000,-40000;",
       {{0, "0 40000 -50000;\n1 50000 -40000;\n"}}, {40000, -50000, 50000, -40000}},
      {"long commands read whole", long_commands,
       {{1, "0 0 0;\n1 12 34;\n1 1 2;\n"}}, {0, 0, 12, 34}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const PltParse p = parse_text(dir, c.text);
    ASSERT_EQ(p.result, PltParse::kRead) << p.error;
    EXPECT_EQ(strokes(dir, p), c.pens);
    EXPECT_EQ((std::array<int32_t, 4>{p.min_x, p.min_y, p.max_x, p.max_y}), c.extents);
  }
}

TEST(ParsePlt, MultiPenFile) {
  const std::filesystem::path data = std::filesystem::path(LUMETCH_TEST_DATA) / "plt";
  std::ifstream in(data / "multi_pen.expected");
  std::array<int32_t, 4> extents{};
  in >> extents[0] >> extents[1] >> extents[2] >> extents[3];
  std::map<int, std::string> pens;
  int pen = 0;
  std::string line;
  while (in >> pen && std::getline(in, line)) pens[pen] += line.substr(1) + "\n";
  ASSERT_EQ(pens.size(), 3u);

  test::TempDir dir;
  const PltParse p = ParsePlt(data / "multi_pen.plt", (dir.path() / "plt1").string());
  ASSERT_EQ(p.result, PltParse::kRead);
  EXPECT_EQ((std::array<int32_t, 4>{p.min_x, p.min_y, p.max_x, p.max_y}), extents);
  EXPECT_EQ(strokes(dir, p), pens);
  EXPECT_EQ(p.pen_file[3], (dir.path() / "plt13.$").string());
}

TEST(ParsePlt, RefusedFilesWriteNothing) {
  using R = PltParse::Result;
  const std::pair<const char*, R> cases[] = {{"a.txt", R::kWrongExtension},
                                             {"noext", R::kWrongExtension},
                                             {"a.plt.bak", R::kWrongExtension},
                                             {"missing.plt", R::kCannotOpen},
                                             {"UPPER.PLT", R::kRead}};
  for (const auto& [file, result] : cases) {
    SCOPED_TRACE(file);
    test::TempDir dir;
    if (result != R::kCannotOpen) dir.write(file, "SP1;PD1,1;");
    const auto before = listing(dir.path());
    EXPECT_EQ(ParsePlt(dir.file(file), (dir.path() / "plt1").string()).result, result);
    if (result != R::kRead) {
      EXPECT_EQ(listing(dir.path()), before);
    }
  }
}

TEST(ParsePlt, StrokeFileThatCannotBeWrittenRemovesTheOthers) {
  test::TempDir dir;
  // Pen 2's stroke file name is taken by a directory.
  std::filesystem::create_directory(dir.file("plt11.$"));
  const PltParse p = parse_text(dir, "SP1;PD1,1;SP2;PD2,2;");
  EXPECT_EQ(p.result, PltParse::kCannotOpen);
  EXPECT_NE(p.error.find("plt11.$"), std::string::npos) << p.error;
  EXPECT_FALSE(std::filesystem::exists(dir.file("plt10.$")));

  const PltParse q = ParsePlt(dir.file("a.plt"), (dir.path() / "no" / "plt1").string());
  EXPECT_EQ(q.result, PltParse::kCannotOpen);
  EXPECT_FALSE(q.error.empty());
}

TEST(PltBlockFrom, SizesFromResolution) {
  struct Case {
    int32_t min_x, max_x, resolution;
    std::optional<std::array<double, 3>> sizes;  // src_width, init_width, init_height
  };
  const Case cases[] = {{-1000, 3000, 40, {{4000, 100, 50}}},
                        {-1000, 3000, 0, {{4000, 10, 5}}},
                        {-1000, 3000, -40, std::nullopt},
                        {5, 5, 40, std::nullopt},
                        {INT32_MIN, INT32_MAX, 1, {{4294967295.0, 4294967295.0, 2000}}}};
  PltParse p;
  p.min_y = 0;
  p.max_y = 2000;
  p.pen_used = {1, 0, 1, 0, 0, 0, 0, 0};
  p.pen_file[2] = "x2.$";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resolution);
    p.min_x = c.min_x;
    p.max_x = c.max_x;
    const auto b = plt_block_from(p, "a.plt", c.resolution);
    ASSERT_EQ(b.has_value(), c.sizes.has_value());
    if (!b) continue;
    EXPECT_EQ((std::array<double, 3>{b->src_width, b->init_width, b->init_height}), *c.sizes);
    EXPECT_TRUE(b->pen_used == p.pen_used && b->pen_file == p.pen_file && b->pen_layer[7] == 7);
  }
}

// A PLT object from plot text: plot units 0..100 on both axes (the text
// should reach them) drawn 10 × 10 mm at the field centre.
struct PltObject {
  test::TempDir dir;
  MarkObject obj;
  PltBlock& block() { return *obj.block<PltBlock>(); }

  explicit PltObject(const std::string& text) {
    const PltParse p = parse_text(dir, text);
    EXPECT_EQ(p.result, PltParse::kRead);
    obj.type = PLT;
    obj.params = *plt_block_from(p, "a.plt", 10);
    obj.width = 10;
    obj.height = 10;
  }
};

constexpr const char* kTwoPens = "SP1;PU0,0;PD100,0;SP3;PU0,100;PD100,100;";

TEST(DrawPlt, MarkerHeadersAndPassesPerPen) {
  test::MarkerCapture m;
  MarkSettings& s = m.doc.settings;
  s.mark_num = {2, 1, 1, 3, 1, 1, 1, 1};
  s.speed = {11, 12, 13, 14, 15, 16, 17, 18};
  s.mark_layer = 6;
  std::vector<int32_t> layers_seen;
  m.op.on_poll = [&](ScriptedOperator&) { layers_seen.push_back(s.mark_layer); };

  PltObject o(kTwoPens);
  // The 100 mm field at 40 units per mm: pen 1 runs along the box's bottom
  // edge, pen 3 along its top.
  const std::vector<std::string> pen1 = {"PU1800,1800;", "PD2200,1800;"};
  const std::vector<std::string> pen3 = {"PU1800,2200;", "PD2200,2200;"};
  const auto expect = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };

  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.commands(),
            expect({{layer_header(m.doc, 0)}, pen1, pen1, {layer_header(m.doc, 2)}, pen3}));
  EXPECT_EQ(s.mark_layer, 6);
  EXPECT_EQ(layers_seen, (std::vector<int32_t>{0, 0, 0, 0, 2, 2}));

  // Pen 1 remapped to layer 3: its header and its three passes.
  m.clear();
  o.block().pen_layer[0] = 3;
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.commands(),
            expect({{layer_header(m.doc, 3)}, pen1, pen1, pen1, {layer_header(m.doc, 2)}, pen3}));

  // Power 0 on layer 3 silences pen 1; a layer outside 0..7 is refused.
  m.clear();
  s.power[3] = 0;
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.commands(), expect({{layer_header(m.doc, 2)}, pen3}));
  m.clear();
  o.block().pen_layer[2] = 8;
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_TRUE(m.commands().empty());

  // A missing stroke file ends the object's output after its header, later
  // copies included.
  m.clear();
  o.obj.columns = 2;
  o.block().pen_layer = {0, 1, 2, 3, 4, 5, 6, 7};
  std::filesystem::remove(o.block().pen_file[0]);
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.commands(), std::vector<std::string>{layer_header(m.doc, 0)});
  EXPECT_EQ(s.mark_layer, 6);
}

TEST(DrawPlt, MarkerStopsAtEscape) {
  test::MarkerCapture m;
  PltObject o(kTwoPens);
  o.obj.columns = 3;
  m.escape_after(3);
  DrawPlt(m.g, nullptr, o.obj);
  EXPECT_EQ(m.moves().size(), 2u);  // nothing after the stop, no later copies
}

TEST(DrawPlt, ScreenColoursMirrorsAndRowOrder) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;
  const Pen old_pen{{1, 2, 3}, 5, PenStyle::Dot};
  dc.set_pen(old_pen);
  PltObject o(kTwoPens);
  o.block().pen_layer[0] = 5;
  o.obj.mirror_x = 1;
  o.obj.rows = 2;
  o.obj.columns = 2;
  o.obj.row_gap = 1;
  o.obj.column_gap = 1;
  DrawPlt(g, &dc, o.obj);
  EXPECT_EQ(dc.pen(), old_pen);

  // Per copy: pen 1 (move, line) then pen 3 (move, line). The mirrored
  // plot starts each pen at the copy's right edge.
  ASSERT_EQ(dc.ops().size(), 16u);
  const double lefts[] = {-10.5, 0.5, -10.5, 0.5};
  const double tops[] = {10.5, 10.5, -0.5, -0.5};
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const auto& pen1 = dc.ops()[4 * k];
    const auto& pen3 = dc.ops()[4 * k + 2];
    const int32_t right = screen_x(doc.view, lefts[k] + 10);
    EXPECT_EQ(pen1.points[0], (CanvasPoint{right, screen_y(doc.view, tops[k] - 10)}));
    EXPECT_EQ(pen3.points[0], (CanvasPoint{right, screen_y(doc.view, tops[k])}));
    EXPECT_EQ(pen1.pen, (Pen{kLayerColours[5], 1, PenStyle::Solid}));
    EXPECT_TRUE(pen1.brush.hollow);
    EXPECT_EQ(pen3.pen.colour, kLayerColours[2]);
  }
}

TEST(DrawPlt, RasterPutsTheTopLeftAtPixelZeroAndSkipsUnreadableLines) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  doc.raster_mode = 1;
  doc.settings.resolution = 10;
  doc.raster_left = -5;  // the object's top-left corner
  doc.raster_top = 5;
  RecordingCanvas dc;
  PltObject o("PU0,100;PD100,0;");
  std::ofstream(o.block().pen_file[0], std::ios::app)
      << std::string(5000, '7') << "\n2 5 5;\nx\n1 100 abc;\n\n1 0 0;";
  DrawPlt(g, &dc, o.obj);
  EXPECT_EQ(dc.segments(), (std::vector<std::pair<CanvasPoint, CanvasPoint>>{
                               {{0, 0}, {100, 100}}, {{100, 100}, {0, 100}}}));
}

TEST(PreviewPlt, ExtentsFillTheRectangleAndNoFileIsWritten) {
  test::TempDir dir;
  dir.write("p.plt", "SP2;PU0,0;PD100,50;");
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  RecordingCanvas dc;
  std::array<Rgb, 8> colours{};
  colours[1] = {9, 8, 7};
  const bool ok = PreviewPlt(dc, dir.file("p.plt"), 15, 18, 160, 160, colours);
  const auto after = listing(dir.path());
  EXPECT_FALSE(PreviewPlt(dc, dir.file("missing.plt"), 15, 18, 160, 160, colours));
  dir.write("p.txt", "SP2;PU0,0;PD100,50;");
  EXPECT_FALSE(PreviewPlt(dc, dir.file("p.txt"), 15, 18, 160, 160, colours));
  std::filesystem::current_path(cwd);

  EXPECT_TRUE(ok);
  EXPECT_EQ(after, (std::vector<std::string>{"p.plt"}));
  EXPECT_EQ(dc.segments(),
            (std::vector<std::pair<CanvasPoint, CanvasPoint>>{{{15, 178}, {175, 18}}}));
  ASSERT_FALSE(dc.ops().empty());
  EXPECT_EQ(dc.ops()[0].pen.colour, colours[1]);
}

}  // namespace
}  // namespace lumetch
