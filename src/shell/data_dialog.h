#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "model/cketral_doc.h"
#include "model/variable_data.h"
#include "platform/operator.h"
#include "shell/small_dialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace lumetch {

// The data source of the layout's data fields: the data file, the row the
// next pass takes (counted from 1 here, from 0 in the layout) and the shift
// table. OK sets it as one edit; a source the check refuses keeps the dialog
// open with what was typed and says why.
class CDataSourceDialog : public QDialog {
  Q_OBJECT

 public:
  CDataSourceDialog(CketralDoc& doc, Operator& op, QWidget* parent = nullptr);

  // The source the fields describe. A field left as it opened gives back the
  // layout's own value, byte for byte.
  VariableData source() const;
  // Why the fields cannot be used as they stand; empty when they can.
  std::string refusal() const;

  // Asks for the data file; a file in the layout's folder (or below it) is
  // named relative to it, so the two can move together.
  void browse();
  // Shows what the named file holds and what else is wrong.
  void refresh_contents();

  void accept() override;

  QLineEdit* file_box() const { return file_box_; }
  QPushButton* browse_button() const { return browse_button_; }
  QSpinBox* row_box() const { return row_box_; }
  QLineEdit* shifts_box() const { return shifts_box_; }
  QLineEdit* contents_line() const { return contents_line_; }
  QLabel* problem_label() const { return problem_label_; }

 private:
  CketralDoc& doc_;
  Operator& op_;
  VariableData opened_;
  QString opened_file_;
  QString opened_shifts_;
  int opened_row_ = 1;
  QLineEdit* file_box_ = nullptr;
  QPushButton* browse_button_ = nullptr;
  QSpinBox* row_box_ = nullptr;
  QLineEdit* shifts_box_ = nullptr;
  QLineEdit* contents_line_ = nullptr;
  QLabel* problem_label_ = nullptr;
};

// The command: shows the dialog; OK has set the source through the edit
// layer, Cancel changes nothing.
void run_data_source_dialog(CketralDoc& doc, Operator& op, QWidget* parent);
void run_data_source_dialog(CketralDoc& doc, Operator& op, QWidget* parent,
                            const DialogRunner& show);

}  // namespace lumetch
