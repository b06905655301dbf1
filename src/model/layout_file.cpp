#include "model/layout_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <sstream>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

#include "model/edit.h"
#include "model/field_table.h"
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

template <class Record>
void write_fields(RecordWriter& w, const Record& rec, std::span<const FieldDef<Record>> fields) {
  for (const FieldDef<Record>& f : fields) {
    std::visit(
        [&](auto member) {
          const auto& v = rec.*member;
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, double>) {
            w.real(v, f.width, f.precision);
          } else if constexpr (std::is_same_v<T, int32_t>) {
            w.integer(v);
          } else if (f.format == FieldFormat::Text) {
            w.tabbed(v);
          } else {
            w.last_text(v);
          }
        },
        f.member);
  }
}

// GCC 12 warns that a text member might lie outside blocks that have none,
// which the tables never name: the warning is wrong here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
template <class Record>
void read_fields(RecordReader& r, Record& rec, std::span<const FieldDef<Record>> fields) {
  for (const FieldDef<Record>& f : fields) {
    if (const auto* m = std::get_if<double Record::*>(&f.member)) {
      rec.** m = r.real();
    } else if (const auto* n = std::get_if<int32_t Record::*>(&f.member)) {
      rec.** n = r.integer();
    } else if (const auto* t = std::get_if<std::string Record::*>(&f.member)) {
      rec.** t = f.format == FieldFormat::Text ? r.tabbed() : r.rest_text();
    }
  }
}
#pragma GCC diagnostic pop

void write_header(RecordWriter& w, const MarkObject& obj, bool offset) {
  w.integer(obj.type);
  if (!offset) {
    write_fields(w, obj, header_fields());
    return;
  }
  // A copy on the clipboard lands 1 mm right and 1 mm up.
  MarkObject moved;
  moved.params = std::monostate{};
  for (const FieldDef<MarkObject>& f : header_fields()) {
    std::visit([&](auto member) { moved.*member = obj.*member; }, f.member);
  }
  moved.cent_x += 1.0;
  moved.cent_y += 1.0;
  write_fields(w, moved, header_fields());
}

void read_header(RecordReader& r, MarkObject& obj) {
  read_fields(r, obj, header_fields());
}

// The header and the block's table fields; false when the object has no
// block of this type.
template <class Block>
const Block* write_typed(RecordWriter& w, const MarkObject& obj, bool offset) {
  const Block* p = obj.block<Block>();
  if (p == nullptr) return nullptr;
  write_header(w, obj, offset);
  write_fields(w, *p, block_fields<Block>());
  return p;
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
// flag survives saving without changing any record. 1 is a serial number, 2
// a text of data fields.
constexpr std::string_view kVariableLine = "0,variable,1\n";
constexpr std::string_view kFieldsLine = "0,variable,2\n";
// Layout lines of the data source, before the first record.
constexpr std::string_view kDataPrefix = "0,data,";
constexpr std::string_view kShiftsPrefix = "0,shifts,";

int32_t* variable_flag(MarkObject& obj) {
  if (auto* p = obj.block<LineTextParams>()) return &p->variable;
  if (auto* p = obj.block<BarcodeParams>()) return &p->variable;
  if (auto* p = obj.block<CodeParams>()) return &p->variable;
  return nullptr;
}

int32_t variable_of(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return p->variable;
  if (const auto* p = obj.block<BarcodeParams>()) return p->variable;
  if (const auto* p = obj.block<CodeParams>()) return p->variable;
  return 0;
}

// Code data may hold any byte; breaks, tabs and the backslash are escaped
// so that the record stays one line.
std::string escape_data(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (const char c : data) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::optional<std::string> unescape_data(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::string format_record(const MarkObject& obj, bool offset) {
  std::string out;
  RecordWriter w(out);
  switch (obj.type) {
    case LINE:
      if (write_typed<LineParams>(w, obj, offset)) w.end_line();
      break;
    case RECTANGLE:
      if (write_typed<RectangleParams>(w, obj, offset)) w.end_line();
      break;
    case CIRCLE:
      if (write_typed<CircleParams>(w, obj, offset)) w.end_line();
      break;
    case TRIANGLE:
      if (write_typed<TriangleParams>(w, obj, offset)) w.end_line();
      break;
    case RHOMBIC:
      if (write_typed<RhombicParams>(w, obj, offset)) w.end_line();
      break;
    case POLYGON:
      if (write_typed<PolygonParams>(w, obj, offset)) w.end_line();
      break;
    case LINE_TEXT:
      if (const auto* p = write_typed<LineTextParams>(w, obj, offset)) {
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
      if (const auto* p = write_typed<ArcTextParams>(w, obj, offset)) {
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
      if (write_typed<BarcodeParams>(w, obj, offset)) w.end_line();
      break;
    case PLT:
      if (write_typed<PltBlock>(w, obj, offset)) w.end_line();
      break;
    case BMP:
      if (write_typed<BmpBlock>(w, obj, offset)) w.end_line();
      break;
    case VCT:
      if (write_typed<VctBlock>(w, obj, offset)) w.end_line();
      break;
    case CODE:
      if (const auto* p = obj.block<CodeParams>()) {
        CodeParams q = *p;
        q.data = escape_data(p->data);
        write_header(w, obj, offset);
        write_fields(w, q, block_fields<CodeParams>());
        w.end_line();
      }
      break;
    default:
      break;
  }
  if (!out.empty()) {
    const int32_t variable = variable_of(obj);
    if (variable == 1) out += kVariableLine;
    if (variable == 2) out += kFieldsLine;
  }
  return out;
}

std::unique_ptr<MarkObject> parse_record(std::string_view line) {
  RecordReader r(line);
  const int32_t type = r.integer();
  if (!r.ok() || !is_object_type(type)) return nullptr;

  auto obj = std::make_unique<MarkObject>();
  obj->type = type;
  read_header(r, *obj);
  // The layer indexes the per-layer colour and marking tables.
  if (obj->layer < 0 || obj->layer >= kLayerCount) return nullptr;

  const auto read_block = [&r]<class Block>(Block p) {
    read_fields(r, p, block_fields<Block>());
    return p;
  };
  switch (type) {
    case LINE:
      obj->params = read_block(LineParams{});
      break;
    case RECTANGLE:
      obj->params = read_block(RectangleParams{});
      break;
    case CIRCLE:
      obj->params = read_block(CircleParams{});
      break;
    case TRIANGLE:
      obj->params = read_block(TriangleParams{});
      break;
    case RHOMBIC:
      obj->params = read_block(RhombicParams{});
      break;
    case POLYGON:
      obj->params = read_block(PolygonParams{});
      break;
    case LINE_TEXT: {
      LineTextParams p = read_block(LineTextParams{});
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
      ArcTextParams p = read_block(ArcTextParams{});
      const auto n = static_cast<std::size_t>(CountChars(p.text));
      p.chars.clear();
      for (std::size_t i = 0; i < n && r.ok(); ++i) p.chars.push_back(read_char_record(r));
      if (!r.finish_listed()) return nullptr;
      obj->params = std::move(p);
      return obj;
    }
    case BARCODE: {
      BarcodeParams p = read_block(BarcodeParams{});
      // The block holds at most 255 bytes.
      if (p.text.size() > kBarcodeTextMax) p.text.resize(kBarcodeTextMax);
      p.variable = 0;
      obj->params = std::move(p);
      break;
    }
    case PLT:
      obj->params = read_block(PltBlock{});
      break;
    case BMP:
      obj->params = read_block(BmpBlock{});
      break;
    case VCT:
      obj->params = read_block(VctBlock{});
      break;
    case CODE: {
      CodeParams p = read_block(CodeParams{});
      std::optional<std::string> data = unescape_data(p.data);
      if (!data || data->size() > kCodeDataMax) return nullptr;
      p.data = std::move(*data);
      p.variable = 0;
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
  if (obj == nullptr) return true;
  int32_t* flag = variable_flag(*obj);
  if (flag == nullptr) return true;
  if (body == kVariableLine.substr(0, kVariableLine.size() - 1)) *flag = 1;
  // Data fields are for texts of one line, barcodes and codes.
  if (body == kFieldsLine.substr(0, kFieldsLine.size() - 1) && obj->type != ARC_TEXT) *flag = 2;
  return true;  // unknown extensions are ignored, as plain readers ignore them all
}

std::string format_variable_data(const VariableData& data) {
  std::string out;
  if (!data.csv_path.empty() || data.next_row != 0) {
    out += kDataPrefix;
    out += std::to_string(data.next_row);
    out += ',';
    out += data.csv_path;
    out += '\n';
  }
  if (!data.shifts.empty()) {
    out += kShiftsPrefix;
    out += data.shifts;
    out += '\n';
  }
  return out;
}

bool apply_variable_data_line(std::string_view line, VariableData& data) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.starts_with(kShiftsPrefix)) {
    data.shifts = std::string(line.substr(kShiftsPrefix.size()));
    return true;
  }
  if (!line.starts_with(kDataPrefix)) return false;
  line.remove_prefix(kDataPrefix.size());
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return true;  // damaged: the data source stays as it was
  int32_t row = 0;
  const auto r = std::from_chars(line.data(), line.data() + comma, row);
  if (r.ec != std::errc{} || r.ptr != line.data() + comma || row < 0) return true;
  data.next_row = row;
  data.csv_path = std::string(line.substr(comma + 1));
  return true;
}

bool save_layout(const CketralDoc& doc, const std::filesystem::path& path, bool all, bool offset,
                 std::string* reason) {
  std::string text;
  if (all) text += format_variable_data(doc.variable_data);
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (!all && !is_selected(doc, obj)) continue;
    text += format_record(obj, offset);
  }
  return write_file_atomically(path, text, reason);
}

OpenResult open_layout(CketralDoc& doc, const std::filesystem::path& path, const LoadHooks& hooks) {
  OpenResult result;
  const InputText file = read_input_file(path);
  if (!file.ok()) {
    result.file = file;
    result.objects_read = -1;
    return result;
  }
  result = read_layout(doc, file.text, hooks);
  result.file = file;
  return result;
}

OpenResult read_layout(CketralDoc& doc, std::string_view text, const LoadHooks& hooks) {
  OpenResult result;
  result.file.status = InputStatus::Ok;
  std::istringstream in{std::string(text)};

  // One edit: the objects read, selected alone, the newest current.
  Commit commit(doc);
  doc.selection.clear();
  int objects_read = 0;
  std::string line;
  bool pending = false;  // `line` was read ahead and still needs handling
  MarkObject* last = nullptr;
  int number = 0;  // of `line` in the file
  // getline grows the string as needed: a long line stays one record.
  while (pending || std::getline(in, line)) {
    if (!pending) ++number;
    pending = false;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    if (last == nullptr && apply_variable_data_line(line, doc.variable_data)) continue;
    if (apply_extension_line(line, last)) continue;
    std::unique_ptr<MarkObject> record = parse_record(line);
    if (record == nullptr) {
      ++result.lines_skipped;
      result.damaged_lines.push_back(number);
      continue;
    }
    if (auto* p = record->block<LineTextParams>()) {
      // One line per character follows. A line that is not a character line
      // means the file was cut short: the rest of the records stay zero and
      // the line is read again as what it is.
      const int record_line = number;
      for (CharRecord& c : p->chars) {
        if (!std::getline(in, line)) {
          ++result.char_lines_missing;
          result.damaged_lines.push_back(record_line);
          break;
        }
        ++number;
        const std::optional<CharRecord> parsed = parse_char_line(line);
        if (!parsed) {
          ++result.char_lines_missing;
          result.damaged_lines.push_back(record_line);
          pending = true;
          break;
        }
        c = *parsed;
      }
    }
    MarkObject* obj = commit.add(std::move(record));
    if (obj == nullptr) continue;
    ++objects_read;
    last = obj;
    doc.selection.add(obj->id);
    doc.selection.set_current(obj->id);
    doc.update_screen_rect(*obj);
    if (auto* p = obj->block<LineTextParams>()) {
      p->glyph_file = own_scratch_file(*obj, doc.scratch_dir(), ".txt").string();
    }
    if (auto* p = obj->block<ArcTextParams>()) {
      p->glyph_file = own_scratch_file(*obj, doc.scratch_dir(), ".txt").string();
    }
    if (hooks.object_loaded) hooks.object_loaded(doc, *obj);
  }

  result.objects_read = objects_read;
  const ChangeNotice n = commit.push(hooks.step_name.empty() ? "Open" : hooks.step_name);
  if (!n.selection && n.added.empty()) {
    doc.switch_sheet(selection_kind(doc));
    doc.notify_list_changed();
  }
  return result;
}

}  // namespace lumetch
