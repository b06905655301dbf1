#include "geometry/variable_fields.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

#include "platform/text_file.h"

namespace lumetch {

// --- Time ---

LocalTime SystemClock::now() const {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) {
    return LocalTime{};
  }
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {

bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days since 1970-01-01 in the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// 1 = Monday .. 7 = Sunday.
int iso_weekday(int y, int m, int d) {
  const int64_t days = days_from_civil(y, m, d);  // 1970-01-01 was a Thursday
  const int64_t wd = ((days % 7) + 7 + 3) % 7;    // 0 = Monday
  return static_cast<int>(wd) + 1;
}

int iso_weeks_in_year(int year) {
  // 53 weeks when the year starts on a Thursday, or on a Wednesday in a leap year.
  const int jan1 = iso_weekday(year, 1, 1);
  return jan1 == 4 || (jan1 == 3 && is_leap(year)) ? 53 : 52;
}

void put_number(std::string& out, int64_t v, int digits) {
  if (v < 0) {
    out += '-';
    v = -v;
  }
  std::string s = std::to_string(v);
  if (s.size() < static_cast<std::size_t>(digits)) {
    out.append(static_cast<std::size_t>(digits) - s.size(), '0');
  }
  out += s;
}

bool starts(std::string_view s, std::size_t i, std::string_view token) {
  return s.substr(i, token.size()) == token;
}

}  // namespace

int day_of_year(const LocalTime& t) {
  static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int month = std::clamp(t.month, 1, 12);  // never index outside the table
  return kBefore[month - 1] + (month > 2 && is_leap(t.year) ? 1 : 0) + t.day;
}

IsoWeek iso_week(const LocalTime& t) {
  const int week =
      (day_of_year(t) - iso_weekday(t.year, std::clamp(t.month, 1, 12), t.day) + 10) / 7;
  if (week < 1) {
    return IsoWeek{t.year - 1, iso_weeks_in_year(t.year - 1)};
  }
  if (week > iso_weeks_in_year(t.year)) {
    return IsoWeek{t.year + 1, 1};
  }
  return IsoWeek{t.year, week};
}

std::string format_time(std::string_view format, const LocalTime& t) {
  std::string out;
  out.reserve(format.size() + 8);
  for (std::size_t i = 0; i < format.size();) {
    if (starts(format, i, "YYYY")) {
      put_number(out, t.year, 4);
      i += 4;
    } else if (starts(format, i, "YY")) {
      put_number(out, ((t.year % 100) + 100) % 100, 2);
      i += 2;
    } else if (starts(format, i, "DDD")) {
      put_number(out, day_of_year(t), 3);
      i += 3;
    } else if (starts(format, i, "DD")) {
      put_number(out, t.day, 2);
      i += 2;
    } else if (starts(format, i, "MM")) {
      put_number(out, t.month, 2);
      i += 2;
    } else if (starts(format, i, "WW")) {
      put_number(out, iso_week(t).week, 2);
      i += 2;
    } else if (starts(format, i, "hh")) {
      put_number(out, t.hour, 2);
      i += 2;
    } else if (starts(format, i, "mm")) {
      put_number(out, t.minute, 2);
      i += 2;
    } else if (starts(format, i, "ss")) {
      put_number(out, t.second, 2);
      i += 2;
    } else {
      out += format[i++];
    }
  }
  return out;
}

// --- Shifts ---

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// "h:mm" or "hh:mm", 00:00..23:59; -1 otherwise.
int parse_clock_time(std::string_view s) {
  const std::size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon < 1 || colon > 2 || s.size() != colon + 3) {
    return -1;
  }
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i != colon && !is_digit(s[i])) {
      return -1;
    }
  }
  int hour = 0;
  for (std::size_t i = 0; i < colon; ++i) {
    hour = hour * 10 + (s[i] - '0');
  }
  const int minute = (s[colon + 1] - '0') * 10 + (s[colon + 2] - '0');
  if (hour > 23 || minute > 59) {
    return -1;
  }
  return hour * 60 + minute;
}

std::string clock_text(int minutes) {
  std::string out;
  put_number(out, minutes / 60, 2);
  out += ':';
  put_number(out, minutes % 60, 2);
  return out;
}

}  // namespace

ShiftTableParse parse_shift_table(std::string_view line) {
  ShiftTableParse result;
  std::size_t begin = 0;
  while (begin <= line.size()) {
    std::size_t end = line.find(';', begin);
    if (end == std::string_view::npos) {
      end = line.size();
    }
    const std::string_view part = trim_blanks(line.substr(begin, end - begin));
    begin = end + 1;
    if (part.empty()) {
      continue;  // a trailing ";" or an empty table
    }
    const std::size_t eq = part.find('=');
    if (eq == std::string_view::npos) {
      result.error = "The shift \"" + std::string(part) + "\" has no \"=\"; write it as 06:00=A.";
      return result;
    }
    const std::string_view when = trim_blanks(part.substr(0, eq));
    const std::string_view name = trim_blanks(part.substr(eq + 1));
    const int start = parse_clock_time(when);
    if (start < 0) {
      result.error =
          "The shift start \"" + std::string(when) + "\" is not a time from 00:00 to 23:59.";
      return result;
    }
    if (name.empty()) {
      result.error = "The shift starting at " + clock_text(start) + " has no name.";
      return result;
    }
    for (const ShiftEntry& e : result.table.entries) {
      if (e.start == start) {
        result.error = "Two shifts start at " + clock_text(start) + ".";
        return result;
      }
    }
    result.table.entries.push_back(ShiftEntry{start, std::string(name)});
  }
  std::sort(result.table.entries.begin(), result.table.entries.end(),
            [](const ShiftEntry& a, const ShiftEntry& b) { return a.start < b.start; });
  result.ok = true;
  return result;
}

std::string format_shift_table(const ShiftTable& table) {
  std::string out;
  for (const ShiftEntry& e : table.entries) {
    if (!out.empty()) {
      out += ';';
    }
    out += clock_text(e.start);
    out += '=';
    out += e.name;
  }
  return out;
}

const ShiftEntry* shift_at(const ShiftTable& table, int hour, int minute) {
  if (table.entries.empty()) {
    return nullptr;
  }
  const int at = hour * 60 + minute;
  const auto after = std::upper_bound(table.entries.begin(), table.entries.end(), at,
                                      [](int v, const ShiftEntry& e) { return v < e.start; });
  return after == table.entries.begin() ? &table.entries.back() : &*(after - 1);
}

// --- Data files ---

namespace {

bool cells_empty_from(const std::vector<std::string>& cells, std::size_t from) {
  for (std::size_t i = from; i < cells.size(); ++i) {
    if (!cells[i].empty()) {
      return false;
    }
  }
  return true;
}

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

CsvParse parse_csv(std::string_view bytes) {
  CsvParse result;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  bool have_header = false;
  std::size_t line = 1;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t record_line = line;
    std::vector<std::string> cells(1);
    bool any = false;  // the record has a byte other than its line break
    bool ended = false;
    while (i < bytes.size() && !ended) {
      const char c = bytes[i];
      if (c == '"' && cells.back().empty()) {
        // A quoted cell: up to the lone closing quote.
        const std::size_t open_line = line;
        any = true;
        ++i;
        for (;;) {
          if (i >= bytes.size()) {
            result.error = "Line " + std::to_string(open_line) +
                           " of the data file opens a quoted cell that is never closed.";
            return result;
          }
          if (bytes[i] == '"') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
              cells.back() += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (bytes[i] == '\n') {
            ++line;
          }
          cells.back() += bytes[i++];
        }
        if (i < bytes.size() && bytes[i] != ',' && bytes[i] != '\n' &&
            !(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') &&
            !(bytes[i] == '\r' && i + 1 == bytes.size())) {
          result.error = "Line " + std::to_string(line) +
                         " of the data file has text after the closing quote of a cell.";
          return result;
        }
        continue;
      }
      if (c == ',') {
        any = true;
        cells.emplace_back();
        ++i;
      } else if (c == '\n') {
        ++i;
        ++line;
        ended = true;
      } else if (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] == '\n')) {
        ++i;  // the CR of a CRLF; the LF ends the record
      } else {
        any = true;
        cells.back() += c;
        ++i;
      }
    }
    if (!any) {
      continue;  // an empty line
    }
    if (!have_header) {
      result.table.columns = std::move(cells);
      have_header = true;
      continue;
    }
    const std::size_t width = result.table.columns.size();
    if (cells.size() > width) {
      if (!cells_empty_from(cells, width)) {
        result.error = "Line " + std::to_string(record_line) + " of the data file has " +
                       std::to_string(cells.size()) + " cells, but the header names " +
                       std::to_string(width) + " columns.";
        return result;
      }
      cells.resize(width);
    }
    cells.resize(width);
    result.table.rows.push_back(std::move(cells));
  }
  if (!have_header) {
    result.error = "The data file is empty: its first row must name the columns.";
    return result;
  }
  result.ok = true;
  return result;
}

CsvParse read_csv_file(const std::filesystem::path& path) {
  InputText input = read_input_file(path);
  if (!input.ok()) {
    CsvParse result;
    result.error = input.message;
    return result;
  }
  CsvParse result = parse_csv(input.text);
  if (!result.ok) {
    result.error = path.string() + ": " + result.error;
  }
  return result;
}

ColumnLookup find_column(const CsvTable& table, std::string_view name) {
  ColumnLookup result;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i] == name) {
      result.ok = true;
      result.index = i;
      return result;
    }
  }
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (equal_ignoring_case(table.columns[i], name)) {
      result.ok = true;
      result.index = i;
      return result;
    }
  }
  std::string list;
  for (const std::string& c : table.columns) {
    list += list.empty() ? "\"" : ", \"";
    list += c;
    list += '"';
  }
  result.error =
      "The data file has no column \"" + std::string(name) + "\"; its columns are " + list + ".";
  return result;
}

// --- Templates ---

namespace {

void add_literal(FieldTemplate& tmpl, std::string_view text) {
  if (text.empty()) {
    return;
  }
  if (!tmpl.pieces.empty() && tmpl.pieces.back().kind == FieldKind::kLiteral) {
    tmpl.pieces.back().text += text;
  } else {
    tmpl.pieces.push_back(FieldPiece{FieldKind::kLiteral, std::string(text)});
  }
}

std::string at_position(std::size_t i) {
  return " at position " + std::to_string(i + 1);
}

// `body` is what stands between the braces of the field opened at `open`.
bool parse_field(std::string_view body, std::size_t open, FieldTemplate& tmpl, std::string& error) {
  const std::size_t colon = body.find(':');
  const std::string_view name = body.substr(0, colon);
  const bool has_argument = colon != std::string_view::npos;
  const std::string_view argument = has_argument ? body.substr(colon + 1) : std::string_view{};
  // Appended: GCC 12 warns falsely about "literal" + string at -O3.
  std::string shown(1, '{');
  shown.append(body).append(1, '}');
  if (name == "date" || name == "time") {
    if (argument.empty()) {
      error = "The field " + shown + at_position(open) + " needs a format, as in {" +
              std::string(name) + (name == "date" ? ":YYYY-MM-DD}." : ":hh:mm}.");
      return false;
    }
    tmpl.pieces.push_back(
        FieldPiece{name == "date" ? FieldKind::kDate : FieldKind::kTime, std::string(argument)});
    return true;
  }
  if (name == "shift") {
    if (has_argument) {
      error = "The field " + shown + at_position(open) + " takes nothing after \"shift\".";
      return false;
    }
    tmpl.pieces.push_back(FieldPiece{FieldKind::kShift, {}});
    return true;
  }
  if (name == "csv") {
    if (argument.empty()) {
      error =
          "The field " + shown + at_position(open) + " needs a column name, as in {csv:Serial}.";
      return false;
    }
    tmpl.pieces.push_back(FieldPiece{FieldKind::kCsv, std::string(argument)});
    return true;
  }
  error = "Unknown field " + shown + at_position(open) +
          "; the fields are {date:FORMAT}, {time:FORMAT}, {shift} and {csv:COLUMN}, and {{ "
          "and }} write a brace.";
  return false;
}

}  // namespace

TemplateParse parse_fields(std::string_view text) {
  TemplateParse result;
  if (text.find_first_of("{}") == std::string_view::npos) {
    add_literal(result.tmpl, text);
    result.ok = true;
    return result;
  }
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t brace = text.find_first_of("{}", i);
    if (brace == std::string_view::npos) {
      add_literal(result.tmpl, text.substr(i));
      break;
    }
    add_literal(result.tmpl, text.substr(i, brace - i));
    const bool doubled = brace + 1 < text.size() && text[brace + 1] == text[brace];
    if (doubled) {
      add_literal(result.tmpl, text.substr(brace, 1));
      i = brace + 2;
      continue;
    }
    if (text[brace] == '}') {
      result.error = "The } at position " + std::to_string(brace + 1) +
                     " closes no field; write }} for a brace.";
      return result;
    }
    const std::size_t close = text.find_first_of("{}", brace + 1);
    if (close == std::string_view::npos || text[close] == '{') {
      result.error = "The field opened at position " + std::to_string(brace + 1) +
                     " is not closed with }; write {{ for a brace.";
      return result;
    }
    if (!parse_field(text.substr(brace + 1, close - brace - 1), brace, result.tmpl, result.error)) {
      return result;
    }
    i = close + 1;
  }
  result.ok = true;
  return result;
}

bool uses_csv(const FieldTemplate& tmpl) {
  return std::any_of(tmpl.pieces.begin(), tmpl.pieces.end(),
                     [](const FieldPiece& p) { return p.kind == FieldKind::kCsv; });
}

FillResult fill_fields(const FieldTemplate& tmpl, const FillContext& context) {
  FillResult result;
  for (const FieldPiece& piece : tmpl.pieces) {
    switch (piece.kind) {
      case FieldKind::kLiteral:
        result.text += piece.text;
        break;
      case FieldKind::kDate:
      case FieldKind::kTime:
        result.text += format_time(piece.text, context.time);
        break;
      case FieldKind::kShift: {
        const ShiftEntry* shift =
            context.shifts != nullptr
                ? shift_at(*context.shifts, context.time.hour, context.time.minute)
                : nullptr;
        if (shift != nullptr) {
          result.text += shift->name;
        } else {
          result.warning = "There is no shift table; {shift} is left empty.";
        }
        break;
      }
      case FieldKind::kCsv: {
        if (context.csv == nullptr) {
          result.text.clear();
          result.error = "The field {csv:" + piece.text + "} needs a data file.";
          return result;
        }
        const ColumnLookup column = find_column(*context.csv, piece.text);
        if (!column.ok) {
          result.text.clear();
          result.error = column.error;
          return result;
        }
        if (context.row >= context.csv->rows.size()) {
          result.text.clear();
          result.error = "The data file has no more rows (" +
                         std::to_string(context.csv->rows.size()) + " rows used).";
          return result;
        }
        const std::vector<std::string>& row = context.csv->rows[context.row];
        if (column.index < row.size()) {
          result.text += row[column.index];
        }
        break;
      }
    }
  }
  result.ok = true;
  return result;
}

}  // namespace lumetch
