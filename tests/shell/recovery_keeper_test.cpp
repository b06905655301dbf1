#include "shell/recovery_keeper.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commands/create_object.h"
#include "commands/header_edit.h"
#include "commands/layout_commands.h"
#include "commands/recovery.h"
#include "commands/session.h"
#include "model/layout_file.h"
#include "platform/scripted_operator.h"
#include "platform/text_file.h"
#include "shell/commands.h"
#include "shell/main_frame.h"
#include "support/temp_dir.h"

extern char** environ;

namespace lumetch {
namespace {

namespace fs = std::filesystem;

constexpr const char* kChildFolder = "LUMETCH_RECOVERY_CHILD";
constexpr const char* kIntervalVariable = "LUMETCH_RECOVERY_INTERVAL_MS";

// A 10 mm square at the field centre.
const std::string kSquare =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";

// A short copy interval for the windows this test makes.
struct ShortInterval {
  explicit ShortInterval(int ms) { qputenv(kIntervalVariable, QByteArray::number(ms)); }
  ~ShortInterval() { qunsetenv(kIntervalVariable); }
  ShortInterval(const ShortInterval&) = delete;
  ShortInterval& operator=(const ShortInterval&) = delete;
};

// The desktop program's start in a folder: its settings, then the window.
struct Window {
  CketralDoc doc;
  ScriptedOperator op;
  std::unique_ptr<CMainFrame> frame;
  explicit Window(const fs::path& dir) {
    EXPECT_TRUE(start_session(doc, dir).ok());
    frame = std::make_unique<CMainFrame>(doc, &op);
    frame->show();
  }
};

std::string layout_text(const CketralDoc& doc) {
  std::string text;
  for (const MarkObject& obj : doc.ring.oldest_first()) text += format_record(obj, false);
  return text;
}

std::string read_text(const fs::path& file) {
  return read_input_file(file).text;
}

int recovery_files(const fs::path& dir) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    n += entry.path().extension() == ".recovery";
  return n;
}

bool wait_until(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, 20000);
}

// Run by the test below in a process of its own: the window on "job.mrk",
// edited as an operator edits, until the copy holds the edits; one more edit,
// then it waits to be killed.
TEST(RecoveryChild, EditsTheLayoutUntilKilled) {
  const QByteArray folder = qgetenv(kChildFolder);
  if (folder.isEmpty()) GTEST_SKIP() << "the child of Recovery.AKilledWindowsEditsComeBack";
  const fs::path dir = folder.toStdString();
  Window w(dir);
  ASSERT_TRUE(w.frame->open_at_start(dir / "job.mrk"));
  w.frame->dispatch(kCmdRectangle);
  w.frame->dispatch(kCmdCircle);
  ASSERT_TRUE(apply_header_text(w.doc, HeaderField::CentX, "12.5").applied);
  w.frame->dispatch(kCmdMirrorX);
  const fs::path copy = recovery_file(dir, dir / "job.mrk");
  ASSERT_TRUE(wait_until([&] { return read_text(copy) == recovery_text(w.doc); }));
  const std::string copied = layout_text(w.doc);
  w.frame->dispatch(kCmdLine);  // within the last interval
  ASSERT_TRUE(write_file_atomically(dir / "last.txt", layout_text(w.doc)));
  ASSERT_TRUE(write_file_atomically(dir / "copied.txt", copied));
  // Bounded, should the test that waits for it be gone.
  QTest::qWait(120'000);
}

TEST(Recovery, AKilledWindowsEditsComeBack) {
  test::TempDir dir;
  dir.write("job.mrk", kSquare);

  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (!entry.starts_with(kChildFolder) && !entry.starts_with(kIntervalVariable)) {
      env_text.push_back(entry);
    }
  }
  env_text.push_back(std::string(kChildFolder) + "=" + dir.path().string());
  env_text.push_back(std::string(kIntervalVariable) + "=300");
  env_text.emplace_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  std::string program = fs::read_symlink("/proc/self/exe").string();
  std::string filter = "--gtest_filter=RecoveryChild.EditsTheLayoutUntilKilled";
  char* argv[] = {program.data(), filter.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = dir.file("child.log").string();
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = -1;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, argv, env.data()), 0);
  posix_spawn_file_actions_destroy(&actions);

  // Until the child says its copy holds its edits; bounded.
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 1200 && !fs::exists(dir.file("copied.txt")); ++i) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!ended) {
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
  }
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << dir.read("child.log");
  ASSERT_TRUE(fs::exists(dir.file("copied.txt"))) << dir.read("child.log");

  // The next start asks, and Yes brings back the edits (the last one may
  // have missed the copy), named after the layout and not saved.
  Window w(dir.path());
  w.op.ask_answers = {Answer::Yes};
  ASSERT_TRUE(w.frame->open_at_start(dir.file("job.mrk")));
  ASSERT_EQ(w.op.texts("ask").size(), 1u);
  EXPECT_NE(w.op.texts("ask")[0].find(dir.file("job.mrk").string() + " had changes"),
            std::string::npos);
  const std::string restored = layout_text(w.doc);
  EXPECT_TRUE(restored == dir.read("copied.txt") || restored == dir.read("last.txt")) << restored;
  EXPECT_EQ(dir.read("job.mrk"), kSquare);
  EXPECT_EQ(w.doc.layout_path, dir.file("job.mrk"));
  EXPECT_TRUE(w.frame->windowTitle().endsWith(" *"));

  // Saved, the copy goes.
  w.op.file_answers = {dir.file("job.mrk")};
  w.frame->dispatch(kCmdSave);
  EXPECT_EQ(dir.read("job.mrk"), restored);
  EXPECT_EQ(recovery_files(dir.path()), 0);
}

TEST(Recovery, TheCopyFollowsTheUnsavedChanges) {
  constexpr int kInterval = 40;
  const ShortInterval interval(kInterval);
  enum class End { Save, UndoAll, CloseWithoutSaving, CloseCancelled, NewWithoutSaving };
  const struct {
    const char* name;
    bool edit;
    End end;
    bool kept;
  } rows[] = {
      {"nothing changed", false, End::CloseCancelled, false},
      {"saved", true, End::Save, false},
      {"undone to the saved state", true, End::UndoAll, false},
      {"closed without saving", true, End::CloseWithoutSaving, false},
      {"close cancelled", true, End::CloseCancelled, true},
      {"New without saving", true, End::NewWithoutSaving, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    Window w(dir.path());
    EXPECT_EQ(w.frame->recovery()->interval_ms(), kInterval);
    const fs::path copy = recovery_file(dir.path(), fs::path());
    if (row.edit) {
      w.frame->dispatch(kCmdRectangle);
      ASSERT_TRUE(wait_until([&] { return fs::exists(copy); }));
      ASSERT_TRUE(wait_until([&] { return !w.frame->recovery()->armed(); }));
    }
    // Nothing changes: nothing is written.
    const auto written = fs::exists(copy) ? fs::last_write_time(copy) : fs::file_time_type();
    QTest::qWait(5 * kInterval);
    EXPECT_EQ(fs::exists(copy) ? fs::last_write_time(copy) : fs::file_time_type(), written);

    switch (row.end) {
      case End::Save:
        w.op.file_answers = {dir.file("saved.mrk")};
        w.frame->dispatch(kCmdSave);
        break;
      case End::UndoAll:
        w.frame->dispatch(kCmdUndoKey);
        break;
      case End::CloseWithoutSaving:
        w.op.ask_answers = {Answer::No};
        EXPECT_TRUE(w.frame->close());
        break;
      case End::CloseCancelled:
        w.op.ask_answers = {Answer::Cancel};
        EXPECT_FALSE(w.frame->close());
        break;
      case End::NewWithoutSaving:
        w.op.ask_answers = {Answer::No};
        w.frame->dispatch(kCmdNew);
        break;
    }
    QTest::qWait(3 * kInterval);
    EXPECT_EQ(recovery_files(dir.path()), row.kept ? 1 : 0);
  }
}

TEST(Recovery, ACopyThatCannotBeWrittenIsSaidOnceAndTriedAgain) {
  constexpr int kInterval = 40;
  const ShortInterval interval(kInterval);
  test::TempDir dir;
  Window w(dir.path());
  const fs::path copy = recovery_file(dir.path(), fs::path());
  fs::create_directory(copy);  // stands for a full disk or a read-only folder
  w.frame->dispatch(kCmdRectangle);
  ASSERT_TRUE(wait_until([&] { return w.frame->status_text(0).contains("could not be written"); }));
  EXPECT_TRUE(w.frame->status_text(0).contains(QString::fromStdString(copy.string())));
  w.frame->set_status(0, "-");
  w.frame->dispatch(kCmdCircle);  // editing goes on
  QTest::qWait(5 * kInterval);
  EXPECT_EQ(w.frame->status_text(0), "-");
  EXPECT_EQ(w.doc.ring.size(), 2u);
  fs::remove(copy);
  ASSERT_TRUE(wait_until([&] { return fs::is_regular_file(copy); }));
  EXPECT_EQ(read_text(copy), recovery_text(w.doc));
}

}  // namespace
}  // namespace lumetch
