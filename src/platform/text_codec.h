#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// Object texts are kept as CP932 bytes, exactly as the layout files hold them.
// The character rule of those files: a byte below 0x80 is one character, a
// byte of 0x80 or above starts a two-byte character. CP932's own single-byte
// half-width katakana do not fit that rule, so text entry widens them.

// Bytes taken by the character starting at `pos` (< size): 1 or 2. A lead
// byte with nothing after it is a one-byte character.
std::size_t char_length_at(std::string_view bytes, std::size_t pos);

// Number of characters under the rule above.
int CountChars(std::string_view bytes);

// Each character's code: the byte, or first byte * 256 + second byte. A lone
// lead byte at the end gives its own value (0x80..0xFF).
std::vector<uint16_t> char_codes(std::string_view bytes);

// 0x20 and the two-byte blanks A1 A1 and A1 21 get no outline.
bool is_blank_char(uint16_t code);

inline constexpr char32_t kReplacementChar = U'\uFFFD';

// The Unicode character of a code from char_codes, for the font engine.
// U+FFFD when the code is no CP932 character (an undefined pair, a lone lead
// byte, or a pair such as A1 A1 that CP932 reads as two characters).
char32_t cp932_code_to_unicode(uint16_t code);

// UTF-8 for showing a text in a widget. Walks the text by the character rule,
// so the result has exactly CountChars characters; each one that does not
// decode becomes U+FFFD and the rest of the text still follows.
std::string cp932_to_utf8(std::string_view bytes);

struct EncodeResult {
  bool ok = false;
  std::string bytes;                 // CP932 text; empty when refused
  bool halfwidth_converted = false;  // half-width katakana were widened
  std::string error;                 // why the text was refused, for the operator
};

// Text entry: UTF-8 to CP932. Half-width katakana become their full-width
// forms first, a following half-width voiced or semi-voiced mark joining them
// (ｶﾞ → ガ, ﾊﾟ → パ, ｳﾞ → ヴ). Refused as a whole, with the first offending
// character named in `error`: invalid UTF-8, U+0000, and any character CP932
// cannot hold as one or two bytes, or could hold only as another ASCII
// character (¥ and ‾ would come back as \ and ~).
EncodeResult utf8_to_cp932(std::string_view utf8);

}  // namespace lumetch
