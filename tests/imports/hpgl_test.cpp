#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imports/hpgl.h"
#include "imports/plt.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Extents = std::array<int32_t, 4>;  // min_x, min_y, max_x, max_y

std::string strokes_of(const PltPlot& plot, int pen) {
  return format_strokes(plot.strokes[static_cast<std::size_t>(pen)]);
}

// Each family's plot against its stroke lines worked out by hand, through
// the stroke files the import writes.
TEST(HpglReader, CommandFamiliesGiveTheirStrokeFiles) {
  const fs::path data = fs::path(LUMETCH_TEST_DATA) / "plt" / "families";
  for (const char* family :
       {"pairs", "scaling", "rotation_window", "encoded", "line_types", "edges", "pens"}) {
    std::ifstream in(data / (std::string(family) + ".expected"));
    Extents extents{};
    in >> extents[0] >> extents[1] >> extents[2] >> extents[3];
    std::map<int, std::string> expected;
    int pen = 0;
    std::string line;
    while (in >> pen && std::getline(in, line)) expected[pen] += line.substr(1) + "\n";
    ASSERT_FALSE(expected.empty()) << family;

    test::TempDir dir;
    const PltParse p = ParsePlt(data / (std::string(family) + ".plt"), (dir.path() / "s").string());
    ASSERT_EQ(p.result, PltParse::kRead) << family;
    std::map<int, std::string> got;
    for (int i = 0; i < 8; ++i) {
      if (p.pen_used[static_cast<std::size_t>(i)] == 1)
        got[i] = dir.read("s" + std::to_string(i) + ".$");
    }
    EXPECT_EQ(got, expected) << family;
    EXPECT_EQ((Extents{p.min_x, p.min_y, p.max_x, p.max_y}), extents) << family;
    EXPECT_TRUE(p.report.drawable()) << family;
  }
}

struct Centre {
  double x;
  double y;
};

// Curves: every drawn point on the circle about its centre (within the
// rounding to whole units), the chords the tolerance asks for, and the end.
TEST(HpglReader, ArcsAndCirclesLieOnTheirCircles) {
  struct Case {
    const char* plot;
    Centre centre;
    double radius;
    int draws;  // draw lines on the circle
    PltStroke end;
  };
  // clang-format off
  const Case cases[] = {
      {"PU100,100;CI50;", {100, 100}, 50, 72, {true, 150, 100}},
      {"PU100,100;CI-50,30;", {100, 100}, 50, 12, {true, 50, 100}},
      {"PU0,0;PD;AA0,100,90;", {0, 100}, 100, 18, {true, 100, 100}},
      {"PU0,0;PD;AR100,0,-180,10;", {100, 0}, 100, 18, {true, 200, 0}},
      {"PU0,0;PD;AT100,100,200,0;", {100, 0}, 100, 36, {true, 200, 0}},
      {"PU10,10;PD;RT100,100,200,0;", {110, 10}, 100, 36, {true, 210, 10}},
      {"PU0,0;PD;CT1;AA0,100,90,1;", {0, 100}, 100, 6, {true, 100, 100}},
      // User units twice the plotter's: the radius doubles, the chords stay.
      {"IP0,0,200,200;SC0,100,0,100;PU50,50;CI25;", {100, 100}, 50, 72, {true, 150, 100}},
      // A pen-up arc only moves: the one draw line is PR's.
      {"PU0,0;AA0,100,90;PD;PR0,0;", {0, 100}, 100, 1, {true, 100, 100}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const PltPlot plot = parse_plt(c.plot);
    const std::vector<PltStroke>& s = plot.strokes[0];
    ASSERT_FALSE(s.empty()) << c.plot;
    int draws = 0;
    for (const PltStroke& st : s) {
      if (!st.draw) continue;
      ++draws;
      EXPECT_NEAR(std::hypot(st.x - c.centre.x, st.y - c.centre.y), c.radius, 0.71) << c.plot;
    }
    EXPECT_EQ(draws, c.draws) << c.plot;
    EXPECT_EQ(s.back(), c.end) << c.plot;
  }
}

// Wedges go out along the start angle, round the arc and back to the
// centre; Bezier curves keep within a unit of the curve and end on it.
TEST(HpglReader, WedgesAndBezierCurves) {
  const PltPlot wedge = parse_plt("PU0,0;EW100,0,90;WG-50,0,90,45;");
  EXPECT_EQ(strokes_of(wedge, 0).substr(0, 16), "0 0 0;\n1 100 0;\n");
  const std::vector<PltStroke>& w = wedge.strokes[0];
  // 1 out + 18 chords + 1 back, then 1 out + 2 chords + 1 back.
  ASSERT_EQ(w.size(), 2u + 20 + 4);
  EXPECT_EQ(w[19], (PltStroke{true, 0, 100}));
  EXPECT_EQ(w[20], (PltStroke{true, 0, 0}));
  EXPECT_EQ(w[22], (PltStroke{true, -50, 0}));  // a negative radius starts half a turn on
  EXPECT_EQ(w.back(), (PltStroke{true, 0, 0}));

  const PltPlot curve = parse_plt("PU0,0;PD;BZ0,100,100,100,100,0;BR0,-100,100,-100,100,0;");
  const std::vector<PltStroke>& b = curve.strokes[0];
  const auto cubic = [](double t, double a, double b1, double c, double d) {
    const double u = 1 - t;
    return u * u * u * a + 3 * u * u * t * b1 + 3 * u * t * t * c + t * t * t * d;
  };
  for (const PltStroke& st : b) {
    double nearest = 1e9;
    for (int i = 0; i <= 2000; ++i) {
      const double t = i / 2000.0;
      const bool first = st.x <= 100;
      const double x = first ? cubic(t, 0, 0, 100, 100) : cubic(t, 100, 100, 200, 200);
      const double y = first ? cubic(t, 0, 100, 100, 0) : cubic(t, 0, -100, -100, 0);
      nearest = std::min(nearest, std::hypot(st.x - x, st.y - y));
    }
    EXPECT_LE(nearest, 1.0) << st.x << "," << st.y;
  }
  EXPECT_EQ(b.back(), (PltStroke{true, 200, 0}));
  EXPECT_GT(b.size(), 20u);
}

// What the plot held but the strokes do not show is told; printer escapes
// and the data they carry are stepped over.
TEST(HpglReader, ReportsWhatIsNotDrawnAndStepsOverPrinterData) {
  struct Case {
    std::string plot;
    std::string strokes;
    std::string summary;
  };
  // clang-format off
  const Case cases[] = {
      {"\x1B%-12345X@PJL ENTER LANGUAGE=HPGL2\n\x1B" "E\x1B%0BBP1,\"a;PD9,9\";IN;SP1;PW0.35;"
       "LB\x01\x02\x03PU0,0;PD5,5;DT#,1;LB\x01#CO\"PD9,9\";VS10;\x1B%0A\x1B*b5W\x1B%0B;PD9,9;"
       "\x1B%0BPU;",
       "0 0 0;\n1 5 5;\n", "ignored: BP (1), PW (1), VS (1)"},
      {"SP12;PD1,1;PA3,3;FT3;", "0 0 0;\n1 1 1;\n1 3 3;\n",
       "pens 9 to 12 drawn as pens 1 to 8; ignored: FT (1)"},
      {"SP1;PA0,0;PD1,0;LB\xE9t\x03",        "0 0 0;\n1 1 0;\n0 316 356;\n1 316 45;\n1 337 0;\n1 379 0;\n0 274 223;\n1 379 223;\n",
       "1 label has characters the built-in font does not draw"},
      {"IN;SP1;PA0,0;PD10,0;", "0 0 0;\n1 10 0;\n", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    const PltPlot plot = parse_plt(c.plot);
    std::string all;
    for (int pen = 0; pen < 8; ++pen) all += strokes_of(plot, pen);
    EXPECT_EQ(all, c.strokes) << c.plot;
    EXPECT_EQ(plot.report.summary(), c.summary) << c.plot;
  }
  // A few bytes of curves cannot grow into more lines than any marking needs.
  struct Count final : PlotSink {
    int64_t lines = 0;
    void select(int) override {}
    void line(int, bool, int32_t, int32_t) override { ++lines; }
  } count;
  PlotReport cut;
  read_hpgl("PU0,0;CI1000,.5;CI1000,.5;PD5,5;", count, cut, {}, 1000);
  EXPECT_EQ(count.lines, 1000);
  EXPECT_EQ(cut.summary(), "the plot was cut off after 1000 stroke lines");

  // Text that only looks like commands draws nothing and says so.
  const PltPlot text = parse_plt("Hello, this is a note about the plot.\nUPDATE 3;\n");
  EXPECT_FALSE(text.report.drawable());
  EXPECT_EQ(text.report.draws, 0);
  EXPECT_EQ(PltPlot{}.report.summary(), "");
}

// Labels in the stroke font: sized by SI (here 40 x 80 units), turned by
// DI, placed by LO, with carriage return and line feed, symbols, and the
// pen left where the next character would go.
TEST(HpglReader, LabelsAreDrawnInTheStrokeFont) {
  const std::pair<const char*, const char*> cases[] = {
      {"SI0.1,0.2;PA100,100;LBI\x03PD170,100;",
       "0 110 180;\n1 130 180;\n0 120 180;\n1 120 100;\n0 110 100;\n1 130 100;\n"
       "0 160 100;\n1 170 100;\n"},
      {"SI0.1,0.2;DI0,1;PA0,0;LB-\x03", "0 -40 5;\n1 -40 35;\n"},
      {"SI0.1,0.2;LO5;PA0,0;LB--\x03", "0 -45 0;\n1 -15 0;\n0 15 0;\n1 45 0;\n"},
      {"SI0.1,0.2;PA0,0;LB-\r\n-\x03", "0 5 40;\n1 35 40;\n0 5 -120;\n1 35 -120;\n"},
      // A line feed alone goes on below where the label ended.
      {"SI0.1,0.2;PA0,0;LB-\n\x03LB-\x03", "0 5 40;\n1 35 40;\n0 65 -120;\n1 95 -120;\n"},
      {"SI0.1,0.2;SM-;PA100,100;", "0 85 100;\n1 115 100;\n"},
      // The terminator is drawn unless DT says otherwise; commands inside a
      // label are its text.
      {"SI0.1,0.2;DT-;PA0,0;LB-", "0 5 40;\n1 35 40;\n"},
      {"SI0.1,0.2;DT-,1;PA0,0;LB.;-PD1,1;",
       "0 20 0;\n1 20 0;\n0 80 40;\n1 80 40;\n0 80 10;\n1 80 0;\n1 75 -20;\n0 120 0;\n1 1 1;\n"},
  };
  for (const auto& [text, strokes] : cases) {
    EXPECT_EQ(strokes_of(parse_plt(text), 0), strokes) << text;
  }
}

// A plot of single absolute pairs, without scaling, reads exactly as the
// first-pair reader reads it.
TEST(HpglReader, PlotsOfSinglePairsReadAsBefore) {
  std::mt19937 rng(7);
  std::string text = "IN;LT;";
  for (int i = 0; i < 3000; ++i) {
    const int what = static_cast<int>(rng() % 6);
    const auto coord = [&] { return std::to_string(static_cast<int>(rng() % 20001) - 10000); };
    if (what == 0) text += "PU;SP" + std::to_string(1 + rng() % 8) + ";";
    if (what == 1) text += "PU" + coord() + "," + coord() + ";";
    if (what == 2) text += "PD" + coord() + "," + coord() + ";\n";
    if (what == 3) text += "PA" + coord() + "," + coord() + ";";
    if (what == 4) text += rng() % 2 ? "PU;" : "PD;";
    if (what == 5) text += "VS" + std::to_string(rng() % 50) + ";";
  }
  const PltPlot full = parse_plt(text);
  const PltPlot first = parse_plt(text, {}, PlotReading::kFirstPairOnly);
  for (int pen = 0; pen < 8; ++pen) EXPECT_EQ(strokes_of(full, pen), strokes_of(first, pen)) << pen;
  EXPECT_EQ(full.pen_used, first.pen_used);
  EXPECT_EQ((Extents{full.min_x, full.min_y, full.max_x, full.max_y}),
            (Extents{first.min_x, first.min_y, first.max_x, first.max_y}));

  // A pen taken up with the pen down starts its strokes with a move; the
  // first-pair reader keeps its draw line.
  EXPECT_EQ(strokes_of(parse_plt("PD;PA5,5;SP2;PA6,6;", {}, PlotReading::kFirstPairOnly), 1),
            "1 6 6;\n");
  EXPECT_EQ(strokes_of(parse_plt("PD;PA5,5;SP2;PA6,6;"), 1), "0 5 5;\n1 6 6;\n");
}

}  // namespace
}  // namespace lumetch
