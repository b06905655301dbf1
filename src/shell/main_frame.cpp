#include "shell/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QStringDecoder>
#include <QToolBar>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/arrange.h"
#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "commands/engrave.h"
#include "commands/layout_commands.h"
#include "commands/recovery.h"
#include "commands/session.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/settings_file.h"
#include "panel/form_view.h"
#include "panel/ui_text.h"
#include "platform/job_lock.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "shell/about_box.h"
#include "shell/commands.h"
#include "shell/data_dialog.h"
#include "shell/engrave_runner.h"
#include "shell/icons/command_icons.h"
#include "shell/qt_operator.h"
#include "shell/recovery_keeper.h"
#include "shell/sim_pane.h"
#include "shell/small_dialogs.h"
#include "view/main_view.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Old title files are in the double-byte code page; newer ones may be UTF-8.
QString decode_line(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return qs(cp932_to_utf8(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

// The step readout: its words translated, its figure as it stands.
QString step_status(const std::string& text) {
  constexpr std::string_view kPrefix = "当前步距值=";
  if (!text.starts_with(kPrefix)) return ui_text(text);
  return ui_text(kPrefix) + qs(std::string_view(text).substr(kPrefix.size()));
}

}  // namespace

std::vector<QString> read_title_file(const std::filesystem::path& path) {
  // Regular files only: a FIFO of that name would hang the window in open.
  std::vector<QString> lines;
  const InputText file = read_input_file(path);
  if (!file.ok()) return lines;
  for (const std::string& line : title_lines(file.text)) {
    lines.push_back(decode_line(QByteArray(line.data(), static_cast<qsizetype>(line.size()))));
  }
  return lines;
}

CMainFrame::CMainFrame(CketralDoc& doc, Operator* op, QWidget* parent)
    : QMainWindow(parent), doc_(doc), op_(op) {
  if (op_ == nullptr) {
    qt_op_ = new QtOperator(this);
    qt_op_->status_sink = [this](int pane, const QString& text) { set_status(pane, text); };
    qt_op_->redraw_sink = [this] { invalidate_all(); };
    qt_op_->progress_sink = [this](const QString& text) {
      progress_->setText(text);
      progress_->setVisible(!text.isEmpty());
      // Opening a large import runs without a job's repaints: shown now.
      if (!text.isEmpty() && !qt_op_->job_running()) progress_->repaint();
    };
    qt_op_->preview_colours = [this] { return doc_.view.layer_colours; };
    qt_op_->preview_plot_reading = [this] { return doc_.plot_reading; };
    op_ = qt_op_;
  }
  build_actions();
  build_menus();
  build_toolbars();
  build_status_bar();
  build_accelerators();
  build_panes();
  actions_.at(kCmdGrid)->setChecked(view_->grid_on());

  const std::vector<QString> title = read_title_file(doc_.work_file("title.txt"));
  setWindowIcon(program_icon());
  title_ = title.empty() ? QString::fromLatin1(kDefaultTitle) : title.front();
  setWindowTitle(title_);

  const auto status = [this](const QString& text) { set_status(0, text); };
  recovery_ = new RecoveryKeeper(doc_, status, this);
  doc_.observer = this;
  list_changed();
  document_changed({});
  if (screen_file_.unreadable()) {
    op_->message(screen_file_.message + " The panes start at their default width and position.",
                 "Warning");
  }
}

void CMainFrame::document_changed(const ChangeNotice& notice) {
  view_->document_changed(notice);
  if (form_ != nullptr) form_->refresh_fields();
  // The edit menu names the steps; the title says whether the layout has
  // changes that are not saved.
  const auto name = [](const char* verb, const std::string& step, const char* keys) {
    return ui_text(verb) + (step.empty() ? QString() : " " + ui_text(step)) + "\t" + keys;
  };
  QAction* undo = actions_.at(kCmdUndoKey);
  undo->setEnabled(doc_.history.can_undo());
  undo->setText(name("元に戻す", doc_.history.undo_name(), "Ctrl+Z"));
  QAction* redo = actions_.at(kCmdRedo);
  redo->setEnabled(doc_.history.can_redo());
  redo->setText(name("やり直し", doc_.history.redo_name(), "Ctrl+Y"));
  setWindowTitle(doc_.history.modified() ? title_ + " *" : title_);
  if (recovery_ != nullptr) recovery_->changed();
  std::error_code ec;
  actions_.at(kCmdResume)
      ->setEnabled(stopped_job_.has_value() ||
                   (!doc_.layout_path.empty() &&
                    std::filesystem::exists(resume_path(doc_.layout_path), ec)));
}

CMainFrame::~CMainFrame() {
  if (doc_.observer == this) doc_.observer = nullptr;
}

void CMainFrame::build_actions() {
  auto make = [this](int id, const QString& label) {
    auto* a = new QAction(label, this);
    a->setData(QVariant(id));
    const CommandText t = command_text(id);
    if (!t.description.empty()) a->setStatusTip(ui_text(t.description));
    if (!t.tip.empty()) a->setToolTip(ui_text(t.tip));
    a->setIcon(command_icon(id));
    connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
    actions_[id] = a;
  };
  for (const Menu& m : menu_table()) {
    for (const MenuItem& item : m.items) {
      if (item.id != 0) make(item.id, ui_text(item.label));
    }
  }
  for (const auto* ids : {&main_toolbar_ids(), &drawing_toolbar_ids()}) {
    for (int id : *ids) {
      if (id != 0 && actions_.count(id) == 0) make(id, ui_text(command_text(id).tip));
    }
  }
  for (int id : {kCmdToggleToolbar, kCmdToggleStatusBar, kCmdGrid}) {
    actions_[id]->setCheckable(true);
    actions_[id]->setChecked(true);
  }
  QAction* first_pair = actions_.at(kCmdPlotFirstPair);
  first_pair->setCheckable(true);
  first_pair->setChecked(doc_.plot_reading == PlotReading::kFirstPairOnly);
}

void CMainFrame::build_menus() {
  for (const Menu& m : menu_table()) {
    QMenu* menu = menuBar()->addMenu(ui_text(m.title));
    for (const MenuItem& item : m.items) {
      if (item.id == 0) {
        menu->addSeparator();
      } else {
        menu->addAction(actions_.at(item.id));
      }
    }
    if (m.items.empty() || m.items.front().id != kCmdNew) continue;
    // The layouts opened or saved last, above 終了.
    recent_menu_ = new QMenu(ui_text("最近使ったファイル"), menu);
    menu->insertMenu(actions_.at(kCmdExit), recent_menu_);
    menu->insertSeparator(actions_.at(kCmdExit));
  }
  recent_ = load_recent_files(doc_.work_dir);
  refresh_recent_menu();
}

void CMainFrame::refresh_recent_menu() {
  if (recent_menu_ == nullptr) return;
  recent_menu_->clear();
  int n = 0;
  for (const std::filesystem::path& path : recent_.paths()) {
    QAction* a = recent_menu_->addAction(QString("&%1 %2").arg(++n).arg(QString::fromStdString(path.string())));
    a->setStatusTip(QString::fromStdString(path.string()));
    connect(a, &QAction::triggered, this, [this, path] { open_recent(path); });
  }
  recent_menu_->setEnabled(n > 0);
}

void CMainFrame::note_layout() {
  if (doc_.layout_path.empty()) return;
  if (!recent_.paths().empty() && recent_.paths().front() == doc_.layout_path) return;
  recent_.touch(doc_.layout_path);
  save_recent_files(doc_.work_dir, recent_);
  refresh_recent_menu();
}

void CMainFrame::open_recent(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    op_->message("The layout " + path.string() +
                     " is no longer there; it is taken off the recent files.",
                 "Warning");
    recent_.remove(path);
    save_recent_files(doc_.work_dir, recent_);
    refresh_recent_menu();
    return;
  }
  if (open_named_layout(doc_, path, *op_)) invalidate_all();
  note_layout();
}

void CMainFrame::build_toolbars() {
  auto fill = [this](QToolBar* bar, const std::vector<int32_t>& ids) {
    bar->setIconSize(QSize(16, 16));
    for (int id : ids) {
      if (id == 0) {
        bar->addSeparator();
      } else {
        bar->addAction(actions_.at(id));
      }
    }
  };
  main_bar_ = new QToolBar(this);
  main_bar_->setObjectName("toolbar_102");
  fill(main_bar_, main_toolbar_ids());
  addToolBar(Qt::TopToolBarArea, main_bar_);
  connect(main_bar_, &QToolBar::visibilityChanged, actions_.at(kCmdToggleToolbar),
          &QAction::setChecked);

  drawing_bar_ = new QToolBar(this);
  drawing_bar_->setObjectName("toolbar_106");
  drawing_bar_->setAllowedAreas(Qt::LeftToolBarArea);
  drawing_bar_->setOrientation(Qt::Vertical);
  fill(drawing_bar_, drawing_toolbar_ids());
  addToolBar(Qt::LeftToolBarArea, drawing_bar_);
}

void CMainFrame::build_accelerators() {
  for (const Accelerator& acc : accelerator_table()) {
    auto* a = new QAction(this);
    a->setData(QVariant(acc.id));
    a->setShortcut(QKeySequence(qs(acc.keys)));
    a->setShortcutContext(Qt::WindowShortcut);
    const int id = acc.id;
    connect(a, &QAction::triggered, this, [this, id] { dispatch(id); });
    addAction(a);
    accelerators_.push_back(a);
  }
}

void CMainFrame::build_status_bar() {
  pane0_ = new QLabel(this);
  pane1_ = new QLabel(this);
  pane1_->setMinimumWidth(pane1_->fontMetrics().horizontalAdvance("            step=        mm"));
  statusBar()->addWidget(pane0_, 1);
  // A running job's progress, beside the step; hidden while none runs.
  progress_ = new QLabel(this);
  progress_->hide();
  statusBar()->addPermanentWidget(progress_);
  statusBar()->addPermanentWidget(pane1_);
  const int32_t step = doc_.settings.move_step;
  const double length = step >= 0 && step < static_cast<int32_t>(doc_.view.step_table.size())
                            ? doc_.view.step_table[static_cast<size_t>(step)]
                            : doc_.view.step_table[3];
  char text[32];
  std::snprintf(text, sizeof text, "Step=%6.2fmm", length);
  pane1_->setText(QString::fromLatin1(text));
}

void CMainFrame::build_panes() {
  ScreenState screen;
  screen_file_ = load_screen_state(doc_.work_file("screen.$"), screen);
  start_scroll_x_ = screen.position_x;
  start_scroll_y_ = screen.position_y;
  splitter_ = new QSplitter(Qt::Horizontal, this);
  view_ = new Cmainview(doc_, splitter_);
  view_->setObjectName("editing_view");
  connect(view_, &Cmainview::readout_changed, this, [this](const QString& t) { set_status(0, t); });
  form_ = new form_view(doc_, splitter_);
  form_->setObjectName("form_view");
  form_->set_services(page_services());
  // The first pages were made before the window could lend them anything.
  form_->show_kind(selection_kind(doc_));
  connect(
      form_, &form_view::edited, this,
      [this](PageRepaint repaint, double w, double h, double a) { page_edited(repaint, w, h, a); });
  connect(form_, &form_view::scan_area_changing, this, [this] { view_->InvalidateScanArea(); });
  connect(form_, &form_view::status_message, this, [this](const QString& t) { set_status(0, t); });
  connect(form_, &form_view::focus_view, this, [this] { view_->setFocus(); });
  splitter_->addWidget(view_);
  splitter_->addWidget(form_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  const int width = screen.screen_size > 0 ? screen.screen_size : 470;
  splitter_->setSizes({width, 300});
  setCentralWidget(splitter_);

  // Shown by a job on the simulated marker.
  sim_pane_ = new SimPane(sim_, doc_.settings);
  sim_dock_ = make_sim_dock(sim_pane_, this);
  addDockWidget(Qt::RightDockWidgetArea, sim_dock_);
  sim_dock_->hide();
}

bool CMainFrame::open_at_start(const std::filesystem::path& path, bool offer_copy) {
  const bool opened = offer_copy ? lumetch::open_at_start(doc_, path, *op_)
                                 : !path.empty() && open_named_layout(doc_, path, *op_);
  invalidate_all();
  note_layout();
  return opened;
}

QListWidget* CMainFrame::object_list_view() const {
  return form_->object_list();
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The scroll bars know their ranges only once the view has its size.
  if (!scroll_applied_) {
    scroll_applied_ = true;
    view_->set_scroll_position(start_scroll_x_, start_scroll_y_);
  }
}

bool CMainFrame::save_screen_state() const {
  ScreenState screen;
  screen.screen_size = view_->width();
  const QPoint at = view_->scroll_position();
  screen.position_x = at.x();
  screen.position_y = at.y();
  return lumetch::save_screen_state(doc_.work_file("screen.$"), screen);
}

QAction* CMainFrame::action(int id) const {
  const auto it = actions_.find(id);
  if (it != actions_.end()) return it->second;
  for (QAction* a : accelerators_) {
    if (a->data().toInt() == id) return a;
  }
  return nullptr;
}

QString CMainFrame::status_text(int pane) const {
  return pane == 0 ? pane0_->text() : pane1_->text();
}

void CMainFrame::set_status(int pane, const QString& text) {
  (pane == 0 ? pane0_ : pane1_)->setText(text);
}

void CMainFrame::dispatch(int id) {
  switch (route_of(id)) {
    case Route::Create:
      CreateObject(doc_, creation_type(id), *op_);
      break;
    case Route::New:
      NewCommand(doc_, *op_);
      break;
    case Route::Open:
      OpenCommand(doc_, *op_);
      note_layout();
      break;
    case Route::Save:
      SaveCommand(doc_, *op_);
      note_layout();
      break;
    case Route::Cut:
      CutCommand(doc_, *op_);
      break;
    case Route::Copy:
      CopyCommand(doc_, *op_);
      break;
    case Route::Paste:
      PasteCommand(doc_, *op_);
      break;
    case Route::Undo:
      UndoCommand(doc_);
      break;
    case Route::Centre:
      view_->arranged(MoveSelection(doc_, MoveMode::Centre));
      break;
    case Route::CentreLeftRight:
      view_->arranged(MoveSelection(doc_, MoveMode::CentreLeftRight));
      break;
    case Route::CentreTopBottom:
      view_->arranged(MoveSelection(doc_, MoveMode::CentreTopBottom));
      break;
    case Route::MirrorX:
      view_->arranged(MirrorSelection(doc_, true));
      break;
    case Route::MirrorY:
      view_->arranged(MirrorSelection(doc_, false));
      break;
    case Route::StepLarger:
      set_status(1, step_status(step_larger(doc_)));
      break;
    case Route::StepSmaller:
      set_status(1, step_status(step_smaller(doc_)));
      break;
    case Route::Redo:
      RedoCommand(doc_);
      break;
    case Route::Engrave:
      start_engraving();
      break;
    case Route::Resume:
      resume_engraving();
      break;
    case Route::DataSource:
      run_data_source_dialog(doc_, *op_, this);
      break;
    case Route::About:
      show_about();
      break;
    case Route::Exit:
      close();
      break;
    case Route::ToggleToolbar:
      main_bar_->setVisible(!main_bar_->isVisible());
      actions_.at(kCmdToggleToolbar)->setChecked(main_bar_->isVisible());
      break;
    case Route::ToggleStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      actions_.at(kCmdToggleStatusBar)->setChecked(statusBar()->isVisible());
      break;
    case Route::NextPane:
      switch_pane(true);
      break;
    case Route::PreviousPane:
      switch_pane(false);
      break;
    case Route::ZoomIn:
      view_->zoom_in();
      break;
    case Route::ZoomOut:
      view_->zoom_out();
      break;
    case Route::Grid:
      view_->toggle_grid();
      actions_.at(kCmdGrid)->setChecked(view_->grid_on());
      break;
    case Route::Print:
      print(true);
      break;
    case Route::PrintDirect:
      print(false);
      break;
    case Route::PrintPreview:
      print_preview();
      break;
    case Route::PrintSetup:
      print_setup();
      break;
    case Route::ColourBox:
      run_colour_box(doc_, this);
      break;
    case Route::OutputMode:
      run_output_mode_dialog(doc_, this);
      break;
    case Route::Font:
      run_font_dialog(doc_, *op_, this);
      break;
    case Route::PlotFirstPair:
      toggle_plot_reading();
      break;
    case Route::NotAvailable:
    case Route::Unknown:
      not_available(id);
      break;
  }
}

void CMainFrame::toggle_plot_reading() {
  const PlotReading next = doc_.plot_reading == PlotReading::kFirstPairOnly
                               ? PlotReading::kFull
                               : PlotReading::kFirstPairOnly;
  if (!set_plot_reading(doc_, next)) {
    op_->message("The plot setting could not be written to \"plot.$\" in " +
                     doc_.work_dir.string() + ". It holds until the program ends.",
                 "Warning");
  }
  actions_.at(kCmdPlotFirstPair)->setChecked(doc_.plot_reading == PlotReading::kFirstPairOnly);
}

void CMainFrame::not_available(int id) {
  const CommandText t = command_text(id);
  QString name = ui_text(t.tip);
  if (name.isEmpty()) name = QString::number(id);
  set_status(0, "Not available yet: " + name);
}

void CMainFrame::switch_pane(bool forward) {
  // Two panes: either direction goes to the other one.
  (void)forward;
  QWidget* target = view_->hasFocus() ? static_cast<QWidget*>(form_->object_list())
                                      : static_cast<QWidget*>(view_);
  target->setFocus(Qt::ShortcutFocusReason);
}

void CMainFrame::start_engraving(const ResumeRecord* resume) {
  const EngraveRun run = run_engraving(doc_, *op_, qt_op_, sim_, sim_pane_, this,
                                       resume != nullptr ? &resume->at : nullptr);
  if (!run.status.isEmpty()) set_status(0, run.status);
  const std::filesystem::path beside =
      doc_.layout_path.empty() ? std::filesystem::path() : resume_path(doc_.layout_path);
  if (run.result.outcome == EngraveResult::Outcome::Done) {
    stopped_job_.reset();
    if (!beside.empty()) remove_resume_record(beside);
  } else if (run.result.stopped_at) {
    ResumeRecord rec{layout_fingerprint(doc_), {}, *run.result.stopped_at};
    int32_t i = 0;
    for (const MarkObject& obj : doc_.ring.oldest_first()) {
      if (i++ == rec.at.object) rec.object_name = object_name(doc_, obj);
    }
    stopped_job_ = rec;
    std::string why;
    if (!beside.empty() && !write_resume_record(beside, rec, &why)) {
      set_status(0, run.status + " — where it stopped could not be kept beside the layout (" +
                        qs(why) + "); it can be resumed until the program ends");
    }
  }
  if (run.result.texts_changed || run.result.data_advanced) {
    invalidate_all();
  }
  document_changed({});  // the layout on disk no longer holds the numbers to mark next
}

void CMainFrame::resume_engraving() {
  std::optional<ResumeRecord> rec = stopped_job_;
  if (!rec && !doc_.layout_path.empty()) {
    ResumeRead read = read_resume_record(resume_path(doc_.layout_path));
    if (!read.error.empty()) {
      op_->message(read.error, "Warning");
      return;
    }
    rec = std::move(read.record);
  }
  if (!rec) {
    op_->message("There is no stopped job to resume.", "Warning");
    return;
  }
  if (const std::string why = resume_refusal(doc_, *rec); !why.empty()) {
    op_->message(why, "Warning");
    return;
  }
  start_engraving(&*rec);
}

void CMainFrame::show_about() {
  AboutBox box(doc_.work_file("title.txt"), windowIcon(), this);
  box.exec();
}

QPrinter& CMainFrame::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The page is laid out from the paper's corner, not the printable area's.
    printer_->setFullPage(true);
    printer_->setPageSize(QPageSize(QPageSize::A4));
  }
  return *printer_;
}

bool CMainFrame::print_to(QPrinter& device) {
  QPainter p;
  if (!p.begin(&device)) return false;
  view_->print_page(p, device.resolution() / 2540.0);
  return p.end();
}

void CMainFrame::print(bool ask) {
  QPrinter& device = printer();
  if (ask) {
    QPrintDialog dialog(&device, this);
    dialog.setMinMax(1, 1);
    if (dialog.exec() != QDialog::Accepted) return;
  }
  if (!print_to(device)) {
    op_->message("The layout could not be printed: the printer could not be started.", "Print");
    return;
  }
  set_status(0, "Printed on " + (device.outputFileName().isEmpty() ? device.printerName()
                                                                   : device.outputFileName()));
}

void CMainFrame::print_preview() {
  QPrintPreviewDialog dialog(&printer(), this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* device) { print_to(*device); });
  dialog.exec();
}

void CMainFrame::print_setup() {
  QPageSetupDialog dialog(&printer(), this);
  dialog.exec();
}

void CMainFrame::list_changed() {
  form_->refresh_list();
}

void CMainFrame::sheet_switched(int32_t kind) {
  form_->show_kind(kind);
  view_->update_frame();
  view_->viewport()->update();
  // Arrow keys and Delete act on the new selection at once.
  view_->setFocus(Qt::OtherFocusReason);
}

PageServices CMainFrame::page_services() {
  PageServices s;
  s.op = [this]() -> Operator& { return *op_; };
  s.status = [this](const QString& text) { set_status(0, text); };
  // A pen move or conversion of a page: the job's port, locked the same way,
  // and never while a job (or another such move) runs.
  auto busy = std::make_shared<bool>(false);
  s.with_pen = [this, busy](const std::function<void(PenEmitter&)>& work) {
    const auto refuse = [this](const std::string& why) {
      set_status(0, ui_text(why));
      op_->message(why, "Warning");
      return false;
    };
    if (*busy || doc_.engraving != 0 || (qt_op_ != nullptr && qt_op_->job_running())) {
      return refuse(
          "A marking job is running: nothing was sent. Wait for it to end or stop it with "
          "Escape.");
    }
    if (const PortFile port = read_port_file(doc_.work_dir); port.unreadable()) {
      return refuse(port.message + " Nothing was sent.");
    }
    const std::string channel = choose_port(doc_.work_dir, std::nullopt);
    JobLock lock;
    if (const std::string held = lock.lock_port(channel); !held.empty()) return refuse(held);
    PortWriter port(make_channel(channel, &sim_));
    {
      // Escape is queued for the work; the window takes no other input meanwhile.
      struct Running {
        CMainFrame& frame;
        bool& busy;
        Running(CMainFrame& f, bool& b) : frame(f), busy(b) {
          busy = true;
          if (frame.qt_op_ != nullptr) frame.qt_op_->begin_job();
        }
        ~Running() {
          if (frame.qt_op_ != nullptr) frame.qt_op_->end_job();
          frame.doc_.stop_requested = 0;  // this work's Escape ends with it
          busy = false;
        }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
      } running(*this, *busy);
      // A failing port is reported once, by the emitter, naming the reason.
      PenEmitter pen(doc_, port, *op_);
      work(pen);
    }
    if (channel == "sim") {
      sim_pane_->refresh();
      sim_dock_->show();
      sim_dock_->raise();
    }
    if (port.failed()) {
      set_status(0, qs("The marker port " + channel + " failed: " + port.error()));
      return false;
    }
    return true;
  };
  return s;
}

void CMainFrame::page_edited(PageRepaint repaint, double width, double height, double angle) {
  switch (repaint) {
    case PageRepaint::Selection:
      view_->update_frame();
      view_->InvalidateSelection(width, height, angle);
      break;
    case PageRepaint::ScanArea:
      view_->InvalidateScanArea();
      break;
    case PageRepaint::View:
      invalidate_all();
      break;
    case PageRepaint::None:
    case PageRepaint::Preview:
      break;
  }
}

void CMainFrame::invalidate_selection(double width, double height, double angle) {
  view_->update_frame();
  view_->InvalidateSelection(width, height, angle);
}

void CMainFrame::invalidate_all() {
  view_->scene_changed();
  view_->update_frame();
  view_->viewport()->update();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (doc_.engraving != 0 || (qt_op_ != nullptr && qt_op_->job_running())) {
    op_->message("A marking job is running. Stop it with Escape before closing the window.",
                 "Warning");
    event->ignore();
    return;
  }
  if (!CloseRequest(doc_, *op_)) {
    event->ignore();
    return;
  }
  recovery_->discard();
  // Said while the window is still there: on stderr the operator would never see it.
  std::vector<std::string> failed = save_session_files(doc_);
  session_saved_ = true;
  if (!save_screen_state()) failed.emplace_back("screen.$");
  const QSize normal = isMaximized() ? normalGeometry().size() : size();
  if (!save_window_placement(doc_.work_dir, {normal.width(), normal.height(), isMaximized()})) {
    failed.emplace_back("window.$");
  }
  if (!failed.empty()) {
    std::string names;
    for (const std::string& name : failed) names += (names.empty() ? "\"" : ", \"") + name + "\"";
    op_->message("The settings could not be written: " + names + " in " + doc_.work_dir.string() +
                     ". Changes to them since the start are lost.",
                 "Warning");
  }
  event->accept();
}

}  // namespace lumetch
