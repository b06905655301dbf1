#pragma once

#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "marker/marker_sim.h"
#include "model/cketral_doc.h"
#include "platform/operator.h"

class QAction;
class QLabel;
class QListWidget;
class QSplitter;
class QToolBar;

namespace lumetch {

class Cmainview;
class QtOperator;

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
  QListWidget* object_list_view() const { return list_view_; }
  QSplitter* splitter() const { return splitter_; }
  Cmainview* view() const { return view_; }

  // DocObserver
  void list_changed() override;
  void invalidate_selection(double width, double height, double angle) override;
  void invalidate_all() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_actions();
  void build_menus();
  void build_toolbars();
  void build_accelerators();
  void build_status_bar();
  void build_panes();
  void start_engraving();
  void show_about();
  void not_available(int id);
  void switch_pane(bool forward);

  CketralDoc& doc_;
  QtOperator* qt_op_ = nullptr;  // owned by the frame as a child object
  Operator* op_ = nullptr;
  MarkerSim sim_;
  std::map<int, QAction*> actions_;
  std::vector<QAction*> accelerators_;
  QToolBar* main_bar_ = nullptr;
  QToolBar* drawing_bar_ = nullptr;
  QLabel* pane0_ = nullptr;
  QLabel* pane1_ = nullptr;
  QSplitter* splitter_ = nullptr;
  Cmainview* view_ = nullptr;
  QListWidget* list_view_ = nullptr;
};

}  // namespace lumetch
