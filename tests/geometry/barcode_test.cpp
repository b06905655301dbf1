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

const std::string kStandard = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";

TEST(Code39, PatternTable) {
  std::set<Code39Pattern> distinct;
  for (const char c : kStandard) {
    const Code39Pattern p = code39_pattern(static_cast<unsigned char>(c));
    EXPECT_EQ(std::count(p.begin(), p.end(), true), 3) << c;
    distinct.insert(p);
  }
  distinct.insert(code39_pattern(':'));
  EXPECT_EQ(distinct.size(), kStandard.size() + 1);  // 44 characters and the ":" group

  EXPECT_EQ(code39_pattern('0'), pat("nnnwwnwnn"));
  EXPECT_EQ(code39_pattern('A'), pat("wnnnnwnnw"));
  EXPECT_EQ(code39_pattern('*'), pat("nwnnwnwnn"));
  EXPECT_EQ(code39_pattern('-'), pat("nwnnnnwnw"));
  EXPECT_EQ(code39_pattern('$'), pat("nwnwnwnnn"));
  for (char c = 'a'; c <= 'z'; ++c) {
    EXPECT_EQ(code39_pattern(static_cast<unsigned char>(c)),
              code39_pattern(static_cast<unsigned char>(c - 'a' + 'A')))
        << c;
  }
  for (const char c : std::string(":;<=>?")) {
    EXPECT_EQ(code39_pattern(static_cast<unsigned char>(c)), pat("wnnwnnnnn")) << c;
  }
  for (const int c : {0x00, 0x21, 0x40, 0x5b, 0x5f, 0x7b, 0x7f, 0x80, 0xa1, 0xff}) {
    EXPECT_EQ(code39_pattern(static_cast<unsigned char>(c)), pat("wnnwnnnnw")) << c;
  }
}

struct Span {
  int32_t x0 = 0;
  int32_t x1 = 0;
  bool operator==(const Span&) const = default;
  bool operator<(const Span& o) const { return x0 < o.x0 || (x0 == o.x0 && x1 < o.x1); }
};
std::ostream& operator<<(std::ostream& os, const Span& s) {
  return os << '[' << s.x0 << ',' << s.x1 << ']';
}
using Spans = std::vector<Span>;

// A barcode of width 40 mm and height 5 mm centred on the field: on the
// marker its left edge is X 1200, its top Y 2100 and its bottom Y 1900.
constexpr int32_t kLeft = 1200;
constexpr int32_t kTop = 2100;
constexpr int32_t kBottom = 1900;

MarkObject barcode(std::string text, double n, int32_t display_type = 0) {
  MarkObject obj;
  obj.type = BARCODE;
  obj.width = 40;
  obj.height = 5;
  BarcodeParams p;
  p.text = std::move(text);
  p.bar_width = n;
  p.display_type = display_type;
  obj.params = p;
  return obj;
}

struct Rig : test::MarkerCapture {
  std::vector<test::Move> run(const MarkObject& obj) {
    clear();
    DrawBarcode(g, nullptr, obj);
    return moves();
  }
  // The rectangles traced (output mode 0), as X spans from the left edge.
  // Each must be a clockwise box over the whole height, closed.
  Spans rects(const MarkObject& obj) {
    const std::vector<test::Move> mv = run(obj);
    EXPECT_EQ(mv.size() % 5, 0u);
    Spans out;
    for (std::size_t i = 0; i + 4 < mv.size(); i += 5) {
      const int32_t x0 = mv[i].x;
      const int32_t x1 = mv[i + 1].x;
      EXPECT_EQ((std::vector<test::Move>(mv.begin() + static_cast<std::ptrdiff_t>(i),
                                         mv.begin() + static_cast<std::ptrdiff_t>(i + 5))),
                (std::vector<test::Move>{test::up(x0, kTop), test::down(x1, kTop),
                                         test::down(x1, kBottom), test::down(x0, kBottom),
                                         test::down(x0, kTop)}));
      out.push_back({x0 - kLeft, x1 - kLeft});
    }
    return out;
  }
};

// The bars of published patterns at 10 units per narrow element: narrow 10,
// wide 25, 20 between characters, starting after a quiet zone of 50.
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

TEST(DrawBarcode, BarsOfPublishedPatterns) {
  const char* star = "nwnnwnwnn";
  struct Case {
    const char* text;
    std::vector<const char*> patterns;
  };
  const Case cases[] = {
      {"0", {star, "nnnwwnwnn", star}},
      {"A-", {star, "wnnnnwnnw", "nwnnnnwnw", star}},
      {"z.", {star, "nwwnwnnnn", "wwnnnnwnn", star}},
      {"", {star, star}},  // start and stop only: ten bars
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Rig r;
    EXPECT_EQ(r.rects(barcode(c.text, 0.25)), expected_bars(c.patterns));
  }
  Rig r;
  EXPECT_EQ(r.rects(barcode("abc", 0.25)), r.rects(barcode("ABC", 0.25)));
}

TEST(DrawBarcode, DefaultTextStartsFiveNarrowFromTheLeftEdge) {
  const double n = code39_bar_width(40, 10);
  EXPECT_DOUBLE_EQ(n, 40.0 / 194);
  Rig r;
  const Spans bars = r.rects(barcode("1234567890", n));
  ASSERT_EQ(bars.size(), 60u);
  EXPECT_EQ(bars.front().x0, nearest_int((30 + 5 * n) * 40) - kLeft);
  // The stop character's last bar ends where the closing quiet zone begins.
  EXPECT_EQ(bars.back().x1, nearest_int((70 - 5 * n) * 40) - kLeft);
}

TEST(DrawBarcode, NegativeMarksEverythingBetweenTheBars) {
  const char* texts[] = {"", "AB", "9%"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    Rig r;
    Spans negative = r.rects(barcode(text, 0.25, 1));
    // Four spaces and one gap per character, and the two quiet zones.
    ASSERT_EQ(negative.size(), 5 * (std::string(text).size() + 2) + 2);
    EXPECT_EQ(negative.front(), (Span{0, 50}));
    EXPECT_EQ(negative.back(), (Span{1600 - 50, 1600}));  // ends at the copy's right edge
    negative.pop_back();
    // With the bars the rest tiles the symbol from its left edge, no gaps, no overlaps.
    Spans all = r.rects(barcode(text, 0.25, 0));
    all.insert(all.end(), negative.begin(), negative.end());
    std::sort(all.begin(), all.end());
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_EQ(all[i].x0, all[i - 1].x1) << i;
  }
}

TEST(DrawBarcode, FillHatchesEachBarAlongTheChosenDirection) {
  MarkObject obj = barcode("0", 0.25);
  obj.output_mode = 2;
  obj.fill_pitch = 0.5;
  Rig r;
  const Spans bars = expected_bars({"nwnnwnwnn", "nnnwwnwnn", "nwnnwnwnn"});
  for (const int32_t direction : {0, 1}) {
    SCOPED_TRACE(direction);
    obj.fill_direction = direction;
    const std::vector<test::Move> mv = r.run(obj);
    ASSERT_FALSE(mv.empty());
    std::set<Span> hit;
    for (std::size_t i = 0; i < mv.size(); i += 2) {
      ASSERT_TRUE(i + 1 < mv.size() && !mv[i].down && mv[i + 1].down);
      const test::Move a = mv[i];
      const test::Move b = mv[i + 1];
      if (direction == 0) {
        // Across a whole bar at one height.
        EXPECT_EQ(a.y, b.y);
        const Span s{std::min(a.x, b.x) - kLeft, std::max(a.x, b.x) - kLeft};
        EXPECT_TRUE(std::find(bars.begin(), bars.end(), s) != bars.end()) << s;
        hit.insert(s);
      } else {
        // Along the height, inside one bar.
        EXPECT_EQ(a.x, b.x);
        EXPECT_TRUE(std::any_of(bars.begin(), bars.end(), [&](const Span& s) {
          return a.x - kLeft >= s.x0 && a.x - kLeft <= s.x1;
        }));
        EXPECT_GE(std::min(a.y, b.y), kBottom);
        EXPECT_LE(std::max(a.y, b.y), kTop);
        EXPECT_NE(a.y, b.y);
      }
    }
    if (direction == 0) {
      EXPECT_EQ(hit.size(), bars.size());
    }
  }
}

TEST(DrawBarcode, CopiesColumnByColumnWithTheHeaderSize) {
  MarkObject obj = barcode("", 0.25);
  obj.width = 10;
  obj.height = 3;
  obj.columns = 2;
  obj.rows = 2;
  obj.column_gap = 2;
  obj.row_gap = 1;
  Rig r;
  const std::vector<test::Move> mv = r.run(obj);
  ASSERT_EQ(mv.size(), 4u * 10 * 5);
  // TW = 22, TH = 7: first bars at left + 1.25 mm, tops 3.5 and -0.5 mm.
  const test::Move firsts[] = {test::up(1610, 2140), test::up(1610, 1980), test::up(2090, 2140),
                               test::up(2090, 1980)};
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(mv[k * 50], firsts[k]) << k;
  EXPECT_EQ(mv[2], test::down(1620, 2020));  // each bar is the copy's height
}

TEST(DrawBarcode, DegenerateInputDrawsNothing) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<MarkObject> objs{barcode("1", kNaN), barcode("1", kInf), barcode("1", -0.25),
                               barcode("1", 0)};
  for (const double bad : {kNaN, -5.0, 0.0}) {
    objs.push_back(barcode("1", 0.25));
    objs.back().height = bad;
    objs.push_back(barcode("1", 0.25));
    objs.back().width = bad;
  }
  objs.push_back(barcode("1", 0.25));
  objs.back().cent_x = kInf;
  objs.push_back(barcode("1", 0.25));
  objs.back().params = std::monostate{};
  for (std::size_t i = 0; i < objs.size(); ++i) {
    Rig r;
    EXPECT_TRUE(r.run(objs[i]).empty()) << "case " << i;
  }
  Rig r;
  r.g.pen = nullptr;  // marking without a pen emitter
  EXPECT_TRUE(r.run(barcode("1", 0.25)).empty());
}

TEST(DrawBarcode, TextBeyondItsCapacityIsCut) {
  Rig r;
  EXPECT_EQ(r.rects(barcode(std::string(kBarcodeTextMax + 40, '1'), 0.01)).size(),
            5 * (kBarcodeTextMax + 2));
}

}  // namespace
}  // namespace lumetch
