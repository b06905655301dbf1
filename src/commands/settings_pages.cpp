// The "drawing" pages (mark settings, scanning area, field) and the page of
// several selected objects.

#include "commands/page_rows.h"

namespace lumetch {

std::span<const PageRow> settings_page_rows(PageId /*id*/) {
  return {};
}

}  // namespace lumetch
