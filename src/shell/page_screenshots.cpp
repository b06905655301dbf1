#include "shell/page_screenshots.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdio>
#include <set>

#include "commands/page_table.h"
#include "panel/form_view.h"
#include "shell/main_frame.h"
#include "view/pick.h"

namespace lumetch {

namespace {

const char* file_name(PageId id) {
  switch (id) {
    case PageId::Mark:
      return "mark";
    case PageId::Scan:
      return "scan";
    case PageId::Locate:
      return "field";
    case PageId::Line:
      return "line";
    case PageId::Rect:
      return "rectangle";
    case PageId::Circle:
      return "circle";
    case PageId::Triangle:
      return "triangle";
    case PageId::Rhombic:
      return "rhombus";
    case PageId::Polygon:
      return "polygon";
    case PageId::Barcode:
      return "barcode";
    case PageId::LineText:
      return "line-text";
    case PageId::ArcText:
      return "arc-text";
    case PageId::PerWord:
      return "single-character";
    case PageId::Plt:
      return "plt";
    case PageId::Bmp:
      return "bmp";
    case PageId::Vct:
      return "vct";
    case PageId::Group:
      return "group";
    case PageId::Code:
      return "code";
  }
  return "page";
}

}  // namespace

bool save_page_screenshots(CMainFrame& frame, CketralDoc& doc, const QString& dir) {
  QDir().mkpath(dir);
  bool ok = true;
  // Every tab of the sheet as it stands.
  const auto shoot = [&](int32_t kind) {
    QTabWidget* tabs = frame.form()->pages();
    const std::vector<PageId> ids = pages_for_kind(kind);
    for (int i = 0; i < tabs->count() && i < static_cast<int>(ids.size()); ++i) {
      tabs->setCurrentIndex(i);
      QApplication::processEvents();
      const QString path = dir + "/" + file_name(ids[static_cast<std::size_t>(i)]) + ".png";
      if (!frame.grab().save(path)) {
        std::fprintf(stderr, "lumetch: %s could not be written\n", qPrintable(path));
        ok = false;
      }
    }
  };
  select_list_entry(doc, 0);
  shoot(0);
  std::set<int32_t> done;
  const std::vector<std::string> entries = doc.object_list.entries();
  for (int row = 1; row < static_cast<int>(entries.size()); ++row) {
    select_list_entry(doc, row);
    const MarkObject* o = current_object(doc);
    if (o == nullptr || !done.insert(o->type).second) continue;
    shoot(o->type);
  }
  if (doc.ring.size() > 1) {
    Selection all;
    for (const MarkObject& o : doc.ring.oldest_first()) all.add(o.id);
    all.set_current(doc.ring.oldest_first().begin()->id);
    apply_selection(doc, all);
    shoot(-1);
  }
  return ok;
}

}  // namespace lumetch
