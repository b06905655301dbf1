#include "shell/engrave_runner.h"

#include <QCursor>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

#include "shell/qt_operator.h"
#include "shell/sim_pane.h"

#include "commands/job_bounds.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "platform/job_lock.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The simulator pane is redrawn no more often than this during a job.
constexpr qint64 kPaneRefreshMs = 20;

// The operator as the job sees it. The job proper starts once the power check
// is answered: only then are keys queued, the simulator cleared and its pane
// shown, so that a cancelled check changes nothing. Each key poll also lets
// the simulator pane catch up.
class JobOperator : public Operator {
 public:
  JobOperator(Operator& inner, QtOperator* qt, std::function<void()> on_start,
              std::function<void()> on_poll)
      : inner_(inner), qt_(qt), on_start_(std::move(on_start)), on_poll_(std::move(on_poll)) {}

  bool started() const { return started_; }

  // Said with the power check: what of the job would leave the field.
  void set_power_check_note(std::string note) { note_ = std::move(note); }

  bool confirm(std::string_view text, std::string_view caption) override {
    const bool check = text == kPowerCheckText;
    const bool ok = check && !note_.empty()
                        ? inner_.confirm(std::string(text) + "\n\n" + note_, caption)
                        : inner_.confirm(text, caption);
    if (ok && check) start();
    return ok;
  }
  Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) override {
    return inner_.ask(text, caption, buttons);
  }
  void message(std::string_view text, std::string_view caption) override {
    inner_.message(text, caption);
  }
  bool ask_continue() override { return inner_.ask_continue(); }
  std::optional<std::filesystem::path> choose_file(const FileRequest& request) override {
    return inner_.choose_file(request);
  }
  void set_status(int pane, std::string_view text) override {
    // The first status comes right after the power check, should its text change.
    start();
    inner_.set_status(pane, text);
  }
  void redraw() override { inner_.redraw(); }
  bool shows_progress() const override { return inner_.shows_progress(); }
  void show_progress(const JobProgress& progress) override { inner_.show_progress(progress); }
  void end_progress() override { inner_.end_progress(); }
  std::optional<KeyEvent> next_key() override {
    start();
    if (on_poll_) on_poll_();
    return inner_.next_key();
  }

 private:
  void start() {
    if (started_) return;
    started_ = true;
    if (on_start_) on_start_();
    if (qt_ != nullptr) qt_->begin_job();
  }

  Operator& inner_;
  QtOperator* qt_;
  std::function<void()> on_start_;
  std::function<void()> on_poll_;
  std::string note_;
  bool started_ = false;
};

QDockWidget* dock_of(QWidget* w) {
  for (QWidget* p = w != nullptr ? w->parentWidget() : nullptr; p != nullptr;
       p = p->parentWidget()) {
    if (auto* dock = qobject_cast<QDockWidget*>(p)) return dock;
  }
  return nullptr;
}

// A busy cursor over the window for the job, the window's own one after.
class BusyCursor {
 public:
  explicit BusyCursor(QWidget* w) : w_(w) {
    if (w_ == nullptr) return;
    had_own_ = w_->testAttribute(Qt::WA_SetCursor);
    old_ = w_->cursor();
    w_->setCursor(Qt::BusyCursor);
  }
  ~BusyCursor() {
    if (w_ == nullptr) return;
    if (had_own_) {
      w_->setCursor(old_);
    } else {
      w_->unsetCursor();
    }
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  QPointer<QWidget> w_;
  bool had_own_ = false;
  QCursor old_;
};

}  // namespace

QString engrave_status(const EngraveResult& result, const std::string& channel) {
  QString outcome;
  switch (result.outcome) {
    case EngraveResult::Outcome::Done:
      outcome = "Done";
      break;
    case EngraveResult::Outcome::Cancelled:
      outcome = "Cancelled";
      break;
    case EngraveResult::Outcome::Stopped:
      outcome = "Stopped by Escape";
      break;
    case EngraveResult::Outcome::PortFailed:
      outcome = "Stopped: the marker port failed";
      break;
    case EngraveResult::Outcome::Busy:
      outcome = "A job is already running";
      break;
    case EngraveResult::Outcome::SerialFailed:
      outcome = "Stopped: a serial number could not be advanced";
      break;
    case EngraveResult::Outcome::SerialNotSaved:
      outcome = "Stopped: a marked serial number could not be saved";
      break;
    case EngraveResult::Outcome::PortInUse:
      outcome = "Refused: the marker port is in use by another job";
      break;
    case EngraveResult::Outcome::DataFailed:
      outcome = "Stopped: a data field could not be filled";
      break;
  }
  QString text = QString("%1 — %2 objects, %3 commands to %4")
                     .arg(outcome)
                     .arg(result.objects_marked)
                     .arg(result.commands_sent)
                     .arg(qs(channel));
  if (!result.pen_parked) text += "; the pen could not be parked";
  if (!result.skipped.empty()) {
    QStringList names;
    for (const EngraveResult::Skipped& k : result.skipped) names << qs(k.name);
    text += QString("; %1 marked nothing (%2)").arg(result.skipped.size()).arg(names.join(", "));
  }
  return text;
}

EngraveRun run_engraving(CketralDoc& doc, Operator& op, QtOperator* qt_op, MarkerSim& sim,
                         SimPane* pane, QWidget* parent, const JobPosition* resume) {
  EngraveRun run;
  if (doc.engraving == 1) {
    // A start request while the continue dialog is open: the running job
    // keeps its key queue, its port and its picture.
    run.result.outcome = EngraveResult::Outcome::Busy;
    return run;
  }

  // An unreadable "port.txt" must not quietly become the printer or the simulator.
  if (const PortFile port = read_port_file(doc.work_dir); port.unreadable()) {
    op.message(port.message + " Nothing was marked.", "Warning");
    run.result.outcome = EngraveResult::Outcome::PortFailed;
    run.result.error = port.message;
    return run;
  }
  run.channel = choose_port(doc.work_dir, std::nullopt);
  // Another job on the same marker would interleave its moves with this one.
  JobLock port_lock;
  if (const std::string busy_port = port_lock.lock_port(run.channel); !busy_port.empty()) {
    op.message(busy_port, "Warning");
    run.result.outcome = EngraveResult::Outcome::PortInUse;
    run.result.error = busy_port;
    run.status = engrave_status(run.result, run.channel);
    return run;
  }
  const bool to_sim = run.channel == "sim";
  SimPane* shown = to_sim ? pane : nullptr;
  PortWriter port(make_channel(run.channel, &sim));

  std::optional<BusyCursor> busy;
  QElapsedTimer since_refresh;
  JobOperator job_op(
      op, qt_op,
      [&] {
        // A cancelled power check keeps the last job's picture.
        if (to_sim) sim.clear();
        if (shown != nullptr) {
          shown->clear();
          if (QDockWidget* dock = dock_of(shown)) {
            dock->show();
            dock->raise();
          }
        }
        busy.emplace(parent);
      },
      [&] {
        if (shown == nullptr) return;
        if (since_refresh.isValid() && since_refresh.elapsed() < kPaneRefreshMs) return;
        shown->refresh();
        since_refresh.restart();
      });
  // Worked out before the power check, which then says so.
  job_op.set_power_check_note(describe_outside(CheckJobField(doc)));
  {
    // A failing port stops the job and is reported once, by the emitter,
    // with the port's name and the system's reason.
    PenEmitter pen(doc, port, job_op);
    EngraveHooks hooks;
    hooks.resume = resume;
    run.result = Engrave(pen, hooks);
  }
  if (qt_op != nullptr && job_op.started()) qt_op->end_job();
  busy.reset();
  if (shown != nullptr && job_op.started()) shown->finish();
  run.status = engrave_status(run.result, run.channel);
  return run;
}

}  // namespace lumetch
