#include "panel/property_page.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/arrange.h"
#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "commands/header_edit.h"
#include "panel/form_view.h"
#include "panel/panel_fixture.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::Panel;

TEST(PropertySheet, EachSelectionKindHasItsPages) {
  Panel p;
  EXPECT_EQ(p.titles(), (QStringList{"データ設定", "スキャニングエリア設定", "フィールド設定"}));
  const struct {
    int32_t type;
    QStringList titles;
  } rows[] = {
      {RECTANGLE, {"四角形のプロパティ"}},
      {LINE_TEXT, {"直線文字列のプロパティ", "単一文字のプロパティ"}},
      {ARC_TEXT, {"回し文字のプロパティ", "単一文字のプロパティ"}},
      {BARCODE, {"Barcode Property"}},
      {POLYGON, {"多角形のプロパティ"}},
  };
  for (const auto& row : rows) {
    p.create(row.type);
    EXPECT_EQ(p.titles(), row.titles) << row.type;
  }
  for (const MarkObject& o : p.doc.ring.oldest_first()) p.doc.selection.add(o.id);
  p.form.show_kind(selection_kind(p.doc));
  EXPECT_EQ(p.titles(), QStringList{"プロパティ"});
}

TEST(PropertySheet, TypingIntoABoxAppliesEveryKeystroke) {
  Panel p;
  MarkObject* rect = p.create(RECTANGLE);
  EXPECT_EQ(p.box(1103)->text().toStdString(), header_text(*rect, HeaderField::Width));
  QLineEdit* width = p.box(1103);
  width->clear();
  std::vector<double> applied;
  for (const char c : std::string("12.5")) {
    QTest::keyClick(width, c);
    applied.push_back(rect->width);
  }
  EXPECT_EQ(applied, (std::vector<double>{1, 12, 12, 12.5}));
  EXPECT_EQ(width->text(), "12.5");  // the box is not rewritten under the typing
  EXPECT_EQ(std::get<RectangleParams>(rect->params).size_x, 12.5);

  // Keep aspect: the height follows and its box says so.
  p.control<QCheckBox>(1051)->click();
  ASSERT_EQ(rect->keep_aspect, 1);
  const double height = rect->height;
  p.type(1103, "25");
  EXPECT_DOUBLE_EQ(rect->height, height * 25 / 12.5);  // through 2 and back up
  EXPECT_EQ(p.box(1104)->text().toStdString(), header_text(*rect, HeaderField::Height));

  // All the typing into one box is one undo step, the tick another.
  ASSERT_TRUE(UndoCommand(p.doc));
  EXPECT_DOUBLE_EQ(current_object(p.doc)->width, 12.5);
}

TEST(PropertySheet, ColumnsWidenTheFrameAndHugeArraysAreRefused) {
  Panel p;
  MarkObject* rect = p.create(RECTANGLE);
  const auto before = *selection_frame(p.doc);
  p.type(1108, "3");  // the rectangle page's columns box
  const auto after = *selection_frame(p.doc);
  // Two more copies and two gaps, half on each side.
  const double grow = 2 * p.doc.view.zoom() * (2 * rect->width + 2 * rect->column_gap);
  EXPECT_NEAR((after[2] - after[0]) - (before[2] - before[0]), grow, 1e-6);
  EXPECT_NEAR(after[0] - before[0], -grow / 2, 1e-6);

  QSignalSpy status(&p.form, &form_view::status_message);
  p.type(1107, "9999999");
  // 999999 rows of 3 columns are refused, and the box goes back to 99999.
  EXPECT_EQ(rect->rows, 99999);
  EXPECT_EQ(p.box(1107)->text(), "99999");
  EXPECT_FALSE(status.isEmpty());

  // A spin button steps the box by the step and applies it.
  p.doc.settings.move_step = 3;
  p.page()->spin(1101, true);
  EXPECT_DOUBLE_EQ(rect->cent_x, 0.5);
  EXPECT_EQ(p.box(1101)->text(), "  0.500");
}

TEST(PropertySheet, BarcodeBarWidthAndSizeStayConsistent) {
  Panel p;
  MarkObject* bc = p.create(BARCODE);
  auto& b = std::get<BarcodeParams>(bc->params);
  QLineEdit* text = p.box(1110);
  text->selectAll();
  QTest::keyClicks(text, "ABC");
  p.type(1103, "50");
  EXPECT_EQ(b.text, "ABC");
  EXPECT_EQ(p.box(1105)->text(), "  0.585");  // 50 / (8 + 67.5 + 10)
  p.type(1105, "1");
  EXPECT_DOUBLE_EQ(bc->width, 85.5);
  EXPECT_EQ(p.box(1103)->text(), " 85.500");

  // What Code 39 cannot carry, or a text too long, is refused and kept out.
  QSignalSpy status(&p.form, &form_view::status_message);
  text->setText("ABCé");
  emit text->textEdited(text->text());
  EXPECT_EQ(b.text, "ABC");
  EXPECT_EQ(text->text(), "ABC");
  text->setText(QString(300, 'A'));
  emit text->textEdited(text->text());
  EXPECT_EQ(b.text, "ABC");
  EXPECT_EQ(status.count(), 2);

  p.control<QRadioButton>(1302)->click();
  EXPECT_EQ(b.display_type, 1);
  p.control<QCheckBox>(1051)->click();
  EXPECT_EQ(b.variable, 1);
}

TEST(PropertySheet, ShapeChoicesSizesAndTheirDefaults) {
  Panel p;
  MarkObject* rect = p.create(RECTANGLE);
  p.control<QRadioButton>(1313)->click();  // 傾斜
  EXPECT_EQ(std::get<RectangleParams>(rect->params).edge_style, 2);
  MarkObject* next = p.create(RECTANGLE);
  EXPECT_EQ(std::get<RectangleParams>(next->params).edge_style, 2);  // bevelled too
  EXPECT_TRUE(p.control<QRadioButton>(1313)->isChecked());

  MarkObject* tri = p.create(TRIANGLE);
  p.control<QRadioButton>(1312)->click();  // 下
  EXPECT_EQ(std::get<TriangleParams>(tri->params).direction, 1);
  EXPECT_EQ(p.doc.defaults.triangle.direction, 1);

  MarkObject* poly = p.create(POLYGON);
  p.type(1103, "30");
  EXPECT_EQ(std::tuple(poly->width, poly->height, std::get<PolygonParams>(poly->params).size),
            std::tuple(30.0, 30.0, 30.0));
  EXPECT_EQ(p.control<QCheckBox>(1051), nullptr);  // no keep-aspect box
  p.type(1105, "6");
  EXPECT_EQ(std::get<PolygonParams>(poly->params).edge_count, 6);
  p.page()->spin(1105, true);
  EXPECT_EQ(std::get<PolygonParams>(poly->params).edge_count, 7);
  QSignalSpy status(&p.form, &form_view::status_message);
  p.type(1105, "99999999");
  EXPECT_EQ(std::get<PolygonParams>(poly->params).edge_count, 9999);  // the last one taken
  EXPECT_FALSE(status.isEmpty());

  // An edit of a page is undone with the defaults it changed.
  ASSERT_TRUE(UndoCommand(p.doc));  // the edge count
  ASSERT_TRUE(UndoCommand(p.doc));  // the spin
  ASSERT_TRUE(UndoCommand(p.doc));  // 6
  ASSERT_TRUE(UndoCommand(p.doc));  // the size
  ASSERT_TRUE(UndoCommand(p.doc));  // the polygon
  ASSERT_TRUE(UndoCommand(p.doc));  // apex down
  EXPECT_EQ(p.doc.defaults.triangle.direction, 0);
}

TEST(PropertySheet, PltPensChooseTheirLayers) {
  Panel p;
  auto o = std::make_unique<MarkObject>();
  o->type = PLT;
  o->width = o->height = 10;
  o->params = PltBlock{};
  {
    Commit c(p.doc);
    MarkObject* added = c.add(std::move(o));
    p.doc.selection = Selection::only(added->id);
    c.push("Import");
  }
  p.form.show_kind(PLT);
  auto* sp3 = p.control<QComboBox>(1083);
  ASSERT_NE(sp3, nullptr);
  EXPECT_EQ(sp3->currentText(), "Yellow");  // pen 3 starts on layer 2
  sp3->setCurrentIndex(1);
  emit sp3->activated(1);
  EXPECT_EQ(std::get<PltBlock>(current_object(p.doc)->params).pen_layer[2], 1);
  p.type(1103, "20");
  EXPECT_EQ(std::get<PltBlock>(current_object(p.doc)->params).init_width, 20.0);
}

TEST(PropertySheet, BmpFileIsReplacedFromTheDialogOrKept) {
  Panel p;
  p.form.set_services({[&p]() -> Operator& { return p.op; }, {}, {}});
  const std::filesystem::path data = LUMETCH_TEST_DATA "/bmp";
  p.op.file_answers.push_back(data / "f_bottom_up.bmp");
  MarkObject* bmp = p.create(BMP);
  ASSERT_NE(bmp, nullptr);
  const double width = bmp->width;
  const struct {
    const char* file;
    const char* kept_from;  // the image the object has afterwards
  } rows[] = {
      {"f_top_down.bmp", "f_top_down.bmp"},
      {"not_bitmap.bmp", "f_top_down.bmp"},  // refused by the loader, which says why
  };
  for (const auto& row : rows) {
    p.op.file_answers.push_back(data / row.file);
    p.page()->button(1135)->click();
    const auto& b = std::get<BmpBlock>(current_object(p.doc)->params);
    EXPECT_EQ(std::filesystem::path(b.source_path).filename(), row.kept_from) << row.file;
    EXPECT_EQ(current_object(p.doc)->width, width);  // the size in mm stays
  }
  EXPECT_FALSE(p.op.texts("message").empty());
  ASSERT_TRUE(UndoCommand(p.doc));
  EXPECT_EQ(std::filesystem::path(std::get<BmpBlock>(current_object(p.doc)->params).source_path)
                .filename(),
            "f_bottom_up.bmp");
}

}  // namespace
}  // namespace lumetch
