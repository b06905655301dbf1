#include "panel/header_block.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <string>
#include <vector>

#include "commands/arrange.h"
#include "commands/create_object.h"
#include "panel/form_view.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

struct Panel {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  form_view form{doc};
  Panel() { doc.work_dir = dir.path(); }
  MarkObject* create(int32_t type) {
    MarkObject* o = CreateObject(doc, type, op);
    form.show_kind(selection_kind(doc));
    return o;
  }
  QStringList titles() const {
    QStringList out;
    for (int i = 0; i < form.pages()->count(); ++i) out << form.pages()->tabText(i);
    return out;
  }
  QLineEdit* box(HeaderField f) const { return form.header_block()->box(f); }
};

TEST(PropertySheet, EachSelectionKindHasItsPages) {
  Panel p;
  EXPECT_EQ(p.titles(), (QStringList{"データ設定", "スキャニングエリア設定", "フィールド設定"}));
  EXPECT_EQ(p.form.header_block(), nullptr);
  const struct {
    int32_t type;
    QStringList titles;
  } rows[] = {
      {RECTANGLE, {"四角形のプロパティ"}},
      {LINE_TEXT, {"直線文字列のプロパティ", "単一文字のプロパティ"}},
      {ARC_TEXT, {"回し文字のプロパティ", "単一文字のプロパティ"}},
      {BARCODE, {"Barcode Property"}},
  };
  for (const auto& row : rows) {
    p.create(row.type);
    EXPECT_EQ(p.titles(), row.titles) << row.type;
    ASSERT_NE(p.form.header_block(), nullptr);
    EXPECT_EQ(p.box(HeaderField::Width)->text().toStdString(),
              header_text(*current_object(p.doc), HeaderField::Width));
  }
  for (const MarkObject& o : p.doc.ring.oldest_first()) p.doc.selection.add(o.id);
  p.form.show_kind(selection_kind(p.doc));
  EXPECT_EQ(p.titles(), QStringList{"プロパティ"});
}

TEST(PropertySheet, TypingIntoABoxAppliesEveryKeystroke) {
  Panel p;
  MarkObject* rect = p.create(RECTANGLE);
  QLineEdit* width = p.box(HeaderField::Width);
  width->clear();
  std::vector<double> applied;
  for (const char c : std::string("12.5")) {
    QTest::keyClick(width, c);
    applied.push_back(rect->width);
  }
  EXPECT_EQ(applied, (std::vector<double>{1, 12, 12, 12.5}));
  EXPECT_EQ(width->text(), "12.5");  // the box is not rewritten under the typing

  // Keep aspect: the height follows and its box says so.
  QTest::mouseClick(p.form.header_block()->keep_aspect(), Qt::LeftButton);
  ASSERT_EQ(rect->keep_aspect, 1);
  const double height = rect->height;
  width->selectAll();
  QTest::keyClicks(width, "25");
  EXPECT_DOUBLE_EQ(rect->height, height * 25 / 12.5);  // through 2 and back up
  EXPECT_EQ(p.box(HeaderField::Height)->text().toStdString(),
            header_text(*rect, HeaderField::Height));
}

TEST(PropertySheet, ColumnsWidenTheFrameAndHugeArraysAreRefused) {
  Panel p;
  MarkObject* rect = p.create(RECTANGLE);
  const auto before = *selection_frame(p.doc);
  QLineEdit* columns = p.box(HeaderField::Columns);
  columns->selectAll();
  QTest::keyClicks(columns, "3");
  const auto after = *selection_frame(p.doc);
  // Two more copies and two gaps, half on each side.
  const double grow = 2 * p.doc.view.zoom() * (2 * rect->width + 2 * rect->column_gap);
  EXPECT_NEAR((after[2] - after[0]) - (before[2] - before[0]), grow, 1e-6);
  EXPECT_NEAR(after[0] - before[0], -grow / 2, 1e-6);

  QSignalSpy status(&p.form, &form_view::status_message);
  QLineEdit* rows = p.box(HeaderField::Rows);
  rows->selectAll();
  QTest::keyClicks(rows, "9999999");
  // 999999 rows of 3 columns are refused, and the box goes back to 99999.
  EXPECT_EQ(rect->rows, 99999);
  EXPECT_EQ(rows->text(), "99999");
  EXPECT_FALSE(status.isEmpty());

  // A spin button steps the box by the step and applies it.
  p.doc.settings.move_step = 3;
  p.form.header_block()->spin(HeaderField::CentX, true);
  EXPECT_DOUBLE_EQ(rect->cent_x, 0.5);
  EXPECT_EQ(p.box(HeaderField::CentX)->text(), "  0.500");
}

}  // namespace
}  // namespace lumetch
