#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <string>

#include "commands/page_table.h"
#include "marker/pen_emitter.h"
#include "model/cketral_doc.h"
#include "platform/operator.h"

class QAbstractButton;
class QLineEdit;
class QPlainTextEdit;
class QVBoxLayout;

namespace lumetch {

// What the window lends the pages' own code: the operator's dialogs, the
// marker port and the status bar.
struct PageServices {
  std::function<Operator&()> op;
  // Runs `work` with a pen on the window's marker port; false when the port
  // could not be used (the reason is already shown).
  std::function<bool(const std::function<void(PenEmitter&)>& work)> with_pen;
  std::function<void(const QString&)> status;
};

// One property page, built from its table: a box with spin buttons per
// number, tick boxes, radio groups, drop-down lists, text boxes and buttons.
// Every change is applied at once through the table; what the page shows is
// refreshed from the document after every change, except a box the operator
// is typing into, so nothing typed is overwritten.
class CPropertyPage : public QWidget {
  Q_OBJECT

 public:
  CPropertyPage(CketralDoc& doc, PageId id, QWidget* parent = nullptr);

  PageId id() const { return id_; }
  CketralDoc& doc() { return doc_; }

  // The controls by number ("c<id>"; radio i of a group is id + i).
  QLineEdit* box(int32_t id) const;
  QPlainTextEdit* text_box(int32_t id) const;
  QAbstractButton* button(int32_t id) const;
  // What control `id` holds now, as the table reads it (UTF-8).
  std::string control_text(int32_t id) const;

  // Writes every control from the document.
  void fill();
  // Rewrites the controls whose value in the document changed since they
  // were last written.
  void refresh();
  // A spin button of box `id`.
  void spin(int32_t id, bool up);

  // Room for a page's own widgets above and below the table's controls.
  QVBoxLayout* top_area() const { return top_; }
  QVBoxLayout* bottom_area() const { return bottom_; }

 signals:
  // A change was applied; the view repaints what `repaint` says.
  void edited(PageRepaint repaint, double width, double height, double angle);
  // Before a change that moves the scanning-area outline.
  void scan_area_changing();
  void refused(const QString& text);
  // A button, or a spin step the page's own code acts on.
  void action(int32_t id);
  void focus_view();
  // refresh() has run: what the page draws of its own may have changed.
  void refreshed();

 private:
  void build();
  void changed(int32_t id, const std::string& text);
  void show_value(const PageRow& row, const std::string& text);

  CketralDoc& doc_;
  PageId id_;
  QVBoxLayout* top_ = nullptr;
  QVBoxLayout* bottom_ = nullptr;
  std::map<int32_t, QWidget*> controls_;
  std::map<int32_t, std::string> shown_;  // what each control was last written with
  bool filling_ = false;                  // the page writes its controls: not a change
  int32_t applying_ = 0;                  // the control whose change is being applied
};

}  // namespace lumetch
