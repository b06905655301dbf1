#include "shell/qt_operator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStringList>

#include "panel/ui_text.h"
#include "shell/preview_dialog.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The job's poll lets the window repaint no more often than this.
constexpr qint64 kRepaintIntervalMs = 20;

}  // namespace

class QtOperator::DialogScope {
 public:
  // Only the outermost dialog pauses and resumes the filter.
  explicit DialogScope(QtOperator& op) : op_(op), paused_(op.job_running_ && !op.filter_paused_) {
    if (!paused_) return;
    qApp->removeEventFilter(&op_);
    op_.filter_paused_ = true;
  }
  ~DialogScope() {
    if (!paused_) return;
    op_.filter_paused_ = false;
    if (op_.job_running_) qApp->installEventFilter(&op_);
  }
  DialogScope(const DialogScope&) = delete;
  DialogScope& operator=(const DialogScope&) = delete;

 private:
  QtOperator& op_;
  bool paused_;
};

QtOperator::QtOperator(QWidget* parent) : QObject(parent), parent_(parent) {}

bool QtOperator::confirm(std::string_view text, std::string_view caption) {
  const DialogScope scope(*this);
  return QMessageBox::warning(parent_, ui_text(caption), ui_text(text),
                              QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Ok) == QMessageBox::Ok;
}

Answer QtOperator::ask(std::string_view text, std::string_view caption, AskButtons buttons) {
  const DialogScope scope(*this);
  QMessageBox::StandardButtons b = QMessageBox::Yes | QMessageBox::No;
  if (buttons == AskButtons::YesNoCancel) b |= QMessageBox::Cancel;
  switch (QMessageBox::question(parent_, ui_text(caption), ui_text(text), b, QMessageBox::Yes)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      // Closing a Yes/No box any other way is No.
      return buttons == AskButtons::YesNoCancel ? Answer::Cancel : Answer::No;
  }
}

void QtOperator::message(std::string_view text, std::string_view caption) {
  const DialogScope scope(*this);
  QMessageBox::warning(parent_, ui_text(caption), ui_text(text));
}

bool QtOperator::ask_continue() {
  const DialogScope scope(*this);
  return CMy_continue::ask(parent_);
}

QString qt_file_filter(std::string_view filter) {
  // Pairs of description and pattern separated by '|'.
  const QStringList parts = ui_text(filter).split('|', Qt::SkipEmptyParts);
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString listed = "(" + parts[i + 1] + ")";
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    const QString named = "(" + patterns + ")";
    QString description = parts[i];
    // "Layout(*.mrk)" already names its patterns; "CAD File(*.plt;*.hp)" names
    // them with the separator Qt does not read.
    if (description.endsWith(listed)) {
      description.chop(listed.size());
      description += named;
    }
    out << (description.endsWith(named) ? description : description + " " + named);
  }
  if (parts.size() % 2 == 1) out << parts.back();
  return out.join(";;");
}

bool wants_preview(const FileRequest& request) {
  if (request.save) return false;
  const QString filter = qs(request.filter);
  for (const char* pattern : {"*.plt", "*.hpgl", "*.hpg", "*.hp", "*.bmp", "*.vct"}) {
    if (filter.contains(pattern, Qt::CaseInsensitive)) return true;
  }
  return false;
}

void configure_file_dialog(QFileDialog& dialog, const FileRequest& request) {
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.save || !request.overwrite_prompt);
  const QString filter = qt_file_filter(request.filter);
  if (!filter.isEmpty()) dialog.setNameFilter(filter);
  // Files from other systems come named "DRAWING.HPGL": any case matches.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  // The dialog adds the extension before its overwrite check sees the name.
  dialog.setDefaultSuffix(qs(request.default_extension));
  // An initial name like "*.plt" is a pattern, and the filter already says it.
  const QString initial = qs(request.initial_name);
  if (initial.endsWith('/')) {
    dialog.setDirectory(initial);  // a folder to start in, no name to offer
  } else if (!initial.isEmpty() && !initial.contains('*')) {
    dialog.selectFile(initial);
  }
}

std::optional<std::filesystem::path> run_file_dialog(QFileDialog& dialog,
                                                     const FileRequest& request) {
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  QString chosen = files.front();
  // A native dialog may not have added it.
  if (request.save && !request.default_extension.empty() && QFileInfo(chosen).suffix().isEmpty()) {
    chosen += "." + qs(request.default_extension);
  }
  return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

std::optional<std::filesystem::path> QtOperator::choose_file(const FileRequest& request) {
  const DialogScope scope(*this);
  if (wants_preview(request)) {
    return CMy_preview::choose(parent_, request,
                               preview_colours ? preview_colours() : kLayerColours,
                               preview_plot_reading ? preview_plot_reading() : PlotReading::kFull);
  }
  QFileDialog dialog(parent_);
  configure_file_dialog(dialog, request);
  return run_file_dialog(dialog, request);
}

void QtOperator::set_status(int pane, std::string_view text) {
  if (status_sink) status_sink(pane, ui_text(text));
}

void QtOperator::show_progress(const JobProgress& progress) {
  // Painted at the job's next repaint.
  if (progress_sink) progress_sink(ui_text(progress_text(progress)));
}

void QtOperator::end_progress() {
  if (progress_sink) progress_sink(QString());
}

void QtOperator::redraw() {
  if (redraw_sink) redraw_sink();
}

std::optional<KeyEvent> QtOperator::next_key() {
  if (job_running_ &&
      (!since_repaint_.isValid() || since_repaint_.elapsed() >= kRepaintIntervalMs)) {
    // Pending key presses reach the filter; paints and timers run.
    QApplication::processEvents(QEventLoop::AllEvents);
    since_repaint_.restart();
  }
  if (keys_.empty()) return std::nullopt;
  const KeyEvent k = keys_.front();
  keys_.pop_front();
  return k;
}

void QtOperator::begin_job() {
  if (job_running_) return;
  job_running_ = true;
  keys_.clear();
  since_repaint_.invalidate();
  qApp->installEventFilter(this);
}

void QtOperator::end_job() {
  if (!job_running_) return;
  qApp->removeEventFilter(this);
  job_running_ = false;
  keys_.clear();
}

KeyEvent QtOperator::key_event_of(int qt_key) {
  KeyEvent k;
  k.kind = KeyEvent::Kind::Down;
  if (qt_key == Qt::Key_Escape) {
    k.key = kKeyEscape;
  } else if (qt_key >= 0x20 && qt_key <= 0x7E) {
    k.key = qt_key;  // letters and digits share their codes with the virtual keys
  } else {
    k.key = qt_key & 0xFF;
  }
  return k;
}

bool QtOperator::eventFilter(QObject* watched, QEvent* event) {
  if (!job_running_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      keys_.push_back(key_event_of(key->key()));
      return true;
    }
    // Accepting the override keeps accelerators from starting a command; the
    // key then arrives as a key press and is queued.
    case QEvent::ShortcutOverride:
      event->accept();
      return true;
    // The job owns the program until it ends: no other command may start,
    // and the window cannot be closed under it.
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Close:
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace lumetch
