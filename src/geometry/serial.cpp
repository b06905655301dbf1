#include "geometry/serial.h"

#include "geometry/code_symbol.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "geometry/glyph_file.h"
#include "model/text_params.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

// Longest line text in bytes: what the text entry accepts.
constexpr std::size_t kLineTextMax = 499;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The blanks the C library skips before a number.
bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Adds one to a run of decimal digits without leading zeros ("" is 0).
std::string increment(std::string digits) {
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) return '1' + digits;
  ++digits[i - 1];
  return digits;
}

// Subtracts one from a run of decimal digits without leading zeros, not "";
// the result has no leading zeros either ("1" gives "").
std::string decrement(std::string digits) {
  std::size_t i = digits.size();
  while (digits[i - 1] == '0') digits[--i] = '9';
  --digits[i - 1];
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string() : digits.substr(first);
}

// The decimal text of atoi(text) + 1, on digit strings rather than a machine
// integer so that a serial number of any length counts on correctly.
std::string converted_plus_one(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_c_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t start = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  while (start < i && text[start] == '0') ++start;
  const std::string magnitude(text.substr(start, i - start));
  if (!negative || magnitude.empty()) return increment(magnitude);
  const std::string lower = decrement(magnitude);
  return lower.empty() ? std::string("0") : "-" + lower;
}

}  // namespace

std::string next_serial_text(std::string_view text, std::size_t max_length) {
  std::string work(text);
  // A leading 0 counts as 1 so that its digit survives the conversion; it is
  // given back below by lowering the result's first digit.
  const bool leading_zero = !work.empty() && work[0] == '0';
  if (leading_zero) work[0] = '1';
  std::string result = converted_plus_one(work);
  // The result starts with a digit from 1 up: the text started with 1.
  if (leading_zero) --result[0];
  if (result.size() > max_length) return {};
  return result;
}

std::string NextSerialOf(const MarkObject& obj) {
  const std::string* text = nullptr;
  std::size_t limit = 0;
  if (const auto* p = obj.type == BARCODE ? obj.block<BarcodeParams>() : nullptr) {
    text = &p->text;
    limit = kBarcodeTextMax;
  } else if (const auto* t = obj.type == LINE_TEXT ? obj.block<LineTextParams>() : nullptr) {
    text = &t->text;
    limit = kLineTextMax;
  }
  if (const auto* c = obj.type == CODE ? obj.block<CodeParams>() : nullptr) {
    std::string next = next_serial_text(c->data, kCodeDataMax);
    if (next.empty() || next == c->data) return {};
    // A number that outgrows a fixed symbol size cannot be marked either.
    CodeParams q = *c;
    q.data = next;
    if (!encode_block(q).ok) return {};
    return next;
  }
  if (text == nullptr) return {};
  std::string next = next_serial_text(*text, limit);
  if (next == *text) return {};
  return next;
}

bool AdvanceSerial(CketralDoc& doc, MarkObject& obj) {
  if (obj.type == BARCODE) {
    BarcodeParams* p = obj.block<BarcodeParams>();
    if (p == nullptr || p->variable != 1) return false;
    std::string next = next_serial_text(p->text, kBarcodeTextMax);
    if (next.empty() || next == p->text) return false;
    p->text = std::move(next);
    // Marking is no edit, but no undo may bring the marked number back.
    doc.history.keep_serial(obj, doc.defaults);
    return true;
  }
  if (obj.type == CODE) {
    CodeParams* p = obj.block<CodeParams>();
    if (p == nullptr || p->variable != 1) return false;
    std::string next = NextSerialOf(obj);
    if (next.empty()) return false;
    p->data = std::move(next);
    doc.history.keep_serial(obj, doc.defaults);
    return true;
  }
  if (obj.type != LINE_TEXT) return false;
  LineTextParams* p = obj.block<LineTextParams>();
  if (p == nullptr || p->variable != 1) return false;
  std::string next = next_serial_text(p->text, kLineTextMax);
  if (next.empty() || next == p->text) return false;

  select_outline_font(doc, p->face_name, p->font_weight, p->font_italic, p->font_charset);
  // The glyph file is what every target draws: when it cannot be rewritten,
  // the text stays as it is, so that the next pass does not mark the old
  // number again while the object claims the new one.
  if (!WriteGlyphFile(doc, next, p->glyph_file)) return false;

  const auto length = static_cast<int32_t>(next.size());
  p->text = next;
  p->line_count = 1;
  p->line_lengths = {length, 0};
  p->chars.resize(static_cast<std::size_t>(CountChars(p->text)));

  CreationDefaults::LineText& d = doc.defaults.line_text;
  d.text = std::move(next);
  d.line_count = 1;
  d.line_lengths = {length, 0};
  doc.history.keep_serial(obj, doc.defaults);
  return true;
}

}  // namespace lumetch
