#include "panel/header_block.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace lumetch {

namespace {

struct Row {
  HeaderField field;
  const char* label;
};
constexpr Row kRows[] = {
    {HeaderField::CentX, "オフセットX"}, {HeaderField::CentY, "オフセットY"},
    {HeaderField::Width, "横幅"},        {HeaderField::Height, "縦幅"},
    {HeaderField::Angle, "角度"},        {HeaderField::Rows, "行数"},
    {HeaderField::Columns, "列数"},      {HeaderField::RowGap, "行間"},
    {HeaderField::ColumnGap, "列間"},
};

}  // namespace

CHeaderBlock::CHeaderBlock(CketralDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  int line = 0;
  for (const Row& row : kRows) {
    auto* edit = new QLineEdit(this);
    edit->setMaxLength(9);  // the boxes read their first nine characters
    edit->setObjectName(QString("edit_%1").arg(static_cast<int>(row.field)));
    boxes_[static_cast<std::size_t>(row.field)] = edit;
    const HeaderField field = row.field;
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& t) { apply(field, t); });
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName(QString("spin_up_%1").arg(static_cast<int>(row.field)));
    connect(up, &QToolButton::clicked, this, [this, field] { spin(field, true); });
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName(QString("spin_down_%1").arg(static_cast<int>(row.field)));
    connect(down, &QToolButton::clicked, this, [this, field] { spin(field, false); });
    grid->addWidget(new QLabel(QString::fromUtf8(row.label), this), line, 0);
    grid->addWidget(edit, line, 1);
    grid->addWidget(up, line, 2);
    grid->addWidget(down, line, 3);
    ++line;
  }
  keep_ = new QCheckBox(QString::fromUtf8("縦横の比率を固定する"), this);
  keep_->setObjectName("keep_aspect");
  connect(keep_, &QCheckBox::toggled, this, [this](bool on) {
    if (!filling_) set_keep_aspect(doc_, on);
  });
  grid->addWidget(keep_, line, 0, 1, 4);
  fill();
}

void CHeaderBlock::fill() {
  const MarkObject* obj = current_object(doc_);
  if (obj == nullptr || applying_) return;
  filling_ = true;
  for (const Row& row : kRows) {
    box(row.field)->setText(QString::fromStdString(header_text(*obj, row.field)));
  }
  keep_->setChecked(obj->keep_aspect == 1);
  filling_ = false;
}

void CHeaderBlock::apply(HeaderField field, const QString& text) {
  if (filling_ || doc_.ring.is_empty()) return;
  applying_ = true;
  const HeaderEdit e = apply_header_text(doc_, field, text.toStdString());
  applying_ = false;
  if (!e.applied) {
    if (!e.status.empty()) emit refused(QString::fromStdString(e.status));
    // The box shows the value the object kept.
    if (const MarkObject* obj = current_object(doc_)) {
      filling_ = true;
      box(field)->setText(QString::fromStdString(header_text(*obj, field)));
      filling_ = false;
    }
    return;
  }
  if (e.echo) {
    filling_ = true;
    box(e.echo->first)->setText(QString::fromStdString(e.echo->second));
    filling_ = false;
  }
  emit edited(e.area.width, e.area.height, e.area.angle);
}

void CHeaderBlock::spin(HeaderField field, bool up) {
  const auto text = spin_text(doc_, field, box(field)->text().toStdString(), up);
  if (text) {
    box(field)->setText(QString::fromStdString(*text));
    apply(field, box(field)->text());  // as a change of the box
  }
  emit focus_view();
}

}  // namespace lumetch
