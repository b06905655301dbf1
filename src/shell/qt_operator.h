#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>

#include "platform/operator.h"

namespace lumetch {

// The operator of the desktop program: real message boxes and file dialogs.
// While a job runs, an event filter takes the key presses into a queue and
// keeps mouse and window input away from the frame; the job's key poll lets
// the window repaint at most every 20 ms, so a job stays a synchronous call
// yet the window does not freeze.
class QtOperator : public QObject, public Operator {
  Q_OBJECT

 public:
  explicit QtOperator(QWidget* parent);

  // Where the status texts and repaint requests go (the frame).
  std::function<void(int pane, const QString& text)> status_sink;
  std::function<void()> redraw_sink;

  bool confirm(std::string_view text, std::string_view caption) override;
  Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) override;
  void message(std::string_view text, std::string_view caption) override;
  bool ask_continue() override;
  std::optional<std::filesystem::path> choose_file(const FileRequest& request) override;
  void set_status(int pane, std::string_view text) override;
  void redraw() override;
  std::optional<KeyEvent> next_key() override;

  // A job runs between these two calls: input is queued, not dispatched.
  void begin_job();
  void end_job();
  bool job_running() const { return job_running_; }

  // A key press as the job's poll sees it (Escape is kKeyEscape).
  static KeyEvent key_event_of(int qt_key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> parent_;
  bool job_running_ = false;
  std::deque<KeyEvent> keys_;
  QElapsedTimer since_repaint_;
};

// "CAD File(*.plt)|*.plt|" in the form a Qt file dialog takes.
QString qt_file_filter(std::string_view filter);

}  // namespace lumetch
