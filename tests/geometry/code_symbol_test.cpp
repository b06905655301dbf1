#include "geometry/code_symbol.h"

#include <gtest/gtest.h>

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

// The modules are the symbol's: QR finder patterns in three corners, the
// quiet zone left light; more error correction needs a larger symbol.
TEST(CodeSymbol, ModulesAreTheSymbols) {
  const CodeEncoding qr = encode_code(CodeSymbology::kQr, "HELLO", {0, 0, true, false});
  ASSERT_TRUE(qr.ok);
  for (const auto& [x, y] : {std::pair{4.5, 4.5}, {24.5, 4.5}, {4.5, 24.5}}) {
    EXPECT_TRUE(dark_at(qr.symbol, x, y)) << x << "," << y;  // the finder's outer ring
    EXPECT_FALSE(dark_at(qr.symbol, x + (x < 10 ? 1 : -1), y + (y < 10 ? 1 : -1)));
    EXPECT_TRUE(dark_at(qr.symbol, x + (x < 10 ? 3 : -3), y + (y < 10 ? 3 : -3)));  // its core
  }
  EXPECT_FALSE(dark_at(qr.symbol, 0.5, 0.5));
  EXPECT_FALSE(dark_at(qr.symbol, 3.5, 14.5));

  const std::string text = "LOT 2026-12-09 SERIAL 000123";
  const CodeEncoding low = encode_code(CodeSymbology::kQr, text, {1, 0, false, false});
  const CodeEncoding high = encode_code(CodeSymbology::kQr, text, {4, 0, false, false});
  ASSERT_TRUE(low.ok && high.ok);
  EXPECT_LT(low.symbol.width, high.symbol.width);
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

}  // namespace
}  // namespace lumetch
