#include "panel/form_view.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "model/mark_object.h"
#include "panel/page_extras.h"
#include "panel/ui_text.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString page_title(int32_t kind) {
  switch (kind) {
    case 0:
      return ui_text("データ設定");
    case -1:
      return ui_text("プロパティ");
    case LINE:
      return ui_text("直線のプロパティ");
    case RECTANGLE:
      return ui_text("四角形のプロパティ");
    case CIRCLE:
      return ui_text("円形のプロパティ");
    case LINE_TEXT:
      return ui_text("直線文字列のプロパティ");
    case PLT:
      return ui_text("PLTのプロパティ");
    case ARC_TEXT:
      return ui_text("回し文字のプロパティ");
    case BMP:
      return ui_text("Bmpのプロパティ");
    case TRIANGLE:
      return ui_text("三角形のプロパティ");
    case RHOMBIC:
      return ui_text("菱形のプロパティ");
    case POLYGON:
      return ui_text("多角形のプロパティ");
    case BARCODE:
      return ui_text("Barcode Property");
    case VCT:
      return ui_text("VCTのプロパティ");
    case CODE:
      return ui_text("コードのプロパティ");
    default:
      return {};
  }
}

form_view::form_view(CketralDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName("object_list");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMaximumHeight(120);
  frame_ = new QGroupBox(this);
  frame_->setObjectName("sheet_frame");
  auto* inner = new QVBoxLayout(frame_);
  sheet_ = new QLabel(frame_);
  sheet_->setObjectName("sheet");
  sheet_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  sheet_->setWordWrap(true);
  inner->addWidget(sheet_);
  pages_ = new QTabWidget(frame_);
  pages_->setObjectName("sheet_pages");
  inner->addWidget(pages_, 1);
  layout->addWidget(list_);
  layout->addWidget(frame_, 1);
  connect(list_, &QListWidget::currentRowChanged, this, &form_view::list_selection_changed);
  refresh_list();
  show_kind(selection_kind(doc_));
}

void form_view::refresh_list() {
  filling_ = true;
  list_->clear();
  for (const std::string& name : doc_.object_list.entries()) list_->addItem(qs(name));
  list_->setCurrentRow(doc_.object_list.selection());
  filling_ = false;
}

void form_view::list_selection_changed(int row) {
  if (filling_ || row < 0 || row == doc_.object_list.selection()) return;
  select_list_entry(doc_, row);
}

void form_view::show_kind(int32_t kind) {
  frame_->setTitle(page_title(kind));
  QString text;
  if (kind == 0) {
    text = "drawing\n\n" + ui_text("データ設定") + " / " + ui_text("スキャニングエリア設定") +
           " / " + ui_text("フィールド設定");
  } else if (kind == -1) {
    text = QString("%1 objects selected").arg(doc_.selection.size());
  } else if (const MarkObject* c = current_object(doc_); c != nullptr && c->type == kind) {
    text = QString("%1\n%2").arg(qs(c->name), page_title(kind));
  }
  sheet_->setText(text);

  // The pages are made anew for every selection, so no edit outlives it.
  shown_.clear();
  while (pages_->count() > 0) {
    QWidget* page = pages_->widget(0);
    pages_->removeTab(0);
    delete page;
  }
  const bool object_page = kind > 0 && current_object(doc_) != nullptr;
  if (kind == 0 || kind == -1 || object_page) {
    for (const PageId id : pages_for_kind(kind)) {
      auto* page = new CPropertyPage(doc_, id);
      connect(page, &CPropertyPage::edited, this, &form_view::edited);
      connect(page, &CPropertyPage::scan_area_changing, this, &form_view::scan_area_changing);
      connect(page, &CPropertyPage::refused, this, &form_view::status_message);
      connect(page, &CPropertyPage::focus_view, this, &form_view::focus_view);
      add_page_extras(*page, services_);
      // A page taller than the pane scrolls instead of being cut off.
      auto* scroll = new QScrollArea;
      scroll->setFrameShape(QFrame::NoFrame);
      scroll->setWidgetResizable(true);
      scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      scroll->setWidget(page);
      pages_->addTab(scroll, ui_text(page_def(id).title));
      shown_.push_back(page);
    }
  }
  pages_->setCurrentIndex(0);
}

CPropertyPage* form_view::page_at(int index) const {
  auto* scroll = qobject_cast<QScrollArea*>(pages_->widget(index));
  return scroll != nullptr ? qobject_cast<CPropertyPage*>(scroll->widget()) : nullptr;
}

CPropertyPage* form_view::page(PageId id) const {
  for (CPropertyPage* p : shown_) {
    if (p->id() == id) return p;
  }
  return nullptr;
}

void form_view::refresh_fields() {
  for (CPropertyPage* p : shown_) p->refresh();
}

QString form_view::sheet_text() const {
  return sheet_->text();
}

}  // namespace lumetch
