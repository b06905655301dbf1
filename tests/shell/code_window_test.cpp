#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include "commands/create_object.h"
#include "panel/form_view.h"
#include "platform/scripted_operator.h"
#include "shell/main_frame.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

struct CodeWindow {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  std::unique_ptr<CMainFrame> frame;
  CodeWindow() {
    doc.work_dir = dir.path();
    frame = std::make_unique<CMainFrame>(doc, &op);
    frame->resize(1200, 800);
    frame->show();
  }
  QAction* find(const QList<QAction*>& actions, int id) {
    for (QAction* a : actions) {
      if (a->data().toInt() == id) return a;
    }
    return nullptr;
  }
  QLineEdit* data_box() { return frame->form()->page_at(0)->findChild<QLineEdit*>("c1110"); }
  const CodeParams& block() { return std::get<CodeParams>(current_object(doc)->params); }
};

TEST(CodeWindow, TheDrawMenuAndTheToolbarMakeACodeAndShowItsPage) {
  CodeWindow w;
  QMenu* draw = nullptr;
  for (QAction* m : w.frame->menuBar()->actions()) {
    if (m->text() == "描画") draw = m->menu();
  }
  ASSERT_NE(draw, nullptr);
  QAction* item = w.find(draw->actions(), kCmdCode);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "2次元コード");
  QAction* button = w.find(w.frame->drawing_toolbar()->actions(), kCmdCode);
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(button->icon().isNull());

  for (QAction* a : {item, button}) a->trigger();
  ASSERT_EQ(w.doc.ring.size(), 2u);
  for (const MarkObject& o : w.doc.ring.oldest_first()) EXPECT_EQ(o.type, CODE);
  EXPECT_EQ(w.frame->form()->pages()->tabText(0), "コードのプロパティ");
}

// A GS1 datum or a field is typed through forms the encoder refuses; the box
// is applied when it is left, and what is refused then is said.
TEST(CodeWindow, TheDataBoxAppliesWhenItIsLeftAndSaysWhyItRefuses) {
  CodeWindow w;
  w.frame->dispatch(kCmdCode);
  QLineEdit* box = w.data_box();
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, "{date:YYMM}");
  EXPECT_EQ(w.block().data, "LUMETCH");  // nothing stored while typing
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(w.block().data, "{date:YYMM}");

  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(w.block().data, "{date:YYMM}");
  EXPECT_EQ(box->text(), "{date:YYMM}");
  EXPECT_TRUE(w.frame->status_text(0).contains("needs data"))
      << w.frame->status_text(0).toStdString();
}

}  // namespace
}  // namespace lumetch
