#include "geometry/variable_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using K = FieldKind;

TEST(VariableFields, ParsesFieldsAndNamesTheBadPosition) {
  struct Case {
    std::string text;
    std::vector<FieldPiece> pieces;  // empty with `error` set for a refusal
    std::string error;
  };
  const Case cases[] = {
      {"LOT 42", {{K::kLiteral, "LOT 42"}}, ""},
      {"", {}, ""},
      {"{date:YYYY-MM-DD} {time:hh:mm}",
       {{K::kDate, "YYYY-MM-DD"}, {K::kLiteral, " "}, {K::kTime, "hh:mm"}},
       ""},
      {"S{shift}-{csv:Serial No}",
       {{K::kLiteral, "S"}, {K::kShift, ""}, {K::kLiteral, "-"}, {K::kCsv, "Serial No"}},
       ""},
      {"{{a}}{shift}}}", {{K::kLiteral, "{a}"}, {K::kShift, ""}, {K::kLiteral, "}"}}, ""},
      {"ab{date:YY", {}, "field opened at position 3 is not closed"},
      {"x}y", {}, "} at position 2 closes no field"},
      {"A{name}", {}, "Unknown field {name} at position 2"},
      {"{Date:YY}", {}, "Unknown field {Date:YY} at position 1"},
      {"{date}", {}, "{date} at position 1 needs a format"},
      {"{shift:A}", {}, "takes nothing after"},
      {"12{csv:}", {}, "{csv:} at position 3 needs a column name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TemplateParse p = parse_fields(c.text);
    if (c.error.empty()) {
      ASSERT_TRUE(p.ok) << p.error;
      EXPECT_EQ(p.tmpl.pieces, c.pieces);
    } else {
      EXPECT_FALSE(p.ok);
      EXPECT_NE(p.error.find(c.error), std::string::npos) << p.error;
    }
  }
  EXPECT_TRUE(uses_csv(parse_fields("a{csv:x}").tmpl));
  EXPECT_FALSE(uses_csv(parse_fields("a{date:YY}{shift}").tmpl));
}

TEST(VariableFields, FormatsDatesOverYearBoundaries) {
  struct Case {
    LocalTime t;
    std::string format;
    std::string expected;
  };
  const Case cases[] = {
      {{2026, 12, 31, 23, 59, 58}, "YYYY-MM-DD hh:mm:ss DDD WW", "2026-12-31 23:59:58 365 53"},
      {{2027, 1, 1, 0, 0, 0}, "YY/DDD/WW", "27/001/53"},  // Friday: still week 53 of 2026
      {{2027, 1, 4, 7, 5, 9}, "WW DDD", "01 004"},        // the first Monday of 2027
      {{2024, 12, 30, 0, 0, 0}, "WW", "01"},              // Monday, week 1 of 2025
      {{2024, 12, 31, 0, 0, 0}, "DDD", "366"},            // leap year
      {{2000, 2, 29, 0, 0, 0}, "DDD WW", "060 09"},       // a leap century
      {{1900, 3, 1, 0, 0, 0}, "DDD", "060"},              // not a leap century
      {{2021, 1, 3, 0, 0, 0}, "WW", "53"},                // Sunday, last week of 2020
      {{2026, 6, 15, 8, 30, 0}, "YYYYY-M-D Thh%", "2026Y-M-D T08%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(format_time(c.format, c.t), c.expected);
  }
  EXPECT_EQ(iso_week({2027, 1, 1, 0, 0, 0}), (IsoWeek{2026, 53}));
}

TEST(VariableFields, FindsTheShiftIncludingOverMidnight) {
  const ShiftTableParse p = parse_shift_table(" 22:00=C; 06:00=A;14:00=B; ");
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(format_shift_table(p.table), "06:00=A;14:00=B;22:00=C");
  const std::pair<LocalTime, std::string> times[] = {
      {{2026, 1, 1, 0, 0, 0}, "C"},  {{2026, 1, 1, 5, 59, 59}, "C"},
      {{2026, 1, 1, 6, 0, 0}, "A"},  {{2026, 1, 1, 13, 59, 0}, "A"},
      {{2026, 1, 1, 14, 0, 0}, "B"}, {{2026, 1, 1, 23, 59, 0}, "C"},
  };
  for (const auto& [t, letter] : times) {
    const ShiftEntry* s = shift_at(p.table, t.hour, t.minute);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, letter) << t.hour << ":" << t.minute;
  }
  EXPECT_EQ(shift_at(ShiftTable{}, 12, 0), nullptr);
  const ShiftTableParse empty = parse_shift_table("");
  EXPECT_TRUE(empty.ok);
  EXPECT_TRUE(empty.table.entries.empty());

  const std::pair<std::string, std::string> bad[] = {
      {"06:00=A;6:00=B", "Two shifts start at 06:00"},
      {"24:00=A", "\"24:00\" is not a time"},
      {"06:60=A", "\"06:60\" is not a time"},
      {"06:00", "has no \"=\""},
      {"06:00=", "has no name"},
  };
  for (const auto& [line, error] : bad) {
    const ShiftTableParse b = parse_shift_table(line);
    EXPECT_FALSE(b.ok) << line;
    EXPECT_NE(b.error.find(error), std::string::npos) << b.error;
  }
}

TEST(VariableFields, ReadsCsvQuotingLineEndsAndRaggedRows) {
  struct Case {
    std::string bytes;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string error;
  };
  const Case cases[] = {
      {"a,b\n1,2\n", {"a", "b"}, {{"1", "2"}}, ""},
      {"\xEF\xBB\xBFName,City\r\n\"Smith, J\",\"say \"\"hi\"\"\"\r\nX,Y",
       {"Name", "City"},
       {{"Smith, J", "say \"hi\""}, {"X", "Y"}},
       ""},
      {"a,b,c\n1\n\n\"two\nlines\",,\n4,5,6,,\n",
       {"a", "b", "c"},
       {{"1", "", ""}, {"two\nlines", "", ""}, {"4", "5", "6"}},
       ""},
      {"a\n\"\"\nx\"y\n", {"a"}, {{""}, {"x\"y"}}, ""},
      {"a,b\n1,2\n\"open,3\n4,5\n", {}, {}, "Line 3 of the data file opens a quoted cell"},
      {"a,b\n\"x\"y,2\n", {}, {}, "Line 2 of the data file has text after the closing quote"},
      {"a,b\n1,2,3\n", {}, {}, "Line 2 of the data file has 3 cells, but the header names 2"},
      {"\r\n\n", {}, {}, "The data file is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const CsvParse p = parse_csv(c.bytes);
    if (c.error.empty()) {
      ASSERT_TRUE(p.ok) << p.error;
      EXPECT_EQ(p.table.columns, c.columns);
      EXPECT_EQ(p.table.rows, c.rows);
    } else {
      EXPECT_FALSE(p.ok);
      EXPECT_NE(p.error.find(c.error), std::string::npos) << p.error;
    }
  }
  const CsvTable t = parse_csv("Serial,serial,Lot\n").table;
  EXPECT_EQ(find_column(t, "serial").index, 1u);  // exact before case-insensitive
  EXPECT_EQ(find_column(t, "LOT").index, 2u);
  const ColumnLookup missing = find_column(t, "Date");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error,
            "The data file has no column \"Date\"; its columns are \"Serial\", \"serial\", "
            "\"Lot\".");

  const test::TempDir dir;
  dir.write("bad.csv", "lot\n\"A\n");
  EXPECT_NE(read_csv_file(dir.file("bad.csv")).error.find("bad.csv: Line 2"), std::string::npos);
  const CsvParse none = read_csv_file(dir.file("none.csv"));
  EXPECT_FALSE(none.ok);
  EXPECT_NE(none.error.find("none.csv"), std::string::npos) << none.error;
}

TEST(VariableFields, FillsRowsUntilTheDataEnds) {
  const CsvTable csv = parse_csv("serial,lot\n001,A\n002,A\n003,B\n").table;
  const ShiftTable shifts = parse_shift_table("06:00=A;14:00=B;22:00=C").table;
  const FixedClock clock({2027, 1, 1, 23, 15, 0});
  const TemplateParse p = parse_fields("{csv:SERIAL}/{csv:lot} {date:YYWW}{shift} {time:hh:mm}");
  ASSERT_TRUE(p.ok) << p.error;
  FillContext context{clock.now(), &shifts, &csv, 0};
  const char* expected[] = {"001/A 2753C 23:15", "002/A 2753C 23:15", "003/B 2753C 23:15"};
  for (const char* text : expected) {
    const FillResult r = fill_fields(p.tmpl, context);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, text);
    EXPECT_TRUE(r.warning.empty());
    ++context.row;
  }
  const FillResult end = fill_fields(p.tmpl, context);
  EXPECT_FALSE(end.ok);
  EXPECT_EQ(end.error, "The data file has no more rows (3 rows used).");

  const FieldTemplate no_csv = parse_fields("{shift}{csv:serial}").tmpl;
  EXPECT_NE(fill_fields(no_csv, FillContext{clock.now(), &shifts, nullptr, 0})
                .error.find("needs a data file"),
            std::string::npos);
  EXPECT_NE(fill_fields(parse_fields("{csv:batch}").tmpl, context).error.find("no column"),
            std::string::npos);
  const FillResult no_table = fill_fields(parse_fields("X{shift}Y").tmpl, FillContext{});
  EXPECT_TRUE(no_table.ok);
  EXPECT_EQ(no_table.text, "XY");
  EXPECT_NE(no_table.warning.find("no shift table"), std::string::npos);
}

}  // namespace
}  // namespace lumetch
