#include "imports/plt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::down;
using test::up;

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
  const std::string many_pairs = [] {
    std::string s = "PD1,2";
    for (int i = 0; i < 20000; ++i) s += ",3,4";
    return s + ";";
  }();
  struct Case {
    const char* name;
    std::string text;
    std::map<int, std::string> pens;
    std::array<int32_t, 4> extents;  // min_x, min_y, max_x, max_y
  };
  const Case cases[] = {
      {"first pair only; flat Y widened",
       "IN;SP1;PU0,0;PD100,0,100,100;PU;",
       {{0, "0 0 0;\n1 100 0;\n"}},
       {0, 0, 100, 10}},
      {"lower case, SP2 is pen index 1",
       "sp2;pu10,10;pd20,20;",
       {{1, "0 10 10;\n1 20 20;\n"}},
       {10, 10, 20, 20}},
      {"blank separators",
       "PU10 20;PD;PU 10 20;PD;PU\t5 6;PD;",
       {{0, "0 10 20;\n0 0 10;\n0 5 6;\n"}},
       {0, 6, 10, 20}},
      {"comma wins over an earlier blank", "PU 7,8;PD;", {{0, "0 7 8;\n"}}, {7, 8, 17, 18}},
      {"SP9 and SP0 keep the pen",
       "SP3;SP9;PD1,2;SP0;PD3,4;",
       {{2, "0 0 0;\n1 1 2;\n1 3 4;\n"}},
       {0, 0, 3, 4}},
      {"PA draws only with the pen down",
       "PA5,5;PD;PA6,7;PU;PA8,9;PD;",
       {{0, "0 5 5;\n1 6 7;\n0 8 9;\n"}},
       {5, 5, 8, 9}},
      {"no drawing", "IN;SP1;PU100,100;", {{0, ""}}, {30000, 30000, 30010, 30010}},
      {"line break splits a pair; blank-led command ignored",
       "\r\n PD5,5;PD10,\n20;PU;",
       {{0, "0 0 0;\n"}},
       {0, 0, 10, 10}},
      {"last command without ;", "PU3,4;PD5,6", {{0, "0 3 4;\n"}}, {3, 4, 13, 14}},
      {"out of range saturates",
       "PD99999999999,-99999999999;",
       {{0, "0 0 0;\n1 2147483647 -2147483648;\n"}},
       {0, INT32_MIN, INT32_MAX, 0}},
      {"widening stays in range",
       "PU2147483647,2147483647;PD;",
       {{0, "0 2147483647 2147483647;\n"}},
       {INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX}},
      {"a plot beyond 30000 has its own extents",
       "PU40000,-50000;PD;PD50000,-40000;",
       {{0, "0 40000 -50000;\n1 50000 -40000;\n"}},
       {40000, -50000, 50000, -40000}},
      {"long commands read whole",
       "LB" + std::string(100000, 'x') + ";SP2;PD" + std::string(5000, ' ') + "12,+34;" +
           many_pairs,
       {{1, "0 0 0;\n1 12 34;\n1 1 2;\n"}},
       {0, 0, 12, 34}},
  };
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
  std::map<int, std::string> pens;
  std::string line;
  int pen = -1;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "extents") {
      words >> extents[0] >> extents[1] >> extents[2] >> extents[3];
    } else if (word == "pen") {
      words >> pen;
    } else {
      pens[pen] += line + "\n";
    }
  }
  ASSERT_EQ(pens.size(), 3u);

  test::TempDir dir;
  const PltParse p = ParsePlt(data / "multi_pen.plt", (dir.path() / "plt7").string());
  ASSERT_EQ(p.result, PltParse::kRead);
  EXPECT_EQ((std::array<int32_t, 4>{p.min_x, p.min_y, p.max_x, p.max_y}), extents);
  EXPECT_EQ(p.pen_used, (std::array<int32_t, 8>{1, 1, 0, 1, 0, 0, 0, 0}));
  for (const auto& [i, text] : pens) {
    EXPECT_EQ(p.pen_file[static_cast<std::size_t>(i)],
              (dir.path() / "plt7").string() + std::to_string(i) + ".$");
    EXPECT_EQ(dir.read("plt7" + std::to_string(i) + ".$"), text) << "pen " << i;
  }
}

TEST(ParsePlt, RefusedFilesWriteNothing) {
  struct Case {
    const char* file;
    bool exists;
    PltParse::Result result;
  };
  const Case cases[] = {{"a.txt", true, PltParse::kWrongExtension},
                        {"noext", true, PltParse::kWrongExtension},
                        {"a.plt.bak", true, PltParse::kWrongExtension},
                        {"missing.plt", false, PltParse::kCannotOpen},
                        {"UPPER.PLT", true, PltParse::kRead}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    test::TempDir dir;
    if (c.exists) dir.write(c.file, "SP1;PD1,1;");
    const auto before = listing(dir.path());
    const PltParse p = ParsePlt(dir.file(c.file), (dir.path() / "plt1").string());
    EXPECT_EQ(p.result, c.result);
    if (c.result != PltParse::kRead) {
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
  PltParse p;
  p.result = PltParse::kRead;
  p.min_x = -1000;
  p.max_x = 3000;
  p.min_y = 0;
  p.max_y = 2000;
  p.pen_used = {1, 0, 1, 0, 0, 0, 0, 0};
  p.pen_file[2] = "x2.$";
  const auto b40 = plt_block_from(p, "a.plt", 40);
  ASSERT_TRUE(b40);
  EXPECT_EQ(b40->src_width, 4000.0);
  EXPECT_EQ(b40->init_width, 100.0);
  EXPECT_EQ(b40->init_height, 50.0);
  EXPECT_EQ(b40->pen_used, p.pen_used);
  EXPECT_EQ(b40->pen_file[2], "x2.$");
  EXPECT_EQ(b40->pen_layer, (std::array<int32_t, 8>{0, 1, 2, 3, 4, 5, 6, 7}));

  const auto b0 = plt_block_from(p, "a.plt", 0);
  ASSERT_TRUE(b0);
  EXPECT_EQ(b0->init_width, 10.0);
  EXPECT_EQ(b0->init_height, 5.0);

  EXPECT_FALSE(plt_block_from(p, "a.plt", -40));
  p.max_x = p.min_x;
  EXPECT_FALSE(plt_block_from(p, "a.plt", 40));
  p.min_x = INT32_MIN;
  p.max_x = INT32_MAX;
  const auto wide = plt_block_from(p, "a.plt", 1);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->src_width, 4294967295.0);
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
  const auto mx = [&](double x) { return marker_x(s, x); };
  const auto my = [&](double y) { return marker_y(s, y); };
  // Pen 1 runs along the box's bottom edge, pen 3 along its top.
  const std::vector<std::string> pen1 = {
      "PU" + std::to_string(mx(-5)) + "," + std::to_string(my(-5)) + ";",
      "PD" + std::to_string(mx(5)) + "," + std::to_string(my(-5)) + ";"};
  const std::vector<std::string> pen3 = {
      "PU" + std::to_string(mx(-5)) + "," + std::to_string(my(5)) + ";",
      "PD" + std::to_string(mx(5)) + "," + std::to_string(my(5)) + ";"};
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
  EXPECT_EQ(m.doc.stop_requested, 1);
  EXPECT_EQ(m.moves().size(), 2u);
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
    const auto& first = dc.ops()[4 * k];
    EXPECT_EQ(first.kind, RecordingCanvas::Op::Kind::MoveTo);
    EXPECT_EQ(first.points[0],
              (CanvasPoint{screen_x(doc.view, lefts[k] + 10), screen_y(doc.view, tops[k] - 10)}));
    EXPECT_EQ(first.pen, (Pen{kLayerColours[5], 1, PenStyle::Solid}));
    EXPECT_TRUE(first.brush.hollow);
    const auto& third = dc.ops()[4 * k + 2];
    EXPECT_EQ(third.points[0],
              (CanvasPoint{screen_x(doc.view, lefts[k] + 10), screen_y(doc.view, tops[k])}));
    EXPECT_EQ(third.pen.colour, kLayerColours[2]);
  }
}

TEST(DrawPlt, RasterPlacesTheTopLeftAtPixelZero) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  doc.raster_mode = 1;
  doc.settings.resolution = 10;
  doc.raster_left = -5;  // the object's top-left corner
  doc.raster_top = 5;
  RecordingCanvas dc;
  PltObject o("PU0,100;PD100,0;");
  DrawPlt(g, &dc, o.obj);
  EXPECT_EQ(dc.segments(),
            (std::vector<std::pair<CanvasPoint, CanvasPoint>>{{{0, 0}, {100, 100}}}));
}

TEST(DrawPlt, StrokeLinesThatDoNotReadAreSkipped) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas dc;
  PltObject o("SP1;");
  o.block().min_x = 0;
  o.block().min_y = 0;
  o.block().src_width = 100;
  o.block().src_height = 100;
  std::ofstream(o.block().pen_file[0], std::ios::binary)
      << "0 0 0;\n"
      << std::string(5000, '7') << "\n2 5 5;\nx\n1 100 abc;\n\n1 100 100;";
  DrawPlt(g, &dc, o.obj);
  ASSERT_EQ(dc.ops().size(), 2u);
  EXPECT_EQ(dc.ops()[1].points[0], (CanvasPoint{screen_x(doc.view, 5), screen_y(doc.view, 5)}));
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
