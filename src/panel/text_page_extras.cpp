// The text pages' own widgets: the "確定" button's code and the list of
// characters of the single-character page.

#include <QEvent>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStringList>
#include <QVBoxLayout>

#include <functional>
#include <string>
#include <utility>

#include "commands/text_pages.h"
#include "panel/page_extras.h"
#include "panel/ui_text.h"

namespace lumetch {

namespace {

// Runs `work` each time the watched widget is shown.
class OnShow : public QObject {
 public:
  OnShow(QObject* parent, std::function<void()> work) : QObject(parent), work_(std::move(work)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) work_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> work_;
};

void add_confirm(CPropertyPage& page) {
  const bool line = page.id() == PageId::LineText;
  QObject::connect(&page, &CPropertyPage::action, &page, [&page, line](int32_t id) {
    if (id != 1080) return;
    const std::string typed = page.control_text(line ? 1110 : 1109);
    const PageEdit e =
        line ? confirm_line_text(page.doc(), typed) : confirm_arc_text(page.doc(), typed);
    // A refusal keeps what was typed in the box, to be corrected.
    if (!e.status.empty()) emit page.refused(ui_text(e.status));
    if (!e.applied) return;
    page.refresh();
    emit page.edited(PageRepaint::Selection, e.area.width, e.area.height, e.area.angle);
  });
}

void add_character_list(CPropertyPage& page) {
  auto* list = new QListWidget(&page);
  list->setObjectName("char_list");
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setMaximumHeight(110);
  page.top_area()->addWidget(list);

  // The list follows the text: refilled only when its characters changed,
  // and the chosen character selected.
  const auto follow = [&page, list] {
    QStringList entries;
    for (const std::string& c : text_characters(page.doc())) entries << QString::fromStdString(c);
    const QSignalBlocker quiet(list);
    bool same = list->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i) same = list->item(i)->text() == entries[i];
    if (!same) {
      list->clear();
      list->addItems(entries);
    }
    const int row = entries.isEmpty() ? -1 : chosen_character(page.doc());
    if (list->currentRow() != row) list->setCurrentRow(row);
  };
  follow();
  QObject::connect(&page, &CPropertyPage::refreshed, list, follow);
  page.installEventFilter(new OnShow(list, follow));
  QObject::connect(list, &QListWidget::currentRowChanged, &page, [&page](int row) {
    if (row < 0) return;
    choose_character(page.doc(), row);
    page.refresh();  // the boxes show the chosen character's record
  });
}

}  // namespace

void add_text_page_extras(CPropertyPage& page, const PageServices& /*services*/) {
  switch (page.id()) {
    case PageId::LineText:
    case PageId::ArcText:
      add_confirm(page);
      break;
    case PageId::PerWord:
      add_character_list(page);
      break;
    default:
      break;
  }
}

}  // namespace lumetch
