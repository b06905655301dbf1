#include "shell/data_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/edit_commands.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

struct Fixture {
  test::TempDir dir;
  ScriptedOperator op;
  CketralDoc doc;
  VariableData start{"lots.csv", 1, "06:00=A;18:00=B"};
  Fixture() {
    doc.work_dir = dir.path() / "work";
    std::filesystem::create_directories(doc.work_dir);
    doc.layout_path = dir.file("plate.mrk");
    dir.write("lots.csv", "lot,qty\nA1,5\nA2,7\nA3,9\n");
    dir.write("two.csv", "serial\nS1\nS2\n");
    doc.variable_data = start;  // as a loaded layout holds it
  }
  // Shows the dialog to `act`, which says whether it accepted.
  void run(const std::function<bool(CDataSourceDialog&)>& act) {
    run_data_source_dialog(doc, op, nullptr,
                           [&](QDialog& d) { return act(dynamic_cast<CDataSourceDialog&>(d)); });
  }
};

bool press(QDialog& d, const char* control) {
  d.findChild<QPushButton*>(control)->click();
  return d.result() == QDialog::Accepted;
}

TEST(DataSourceDialog, OpensOnTheLayoutsSourceAndSaysWhatTheFileHolds) {
  Fixture f;
  f.run([&](CDataSourceDialog& d) {
    EXPECT_EQ(d.windowTitle(), "可変データの設定");
    EXPECT_EQ(d.file_box()->text(), "lots.csv");
    EXPECT_EQ(d.row_box()->value(), 2);  // 1-based here
    EXPECT_EQ(d.shifts_box()->text(), "06:00=A;18:00=B");
    EXPECT_EQ(d.contents_line()->text(), "3 rows; columns: lot, qty");
    EXPECT_TRUE(d.contents_line()->isReadOnly());
    EXPECT_TRUE(d.problem_label()->isHidden());

    // Follows the fields as they change.
    struct Row {
      const char* name;
      QString file;
      int row;
      QString shifts;
      std::string contents;  // what the contents line starts with
      std::string problem;   // empty: hidden; else a part of it
    };
    const std::vector<Row> rows = {
        {"other file", "two.csv", 1, "", "2 rows; columns: serial", ""},
        {"used up", "lots.csv", 4, "", "3 rows; columns: lot, qty (every row has been used)", ""},
        {"row beyond", "lots.csv", 5, "", "3 rows; columns: lot, qty",
         "The data file has 3 rows; row 5 is not one of them."},
        {"bad shifts", "lots.csv", 1, "6:00", "3 rows; columns: lot, qty", "has no \"=\""},
        {"missing file", "gone.csv", 1, "", "", ""},
        {"no file", "", 3, "", "No data file", ""},
    };
    for (const Row& r : rows) {
      d.file_box()->setText(r.file);
      d.row_box()->setValue(r.row);
      d.shifts_box()->setText(r.shifts);
      const std::string contents = d.contents_line()->text().toStdString();
      EXPECT_EQ(contents.rfind(r.contents, 0), 0u) << r.name << ": " << contents;
      EXPECT_EQ(d.problem_label()->isHidden(), r.problem.empty()) << r.name;
      EXPECT_NE(d.problem_label()->text().toStdString().find(r.problem), std::string::npos)
          << r.name;
    }
    // The reason a file cannot be read is on the contents line, named once.
    d.file_box()->setText("gone.csv");
    EXPECT_NE(d.contents_line()->text().indexOf("gone.csv"), -1);
    return press(d, "1002");
  });
  EXPECT_EQ(f.doc.variable_data, f.start);
}

TEST(DataSourceDialog, OkSetsTheSourceAsOneUndoableStep) {
  Fixture f;
  const VariableData changed{"two.csv", 2, ""};
  f.run([&](CDataSourceDialog& d) {
    d.file_box()->setText("two.csv");
    d.row_box()->setValue(3);  // both rows used: a job would stop at once
    d.shifts_box()->clear();
    EXPECT_EQ(d.source(), changed);
    return press(d, "1001");
  });
  EXPECT_EQ(f.doc.variable_data, changed);
  EXPECT_EQ(f.doc.history.undo_name(), "Data source");
  EXPECT_TRUE(f.op.texts("message").empty());
  ASSERT_TRUE(UndoCommand(f.doc));
  EXPECT_EQ(f.doc.variable_data, f.start);
  EXPECT_FALSE(f.doc.history.can_undo());
  ASSERT_TRUE(RedoCommand(f.doc));
  EXPECT_EQ(f.doc.variable_data, changed);

  // OK on what the layout already holds adds no step.
  ASSERT_TRUE(UndoCommand(f.doc));
  f.run([&](CDataSourceDialog& d) { return press(d, "1001"); });
  EXPECT_FALSE(f.doc.history.can_undo());
  EXPECT_EQ(f.doc.variable_data, f.start);
}

TEST(DataSourceDialog, ARefusedSourceKeepsTheDialogOpenAndChangesNothing) {
  struct Row {
    const char* name;
    std::function<void(Fixture&, CDataSourceDialog&)> enter;
    std::string reason;  // a part of the message
  };
  const std::vector<Row> rows = {
      {"bad shift table",
       [](Fixture&, CDataSourceDialog& d) { d.shifts_box()->setText("06:00=A;25:00=B"); },
       "The shift start \"25:00\""},
      {"unreadable file", [](Fixture&, CDataSourceDialog& d) { d.file_box()->setText("gone.csv"); },
       "gone.csv"},
      {"a folder as the file",
       [](Fixture& f, CDataSourceDialog& d) {
         std::filesystem::create_directory(f.dir.file("folder.csv"));
         d.file_box()->setText("folder.csv");
       },
       "folder.csv"},
      {"row beyond the file", [](Fixture&, CDataSourceDialog& d) { d.row_box()->setValue(5); },
       "row 5 is not one of them"},
      {"row beyond a file typed with it",
       [](Fixture&, CDataSourceDialog& d) {
         d.file_box()->setText("two.csv");
         d.row_box()->setValue(4);
       },
       "The data file has 2 rows"},
      // The file reads, but its name would break the layout's line.
      {"line break in the chosen name",
       [](Fixture& f, CDataSourceDialog& d) {
         f.dir.write("a\nb.csv", "lot\nA\n");
         f.op.file_answers.push_back(f.dir.file("a\nb.csv"));
         d.browse_button()->click();
       },
       "line break"},
  };
  for (const Row& r : rows) {
    Fixture f;
    QString typed_file, typed_shifts;
    int typed_row = 0;
    f.run([&](CDataSourceDialog& d) {
      r.enter(f, d);
      typed_file = d.file_box()->text();
      typed_shifts = d.shifts_box()->text();
      typed_row = d.row_box()->value();
      EXPECT_FALSE(press(d, "1001")) << r.name;
      // Still there, with what was typed, for the operator to put right.
      EXPECT_EQ(d.file_box()->text(), typed_file) << r.name;
      EXPECT_EQ(d.shifts_box()->text(), typed_shifts) << r.name;
      EXPECT_EQ(d.row_box()->value(), typed_row) << r.name;
      return press(d, "1002");  // and Cancel leaves the layout as it was
    });
    const std::vector<std::string> said = f.op.texts("message");
    ASSERT_EQ(said.size(), 1u) << r.name;
    EXPECT_NE(said[0].find(r.reason), std::string::npos) << r.name << ": " << said[0];
    EXPECT_EQ(f.doc.variable_data, f.start) << r.name;
    EXPECT_FALSE(f.doc.history.can_undo()) << r.name;
  }
}

TEST(DataSourceDialog, AFieldLeftAsItWasKeepsTheLayoutsBytes) {
  // A name that is no UTF-8 shows with a replacement character; OK after
  // changing only the row must not rename the file.
  Fixture f;
  const std::string odd = "lot\xff.csv";
  f.dir.write(odd, "lot\nA\nB\n");
  f.doc.variable_data = {odd, 0, ""};
  f.run([&](CDataSourceDialog& d) {
    EXPECT_EQ(d.contents_line()->text(), "2 rows; columns: lot");
    d.row_box()->setValue(2);
    return press(d, "1001");
  });
  EXPECT_EQ(f.doc.variable_data, (VariableData{odd, 1, ""}));
}

TEST(DataSourceDialog, BrowseNamesAFileBesideTheLayoutRelativeToIt) {
  struct Row {
    const char* name;
    bool untitled;
    std::optional<std::string> chosen;  // under the test folder; none: cancelled
    std::string named;                  // what the file box then says; "=" + path: absolute
    bool none_named = false;            // the layout names no data file yet
  };
  const std::vector<Row> rows = {
      {"beside the layout", false, "two.csv", "two.csv"},
      {"in a folder below it", false, "data/day.csv", "data/day.csv"},
      {"in the folder above it", false, "../up.csv", "=../up.csv"},
      {"untitled layout", true, "two.csv", "=two.csv"},
      {"cancelled", false, std::nullopt, "lots.csv"},
      {"none named yet", false, "two.csv", "two.csv", true},
      {"none named, untitled", true, std::nullopt, "", true},
  };
  for (const Row& r : rows) {
    Fixture f;
    if (r.untitled) f.doc.layout_path.clear();
    if (r.none_named) f.doc.variable_data.csv_path.clear();
    const std::filesystem::path base = f.dir.path();
    if (r.chosen) f.op.file_answers.push_back(base / *r.chosen);
    QString named;
    f.run([&](CDataSourceDialog& d) {
      d.browse_button()->click();
      named = d.file_box()->text();
      return press(d, "1002");
    });
    const std::string want =
        r.named.starts_with('=') ? (base / r.named.substr(1)).lexically_normal().string() : r.named;
    EXPECT_EQ(named.toStdString(), want) << r.name;
    // The file dialog opens on the named file, in the folder relative names start from.
    ASSERT_EQ(f.op.texts("file").size(), 1u) << r.name;
    const std::filesystem::path folder = r.untitled ? f.doc.work_dir : base;
    EXPECT_EQ(f.op.texts("file")[0], (folder / (r.none_named ? "" : "lots.csv")).string())
        << r.name;
    EXPECT_EQ(f.op.shown[0].caption, "CSV File(*.csv)|*.csv|All Files(*)|*|") << r.name;
  }
}

}  // namespace
}  // namespace lumetch
