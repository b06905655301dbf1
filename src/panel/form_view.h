#pragma once

#include <QWidget>

#include <vector>

#include "commands/page_table.h"
#include "model/cketral_doc.h"
#include "panel/property_page.h"

class QLabel;
class QListWidget;
class QGroupBox;
class QTabWidget;

namespace lumetch {

// Title of the property page a selection kind opens with (0 the drawing's
// settings, -1 several objects, 1..12 an object type).
QString page_title(int32_t kind);

// The right pane: the object list and, below it, the frame of the property
// sheet. Choosing a list entry selects its object.
class form_view : public QWidget {
  Q_OBJECT

 public:
  explicit form_view(CketralDoc& doc, QWidget* parent = nullptr);

  QListWidget* object_list() const { return list_; }
  // Rebuilds the list from the document's object list.
  void refresh_list();
  // Shows what the sheet edits for the selection kind.
  void show_kind(int32_t kind);
  QString sheet_text() const;
  // The pages of the selection kind, and one of them by its id (null when
  // it is not shown).
  QTabWidget* pages() const { return pages_; }
  CPropertyPage* page(PageId id) const;
  CPropertyPage* page_at(int index) const;
  // The pages show the document's values again (after an edit made
  // elsewhere: the mouse, the keyboard, undo).
  void refresh_fields();
  // What the window lends the pages' own code.
  void set_services(PageServices services) { services_ = std::move(services); }
  const PageServices& services() const { return services_; }

 signals:
  void edited(PageRepaint repaint, double width, double height, double angle);
  void scan_area_changing();
  void status_message(const QString& text);
  void focus_view();

 private:
  void list_selection_changed(int row);

  CketralDoc& doc_;
  QListWidget* list_ = nullptr;
  QGroupBox* frame_ = nullptr;
  QLabel* sheet_ = nullptr;
  QTabWidget* pages_ = nullptr;
  std::vector<CPropertyPage*> shown_;
  PageServices services_;
  bool filling_ = false;  // list rebuilt by the program, not chosen by the operator
};

}  // namespace lumetch
