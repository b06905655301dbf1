#include "shell/small_dialogs.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

class Repaints : public DocObserver {
 public:
  std::vector<std::vector<double>> areas;
  void invalidate_selection(double w, double h, double a) override { areas.push_back({w, h, a}); }
};

struct Fixture {
  test::TempDir dir;
  ScriptedOperator op;
  Repaints repaints;
  CketralDoc doc;
  int shown = 0;
  Fixture() {
    doc.work_dir = dir.path();
    doc.observer = &repaints;
  }
  MarkObject* create(int32_t type) { return CreateObject(doc, type, op); }
  // A runner for a dialog that must not open.
  DialogRunner never() {
    return [this](QDialog&) { return ++shown, true; };
  }
};

// Presses the dialog's own button, as the operator would.
bool press(QDialog& d, const char* control) {
  d.findChild<QPushButton*>(control)->click();
  return d.result() == QDialog::Accepted;
}

TEST(SmallDialogs, ColourBoxOpensOnTheOldestSelectedLayerAndSetsTheChosenOne) {
  Fixture f;
  MarkObject* a = f.create(RECTANGLE);
  MarkObject* b = f.create(CIRCLE);
  MarkObject* c = f.create(LINE);
  a->layer = 2;
  b->layer = 6;
  for (const MarkObject* o : {a, b, c}) f.doc.selection.add(o->id);
  f.repaints.areas.clear();

  run_colour_box(f.doc, nullptr, [&](QDialog& d) {
    auto& box = dynamic_cast<CColourBox&>(d);
    ++f.shown;
    EXPECT_EQ(box.windowTitle(), "カラーボックス");
    EXPECT_EQ(box.layer_button(6)->text(), "マゼンタ");
    EXPECT_EQ(box.findChild<QPushButton*>("1001")->text(), "確定");
    EXPECT_EQ(box.checked_layer(), 2);
    box.findChild<QRadioButton*>("1305")->click();  // 青, layer 4
    return press(box, "1001");
  });
  for (const MarkObject* o : {a, b, c}) EXPECT_EQ(o->layer, 4);
  EXPECT_EQ(f.repaints.areas, (std::vector<std::vector<double>>{{0.0, 0.0, 90.0}}));

  // Cancel changes nothing; with nothing selected the box does not open.
  run_colour_box(f.doc, nullptr, [&](QDialog& d) {
    d.findChild<QRadioButton*>("1301")->click();
    return press(d, "1002");
  });
  EXPECT_EQ(a->layer, 4);
  f.doc.selection.clear();
  run_colour_box(f.doc, nullptr, f.never());
  EXPECT_EQ(f.shown, 1);
  EXPECT_EQ(f.repaints.areas.size(), 1u);
}

TEST(SmallDialogs, OutputModeOpensOnTheCurrentObjectAndAnEmptyPitchIsZero) {
  Fixture f;
  MarkObject* rect = f.create(RECTANGLE);
  rect->output_mode = 1;
  rect->fill_direction = 1;
  rect->fill_pitch = 0.125;
  rect->angle = 15.0;

  run_output_mode_dialog(f.doc, nullptr, [&](QDialog& d) {
    auto& dialog = dynamic_cast<COutputModeDialog&>(d);
    ++f.shown;
    EXPECT_EQ(dialog.windowTitle(), "出力モード");
    std::vector<QString> groups;
    for (const QGroupBox* g : dialog.findChildren<QGroupBox*>()) groups.push_back(g->title());
    EXPECT_EQ(groups, (std::vector<QString>{"出力・表示スタイル", "塗りつぶしのスタイル"}));
    EXPECT_EQ(dialog.mode_button(2)->text(), "塗りつぶし");
    EXPECT_EQ(dialog.checked_mode(), 1);
    EXPECT_EQ(dialog.checked_direction(), 1);
    EXPECT_EQ(dialog.pitch_box()->text(), "  0.125");
    dialog.mode_button(2)->click();
    dialog.direction_button(0)->click();
    dialog.pitch_box()->clear();
    return press(dialog, "1001");
  });
  EXPECT_EQ(rect->output_mode, 2);
  EXPECT_EQ(rect->fill_direction, 0);
  EXPECT_EQ(rect->fill_pitch, 0.0);
  ASSERT_FALSE(f.repaints.areas.empty());
  EXPECT_EQ(f.repaints.areas.back(), (std::vector<double>{20.0, 20.0, 15.0}));

  // Several selected: refused without a dialog.
  f.doc.selection.add(f.create(CIRCLE)->id);
  f.doc.selection.add(rect->id);
  run_output_mode_dialog(f.doc, nullptr, f.never());
  EXPECT_EQ(f.shown, 1);
}

TEST(SmallDialogs, FontDialogOffersScalableFacesAndGivesTheTextTheChosenOne) {
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  const auto scalable = std::find_if(japanese.begin(), japanese.end(), [](const QString& family) {
    return QFontDatabase::isScalable(family);
  });
  if (scalable == japanese.end()) GTEST_SKIP() << "no scalable Japanese font installed";
  const QString face = *scalable;

  Fixture f;
  MarkObject* text = f.create(LINE_TEXT);
  const std::string glyph_name =
      std::filesystem::path(text->block<LineTextParams>()->glyph_file).filename().string();
  const std::string glyphs = f.dir.read(glyph_name);
  ASSERT_FALSE(glyphs.empty());
  // OK on the opening state keeps the face even where it is only an alias.
  run_font_dialog(f.doc, f.op, nullptr, [](QDialog& d) { return d.accept(), true; });
  EXPECT_EQ(text->block<LineTextParams>()->face_name, "Arial");
  EXPECT_EQ(f.dir.read(glyph_name), glyphs);

  QFont shown_font;
  run_font_dialog(f.doc, f.op, nullptr, [&](QDialog& d) {
    auto& dialog = dynamic_cast<CFontDialog&>(d);
    EXPECT_TRUE(dialog.testOption(QFontDialog::ScalableFonts));
    EXPECT_FALSE(dialog.currentFont().italic());
    dialog.setCurrentFont(CFontDialog::font_of({face.toStdString(), 700, 1, 0}));
    shown_font = dialog.currentFont();  // the style the face really has
    return dialog.accept(), true;
  });
  EXPECT_TRUE(f.op.shown.empty());
  const LineTextParams& p = *text->block<LineTextParams>();
  EXPECT_EQ(f.doc.outline_font.face_name, face.toStdString());
  EXPECT_EQ(p.font_charset, 128);
  EXPECT_EQ(p.font_italic, shown_font.italic() ? 1 : 0);
  EXPECT_EQ(p.font_weight, shown_font.weight());
  EXPECT_EQ(f.doc.defaults.line_text.face_name, p.face_name);
  EXPECT_NE(f.dir.read(glyph_name), glyphs);
  EXPECT_EQ(f.repaints.areas.size(), 3u);  // creation, then each font

  f.create(RECTANGLE);
  run_font_dialog(f.doc, f.op, nullptr, f.never());
  EXPECT_EQ(f.shown, 0);
}

}  // namespace
}  // namespace lumetch
