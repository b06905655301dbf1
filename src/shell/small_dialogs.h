#pragma once

#include <QDialog>
#include <QFont>
#include <QFontDialog>
#include <QString>
#include <cstdint>
#include <functional>

#include "commands/object_style.h"
#include "model/cketral_doc.h"
#include "platform/operator.h"

class QButtonGroup;
class QHBoxLayout;
class QLineEdit;
class QRadioButton;

namespace lumetch {

// Shows a dialog and says whether it was accepted. The commands show theirs
// modally; tests set the controls and accept instead.
using DialogRunner = std::function<bool(QDialog&)>;
bool exec_dialog(QDialog& dialog);

// "確定" (the default button, accept) and "キャンセル" (reject) on the right of
// a row, for the bottom of a dialog.
QHBoxLayout* ok_cancel_row(QDialog* dialog);

// The colour box: one radio button per layer.
class CColourBox : public QDialog {
  Q_OBJECT

 public:
  // Opens with `layer`'s button checked (none for a layer outside 0..7).
  explicit CColourBox(int32_t layer, QWidget* parent = nullptr);

  // The checked button's layer, kNoneChecked when none is.
  int32_t checked_layer() const;
  QRadioButton* layer_button(int32_t layer) const;

 private:
  QButtonGroup* layers_ = nullptr;
};

// The output-mode dialog: outline direction or fill, fill direction and the
// scan interval.
class COutputModeDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens with the buttons of `output_mode` and `fill_direction` checked
  // (none for a value without a button) and the pitch as "%7.3f".
  COutputModeDialog(int32_t output_mode, int32_t fill_direction, double fill_pitch,
                    QWidget* parent = nullptr);

  // The checked button of each group, kNoneChecked when none is.
  int32_t checked_mode() const;
  int32_t checked_direction() const;
  // The pitch box read as the dialog reads it.
  double pitch() const;

  QRadioButton* mode_button(int32_t mode) const;
  QRadioButton* direction_button(int32_t direction) const;
  QLineEdit* pitch_box() const { return pitch_box_; }

 private:
  QButtonGroup* modes_ = nullptr;
  QButtonGroup* directions_ = nullptr;
  QLineEdit* pitch_box_ = nullptr;
};

// The platform's font chooser, offering only scalable faces (those the glyph
// outlines can be made from); size and colour are not used.
class CFontDialog : public QFontDialog {
  Q_OBJECT

 public:
  // `shown_family` is the family the dialog opens on when the text's face is
  // no installed family (an alias such as "Arial"); empty: the face itself.
  explicit CFontDialog(const FontChoice& initial, const QString& shown_family = {},
                       QWidget* parent = nullptr);

  // The chosen face, weight and italic flag; the text's own face name when
  // the family was left as it opened. The character set is 128 when the face
  // writes Japanese, otherwise that of `initial`.
  FontChoice choice() const;

  // The QFont a text's font opens as: a 30-pixel cell with its face, weight
  // and italic flag.
  static QFont font_of(const FontChoice& choice);

 private:
  FontChoice initial_;
  QString opened_family_;
};

// The three commands. Each does nothing when the selection does not allow it;
// otherwise it shows its dialog and on OK changes the objects and repaints
// their area.
void run_colour_box(CketralDoc& doc, QWidget* parent);
void run_output_mode_dialog(CketralDoc& doc, QWidget* parent);
void run_font_dialog(CketralDoc& doc, Operator& op, QWidget* parent);

// The same with the dialog shown by `show`.
void run_colour_box(CketralDoc& doc, QWidget* parent, const DialogRunner& show);
void run_output_mode_dialog(CketralDoc& doc, QWidget* parent, const DialogRunner& show);
void run_font_dialog(CketralDoc& doc, Operator& op, QWidget* parent, const DialogRunner& show);

}  // namespace lumetch
