#include "model/layout_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/text_codec.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

// Builds one record line: "," between fields, "\n" after the last.
class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}

  void real(double v, int width = 7, int precision = 3) {
    separate();
    out_ += format_fixed(v, width, precision);
  }

  void integer(int32_t v) {
    separate();
    std::array<char, 16> buf;
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    out_.append(buf.data(), static_cast<std::size_t>(r.ptr - buf.data()));
  }

  void end_line() {
    out_ += '\n';
    first_ = true;
  }

  // A text field closed by a tab instead of ","; the next field follows the
  // tab directly.
  void tabbed(std::string_view text) {
    separate();
    out_ += text;
    out_ += '\t';
    first_ = true;
  }

  // A text that runs to the end of the line.
  void last_text(std::string_view text) {
    separate();
    out_ += text;
  }

  // A number followed by "," even when it is the last of the line.
  void real_listed(double v) {
    out_ += format_fixed(v, 7, 3);
    out_ += ',';
  }

 private:
  void separate() {
    if (!first_) out_ += ',';
    first_ = false;
  }

  std::string& out_;
  bool first_ = true;
};

// Reads the fields of one record line in order. Blanks before a number are
// allowed (the fixed-width fields carry them); right after a number must come
// "," or the end of the line. Any failure sticks, so a caller may read the
// whole record and test ok() once.
class RecordReader {
 public:
  explicit RecordReader(std::string_view line) : rest_(trim_end(line)) {}

  double real() {
    const std::string_view text = number_text();
    double v = 0.0;
    if (!ok_) return v;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{} || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
      ok_ = false;
      return 0.0;
    }
    return v;
  }

  int32_t integer() {
    const std::string_view text = number_text();
    int32_t v = 0;
    if (!ok_) return v;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{} || r.ptr != text.data() + text.size()) {
      ok_ = false;
      return 0;
    }
    return v;
  }

  // The text up to the next tab, which is consumed.
  std::string tabbed() {
    if (!ok_ || at_end_) {
      ok_ = false;
      return {};
    }
    const std::size_t tab = rest_.find('\t');
    if (tab == std::string_view::npos) {
      ok_ = false;
      return {};
    }
    std::string text(rest_.substr(0, tab));
    rest_.remove_prefix(tab + 1);
    return text;
  }

  // Everything left on the line.
  std::string rest_text() {
    if (!ok_ || at_end_) {
      ok_ = false;
      return {};
    }
    std::string text(rest_);
    rest_ = {};
    at_end_ = true;
    return text;
  }

  // True when every field was read and the last one ended the line.
  bool finish() const { return ok_ && at_end_; }
  // The same for lines whose last field is followed by ",".
  bool finish_listed() const {
    return ok_ && (at_end_ || rest_.find_first_not_of(" \t") == std::string_view::npos);
  }
  bool ok() const { return ok_; }

 private:
  static bool is_blank(char c) { return c == ' ' || c == '\t'; }

  // Drops the line terminator; files from the old program end lines in "\r\n".
  static std::string_view trim_end(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
  }

  // The characters of the next field without its blanks and separator; a
  // leading "+" is dropped because from_chars does not take it.
  std::string_view number_text() {
    if (!ok_ || at_end_) {
      ok_ = false;  // a field is missing
      return {};
    }
    std::size_t i = 0;
    while (i < rest_.size() && is_blank(rest_[i])) ++i;
    if (i + 1 < rest_.size() && rest_[i] == '+' && rest_[i + 1] != '-') ++i;
    const std::size_t start = i;
    while (i < rest_.size() && rest_[i] != ',') ++i;
    std::string_view text = rest_.substr(start, i - start);
    if (i == rest_.size()) {
      // Blanks may trail the last field of a line.
      while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
      at_end_ = true;
      rest_ = {};
    } else {
      rest_.remove_prefix(i + 1);  // past the ","
    }
    if (text.empty()) ok_ = false;
    return text;
  }

  std::string_view rest_;
  bool ok_ = true;
  bool at_end_ = false;
};

void write_header(RecordWriter& w, const MarkObject& obj, bool offset) {
  w.integer(obj.type);
  w.integer(obj.rows);
  w.integer(obj.columns);
  w.real(obj.row_gap);
  w.real(obj.column_gap);
  w.real(offset ? obj.cent_x + 1.0 : obj.cent_x);
  w.real(offset ? obj.cent_y + 1.0 : obj.cent_y);
  w.real(obj.width);
  w.real(obj.height);
  w.real(obj.angle);
  w.integer(obj.layer);
  w.integer(obj.output_mode);
  w.real(obj.fill_pitch);
  w.integer(obj.fill_direction);
  w.integer(obj.keep_aspect);
  w.integer(obj.mirror_x);
  w.integer(obj.mirror_y);
}

void read_header(RecordReader& r, MarkObject& obj) {
  obj.rows = r.integer();
  obj.columns = r.integer();
  obj.row_gap = r.real();
  obj.column_gap = r.real();
  obj.cent_x = r.real();
  obj.cent_y = r.real();
  obj.width = r.real();
  obj.height = r.real();
  obj.angle = r.real();
  obj.layer = r.integer();
  obj.output_mode = r.integer();
  obj.fill_pitch = r.real();
  obj.fill_direction = r.integer();
  obj.keep_aspect = r.integer();
  obj.mirror_x = r.integer();
  obj.mirror_y = r.integer();
}

void write_char_record(RecordWriter& w, const CharRecord& c) {
  w.real(c.size_x);
  w.real(c.size_y);
  w.real(c.offset_x);
  w.real(c.offset_y);
  w.real(c.angle);
  w.real(c.font_width_x);
  w.real(c.font_width_y);
}

CharRecord read_char_record(RecordReader& r) {
  CharRecord c;
  c.size_x = r.real();
  c.size_y = r.real();
  c.offset_x = r.real();
  c.offset_y = r.real();
  c.angle = r.real();
  c.font_width_x = r.real();
  c.font_width_y = r.real();
  return c;
}

// The record of character i; texts whose records went missing read zeros.
CharRecord char_record_at(const std::vector<CharRecord>& chars, std::size_t i) {
  return i < chars.size() ? chars[i] : CharRecord{};
}

// Written after a variable text's record (and its character lines). Readers
// of the plain format skip it, as they skip every line of type 0, so the
// flag survives saving without changing any record.
constexpr std::string_view kVariableLine = "0,variable,1\n";

bool is_variable(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return p->variable == 1;
  if (const auto* p = obj.block<BarcodeParams>()) return p->variable == 1;
  return false;
}

}  // namespace

std::string format_record(const MarkObject& obj, bool offset) {
  std::string out;
  RecordWriter w(out);
  switch (obj.type) {
    case LINE:
      if (const auto* p = obj.block<LineParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.end_line();
      }
      break;
    case RECTANGLE:
      if (const auto* p = obj.block<RectangleParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.real(p->edge_size);
        w.integer(p->edge_style);
        w.real(p->edge_radius, 4, 2);
        w.end_line();
      }
      break;
    case CIRCLE:
      if (const auto* p = obj.block<CircleParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.real(p->edge_size);
        w.end_line();
      }
      break;
    case TRIANGLE:
      if (const auto* p = obj.block<TriangleParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.real(p->edge_size);
        w.integer(p->direction);
        w.end_line();
      }
      break;
    case RHOMBIC:
      if (const auto* p = obj.block<RhombicParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x, 7, 2);
        w.real(p->size_y, 7, 2);
        w.real(p->edge_size, 7, 2);
        w.end_line();
      }
      break;
    case POLYGON:
      if (const auto* p = obj.block<PolygonParams>()) {
        write_header(w, obj, offset);
        w.real(p->size);
        w.real(p->edge_size);
        w.integer(p->edge_count);
        w.end_line();
      }
      break;
    case LINE_TEXT:
      if (const auto* p = obj.block<LineTextParams>()) {
        write_header(w, obj, offset);
        w.real(p->char_gap);
        w.real(p->size_x);
        w.real(p->size_y);
        w.real(p->line_width_x);
        w.real(p->line_width_y);
        w.integer(p->vertical);
        w.integer(p->align);
        w.integer(p->font_weight);
        w.integer(p->font_italic);
        w.integer(p->font_charset);
        w.tabbed(p->face_name);
        w.tabbed(p->text);
        w.real(p->line_gap);
        w.integer(p->line_count);
        for (int32_t i = 0; i <= p->line_count; ++i) {
          const auto at = static_cast<std::size_t>(i);
          w.integer(at < p->line_lengths.size() ? p->line_lengths[at] : 0);
        }
        w.end_line();
        const auto n = static_cast<std::size_t>(CountChars(p->text));
        for (std::size_t i = 0; i < n; ++i) {
          write_char_record(w, char_record_at(p->chars, i));
          w.end_line();
        }
      }
      break;
    case ARC_TEXT:
      if (const auto* p = obj.block<ArcTextParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.integer(p->downward);
        w.real(p->radius_x);
        w.real(p->radius_y);
        w.real(p->span);
        w.real(p->line_width_x);
        w.real(p->line_width_y);
        w.integer(p->font_weight);
        w.integer(p->font_italic);
        w.integer(p->font_charset);
        w.tabbed(p->face_name);
        w.tabbed(p->text);
        const auto n = static_cast<std::size_t>(CountChars(p->text));
        for (std::size_t i = 0; i < n; ++i) {
          const CharRecord c = char_record_at(p->chars, i);
          for (double v : {c.size_x, c.size_y, c.offset_x, c.offset_y, c.angle, c.font_width_x,
                           c.font_width_y}) {
            w.real_listed(v);
          }
        }
        w.end_line();
      }
      break;
    case BARCODE:
      if (const auto* p = obj.block<BarcodeParams>()) {
        write_header(w, obj, offset);
        w.real(p->size_x);
        w.real(p->size_y);
        w.real(p->bar_width);
        w.integer(p->display_type);
        w.last_text(p->text);
        w.end_line();
      }
      break;
    case PLT:
      if (const auto* p = obj.block<PltBlock>()) {
        write_header(w, obj, offset);
        w.last_text(p->source_path);
        w.end_line();
      }
      break;
    case BMP:
      if (const auto* p = obj.block<BmpBlock>()) {
        write_header(w, obj, offset);
        w.integer(p->style);
        w.last_text(p->source_path);
        w.end_line();
      }
      break;
    case VCT:
      if (const auto* p = obj.block<VctBlock>()) {
        write_header(w, obj, offset);
        w.last_text(p->source_path);
        w.end_line();
      }
      break;
    default:
      break;
  }
  if (!out.empty() && is_variable(obj)) out += kVariableLine;
  return out;
}

std::unique_ptr<MarkObject> parse_record(std::string_view line) {
  RecordReader r(line);
  const int32_t type = r.integer();
  if (!r.ok() || !is_object_type(type)) return nullptr;

  auto obj = std::make_unique<MarkObject>();
  obj->type = type;
  obj->selected = 1;
  read_header(r, *obj);
  // The layer indexes the per-layer colour and marking tables.
  if (obj->layer < 0 || obj->layer >= kLayerCount) return nullptr;

  switch (type) {
    case LINE: {
      LineParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      obj->params = p;
      break;
    }
    case RECTANGLE: {
      RectangleParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.edge_size = r.real();
      p.edge_style = r.integer();
      p.edge_radius = r.real();
      obj->params = p;
      break;
    }
    case CIRCLE: {
      CircleParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.edge_size = r.real();
      obj->params = p;
      break;
    }
    case TRIANGLE: {
      TriangleParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.edge_size = r.real();
      p.direction = r.integer();
      obj->params = p;
      break;
    }
    case RHOMBIC: {
      RhombicParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.edge_size = r.real();
      obj->params = p;
      break;
    }
    case POLYGON: {
      PolygonParams p;
      p.size = r.real();
      p.edge_size = r.real();
      p.edge_count = r.integer();
      obj->params = p;
      break;
    }
    case LINE_TEXT: {
      LineTextParams p;
      p.char_gap = r.real();
      p.size_x = r.real();
      p.size_y = r.real();
      p.line_width_x = r.real();
      p.line_width_y = r.real();
      p.vertical = r.integer();
      p.align = r.integer();
      p.font_weight = r.integer();
      p.font_italic = r.integer();
      p.font_charset = r.integer();
      p.face_name = r.tabbed();
      p.text = r.tabbed();
      p.line_gap = r.real();
      p.line_count = r.integer();
      if (!r.ok() || p.line_count < 0) return nullptr;
      // Read entry by entry: a count that promises more than the line holds
      // fails at the first missing field instead of reserving memory for it.
      p.line_lengths.clear();
      for (int32_t i = 0; i <= p.line_count && r.ok(); ++i) {
        const int32_t length = r.integer();
        if (i < p.line_count && length < 0) return nullptr;
        p.line_lengths.push_back(length);
      }
      p.chars.assign(static_cast<std::size_t>(CountChars(p.text)), CharRecord{});
      p.variable = 0;
      obj->params = std::move(p);
      break;
    }
    case ARC_TEXT: {
      ArcTextParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.downward = r.integer();
      p.radius_x = r.real();
      p.radius_y = r.real();
      p.span = r.real();
      p.line_width_x = r.real();
      p.line_width_y = r.real();
      p.font_weight = r.integer();
      p.font_italic = r.integer();
      p.font_charset = r.integer();
      p.face_name = r.tabbed();
      p.text = r.tabbed();
      const auto n = static_cast<std::size_t>(CountChars(p.text));
      p.chars.clear();
      for (std::size_t i = 0; i < n && r.ok(); ++i) p.chars.push_back(read_char_record(r));
      if (!r.finish_listed()) return nullptr;
      obj->params = std::move(p);
      return obj;
    }
    case BARCODE: {
      BarcodeParams p;
      p.size_x = r.real();
      p.size_y = r.real();
      p.bar_width = r.real();
      p.display_type = r.integer();
      p.text = r.rest_text();
      // The block holds at most 255 bytes.
      if (p.text.size() > kBarcodeTextMax) p.text.resize(kBarcodeTextMax);
      p.variable = 0;
      obj->params = std::move(p);
      break;
    }
    case PLT: {
      PltBlock p;
      p.source_path = r.rest_text();
      obj->params = std::move(p);
      break;
    }
    case BMP: {
      BmpBlock p;
      p.style = r.integer();
      p.source_path = r.rest_text();
      obj->params = std::move(p);
      break;
    }
    case VCT: {
      VctBlock p;
      p.source_path = r.rest_text();
      obj->params = std::move(p);
      break;
    }
    default:
      return nullptr;
  }
  if (!r.finish()) return nullptr;
  return obj;
}

std::optional<CharRecord> parse_char_line(std::string_view line) {
  RecordReader r(line);
  const CharRecord c = read_char_record(r);
  if (!r.finish()) return std::nullopt;
  return c;
}

bool apply_extension_line(std::string_view line, MarkObject* obj) {
  std::string_view body = line;
  while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.remove_suffix(1);
  if (body.substr(0, 2) != "0,") return false;
  if (body == kVariableLine.substr(0, kVariableLine.size() - 1) && obj != nullptr) {
    if (auto* p = obj->block<LineTextParams>()) p->variable = 1;
    if (auto* p = obj->block<BarcodeParams>()) p->variable = 1;
  }
  return true;  // unknown extensions are ignored, as plain readers ignore them all
}

bool save_layout(const CketralDoc& doc, const std::filesystem::path& path, bool all, bool offset,
                 std::string* reason) {
  std::string text;
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (!all && obj.selected == 0) continue;
    text += format_record(obj, offset);
  }
  return write_file_atomically(path, text, reason);
}

OpenResult open_layout(CketralDoc& doc, const std::filesystem::path& path, const LoadHooks& hooks) {
  OpenResult result;
  const InputText file = read_input_file(path);
  result.file = file;
  if (!file.ok()) {
    result.objects_read = -1;
    return result;
  }
  std::istringstream in(file.text);

  for (MarkObject& obj : doc.ring.oldest_first()) obj.selected = 0;

  std::vector<MarkObject*> read;
  int32_t kind = 0;
  std::string line;
  bool pending = false;  // `line` was read ahead and still needs handling
  // getline grows the string as needed: a long line stays one record.
  while (pending || std::getline(in, line)) {
    pending = false;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    if (apply_extension_line(line, read.empty() ? nullptr : read.back())) continue;
    std::unique_ptr<MarkObject> record = parse_record(line);
    if (record == nullptr) {
      ++result.lines_skipped;
      continue;
    }
    if (auto* p = record->block<LineTextParams>()) {
      // One line per character follows. A line that is not a character line
      // means the file was cut short: the rest of the records stay zero and
      // the line is read again as what it is.
      for (CharRecord& c : p->chars) {
        if (!std::getline(in, line)) break;
        const std::optional<CharRecord> parsed = parse_char_line(line);
        if (!parsed) {
          ++result.char_lines_missing;
          pending = true;
          break;
        }
        c = *parsed;
      }
    }
    const int32_t type = record->type;
    MarkObject* obj = doc.ring.add(std::move(record));
    // add() deselects the others; everything read stays selected.
    for (MarkObject* earlier : read) earlier->selected = 1;
    obj->selected = 1;
    read.push_back(obj);
    doc.update_screen_rect(*obj);
    kind = read.size() == 1 ? type : -1;
    const std::string name = next_object_name(doc.object_list, object_prefix(type));
    doc.object_list.append(name);
    const std::string glyph_file = (doc.scratch_dir() / (name + ".txt")).string();
    if (auto* p = obj->block<LineTextParams>()) p->glyph_file = glyph_file;
    if (auto* p = obj->block<ArcTextParams>()) p->glyph_file = glyph_file;
    if (hooks.object_loaded) hooks.object_loaded(doc, *obj);
  }

  result.objects_read = static_cast<int>(read.size());
  doc.switch_sheet(kind);
  doc.object_list.select(kind == 0 || kind == -1 ? 0 : doc.object_list.size() - 1);
  doc.notify_list_changed();
  return result;
}

}  // namespace lumetch
