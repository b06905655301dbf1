#include "commands/recovery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/header_edit.h"
#include "commands/layout_commands.h"
#include "model/layout_file.h"
#include "platform/scripted_operator.h"
#include "support/cli_process.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string layout_text(const CketralDoc& doc) {
  std::string text;
  for (const MarkObject& obj : doc.ring.oldest_first()) text += format_record(obj, false);
  return text;
}

// A layout "a.mrk" of one square, its recovery copy holding two, and the
// copy's or the layout's time set as a row says.
TEST(Recovery, ACopyIsOfferedOnlyWhileItIsNewerThanItsLayout) {
  const struct {
    const char* name;
    // The layout the copy names: 'a', 'b', 'u' (untitled); 0: no recovery line.
    char recorded;
    std::optional<int> saved_s;  // layout written this many seconds after the copy; none: gone
    bool at_start_without_layout;
    bool locked;  // by a window still open
    bool offered;
    bool kept;
  } rows[] = {
      {"edited after the last save", 'a', -10, false, false, true, true},
      {"saved after the copy", 'a', 10, false, false, false, false},
      {"saved the same moment", 'a', 0, false, false, false, false},
      {"layout gone", 'a', std::nullopt, false, false, true, true},
      {"untitled, start without a layout", 'u', std::nullopt, true, false, true, true},
      {"layout's copy, start without a layout", 'a', -10, true, false, true, true},
      {"stale copy, start without a layout", 'a', 10, true, false, false, false},
      {"another layout's copy under a's name", 'b', -10, false, false, false, true},
      {"no recovery line", 0, -10, true, false, false, true},
      {"kept by a window still open", 'a', -10, true, true, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    const fs::path layout = dir.file("a.mrk");
    const fs::path copy = recovery_file(dir.path(), row.recorded == 'u' ? fs::path() : layout);
    CketralDoc doc;
    doc.work_dir = dir.path();
    if (row.recorded == 'a') doc.layout_path = layout;
    if (row.recorded == 'b') doc.layout_path = dir.file("b.mrk");
    const std::string body = test::kSquareLayout + test::kSquareLayout;
    ASSERT_TRUE(write_recovery_copy(copy, (row.recorded != 0 ? recovery_text(doc) : "") + body));
    if (row.saved_s) {
      dir.write("a.mrk", test::kSquareLayout);
      fs::last_write_time(layout, fs::last_write_time(copy) + std::chrono::seconds(*row.saved_s));
    }

    JobLock window;
    if (row.locked) {
      ASSERT_TRUE(lock_copy(window, copy) && window.held());
    }
    const std::optional<RecoveryCopy> found =
        find_recovery(dir.path(), row.at_start_without_layout ? fs::path() : layout);
    EXPECT_EQ(found.has_value(), row.offered);
    EXPECT_EQ(fs::exists(copy), row.kept);
    if (found) {
      EXPECT_EQ(found->file, copy);
      EXPECT_EQ(found->layout, doc.layout_path);
    }

    // The same through the start: an offered copy is asked about and restored
    // as the layout it names, unsaved; otherwise the layout itself opens.
    ScriptedOperator op;
    CketralDoc started;
    started.work_dir = dir.path();
    open_at_start(started, row.at_start_without_layout ? fs::path() : layout, op);
    EXPECT_EQ(op.texts("ask").size(), row.offered ? 1u : 0u);
    const std::size_t objects = row.offered                   ? 2
                                : row.at_start_without_layout ? 0
                                : row.saved_s                 ? 1
                                                              : 0;
    EXPECT_EQ(started.ring.size(), objects);
    EXPECT_EQ(started.history.modified(), row.offered);
    EXPECT_EQ(started.layout_path, row.offered    ? doc.layout_path
                                   : objects == 1 ? layout
                                                  : fs::path());
    EXPECT_FALSE(started.history.can_undo());
  }
}

TEST(Recovery, RestoreKeepsTheObjectsAndTheNameAndNoDeletesTheCopy) {
  const struct {
    const char* name;
    const char* layout_name;
    Answer answer;
  } rows[] = {
      {"yes", "job.mrk", Answer::Yes},
      {"yes, a name with a percent sign and a line break", "j%0A\nb%.mrk", Answer::Yes},
      {"no", "job.mrk", Answer::No},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    const fs::path layout = dir.file(row.layout_name);
    dir.write(row.layout_name, test::kSquareLayout);
    CketralDoc before;
    before.work_dir = dir.path();
    ScriptedOperator op;
    ASSERT_TRUE(open_named_layout(before, layout, op));
    ASSERT_EQ(before.layout_path, layout);
    // Edited, then the copy a crash leaves.
    for (const int32_t type : {CIRCLE, BARCODE}) ASSERT_NE(CreateObject(before, type, op), nullptr);
    ASSERT_TRUE(apply_header_text(before, HeaderField::CentX, "12.5").applied);
    const fs::path copy = recovery_file(dir.path(), layout);
    ASSERT_TRUE(write_recovery_copy(copy, recovery_text(before)));
    ASSERT_TRUE(write_recovery_copy(dir.file("untitled.recovery"), "0,recovery,\n"));
    fs::last_write_time(dir.file("untitled.recovery"), fs::last_write_time(copy) - 1h);

    // Without a layout the newest copy is offered.
    CketralDoc doc;
    doc.work_dir = dir.path();
    op.ask_answers = {row.answer};
    EXPECT_EQ(open_at_start(doc, fs::path(), op), row.answer == Answer::Yes);
    ASSERT_EQ(op.texts("ask").size(), 1u);
    EXPECT_NE(op.texts("ask")[0].find("The layout " + layout.string() + " had changes"),
              std::string::npos);
    EXPECT_EQ(fs::exists(copy), row.answer == Answer::Yes);
    EXPECT_TRUE(fs::exists(dir.file("untitled.recovery")));
    if (row.answer == Answer::Yes) {
      EXPECT_EQ(layout_text(doc), layout_text(before));
      EXPECT_EQ(doc.layout_path, layout);
      EXPECT_TRUE(doc.history.modified());
      // The save proposes the layout's name; saved, the copy is stale.
      op.file_answers = {layout};
      ASSERT_TRUE(SaveCommand(doc, op));
      EXPECT_EQ(op.shown.back().text, layout.string());
      EXPECT_FALSE(find_recovery(dir.path(), layout).has_value());
      EXPECT_FALSE(fs::exists(copy));
    } else {
      EXPECT_TRUE(doc.ring.is_empty());
    }
  }
}

}  // namespace
}  // namespace lumetch
