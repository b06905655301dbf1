#include "geometry/barcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/marker_capture.h"
#include "model/mark_object.h"

namespace lumetch {
namespace {

// A pattern as published: nine letters, w wide, n narrow.
Code39Pattern pat(const char* s) {
  Code39Pattern p{};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = s[i] == 'w';
  return p;
}

TEST(Code39, PatternTable) {
  // Two wide bars and one wide space each, three wide spaces for $ / + %; no
  // two alike.
  const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. *$/+%";
  std::set<Code39Pattern> distinct;
  for (std::size_t k = 0; k < all.size(); ++k) {
    const Code39Pattern p = code39_pattern(static_cast<unsigned char>(all[k]));
    const int bars = p[0] + p[2] + p[4] + p[6] + p[8], spaces = p[1] + p[3] + p[5] + p[7];
    EXPECT_EQ(std::pair(bars, spaces), k < 40 ? std::pair(2, 1) : std::pair(0, 3)) << all[k];
    distinct.insert(p);
  }
  EXPECT_EQ(distinct.size(), all.size());
  // ":" to "?" share a pattern; other bytes are taken as "1".
  for (const auto& [c, p] : {std::pair<unsigned char, const char*>{':', "wnnwnnnnn"},
                             {'?', "wnnwnnnnn"},
                             {'@', "wnnwnnnnw"},
                             {0xff, "wnnwnnnnw"}}) {
    EXPECT_EQ(code39_pattern(c), pat(p)) << c;
  }
  for (unsigned char c = 'a'; c <= 'z'; ++c) {
    EXPECT_EQ(code39_pattern(c), code39_pattern(static_cast<unsigned char>(c - 'a' + 'A')));
  }
}

using Span = std::pair<int32_t, int32_t>;
using Spans = std::vector<Span>;

// A barcode 40 x 5 mm centred on the field: on the marker its left edge is
// X 1200 and it spans Y 2100 down to 1900.
constexpr int32_t kLeft = 1200, kTop = 2100, kBottom = 1900;

MarkObject barcode(std::string text, double n, int32_t display_type = 0) {
  MarkObject o;
  o.width = 40;
  o.height = 5;
  o.type = BARCODE;
  o.params = BarcodeParams{.bar_width = n, .display_type = display_type, .text = text};
  return o;
}

struct Rig : test::MarkerCapture {
  std::vector<test::Move> run(const MarkObject& obj) {
    clear();
    DrawBarcode(g, nullptr, obj);
    return moves();
  }
  // The rectangles traced in output mode 0 as X spans from the left edge;
  // each must be closed, clockwise and the full height.
  Spans rects(const MarkObject& obj) {
    const std::vector<test::Move> mv = run(obj);
    EXPECT_EQ(mv.size() % 5, 0u);
    Spans out;
    for (auto it = mv.begin(); mv.end() - it >= 5; it += 5) {
      const int32_t x0 = it[0].x, x1 = it[1].x;
      EXPECT_EQ(std::vector(it, it + 5),
                (std::vector{test::up(x0, kTop), test::down(x1, kTop), test::down(x1, kBottom),
                             test::down(x0, kBottom), test::down(x0, kTop)}));
      out.push_back({x0 - kLeft, x1 - kLeft});
    }
    return out;
  }
};

// The bars of published patterns at 10 units per narrow element: narrow 10,
// wide 25, 20 between characters, after a quiet zone of 50.
Spans expected_bars(std::vector<const char*> patterns) {
  Spans out;
  int32_t x = 50;
  for (const char* p : patterns) {
    for (int i = 0; i < 9; ++i) {
      const int32_t end = x + (p[i] == 'w' ? 25 : 10);
      if (i % 2 == 0) out.push_back({x, end});
      x = end;
    }
    x += 20;
  }
  return out;
}

const char* const kStar = "nwnnwnwnn";

TEST(DrawBarcode, BarsOfPublishedPatterns) {
  Rig r;
  EXPECT_EQ(r.rects(barcode("A-", 0.25)), expected_bars({kStar, "wnnnnwnnw", "nwnnnnwnw", kStar}));
  EXPECT_EQ(r.rects(barcode("", 0.25)), expected_bars({kStar, kStar}));  // ten bars
  EXPECT_EQ(r.rects(barcode("abc", 0.25)), r.rects(barcode("ABC", 0.25)));
  // The default text at its creation width: the bars end 5 n from either edge.
  const double n = code39_bar_width(40, 10);
  EXPECT_DOUBLE_EQ(n, 40.0 / 194);
  const Spans bars = r.rects(barcode("1234567890", n));
  ASSERT_EQ(bars.size(), 60u);
  EXPECT_EQ(bars.front().first, nearest_int((30 + 5 * n) * 40) - kLeft);
  EXPECT_EQ(bars.back().second, nearest_int((70 - 5 * n) * 40) - kLeft);
  EXPECT_EQ(r.rects(barcode(std::string(300, '1'), 0.01)).size(), 5 * (kBarcodeTextMax + 2));
}

TEST(DrawBarcode, NegativeMarksEverythingBetweenTheBars) {
  for (const std::string text : {"", "AB", "9%"}) {
    Rig r;
    Spans negative = r.rects(barcode(text, 0.25, 1));
    // Four spaces and a gap per character, and the two quiet zones.
    ASSERT_EQ(negative.size(), 5 * (text.size() + 2) + 2) << text;
    EXPECT_EQ(negative.front(), Span(0, 50));
    EXPECT_EQ(negative.back(), Span(1550, 1600));  // ends at the right edge
    negative.pop_back();
    // With the bars the rest tiles the symbol without holes or overlaps.
    Spans all = r.rects(barcode(text, 0.25, 0));
    all.insert(all.end(), negative.begin(), negative.end());
    std::sort(all.begin(), all.end());
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_EQ(all[i].first, all[i - 1].second) << text;
  }
}

TEST(DrawBarcode, FillHatchesTheBarsAlongTheChosenDirection) {
  MarkObject obj = barcode("0", 0.25);
  std::tie(obj.output_mode, obj.fill_pitch) = std::tuple(2, 0.5);
  const Spans bars = expected_bars({kStar, "nnnwwnwnn", kStar});
  Rig r;
  for (const int32_t direction : {0, 1}) {
    obj.fill_direction = direction;
    const std::vector<test::Move> mv = r.run(obj);
    ASSERT_FALSE(mv.empty());
    std::set<Span> crossed;  // x spans of the hatch lines
    for (std::size_t i = 0; i + 1 < mv.size(); i += 2) {
      const test::Move a = mv[i], b = mv[i + 1];
      ASSERT_TRUE(!a.down && b.down && (direction == 0 ? a.y == b.y : a.x == b.x)) << i;
      crossed.insert(std::minmax({a.x - kLeft, b.x - kLeft}));
    }
    // Horizontal lines cross whole bars; vertical ones stay inside them.
    if (direction == 0) {
      EXPECT_EQ(crossed, std::set<Span>(bars.begin(), bars.end()));
    }
  }
}

TEST(DrawBarcode, CopiesColumnByColumnWithTheHeaderSize) {
  MarkObject obj = barcode("", 0.25);
  std::tie(obj.width, obj.height, obj.columns, obj.rows, obj.column_gap, obj.row_gap) =
      std::tuple(10, 3, 2, 2, 2, 1);
  Rig r;
  const std::vector<test::Move> mv = r.run(obj);
  ASSERT_EQ(mv.size(), 4u * 10 * 5);
  // TW = 22, TH = 7: first bars 1.25 mm right of the left edges -11 and 1, tops 3.5 and -0.5.
  EXPECT_EQ(mv[0], test::up(1610, 2140));
  EXPECT_EQ(mv[50], test::up(1610, 1980));
  EXPECT_EQ(mv[100], test::up(2090, 2140));
  EXPECT_EQ(mv[2], test::down(1620, 2020));  // 3 mm high
}

TEST(DrawBarcode, DegenerateInputDrawsNothing) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  Rig r;
  for (const double bad : {kNaN, kInf, -5.0, 0.0}) {
    MarkObject objs[] = {barcode("1", bad), barcode("1", 0.25), barcode("1", 0.25)};
    objs[1].height = objs[2].width = bad;
    for (const MarkObject& obj : objs) EXPECT_TRUE(r.run(obj).empty()) << bad;
  }
  MarkObject obj = barcode("1", 0.25);
  obj.cent_x = kInf;
  EXPECT_TRUE(r.run(obj).empty());
  obj.params = std::monostate{};
  EXPECT_TRUE(r.run(obj).empty());
  r.g.pen = nullptr;  // marking without a pen emitter
  EXPECT_TRUE(r.run(barcode("1", 0.25)).empty());
}

}  // namespace
}  // namespace lumetch
