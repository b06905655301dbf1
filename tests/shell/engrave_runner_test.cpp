#include "shell/engrave_runner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "platform/scripted_operator.h"
#include "shell/qt_operator.h"
#include "shell/sim_pane.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

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
  EngraveRun run(QtOperator* qt = nullptr) {
    return run_engraving(doc, op, qt, sim, &pane, nullptr);
  }
};

std::size_t count_of(const std::vector<std::string>& v, const std::string& s) {
  return static_cast<std::size_t>(std::count(v.begin(), v.end(), s));
}

TEST(EngraveRunner, ARectangleIsMarkedOnTheSimulatorAndThePaneCountsIt) {
  RunFixture f;
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, EngraveResult::Outcome::Done);
  EXPECT_EQ(r.channel, "sim");
  EXPECT_TRUE(r.status.startsWith("Done — 1 objects, ")) << r.status.toStdString();
  EXPECT_TRUE(r.status.endsWith(" commands to sim"));
  EXPECT_EQ(r.result.commands_sent, f.sim.commands().size());
  ASSERT_FALSE(f.sim.strokes().empty());
  // The 20 mm square at the field's centre: at least its outline is marked.
  EXPECT_GE(f.pane.marked_mm(), 80.0 - 1e-9);
  EXPECT_NEAR(f.pane.marked_mm(), f.sim.marked_length() / 40.0, 1e-6);
  const std::size_t n = f.sim.strokes().size();
  EXPECT_TRUE(f.pane.caption().startsWith(
      QString("Last job: %1 stroke%2, 0 ellipses, ").arg(n).arg(n == 1 ? "" : "s")))
      << f.pane.caption().toStdString();

  // Dark where the pen went down, light well away from the square.
  const auto& first = f.sim.strokes().front().points;
  const MarkerSim::Point a = first[0], b = first[1];
  const QPointF mid = (f.pane.to_pixel(a) + f.pane.to_pixel(b)) / 2;
  EXPECT_TRUE(test::dark(f.pane.picture(), mid));
  EXPECT_FALSE(test::dark(f.pane.picture(), f.pane.to_pixel({400, 3600})));

  // Cancelled at the power check: nothing sent, the last job's picture stays.
  const QString caption = f.pane.caption();
  const QImage picture = f.pane.picture();
  const std::size_t commands = f.sim.commands().size();
  f.op.confirm_answers.push_back(false);
  const EngraveRun c = f.run();
  EXPECT_EQ(c.result.outcome, EngraveResult::Outcome::Cancelled);
  EXPECT_TRUE(c.status.startsWith("Cancelled — 0 objects, 0 commands"));
  EXPECT_EQ(f.sim.commands().size(), commands);
  EXPECT_EQ(f.pane.caption(), caption);
  EXPECT_EQ(f.pane.picture(), picture);
}

TEST(EngraveRunner, EscapeStopsOrPausesAndAStoppedJobIsNeverDone) {
  struct Case {
    const char* name;
    const char* stable;
    std::vector<bool> continue_answers;
    EngraveResult::Outcome outcome;
    std::size_t dialogs;
  };
  const Case cases[] = {
      {"stops at once", "SP1;", {}, EngraveResult::Outcome::Stopped, 0},
      {"pause, then no", "SP0;", {false}, EngraveResult::Outcome::Stopped, 1},
      {"pause, then yes", "SP0;", {true}, EngraveResult::Outcome::Done, 1},
  };
  for (const Case& c : cases) {
    RunFixture f;
    f.doc.view.stable_speed_cmd = c.stable;
    f.op.continue_answers.assign(c.continue_answers.begin(), c.continue_answers.end());
    f.op.press_escape();
    const EngraveRun r = f.run();
    EXPECT_EQ(r.result.outcome, c.outcome) << c.name;
    EXPECT_EQ(f.op.texts("continue").size(), c.dialogs) << c.name;
    const bool done = c.outcome == EngraveResult::Outcome::Done;
    EXPECT_EQ(r.status.startsWith("Done"), done) << c.name << ": " << r.status.toStdString();
    EXPECT_EQ(r.status.startsWith("Stopped by Escape"), !done) << c.name;
    EXPECT_EQ(f.sim.strokes().empty(), !done) << c.name;
    EXPECT_TRUE(f.pane.caption().startsWith("Last job: ")) << c.name;
    EXPECT_EQ(f.pane.stroke_count(), f.sim.strokes().size()) << c.name;
    EXPECT_EQ(f.doc.engraving, 0) << c.name;
  }
}

TEST(EngraveRunner, APortThatCannotBeOpenedIsReportedOnceAndTheJobFails) {
  test::TempDir elsewhere;
  const std::string port = (elsewhere.path() / "missing" / "port").string();
  RunFixture f(port);
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, EngraveResult::Outcome::PortFailed);
  EXPECT_EQ(r.channel, port);
  EXPECT_TRUE(r.status.startsWith("Stopped: the marker port failed")) << r.status.toStdString();
  EXPECT_FALSE(r.status.contains("Done"));
  const std::vector<std::string> messages = f.op.texts("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(port), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("No such file or directory"), std::string::npos) << messages[0];
  EXPECT_TRUE(f.sim.commands().empty());
}

TEST(EngraveRunner, AStartDuringAJobIsIgnoredAndLeavesItsQueueAndPictureAlone) {
  RunFixture f;
  f.run();
  const std::size_t commands = f.sim.commands().size();
  f.doc.engraving = 1;
  const EngraveRun r = f.run();
  EXPECT_EQ(r.result.outcome, EngraveResult::Outcome::Busy);
  EXPECT_TRUE(r.status.isEmpty());
  EXPECT_EQ(f.sim.commands().size(), commands);
  EXPECT_TRUE(f.op.texts("confirm").size() == 1);
}

// With the window's own operator: the power check and the continue dialog
// must take their answers although keys are queued for the job meanwhile.
TEST(EngraveRunner, DialogsDuringAJobCanBeAnsweredFromTheKeyboard) {
  RunFixture f;
  f.doc.view.stable_speed_cmd = "SP0;";
  QWidget window;
  QtOperator qt(&window);
  auto* dock = make_sim_dock(new SimPane(f.sim, f.doc.settings), &window);
  dock->hide();
  auto* pane = static_cast<SimPane*>(dock->widget());

  bool escape_sent = false;
  bool busy_cursor = false;
  int answered = 0;
  bool rescued = false;
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
  QTimer rescue;
  rescue.setSingleShot(true);
  rescue.setInterval(5000);
  QObject::connect(&rescue, &QTimer::timeout, [&] {
    rescued = true;
    qt.end_job();
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  driver.start();
  rescue.start();
  const EngraveRun r = run_engraving(f.doc, qt, &qt, f.sim, pane, &window);
  driver.stop();
  rescue.stop();

  EXPECT_FALSE(rescued);
  EXPECT_TRUE(escape_sent);
  EXPECT_TRUE(busy_cursor);
  EXPECT_EQ(answered, 2);
  EXPECT_EQ(r.result.outcome, EngraveResult::Outcome::Done) << r.status.toStdString();
  // "Zt;" when Escape paused the marker, again when the operator went on.
  EXPECT_EQ(count_of(f.sim.commands(), "Zt;"), 2u);
  EXPECT_FALSE(qt.job_running());
  EXPECT_FALSE(dock->isHidden());
  EXPECT_EQ(pane->stroke_count(), f.sim.strokes().size());
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);  // the busy cursor is gone
}

}  // namespace
}  // namespace lumetch
