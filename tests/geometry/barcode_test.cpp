#include "geometry/barcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "geometry/marker_capture.h"
#include "model/mark_object.h"

namespace lumetch {
namespace {

// A pattern written as published: nine letters, w wide, n narrow.
Code39Pattern pat(const char* s) {
  Code39Pattern p{};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = s[i] == 'w';
  return p;
}

TEST(Code39, PatternTable) {
  const std::string standard = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
  std::set<Code39Pattern> distinct{code39_pattern(':')};
  for (const char c : standard) {
    const Code39Pattern p = code39_pattern(static_cast<unsigned char>(c));
    EXPECT_EQ(std::count(p.begin(), p.end(), true), 3) << c;
    distinct.insert(p);
  }
  EXPECT_EQ(distinct.size(), standard.size() + 1);
  const std::pair<int, const char*> published[] = {
      {'0', "nnnwwnwnn"}, {'A', "wnnnnwnnw"},  {'*', "nwnnwnwnn"},  {'-', "nwnnnnwnw"},
      {'$', "nwnwnwnnn"}, {':', "wnnwnnnnn"},  {'?', "wnnwnnnnn"},  {0x00, "wnnwnnnnw"},
      {'@', "wnnwnnnnw"}, {0x7f, "wnnwnnnnw"}, {0x80, "wnnwnnnnw"}, {0xff, "wnnwnnnnw"}};
  for (const auto& [c, p] : published) {
    EXPECT_EQ(code39_pattern(static_cast<unsigned char>(c)), pat(p)) << c;
  }
  for (int c = 'a'; c <= 'z'; ++c) {
    EXPECT_EQ(code39_pattern(static_cast<unsigned char>(c)),
              code39_pattern(static_cast<unsigned char>(c - 'a' + 'A')));
  }
}

struct Span {
  int32_t x0 = 0;
  int32_t x1 = 0;
  auto operator<=>(const Span&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Span& s) {
  return os << '[' << s.x0 << ',' << s.x1 << ']';
}
using Spans = std::vector<Span>;

// A barcode 40 x 5 mm centred on the field: on the marker its left edge is
// X 1200 and it spans Y 2100 down to 1900.
constexpr int32_t kLeft = 1200, kTop = 2100, kBottom = 1900;

MarkObject barcode(std::string text, double n, int32_t display_type = 0) {
  MarkObject obj;
  obj.type = BARCODE;
  obj.width = 40;
  obj.height = 5;
  obj.params = BarcodeParams{.bar_width = n, .display_type = display_type, .text = text};
  return obj;
}

struct Rig : test::MarkerCapture {
  std::vector<test::Move> run(const MarkObject& obj) {
    clear();
    DrawBarcode(g, nullptr, obj);
    return moves();
  }
  // The rectangles traced in output mode 0, as X spans from the left edge;
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
  const std::pair<const char*, std::vector<const char*>> cases[] = {
      {"0", {kStar, "nnnwwnwnn", kStar}},
      {"A-", {kStar, "wnnnnwnnw", "nwnnnnwnw", kStar}},
      {"", {kStar, kStar}},  // start and stop only: ten bars
  };
  Rig r;
  for (const auto& [text, patterns] : cases) {
    EXPECT_EQ(r.rects(barcode(text, 0.25)), expected_bars(patterns)) << text;
  }
  EXPECT_EQ(r.rects(barcode("abc", 0.25)), r.rects(barcode("ABC", 0.25)));
  // The default text at its creation width: the first bar 5 n from the left edge.
  const double n = code39_bar_width(40, 10);
  EXPECT_DOUBLE_EQ(n, 40.0 / 194);
  const Spans bars = r.rects(barcode("1234567890", n));
  ASSERT_EQ(bars.size(), 60u);
  EXPECT_EQ(bars.front().x0, nearest_int((30 + 5 * n) * 40) - kLeft);
  EXPECT_EQ(bars.back().x1, nearest_int((70 - 5 * n) * 40) - kLeft);
  // At most kBarcodeTextMax bytes are encoded.
  EXPECT_EQ(r.rects(barcode(std::string(300, '1'), 0.01)).size(), 5 * (kBarcodeTextMax + 2));
}

TEST(DrawBarcode, NegativeMarksEverythingBetweenTheBars) {
  for (const std::string text : {"", "AB", "9%"}) {
    Rig r;
    Spans negative = r.rects(barcode(text, 0.25, 1));
    // Four spaces and a gap per character, and the two quiet zones.
    ASSERT_EQ(negative.size(), 5 * (text.size() + 2) + 2) << text;
    EXPECT_EQ(negative.front(), (Span{0, 50}));
    EXPECT_EQ(negative.back(), (Span{1550, 1600}));  // ends at the right edge
    negative.pop_back();
    // With the bars the rest tiles the symbol without holes or overlaps.
    Spans all = r.rects(barcode(text, 0.25, 0));
    all.insert(all.end(), negative.begin(), negative.end());
    std::sort(all.begin(), all.end());
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_EQ(all[i].x0, all[i - 1].x1) << text;
  }
}

TEST(DrawBarcode, FillHatchesEachBarAlongTheChosenDirection) {
  MarkObject obj = barcode("0", 0.25);
  obj.output_mode = 2;
  obj.fill_pitch = 0.5;
  const Spans bars = expected_bars({kStar, "nnnwwnwnn", kStar});
  Rig r;
  for (const int32_t direction : {0, 1}) {
    obj.fill_direction = direction;
    const std::vector<test::Move> mv = r.run(obj);
    ASSERT_FALSE(mv.empty());
    std::set<Span> crossed;  // horizontal: each line across a whole bar
    for (std::size_t i = 0; i + 1 < mv.size(); i += 2) {
      const test::Move a = mv[i], b = mv[i + 1];
      ASSERT_TRUE(!a.down && b.down) << i;
      if (direction == 0) {
        EXPECT_EQ(a.y, b.y);
        crossed.insert({std::min(a.x, b.x) - kLeft, std::max(a.x, b.x) - kLeft});
      } else {
        EXPECT_EQ(a.x, b.x);  // vertical: inside a bar, within the height
        EXPECT_TRUE(std::any_of(bars.begin(), bars.end(), [&](Span s) {
          return a.x - kLeft >= s.x0 && a.x - kLeft <= s.x1;
        }));
        EXPECT_TRUE(std::min(a.y, b.y) >= kBottom && std::max(a.y, b.y) <= kTop);
      }
    }
    if (direction == 0) {
      EXPECT_EQ(crossed, std::set<Span>(bars.begin(), bars.end()));
    }
  }
}

TEST(DrawBarcode, CopiesColumnByColumnWithTheHeaderSize) {
  MarkObject obj = barcode("", 0.25);
  obj.width = 10;
  obj.height = 3;
  obj.columns = obj.rows = 2;
  obj.column_gap = 2;
  obj.row_gap = 1;
  Rig r;
  const std::vector<test::Move> mv = r.run(obj);
  ASSERT_EQ(mv.size(), 4u * 10 * 5);
  // TW = 22, TH = 7: first bars 1.25 mm right of the left edges -11 and 1, tops 3.5 and -0.5.
  const test::Move firsts[] = {test::up(1610, 2140), test::up(1610, 1980), test::up(2090, 2140),
                               test::up(2090, 1980)};
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(mv[k * 50], firsts[k]) << k;
  EXPECT_EQ(mv[2], test::down(1620, 2020));  // 3 mm high
}

TEST(DrawBarcode, DegenerateInputDrawsNothing) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<MarkObject> objs;
  for (const double bad : {kNaN, kInf, -5.0, 0.0}) {
    objs.push_back(barcode("1", bad));
    objs.push_back(barcode("1", 0.25));
    objs.back().height = bad;
    objs.push_back(barcode("1", 0.25));
    objs.back().width = bad;
  }
  objs.push_back(barcode("1", 0.25));
  objs.back().cent_x = kInf;
  objs.push_back(barcode("1", 0.25));
  objs.back().params = std::monostate{};
  Rig r;
  for (std::size_t i = 0; i < objs.size(); ++i) EXPECT_TRUE(r.run(objs[i]).empty()) << i;
  r.g.pen = nullptr;  // marking without a pen emitter
  EXPECT_TRUE(r.run(barcode("1", 0.25)).empty());
}

}  // namespace
}  // namespace lumetch
