#include "model/defaults_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "model/field_table.h"
#include "model/settings_file.h"
#include "platform/text_file.h"

namespace lumetch {
namespace {

// A defaults line holds a few hundred bytes; a longer one is skipped whole
// rather than read as a cut-off text.
constexpr std::size_t kMaxLine = 64 * 1024;
// Length and angle texts are edit-box texts of at most this many bytes.
constexpr std::size_t kLengthTextMax = 9;
// More lines than this in the line table is no table.
constexpr int32_t kMaxLines = 1 << 20;

// --- Line breaks of the line text ---------------------------------------
// The default line text keeps its lines separated by CR LF, but a defaults
// line may not hold a break: the file stores the text without breaks and the
// line table tells where they were.

struct SplitText {
  std::string flat;
  std::vector<int32_t> lengths;  // one per line
};

// A CR LF pair, a lone CR or a lone LF ends a line.
SplitText split_breaks(std::string_view text) {
  SplitText s;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      s.flat.push_back(c);
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    s.lengths.push_back(static_cast<int32_t>(s.flat.size() - line_start));
    line_start = s.flat.size();
  }
  s.lengths.push_back(static_cast<int32_t>(s.flat.size() - line_start));
  return s;
}

std::string join_breaks(std::string_view flat, const std::vector<int32_t>& lengths, int32_t count) {
  std::string out;
  std::size_t pos = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0) out += "\r\n";
    const auto len = static_cast<std::size_t>(lengths[static_cast<std::size_t>(i)]);
    out.append(flat.substr(pos, len));
    pos += len;
  }
  return out;
}

// --- Writing --------------------------------------------------------------

// A typed length text, as far as it can sit between two "," of one line.
// Conversion reads a number only up to the first such character anyway.
std::string_view length_field(std::string_view text) {
  return text.substr(0, text.find_first_of(",\r\n"));
}

// A text that must stay on its line (and, for the face, before its tab).
std::string one_line(std::string_view text, std::string_view drop) {
  std::string out;
  for (const char c : text) {
    if (drop.find(c) == std::string_view::npos) out.push_back(c);
  }
  return out;
}

class LineWriter {
 public:
  LineWriter(std::string& out, std::string_view keyword) : out_(out) { out_ += keyword; }
  ~LineWriter() {
    if (!out_.empty() && out_.back() == ',') out_.back() = '\n';
  }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void field(std::string_view text, char sep = ',') {
    out_ += text;
    out_ += sep;
  }
  void integer(int32_t v) { field(std::to_string(v)); }
  void pitch(double v) { field(format_fixed(v, 7, 3)); }
  void style(const OutputStyle& s, StylePart part) {
    if (part == StylePart::All || part == StylePart::Mode) integer(s.output_mode);
    if (part == StylePart::All || part == StylePart::Pitch) pitch(s.fill_pitch);
    if (part == StylePart::All || part == StylePart::Direction) integer(s.fill_direction);
  }

 private:
  std::string& out_;
};

template <class Record>
void write_fields(LineWriter& w, const Record& rec) {
  for (const DefaultsFieldDef<Record>& f : defaults_fields<Record>()) {
    std::visit(
        [&](auto member) {
          const auto& v = rec.*member;
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            if (f.format == DefaultsFormat::Typed) {
              w.field(length_field(v));
            } else if (f.format == DefaultsFormat::OpenText) {
              w.field(one_line(v, "\r\n"), f.sep);
            } else {
              const char drop[] = {'\r', '\n', f.sep};
              w.field(one_line(v, std::string_view(drop, sizeof drop)), f.sep);
            }
          } else if constexpr (std::is_same_v<T, int32_t>) {
            w.integer(v);
          } else if constexpr (std::is_same_v<T, double>) {
            w.pitch(v);
          } else {
            w.style(v, f.part);
          }
        },
        f.member);
  }
}

template <class Record>
void write_record(std::string& out, std::string_view keyword, const Record& rec) {
  LineWriter w(out, keyword);
  write_fields(w, rec);
}

// The line table cannot be a table field: its length follows the text. It is
// built from the text as written, so the two always agree; the entry after
// the last line is unused.
void write_line_text(std::string& out, const CreationDefaults::LineText& t) {
  LineWriter w(out, "l_text:");
  write_fields(w, t);
  const SplitText split = split_breaks(t.text);
  w.integer(static_cast<int32_t>(split.lengths.size()));
  for (const int32_t len : split.lengths) w.integer(len);
  w.integer(0);
}

}  // namespace

std::string format_defaults(const CreationDefaults& d) {
  std::string out;
  write_line_text(out, d.line_text);
  write_record(out, "a_text:", d.arc_text);
  write_record(out, "line:", d.line);
  write_record(out, "rect:", d.rectangle);
  write_record(out, "ellipse:", d.ellipse);
  write_record(out, "thrangle:", d.triangle);
  write_record(out, "rhombic:", d.rhombic);
  write_record(out, "polygon:", d.polygon);
  write_record(out, "barcode:", d.barcode);
  write_record(out, "bmp:", d.bmp);
  write_record(out, "vct:", d.vct);
  return out;
}

namespace {

// --- Reading --------------------------------------------------------------

// The fields of one line in order. A line that ends early leaves the
// remaining fields alone, and so does a number that does not read.
class FieldReader {
 public:
  explicit FieldReader(std::string_view rest) : rest_(rest) {}

  bool used_up() const { return rest_.empty(); }

  // The next field up to `sep` or the end of the line; nullopt once the line is used up.
  std::optional<std::string_view> next(char sep = ',') {
    if (rest_.empty()) return std::nullopt;
    const std::size_t at = rest_.find(sep);
    const std::string_view f = rest_.substr(0, at);
    rest_ = at == std::string_view::npos ? std::string_view{} : rest_.substr(at + 1);
    return f;
  }
  // A field that may hold `sep`, which the rest of the line holds `count`
  // times as written: it runs to the count-th from the end (to the end when
  // none), so the fields after it do not shift. With fewer in the line it
  // ends at its first.
  std::optional<std::string_view> next_leaving(char sep, int count) {
    if (rest_.empty()) return std::nullopt;
    std::size_t end = rest_.size();
    int found = 0;
    while (found < count && end > 0) {
      const std::size_t at = rest_.rfind(sep, end - 1);
      if (at == std::string_view::npos) break;
      end = at;
      ++found;
    }
    if (found < count) return next(sep);
    const std::string_view f = rest_.substr(0, end);
    rest_ = end == rest_.size() ? std::string_view{} : rest_.substr(end + 1);
    return f;
  }

  void integer(int32_t& out) {
    if (const auto f = next()) {
      if (const auto v = parse_int_field(*f)) out = *v;
    }
  }
  void real(double& out) {
    if (const auto f = next()) {
      if (const auto v = parse_double_field(*f)) out = *v;
    }
  }
  void style(OutputStyle& s, StylePart part) {
    if (part == StylePart::All || part == StylePart::Mode) integer(s.output_mode);
    if (part == StylePart::All || part == StylePart::Pitch) real(s.fill_pitch);
    if (part == StylePart::All || part == StylePart::Direction) integer(s.fill_direction);
  }

 private:
  std::string_view rest_;
};

// How many `sep` a line holds from the field at `at` on, its own included.
// The last "," of a line is its line feed; the line text's line table, which
// follows its fields, holds no tab, and its only open text is closed by one.
template <class Record>
int separators_from(std::span<const DefaultsFieldDef<Record>> fields, std::size_t at, char sep) {
  int n = 0;
  for (std::size_t i = at; i < fields.size(); ++i) {
    if (fields[i].sep != sep) continue;
    n += fields[i].format == DefaultsFormat::Style && fields[i].part == StylePart::All ? 3 : 1;
  }
  if (sep == ',') --n;
  return n;
}

// Returns how many of the fields the line reached.
template <class Record>
std::size_t read_fields(FieldReader& r, Record& rec) {
  const std::span<const DefaultsFieldDef<Record>> fields = defaults_fields<Record>();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (r.used_up()) return i;
    const DefaultsFieldDef<Record>& f = fields[i];
    std::visit(
        [&](auto member) {
          auto& v = rec.*member;
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            const auto text = f.format == DefaultsFormat::OpenText
                                  ? r.next_leaving(f.sep, separators_from(fields, i, f.sep))
                                  : r.next(f.sep);
            if (!text) return;
            v = f.format == DefaultsFormat::Typed ? std::string(text->substr(0, kLengthTextMax))
                                                  : std::string(*text);
          } else if constexpr (std::is_same_v<T, int32_t>) {
            r.integer(v);
          } else if constexpr (std::is_same_v<T, double>) {
            r.real(v);
          } else {
            r.style(v, f.part);
          }
        },
        f.member);
  }
  return fields.size();
}

// The line table after the text; applied only when it describes the text
// read, otherwise the table is taken from the text's own breaks.
void read_line_table(FieldReader& r, CreationDefaults::LineText& t, bool text_read) {
  if (!text_read) return;  // text and table keep their values together
  const SplitText split = split_breaks(t.text);
  int32_t count = 0;
  std::vector<int32_t> lengths;
  bool ok = false;
  if (const auto f = r.next()) {
    const auto c = parse_int_field(*f);
    if (c && *c >= 1 && *c <= kMaxLines) {
      count = *c;
      ok = true;
      int64_t sum = 0;
      // Entry by entry: a count that promises more than the line holds stops
      // at the first missing field.
      for (int32_t i = 0; i <= count && ok; ++i) {
        const auto e = r.next();
        const auto v = e ? parse_int_field(*e) : std::nullopt;
        ok = v.has_value() && (i == count || *v >= 0);
        if (!ok) break;
        if (i < count) sum += *v;
        lengths.push_back(*v);
      }
      ok = ok && sum == static_cast<int64_t>(split.flat.size());
    }
  }
  if (ok) {
    t.text = join_breaks(split.flat, lengths, count);
    t.line_count = count;
    t.line_lengths = std::move(lengths);
  } else {
    t.line_count = static_cast<int32_t>(split.lengths.size());
    t.line_lengths = split.lengths;
    t.line_lengths.push_back(0);
  }
}

// The fields through the text's own, then the line table for that text.
void read_line_text(FieldReader& r, CreationDefaults::LineText& t) {
  using LineText = CreationDefaults::LineText;
  const std::span<const DefaultsFieldDef<LineText>> fields = defaults_fields<LineText>();
  std::size_t text_at = 0;
  while (text_at < fields.size() &&
         fields[text_at].member != decltype(fields[text_at].member){&LineText::text}) {
    ++text_at;
  }
  const std::size_t reached = read_fields(r, t);
  read_line_table(r, t, reached > text_at);
}

void read_line(std::string_view line, CreationDefaults& d) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return;
  const char first = line[0];
  const char second = colon > 1 ? line[1] : '\0';
  FieldReader r(line.substr(colon + 1));
  switch (first) {
    case 'a':
      read_fields(r, d.arc_text);
      break;
    case 'b':
      if (second == 'a') {
        read_fields(r, d.barcode);
      } else {
        read_fields(r, d.bmp);
      }
      break;
    case 'e':
      read_fields(r, d.ellipse);
      break;
    case 'l':
      if (second == 'i') {
        read_fields(r, d.line);
      } else {
        read_line_text(r, d.line_text);
      }
      break;
    case 'p':
      read_fields(r, d.polygon);
      break;
    case 'r':
      if (second == 'e') {
        read_fields(r, d.rectangle);
      } else {
        read_fields(r, d.rhombic);
      }
      break;
    case 't':
      read_fields(r, d.triangle);
      break;
    case 'v':
      read_fields(r, d.vct);
      break;
    default:
      break;
  }
}

}  // namespace

ReadResult load_defaults(const std::filesystem::path& path, CreationDefaults& defaults) {
  const InputText file = read_input_file(path);
  if (file.ok()) parse_defaults(file.text, defaults);
  return file;
}

void parse_defaults(std::string_view text, CreationDefaults& defaults) {
  std::istringstream in{std::string(text)};
  std::string line;
  while (read_line_capped(in, line, kMaxLine + 1)) {
    if (line.size() > kMaxLine) continue;
    read_line(line, defaults);
  }
}

bool save_defaults(const std::filesystem::path& path, const CreationDefaults& defaults) {
  return write_file_atomically(path, format_defaults(defaults));
}

}  // namespace lumetch
