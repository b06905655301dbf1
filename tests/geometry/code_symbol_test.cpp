#include "geometry/code_symbol.h"

#include <gtest/gtest.h>

#include "model/cketral_doc.h"

#include <string>
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

}  // namespace
}  // namespace lumetch
