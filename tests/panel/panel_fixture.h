#pragma once

// The right pane on its own, shown offscreen, with a layout being edited.

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTabWidget>
#include <QTest>

#include <string>

#include "commands/create_object.h"
#include "panel/form_view.h"
#include "platform/font_engine.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch::test {

// A square for every character, so glyph files do not depend on the fonts installed.
class SquareFonts : public FontEngine {
 public:
  std::optional<NativeOutline> outline(const FontDescription&, char32_t, bool) override {
    constexpr int32_t s = 300 * 65536;
    return NativeOutline{{{0, 0}, {{OutlineCurve::Kind::Line, {{s, 0}, {s, s}, {0, s}}}}}};
  }
  std::string resolved_family(const FontDescription& font) override { return font.face_name; }
  std::vector<std::string> outline_families() override { return {"Square"}; }
};

struct Panel {
  TempDir dir;
  SquareFonts fonts;
  CketralDoc doc;
  ScriptedOperator op;
  form_view form{doc};
  Panel() {
    doc.work_dir = dir.path();
    doc.font_engine = &fonts;
    form.resize(420, 1000);
    form.show();
  }
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
  CPropertyPage* page(int index = 0) const { return form.page_at(index); }
  QLineEdit* box(int32_t id, int index = 0) const { return page(index)->box(id); }
  template <class W>
  W* control(int32_t id, int index = 0) const {
    return page(index)->findChild<W*>(QString("c%1").arg(id));
  }
  // Replaces a box's text keystroke by keystroke, as the operator types.
  void type(int32_t id, const char* text, int index = 0) const {
    QLineEdit* b = box(id, index);
    b->selectAll();
    QTest::keyClicks(b, text);
  }
  void click(int32_t id) const { control<QAbstractButton>(id)->click(); }
  // Types into the text box of the first page; "確定" only when asked.
  void enter(const char* text, bool confirm = true) const {
    const int32_t id = page()->id() == PageId::LineText ? 1110 : 1109;
    page()->text_box(id)->setPlainText(QString::fromUtf8(text));
    if (confirm) click(1080);
  }
  std::string shown(int32_t id, int index = 0) const { return box(id, index)->text().toStdString(); }
};

}  // namespace lumetch::test
