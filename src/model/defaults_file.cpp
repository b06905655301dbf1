#include "model/defaults_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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
  void length(std::string_view text) { field(length_field(text)); }
  void integer(int32_t v) { field(std::to_string(v)); }
  void pitch(double v) { field(format_fixed(v, 7, 3)); }
  void style(const OutputStyle& s) {
    integer(s.output_mode);
    pitch(s.fill_pitch);
    integer(s.fill_direction);
  }

 private:
  std::string& out_;
};

std::string format_defaults(const CreationDefaults& d) {
  std::string out;
  {
    const auto& t = d.line_text;
    LineWriter w(out, "l_text:");
    for (const std::string* s : {&t.width, &t.height, &t.size_x, &t.size_y, &t.char_gap,
                                 &t.line_width_x, &t.line_width_y, &t.angle, &t.line_gap}) {
      w.length(*s);
    }
    w.integer(t.vertical);
    w.integer(t.align);
    const SplitText split = split_breaks(t.text);
    w.field(split.flat, '\t');
    w.field(one_line(t.face_name, "\r\n\t"), '\t');
    w.integer(t.font_weight);
    w.integer(t.font_italic);
    w.integer(t.font_charset);
    w.integer(t.layer);
    w.style(t.style);
    // The table of the text as written, so the two always agree; the entry
    // after the last line is unused.
    w.integer(static_cast<int32_t>(split.lengths.size()));
    for (const int32_t len : split.lengths) w.integer(len);
    w.integer(0);
  }
  {
    const auto& t = d.arc_text;
    LineWriter w(out, "a_text:");
    for (const std::string* s : {&t.size_x, &t.size_y, &t.radius_x, &t.radius_y, &t.span,
                                 &t.line_width_x, &t.line_width_y, &t.angle}) {
      w.length(*s);
    }
    w.integer(t.downward);
    w.field(one_line(t.text, "\r\n"), '\t');
    w.field(one_line(t.face_name, "\r\n\t"), '\t');
    w.integer(t.font_weight);
    w.integer(t.font_italic);
    w.integer(t.font_charset);
    w.integer(t.layer);
    w.style(t.style);
  }
  {
    LineWriter w(out, "line:");
    w.length(d.line.length);
    w.length(d.line.thickness);
    w.length(d.line.angle);
    w.style(d.line.style);
  }
  {
    LineWriter w(out, "rect:");
    w.length(d.rectangle.width);
    w.length(d.rectangle.height);
    w.length(d.rectangle.edge_size);
    w.length(d.rectangle.edge_radius);
    w.integer(d.rectangle.edge_style);
    w.style(d.rectangle.style);
  }
  {
    LineWriter w(out, "ellipse:");
    w.length(d.ellipse.size_x);
    w.length(d.ellipse.size_y);
    w.length(d.ellipse.edge_size);
    w.style(d.ellipse.style);
  }
  {
    LineWriter w(out, "thrangle:");
    w.length(d.triangle.width);
    w.length(d.triangle.height);
    w.length(d.triangle.edge_size);
    w.integer(d.triangle.direction);
    w.style(d.triangle.style);
  }
  {
    LineWriter w(out, "rhombic:");
    w.length(d.rhombic.width);
    w.length(d.rhombic.height);
    w.length(d.rhombic.edge_size);
    w.style(d.rhombic.style);
  }
  {
    LineWriter w(out, "polygon:");
    w.length(d.polygon.size);
    w.length(d.polygon.edge_size);
    w.length(d.polygon.edge_count);
    w.style(d.polygon.style);
  }
  {
    LineWriter w(out, "barcode:");
    w.length(d.barcode.width);
    w.length(d.barcode.height);
    w.field(one_line(d.barcode.text, "\r\n"));
    w.style(d.barcode.style);
  }
  {
    LineWriter w(out, "bmp:");
    w.pitch(d.bmp.fill_pitch);
  }
  {
    LineWriter w(out, "vct:");
    w.integer(d.vct.style.output_mode);
    w.integer(d.vct.style.fill_direction);
    w.pitch(d.vct.style.fill_pitch);
  }
  return out;
}

// --- Reading --------------------------------------------------------------

// The fields of one line in order. A line that ends early leaves the
// remaining fields alone, and so does a number that does not read.
class FieldReader {
 public:
  explicit FieldReader(std::string_view rest) : rest_(rest) {}

  // The next field up to `sep` or the end of the line; nullopt once the line is used up.
  std::optional<std::string_view> next(char sep = ',') {
    if (rest_.empty()) return std::nullopt;
    const std::size_t at = rest_.find(sep);
    const std::string_view f = rest_.substr(0, at);
    rest_ = at == std::string_view::npos ? std::string_view{} : rest_.substr(at + 1);
    return f;
  }
  std::string_view rest() const { return rest_; }
  void set_rest(std::string_view rest) { rest_ = rest; }

  void length(std::string& out) {
    if (const auto f = next()) out = std::string(f->substr(0, kLengthTextMax));
  }
  void text(std::string& out, char sep) {
    if (const auto f = next(sep)) out = std::string(*f);
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
  void style(OutputStyle& s) {
    integer(s.output_mode);
    real(s.fill_pitch);
    integer(s.fill_direction);
  }

 private:
  std::string_view rest_;
};

// Where the text and face fields of a text line end. The face never holds a
// tab, so the text runs to the last tab but one: a tab typed into the text
// does not shift the fields after it. Returns the text and leaves the reader
// at the face.
std::optional<std::string> take_text_before_face(FieldReader& r) {
  const std::string_view rest = r.rest();
  if (rest.empty()) return std::nullopt;
  const std::size_t last = rest.rfind('\t');
  std::size_t end = last;
  if (last != std::string_view::npos && last > 0) {
    const std::size_t before = rest.rfind('\t', last - 1);
    if (before != std::string_view::npos) end = before;
  }
  if (end == std::string_view::npos) {
    r.set_rest({});
    return std::string(rest);
  }
  r.set_rest(rest.substr(end + 1));
  return std::string(rest.substr(0, end));
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

void read_line_text(FieldReader& r, CreationDefaults::LineText& t) {
  for (std::string* s : {&t.width, &t.height, &t.size_x, &t.size_y, &t.char_gap, &t.line_width_x,
                         &t.line_width_y, &t.angle, &t.line_gap}) {
    r.length(*s);
  }
  r.integer(t.vertical);
  r.integer(t.align);
  const auto text = take_text_before_face(r);
  if (text) t.text = *text;
  r.text(t.face_name, '\t');
  r.integer(t.font_weight);
  r.integer(t.font_italic);
  r.integer(t.font_charset);
  r.integer(t.layer);
  r.style(t.style);
  read_line_table(r, t, text.has_value());
}

void read_arc_text(FieldReader& r, CreationDefaults::ArcText& t) {
  for (std::string* s : {&t.size_x, &t.size_y, &t.radius_x, &t.radius_y, &t.span, &t.line_width_x,
                         &t.line_width_y, &t.angle}) {
    r.length(*s);
  }
  r.integer(t.downward);
  if (const auto text = take_text_before_face(r)) t.text = *text;
  r.text(t.face_name, '\t');
  r.integer(t.font_weight);
  r.integer(t.font_italic);
  r.integer(t.font_charset);
  r.integer(t.layer);
  r.style(t.style);
}

// The three style fields follow the barcode text, so the text runs to the
// third "," from the end when there are that many: a "," in the text does
// not shift them.
void read_barcode(FieldReader& r, CreationDefaults::Barcode& b) {
  r.length(b.width);
  r.length(b.height);
  const std::string_view rest = r.rest();
  std::size_t end = rest.size();
  int found = 0;
  while (found < 3 && end > 0) {
    const std::size_t at = rest.rfind(',', end - 1);
    if (at == std::string_view::npos) break;
    end = at;
    ++found;
  }
  if (found == 3) {
    b.text = std::string(rest.substr(0, end));
    r.set_rest(rest.substr(end + 1));
  } else {
    r.text(b.text, ',');
  }
  r.style(b.style);
}

void read_line(std::string_view line, CreationDefaults& d) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return;
  const char first = line[0];
  const char second = colon > 1 ? line[1] : '\0';
  FieldReader r(line.substr(colon + 1));
  switch (first) {
    case 'a':
      read_arc_text(r, d.arc_text);
      break;
    case 'b':
      if (second == 'a') {
        read_barcode(r, d.barcode);
      } else {
        r.real(d.bmp.fill_pitch);
      }
      break;
    case 'e':
      r.length(d.ellipse.size_x);
      r.length(d.ellipse.size_y);
      r.length(d.ellipse.edge_size);
      r.style(d.ellipse.style);
      break;
    case 'l':
      if (second == 'i') {
        r.length(d.line.length);
        r.length(d.line.thickness);
        r.length(d.line.angle);
        r.style(d.line.style);
      } else {
        read_line_text(r, d.line_text);
      }
      break;
    case 'p':
      r.length(d.polygon.size);
      r.length(d.polygon.edge_size);
      r.length(d.polygon.edge_count);
      r.style(d.polygon.style);
      break;
    case 'r':
      if (second == 'e') {
        r.length(d.rectangle.width);
        r.length(d.rectangle.height);
        r.length(d.rectangle.edge_size);
        r.length(d.rectangle.edge_radius);
        r.integer(d.rectangle.edge_style);
        r.style(d.rectangle.style);
      } else {
        r.length(d.rhombic.width);
        r.length(d.rhombic.height);
        r.length(d.rhombic.edge_size);
        r.style(d.rhombic.style);
      }
      break;
    case 't':
      r.length(d.triangle.width);
      r.length(d.triangle.height);
      r.length(d.triangle.edge_size);
      r.integer(d.triangle.direction);
      r.style(d.triangle.style);
      break;
    case 'v':
      r.integer(d.vct.style.output_mode);
      r.integer(d.vct.style.fill_direction);
      r.real(d.vct.style.fill_pitch);
      break;
    default:
      break;
  }
}

}  // namespace

ReadResult load_defaults(const std::filesystem::path& path, CreationDefaults& defaults) {
  const InputText file = read_input_file(path);
  if (!file.ok()) return file;
  std::istringstream in(file.text);
  std::string line;
  while (read_line_capped(in, line, kMaxLine + 1)) {
    if (line.size() > kMaxLine) continue;
    read_line(line, defaults);
  }
  return file;
}

bool save_defaults(const std::filesystem::path& path, const CreationDefaults& defaults) {
  return write_file_atomically(path, format_defaults(defaults));
}

}  // namespace lumetch
