#include "marker/marker_sim.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumetch {
namespace {

using Pt = MarkerSim::Point;

MarkerSim fed(const std::vector<std::string>& commands) {
  MarkerSim sim;
  for (const auto& c : commands) sim.receive(c);
  return sim;
}

TEST(MarkerSim, PenDownMovesFormStrokesUntilThePenGoesUp) {
  const struct {
    const char* label;
    std::vector<std::string> commands;
    std::vector<std::vector<Pt>> strokes;
  } cases[] = {
      {"first stroke starts at the origin; PU ends a stroke",
       {"PD10,0;", "PD10,10;", "PU20,20;", "PD30,20;"},
       {{{0, 0}, {10, 0}, {10, 10}}, {{20, 20}, {30, 20}}}},
      {"PU; lifts without moving",
       {"PU1,1;", "PD4,1;", "PU;", "PD4,5;"},
       {{{1, 1}, {4, 1}}, {{4, 1}, {4, 5}}}},
      {"header commands split nothing, IN does",
       {"PU0,0;PD1,0;SP1;VS200;", "DA80;PD2,0;", "IN;", "PD3,0;"},
       {{{0, 0}, {1, 0}, {2, 0}}, {{2, 0}, {3, 0}}}},
      {"lower case, blanks, lists, no last terminator",
       {"pu 1, 2,7,7;pd 7 ,8 ,8,8;\r\n", "PD9,9"},
       {{{7, 7}, {7, 8}, {8, 8}, {9, 9}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const MarkerSim sim = fed(c.commands);
    std::vector<std::vector<Pt>> strokes;
    for (const auto& s : sim.strokes()) strokes.push_back(s.points);
    EXPECT_EQ(strokes, c.strokes);
    EXPECT_EQ(sim.pen(), c.strokes.back().back());
    EXPECT_EQ(sim.unknown_commands(), 0u);
    EXPECT_EQ(sim.commands(), c.commands);  // kept exactly as received
  }
}

TEST(MarkerSim, MarkedMovesAndLength) {
  MarkerSim sim = fed({"PU0,0;", "PD3,4;", "PD3,4;", "PU100,100;", "PU0,0;", "PD0,-10;"});
  EXPECT_EQ(sim.marked_moves(), 3u);
  EXPECT_DOUBLE_EQ(sim.marked_length(), 15.0);
  // Coordinates and lengths across the whole int32 range do not overflow.
  sim.clear();
  sim.receive("PU-2147483648,2147483647;PD2147483647,-2147483648;");
  EXPECT_EQ(sim.strokes().at(0).points,
            (std::vector<Pt>{{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}}));
  EXPECT_DOUBLE_EQ(sim.marked_length(), 4294967295.0 * std::sqrt(2.0));
}

TEST(MarkerSim, EllipseAboutThePenPosition) {
  const MarkerSim sim = fed({"PU50,20;", "CE50,20,360;", "PU-3,4;", "ce7,0;"});
  ASSERT_EQ(sim.ellipses().size(), 2u);
  const auto& e = sim.ellipses();
  EXPECT_EQ(std::vector<int>({e[0].centre.x, e[0].centre.y, e[0].rx, e[0].ry, e[1].centre.x,
                              e[1].centre.y, e[1].rx, e[1].ry}),
            std::vector<int>({50, 20, 50, 20, -3, 4, 7, 0}));
  EXPECT_TRUE(sim.strokes().empty());
}

TEST(MarkerSim, ControlCommandsAreKnownAndMalformedOnesCountedNotObeyed) {
  const auto known = {"IN;", "SP0;", "sp1;", "SP;", "DA80;", "VS300;", "Zt;Zz;", "ZZ;", ";;", ""};
  const auto bad = {"XY;",          "P;",       "PD1;",           "PD1.5,2;",    "PD1,,2;",
                    "PD1,2,;",      "PD--1,2;", "CE5;",           "CE-1,2,360;", "CE1,2,180;",
                    "CE1,2,360,4;", "DA;",      "VSx;",           "DA1,2;",      "IN5;",
                    "Zq;",          "SPx;",     "PD2147483648,0;"};
  for (const auto& [texts, unknown] : {std::pair{known, 0u}, std::pair{bad, 1u}}) {
    for (const char* text : texts) {
      SCOPED_TRACE(text);
      const MarkerSim sim = fed({"PU9,9;", text});
      EXPECT_EQ(sim.unknown_commands(), unknown);
      EXPECT_EQ(sim.pen(), (Pt{9, 9}));
      EXPECT_TRUE(sim.strokes().empty());
      EXPECT_TRUE(sim.ellipses().empty());
    }
  }
  // A bad command in the middle of a text spoils only itself.
  const MarkerSim sim = fed({"PU0,0;QQ;PD1,0;"});
  EXPECT_EQ(sim.unknown_commands(), 1u);
  EXPECT_EQ(sim.marked_moves(), 1u);
}

// A standalone SVG: every tag closed in order, attribute quotes paired.
bool well_formed(const std::string& svg) {
  std::vector<std::string> open;
  for (std::size_t i = 0; (i = svg.find('<', i)) != std::string::npos;) {
    const std::size_t end = svg.find('>', i);
    if (end == std::string::npos) return false;
    const std::string tag = svg.substr(i + 1, end - i - 1);
    if (std::count(tag.begin(), tag.end(), '"') % 2 != 0) return false;
    if (tag.starts_with("/")) {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
    } else if (!tag.ends_with("/")) {
      open.push_back(tag.substr(0, tag.find(' ')));
    }
    i = end;
  }
  return svg.starts_with("<svg ") && open.empty();
}

// The numbers in the named attributes of the first `element`, in order.
std::vector<double> numbers(const std::string& svg, const std::string& element,
                            std::initializer_list<std::string> names) {
  const std::string tag = svg.substr(svg.find("<" + element + " "));
  std::vector<double> out;
  for (const auto& name : names) {
    std::smatch m;
    if (!std::regex_search(tag, m, std::regex(" " + name + "=\"([^\"]*)\""))) return {};
    std::istringstream in(std::regex_replace(m.str(1), std::regex(","), " "));
    for (double v; in >> v;) out.push_back(v);
  }
  return out;
}

std::string svg_of(const MarkerSim& sim, int32_t width, int32_t height) {
  std::ostringstream out;
  sim.write_svg(out, width, height);
  return out.str();
}

TEST(MarkerSim, SvgFlipsYAndKeepsTheField) {
  const std::string svg =
      svg_of(fed({"PU10,10;", "PD40,10;", "PD40,30;", "PU50,25;", "CE5,3,360;"}), 100, 50);
  ASSERT_TRUE(well_formed(svg)) << svg;
  const auto rect = numbers(svg, "rect", {"x", "y", "width", "height"});
  ASSERT_EQ(rect.size(), 4u);
  EXPECT_EQ(std::vector<double>({rect[0], rect[2], rect[3]}), std::vector<double>({0, 100, 50}));
  const double bottom = rect[1] + rect[3];  // SVG y of marker y = 0
  EXPECT_EQ(numbers(svg, "polyline", {"points"}),
            std::vector<double>({10, bottom - 10, 40, bottom - 10, 40, bottom - 30}));
  EXPECT_EQ(numbers(svg, "ellipse", {"cx", "cy", "rx", "ry"}),
            std::vector<double>({50, bottom - 25, 5, 3}));

  // Everything lies inside the view box, and lines are thin but visible.
  const auto box = numbers(svg, "svg", {"viewBox"});
  ASSERT_EQ(box.size(), 4u);
  EXPECT_TRUE(box[0] <= 0 && box[1] <= rect[1] && box[0] + box[2] >= 100 &&
              box[1] + box[3] >= bottom)
      << svg;
  const double width = numbers(svg, "g", {"stroke-width"}).at(0);
  EXPECT_TRUE(width > 0.0 && width < 2.0) << width;

  // Nothing marked, with or without a field: still a picture of some size.
  for (int32_t field : {0, 4000}) {
    const std::string empty = svg_of(fed({"IN;SP1;PU10,10;"}), field, field);
    EXPECT_TRUE(well_formed(empty) && empty.find("<polyline") == std::string::npos) << empty;
    EXPECT_EQ(empty.find("<rect") != std::string::npos, field > 0);
    const auto empty_box = numbers(empty, "svg", {"viewBox"});
    EXPECT_TRUE(empty_box.size() == 4 && empty_box[2] > 0 && empty_box[3] > 0) << empty;
  }
}

}  // namespace
}  // namespace lumetch
