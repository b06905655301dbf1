#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "geometry/glyph_file.h"
#include "panel/form_view.h"
#include "panel/panel_fixture.h"
#include "platform/scripted_operator.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::Panel;

template <class Block>
Block& block(MarkObject* o) {
  return std::get<Block>(o->params);
}

std::size_t glyphs_in(const std::string& path) {
  const auto file = ReadGlyphFile(path);
  return file ? file->glyphs.size() : 0;
}

TEST(TextPages, ConfirmLaysOutTheTextAsOneUndoStep) {
  const struct {
    int32_t type;
    bool vertical;
    const char* typed;
    std::string bytes;
    std::vector<int32_t> lines;  // line table; empty for the arc text
    double width, height;
  } rows[] = {
      // Size 5, line gap 2: 3·5 + 2·2.
      {LINE_TEXT, false, "AB\nCD\nEF", "ABCDEF", {2, 2, 2, 0}, 40, 19},
      {LINE_TEXT, true, "A\nあい", "A\x82\xa0\x82\xa2", {1, 4, 0}, 12, 40},  // 2 + 2·5
      {ARC_TEXT, false, "AB\nC", "ABC", {}, 40, 40},  // one line; its size stays
  };
  for (const auto& row : rows) {
    Panel p;
    MarkObject* o = p.create(row.type);
    const std::string path = o->type == LINE_TEXT ? block<LineTextParams>(o).glyph_file
                                                  : block<ArcTextParams>(o).glyph_file;
    std::string* text =
        o->type == LINE_TEXT ? &block<LineTextParams>(o).text : &block<ArcTextParams>(o).text;
    const std::string old_text = *text;
    if (row.type == LINE_TEXT) {
      p.type(1105, "5");
      p.type(1106, "5");
      p.type(1109, "2");
      if (row.vertical) p.click(1312);
      block<LineTextParams>(o).chars.at(1).angle = 30;  // an adjustment to be reset
    }
    // Typing alone changes nothing.
    const std::size_t steps = p.doc.history.size();
    p.enter(row.typed, false);
    EXPECT_EQ(*text, old_text);
    EXPECT_EQ(p.doc.history.size(), steps);

    p.click(1080);
    EXPECT_EQ(*text, row.bytes) << row.typed;
    EXPECT_EQ(p.doc.history.size(), steps + 1);
    EXPECT_EQ(std::tuple(o->width, o->height), std::tuple(row.width, row.height)) << row.typed;
    EXPECT_EQ(glyphs_in(path), static_cast<std::size_t>(CountChars(row.bytes)));
    if (row.type == LINE_TEXT) {
      const auto& b = block<LineTextParams>(o);
      EXPECT_EQ(b.line_count + 1, static_cast<int32_t>(row.lines.size()));
      EXPECT_EQ(b.line_lengths, row.lines);
      EXPECT_EQ(b.chars, std::vector<CharRecord>(static_cast<std::size_t>(CountChars(b.text))));
      EXPECT_DOUBLE_EQ(std::stod(p.shown(row.vertical ? 1103 : 1104)),
                       row.vertical ? row.width : row.height);
    } else {
      EXPECT_EQ(p.page()->text_box(1109)->toPlainText(), "ABC");  // the box shows what is kept
    }

    // Ctrl+Z brings back the text and its outlines.
    ASSERT_TRUE(UndoCommand(p.doc));
    EXPECT_EQ(*text, old_text);  // the record is restored in place
    EXPECT_EQ(glyphs_in(path), old_text.size());
  }
}

TEST(TextPages, UnmarkableOrOverlongTextIsRefusedAndNothingChanges) {
  std::string kana;
  for (int i = 0; i < 250; ++i) kana += "あ";
  const struct {
    int32_t type;
    std::string typed;
    const char* says;
  } rows[] = {
      {LINE_TEXT, "AB\tC", "tab"},
      {ARC_TEXT, "A\tB", "tab"},
      {LINE_TEXT, "A\x01", "U+0001"},
      {LINE_TEXT, "A😀B", "😀"},
      {LINE_TEXT, std::string(500, 'A'), "500 bytes"},
      {LINE_TEXT, std::string(249, 'A') + "\n" + std::string(249, 'B'), "500 bytes"},  // CR LF
      {ARC_TEXT, kana, "500 bytes"},
  };
  for (const auto& row : rows) {
    Panel p;
    MarkObject* o = p.create(row.type);
    const MarkObject before = *o;
    const std::size_t steps = p.doc.history.size();
    QSignalSpy status(&p.form, &form_view::status_message);
    p.enter(row.typed.c_str());
    ASSERT_EQ(status.count(), 1) << row.typed;
    EXPECT_TRUE(status.at(0).at(0).toString().contains(QString::fromUtf8(row.says)))
        << status.at(0).at(0).toString().toStdString();
    EXPECT_TRUE(changed_fields(before, *o).empty());
    EXPECT_EQ(p.doc.history.size(), steps);
  }
  // The longest text that fits is taken whole.
  Panel p;
  MarkObject* o = p.create(ARC_TEXT);
  p.enter(std::string(499, 'A').c_str());
  EXPECT_EQ(block<ArcTextParams>(o).text.size(), 499u);
}

TEST(TextPages, SizesFollowTheLinesAndTheWriting) {
  Panel p;
  MarkObject* o = p.create(LINE_TEXT);
  auto& b = block<LineTextParams>(o);
  p.type(1109, "2");
  p.enter("A\nB\nC");  // three lines of 6: height 22
  ASSERT_DOUBLE_EQ(o->height, 22);
  const struct {
    int32_t box;
    const char* typed;
    double width, height, size_x, size_y;
  } rows[] = {
      {1104, "25", 40, 25, 4, 7},         // (25 − 2·2) / 3
      {1106, "4", 40, 16, 4, 4},          // 2·2 + 3·4
      {1109, "1", 40, 16, 4, 14.0 / 3},   // the height stays, the size gives
      {1103, "30", 30, 16, 4, 14.0 / 3},  // across the lines: only the width
      {1105, "2", 30, 16, 2, 14.0 / 3},
  };
  for (const auto& row : rows) {
    p.type(row.box, row.typed);
    EXPECT_EQ(std::tuple(o->width, o->height, b.size_x),
              std::tuple(row.width, row.height, row.size_x))
        << row.box;
    EXPECT_DOUBLE_EQ(b.size_y, row.size_y) << row.box;
    // The other boxes show what followed.
    if (row.box != 1106) {
      EXPECT_EQ(p.shown(1106), page::fixed(b.size_y)) << row.box;
    }
    if (row.box != 1104) {
      EXPECT_EQ(p.shown(1104), page::fixed(o->height)) << row.box;
    }
  }

  // Vertical writing turns a 40 × 10 box, once; later texts start vertical.
  p.type(1103, "40");
  p.type(1104, "10");
  const std::size_t steps = p.doc.history.size();
  p.click(1312);
  EXPECT_EQ(std::tuple(o->width, o->height, b.vertical), std::tuple(10.0, 40.0, 1));
  EXPECT_EQ(std::tuple(p.shown(1103), p.shown(1104)), std::tuple(" 10.000", " 40.000"));
  p.click(1312);
  EXPECT_EQ(std::tuple(o->width, p.doc.history.size()), std::tuple(10.0, steps + 1));
  p.click(1323);  // 中央
  EXPECT_EQ(std::tuple(b.align, p.doc.defaults.line_text.align), std::tuple(2, 2));
  MarkObject* next = p.create(LINE_TEXT);
  EXPECT_EQ(block<LineTextParams>(next).vertical, 1);
  EXPECT_TRUE(p.page()->findChild<QRadioButton*>("c1312")->isChecked());

  // The arc's box is twice its radius; keep aspect takes the other radius along.
  MarkObject* arc = p.create(ARC_TEXT);
  p.click(1051);
  p.type(1103, "30");
  EXPECT_EQ(std::tuple(block<ArcTextParams>(arc).radius_y, arc->width, arc->height),
            std::tuple(30.0, 60.0, 60.0));
  EXPECT_EQ(p.shown(1104), " 30.000");
  p.type(1105, "180");
  p.click(1302);  // 下
  EXPECT_EQ(std::tuple(block<ArcTextParams>(arc).span, block<ArcTextParams>(arc).downward,
                       p.doc.defaults.arc_text.downward),
            std::tuple(180.0, 1, 1));
}

TEST(TextPages, SingleCharacterPageEditsOnlyTheChosenRecord) {
  Panel p;
  MarkObject* o = p.create(LINE_TEXT);
  auto& b = block<LineTextParams>(o);
  p.enter("ABあ");
  p.form.pages()->setCurrentIndex(1);
  auto* list = p.page(1)->findChild<QListWidget*>("char_list");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "あ");

  list->setCurrentRow(2);
  p.type(1101, "1.5", 1);
  p.type(1105, "90", 1);
  p.type(1108, "0.2", 1);  // the object's stroke width
  CharRecord third;
  third.size_x = 1.5;
  third.angle = 90;
  EXPECT_EQ(b.chars, (std::vector<CharRecord>{{}, {}, third}));
  EXPECT_EQ(b.line_width_x, 0.2);
  list->setCurrentRow(0);
  EXPECT_EQ(p.shown(1101, 1), "  0.000");
  p.type(1102, "2", 1);
  EXPECT_EQ(b.chars[0].size_y, 2);
  EXPECT_EQ(b.chars[2], third);
  // Each character's edits undo apart.
  ASSERT_TRUE(UndoCommand(p.doc));
  EXPECT_EQ(std::tuple(b.chars[0].size_y, b.chars[2].size_x), std::tuple(0.0, 1.5));

  // A new text starts from zeros at its first character; the list follows.
  p.form.pages()->setCurrentIndex(0);
  p.enter("XY");
  p.form.pages()->setCurrentIndex(1);
  EXPECT_EQ(std::tuple(list->count(), list->currentRow()), std::tuple(2, 0));
  EXPECT_EQ(b.chars, std::vector<CharRecord>(2));
}

}  // namespace
}  // namespace lumetch
