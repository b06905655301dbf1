#pragma once

#include <QElapsedTimer>
#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <deque>
#include <functional>

#include "model/import_params.h"
#include "model/view_state.h"
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
  // Where a job's progress line goes (a status-bar field); an empty text
  // when the job ends. Without it no progress is gathered.
  std::function<void(const QString& text)> progress_sink;
  // The layer colours the PLT miniature draws its pens in (the view's);
  // the standard ones when unset.
  std::function<std::array<Rgb, 8>()> preview_colours;
  // How the miniature reads plots (the document's setting); every pair when
  // unset.
  std::function<PlotReading()> preview_plot_reading;

  bool confirm(std::string_view text, std::string_view caption) override;
  Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) override;
  void message(std::string_view text, std::string_view caption) override;
  bool ask_continue() override;
  std::optional<std::filesystem::path> choose_file(const FileRequest& request) override;
  void set_status(int pane, std::string_view text) override;
  void redraw() override;
  std::optional<KeyEvent> next_key() override;
  bool shows_progress() const override { return static_cast<bool>(progress_sink); }
  void show_progress(const JobProgress& progress) override;
  void end_progress() override;

  // A job runs between these two calls: input is queued, not dispatched.
  void begin_job();
  void end_job();
  bool job_running() const { return job_running_; }

  // A key press as the job's poll sees it (Escape is kKeyEscape).
  static KeyEvent key_event_of(int qt_key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A dialog shown during a job must get its own input: the job's filter
  // steps aside while it is up.
  class DialogScope;

  QPointer<QWidget> parent_;
  bool job_running_ = false;
  bool filter_paused_ = false;
  std::deque<KeyEvent> keys_;
  QElapsedTimer since_repaint_;
};

// "CAD File(*.plt;*.hpgl)|*.plt;*.hpgl|" in the form a Qt file dialog takes:
// "CAD File(*.plt *.hpgl)".
QString qt_file_filter(std::string_view filter);

// Whether a request picks a file to read as a plot, BMP or VCT: those get
// the dialog with the preview.
bool wants_preview(const FileRequest& request);

// Open or save mode, filter (matching names in any case), initial name and
// default extension of a request.
void configure_file_dialog(QFileDialog& dialog, const FileRequest& request);

// Runs a configured dialog; the chosen path (with the default extension when
// a saved name has none), nullopt when cancelled.
std::optional<std::filesystem::path> run_file_dialog(QFileDialog& dialog,
                                                     const FileRequest& request);

}  // namespace lumetch
