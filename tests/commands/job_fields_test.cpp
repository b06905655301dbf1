#include "commands/job_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "commands/engrave.h"
#include "commands/page_table.h"
#include "commands/text_pages.h"
#include "geometry/barcode.h"
#include "geometry/marker_capture.h"
#include "geometry/text_objects.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// A job rig with one object made by its creation command.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  MarkObject* obj = nullptr;
  Rig(int32_t type, const std::string& text, int32_t variable, int32_t passes = 1) {
    doc.work_dir = dir.path();
    doc.engraving = 0;
    doc.settings.pen_home = 0;
    doc.settings.mark_num[0] = passes;
    obj = CreateObject(doc, type, op);
    if (auto* p = obj->block<CodeParams>()) p->data = text, p->variable = variable;
    if (auto* p = obj->block<BarcodeParams>()) {
      p->text = text;
      p->variable = variable;
      p->bar_width = code39_bar_width(p->size_x, text.size());  // as the page sets it
    }
    if (auto* p = obj->block<LineTextParams>()) {
      p->text = text;
      p->line_lengths = {static_cast<int32_t>(text.size()), 0};
      p->chars.assign(text.size(), {});
      p->variable = variable;
      WriteObjectGlyphFile(doc, *obj);
    }
    sent.commands.clear();
  }
  EngraveResult job(const Clock* clock = nullptr) {
    EngraveHooks hooks;
    hooks.clock = clock;
    return Engrave(pen, hooks);
  }
};

// The stream of an object holding `text` as it stands, one pass.
std::vector<std::string> plain_stream(int32_t type, const std::string& text) {
  Rig r(type, text, 0);
  r.job();
  return r.sent.commands;
}

TEST(DataFields, EachPassMarksTheNextRowAndTheEndOfTheDataStopsTheJob) {
  for (const int32_t type : {CODE, BARCODE, LINE_TEXT}) {
    Rig r(type, "L{csv:lot}", 2, 3);
    r.dir.write("lots.csv", "lot,qty\r\nA1,5\r\n\"B,2\",6\r\nC3,7\r\n");
    r.doc.variable_data.csv_path = "lots.csv";  // from the layout's folder (here the work folder)
    ASSERT_EQ(r.job().outcome, EngraveResult::Outcome::Done) << r.op.texts("message")[0];
    // Three passes, each the stream of a plain object with that row's text.
    std::vector<std::string> expected;
    for (const char* row : {"LA1", "LB,2", "LC3"}) {
      std::vector<std::string> one = plain_stream(type, row);
      one.pop_back();  // each plain job parks; the three passes park once
      if (!expected.empty()) one.erase(one.begin());  // the layer header comes once
      expected.insert(expected.end(), one.begin(), one.end());
    }
    expected.push_back("PU;");
    EXPECT_EQ(r.sent.commands, expected) << type;
    EXPECT_EQ(r.doc.variable_data.next_row, 3);
    // The template stays: the next job fills it again.
    EXPECT_EQ(*field_text(*r.obj), "L{csv:lot}");

    r.sent.commands.clear();
    const EngraveResult e = r.job();
    EXPECT_EQ(e.outcome, EngraveResult::Outcome::DataFailed);
    EXPECT_NE(e.error.find("The data file has no more rows (3 rows used)."), std::string::npos)
        << e.error;
    EXPECT_EQ(r.sent.commands.size(), 2u);  // the layer header and the raised pen
    EXPECT_EQ(r.doc.variable_data.next_row, 3);
    ASSERT_TRUE(e.stopped_at);
    EXPECT_EQ(e.stopped_at->first_row, 3);
  }
}

TEST(DataFields, DatesComeFromTheJobsClockAndBadSourcesStopBeforeMarking) {
  FixedClock clock({2026, 12, 31, 23, 5, 0});
  {
    Rig r(CODE, "{date:YYYY-MM-DD}/{shift}/W{date:WW}", 2);
    r.doc.variable_data.shifts = "06:00=A;14:00=B;22:00=C";
    ASSERT_EQ(r.job(&clock).outcome, EngraveResult::Outcome::Done);
    EXPECT_EQ(r.sent.commands, plain_stream(CODE, "2026-12-31/C/W53"));
  }
  const struct {
    const char* text;
    const char* csv;  // the data file, or null for none
    const char* error;
  } refusals[] = {
      {"{csv:lot", nullptr, "cannot be read"},
      {"{csv:lot}", nullptr, "names no data file"},
      {"{csv:part}", "lot\nA\n", "part"},
      {"{csv:lot}", "lot\n\xE9\n", "cannot be"},  // not UTF-8: no text for a code either way
  };
  for (const auto& c : refusals) {
    Rig r(BARCODE, c.text, 2);
    if (c.csv != nullptr) {
      r.dir.write("d.csv", c.csv);
      r.doc.variable_data.csv_path = (r.dir.path() / "d.csv").string();
    }
    const EngraveResult e = r.job(&clock);
    EXPECT_EQ(e.outcome, EngraveResult::Outcome::DataFailed) << c.text;
    EXPECT_NE(e.error.find(c.error), std::string::npos) << e.error;
    EXPECT_EQ(r.doc.variable_data.next_row, 0);
  }
  // The scan output would mark the templates as typed.
  Rig scan(CODE, "{date:YY}", 2);
  scan.doc.settings.output_style = 1;
  const EngraveResult e = scan.job(&clock);
  EXPECT_EQ(e.outcome, EngraveResult::Outcome::DataFailed);
  EXPECT_NE(e.error.find("object-by-object"), std::string::npos) << e.error;
  EXPECT_EQ(scan.sent.commands, std::vector<std::string>{"PU;"});
}

TEST(DataFields, TheTicksOfTextsAndBarcodesExcludeEachOtherAndCheckTheTemplate) {
  const struct {
    int32_t type;
    PageId page;
    std::string text;
    std::vector<std::pair<int32_t, const char*>> ticks;  // 1051 serial, 1052 fields
    int32_t variable;
    const char* says;  // the refusal, or empty
  } rows[] = {
      {LINE_TEXT, PageId::LineText, "L{csv:lot}", {{1052, "1"}}, 2, ""},
      {LINE_TEXT, PageId::LineText, "0001", {{1052, "1"}, {1051, "1"}}, 1, ""},
      {LINE_TEXT, PageId::LineText, "A", {{1051, "1"}, {1052, "0"}}, 1, ""},  // not its tick
      {LINE_TEXT, PageId::LineText, "L{csv:lot", {{1052, "1"}}, 0, "cannot be read"},
      {BARCODE, PageId::Barcode, "{date:YYMMDD}", {{1052, "1"}, {1052, "0"}}, 0, ""},
      {BARCODE, PageId::Barcode, "{shif}", {{1052, "1"}}, 0, "cannot be read"},
  };
  for (const auto& row : rows) {
    Rig r(row.type, row.text, 0);
    PageEdit last;
    for (const auto& [id, value] : row.ticks) last = apply_row(r.doc, row.page, id, value);
    EXPECT_EQ(*field_text(*r.obj), row.text);
    const int32_t v = row.type == LINE_TEXT ? r.obj->block<LineTextParams>()->variable
                                            : r.obj->block<BarcodeParams>()->variable;
    EXPECT_EQ(v, row.variable) << row.text;
    EXPECT_NE(last.status.find(row.says), std::string::npos) << last.status;
  }
  // A fields text takes only templates that read, and one line.
  Rig r(LINE_TEXT, "{time:hhmm}", 2);
  EXPECT_NE(confirm_line_text(r.doc, "A\nB").status.find("one line"), std::string::npos);
  EXPECT_NE(confirm_line_text(r.doc, "{date}").status.find("cannot be read"), std::string::npos);
  EXPECT_EQ(*field_text(*r.obj), "{time:hhmm}");
  EXPECT_TRUE(confirm_line_text(r.doc, "{time:hh}").applied);
}

TEST(DataFields, ADataSourceIsSetAsOneStepOrRefusedWithTheReason) {
  Rig r(CODE, "{csv:lot}", 2);
  r.dir.write("d.csv", "lot\nA\nB\n");
  const struct {
    VariableData source;
    const char* says;  // empty: taken
  } cases[] = {
      {{"d.csv", 2, "06:00=A"}, ""},  // every row used: as a job leaves it
      {{"d.csv", 3, ""}, "row 4 is not one of them"},
      {{"none.csv", 0, ""}, "none.csv"},
      {{"d.csv", 0, "25:00=A"}, "shift table"},
      {{"d.csv\n0,data,0,x", 0, ""}, "line break"},
      {{"", 0, "06:00=A\r"}, "line break"},
  };
  for (const auto& c : cases) {
    const VariableData before = r.doc.variable_data;
    const std::size_t steps = r.doc.history.size();
    const std::string why = SetDataSource(r.doc, c.source);
    if (*c.says == '\0') {
      EXPECT_EQ(why, "");
      EXPECT_EQ(r.doc.variable_data, c.source);
      EXPECT_EQ(r.doc.history.size(), steps + 1);
    } else {
      EXPECT_NE(why.find(c.says), std::string::npos) << why;
      EXPECT_EQ(r.doc.variable_data, before);
      EXPECT_EQ(r.doc.history.size(), steps);
    }
  }
  // A job's rows are not brought back by an undo of the step before it.
  ASSERT_EQ(SetDataSource(r.doc, {"d.csv", 0, ""}), "");
  ASSERT_EQ(r.job().outcome, EngraveResult::Outcome::Done);
  EXPECT_EQ(r.doc.variable_data.next_row, 1);
  UndoCommand(r.doc);
  EXPECT_EQ(r.doc.variable_data.next_row, 1);
  EXPECT_EQ(r.doc.variable_data.shifts, "06:00=A");
}

}  // namespace
}  // namespace lumetch

