#include "shell/main_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QToolBar>
#include <string>
#include <utility>
#include <vector>

#include "commands/create_object.h"
#include "commands/layout_commands.h"
#include "model/settings_file.h"
#include "panel/form_view.h"
#include "platform/scripted_operator.h"
#include "shell/about_box.h"
#include "shell/commands.h"
#include "shell/qt_operator.h"
#include "shell/splash.h"
#include "support/temp_dir.h"
#include "view/main_view.h"

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
};

std::vector<int> bar_ids(const QToolBar& bar) {
  std::vector<int> ids;
  for (const QAction* a : bar.actions()) ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
  return ids;
}

TEST(MainFrame, MenusShowTheirLabelsAndCarryTheirIdentifiersInOrder) {
  FrameFixture f;
  using Items = std::vector<std::pair<int, QString>>;
  const std::vector<std::pair<QString, Items>> expected = {
      {"ファイル",
       {{32820, "新規...\tCtrl+N"},
        {57601, "開く...\tCtrl+O"},
        {32789, "保存...\tCtrl+S"},
        {0, ""},
        {57607, "印刷...\tCtrl+P"},
        {57609, "印刷プレビュー"},
        {57606, "印刷設定"},
        {0, ""},
        {32790, "彫刻開始...\t F1"},
        {0, ""},
        {57665, "終了"}}},
      {"描画",
       {{1401, "直線"},
        {1402, "四角形"},
        {1403, "円形"},
        {32802, "三角形"},
        {32804, "菱形"},
        {32806, "多角形"},
        {32788, "直線文字列"},
        {32787, "回し文字"},
        {1405, "PLT読込"},
        {32794, "BMP読込"},
        {32823, "バーコード"}}},
      {"編集", {{57635, "カット\tCtrl+X"}, {57634, "コピー\tCtrl+C"}, {57637, "ペースト\tCtrl+V"}}},
      {"オプション", {{59392, "ツールバー"}, {59393, "ステータスバー"}, {32798, "グリッド"}}},
      {"ヘルプ", {{57664, "バージョン情報"}}},
  };
  const QList<QAction*> menus = f.frame->menuBar()->actions();
  ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
  for (std::size_t m = 0; m < expected.size(); ++m) {
    QAction* menu_action = menus[static_cast<qsizetype>(m)];
    EXPECT_EQ(menu_action->text(), expected[m].first);
    ASSERT_NE(menu_action->menu(), nullptr);
    const QList<QAction*> items = menu_action->menu()->actions();
    Items got;
    for (const QAction* a : items) {
      got.emplace_back(a->isSeparator() ? 0 : a->data().toInt(), a->isSeparator() ? "" : a->text());
    }
    EXPECT_EQ(got, expected[m].second) << expected[m].first.toStdString();
  }
}

TEST(MainFrame, ToolbarsHoldTheirButtonsInOrder) {
  FrameFixture f;
  EXPECT_EQ(
      bar_ids(*f.frame->main_toolbar()),
      (std::vector<int>{57607, 0,     32820, 0, 57601, 32789, 0,     57635, 57634, 57637, 0, 32790,
                        0,     1501,  1502,  0, 32793, 32795, 32796, 0,     32815, 32816, 0, 32817,
                        0,     32808, 32810, 0, 32819, 0,     32826, 0,     57664}));
  EXPECT_EQ(bar_ids(*f.frame->drawing_toolbar()),
            (std::vector<int>{1401, 1402, 1403, 32802, 32804, 32806, 0, 32788, 32787, 0, 1405,
                              32794, 32825, 0, 32823}));
  // Every button has a picture and a tip.
  for (const QToolBar* bar : {f.frame->main_toolbar(), f.frame->drawing_toolbar()}) {
    for (const QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_FALSE(a->icon().isNull()) << a->data().toInt();
      EXPECT_FALSE(a->toolTip().isEmpty()) << a->data().toInt();
    }
  }
  EXPECT_EQ(f.frame->action(1401)->statusTip(), "直線を定義する");
  EXPECT_EQ(f.frame->action(32790)->toolTip(), "彫刻開始");
}

TEST(MainFrame, AcceleratorsSendTheirIdentifiers) {
  FrameFixture f;
  const std::vector<std::pair<QKeySequence, int>> table = {
      {QKeySequence(Qt::CTRL | Qt::Key_C), 57634},
      {QKeySequence(Qt::CTRL | Qt::Key_Insert), 57634},
      {QKeySequence(Qt::CTRL | Qt::Key_X), 57635},
      {QKeySequence(Qt::SHIFT | Qt::Key_Delete), 57635},
      {QKeySequence(Qt::CTRL | Qt::Key_V), 57637},
      {QKeySequence(Qt::SHIFT | Qt::Key_Insert), 57637},
      {QKeySequence(Qt::CTRL | Qt::Key_O), 57601},
      {QKeySequence(Qt::CTRL | Qt::Key_P), 57607},
      {QKeySequence(Qt::Key_F1), 32790},
      {QKeySequence(Qt::Key_F6), 57680},
      {QKeySequence(Qt::SHIFT | Qt::Key_F6), 57681},
      {QKeySequence(Qt::CTRL | Qt::Key_N), 57600},
      {QKeySequence(Qt::CTRL | Qt::Key_S), 57603},
      {QKeySequence(Qt::ALT | Qt::Key_Backspace), 57643},
      {QKeySequence(Qt::CTRL | Qt::Key_Z), 57643},
  };
  for (const auto& [keys, id] : table) {
    std::vector<int> found;
    for (const QAction* a : f.frame->actions()) {
      if (a->shortcuts().contains(keys)) found.push_back(a->data().toInt());
    }
    EXPECT_EQ(found, std::vector<int>{id}) << keys.toString().toStdString();
  }
  // Ctrl+N and Ctrl+S reach New and Save like the menu items.
  EXPECT_EQ(route_of(57600), Route::New);
  EXPECT_EQ(route_of(57603), Route::Save);
  EXPECT_EQ(route_of(57643), Route::NotAvailable);
}

TEST(MainFrame, CreationCommandAddsTheObjectAndListsIt) {
  FrameFixture f;
  f.frame->dispatch(kCmdRectangle);
  f.frame->dispatch(kCmdCircle);
  ASSERT_EQ(f.doc.ring.size(), 2u);
  const std::vector<QString> entries = f.list_entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], "drawing");
  EXPECT_EQ(entries[1].toStdString(), f.doc.object_list.at(1));
  EXPECT_EQ(entries[2].toStdString(), f.doc.object_list.at(2));
  EXPECT_EQ(f.frame->object_list_view()->currentRow(), f.doc.object_list.selection());
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
  f.op.ask_answers.push_back(Answer::Cancel);
  EXPECT_FALSE(f.frame->close());
  EXPECT_EQ(f.op.texts("ask"), std::vector<std::string>{"Svae the Current Document?"});
  EXPECT_FALSE(std::filesystem::exists(f.dir.file("screen.$")));

  f.op.ask_answers.push_back(Answer::Yes);
  f.op.file_answers.push_back(f.dir.file("kept.mrk"));
  EXPECT_TRUE(f.frame->close());
  EXPECT_TRUE(std::filesystem::exists(f.dir.file("kept.mrk")));
  EXPECT_TRUE(std::filesystem::exists(f.dir.file("screen.$")));
}

TEST(MainFrame, CommandsNotBuiltYetSaySoInTheStatusBar) {
  FrameFixture f;
  for (const int id : {kCmdMirrorX, kCmdStepUp, kCmdUndoKey}) {
    f.frame->set_status(0, "");
    f.frame->dispatch(id);
    EXPECT_TRUE(f.frame->status_text(0).startsWith("Not available yet")) << id;
  }
  EXPECT_TRUE(f.op.shown.empty());
}

TEST(MainFrame, StatusPaneOneShowsTheStepAndGridTogglesTheView) {
  FrameFixture f;
  EXPECT_EQ(f.frame->status_text(1), "Step=  0.50mm");  // move_step 3 of the step table
  const int32_t grid = f.doc.view.grid_on;
  EXPECT_EQ(f.frame->action(kCmdGrid)->isChecked(), grid != 0);
  f.frame->dispatch(kCmdGrid);
  EXPECT_NE(f.doc.view.grid_on, grid);
  EXPECT_EQ(f.frame->action(kCmdGrid)->isChecked(), f.doc.view.grid_on != 0);
  const int32_t zoom = f.doc.view.zoom_index;
  f.frame->dispatch(kCmdZoomOut);
  EXPECT_EQ(f.doc.view.zoom_index, zoom - 1);
}

TEST(MainFrame, EngravingGoesToTheChosenPortAndSaysWhereInTheStatusBar) {
  FrameFixture f;
  f.dir.write("port.txt", "marked.txt\n");
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

TEST(MainFrame, TitleIsTheFirstLineOfTitleTxtOrTheDefault) {
  {
    FrameFixture f;
    EXPECT_EQ(f.frame->windowTitle(), "Lumetch V2003");
  }
  {
    FrameFixture f("Marker A-1\r\nline two\n");
    EXPECT_EQ(f.frame->windowTitle(), "Marker A-1");
  }
  {
    // The old code page: "刻印機" in CP932.
    FrameFixture f("\x8d\x8f\x88\xf3\x8b\x40\n");
    EXPECT_EQ(f.frame->windowTitle(), "刻印機");
  }
  test::TempDir dir;
  dir.write("title.txt", std::string(600, 'x') + "\nabout\n");
  const std::vector<QString> lines = read_title_file(dir.file("title.txt"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 499);
  EXPECT_EQ(lines[1], "about");

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
  ASSERT_EQ(list->count(), 4);
  // Creation order, not sorted.
  EXPECT_TRUE(list->item(1)->text().startsWith("ba"));
  EXPECT_TRUE(list->item(3)->text().startsWith("ci"));

  list->setCurrentRow(2);
  MarkObject* chosen = f.doc.ring.current;
  ASSERT_EQ(chosen->type, RECTANGLE);
  EXPECT_EQ(f.doc.view.selection.selection_kind, RECTANGLE);
  int selected = 0;
  for (const MarkObject& o : f.doc.ring.oldest_first()) selected += o.selected;
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(chosen->selected, 1);
  EXPECT_TRUE(f.frame->form()->sheet_text().contains(list->item(2)->text()));
  EXPECT_TRUE(f.frame->form()->sheet_text().contains("四角形のプロパティ"));

  list->setCurrentRow(0);
  EXPECT_EQ(f.doc.view.selection.selection_kind, 0);
  EXPECT_EQ(chosen->selected, 0);
  EXPECT_EQ(f.doc.ring.current, f.doc.ring.end());
  EXPECT_TRUE(f.frame->form()->sheet_text().startsWith("drawing"));

  // Several selected: choosing an entry drops them all.
  for (MarkObject& o : f.doc.ring.oldest_first()) o.selected = 1;
  f.doc.view.selection.selection_kind = -1;
  list->setCurrentRow(1);
  selected = 0;
  for (const MarkObject& o : f.doc.ring.oldest_first()) selected += o.selected;
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(f.doc.ring.current->type, BARCODE);
}

TEST(MainFrame, PrintingMakesOnePageAndLeavesTheViewAsItWas) {
  FrameFixture f;
  f.frame->dispatch(kCmdRectangle);
  const ViewState before = f.doc.view;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(f.dir.file("page.pdf").string()));
  ASSERT_TRUE(f.frame->print_to(printer));
  const std::string pdf = f.dir.read("page.pdf");
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_EQ(f.doc.view.zoom_index, before.zoom_index);
  EXPECT_EQ(f.doc.view.grid_on, before.grid_on);
  EXPECT_EQ(f.doc.view.printing, 0);
  EXPECT_EQ(f.doc.view.origin_x, before.origin_x);
  EXPECT_EQ(f.doc.view.origin_y, before.origin_y);
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
  ASSERT_TRUE(load_screen_state(f.dir.file("screen.$"), saved));
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
  const SplashWindow bad(dir.file("broken.bmp"));
  EXPECT_EQ(bad.message(), "不能装载位图!");
}

TEST(QtOperator, FileFiltersAndKeysDuringAJob) {
  EXPECT_EQ(qt_file_filter("CAD File(*.plt)|*.plt|"), "CAD File(*.plt) (*.plt)");
  EXPECT_EQ(qt_file_filter("Layout(*.mrk)|*.mrk|All(*.*)|*.*|"),
            "Layout(*.mrk) (*.mrk);;All(*.*) (*.*)");

  QWidget window;
  QtOperator op(&window);
  QKeyEvent before(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&window, &before);
  EXPECT_FALSE(op.next_key().has_value());  // no job: keys are the window's

  op.begin_job();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  QApplication::sendEvent(&window, &esc);
  QApplication::sendEvent(&window, &a);
  const auto first = op.next_key();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->key, kKeyEscape);
  EXPECT_EQ(op.next_key()->key, 'A');
  EXPECT_FALSE(op.next_key().has_value());
  // An accelerator key is kept from its command while the job runs.
  QKeyEvent f1(QEvent::ShortcutOverride, Qt::Key_F1, Qt::NoModifier);
  f1.ignore();
  QApplication::sendEvent(&window, &f1);
  EXPECT_TRUE(f1.isAccepted());
  op.end_job();
  QApplication::sendEvent(&window, &esc);
  EXPECT_FALSE(op.next_key().has_value());
}

}  // namespace
}  // namespace lumetch
