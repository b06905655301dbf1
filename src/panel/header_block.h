#pragma once

#include <QWidget>
#include <array>

#include "commands/header_edit.h"
#include "model/cketral_doc.h"

class QCheckBox;
class QLineEdit;

namespace lumetch {

// The header edits every object page shares: offset, width, height, angle,
// rows, columns and the gaps, each box with its spin buttons, and the
// keep-aspect box. Every change of a box is applied at once.
class CHeaderBlock : public QWidget {
  Q_OBJECT

 public:
  explicit CHeaderBlock(CketralDoc& doc, QWidget* parent = nullptr);

  // Writes the current object's values into the boxes, without applying them.
  void fill();
  QLineEdit* box(HeaderField field) const { return boxes_[static_cast<std::size_t>(field)]; }
  QCheckBox* keep_aspect() const { return keep_; }
  // Steps a box as its spin button does (up or down).
  void spin(HeaderField field, bool up);

 signals:
  // An edit was applied: the view repaints the current object's area.
  void edited(double width, double height, double angle);
  // An edit was refused: why, for the status bar.
  void refused(const QString& text);
  // A spin button was used: the keys go back to the editing view.
  void focus_view();

 private:
  void apply(HeaderField field, const QString& text);

  CketralDoc& doc_;
  std::array<QLineEdit*, 9> boxes_{};
  QCheckBox* keep_ = nullptr;
  bool filling_ = false;   // the program writes the boxes: not an edit
  bool applying_ = false;  // a box's own edit: its notice must not refill the boxes
};

}  // namespace lumetch
