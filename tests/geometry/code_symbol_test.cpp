#include "geometry/code_symbol.h"

#include <gtest/gtest.h>

#include "model/cketral_doc.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include <utility>

namespace lumetch {
namespace {

bool dark_at(const CodeSymbol& s, double x, double y) {
  for (const CodeRect& r : s.dark) {
    if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return true;
  }
  return false;
}

// Symbol sizes in modules by symbology and options, quiet zones included
// where asked for.
TEST(CodeSymbol, SizesFollowTheSymbologyAndItsOptions) {
  struct Case {
    CodeSymbology symbology;
    const char* data;
    CodeOptions options;
    double width;
    double height;
  };
  // clang-format off
  const Case cases[] = {
      {CodeSymbology::kQr, "HELLO", {0, 0, false, false}, 21, 21},
      {CodeSymbology::kQr, "HELLO", {0, 0, true, false}, 29, 29},   // 4 modules a side
      {CodeSymbology::kQr, "HELLO", {0, 5, false, false}, 37, 37},  // version 5
      // More error correction takes a larger symbol.
      {CodeSymbology::kQr, "LOT 2026-12-09 SERIAL 000123", {1, 0, false, false}, 25, 25},
      {CodeSymbology::kQr, "LOT 2026-12-09 SERIAL 000123", {4, 0, false, false}, 29, 29},
      {CodeSymbology::kDataMatrix, "HELLO", {0, 0, false, false}, 12, 12},
      {CodeSymbology::kDataMatrix, "HELLO", {0, 0, true, false}, 14, 14},
      {CodeSymbology::kCode128, "HELLO", {0, 0, false, false}, 90, 50},
  };
  // clang-format on
  for (const Case& c : cases) {
    const CodeEncoding e = encode_code(c.symbology, c.data, c.options);
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.symbol.width, c.width) << static_cast<int>(c.symbology);
    EXPECT_EQ(e.symbol.height, c.height) << static_cast<int>(c.symbology);
    for (const CodeRect& r : e.symbol.dark) {
      EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= c.width && r.y + r.h <= c.height);
    }
  }
}

// Data the symbology cannot take is refused with the encoder's reason.
TEST(CodeSymbol, DataThatCannotBeEncodedIsRefusedWithTheReason) {
  struct Case {
    CodeSymbology symbology;
    std::string data;
    CodeOptions options;
    const char* reason;  // part of the message
  };
  const Case cases[] = {
      {CodeSymbology::kDataMatrix, "no AI here", {0, 0, true, true}, "AI"},
      {CodeSymbology::kQr, std::string(8000, '7'), {}, "long"},
      {CodeSymbology::kQr, "HELLO WORLD HELLO WORLD", {4, 1, false, false}, ""},
      {CodeSymbology::kCode128, "", {}, "no data"},
  };
  for (const Case& c : cases) {
    const CodeEncoding e = encode_code(c.symbology, c.data, c.options);
    EXPECT_FALSE(e.ok) << c.data.substr(0, 20);
    EXPECT_FALSE(e.error.empty());
    EXPECT_NE(e.error.find(c.reason), std::string::npos) << e.error;
  }
  // GS1 data in its bracketed form encodes.
  EXPECT_TRUE(encode_code(CodeSymbology::kDataMatrix, "[01]09501101530003", {0, 0, true, true}).ok);
  EXPECT_TRUE(encode_code(CodeSymbology::kCode128, "[01]09501101530003", {0, 0, true, true}).ok);
}

// Winding number of the contours about p.
int winding(const ContourList& list, double px, double py) {
  int w = 0;
  std::size_t at = 0;
  for (const int32_t n : list.counts) {
    for (int32_t i = 0; i + 1 < n; ++i) {
      const CanvasPoint a = list.points[at + static_cast<std::size_t>(i)];
      const CanvasPoint b = list.points[at + static_cast<std::size_t>(i) + 1];
      const double cross = (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y);
      if (a.y <= py && b.y > py && cross > 0) ++w;
      if (a.y > py && b.y <= py && cross < 0) --w;
    }
    at += static_cast<std::size_t>(n);
  }
  return w;
}

// Over its box the symbol marks its dark modules, or in the negative form
// the light ones, on the marker and on screen alike.
TEST(CodeSymbol, ContoursMarkTheDarkModulesOrInTheNegativeTheLightOnes) {
  CketralDoc doc;
  const CodeEncoding qr = encode_code(CodeSymbology::kQr, "HELLO", {0, 0, true, false});
  ASSERT_TRUE(qr.ok);
  const CodeSymbol& s = qr.symbol;
  // Finder patterns in three corners, upright: their outer rings dark, the
  // quiet zone light.
  for (const auto& [x, y] : {std::pair{4.5, 4.5}, {24.5, 4.5}, {4.5, 24.5}}) {
    EXPECT_TRUE(dark_at(s, x, y)) << x << "," << y;
  }
  EXPECT_FALSE(dark_at(s, 24.5, 24.5));
  EXPECT_FALSE(dark_at(s, 0.5, 0.5));
  for (const DrawTarget target : {DrawTarget::Marker, DrawTarget::Screen}) {
    const Mapper m(doc, target);
    for (const bool negative : {false, true}) {
      ContourList list;
      // 29 modules over 14.5 mm: half a millimetre each.
      add_code_contours(list, m, s, -7.25, 7.25, 14.5, 14.5, negative);
      int wrong = 0;
      for (int j = 0; j < 29; ++j) {
        for (int i = 0; i < 29; ++i) {
          const CanvasPoint c = m.point(-7.25 + (i + 0.5) * 0.5, 7.25 - (j + 0.5) * 0.5);
          const bool marked = winding(list, c.x + 0.25, c.y + 0.25) != 0;
          if (marked != (dark_at(s, i + 0.5, j + 0.5) != negative)) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "negative " << negative;
    }
  }
}

// Outlines of the union of dark modules: no edge twice (a hatch line on a
// shared edge would be counted by neither side), holes wound the other way,
// straight runs as one edge.
TEST(CodeSymbol, DarkModulesAreOutlinedAsOneAreaWithHoles) {
  const struct {
    const char* label;
    std::vector<const char*> rows;  // '#' dark
    std::size_t loops;
    std::size_t points;  // over all loops, closing points included
  } cases[] = {
      {"a stack", {"#.", "#.", "#."}, 1, 5},
      {"a ring", {"###", "#.#", "###"}, 2, 10},
      {"a step", {"##", "#."}, 1, 7},
      {"corners touching", {"#.", ".#"}, 2, 10},
  };
  for (const auto& c : cases) {
    CodeSymbol s;
    s.height = static_cast<double>(c.rows.size());
    s.width = static_cast<double>(std::string(c.rows[0]).size());
    for (std::size_t y = 0; y < c.rows.size(); ++y) {
      for (std::size_t x = 0; c.rows[y][x] != '\0'; ++x) {
        if (c.rows[y][x] == '#') s.dark.push_back({double(x), double(y), 1, 1});
      }
    }
    const auto loops = trace_dark_modules(s);
    EXPECT_EQ(loops.size(), c.loops) << c.label;
    std::size_t points = 0;
    std::vector<std::pair<CodePoint, CodePoint>> edges;
    double area = 0;  // signed, y down: clockwise as seen is positive
    for (const auto& loop : loops) {
      points += loop.size();
      ASSERT_EQ(loop.front(), loop.back()) << c.label;
      for (std::size_t i = 1; i < loop.size(); ++i) {
        const CodePoint a = loop[i - 1], b = loop[i];
        EXPECT_TRUE(a.x == b.x || a.y == b.y) << c.label;
        for (const auto& [p, q] : edges) {
          // Overlap of two collinear edges in either direction.
          const bool same_line = (a.x == b.x && p.x == q.x && a.x == p.x) ||
                                 (a.y == b.y && p.y == q.y && a.y == p.y);
          if (!same_line) continue;
          const bool vertical = a.x == b.x;
          const double lo = std::max(std::min(vertical ? a.y : a.x, vertical ? b.y : b.x),
                                     std::min(vertical ? p.y : p.x, vertical ? q.y : q.x));
          const double hi = std::min(std::max(vertical ? a.y : a.x, vertical ? b.y : b.x),
                                     std::max(vertical ? p.y : p.x, vertical ? q.y : q.x));
          EXPECT_LE(hi, lo) << c.label << ": an edge is shared";
        }
        edges.emplace_back(a, b);
        area += a.x * b.y - b.x * a.y;
      }
    }
    EXPECT_EQ(points, c.points) << c.label;
    // The union's area, holes taken off.
    double cells = 0;
    for (const char* row : c.rows) cells += static_cast<double>(std::count(row, row + std::strlen(row), '#'));
    EXPECT_DOUBLE_EQ(area / 2, cells) << c.label;
  }
  // Off the module grid: no outlines, the rectangles are drawn as they are.
  CodeSymbol off;
  off.width = off.height = 2;
  off.dark.push_back({0.5, 0, 1, 1});
  EXPECT_TRUE(trace_dark_modules(off).empty());
}

}  // namespace
}  // namespace lumetch

