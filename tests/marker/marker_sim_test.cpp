#include "marker/marker_sim.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumetch {
namespace {

using Pt = MarkerSim::Point;

std::vector<std::vector<Pt>> strokes_of(const MarkerSim& sim) {
  std::vector<std::vector<Pt>> out;
  for (const auto& s : sim.strokes()) out.push_back(s.points);
  return out;
}

void feed(MarkerSim& sim, const std::vector<std::string>& commands) {
  for (const auto& c : commands) sim.receive(c);
}

TEST(MarkerSim, PenDownMovesFormStrokesUntilThePenGoesUp) {
  struct Case {
    const char* label;
    std::vector<std::string> commands;
    std::vector<std::vector<Pt>> strokes;
    Pt pen;
    bool down;
  };
  const std::vector<Case> cases = {
      {"two strokes",
       {"PU0,0;", "PD10,0;", "PD10,10;", "PU20,20;", "PD30,20;"},
       {{{0, 0}, {10, 0}, {10, 10}}, {{20, 20}, {30, 20}}},
       {30, 20},
       true},
      {"first stroke starts at the origin", {"PD5,-5;"}, {{{0, 0}, {5, -5}}}, {5, -5}, true},
      {"PU; lifts without moving",
       {"PU1,1;", "PD4,1;", "PU;", "PD4,5;"},
       {{{1, 1}, {4, 1}}, {{4, 1}, {4, 5}}},
       {4, 5},
       true},
      {"several commands in one text",
       {"IN;SP2;DA80;VS300;PU5,5;PD5,6;PD6,6;", "PU;"},
       {{{5, 5}, {5, 6}, {6, 6}}},
       {6, 6},
       false},
      {"header between moves ends nothing but IN",
       {"PU0,0;PD1,0;", "SP1;VS200;", "PD2,0;", "IN;", "PD3,0;"},
       {{{0, 0}, {1, 0}, {2, 0}}, {{2, 0}, {3, 0}}},
       {3, 0},
       true},
      {"lower case and blanks", {"pu 1, 2;pd 3 ,4 ;\r\n"}, {{{1, 2}, {3, 4}}}, {3, 4}, true},
      {"coordinate lists", {"PU0,0,7,7;PD7,8,8,8;"}, {{{7, 7}, {7, 8}, {8, 8}}}, {8, 8}, true},
      {"last command without its terminator", {"PU1,1;PD2,2"}, {{{1, 1}, {2, 2}}}, {2, 2}, true},
      {"int32 extremes",
       {"PU-2147483648,2147483647;PD2147483647,-2147483648;"},
       {{{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}}},
       {INT32_MAX, INT32_MIN},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    MarkerSim sim;
    feed(sim, c.commands);
    EXPECT_EQ(strokes_of(sim), c.strokes);
    EXPECT_EQ(sim.pen(), c.pen);
    EXPECT_EQ(sim.pen_down(), c.down);
    EXPECT_EQ(sim.unknown_commands(), 0u);
    EXPECT_EQ(sim.commands(), c.commands);  // kept exactly as received
  }
}

TEST(MarkerSim, MarkedMovesAndLength) {
  MarkerSim sim;
  feed(sim, {"PU0,0;", "PD3,4;", "PD3,4;", "PU100,100;", "PU0,0;", "PD0,-10;"});
  EXPECT_EQ(sim.marked_moves(), 3u);
  EXPECT_DOUBLE_EQ(sim.marked_length(), 15.0);

  // Lengths across the whole int32 range do not overflow.
  sim.clear();
  sim.receive("PU-2147483648,0;PD2147483647,0;");
  EXPECT_DOUBLE_EQ(sim.marked_length(), 4294967295.0);
}

TEST(MarkerSim, EllipseAboutThePenPosition) {
  MarkerSim sim;
  feed(sim, {"PU50,20;", "CE50,20,360;", "PU-3,4;", "ce7,0;"});
  ASSERT_EQ(sim.ellipses().size(), 2u);
  EXPECT_EQ(sim.ellipses()[0].centre, (Pt{50, 20}));
  EXPECT_EQ(sim.ellipses()[0].rx, 50);
  EXPECT_EQ(sim.ellipses()[0].ry, 20);
  EXPECT_EQ(sim.ellipses()[1].centre, (Pt{-3, 4}));
  EXPECT_EQ(sim.ellipses()[1].rx, 7);
  EXPECT_EQ(sim.pen(), (Pt{-3, 4}));
  EXPECT_TRUE(sim.strokes().empty());
  EXPECT_EQ(sim.marked_moves(), 0u);
}

TEST(MarkerSim, RecognisedControlCommands) {
  for (const char* text : {"IN;", "SP0;", "SP1;", "sp1;", "SP2;", "SP;", "DA80;", "VS300;", "Zt;",
                           "Zt;Zz;", "ZZ;", ";;", ""}) {
    SCOPED_TRACE(text);
    MarkerSim sim;
    sim.receive("PU9,9;");
    sim.receive(text);
    EXPECT_EQ(sim.unknown_commands(), 0u);
    EXPECT_EQ(sim.pen(), (Pt{9, 9}));
    EXPECT_TRUE(sim.strokes().empty());
  }
}

TEST(MarkerSim, UnknownAndMalformedCommandsAreCountedNotObeyed) {
  for (const char* text : {"XY;",
                           "P;",
                           "PD1;",
                           "PD1,2,3;",
                           "PDa,b;",
                           "PD1.5,2;",
                           "PD1,,2;",
                           "PD1,2,;",
                           "PD--1,2;",
                           "PD2147483648,0;",
                           "PD99999999999999999999,0;",
                           "CE5;",
                           "CE-1,2,360;",
                           "CE1,2,180;",
                           "CE1,2,360,4;",
                           "DA;",
                           "VSx;",
                           "DA1,2;",
                           "IN5;",
                           "Zq;",
                           "SPx;"}) {
    SCOPED_TRACE(text);
    MarkerSim sim;
    sim.receive("PU9,9;");
    sim.receive(text);
    EXPECT_EQ(sim.unknown_commands(), 1u);
    EXPECT_EQ(sim.pen(), (Pt{9, 9}));
    EXPECT_TRUE(sim.strokes().empty());
    EXPECT_TRUE(sim.ellipses().empty());
    EXPECT_EQ(sim.commands().back(), text);
  }
  // A bad command in the middle of a text spoils only itself.
  MarkerSim sim;
  sim.receive("PU0,0;QQ;PD1,0;");
  EXPECT_EQ(sim.unknown_commands(), 1u);
  EXPECT_EQ(sim.marked_moves(), 1u);
}

// Checks that every tag is closed in order and attribute quotes pair up.
bool well_formed(const std::string& xml) {
  std::vector<std::string> open;
  std::size_t i = 0;
  while ((i = xml.find('<', i)) != std::string::npos) {
    const std::size_t end = xml.find('>', i);
    if (end == std::string::npos) return false;
    const std::string tag = xml.substr(i + 1, end - i - 1);
    if (std::count(tag.begin(), tag.end(), '"') % 2 != 0) return false;
    if (tag.starts_with("/")) {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
    } else if (!tag.ends_with("/")) {
      open.push_back(tag.substr(0, tag.find(' ')));
    }
    i = end + 1;
  }
  return open.empty();
}

std::string attribute(const std::string& xml, const std::string& element, const std::string& name) {
  const auto at = xml.find("<" + element + " ");
  if (at == std::string::npos) return {};
  const auto key = xml.find(" " + name + "=\"", at);
  if (key == std::string::npos) return {};
  const auto start = key + name.size() + 3;
  return xml.substr(start, xml.find('"', start) - start);
}

std::vector<double> numbers(const std::string& text) {
  std::vector<double> out;
  std::string s = text;
  std::replace(s.begin(), s.end(), ',', ' ');
  std::istringstream in(s);
  for (double v; in >> v;) out.push_back(v);
  return out;
}

TEST(MarkerSim, SvgFlipsYAndKeepsTheField) {
  MarkerSim sim;
  feed(sim, {"PU10,10;", "PD40,10;", "PD40,30;", "PU50,25;", "CE5,3,360;"});
  std::ostringstream out;
  sim.write_svg(out, 100, 50);
  const std::string svg = out.str();
  ASSERT_TRUE(svg.starts_with("<svg ")) << svg;
  EXPECT_TRUE(well_formed(svg)) << svg;

  const auto box = numbers(attribute(svg, "svg", "viewBox"));
  ASSERT_EQ(box.size(), 4u);
  const auto rect =
      numbers(attribute(svg, "rect", "x") + " " + attribute(svg, "rect", "y") + " " +
              attribute(svg, "rect", "width") + " " + attribute(svg, "rect", "height"));
  ASSERT_EQ(rect.size(), 4u);
  EXPECT_EQ(rect[0], 0);
  EXPECT_EQ(rect[2], 100);
  EXPECT_EQ(rect[3], 50);
  const double field_bottom = rect[1] + rect[3];  // SVG y of marker y = 0

  const auto pts = numbers(attribute(svg, "polyline", "points"));
  const std::vector<double> expected = {10, field_bottom - 10, 40, field_bottom - 10,
                                        40, field_bottom - 30};
  EXPECT_EQ(pts, expected);
  EXPECT_EQ(numbers(attribute(svg, "ellipse", "cx") + " " + attribute(svg, "ellipse", "cy") + " " +
                    attribute(svg, "ellipse", "rx") + " " + attribute(svg, "ellipse", "ry")),
            (std::vector<double>{50, field_bottom - 25, 5, 3}));

  // Everything lies inside the view box, and lines are thin but visible.
  EXPECT_LE(box[0], 0);
  EXPECT_LE(box[1], rect[1]);
  EXPECT_GE(box[0] + box[2], 100);
  EXPECT_GE(box[1] + box[3], field_bottom);
  const double width = numbers(attribute(svg, "g", "stroke-width")).at(0);
  EXPECT_GT(width, 0.0);
  EXPECT_LT(width, 2.0);
}

TEST(MarkerSim, SvgOfNothingIsStillAPicture) {
  for (int32_t field : {0, 4000}) {
    SCOPED_TRACE(field);
    MarkerSim sim;
    sim.receive("IN;SP1;VS300;PU10,10;");
    std::ostringstream out;
    sim.write_svg(out, field, field);
    const std::string svg = out.str();
    EXPECT_TRUE(svg.starts_with("<svg ")) << svg;
    EXPECT_TRUE(well_formed(svg)) << svg;
    EXPECT_EQ(svg.find("<polyline"), std::string::npos);
    EXPECT_EQ(svg.find("<ellipse"), std::string::npos);
    EXPECT_EQ(svg.find("<rect") != std::string::npos, field > 0);
    const auto box = numbers(attribute(svg, "svg", "viewBox"));
    ASSERT_EQ(box.size(), 4u);
    EXPECT_GT(box[2], 0);
    EXPECT_GT(box[3], 0);
  }
}

}  // namespace
}  // namespace lumetch
