#include "panel/property_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "panel/ui_text.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString name_of(int32_t id) {
  return QString("c%1").arg(id);
}

}  // namespace

CPropertyPage::CPropertyPage(CketralDoc& doc, PageId id, QWidget* parent)
    : QWidget(parent), doc_(doc), id_(id) {
  build();
  fill();
}

void CPropertyPage::build() {
  auto* outer = new QVBoxLayout(this);
  top_ = new QVBoxLayout;
  outer->addLayout(top_);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);
  outer->addLayout(grid);
  bottom_ = new QVBoxLayout;
  outer->addLayout(bottom_);
  outer->addStretch(1);

  int line = 0;
  // Drop-down lists of one group share a box, two to a line.
  QGroupBox* combo_box = nullptr;
  QGridLayout* combo_grid = nullptr;
  int combos = 0;
  for (const PageRow& row : page_def(id_).rows) {
    const int32_t id = row.id;
    const QString label = ui_text(row.label);
    switch (row.kind) {
      case RowKind::Measure:
      case RowKind::Count: {
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(9);  // the boxes read their first nine characters
        edit->setObjectName(name_of(id));
        connect(edit, &QLineEdit::textEdited, this,
                [this, id](const QString& t) { changed(id, t.toStdString()); });
        grid->addWidget(new QLabel(label, this), line, 0);
        grid->addWidget(edit, line, 1);
        if (row.spins) {
          for (const bool up : {true, false}) {
            auto* b = new QToolButton(this);
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setObjectName(QString(up ? "spin_up_%1" : "spin_down_%1").arg(id));
            b->setFocusPolicy(Qt::NoFocus);
            connect(b, &QToolButton::clicked, this, [this, id, up] { spin(id, up); });
            grid->addWidget(b, line, up ? 2 : 3);
          }
        }
        controls_[id] = edit;
        ++line;
        break;
      }
      case RowKind::Line: {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name_of(id));
        if (row.applies_when_done) {
          connect(edit, &QLineEdit::editingFinished, this,
                  [this, id, edit] { changed(id, edit->text().toStdString()); });
        } else {
          connect(edit, &QLineEdit::textEdited, this,
                  [this, id](const QString& t) { changed(id, t.toStdString()); });
        }
        grid->addWidget(new QLabel(label, this), line, 0);
        grid->addWidget(edit, line, 1, 1, 3);
        controls_[id] = edit;
        ++line;
        break;
      }
      case RowKind::Text: {
        auto* edit = new QPlainTextEdit(this);
        edit->setObjectName(name_of(id));
        edit->setTabChangesFocus(true);
        edit->setMaximumHeight(90);
        grid->addWidget(new QLabel(label, this), line, 0, Qt::AlignTop);
        grid->addWidget(edit, line, 1, 1, 3);
        controls_[id] = edit;
        ++line;
        break;
      }
      case RowKind::Check: {
        auto* box = new QCheckBox(label, this);
        box->setObjectName(name_of(id));
        connect(box, &QCheckBox::clicked, this,
                [this, id](bool on) { changed(id, on ? "1" : "0"); });
        grid->addWidget(box, line, 0, 1, 4);
        controls_[id] = box;
        ++line;
        break;
      }
      case RowKind::Choice: {
        auto* group = new QGroupBox(ui_text(row.group), this);
        group->setObjectName(name_of(id) + "_group");
        auto* lay = new QGridLayout(group);
        auto* buttons = new QButtonGroup(group);
        // Up to three on a line, four as two pairs, so the pane stays narrow.
        const std::size_t n = row.choices.size();
        const int per_line = n <= 3 ? static_cast<int>(n) : n == 4 ? 2 : 3;
        for (std::size_t i = 0; i < row.choices.size(); ++i) {
          auto* radio = new QRadioButton(ui_text(row.choices[i]), group);
          radio->setObjectName(name_of(id + static_cast<int32_t>(i)));
          buttons->addButton(radio, static_cast<int>(i));
          lay->addWidget(radio, static_cast<int>(i) / per_line, static_cast<int>(i) % per_line);
        }
        connect(buttons, &QButtonGroup::idClicked, this,
                [this, id](int index) { changed(id, std::to_string(index)); });
        grid->addWidget(group, line, 0, 1, 4);
        controls_[id] = group;
        ++line;
        break;
      }
      case RowKind::Combo: {
        auto* combo = new QComboBox(this);
        combo->setObjectName(name_of(id));
        for (std::string_view c : row.choices) combo->addItem(ui_text(c));
        connect(combo, &QComboBox::activated, this,
                [this, id](int index) { changed(id, std::to_string(index)); });
        if (!row.group.empty()) {
          if (combo_box == nullptr) {
            combo_box = new QGroupBox(ui_text(row.group), this);
            combo_grid = new QGridLayout(combo_box);
            grid->addWidget(combo_box, line++, 0, 1, 4);
          }
          combo_grid->addWidget(new QLabel(label, combo_box), combos / 2, (combos % 2) * 2);
          combo_grid->addWidget(combo, combos / 2, (combos % 2) * 2 + 1);
          ++combos;
        } else {
          grid->addWidget(new QLabel(label, this), line, 0);
          grid->addWidget(combo, line, 1, 1, 3);
          ++line;
        }
        controls_[id] = combo;
        break;
      }
      case RowKind::Button: {
        auto* b = new QPushButton(label, this);
        b->setObjectName(name_of(id));
        connect(b, &QPushButton::clicked, this, [this, id] { emit action(id); });
        grid->addWidget(b, line, 0, 1, 4);
        controls_[id] = b;
        ++line;
        break;
      }
    }
  }
  grid->setColumnStretch(1, 1);
}

QLineEdit* CPropertyPage::box(int32_t id) const {
  const auto it = controls_.find(id);
  return it != controls_.end() ? qobject_cast<QLineEdit*>(it->second) : nullptr;
}

QPlainTextEdit* CPropertyPage::text_box(int32_t id) const {
  const auto it = controls_.find(id);
  return it != controls_.end() ? qobject_cast<QPlainTextEdit*>(it->second) : nullptr;
}

QAbstractButton* CPropertyPage::button(int32_t id) const {
  return findChild<QAbstractButton*>(name_of(id));
}

std::string CPropertyPage::control_text(int32_t id) const {
  const auto it = controls_.find(id);
  if (it == controls_.end()) return {};
  QWidget* w = it->second;
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
  if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return t->toPlainText().toStdString();
  if (auto* tick = qobject_cast<QCheckBox*>(w)) return tick->isChecked() ? "1" : "0";
  if (auto* list = qobject_cast<QComboBox*>(w)) return std::to_string(list->currentIndex());
  if (qobject_cast<QGroupBox*>(w) != nullptr) {
    for (int i = 0;; ++i) {
      auto* r = findChild<QRadioButton*>(name_of(id + i));
      if (r == nullptr) break;
      if (r->isChecked()) return std::to_string(i);
    }
  }
  return {};
}

void CPropertyPage::show_value(const PageRow& row, const std::string& text) {
  QWidget* w = controls_[row.id];
  filling_ = true;
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(qs(text));
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    t->setPlainText(qs(text));
  } else if (auto* tick = qobject_cast<QCheckBox*>(w)) {
    tick->setChecked(text == "1");
  } else if (auto* list = qobject_cast<QComboBox*>(w)) {
    list->setCurrentIndex(qs(text).toInt());
  } else if (row.kind == RowKind::Choice) {
    const int index = qs(text).toInt();
    if (auto* r = findChild<QRadioButton*>(name_of(row.id + index))) r->setChecked(true);
  }
  filling_ = false;
  shown_[row.id] = text;
}

void CPropertyPage::fill() {
  for (const PageRow& row : page_def(id_).rows) {
    if (row.read != nullptr) show_value(row, row.read(doc_));
  }
  emit refreshed();
}

void CPropertyPage::refresh() {
  for (const PageRow& row : page_def(id_).rows) {
    if (row.read == nullptr || row.id == applying_) continue;
    const std::string now = row.read(doc_);
    const auto it = shown_.find(row.id);
    if (it == shown_.end() || it->second != now) show_value(row, now);
  }
  emit refreshed();
}

void CPropertyPage::changed(int32_t id, const std::string& text) {
  if (filling_) return;
  const PageRow* row = find_row(id_, id);
  if (row == nullptr || row->apply == nullptr) return;
  if (row->repaint == PageRepaint::ScanArea) emit scan_area_changing();
  applying_ = id;
  const PageEdit e = apply_row(doc_, id_, id, text);
  applying_ = 0;
  if (!e.applied) {
    if (!e.status.empty()) {
      emit refused(ui_text(e.status));
      // The control shows what the document kept.
      if (row->read != nullptr) show_value(*row, row->read(doc_));
    }
    return;
  }
  // A box keeps what the operator typed ("12." stays, not " 12.000"); the
  // other controls follow the document.
  if (row->read != nullptr) shown_[id] = row->read(doc_);
  refresh();
  emit edited(row->repaint, e.area.width, e.area.height, e.area.angle);
}

void CPropertyPage::spin(int32_t id, bool up) {
  QLineEdit* edit = box(id);
  if (edit == nullptr) return;
  const auto text = spin_row(doc_, id_, id, edit->text().toStdString(), up);
  if (text) {
    edit->setText(qs(*text));
    changed(id, *text);  // as a change of the box
    const PageRow* row = find_row(id_, id);
    if (row != nullptr && row->acts_on_spin) emit action(id);
  }
  emit focus_view();
}

}  // namespace lumetch
