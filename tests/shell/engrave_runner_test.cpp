#include "shell/engrave_runner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "commands/create_object.h"
#include "platform/job_lock.h"
#include "platform/scripted_operator.h"
#include "shell/qt_operator.h"
#include "shell/sim_pane.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Outcome = EngraveResult::Outcome;

// A document with one rectangle, its port set by "port.txt".
struct RunFixture {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  MarkerSim sim;
  SimPane pane{sim, doc.settings};

  explicit RunFixture(const std::string& port = "sim") {
    doc.work_dir = dir.path();
    dir.write("port.txt", port + "\n");
    CreateObject(doc, RECTANGLE, op);
    pane.resize(220, 240);
  }
  EngraveRun run() { return run_engraving(doc, op, nullptr, sim, &pane, nullptr); }
};

TEST(EngraveRunner, ARectangleIsMarkedOnTheSimulatorAndThePaneCountsIt) {
  RunFixture f;
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, Outcome::Done);
  EXPECT_EQ(r.status, QString("Done — 1 objects, %1 commands to sim").arg(f.sim.commands().size()));
  ASSERT_FALSE(f.sim.strokes().empty());
  EXPECT_NEAR(f.pane.marked_mm(), f.sim.marked_length() / 40.0, 1e-6);
  const std::size_t n = f.sim.strokes().size();
  EXPECT_TRUE(f.pane.caption().startsWith(
      QString("Last job: %1 stroke%2, 0 ellipses, ").arg(n).arg(n == 1 ? "" : "s")))
      << f.pane.caption().toStdString();
  // Dark where the pen went down, light well away from the square.
  const auto& first = f.sim.strokes().front().points;
  EXPECT_TRUE(
      test::dark(f.pane.picture(), (f.pane.to_pixel(first[0]) + f.pane.to_pixel(first[1])) / 2));
  EXPECT_FALSE(test::dark(f.pane.picture(), f.pane.to_pixel({400, 3600})));

  // Cancelled at the power check: nothing sent, the last job's picture stays.
  const QString caption = f.pane.caption();
  const QImage picture = f.pane.picture();
  const std::size_t commands = f.sim.commands().size();
  f.op.confirm_answers.push_back(false);
  const EngraveRun c = f.run();
  EXPECT_EQ(c.result.outcome, Outcome::Cancelled);
  EXPECT_TRUE(c.status.startsWith("Cancelled — 0 objects, 0 commands"));
  EXPECT_EQ(f.sim.commands().size(), commands);
  EXPECT_EQ(f.pane.caption(), caption);
  EXPECT_EQ(f.pane.picture(), picture);

  // A start while a job runs is ignored and leaves its queue alone.
  f.doc.engraving = 1;
  const EngraveRun busy = f.run();
  EXPECT_EQ(busy.result.outcome, Outcome::Busy);
  EXPECT_TRUE(busy.status.isEmpty());  // the core refuses as well; this shows the runner did
  EXPECT_EQ(f.sim.commands().size(), commands);
  EXPECT_EQ(f.op.texts("confirm").size(), 2u);
}

TEST(EngraveRunner, EscapeStopsOrPausesAndAStoppedJobIsNeverDone) {
  // Stable speed command, answers to the continue dialog, outcome.
  const std::tuple<const char*, std::vector<bool>, Outcome> cases[] = {
      {"SP1;", {}, Outcome::Stopped},
      {"SP0;", {false}, Outcome::Stopped},
      {"SP0;", {true}, Outcome::Done}};
  for (const auto& [stable, answers, outcome] : cases) {
    RunFixture f;
    f.doc.view.stable_speed_cmd = stable;
    f.op.continue_answers.assign(answers.begin(), answers.end());
    f.op.press_escape();
    const EngraveRun r = f.run();
    SCOPED_TRACE(r.status.toStdString());
    EXPECT_EQ(r.result.outcome, outcome);
    EXPECT_EQ(f.op.texts("continue").size(), answers.size());
    const bool done = outcome == Outcome::Done;
    EXPECT_EQ(r.status.startsWith("Done"), done);
    EXPECT_EQ(r.status.startsWith("Stopped by Escape"), !done);
    EXPECT_EQ(f.sim.strokes().empty(), !done);
    EXPECT_EQ(f.pane.stroke_count(), f.sim.strokes().size());
  }
}

TEST(EngraveRunner, APortThatCannotBeOpenedIsReportedOnceAndTheJobFails) {
  test::TempDir elsewhere;
  const std::string port = (elsewhere.path() / "missing" / "port").string();
  RunFixture f(port);
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, Outcome::PortFailed);
  EXPECT_TRUE(r.status.startsWith("Stopped: the marker port failed")) << r.status.toStdString();
  EXPECT_TRUE(r.status.endsWith("; the pen could not be parked")) << r.status.toStdString();
  const std::vector<std::string> messages = f.op.texts("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(port), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("no such device or file"), std::string::npos) << messages[0];
  EXPECT_TRUE(f.sim.commands().empty());
}

TEST(EngraveRunner, AnUnreadablePortFileMarksNothingAndSaysSo) {
  RunFixture f;
  std::filesystem::remove(f.dir.file("port.txt"));
  std::filesystem::create_directory(f.dir.file("port.txt"));
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, Outcome::PortFailed);
  ASSERT_EQ(f.op.texts("message").size(), 1u);
  EXPECT_NE(f.op.texts("message")[0].find("port.txt"), std::string::npos);
  EXPECT_TRUE(f.op.texts("confirm").empty());  // not even the power check
  EXPECT_TRUE(f.sim.commands().empty());
}

TEST(EngraveRunner, ThePowerCheckSaysWhatWouldLeaveTheFieldAndHowFar) {
  const struct {
    double cent_x;
    std::string said;  // after the power check's own text
  } cases[] = {
      {0.0, ""},
      {50.0,
       "\n\nMoves of this job would leave the marking field (0..4000 x 0..4000 units):\n"
       "  rectangle1: x 3600..4400, y 1600..2400, up to 10.0 mm outside\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cent_x);
    RunFixture f;
    f.doc.ring.oldest()->cent_x = c.cent_x;
    f.run();
    EXPECT_EQ(f.op.texts("confirm"), std::vector<std::string>{kPowerCheckText + c.said});
  }
}

TEST(EngraveRunner, APortAnotherJobHoldsIsRefusedBeforeThePowerCheck) {
  test::TempDir elsewhere;
  const std::string port = "file:" + elsewhere.file("out.txt").string();
  RunFixture f(port);
  JobLock other;
  ASSERT_EQ(other.lock_port(port), "");
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, Outcome::PortInUse);
  EXPECT_TRUE(r.status.startsWith("Refused: the marker port is in use")) << r.status.toStdString();
  const std::vector<std::string> messages = f.op.texts("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("is in use by another job"), std::string::npos) << messages[0];
  EXPECT_TRUE(f.op.texts("confirm").empty());
  EXPECT_FALSE(std::filesystem::exists(elsewhere.file("out.txt")));
}

// With the window's own operator: the power check and the continue dialog
// must take their answers although keys are queued for the job meanwhile.
TEST(EngraveRunner, DialogsDuringAJobCanBeAnsweredFromTheKeyboard) {
  RunFixture f;
  f.doc.view.stable_speed_cmd = "SP0;";
  QWidget window;
  QtOperator qt(&window);
  auto* dock = make_sim_dock(new SimPane(f.sim, f.doc.settings), &window);
  EXPECT_EQ(dock->windowTitle(), "Marker simulator");
  EXPECT_EQ(dock->parent(), &window);
  dock->hide();
  auto* pane = static_cast<SimPane*>(dock->widget());

  bool escape_sent = false, busy_cursor = false;
  int answered = 0;
  QTimer driver;
  driver.setInterval(0);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      // Return takes the default button: OK at the power check, Yes to continue.
      QTest::keyClick(box, Qt::Key_Return);
      ++answered;
    } else if (qt.job_running() && !escape_sent) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&window, &esc);
      escape_sent = true;
      busy_cursor = window.cursor().shape() == Qt::BusyCursor;
    }
  });
  // Had a dialog been left deaf, this frees it so the test fails instead of hanging.
  QObject guard;
  QTimer::singleShot(5000, &guard, [&] {
    qt.end_job();
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  driver.start();
  const EngraveRun r = run_engraving(f.doc, qt, &qt, f.sim, pane, &window);
  driver.stop();

  EXPECT_TRUE(busy_cursor);
  EXPECT_EQ(answered, 2);
  EXPECT_EQ(r.result.outcome, Outcome::Done) << r.status.toStdString();
  // "Zt;" when Escape paused the marker, again when the operator went on.
  EXPECT_EQ(std::count(f.sim.commands().begin(), f.sim.commands().end(), "Zt;"), 2);
  EXPECT_FALSE(qt.job_running());
  EXPECT_FALSE(dock->isHidden());
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);  // the busy cursor is gone
}

}  // namespace
}  // namespace lumetch
