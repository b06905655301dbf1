#include "shell/data_dialog.h"

#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>

#include "commands/job_fields.h"
#include "panel/ui_text.h"

namespace lumetch {

namespace {

constexpr const char* kCaption = "可変データの設定";

QString from_utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString from_path(const std::string& bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string to_path(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

// The layout keeps its data source on lines of their own: a line break in a
// name would cut the record and lose what follows it.
bool has_control(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

std::filesystem::path absolute_of(const std::filesystem::path& p) {
  std::error_code ec;
  const std::filesystem::path a = std::filesystem::absolute(p, ec);
  return (ec ? p : a).lexically_normal();
}

std::string rows_text(std::size_t rows) {
  return std::to_string(rows) + (rows == 1 ? " row" : " rows");
}

}  // namespace

CDataSourceDialog::CDataSourceDialog(CketralDoc& doc, Operator& op, QWidget* parent)
    : QDialog(parent), doc_(doc), op_(op), opened_(doc.variable_data) {
  setWindowTitle(ui_text(kCaption));
  opened_file_ = from_path(opened_.csv_path);
  opened_shifts_ = from_utf8(opened_.shifts);
  // A row beyond the spin box's reach is kept as it is unless changed.
  opened_row_ = static_cast<int>(
      std::clamp<int64_t>(int64_t{opened_.next_row} + 1, 1, std::numeric_limits<int32_t>::max()));

  file_box_ = new QLineEdit(opened_file_, this);
  file_box_->setObjectName("data_file");
  file_box_->setMinimumWidth(320);
  file_box_->setPlaceholderText(ui_text("なし"));
  file_box_->setToolTip(
      "A CSV file whose first row names the columns; a relative name is taken "
      "from the layout's folder");
  browse_button_ = new QPushButton(ui_text("参照..."), this);
  browse_button_->setObjectName("browse");
  browse_button_->setAutoDefault(false);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(file_box_, 1);
  file_row->addWidget(browse_button_);

  row_box_ = new QSpinBox(this);
  row_box_->setObjectName("next_row");
  row_box_->setRange(1, std::numeric_limits<int32_t>::max());
  row_box_->setValue(opened_row_);
  row_box_->setToolTip("The data row the next marking pass takes, counted from 1");
  row_box_->setMinimumWidth(100);
  auto* row_row = new QHBoxLayout;
  row_row->addWidget(row_box_);
  row_row->addStretch(1);

  shifts_box_ = new QLineEdit(opened_shifts_, this);
  shifts_box_->setObjectName("shifts");
  shifts_box_->setPlaceholderText(ui_text("例: 06:00=A;14:00=B;22:00=C"));
  shifts_box_->setToolTip("Start time and name of each shift, for {shift} fields");

  contents_line_ = new QLineEdit(this);
  contents_line_->setObjectName("contents");
  contents_line_->setReadOnly(true);
  contents_line_->setFocusPolicy(Qt::ClickFocus);

  problem_label_ = new QLabel(this);
  problem_label_->setObjectName("problem");
  problem_label_->setWordWrap(true);
  problem_label_->setStyleSheet("color: #b00000;");
  problem_label_->hide();

  auto* form = new QFormLayout;
  const auto label = [this](const char* text, QWidget* buddy) {
    auto* l = new QLabel(ui_text(text), this);
    l->setBuddy(buddy);
    return l;
  };
  form->addRow(label("データファイル(&F)", file_box_), file_row);
  form->addRow(label("次の行(&R)", row_box_), row_row);
  form->addRow(label("シフト表(&S)", shifts_box_), shifts_box_);
  form->addRow(label("ファイルの内容", contents_line_), contents_line_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(problem_label_);
  layout->addStretch(1);
  layout->addLayout(ok_cancel_row(this));

  connect(browse_button_, &QPushButton::clicked, this, &CDataSourceDialog::browse);
  connect(file_box_, &QLineEdit::textChanged, this, &CDataSourceDialog::refresh_contents);
  connect(shifts_box_, &QLineEdit::textChanged, this, &CDataSourceDialog::refresh_contents);
  connect(row_box_, &QSpinBox::valueChanged, this, &CDataSourceDialog::refresh_contents);
  refresh_contents();
}

VariableData CDataSourceDialog::source() const {
  VariableData s;
  s.csv_path = file_box_->text() == opened_file_ ? opened_.csv_path : to_path(file_box_->text());
  s.shifts = shifts_box_->text() == opened_shifts_ ? opened_.shifts
                                                   : shifts_box_->text().toUtf8().toStdString();
  s.next_row = row_box_->value() == opened_row_ && opened_.next_row >= 0 ? opened_.next_row
                                                                         : row_box_->value() - 1;
  return s;
}

std::string CDataSourceDialog::refusal() const {
  const VariableData s = source();
  if (has_control(s.csv_path)) {
    return "The name of the data file holds a line break or another control character; the "
           "layout file cannot keep it.";
  }
  if (has_control(s.shifts)) {
    return "The shift table holds a line break or another control character; write it on one "
           "line, as 06:00=A;14:00=B;22:00=C.";
  }
  return check_data_source(doc_, s).error;
}

void CDataSourceDialog::refresh_contents() {
  const VariableData s = source();
  std::string contents;
  std::string file_error;
  if (s.csv_path.empty()) {
    contents = "No data file: {csv:...} fields have no rows to take.";
  } else {
    // The file alone, so that its contents show whatever the row and shifts say.
    VariableData file_only;
    file_only.csv_path = s.csv_path;
    const DataSourceCheck file = check_data_source(doc_, file_only);
    if (!file.error.empty()) {
      contents = file_error = file.error;
    } else {
      contents = rows_text(file.rows) + "; columns: ";
      for (std::size_t i = 0; i < file.columns.size(); ++i) {
        contents += (i == 0 ? "" : ", ") + file.columns[i];
      }
      if (s.next_row >= 0 && static_cast<std::size_t>(s.next_row) == file.rows) {
        contents += " (every row has been used)";
      }
    }
  }
  contents_line_->setText(from_utf8(contents));
  contents_line_->setCursorPosition(0);
  contents_line_->setToolTip(from_utf8(contents));
  const std::string problem = refusal();
  problem_label_->setText(from_utf8(problem));
  problem_label_->setVisible(!problem.empty() && problem != file_error);
}

void CDataSourceDialog::browse() {
  FileRequest request;
  request.filter = "CSV File(*.csv)|*.csv|All Files(*)|*|";
  request.default_extension = "csv";
  const std::string named = source().csv_path;
  // Opens where the named file is, else in the folder relative names start from.
  if (named.empty() || has_control(named)) {
    request.initial_name = absolute_of(resolve_data_file(doc_, "")).string();
    if (!request.initial_name.ends_with('/')) request.initial_name += '/';  // a folder
  } else {
    request.initial_name = absolute_of(resolve_data_file(doc_, named)).string();
  }
  const std::optional<std::filesystem::path> chosen = op_.choose_file(request);
  if (!chosen) return;
  std::filesystem::path name = absolute_of(*chosen);
  // An untitled layout has no folder of its own yet: the name stays absolute.
  if (!doc_.layout_path.empty()) {
    const std::filesystem::path base = absolute_of(doc_.layout_path.parent_path());
    const std::filesystem::path rel = name.lexically_relative(base);
    if (!rel.empty() && *rel.begin() != "..") name = rel;
  }
  file_box_->setText(from_path(name.string()));
}

void CDataSourceDialog::accept() {
  std::string why = refusal();
  if (why.empty()) why = SetDataSource(doc_, source());
  if (!why.empty()) {
    refresh_contents();
    op_.message(why, kCaption);
    return;  // open with what was typed, to be put right
  }
  QDialog::accept();
}

void run_data_source_dialog(CketralDoc& doc, Operator& op, QWidget* parent) {
  run_data_source_dialog(doc, op, parent, exec_dialog);
}

void run_data_source_dialog(CketralDoc& doc, Operator& op, QWidget* parent,
                            const DialogRunner& show) {
  CDataSourceDialog dialog(doc, op, parent);
  show(dialog);
}

}  // namespace lumetch
