#include "shell/small_dialogs.h"

#include "panel/ui_text.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace lumetch {

namespace {

QString from_utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Control names follow the dialog resources' identifiers, so a test or a
// style sheet can find them.
QRadioButton* radio(QButtonGroup* group, int id, int control, const char* label, QWidget* owner) {
  auto* b = new QRadioButton(ui_text(label), owner);
  b->setObjectName(QString::number(control));
  group->addButton(b, id);
  return b;
}

}  // namespace

QHBoxLayout* ok_cancel_row(QDialog* dialog) {
  auto* ok = new QPushButton(ui_text("確定"), dialog);
  ok->setObjectName("1001");
  ok->setDefault(true);
  auto* cancel = new QPushButton(ui_text("キャンセル"), dialog);
  cancel->setObjectName("1002");
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

namespace {

void check(QButtonGroup* group, int32_t id) {
  if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

int32_t checked(const QButtonGroup* group) {
  const int id = group->checkedId();
  return id >= 0 ? id : kNoneChecked;
}

}  // namespace

bool exec_dialog(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

// Colour box.

CColourBox::CColourBox(int32_t layer, QWidget* parent) : QDialog(parent) {
  setWindowTitle(ui_text("カラーボックス"));
  layers_ = new QButtonGroup(this);
  static constexpr std::array<const char*, 8> kLabels{"黒",     "赤", "黄",       "緑",
                                                      "シアン", "青", "マゼンタ", "白"};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 8; ++i) {
    grid->addWidget(radio(layers_, i, 1301 + i, kLabels[static_cast<std::size_t>(i)], this), i % 4,
                    i / 4);
  }
  check(layers_, layer);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(ok_cancel_row(this));
}

int32_t CColourBox::checked_layer() const {
  return checked(layers_);
}

QRadioButton* CColourBox::layer_button(int32_t layer) const {
  return qobject_cast<QRadioButton*>(layers_->button(layer));
}

// Output mode.

COutputModeDialog::COutputModeDialog(int32_t output_mode, int32_t fill_direction, double fill_pitch,
                                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(ui_text("出力モード"));
  auto* style_box = new QGroupBox(ui_text("出力・表示スタイル"), this);
  modes_ = new QButtonGroup(this);
  auto* style_layout = new QVBoxLayout(style_box);
  style_layout->addWidget(radio(modes_, 0, 1301, "時計回りのアウトライン", style_box));
  style_layout->addWidget(radio(modes_, 1, 1302, "反時計回りのアウトライン", style_box));
  style_layout->addWidget(radio(modes_, 2, 1303, "塗りつぶし", style_box));

  auto* fill_box = new QGroupBox(ui_text("塗りつぶしのスタイル"), this);
  directions_ = new QButtonGroup(this);
  auto* fill_layout = new QVBoxLayout(fill_box);
  fill_layout->addWidget(radio(directions_, 0, 1304, "水平方向", fill_box));
  fill_layout->addWidget(radio(directions_, 1, 1305, "垂直方向", fill_box));

  pitch_box_ = new QLineEdit(from_utf8(box_text(fill_pitch)), this);
  pitch_box_->setObjectName("1201");
  auto* pitch_row = new QHBoxLayout;
  auto* pitch_label = new QLabel(ui_text("走査間隔(mm)"), this);
  pitch_label->setBuddy(pitch_box_);
  pitch_row->addWidget(pitch_label);
  pitch_row->addWidget(pitch_box_);

  check(modes_, output_mode);
  check(directions_, fill_direction);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(style_box);
  layout->addWidget(fill_box);
  layout->addLayout(pitch_row);
  layout->addLayout(ok_cancel_row(this));
}

int32_t COutputModeDialog::checked_mode() const {
  return checked(modes_);
}

int32_t COutputModeDialog::checked_direction() const {
  return checked(directions_);
}

double COutputModeDialog::pitch() const {
  return read_box_text(pitch_box_->text().left(9).toStdString());
}

QRadioButton* COutputModeDialog::mode_button(int32_t mode) const {
  return qobject_cast<QRadioButton*>(modes_->button(mode));
}

QRadioButton* COutputModeDialog::direction_button(int32_t direction) const {
  return qobject_cast<QRadioButton*>(directions_->button(direction));
}

// Font.

CFontDialog::CFontDialog(const FontChoice& initial, const QString& shown_family, QWidget* parent)
    : QFontDialog(parent), initial_(initial) {
  // Qt's own dialog: the platform's may not honour the filter.
  setOptions(QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
  QFont f = font_of(initial);
  if (!shown_family.isEmpty()) f.setFamily(shown_family);
  setCurrentFont(f);
  opened_family_ = currentFont().family();
}

QFont CFontDialog::font_of(const FontChoice& choice) {
  QFont f(from_utf8(choice.face));
  f.setPixelSize(30);
  // 0 is "don't care": regular.
  f.setWeight(choice.weight > 0 ? static_cast<QFont::Weight>(std::clamp(choice.weight, 1, 1000))
                                : QFont::Normal);
  f.setItalic(choice.italic != 0);
  f.setUnderline(false);
  f.setStrikeOut(false);
  return f;
}

FontChoice CFontDialog::choice() const {
  const QFont f = currentFont();
  FontChoice c;
  // OK on the family it opened with keeps the text's face name, alias or not.
  c.face = f.family() == opened_family_ ? initial_.face : f.family().toStdString();
  c.weight = static_cast<int32_t>(f.weight());
  c.italic = f.italic() ? 1 : 0;
  const bool japanese = QFontDatabase::writingSystems(f.family()).contains(QFontDatabase::Japanese);
  c.charset = japanese ? 128 : initial_.charset;
  return c;
}

// The commands.

void run_colour_box(CketralDoc& doc, QWidget* parent) {
  run_colour_box(doc, parent, exec_dialog);
}

void run_output_mode_dialog(CketralDoc& doc, QWidget* parent) {
  run_output_mode_dialog(doc, parent, exec_dialog);
}

void run_font_dialog(CketralDoc& doc, Operator& op, QWidget* parent) {
  run_font_dialog(doc, op, parent, exec_dialog);
}

void run_colour_box(CketralDoc& doc, QWidget* parent, const DialogRunner& show) {
  if (!colour_box_allowed(doc)) return;
  CColourBox box(opening_layer(doc), parent);
  if (!show(box)) return;
  const int32_t layer = box.checked_layer();
  if (layer == kNoneChecked) return;
  const StyleInvalidate area = apply_layer(doc, layer);
  doc.invalidate_selection(area.width, area.height, area.angle);
}

void run_output_mode_dialog(CketralDoc& doc, QWidget* parent, const DialogRunner& show) {
  if (!output_mode_allowed(doc)) return;
  const MarkObject* obj = current_object(doc);
  if (obj == nullptr) return;
  COutputModeDialog dialog(obj->output_mode, obj->fill_direction, obj->fill_pitch, parent);
  if (!show(dialog)) return;
  if (!apply_output_mode(doc, dialog.checked_mode(), dialog.checked_direction(), dialog.pitch())) {
    return;
  }
  const StyleInvalidate area = current_area(doc);
  doc.invalidate_selection(area.width, area.height, area.angle);
}

void run_font_dialog(CketralDoc& doc, Operator& op, QWidget* parent, const DialogRunner& show) {
  if (!font_allowed(doc)) return;
  const MarkObject* obj = current_object(doc);
  if (obj == nullptr ||
      (obj->block<LineTextParams>() == nullptr && obj->block<ArcTextParams>() == nullptr)) {
    return;
  }
  const FontChoice initial = current_font(doc);
  // A face that is no installed family opens on the family it resolves to.
  QString shown;
  if (!QFontDatabase::hasFamily(from_utf8(initial.face))) {
    FontDescription wanted = doc.outline_font;
    wanted.face_name = initial.face;
    wanted.weight = initial.weight;
    wanted.italic = initial.italic;
    wanted.charset = initial.charset;
    shown = from_utf8(doc.fonts().resolved_family(wanted));
  }
  CFontDialog dialog(initial, shown, parent);
  if (!show(dialog)) return;
  if (!apply_font(doc, dialog.choice(), op)) return;
  const StyleInvalidate area = current_area(doc);
  doc.invalidate_selection(area.width, area.height, area.angle);
}

}  // namespace lumetch
