#include "panel/page_extras.h"

#include "commands/shape_pages.h"

namespace lumetch {

void add_page_extras(CPropertyPage& page, const PageServices& services) {
  switch (page.id()) {
    case PageId::LineText:
    case PageId::ArcText:
    case PageId::PerWord:
      add_text_page_extras(page, services);
      break;
    case PageId::Mark:
    case PageId::Scan:
    case PageId::Locate:
    case PageId::Group:
      add_drawing_page_extras(page, services);
      break;
    default:
      add_shape_page_extras(page, services);
      break;
  }
}

void add_shape_page_extras(CPropertyPage& page, const PageServices& services) {
  if (page.id() != PageId::Bmp) return;
  QObject::connect(&page, &CPropertyPage::action, &page, [&page, services](int32_t id) {
    if (id != 1135 || !services.op) return;
    const PageEdit e = choose_bmp_file(page.doc(), services.op());
    if (e.applied) emit page.edited(PageRepaint::Selection, e.area.width, e.area.height, e.area.angle);
  });
}

}  // namespace lumetch
