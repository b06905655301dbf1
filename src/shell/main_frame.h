#pragma once

#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "commands/job_resume.h"
#include "commands/recent_files.h"
#include "marker/marker_sim.h"
#include "model/cketral_doc.h"
#include "panel/property_page.h"
#include "platform/operator.h"
#include "platform/text_file.h"

class QAction;
class QLabel;
class QListWidget;
class QPrinter;
class QSplitter;
class QDockWidget;
class QToolBar;

class QMenu;

namespace lumetch {

class Cmainview;
class form_view;
class SimPane;
class QtOperator;
class RecoveryKeeper;

// The first line of "title.txt" (the window title) and the lines after it
// (the About text), each cut at 499 characters; empty when the file is missing.
std::vector<QString> read_title_file(const std::filesystem::path& path);

inline constexpr const char* kDefaultTitle = "Lumetch V2003";

// The main window: menus, the two toolbars, accelerators, the status bar and
// the splitter with the editing view and the object list. Every command goes
// through dispatch().
class CMainFrame : public QMainWindow, public DocObserver {
  Q_OBJECT

 public:
  // `op` null: the frame asks through its own dialogs (QtOperator).
  explicit CMainFrame(CketralDoc& doc, Operator* op = nullptr, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Runs the command of an identifier.
  void dispatch(int id);

  // The action that carries an identifier (menu item, button or accelerator).
  QAction* action(int id) const;
  QToolBar* main_toolbar() const { return main_bar_; }
  QToolBar* drawing_toolbar() const { return drawing_bar_; }
  QString status_text(int pane) const;
  void set_status(int pane, const QString& text);
  QListWidget* object_list_view() const;
  form_view* form() const { return form_; }
  QSplitter* splitter() const { return splitter_; }
  Cmainview* view() const { return view_; }
  SimPane* sim_pane() const { return sim_pane_; }
  QDockWidget* sim_dock() const { return sim_dock_; }

  // Start of the program with the layout of its command line (empty: none):
  // a recovery copy the last run left is offered first (unless the run only
  // takes pictures: `offer_copy` false); problems are shown.
  bool open_at_start(const std::filesystem::path& path, bool offer_copy = true);
  RecoveryKeeper* recovery() const { return recovery_; }
  // Prints the layout on one page at true size.
  bool print_to(QPrinter& printer);
  // The pane width and scroll position kept in "screen.$".
  bool save_screen_state() const;
  // True once closing the window has written the settings files (and said
  // which could not be written).
  bool session_saved() const { return session_saved_; }

  // DocObserver
  void sheet_switched(int32_t kind) override;
  void list_changed() override;
  void invalidate_selection(double width, double height, double angle) override;
  void invalidate_all() override;
  void document_changed(const ChangeNotice& notice) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void build_actions();
  void build_menus();
  void build_toolbars();
  void build_accelerators();
  void build_status_bar();
  void build_panes();
  // With `resume`: the stopped job from where it stopped.
  void start_engraving(const ResumeRecord* resume = nullptr);
  void resume_engraving();
  // The layout the document names goes first in the recent files.
  void note_layout();
  void refresh_recent_menu();
  void open_recent(const std::filesystem::path& path);
  void show_about();
  void not_available(int id);
  // The menu's plot reading check item: switches and remembers at once.
  void toggle_plot_reading();
  void switch_pane(bool forward);
  void print(bool ask);
  void print_preview();
  QPrinter& printer();
  void print_setup();
  // What the property pages' own code may use of the window.
  PageServices page_services();
  void page_edited(PageRepaint repaint, double width, double height, double angle);

  CketralDoc& doc_;
  QtOperator* qt_op_ = nullptr;  // owned by the frame as a child object
  Operator* op_ = nullptr;
  bool session_saved_ = false;
  ReadResult screen_file_;  // how "screen.$" was read at start
  QString title_;           // from "title.txt"; " *" is added while there are unsaved changes
  MarkerSim sim_;
  std::map<int, QAction*> actions_;
  std::vector<QAction*> accelerators_;
  QToolBar* main_bar_ = nullptr;
  QToolBar* drawing_bar_ = nullptr;
  QLabel* pane0_ = nullptr;
  QLabel* pane1_ = nullptr;
  QLabel* progress_ = nullptr;  // a running job's progress
  QSplitter* splitter_ = nullptr;
  Cmainview* view_ = nullptr;
  form_view* form_ = nullptr;
  SimPane* sim_pane_ = nullptr;
  QDockWidget* sim_dock_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  RecoveryKeeper* recovery_ = nullptr;  // a child object
  // The last job that stopped, as its record says (also kept beside a saved layout).
  std::optional<ResumeRecord> stopped_job_;
  RecentFiles recent_;
  QMenu* recent_menu_ = nullptr;
  int32_t start_scroll_x_ = 0;
  int32_t start_scroll_y_ = 0;
  bool scroll_applied_ = false;
};

}  // namespace lumetch
