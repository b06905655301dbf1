#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetch {
namespace {

TEST(TextCodec, EncodesToCp932WideningHalfWidthKatakana) {
  const struct {
    std::string in, shown;  // shown: as it reads back once stored
    bool widened;
  } cases[] = {
      {"Lot 12 \\~;", "Lot 12 \\~;", false},  // backslash and tilde stay ASCII
      {"No.亜x漢", "No.亜x漢", false},
      {"〜−", "～－", false},  // WAVE DASH and MINUS SIGN, as input methods give them
      {"ABｱｲｳ", "ABアイウ", true},
      {"ｶﾞｷﾞﾂﾞﾄﾞﾊﾞﾋﾟﾎﾟｳﾞ", "ガギヅドバピポヴ", true},
      {"ｱﾞﾜﾞ", "ア゛ワ゛", true},  // no voiced form in CP932
      {"ﾞﾟ", "゛゜", true},
      {"カﾞ", "カ゛", true},  // only a half-width base joins
      {"｡｢ｰ｣､･ｦｧｯﾝ", "。「ー」、・ヲァッン", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    const EncodeResult r = utf8_to_cp932(c.in);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.halfwidth_converted, c.widened);
    EXPECT_EQ(cp932_to_utf8(r.bytes), c.shown);
  }
  EXPECT_EQ(utf8_to_cp932("No.亜ｱ〜").bytes, "No.\x88\x9F\x83\x41\x81\x60");
}

TEST(TextCodec, EveryCp932PairSurvivesAnEditRoundTrip) {
  int pairs = 0;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      const char32_t cp = cp932_code_to_unicode(static_cast<uint16_t>(lead << 8 | trail));
      if (cp == kReplacementChar) continue;
      ++pairs;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const EncodeResult r = utf8_to_cp932(cp932_to_utf8(bytes));
      ASSERT_TRUE(r.ok && r.bytes.size() == 2) << std::hex << lead << " " << trail;
      // Duplicate codes (NEC and IBM rows) may come back under the other code.
      EXPECT_EQ(cp932_code_to_unicode(char_codes(r.bytes)[0]), cp);
    }
  }
  EXPECT_GT(pairs, 7000);
}

TEST(TextCodec, WalksCountsAndDecodesByTheLeadByteRule) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<uint16_t> codes;
    std::string shown;
  } cases[] = {
      {"empty", "", {}, ""},
      {"ascii keeps backslash and tilde", "\\~ ", {0x5C, 0x7E, 0x20}, "\\~ "},
      {"kanji, ideographic space", "\x88\x9F\x81\x40", {0x889F, 0x8140}, "亜\u3000"},
      // Pairs CP932 reads as two characters (A1 A1, B1 42) are still one here.
      {"undefined pairs",
       "\x85\x40\xA1\xA1\xB1\x42",
       {0x8540, 0xA1A1, 0xB142},
       "\uFFFD\uFFFD\uFFFD"},
      {"truncated lead byte", "A\x88", {0x41, 0x88}, "A\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(char_codes(c.bytes), c.codes);
    EXPECT_EQ(CountChars(c.bytes), static_cast<int>(c.codes.size()));
    EXPECT_EQ(cp932_to_utf8(c.bytes), c.shown);
  }
  for (int code : {0x20, 0xA1A1, 0xA121}) EXPECT_TRUE(is_blank_char(uint16_t(code))) << code;
  for (int code : {0x21, 0xA1, 0x8140}) EXPECT_FALSE(is_blank_char(uint16_t(code))) << code;
}

TEST(TextCodec, RefusesWhatCp932CannotHold) {
  const struct {
    const char* name;
    std::string in, shown;  // shown: empty for invalid UTF-8
  } cases[] = {
      {"emoji", "A😀B", "\"😀\" (U+1F600)"},
      {"yen sign, which iconv would store as \\", "¥100", "\"¥\" (U+00A5)"},
      {"tag character, which iconv would drop", "A\U000E0041", "\"\U000E0041\" (U+E0041)"},
      {"nul", std::string("A\0B", 3), "U+0000"},
      {"truncated sequence", "A\xC3", ""},
      {"overlong form", "\xC0\xAF", ""},
      {"surrogate", "\xED\xA0\x80", ""},
      {"above U+10FFFF", "\xF4\x90\x80\x80", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EncodeResult r = utf8_to_cp932(c.in);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(r.error, c.shown.empty()
                           ? "The text is not valid UTF-8."
                           : "The character " + c.shown + " cannot be stored in a marking text.");
  }
}

}  // namespace
}  // namespace lumetch
