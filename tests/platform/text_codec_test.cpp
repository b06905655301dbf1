#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetch {
namespace {

TEST(TextCodec, RoundTripsThroughCp932) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"ascii with backslash and tilde", "Lot 12 \\~;", "Lot 12 \\~;"},
      {"kanji", "漢字", "\x8A\xBF\x8E\x9A"},
      {"hiragana", "あ", "\x82\xA0"},
      {"full-width letters and digits", "ＡＢ１", "\x82\x60\x82\x61\x82\x50"},
      {"ideographic space", "　", "\x81\x40"},
      {"mixed", "No.亜A",
       "No.\x88\x9F"
       "A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EncodeResult r = utf8_to_cp932(c.utf8);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.halfwidth_converted);
    EXPECT_EQ(r.bytes, c.cp932);
    EXPECT_EQ(cp932_to_utf8(r.bytes), c.utf8);
  }
}

TEST(TextCodec, JisVariantsAreStoredAsTheirCp932Forms) {
  // Input methods give WAVE DASH and MINUS SIGN; CP932 holds them as the
  // full-width tilde and hyphen-minus, which is what comes back.
  const EncodeResult r = utf8_to_cp932("〜−");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.bytes, "\x81\x60\x81\x7C");
  EXPECT_EQ(cp932_to_utf8(r.bytes), "～－");
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
      ASSERT_TRUE(r.ok) << std::hex << lead << " " << trail;
      ASSERT_EQ(r.bytes.size(), 2u);
      // Duplicate codes (NEC and IBM rows) may come back under the other code.
      EXPECT_EQ(cp932_code_to_unicode(char_codes(r.bytes)[0]), cp);
    }
  }
  EXPECT_GT(pairs, 7000);
}

TEST(TextCodec, CountsAndWalksCharactersByTheLeadByteRule) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<uint16_t> codes;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"ascii with blank", "AB C", {0x41, 0x42, 0x20, 0x43}},
      {"blank pair", "\x41\x61\xA1\xA1", {0x41, 0x61, 0xA1A1}},
      {"kanji then ascii",
       "\x88\x9F"
       "A",
       {0x889F, 0x41}},
      {"lead byte takes any next byte", "\xB1\x42", {0xB142}},
      {"truncated lead byte", "A\x88", {0x41, 0x88}},
      {"lone lead byte", "\xFF", {0xFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(char_codes(c.bytes), c.codes);
    EXPECT_EQ(CountChars(c.bytes), static_cast<int>(c.codes.size()));
  }
}

TEST(TextCodec, BlankCodes) {
  for (int code : {0x20, 0xA1A1, 0xA121})
    EXPECT_TRUE(is_blank_char(static_cast<uint16_t>(code))) << code;
  for (int code : {0x00, 0x21, 0x8140, 0xA1, 0x21A1})
    EXPECT_FALSE(is_blank_char(static_cast<uint16_t>(code))) << code;
}

TEST(TextCodec, CodesForTheFontEngine) {
  struct Case {
    uint16_t code;
    char32_t expected;
  };
  const Case cases[] = {
      {0x41, U'A'},
      {0x5C, U'\\'},  // iconv's CP932 keeps ASCII here
      {0x7E, U'~'},
      {0x889F, U'亜'},
      {0x8140, U'\u3000'},
      {0xF040, U'\uE000'},         // user-defined area
      {0xA1A1, kReplacementChar},  // two half-width characters to CP932
      {0x8540, kReplacementChar},  // undefined pair
      {0x88, kReplacementChar},    // lone lead byte
      {0x4142, kReplacementChar},  // no lead byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp932_code_to_unicode(c.code), c.expected) << std::hex << c.code;
  }
}

TEST(TextCodec, UndecodableBytesBecomeReplacementCharacters) {
  const std::string bytes =
      "A\x85\x40"
      "B\xA1\xA1"
      "C\x88";
  const std::string shown = cp932_to_utf8(bytes);
  EXPECT_EQ(shown,
            "A\uFFFD"
            "B\uFFFD"
            "C\uFFFD");
}

TEST(TextCodec, HalfWidthKatakanaAreWidened) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"ｱｲｳ", "アイウ"},
      {"ｶﾞｷﾞﾂﾞﾄﾞﾊﾞﾋﾟﾎﾟｳﾞ", "ガギヅドバピポヴ"},
      {"ｱﾞﾜﾞ", "ア゛ワ゛"},  // no voiced form in CP932
      {"ﾞﾟ", "゛゜"},
      {"カﾞ", "カ゛"},  // only a half-width base joins
      {"｡｢ｰ｣､･ｦｧｯﾝ", "。「ー」、・ヲァッン"},
      {"ABCｶﾞ", "ABCガ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    const EncodeResult r = utf8_to_cp932(c.in);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.halfwidth_converted);
    EXPECT_EQ(cp932_to_utf8(r.bytes), c.out);
    EXPECT_EQ(CountChars(r.bytes), CountChars(utf8_to_cp932(c.out).bytes));
  }
  EXPECT_EQ(utf8_to_cp932("ﾊﾟ").bytes, "\x83\x70");
}

TEST(TextCodec, RefusesWhatCp932CannotHold) {
  struct Case {
    const char* name;
    std::string in;
    std::string error;
  };
  const Case cases[] = {
      {"emoji", "A😀B", "The character \"😀\" (U+1F600) cannot be stored in a marking text."},
      {"euro", "5€", "The character \"€\" (U+20AC) cannot be stored in a marking text."},
      // iconv would store these as the ASCII \ and ~.
      {"yen sign", "¥100", "The character \"¥\" (U+00A5) cannot be stored in a marking text."},
      {"overline", "‾", "The character \"‾\" (U+203E) cannot be stored in a marking text."},
      // iconv would drop it without a word.
      {"tag character", "A\U000E0041",
       "The character \"\U000E0041\" (U+E0041) cannot be "
       "stored in a marking text."},
      {"nul", std::string("A\0B", 3), "The character U+0000 cannot be stored in a marking text."},
      {"truncated sequence", "A\xC3", "The text is not valid UTF-8."},
      {"overlong form", "\xC0\xAF", "The text is not valid UTF-8."},
      {"surrogate", "\xED\xA0\x80", "The text is not valid UTF-8."},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "The text is not valid UTF-8."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EncodeResult r = utf8_to_cp932(c.in);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(r.error, c.error);
  }
}

}  // namespace
}  // namespace lumetch
