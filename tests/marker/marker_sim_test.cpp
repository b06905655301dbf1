#include "marker/marker_sim.h"

#include <cmath>
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

TEST(MarkerSim, EllipseAboutThePenPositionEndsTheStroke) {
  const MarkerSim sim = fed({"PU50,20;", "CE5,2;", "PD60,20;", "ce7,0,360;", "PD70,20;"});
  std::vector<int> ellipses;
  for (const auto& e : sim.ellipses()) {
    ellipses.insert(ellipses.end(), {e.centre.x, e.centre.y, e.rx, e.ry});
  }
  EXPECT_EQ(ellipses, std::vector<int>({50, 20, 5, 2, 60, 20, 7, 0}));
  ASSERT_EQ(sim.strokes().size(), 2u);
  EXPECT_EQ(sim.strokes()[1].points, (std::vector<Pt>{{60, 20}, {70, 20}}));
}

TEST(MarkerSim, ControlCommandsAreKnownAndMalformedOnesCountedNotObeyed) {
  const auto known = {"IN;", "sp1;", "SP;", "DA80;", "VS300;", "Zt;Zz;", ";;"};
  const auto bad = {"XY;",  "P;",          "PD1;",       "PD1.5,2;",       "PD1,,2;", "PD--1,2;",
                    "CE5;", "CE-1,2,360;", "CE1,2,180;", "CE1,2,360,4;",   "DA;",     "DA1,2;",
                    "IN5;", "Zq;",         "SPx;",       "PD2147483648,0;"};
  for (const auto& [texts, unknown] : {std::pair{known, 0u}, std::pair{bad, 1u}}) {
    for (const char* text : texts) {
      SCOPED_TRACE(text);
      const MarkerSim sim = fed({"PU9,9;", text});
      EXPECT_EQ(sim.unknown_commands(), unknown);
      EXPECT_EQ(sim.pen(), (Pt{9, 9}));
      EXPECT_TRUE(sim.strokes().empty() && sim.ellipses().empty());
    }
  }
  // A bad command in the middle of a text spoils only itself.
  const MarkerSim sim = fed({"PU0,0;QQ;PD1,0;"});
  EXPECT_EQ(sim.unknown_commands(), 1u);
  EXPECT_EQ(sim.marked_moves(), 1u);
}

std::string svg_of(const MarkerSim& sim, int32_t width, int32_t height) {
  std::ostringstream out;
  sim.write_svg(out, width, height);
  return out.str();
}

TEST(MarkerSim, SvgFlipsYAndShowsTheField) {
  EXPECT_EQ(svg_of(fed({"PU10,10;", "PD40,10;", "PD40,48;", "PU50,20;", "CE5,3,360;"}), 100, 40),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"500\" "
            "viewBox=\"-2 0 104 52\">\n"
            "<rect x=\"0\" y=\"10\" width=\"100\" height=\"40\" fill=\"none\" stroke=\"#999999\" "
            "stroke-width=\"0.25\"/>\n"
            "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"0.25\" stroke-linecap=\"round\" "
            "stroke-linejoin=\"round\">\n"
            "<polyline points=\"10,40 40,40 40,2\"/>\n"
            "<ellipse cx=\"50\" cy=\"30\" rx=\"5\" ry=\"3\"/>\n"
            "</g>\n</svg>\n");
  // Without a field the box is the drawing's alone.
  const std::string svg = svg_of(fed({"PU30,50;PD10,10;"}), 0, 0);
  EXPECT_EQ(svg.find("<rect"), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"9 0 22 42\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("points=\"30,1 10,41\""), std::string::npos) << svg;
}

}  // namespace
}  // namespace lumetch
