#include "platform/text_codec.h"

#include <iconv.h>

#include <array>
#include <cstdio>
#include <optional>

namespace lumetch {
namespace {

// Owns one iconv descriptor.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)); }

  // Converts all of `in`; the number of bytes written to `out`, or -1 when
  // iconv refused or left input over.
  int convert(const unsigned char* in, std::size_t in_len, unsigned char* out,
              std::size_t out_cap) {
    char* ip = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    char* op = reinterpret_cast<char*>(out);
    std::size_t in_left = in_len;
    std::size_t out_left = out_cap;
    const std::size_t r = iconv(cd_, &ip, &in_left, &op, &out_left);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    if (r == static_cast<std::size_t>(-1) || in_left != 0) return -1;
    return static_cast<int>(out_cap - out_left);
  }

 private:
  iconv_t cd_;
};

char32_t read_utf32le(const unsigned char* p) {
  return static_cast<char32_t>(p[0]) | static_cast<char32_t>(p[1]) << 8 |
         static_cast<char32_t>(p[2]) << 16 | static_cast<char32_t>(p[3]) << 24;
}

// What iconv makes of every one-byte code and every lead/trail pair, built
// once. A pair counts only when iconv reads both bytes as one character:
// A1 A1, for one, is two half-width characters to CP932.
struct DecodeTable {
  std::array<char32_t, 0x80> single{};
  std::vector<char32_t> pairs = std::vector<char32_t>(0x80 * 0x100, kReplacementChar);

  DecodeTable() {
    for (std::size_t b = 0; b < single.size(); ++b) single[b] = static_cast<char32_t>(b);
    Converter cv("UTF-32LE", "CP932");
    if (!cv.ok()) return;
    unsigned char out[16];
    for (unsigned b = 0; b < 0x80; ++b) {
      const unsigned char in[1] = {static_cast<unsigned char>(b)};
      single[b] = cv.convert(in, 1, out, sizeof out) == 4 ? read_utf32le(out) : kReplacementChar;
    }
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      for (unsigned trail = 0; trail <= 0xFF; ++trail) {
        const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(trail)};
        if (cv.convert(in, 2, out, sizeof out) == 4) {
          pairs[(lead - 0x80) * 0x100 + trail] = read_utf32le(out);
        }
      }
    }
  }
};

const DecodeTable& decode_table() {
  static const DecodeTable table;
  return table;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool next_utf8(std::string_view s, std::size_t& pos, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(pos);
  std::size_t len = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0Fu;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07u;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return false;
  }
  if (s.size() - pos < len) return false;
  for (std::size_t i = 1; i < len; ++i) {
    const unsigned char b = byte(pos + i);
    if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
    cp = cp << 6 | (b & 0x3Fu);
  }
  pos += len;
  return true;
}

// Full-width forms of U+FF61..U+FF9F. The lone voiced and semi-voiced marks
// become the spacing marks ゛ and ゜, which CP932 holds.
constexpr std::array<char16_t, 63> kWideKana{
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

constexpr char32_t kHalfVoiced = 0xFF9E;
constexpr char32_t kHalfSemiVoiced = 0xFF9F;

bool is_halfwidth_kana(char32_t cp) {
  return cp >= 0xFF61 && cp <= 0xFF9F;
}

bool is_ha_row(char32_t k) {
  return k == 0x30CF || k == 0x30D2 || k == 0x30D5 || k == 0x30D8 || k == 0x30DB;
}

// The voiced form of a full-width katakana, or 0 when CP932 has none.
char32_t voiced(char32_t k) {
  if ((k >= 0x30AB && k <= 0x30C1 && (k & 1u)) || k == 0x30C4 || k == 0x30C6 || k == 0x30C8 ||
      is_ha_row(k)) {
    return k + 1;
  }
  if (k == 0x30A6) return 0x30F4;  // ウ → ヴ
  return 0;
}

char32_t semi_voiced(char32_t k) {
  return is_ha_row(k) ? k + 2 : 0;
}

std::string code_point_name(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

EncodeResult refuse(char32_t cp) {
  EncodeResult r;
  std::string shown;
  if (cp >= 0x20) {
    append_utf8(shown, cp);
    shown = "\"" + shown + "\" (" + code_point_name(cp) + ")";
  } else {
    shown = code_point_name(cp);  // a control character shows as nothing
  }
  r.error = "The character " + shown + " cannot be stored in a marking text.";
  return r;
}

}  // namespace

std::size_t char_length_at(std::string_view bytes, std::size_t pos) {
  if (static_cast<unsigned char>(bytes[pos]) < 0x80 || pos + 1 >= bytes.size()) return 1;
  return 2;
}

int CountChars(std::string_view bytes) {
  int n = 0;
  for (std::size_t pos = 0; pos < bytes.size(); pos += char_length_at(bytes, pos)) ++n;
  return n;
}

std::vector<uint16_t> char_codes(std::string_view bytes) {
  std::vector<uint16_t> codes;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t len = char_length_at(bytes, pos);
    const auto first = static_cast<unsigned char>(bytes[pos]);
    if (len == 1) {
      codes.push_back(first);
    } else {
      codes.push_back(
          static_cast<uint16_t>(first << 8 | static_cast<unsigned char>(bytes[pos + 1])));
    }
    pos += len;
  }
  return codes;
}

bool is_blank_char(uint16_t code) {
  return code == 0x20 || code == 0xA1A1 || code == 0xA121;
}

char32_t cp932_code_to_unicode(uint16_t code) {
  const DecodeTable& t = decode_table();
  if (code < 0x80) return t.single[code];
  const unsigned lead = code >> 8;
  if (lead < 0x80) return kReplacementChar;  // a lone lead byte, or no pair at all
  return t.pairs[(lead - 0x80) * 0x100 + (code & 0xFFu)];
}

std::string cp932_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (const uint16_t code : char_codes(bytes)) append_utf8(out, cp932_code_to_unicode(code));
  return out;
}

EncodeResult utf8_to_cp932(std::string_view utf8) {
  // Decode and widen first; a refusal names the character as it will be stored.
  std::u32string chars;
  bool widened = false;
  bool last_was_half = false;  // the last character came from a half-width kana
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = 0;
    if (!next_utf8(utf8, pos, cp)) {
      EncodeResult r;
      r.error = "The text is not valid UTF-8.";
      return r;
    }
    if (!is_halfwidth_kana(cp)) {
      chars += cp;
      last_was_half = false;
      continue;
    }
    widened = true;
    if (last_was_half && (cp == kHalfVoiced || cp == kHalfSemiVoiced)) {
      const char32_t joined = cp == kHalfVoiced ? voiced(chars.back()) : semi_voiced(chars.back());
      if (joined != 0) {
        chars.back() = joined;
        last_was_half = false;
        continue;
      }
    }
    chars += kWideKana[cp - 0xFF61];
    last_was_half = true;
  }

  EncodeResult r;
  r.halfwidth_converted = widened;
  std::optional<Converter> cv;
  for (const char32_t cp : chars) {
    // A zero byte would end the text wherever it is handled as a C string.
    if (cp == 0) return refuse(cp);
    if (cp < 0x80) {
      r.bytes += static_cast<char>(cp);
      continue;
    }
    if (!cv) cv.emplace("CP932", "UTF-32LE");
    if (!cv->ok()) {
      EncodeResult fail;
      fail.error = "CP932 conversion is not available on this system.";
      return fail;
    }
    const unsigned char in[4] = {
        static_cast<unsigned char>(cp & 0xFF), static_cast<unsigned char>((cp >> 8) & 0xFF),
        static_cast<unsigned char>((cp >> 16) & 0xFF), static_cast<unsigned char>(cp >> 24)};
    unsigned char out[16];
    // Only a lead byte and a trail byte will do: iconv also "converts" tag
    // characters to nothing and ¥ and ‾ to the ASCII \ and ~.
    if (cv->convert(in, sizeof in, out, sizeof out) != 2 || out[0] < 0x80) return refuse(cp);
    r.bytes += static_cast<char>(out[0]);
    r.bytes += static_cast<char>(out[1]);
  }
  r.ok = true;
  return r;
}

}  // namespace lumetch
