// The pages of straight and arc texts and of their single characters.

#include "commands/text_pages.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <type_traits>
#include <utility>

#include "commands/page_rows.h"
#include "geometry/glyph_file.h"
#include "geometry/text_objects.h"
#include "geometry/variable_fields.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

using page::block_row;
using page::header_row;
using HF = HeaderField;

// --- text entry ----------------------------------------------------------

struct Entered {
  std::string bytes;  // CP932, breaks as CR LF
  std::string refusal;
  std::string note;  // said after the text is applied
};

// The typed text checked and converted; breaks become CR LF, or are dropped
// for one line.
Entered enter_text(std::string_view typed, bool one_line) {
  Entered out;
  std::string text;
  text.reserve(typed.size() + 16);
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const auto u = static_cast<unsigned char>(typed[i]);
    if (u == '\r') continue;  // a CR LF pair is one break, as is a lone LF
    if (u == '\n') {
      if (!one_line) text += "\r\n";
      continue;
    }
    if (u == '\t') {
      out.refusal =
          "The text is refused: it holds a tab, which cannot be marked. "
          "Use blanks instead.";
      return out;
    }
    // C0 and C1 control characters have no outline and no width.
    const bool c1 = u == 0xC2 && i + 1 < typed.size() &&
                    static_cast<unsigned char>(typed[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(typed[i + 1]) <= 0x9F;
    if (u < 0x20 || u == 0x7F || c1) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X",
                    c1 ? static_cast<unsigned>(static_cast<unsigned char>(typed[i + 1])) : u);
      out.refusal = std::string("The text is refused: it holds the control character ") + code +
                    ", which cannot be marked.";
      return out;
    }
    text.push_back(typed[i]);
  }
  EncodeResult r = utf8_to_cp932(text);
  if (!r.ok) {
    out.refusal = "The text is refused: " + r.error;
    return out;
  }
  if (r.bytes.size() > kTextBytesMax) {
    out.refusal = "The text is refused: it takes " + std::to_string(r.bytes.size()) +
                  " bytes (a two-byte character or a line break takes two), and a text holds at "
                  "most " +
                  std::to_string(kTextBytesMax) + ".";
    return out;
  }
  if (r.halfwidth_converted) out.note = "Half-width katakana were stored as full-width.";
  out.bytes = std::move(r.bytes);
  return out;
}

std::string glyph_failure(const std::string& path) {
  return "The text is kept, but its outlines could not be written to " + path +
         "; it is not drawn until they can be.";
}

// CR LF in the document, LF in the box.
std::string box_text(std::string joined) {
  std::string out;
  out.reserve(joined.size());
  for (std::size_t i = 0; i < joined.size(); ++i) {
    if (joined[i] == '\r' && i + 1 < joined.size() && joined[i + 1] == '\n') continue;
    out.push_back(joined[i]);
  }
  return cp932_to_utf8(out);
}

// The text, records and stroke widths of either text block.
template <class Obj>
struct TextParts {
  using Str = std::conditional_t<std::is_const_v<Obj>, const std::string, std::string>;
  using Chars = std::conditional_t<std::is_const_v<Obj>, const std::vector<CharRecord>,
                                   std::vector<CharRecord>>;
  using Num = std::conditional_t<std::is_const_v<Obj>, const double, double>;
  Str* text = nullptr;
  Chars* chars = nullptr;
  Num* width_x = nullptr;
  Num* width_y = nullptr;
};

template <class Obj>
TextParts<Obj> text_parts(Obj* o) {
  TextParts<Obj> p;
  if (o == nullptr) return p;
  if (auto* b = o->template block<LineTextParams>()) {
    p = {&b->text, &b->chars, &b->line_width_x, &b->line_width_y};
  } else if (auto* b2 = o->template block<ArcTextParams>()) {
    p = {&b2->text, &b2->chars, &b2->line_width_x, &b2->line_width_y};
  }
  return p;
}

// Every "確定" is an undo step of its own.
const RowKey kTextKey{"", "文字入力"};

// --- straight text -----------------------------------------------------

std::string line_text_read(const CketralDoc& doc) {
  const auto& b = page::current_block<LineTextParams>(doc);
  return box_text(JoinLines(b.text, b.line_lengths, b.line_count));
}

// Width (X) or height: in the writing's stacking direction the lines share
// it, so the character size follows.
template <bool X>
PageEdit line_text_extent(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<LineTextParams>();
    if (b == nullptr) return false;
    const double v = page::read_measure(text);
    (X ? o.width : o.height) = v;
    const int32_t n = b->line_count;
    if (b->vertical == (X ? 1 : 0) && n > 0) {
      (X ? b->size_x : b->size_y) = (v - (n - 1) * b->line_gap) / n;
    }
    return true;
  });
}

// Character size X or Y: the lines' extent follows in the stacking direction.
template <bool X>
PageEdit line_text_size(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<LineTextParams>();
    if (b == nullptr) return false;
    double& s = X ? b->size_x : b->size_y;
    s = page::read_measure(text);
    const int32_t n = b->line_count;
    if (b->vertical == (X ? 1 : 0) && n > 1) {
      (X ? o.width : o.height) = (n - 1) * b->line_gap + n * s;
    }
    return true;
  });
}

// The line gap keeps the lines' extent: the character size gives way.
PageEdit line_text_gap(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<LineTextParams>();
    if (b == nullptr) return false;
    b->line_gap = page::read_measure(text);
    const int32_t n = b->line_count;
    if (n > 1) {
      if (b->vertical == 0) {
        b->size_y = (o.height - (n - 1) * b->line_gap) / n;
      } else {
        b->size_x = (o.width - (n - 1) * b->line_gap) / n;
      }
    }
    return true;
  });
}

constexpr std::string_view kDirections[] = {"横書き", "縦書き"};

// The other writing turns the box: width and height change places.
PageEdit line_text_direction(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v > 1) return {};
  const MarkObject* o = page::current_of(doc, LINE_TEXT);
  if (o == nullptr || o->block<LineTextParams>()->vertical == v) return {};
  return page::change_current(doc, key, [&doc, v](MarkObject& obj, PageEdit&) {
    auto* b = obj.block<LineTextParams>();
    if (b == nullptr) return false;
    b->vertical = static_cast<int32_t>(v);
    std::swap(obj.width, obj.height);
    doc.defaults.line_text.vertical = b->vertical;  // later texts too
    return true;
  });
}

constexpr std::string_view kAlignments[] = {"左上", "右下", "中央", "両端揃え"};

void align_default(CreationDefaults& d, int32_t v) {
  d.line_text.align = v;  // later texts too
}

// --- arc text ----------------------------------------------------------

std::string arc_text_read(const CketralDoc& doc) {
  return cp932_to_utf8(page::current_block<ArcTextParams>(doc).text);
}

// The arc's radius is half the box; keep aspect scales the other one.
template <bool X>
PageEdit arc_radius(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<ArcTextParams>();
    if (b == nullptr) return false;
    double& r = X ? b->radius_x : b->radius_y;
    double& other = X ? b->radius_y : b->radius_x;
    const double old = r;
    r = page::read_measure(text);
    (X ? o.width : o.height) = 2 * r;
    if (o.keep_aspect == 1 && old != 0) {
      other = other * r / old;
      (X ? o.height : o.width) = 2 * other;
    }
    return true;
  });
}

constexpr std::string_view kCharDirections[] = {"上", "下"};

void arc_direction_default(CreationDefaults& d, int32_t v) {
  d.arc_text.downward = v;
}

// --- single character --------------------------------------------------

int32_t char_count(const CketralDoc& doc) {
  const auto parts = text_parts(page::current_of(doc));
  return parts.text != nullptr ? CountChars(*parts.text) : 0;
}

template <double CharRecord::*Field>
std::string per_word_read(const CketralDoc& doc) {
  const auto parts = text_parts(page::current_of(doc));
  if (parts.chars == nullptr) return page::fixed(0);
  const auto i = static_cast<std::size_t>(chosen_character(doc));
  // Records missing from the table read as zeros.
  return page::fixed(i < parts.chars->size() ? (*parts.chars)[i].*Field : 0.0);
}

template <double CharRecord::*Field>
PageEdit per_word_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  if (text_parts(page::current_of(doc)).text == nullptr) return {};
  const int32_t n = char_count(doc);
  if (n == 0) {
    PageEdit refused;
    refused.status = "The text has no character to adjust.";
    return refused;
  }
  const int32_t i = chosen_character(doc);
  // Each character's typing is a step of its own.
  const RowKey own{key.merge + " char " + std::to_string(i), key.label};
  return page::change_current(doc, own, [text, n, i](MarkObject& o, PageEdit&) {
    auto parts = text_parts(&o);
    if (parts.chars == nullptr) return false;
    if (parts.chars->size() < static_cast<std::size_t>(n)) {
      parts.chars->resize(static_cast<std::size_t>(n));
    }
    (*parts.chars)[static_cast<std::size_t>(i)].*Field = page::read_measure(text);
    return true;
  });
}

template <double CharRecord::*Field>
constexpr PageRow per_word_row(int32_t id, std::string_view label) {
  return {id, label, RowKind::Measure, &per_word_read<Field>, &per_word_apply<Field>};
}

template <bool X>
std::string stroke_read(const CketralDoc& doc) {
  const auto parts = text_parts(page::current_of(doc));
  if (parts.text == nullptr) return page::fixed(0);
  return page::fixed(X ? *parts.width_x : *parts.width_y);
}

template <bool X>
PageEdit stroke_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto parts = text_parts(&o);
    if (parts.text == nullptr) return false;
    *(X ? parts.width_x : parts.width_y) = page::read_measure(text);
    return true;
  });
}

// --- the tables --------------------------------------------------------

constexpr PageRow kOffsetX = header_row<HF::CentX>(1101, "オフセットX");
constexpr PageRow kOffsetY = header_row<HF::CentY>(1102, "オフセットY");
constexpr PageRow kConfirm{1080, "確定", RowKind::Button};

constexpr PageRow kLineTextRows[] = {
    kOffsetX,
    kOffsetY,
    {1103, "横幅", RowKind::Measure, &page::header_read<HF::Width>, &line_text_extent<true>},
    {1104, "縦幅", RowKind::Measure, &page::header_read<HF::Height>, &line_text_extent<false>},
    {1105, "サイズX", RowKind::Measure, &page::block_read<&LineTextParams::size_x>,
     &line_text_size<true>},
    {1106, "サイズY", RowKind::Measure, &page::block_read<&LineTextParams::size_y>,
     &line_text_size<false>},
    block_row<&LineTextParams::char_gap>(1107, "字間"),
    header_row<HF::Angle>(1108, "角度"),
    {1109, "行間", RowKind::Measure, &page::block_read<&LineTextParams::line_gap>, &line_text_gap},
    page::serial_tick_row(),
    page::fields_tick_row(),
    {1110, "文字入力", RowKind::Text, &line_text_read, nullptr},
    kConfirm,
    header_row<HF::Rows>(1111, "行数"),
    header_row<HF::Columns>(1112, "列数"),
    header_row<HF::RowGap>(1114, "行間"),
    header_row<HF::ColumnGap>(1113, "列間"),
    {1311, "文字列方向", RowKind::Choice, &page::block_read<&LineTextParams::vertical>,
     &line_text_direction, kDirections, "文字列方向"},
    page::choice_row<&LineTextParams::align, kAlignments, &align_default>(1321, "文字列の位置揃え"),
};

constexpr PageRow kArcTextRows[] = {
    kOffsetX,
    kOffsetY,
    {1103, "半径X", RowKind::Measure, &page::block_read<&ArcTextParams::radius_x>,
     &arc_radius<true>},
    {1104, "半径Y", RowKind::Measure, &page::block_read<&ArcTextParams::radius_y>,
     &arc_radius<false>},
    block_row<&ArcTextParams::span>(1105, "両端サイズ"),
    header_row<HF::Angle>(1106, "角度"),
    block_row<&ArcTextParams::size_x>(1107, "サイズX"),
    block_row<&ArcTextParams::size_y>(1108, "サイズY"),
    {1109, "文字入力", RowKind::Text, &arc_text_read, nullptr},
    kConfirm,
    header_row<HF::Rows>(1110, "行数"),
    header_row<HF::Columns>(1111, "列数"),
    header_row<HF::RowGap>(1112, "行間"),
    header_row<HF::ColumnGap>(1114, "列間"),
    page::choice_row<&ArcTextParams::downward, kCharDirections, &arc_direction_default>(1301,
                                                                                        "文字方向"),
    page::keep_aspect_row(),
};

constexpr PageRow kPerWordRows[] = {
    per_word_row<&CharRecord::size_x>(1101, "サイズX"),
    per_word_row<&CharRecord::size_y>(1102, "サイズY"),
    per_word_row<&CharRecord::offset_x>(1103, "オフセットX"),
    per_word_row<&CharRecord::offset_y>(1104, "オフセットY"),
    per_word_row<&CharRecord::angle>(1105, "角度"),
    per_word_row<&CharRecord::font_width_x>(1106, "フォント幅X"),
    per_word_row<&CharRecord::font_width_y>(1107, "フォント幅Y"),
    {1108, "線幅X", RowKind::Measure, &stroke_read<true>, &stroke_apply<true>},
    {1109, "線幅Y", RowKind::Measure, &stroke_read<false>, &stroke_apply<false>},
};

// The new text of a block: a table of zeros, the outlines written.
template <class Block>
void renew_text(CketralDoc& doc, MarkObject& o, Block& b, std::string bytes, PageEdit& e) {
  b.text = std::move(bytes);
  b.chars.assign(static_cast<std::size_t>(CountChars(b.text)), CharRecord{});
  if (!WriteObjectGlyphFile(doc, o)) e.status = glyph_failure(b.glyph_file);
  doc.view.per_word_index = 0;
}

template <int32_t Type>
PageEdit confirm_text(CketralDoc& doc, std::string_view typed) {
  if (page::current_of(doc, Type) == nullptr) return {};
  Entered in = enter_text(typed, Type == ARC_TEXT);
  if (!in.refusal.empty()) {
    PageEdit refused;
    refused.status = in.refusal;
    return refused;
  }
  PageEdit out = page::change_current(doc, kTextKey, [&](MarkObject& o, PageEdit& e) {
    if constexpr (Type == LINE_TEXT) {
      auto* b = o.block<LineTextParams>();
      if (b == nullptr) return false;
      std::string text = std::move(in.bytes);
      std::vector<int32_t> lengths = SplitLines(text);
      if (b->variable == 2) {
        // Data fields are filled into a text of one line.
        if (lengths.size() > 1) {
          e.status = "Data fields need a text of one line.";
          return false;
        }
        const TemplateParse t = parse_fields(cp932_to_utf8(text));
        if (!t.ok) {
          e.status = "The data fields cannot be read: " + t.error;
          return false;
        }
      }
      b->line_count = static_cast<int32_t>(lengths.size());
      lengths.push_back(0);  // the spare entry the table always has
      b->line_lengths = std::move(lengths);
      renew_text(doc, o, *b, std::move(text), e);
      // The lines stack across the writing.
      const int32_t n = b->line_count;
      if (b->vertical == 0) {
        o.height = (n - 1) * b->line_gap + n * b->size_y;
      } else {
        o.width = (n - 1) * b->line_gap + n * b->size_x;
      }
    } else {
      auto* b = o.block<ArcTextParams>();
      if (b == nullptr) return false;
      renew_text(doc, o, *b, std::move(in.bytes), e);
    }
    return true;
  });
  if (out.applied && out.status.empty()) out.status = in.note;
  return out;
}

}  // namespace

PageEdit confirm_line_text(CketralDoc& doc, std::string_view typed) {
  return confirm_text<LINE_TEXT>(doc, typed);
}

PageEdit confirm_arc_text(CketralDoc& doc, std::string_view typed) {
  return confirm_text<ARC_TEXT>(doc, typed);
}

std::vector<std::string> text_characters(const CketralDoc& doc) {
  std::vector<std::string> out;
  const auto parts = text_parts(page::current_of(doc));
  if (parts.text == nullptr) return out;
  const std::string_view text = *parts.text;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = char_length_at(text, pos);
    out.push_back(cp932_to_utf8(text.substr(pos, len)));
    pos += len;
  }
  return out;
}

int32_t chosen_character(const CketralDoc& doc) {
  const int32_t n = char_count(doc);
  return std::clamp(doc.view.per_word_index, 0, std::max(n - 1, 0));
}

void choose_character(CketralDoc& doc, int32_t index) {
  doc.view.per_word_index = std::clamp(index, 0, std::max(char_count(doc) - 1, 0));
}

std::span<const PageRow> text_page_rows(PageId id) {
  switch (id) {
    case PageId::LineText:
      return kLineTextRows;
    case PageId::ArcText:
      return kArcTextRows;
    case PageId::PerWord:
      return kPerWordRows;
    default:
      return {};
  }
}

namespace page {

namespace {

int32_t variable_of(const MarkObject* o) {
  if (o == nullptr) return 0;
  if (const auto* p = o->block<LineTextParams>()) return p->variable;
  if (const auto* p = o->block<BarcodeParams>()) return p->variable;
  return 0;
}

// Sets the kind when ticked, clears it when its own tick is cleared.
PageEdit set_variable(CketralDoc& doc, std::string_view text, const RowKey& key, int32_t kind) {
  return change_current(doc, key, [text, kind](MarkObject& o, PageEdit& e) {
    int32_t* v = nullptr;
    std::string_view value;
    if (auto* p = o.block<LineTextParams>()) {
      v = &p->variable;
      value = p->text;
      if (kind == 2 && text == "1" && p->line_count > 1) {
        e.status = "Data fields need a text of one line.";
        return false;
      }
    } else if (auto* b = o.block<BarcodeParams>()) {
      v = &b->variable;
      value = b->text;
    }
    if (v == nullptr) return false;
    if (text != "1") {
      if (*v != kind) return false;
      *v = 0;
      return true;
    }
    if (kind == 2) {
      const TemplateParse t = parse_fields(cp932_to_utf8(value));
      if (!t.ok) {
        e.status = "The data fields cannot be read: " + t.error;
        return false;
      }
    }
    *v = kind;
    return true;
  });
}

}  // namespace

std::string serial_tick_read(const CketralDoc& doc) {
  return variable_of(current_of(doc)) == 1 ? "1" : "0";
}
PageEdit serial_tick_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return set_variable(doc, text, key, 1);
}
std::string fields_tick_read(const CketralDoc& doc) {
  return variable_of(current_of(doc)) == 2 ? "1" : "0";
}
PageEdit fields_tick_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return set_variable(doc, text, key, 2);
}

}  // namespace page

}  // namespace lumetch
