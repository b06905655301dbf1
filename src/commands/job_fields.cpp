#include "commands/job_fields.h"

#include <algorithm>

#include "geometry/barcode.h"
#include "geometry/code_symbol.h"
#include "geometry/glyph_file.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

// The longest line text a glyph file is written for.
constexpr std::size_t kFilledTextMax = 499;

// Texts hold CP932; fields are filled in UTF-8 (data files are UTF-8) and
// the result taken back.
bool is_cp932_text(const MarkObject& obj) {
  return obj.type == LINE_TEXT || obj.type == BARCODE;
}

}  // namespace

std::filesystem::path resolve_data_file(const CketralDoc& doc, const std::string& path) {
  const std::filesystem::path p(path);
  if (p.is_absolute()) return p;
  const std::filesystem::path base =
      doc.layout_path.empty() ? doc.work_dir : doc.layout_path.parent_path();
  return base / p;
}

DataSourceCheck check_data_source(const CketralDoc& doc, const VariableData& source) {
  DataSourceCheck out;
  // Each is kept on a line of the layout file: a break would cut it.
  const auto has_control = [](std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
  };
  if (has_control(source.csv_path) || has_control(source.shifts)) {
    out.error = "A data file name or shift table with a line break or control character cannot "
                "be kept in the layout.";
    return out;
  }
  if (!source.shifts.empty()) {
    const ShiftTableParse s = parse_shift_table(source.shifts);
    if (!s.ok) {
      out.error = "The shift table cannot be read: " + s.error;
      return out;
    }
  }
  if (source.next_row < 0) {
    out.error = "The next data row must be 1 or more.";
    return out;
  }
  if (source.csv_path.empty()) return out;
  const CsvParse c = read_csv_file(resolve_data_file(doc, source.csv_path));
  if (!c.ok) {
    out.error = c.error;
    return out;
  }
  out.rows = c.table.rows.size();
  out.columns = c.table.columns;
  if (static_cast<std::size_t>(source.next_row) > out.rows) {
    out.error = "The data file has " + std::to_string(out.rows) + " rows; row " +
                std::to_string(source.next_row + 1) + " is not one of them.";
  }
  return out;
}

std::string SetDataSource(CketralDoc& doc, const VariableData& source) {
  const DataSourceCheck check = check_data_source(doc, source);
  if (!check.error.empty()) return check.error;
  if (doc.variable_data == source) return {};
  Commit commit(doc);
  doc.variable_data = source;
  commit.push("Data source");
  return {};
}

bool has_data_fields(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return p->variable == 2;
  if (const auto* p = obj.block<BarcodeParams>()) return p->variable == 2;
  if (const auto* p = obj.block<CodeParams>()) return p->variable == 2;
  return false;
}

const std::string* field_text(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return &p->text;
  if (const auto* p = obj.block<BarcodeParams>()) return &p->text;
  if (const auto* p = obj.block<CodeParams>()) return &p->data;
  return nullptr;
}

std::string JobFields::prepare(const CketralDoc& doc) {
  templates_.clear();
  uses_rows_ = false;
  csv_.reset();
  shifts_.reset();
  rows_used_ = 0;
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (!has_data_fields(obj)) continue;
    const std::string* text = field_text(obj);
    const std::string source = is_cp932_text(obj) ? cp932_to_utf8(*text) : *text;
    TemplateParse t = parse_fields(source);
    if (!t.ok) return "The data fields of " + obj.name + " cannot be read: " + t.error;
    uses_rows_ = uses_rows_ || uses_csv(t.tmpl);
    templates_.emplace(obj.id, std::move(t.tmpl));
  }
  if (templates_.empty()) return {};
  const VariableData& v = doc.variable_data;
  if (!v.shifts.empty()) {
    ShiftTableParse s = parse_shift_table(v.shifts);
    if (!s.ok) return "The shift table of the layout cannot be read: " + s.error;
    shifts_ = std::move(s.table);
  }
  first_row_ = v.next_row > 0 ? static_cast<std::size_t>(v.next_row) : 0;
  next_row_ = first_row_;
  if (uses_rows_) {
    if (v.csv_path.empty()) {
      return "The layout has data fields of a data file ({csv:...}) but names no data file.";
    }
    CsvParse c = read_csv_file(resolve_data_file(doc, v.csv_path));
    if (!c.ok) return c.error;
    csv_ = std::move(c.table);
  }
  return {};
}

JobFields::Pass JobFields::fill(CketralDoc& doc, const MarkObject& obj, int32_t pass,
                                const LocalTime& t) const {
  Pass out;
  const auto it = templates_.find(obj.id);
  if (it == templates_.end()) {
    out.error = "The data fields of " + obj.name + " were not read before the job.";
    return out;
  }
  FillContext context;
  context.time = t;
  context.shifts = shifts_ ? &*shifts_ : nullptr;
  context.csv = csv_ ? &*csv_ : nullptr;
  context.row = first_row_ + static_cast<std::size_t>(pass < 0 ? 0 : pass);
  const FillResult filled = fill_fields(it->second, context);
  if (!filled.ok) {
    out.error = filled.error + " " + obj.name + " was not marked, nor was anything after it.";
    return out;
  }
  std::string text = filled.text;
  if (is_cp932_text(obj)) {
    EncodeResult e = utf8_to_cp932(text);
    if (!e.ok) {
      out.error = "The data \"" + text + "\" cannot be marked as the text of " + obj.name + ": " +
                  e.error;
      return out;
    }
    text = std::move(e.bytes);
  }
  out.copy = detached_copy(obj);
  if (auto* p = out.copy.block<LineTextParams>()) {
    if (text.size() > kFilledTextMax) {
      out.error = "The filled text of " + obj.name + " is longer than " +
                  std::to_string(kFilledTextMax) + " bytes.";
      return out;
    }
    p->text = text;
    p->line_count = 1;
    p->line_lengths = {static_cast<int32_t>(text.size()), 0};
    p->chars.resize(static_cast<std::size_t>(CountChars(text)));
    p->glyph_file = own_scratch_file(out.copy, doc.scratch_dir(), ".fill.txt").string();
    select_outline_font(doc, p->face_name, p->font_weight, p->font_italic, p->font_charset);
    if (!WriteGlyphFile(doc, text, p->glyph_file)) {
      out.error = "The outlines of the filled text of " + obj.name + " could not be written.";
      return out;
    }
  } else if (auto* b = out.copy.block<BarcodeParams>()) {
    if (text.size() > kBarcodeTextMax) {
      out.error = "The filled text of " + obj.name + " is longer than " +
                  std::to_string(kBarcodeTextMax) + " bytes.";
      return out;
    }
    b->text = text;
    b->bar_width = code39_bar_width(b->size_x, text.size());
  } else if (auto* c = out.copy.block<CodeParams>()) {
    c->data = text;
    const CodeEncoding e = encode_block(*c);
    if (!e.ok) {
      out.error = "The data \"" + text + "\" of " + obj.name + " cannot be encoded: " + e.error;
      return out;
    }
  }
  out.text = filled.text;
  out.ok = true;
  return out;
}

void JobFields::resume_rows(std::size_t first_row) {
  first_row_ = first_row;
  rows_used_ = next_row_ > first_row ? next_row_ - first_row : 0;
}

bool JobFields::pass_done(CketralDoc& doc, const MarkObject& obj, int32_t pass) {
  if (!uses_rows_) return false;
  const auto it = templates_.find(obj.id);
  if (it == templates_.end() || !uses_csv(it->second)) return false;
  const auto used = static_cast<std::size_t>(pass) + 1;
  if (used <= rows_used_) return false;
  rows_used_ = used;
  doc.variable_data.next_row = static_cast<int32_t>(first_row_ + rows_used_);
  doc.history.keep_data_row(doc.variable_data.next_row);
  return true;
}

}  // namespace lumetch
