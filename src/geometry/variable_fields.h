#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// Variable data: fields in a text that a marking job fills at every pass.
//
//   {date:FORMAT}  {time:FORMAT}  the clock's local time (same formatter)
//   {shift}                       the shift letter of that time
//   {csv:COLUMN}                  the cell of the current data row
//   {{  }}                        a literal brace

// --- Time ---

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const LocalTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() const = 0;
};

// The machine's local time (localtime_r).
class SystemClock : public Clock {
 public:
  LocalTime now() const override;
};

// Always the time it was given, for tests and for a pass repeated as it was.
class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalTime t) : t_(t) {}
  LocalTime now() const override { return t_; }
  void set(LocalTime t) { t_ = t; }

 private:
  LocalTime t_;
};

// 1..366.
int day_of_year(const LocalTime& t);

// The ISO 8601 week (weeks start on Monday; week 1 holds the year's first
// Thursday), with the year it belongs to: 2027-01-01 is week 53 of 2026.
struct IsoWeek {
  int year = 0;
  int week = 0;
  bool operator==(const IsoWeek&) const = default;
};
IsoWeek iso_week(const LocalTime& t);

// Formats `t` by the longest token at each position, independent of locale:
//
//   YYYY  year, 4 digits        hh  hour 00..23
//   YY    year, last 2 digits   mm  minute
//   MM    month 01..12          ss  second
//   DD    day 01..31            DDD day of year 001..366
//   WW    ISO week 01..53 (its year may differ from YYYY around New Year)
//
// Every other byte is copied as it is ("YYY" is "YY" then "Y").
std::string format_time(std::string_view format, const LocalTime& t);

// --- Shifts ---

struct ShiftEntry {
  int start = 0;     // minutes after midnight, 0..1439
  std::string name;  // the letter or text the field fills in
  bool operator==(const ShiftEntry&) const = default;
};

// Sorted by start, no two entries with the same start.
struct ShiftTable {
  std::vector<ShiftEntry> entries;
  bool operator==(const ShiftTable&) const = default;
};

struct ShiftTableParse {
  bool ok = false;
  ShiftTable table;
  std::string error;
};

// Reads "06:00=A;14:00=B;22:00=C" (any order; blanks around parts are
// ignored; an empty line is an empty table).
ShiftTableParse parse_shift_table(std::string_view line);
std::string format_shift_table(const ShiftTable& table);

// The shift running at hour:minute: the last entry started at or before it,
// or before the first start the last entry (the night shift runs over
// midnight). Null for an empty table.
const ShiftEntry* shift_at(const ShiftTable& table, int hour, int minute);

// --- Data files ---

struct CsvTable {
  std::vector<std::string> columns;            // the header row
  std::vector<std::vector<std::string>> rows;  // each as many cells as columns
};

struct CsvParse {
  bool ok = false;
  CsvTable table;
  std::string error;
};

// Comma separated values: quoted cells with doubled quotes inside, CRLF or
// LF, the first row naming the columns, a UTF-8 byte order mark skipped.
// Empty lines are skipped; a short row is padded with empty cells; a row
// with more non-empty cells than the header is an error (most often a comma
// that should have been quoted). Cells are kept as bytes.
CsvParse parse_csv(std::string_view bytes);

// parse_csv on the bytes of a regular file; the error names the file.
CsvParse read_csv_file(const std::filesystem::path& path);

struct ColumnLookup {
  bool ok = false;
  std::size_t index = 0;
  std::string error;  // names the column and the columns there are
};

// Exact name first, then ignoring ASCII case.
ColumnLookup find_column(const CsvTable& table, std::string_view name);

// --- Templates ---

enum class FieldKind { kLiteral, kDate, kTime, kShift, kCsv };

struct FieldPiece {
  FieldKind kind = FieldKind::kLiteral;
  std::string text;  // the literal, the time format or the column name
  bool operator==(const FieldPiece&) const = default;
};

struct FieldTemplate {
  std::vector<FieldPiece> pieces;
  bool operator==(const FieldTemplate&) const = default;
};

struct TemplateParse {
  bool ok = false;
  FieldTemplate tmpl;
  std::string error;  // names the 1-based byte position
};

TemplateParse parse_fields(std::string_view text);

// True when the template takes a data row at each pass.
bool uses_csv(const FieldTemplate& tmpl);

struct FillContext {
  LocalTime time;                      // one reading of the clock for the whole text
  const ShiftTable* shifts = nullptr;  // null: no table
  const CsvTable* csv = nullptr;       // null: no data file
  std::size_t row = 0;                 // 0-based index into csv->rows
};

struct FillResult {
  bool ok = false;
  std::string text;
  std::string error;    // the job stops on it
  std::string warning;  // filled anyway, but worth saying ("no shift table")
};

FillResult fill_fields(const FieldTemplate& tmpl, const FillContext& context);

}  // namespace lumetch
