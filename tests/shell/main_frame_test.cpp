#include "shell/main_frame.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "commands/header_edit.h"
#include "commands/layout_commands.h"
#include "commands/recent_files.h"
#include "marker/marker_sim.h"
#include "model/layout_file.h"
#include "model/settings_file.h"
#include "panel/form_view.h"
#include "platform/scripted_operator.h"
#include "shell/about_box.h"
#include "shell/commands.h"
#include "shell/data_dialog.h"
#include "shell/qt_operator.h"
#include "shell/small_dialogs.h"
#include "shell/splash.h"
#include "support/desk.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"
#include "view/main_view.h"
#include "view/qt_canvas.h"

namespace lumetch {
namespace {

struct FrameFixture {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  std::unique_ptr<CMainFrame> frame;

  explicit FrameFixture(const std::string& title_file = {}) {
    doc.work_dir = dir.path();
    if (!title_file.empty()) dir.write("title.txt", title_file);
    frame = std::make_unique<CMainFrame>(doc, &op);
  }
  std::vector<QString> list_entries() const {
    std::vector<QString> out;
    for (int i = 0; i < frame->object_list_view()->count(); ++i) {
      out.push_back(frame->object_list_view()->item(i)->text());
    }
    return out;
  }
  int selected_count() {
    int n = 0;
    for (const MarkObject& o : doc.ring.oldest_first()) n += is_selected(doc, o) ? 1 : 0;
    return n;
  }
};

// "id text" for each action, "-" for a separator.
QString describe(const QList<QAction*>& actions, bool with_text = true) {
  QStringList out;
  for (const QAction* a : actions) {
    const QString id = QString::number(a->data().toInt());
    out << (a->isSeparator() ? "-" : with_text ? id + ' ' + a->text() : id);
  }
  return out.join(", ");
}

TEST(MainFrame, MenusAndToolbarsHoldTheirItemsInOrder) {
  FrameFixture f;
  const std::vector<QString> menus = {
      "ファイル: 32820 新規...\tCtrl+N, 57601 開く...\tCtrl+O, 32789 保存...\tCtrl+S, -, "
      "57607 印刷...\tCtrl+P, 57609 印刷プレビュー, 57606 印刷設定, -, 32790 彫刻開始...\t F1, 32901 彫刻再開..., -, 0 最近使ったファイル, -, "
      "57665 終了",
      "描画: 1401 直線, 1402 四角形, 1403 円形, 32802 三角形, 32804 菱形, 32806 多角形, "
      "32788 直線文字列, 32787 回し文字, 1405 PLT読込, "
      "32900 Plot files: first pair of PU/PD/PA only, 32794 BMP読込, 32823 バーコード, "
      "32910 2次元コード",
      "編集: 57643 元に戻す\tCtrl+Z, 57644 やり直し\tCtrl+Y, -, 57635 カット\tCtrl+X, "
      "57634 コピー\tCtrl+C, 57637 ペースト\tCtrl+V",
      "オプション: 59392 ツールバー, 59393 ステータスバー, 32798 グリッド, "
      "32902 可変データの設定...",
      "ヘルプ: 57664 バージョン情報"};
  std::vector<QString> got;
  for (const QAction* m : f.frame->menuBar()->actions()) {
    got.push_back(m->text() + ": " + (m->menu() ? describe(m->menu()->actions()) : "no menu"));
  }
  EXPECT_EQ(got, menus);
  EXPECT_EQ(describe(f.frame->main_toolbar()->actions(), false),
            "57607, -, 32820, -, 57601, 32789, -, 57635, 57634, 57637, -, 32790, -, 1501, 1502, -, "
            "32793, 32795, 32796, -, 32815, 32816, -, 32817, -, 32808, 32810, -, 32819, -, 32826, "
            "-, 57664");
  EXPECT_EQ(describe(f.frame->drawing_toolbar()->actions(), false),
            "1401, 1402, 1403, 32802, 32804, 32806, -, 32788, 32787, -, 1405, 32794, 32825, -, "
            "32823, 32910");
  // Every button has a picture and a tip.
  for (const QToolBar* bar : {f.frame->main_toolbar(), f.frame->drawing_toolbar()}) {
    for (const QAction* a : bar->actions()) {
      EXPECT_TRUE(a->isSeparator() || (!a->icon().isNull() && !a->toolTip().isEmpty()))
          << a->data().toInt();
    }
  }
  EXPECT_EQ(f.frame->action(1401)->statusTip(), "直線を定義する");
  EXPECT_EQ(f.frame->action(32790)->toolTip(), "彫刻開始");
}

TEST(MainFrame, AcceleratorsSendTheirIdentifiers) {
  FrameFixture f;
  const QString table =
      "Ctrl+C=57634 Ctrl+Ins=57634 Ctrl+X=57635 Shift+Del=57635 Ctrl+V=57637 Shift+Ins=57637 "
      "Ctrl+O=57601 Ctrl+P=57607 F1=32790 F6=57680 Shift+F6=57681 Ctrl+N=57600 Ctrl+S=57603 "
      "Alt+Backspace=57643 Ctrl+Z=57643 Ctrl+Y=57644 Ctrl+Shift+Z=57644";
  for (const QString& entry : table.split(' ')) {
    const QKeySequence keys(entry.section('=', 0, 0));
    ASSERT_FALSE(keys.isEmpty()) << entry.toStdString();
    std::vector<int> found;
    for (const QAction* a : f.frame->actions()) {
      if (a->shortcuts().contains(keys)) found.push_back(a->data().toInt());
    }
    EXPECT_EQ(found, std::vector<int>{entry.section('=', 1).toInt()}) << entry.toStdString();
  }
  // Ctrl+S reaches Save like the menu item (Ctrl+N: see the New test).
  EXPECT_EQ(route_of(57603), Route::Save);
  EXPECT_EQ(route_of(57643), Route::Undo);
  EXPECT_EQ(route_of(57644), Route::Redo);
}

TEST(MainFrame, NewOnANonEmptyLayoutOffersToSaveFirst) {
  for (const int id : {kCmdNew, 57600}) {
    FrameFixture f;
    f.frame->dispatch(kCmdLine);
    ASSERT_EQ(f.doc.ring.size(), 1u);
    f.op.ask_answers.push_back(Answer::No);
    f.frame->dispatch(id);
    EXPECT_EQ(f.op.texts("ask"), std::vector<std::string>{"Svae the Current Document?"}) << id;
    EXPECT_EQ(f.doc.ring.size(), 0u) << id;
    EXPECT_EQ(f.list_entries(), std::vector<QString>{"drawing"}) << id;
  }
}

TEST(MainFrame, ClosingAsksToSaveAndCancelKeepsTheWindow) {
  FrameFixture f;
  f.frame->dispatch(kCmdLine);
  f.frame->show();
  f.op.ask_answers = {Answer::Cancel, Answer::Yes};
  EXPECT_FALSE(f.frame->close());
  EXPECT_EQ(f.op.texts("ask"), std::vector<std::string>{"Svae the Current Document?"});
  EXPECT_FALSE(std::filesystem::exists(f.dir.file("screen.$")));
  f.op.file_answers.push_back(f.dir.file("kept.mrk"));
  EXPECT_TRUE(f.frame->close());
  EXPECT_TRUE(std::filesystem::exists(f.dir.file("kept.mrk")));
  EXPECT_TRUE(std::filesystem::exists(f.dir.file("screen.$")));
}

TEST(MainFrame, CloseKeepsTheWindowWhenTheSaveIsCancelledOrAJobRuns) {
  FrameFixture f;
  f.frame->dispatch(kCmdLine);
  f.frame->show();
  f.op.ask_answers = {Answer::Yes};  // then the save dialog is cancelled
  EXPECT_FALSE(f.frame->close());
  EXPECT_FALSE(f.frame->session_saved());

  f.doc.engraving = 1;
  EXPECT_FALSE(f.frame->close());
  EXPECT_EQ(f.op.texts("ask").size(), 1u);  // no second save prompt during a job
  ASSERT_EQ(f.op.texts("message").size(), 1u);
  EXPECT_NE(f.op.texts("message")[0].find("Stop it with Escape"), std::string::npos);
  f.doc.engraving = 0;
}

TEST(MainFrame, SettingsThatCannotBeWrittenOnCloseAreSaidNamingTheFiles) {
  FrameFixture f;
  f.frame->show();
  for (const char* name : {"$.1", "screen.$"}) std::filesystem::create_directory(f.dir.file(name));
  f.op.ask_answers = {Answer::No};
  EXPECT_TRUE(f.frame->close());
  EXPECT_TRUE(f.frame->session_saved());
  EXPECT_NE(f.dir.read("default.$"), "");
  ASSERT_EQ(f.op.texts("message").size(), 1u);
  const std::string said = f.op.texts("message")[0];
  EXPECT_NE(said.find("\"$.1\", \"screen.$\""), std::string::npos) << said;
  EXPECT_EQ(said.find("default.$"), std::string::npos) << said;
}

TEST(MainFrame, CtrlZUndoesCreatingColouringAndDeletingAndCtrlYRedoes) {
  FrameFixture f;
  f.frame->show();
  f.frame->resize(900, 700);
  const auto picture = [&] {
    QApplication::processEvents();
    return f.frame->view()->grab().toImage();
  };
  const auto press = [&](const char* keys) {
    QTest::keySequence(f.frame.get(), QKeySequence(keys));
    QApplication::processEvents();
  };
  QAction* undo = f.frame->action(kCmdUndoKey);
  EXPECT_FALSE(undo->isEnabled());
  const QString title = f.frame->windowTitle();

  std::vector<QImage> pictures{picture()};
  std::vector<std::vector<QString>> lists{f.list_entries()};
  f.frame->dispatch(kCmdRectangle);
  pictures.push_back(picture());
  lists.push_back(f.list_entries());
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_TRUE(undo->text().startsWith("元に戻す Create rectangle1")) << undo->text().toStdString();
  EXPECT_EQ(f.frame->windowTitle(), title + " *");
  test::when_modal<CColourBox>(*f.frame, [](CColourBox& box) {
    box.layer_button(1)->click();
    box.accept();
  });
  f.frame->dispatch(kCmdColourBox);
  pictures.push_back(picture());
  lists.push_back(f.list_entries());
  f.frame->dispatch(kCmdCut);
  pictures.push_back(picture());
  lists.push_back(f.list_entries());
  for (std::size_t i = 1; i < pictures.size(); ++i) ASSERT_NE(pictures[i], pictures[i - 1]) << i;
  // The colour box took the focus; the keys go to the main window again.
  f.frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));

  for (std::size_t i = pictures.size() - 1; i-- > 0;) {
    press(i % 2 == 0 ? "Ctrl+Z" : "Alt+Backspace");
    EXPECT_EQ(picture(), pictures[i]) << i;
    EXPECT_EQ(f.list_entries(), lists[i]) << i;
  }
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(f.frame->windowTitle(), title);
  press("Ctrl+Y");
  EXPECT_EQ(picture(), pictures[1]);
  press("Ctrl+Shift+Z");
  EXPECT_EQ(picture(), pictures[2]);
  EXPECT_TRUE(f.frame->action(kCmdRedo)->text().startsWith("やり直し Cut"));
}

TEST(MainFrame, AnUnreadableScreenFileIsSaidAtStart) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("screen.$"));
  CketralDoc doc;
  doc.work_dir = dir.path();
  ScriptedOperator op;
  CMainFrame frame(doc, &op);
  ASSERT_EQ(op.texts("message").size(), 1u);
  EXPECT_NE(op.texts("message")[0].find("screen.$"), std::string::npos);
}

TEST(MainFrame, AProgramWhoseSettingsCannotBeReadStopsAndLeavesThemAsTheyAre) {
  for (const char* name : {"$.1", "default.$", "fix.txt"}) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    std::filesystem::create_directory(dir.file(name));
    const std::string command = "cd '" + dir.path().string() + "' && QT_QPA_PLATFORM=offscreen '" +
                                LUMETCH_GUI + "' --screenshot shot.png 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(dir.read("err.txt").find(name), std::string::npos) << dir.read("err.txt");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file(name)));
    EXPECT_FALSE(std::filesystem::exists(dir.file("shot.png")));
    EXPECT_FALSE(
        std::filesystem::exists(dir.file(std::string(name) == "$.1" ? "default.$" : "$.1")));
  }
}

TEST(MainFrame, StatusBarShowsTheStepAndGridTogglesTheView) {
  FrameFixture f;
  EXPECT_EQ(f.frame->status_text(1), "Step=  0.50mm");  // move_step 3 of the step table
  f.frame->dispatch(kCmdStepUp);
  EXPECT_EQ(f.frame->status_text(1), "当前步距值=  1.00mm");
  f.frame->dispatch(kCmdMirrorX);  // nothing selected: nothing happens
  EXPECT_FALSE(f.doc.history.can_undo());
  EXPECT_TRUE(f.op.shown.empty());
  const int32_t grid = f.doc.view.grid_on;
  EXPECT_EQ(f.frame->action(kCmdGrid)->isChecked(), grid != 0);
  f.frame->dispatch(kCmdGrid);
  EXPECT_NE(f.doc.view.grid_on, grid);
  EXPECT_EQ(f.frame->action(kCmdGrid)->isChecked(), f.doc.view.grid_on != 0);
  const int32_t zoom = f.doc.view.zoom_index;
  f.frame->dispatch(kCmdZoomOut);
  EXPECT_EQ(f.doc.view.zoom_index, zoom - 1);
}

TEST(MainFrame, TheDataSourceItemOpensItsDialogAndOkIsAnUndoStep) {
  FrameFixture f;
  f.dir.write("lots.csv", "lot\nA1\nA2\n");
  const QString title = f.frame->windowTitle();
  bool shown = false;
  test::when_modal<CDataSourceDialog>(*f.frame, [&](CDataSourceDialog& d) {
    shown = true;
    EXPECT_EQ(d.file_box()->text(), "");
    d.file_box()->setText("lots.csv");  // from the working folder: the layout is untitled
    d.row_box()->setValue(2);
    d.accept();
  });
  f.frame->action(kCmdDataSource)->trigger();
  EXPECT_TRUE(shown);
  EXPECT_EQ(f.doc.variable_data, (VariableData{"lots.csv", 1, ""}));
  EXPECT_TRUE(f.frame->action(kCmdUndoKey)->text().startsWith("元に戻す Data source"));
  EXPECT_EQ(f.frame->windowTitle(), title + " *");
  EXPECT_FALSE(f.frame->action(kCmdDataSource)->statusTip().isEmpty());
}

TEST(MainFrame, ThePlotReadingItemTogglesTheSettingAndKeepsItInPlotFileAtOnce) {
  FrameFixture f;
  QAction* item = f.frame->action(kCmdPlotFirstPair);
  ASSERT_TRUE(item->isCheckable());
  for (const PlotReading want : {PlotReading::kFirstPairOnly, PlotReading::kFull}) {
    item->trigger();  // as a click does: Qt checks it first
    EXPECT_EQ(f.doc.plot_reading, want);
    EXPECT_EQ(item->isChecked(), want == PlotReading::kFirstPairOnly);
    PlotReading kept = PlotReading::kFull;
    EXPECT_TRUE(load_plot_options(f.dir.file("plot.$"), kept).ok());
    EXPECT_EQ(kept, want);
  }
  EXPECT_FALSE(f.doc.history.can_undo());  // a setting, not a change of the layout
  // A file that cannot be written is said; the choice holds for the run.
  std::filesystem::remove(f.dir.file("plot.$"));
  std::filesystem::create_directory(f.dir.file("plot.$"));
  f.frame->dispatch(kCmdPlotFirstPair);
  EXPECT_EQ(f.doc.plot_reading, PlotReading::kFirstPairOnly);
  ASSERT_EQ(f.op.texts("message").size(), 1u);
  EXPECT_NE(f.op.texts("message")[0].find("plot.$"), std::string::npos);
  EXPECT_TRUE(CMainFrame(f.doc, &f.op).action(kCmdPlotFirstPair)->isChecked());
}

TEST(MainFrame, ArrowKeysCentringAndMirrorsArrangeTheSelectionAsUndoSteps) {
  FrameFixture f;
  f.frame->show();
  f.frame->dispatch(kCmdRectangle);
  MarkObject* rect = current_object(f.doc);
  ASSERT_NE(rect, nullptr);
  f.frame->view()->setFocus();
  QTest::keyClick(f.frame->view(), Qt::Key_Right);
  QTest::keyClick(f.frame->view(), Qt::Key_Right);
  QTest::keyClick(f.frame->view(), Qt::Key_Up);
  EXPECT_DOUBLE_EQ(rect->cent_x, 1.0);  // two steps of 0.5 mm
  EXPECT_DOUBLE_EQ(rect->cent_y, 0.5);
  f.frame->dispatch(kCmdCentre);
  EXPECT_DOUBLE_EQ(rect->cent_x, 0.0);
  f.frame->dispatch(kCmdMirrorY);
  EXPECT_EQ(rect->mirror_y, 1);
  QTest::keyClick(f.frame->view(), Qt::Key_PageUp);
  EXPECT_GT(rect->width, 20.0);
  // Resize, mirror, centre, up, the held right arrow: five steps back to the start.
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(UndoCommand(f.doc));
  rect = current_object(f.doc);
  EXPECT_EQ(std::tuple(rect->cent_x, rect->cent_y, rect->mirror_y), std::tuple(0.0, 0.0, 0));
  QTest::keyClick(f.frame->view(), Qt::Key_Delete);
  EXPECT_TRUE(f.doc.ring.is_empty());
}

TEST(MainFrame, ADragOfTheSelectionMovesItAndOneUndoTakesItBack) {
  FrameFixture f;
  f.frame->show();
  f.frame->resize(900, 700);
  f.frame->dispatch(kCmdRectangle);
  QApplication::processEvents();
  MarkObject* rect = current_object(f.doc);
  const std::size_t steps = f.doc.history.size();
  const auto& fr = f.doc.view.selection.frame;
  const ViewMapping m = f.frame->view()->mapping();
  const QPoint centre(m.px((fr[0] + fr[2]) / 2), m.py((fr[1] + fr[3]) / 2));
  QWidget* port = f.frame->view()->viewport();
  QTest::mousePress(port, Qt::LeftButton, {}, centre);
  for (int dx = 10; dx <= 40; dx += 10) QTest::mouseMove(port, centre + QPoint(dx, 0));
  QTest::mouseRelease(port, Qt::LeftButton, {}, centre + QPoint(40, 0));
  EXPECT_GT(rect->cent_x, 0.0);
  EXPECT_EQ(rect->cent_y, 0.0);
  EXPECT_EQ(f.doc.history.size(), steps + 1);  // the whole drag is one step
  // The page shows where it went.
  EXPECT_EQ(f.frame->form()->page(PageId::Rect)->box(1101)->text().toStdString(),
            header_text(*rect, HeaderField::CentX));
  QTest::keySequence(f.frame.get(), QKeySequence("Ctrl+Z"));
  EXPECT_EQ(current_object(f.doc)->cent_x, 0.0);

  // A press on empty field drops the selection.
  QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(selection_kind(f.doc), 0);
}

// Ten thousand million copies of a 0.2 mm square, ending at the field centre:
// the layout opens, the window paints the copies in sight and a click picks
// the array at once (the walk over every copy took minutes).
TEST(MainFrame, AHugeArrayOpensPaintsAndIsPickedAtOnce) {
  FrameFixture f;
  {
    CketralDoc src;
    auto o = test::rectangle(-(100000 * 0.2 + 99999 * 0.2) / 2, 0.0, 0.2, 0.2);
    std::tie(o->rows, o->columns, o->row_gap, o->column_gap) = std::tuple(100000, 100000, 0.2, 0.2);
    src.ring.add(std::move(o));
    ASSERT_TRUE(save_layout(src, f.dir.file("huge.mrk"), true, false));
  }
  f.frame->show();
  f.frame->resize(900, 700);
  ASSERT_TRUE(f.frame->open_at_start(f.dir.file("huge.mrk"), false));
  QWidget* port = f.frame->view()->viewport();
  const ViewMapping m = f.frame->view()->mapping();
  const int centre_x = m.px(screen_x(f.doc.view, 0.0));
  const int centre_y = m.py(screen_y(f.doc.view, 0.0));
  const QImage shown = port->grab().toImage();
  std::optional<QPoint> on_copy;
  int dark_left = 0;
  int dark_right = 0;
  for (int y = centre_y - 50; y < centre_y + 50; ++y) {
    for (int x = centre_x - 100; x < centre_x + 100; ++x) {
      if (qGray(shown.pixel(x, y)) >= 128) continue;
      (x < centre_x - 2 ? dark_left : dark_right) += 1;
      if (x < centre_x - 2 && !on_copy) on_copy = QPoint(x, y);
    }
  }
  EXPECT_GT(dark_left, 100 * 98 / 4);  // the copies fill the left half
  EXPECT_LT(dark_right, 100 * 4);      // the right half is empty field (and the axes)
  ASSERT_TRUE(on_copy);

  QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(centre_x + 60, centre_y + 30));
  EXPECT_EQ(f.selected_count(), 0);
  QTest::mouseClick(port, Qt::LeftButton, {}, *on_copy);
  EXPECT_EQ(f.selected_count(), 1);
}

TEST(MainFrame, EngravingGoesToTheChosenPortAndSaysWhereInTheStatusBar) {
  FrameFixture f;
  f.dir.write("port.txt", "file:marked.txt\n");
  f.frame->dispatch(kCmdLine);
  f.frame->dispatch(kCmdEngrave);
  EXPECT_EQ(f.op.texts("confirm"), std::vector<std::string>{"Please Check the Laser Power!"});
  const std::string sent = f.dir.read("marked.txt");
  EXPECT_NE(sent.find("PD"), std::string::npos) << sent;
  EXPECT_TRUE(f.frame->status_text(0).startsWith("Done")) << f.frame->status_text(0).toStdString();
  EXPECT_TRUE(f.frame->status_text(0).contains("marked.txt"));
  // Cancelled at the power check: nothing more is sent.
  f.op.confirm_answers.push_back(false);
  f.frame->dispatch(kCmdEngrave);
  EXPECT_EQ(f.dir.read("marked.txt"), sent);
  EXPECT_TRUE(f.frame->status_text(0).startsWith("Cancelled"));
}

TEST(MainFrame, TitleAndAboutBoxComeFromTitleTxt) {
  const std::vector<std::pair<std::string, QString>> titles = {
      {"", "Lumetch V2003"},
      {"Marker A-1\r\nline two\n", "Marker A-1"},
      {"\x8d\x8f\x88\xf3\x8b\x40\n", "刻印機"}};  // the old code page: CP932
  for (const auto& [file, title] : titles)
    EXPECT_EQ(FrameFixture(file).frame->windowTitle(), title);
  test::TempDir dir;
  dir.write("title.txt", std::string(600, 'x') + "\nabout\n");
  EXPECT_EQ(read_title_file(dir.file("title.txt")),
            (std::vector<QString>{QString(499, 'x'), "about"}));
  // A FIFO of that name is not read: opening it would wait for a writer forever.
  ASSERT_EQ(::mkfifo(dir.file("fifo.txt").c_str(), 0600), 0);
  EXPECT_TRUE(read_title_file(dir.file("fifo.txt")).empty());

  // The About box: a one-line file leaves its own lines, later lines replace them in order.
  const AboutBox plain(dir.file("none.txt"), QIcon());
  dir.write("one.txt", "Title only\n");
  const AboutBox one(dir.file("one.txt"), QIcon());
  dir.write("three.txt", "Title\nMaker Ltd.\nTel 000\n");
  const AboutBox three(dir.file("three.txt"), QIcon());
  EXPECT_EQ(plain.windowTitle(), "Lumetch ");
  for (int i = 0; i < AboutBox::kLines; ++i) EXPECT_EQ(one.line(i), plain.line(i)) << i;
  EXPECT_EQ(three.line(0), "Maker Ltd.");
  EXPECT_EQ(three.line(1), "Tel 000");
  EXPECT_EQ(three.line(2), plain.line(2));
}

TEST(MainFrame, ChoosingAListEntrySelectsItsObjectAndDrawingShowsTheSettings) {
  FrameFixture f;
  for (const int id : {kCmdBarcode, kCmdRectangle, kCmdCircle}) f.frame->dispatch(id);
  QListWidget* list = f.frame->object_list_view();
  // Listed in creation order, not sorted; the new one is chosen.
  const std::vector<QString> entries = f.list_entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0], "drawing");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(entries[i].toStdString(), f.doc.object_list.at(i));
  EXPECT_TRUE(entries[1].startsWith("ba"));
  EXPECT_TRUE(entries[3].startsWith("ci"));
  EXPECT_EQ(list->currentRow(), f.doc.object_list.selection());

  list->setCurrentRow(2);
  MarkObject* chosen = current_object(f.doc);
  ASSERT_EQ(chosen->type, RECTANGLE);
  EXPECT_EQ(selection_kind(f.doc), RECTANGLE);
  EXPECT_EQ(f.selected_count(), 1);
  EXPECT_TRUE(is_selected(f.doc, *chosen));
  EXPECT_EQ(f.frame->form()->sheet_text(), entries[2] + "\n四角形のプロパティ");
  EXPECT_EQ(f.frame->focusWidget(), f.frame->view());  // the keys act on it at once

  list->setCurrentRow(0);
  EXPECT_EQ(selection_kind(f.doc), 0);
  EXPECT_FALSE(is_selected(f.doc, *chosen));
  EXPECT_EQ(current_object(f.doc), nullptr);
  EXPECT_TRUE(f.frame->form()->sheet_text().startsWith("drawing"));

  // Several selected: choosing an entry drops them all.
  for (MarkObject& o : f.doc.ring.oldest_first()) f.doc.selection.add(o.id);
  list->setCurrentRow(1);
  EXPECT_EQ(f.selected_count(), 1);
  EXPECT_EQ(current_object(f.doc)->type, BARCODE);
}

TEST(MainFrame, PrintingMakesOnePageAndLeavesTheViewAsItWas) {
  FrameFixture f;
  f.frame->dispatch(kCmdRectangle);
  const ViewState before = f.doc.view;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(f.dir.file("page.pdf").string()));
  ASSERT_TRUE(f.frame->print_to(printer));
  EXPECT_EQ(f.dir.read("page.pdf").rfind("%PDF", 0), 0u);
  const ViewState& after = f.doc.view;
  EXPECT_EQ(
      std::tuple(after.zoom_index, after.grid_on, after.printing, after.origin_x, after.origin_y),
      std::tuple(before.zoom_index, before.grid_on, 0, before.origin_x, before.origin_y));
}

TEST(MainFrame, ScreenStateComesFromScreenFileAndIsWrittenBack) {
  FrameFixture f;
  f.dir.write("screen.$", "screen_size 520 ;\nposition_x 5000 ;\nposition_y -6000 ;\n");
  CMainFrame frame(f.doc, &f.op);
  frame.resize(1200, 800);
  frame.show();
  EXPECT_EQ(frame.view()->scroll_position(), QPoint(5000, -6000));
  frame.view()->set_scroll_position(4000, -3000);
  ASSERT_TRUE(frame.save_screen_state());
  ScreenState saved;
  ASSERT_TRUE(load_screen_state(f.dir.file("screen.$"), saved).ok());
  EXPECT_EQ(saved.position_x, 4000);
  EXPECT_EQ(saved.position_y, -3000);
  EXPECT_EQ(saved.screen_size, frame.view()->width());
}

TEST(Splash, ShowsPageBmpAtItsSizeOrSaysItCannotLoadIt) {
  test::TempDir dir;
  EXPECT_EQ(show_splash(dir.path(), nullptr), nullptr);  // no page.bmp: no splash
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::white);
  ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("page.bmp").string()), "BMP"));
  const SplashWindow good(dir.file("page.bmp"));
  EXPECT_TRUE(good.message().isEmpty());
  EXPECT_EQ(good.size(), QSize(40, 30));
  dir.write("broken.bmp", "BM not really");
  EXPECT_EQ(SplashWindow(dir.file("broken.bmp")).message(), "不能装载位图!");
}

TEST(QtOperator, FileFiltersAndKeysDuringAJob) {
  EXPECT_EQ(qt_file_filter("Layout(*.mrk)|*.mrk|Plots|*.plt;*.hpgl|"),
            "Layout(*.mrk);;Plots (*.plt *.hpgl)");
  QWidget window;
  QtOperator op(&window);
  auto press = [&window](int key, QEvent::Type type = QEvent::KeyPress) {
    QKeyEvent e(type, key, Qt::NoModifier);
    e.ignore();
    QApplication::sendEvent(&window, &e);
    return e.isAccepted();
  };
  press(Qt::Key_Escape);
  EXPECT_FALSE(op.next_key().has_value());  // no job: keys are the window's

  op.begin_job();
  press(Qt::Key_Escape);
  press(Qt::Key_A);
  const auto first = op.next_key();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->key, kKeyEscape);
  EXPECT_EQ(op.next_key()->key, 'A');
  EXPECT_FALSE(op.next_key().has_value());
  // An accelerator key is kept from its command while the job runs.
  EXPECT_TRUE(press(Qt::Key_F1, QEvent::ShortcutOverride));
  op.end_job();
  press(Qt::Key_Escape);
  EXPECT_FALSE(op.next_key().has_value());
}

// The marked lines of a recorded stream, one per pen-down move.
std::vector<std::string> pen_down_lines(const std::string& stream) {
  MarkerSim sim;
  sim.receive(stream);
  std::vector<std::string> out;
  for (const MarkerSim::Stroke& st : sim.strokes()) {
    for (std::size_t i = 1; i < st.points.size(); ++i) {
      const auto& a = st.points[i - 1];
      const auto& b = st.points[i];
      out.push_back(std::to_string(a.x) + "," + std::to_string(a.y) + "-" + std::to_string(b.x) +
                    "," + std::to_string(b.y));
    }
  }
  return out;
}

TEST(MainFrame, AJobStoppedByEscapeIsResumedFromTheFileMenuAndOnlyThen) {
  FrameFixture f;
  f.dir.write("port.txt", "file:whole\n");
  f.frame->dispatch(kCmdRectangle);
  MarkObject* r = f.doc.ring.oldest();
  r->output_mode = 2;
  r->fill_pitch = 0.5;
  r->columns = 3;
  f.doc.layout_path = f.dir.file("a.mrk");
  f.frame->dispatch(kCmdEngrave);
  const std::vector<std::string> whole = pen_down_lines(f.dir.read("whole"));
  ASSERT_GT(whole.size(), 60u);
  EXPECT_FALSE(f.frame->action(kCmdResume)->isEnabled());

  f.dir.write("port.txt", "file:parts\n");
  int polls = 0;
  f.op.on_poll = [&](ScriptedOperator& o) {
    if (++polls == 50) o.press_escape();
  };
  f.frame->dispatch(kCmdEngrave);
  f.op.on_poll = nullptr;
  EXPECT_TRUE(std::filesystem::exists(f.dir.file("a.mrk.resume")));
  EXPECT_TRUE(f.frame->action(kCmdResume)->isEnabled());
  // A change since the stop is refused with a message, nothing marked.
  const std::size_t sent = f.dir.read("parts").size();
  r->cent_x += 1;
  f.frame->dispatch(kCmdResume);
  EXPECT_EQ(f.dir.read("parts").size(), sent);
  ASSERT_FALSE(f.op.texts("message").empty());
  EXPECT_NE(f.op.texts("message").back().find("changed since the job stopped"), std::string::npos);
  r->cent_x -= 1;
  f.frame->dispatch(kCmdResume);
  EXPECT_EQ(pen_down_lines(f.dir.read("parts")), whole);
  EXPECT_FALSE(std::filesystem::exists(f.dir.file("a.mrk.resume")));
  EXPECT_FALSE(f.frame->action(kCmdResume)->isEnabled());
}

TEST(MainFrame, LayoutsOpenedOrSavedAreOfferedAgainInTheFileMenu) {
  const std::string square =
      "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
      "10.000, 10.000,  0.000,0,0.00\n";
  test::TempDir layouts;
  layouts.write("a.mrk", square);
  layouts.write("b.mrk", square);
  const std::filesystem::path a = std::filesystem::absolute(layouts.file("a.mrk"));
  const std::filesystem::path b = std::filesystem::absolute(layouts.file("b.mrk"));
  QStringList entries;
  {
    FrameFixture f;
    ASSERT_TRUE(f.frame->open_at_start(a, false));
    // Windows of one working folder, one after another.
    const auto next_window = [&](FrameFixture& w) {
      w.doc.work_dir = f.dir.path();
      w.frame = std::make_unique<CMainFrame>(w.doc, &w.op);
    };
    FrameFixture second;
    next_window(second);
    ASSERT_TRUE(second.frame->open_at_start(b, false));
    EXPECT_EQ(load_recent_files(f.dir.path()).paths(), (std::vector<std::filesystem::path>{b, a}));
    // The next window offers them; one that is gone is said and taken off.
    FrameFixture again;
    next_window(again);
    QMenu* recent = nullptr;
    for (QMenu* m : again.frame->findChildren<QMenu*>()) {
      if (m->title() == "最近使ったファイル") recent = m;
    }
    ASSERT_NE(recent, nullptr);
    for (QAction* x : recent->actions()) entries << x->text();
    EXPECT_EQ(entries, (QStringList{"&1 " + QString::fromStdString(b.string()),
                                    "&2 " + QString::fromStdString(a.string())}));
    std::filesystem::remove(b);
    recent->actions().front()->trigger();
    ASSERT_FALSE(again.op.texts("message").empty());
    EXPECT_NE(again.op.texts("message").back().find("no longer there"), std::string::npos);
    EXPECT_EQ(load_recent_files(f.dir.path()).paths(), (std::vector<std::filesystem::path>{a}));
    recent->actions().front()->trigger();
    EXPECT_EQ(again.doc.layout_path, a);
    EXPECT_EQ(again.doc.ring.size(), 1u);
  }
}

}  // namespace
}  // namespace lumetch

