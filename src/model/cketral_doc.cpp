#include "model/cketral_doc.h"

#include <system_error>

namespace lumetch {

void CketralDoc::switch_sheet(int32_t kind) {
  view.selection.selection_kind = kind;
  if (observer != nullptr) observer->sheet_switched(kind);
}

void CketralDoc::notify_list_changed() {
  if (observer != nullptr) observer->list_changed();
}

void CketralDoc::invalidate_selection(double width, double height, double angle) {
  if (observer != nullptr) observer->invalidate_selection(width, height, angle);
}

void CketralDoc::invalidate_all() {
  if (observer != nullptr) observer->invalidate_all();
}

void CketralDoc::update_screen_rect(MarkObject& obj) const {
  obj.screen_rect = compute_screen_rect(obj, view.zoom(), view.origin_x, view.origin_y);
}

void release_resources(MarkObject& obj) {
  std::string_view glyph_file;
  if (const auto* p = obj.block<LineTextParams>()) glyph_file = p->glyph_file;
  if (const auto* p = obj.block<ArcTextParams>()) glyph_file = p->glyph_file;
  std::error_code ec;  // a file already gone is fine
  if (!glyph_file.empty()) std::filesystem::remove(std::filesystem::path(glyph_file), ec);
  if (const auto* p = obj.block<PltBlock>()) {
    for (std::size_t i = 0; i < p->pen_file.size(); ++i) {
      if (p->pen_used[i] != 0 && !p->pen_file[i].empty()) {
        std::filesystem::remove(std::filesystem::path(p->pen_file[i]), ec);
      }
    }
  }
}

void delete_objects(CketralDoc& doc, bool all) {
  ObjectRing& ring = doc.ring;
  int k = 1;
  MarkObject* o = ring.oldest();
  while (o != ring.head()) {
    if (!all && o->selected == 0) {
      o = o->prev;
      ++k;
      continue;
    }
    release_resources(*o);
    MarkObject* newer = o->prev;
    ring.unlink(o);  // frees the record and its block
    ring.current = newer;
    doc.object_list.remove(k);
    o = newer;  // the following object now holds index k
  }
  ring.current = ring.end()->prev;
  doc.switch_sheet(0);
  doc.object_list.select(0);
  doc.notify_list_changed();
}

void select_list_entry(CketralDoc& doc, int index) {
  ObjectRing& ring = doc.ring;
  if (index < 0 || index >= doc.object_list.size() ||
      static_cast<std::size_t>(index) > ring.size()) {
    return;
  }
  if (doc.view.selection.selection_kind == -1) {
    for (MarkObject& o : ring.oldest_first()) o.selected = 0;
  } else if (ring.current != nullptr) {
    ring.current->selected = 0;
  }
  MarkObject* chosen = ring.end();
  for (int i = 0; i < index; ++i) chosen = chosen->prev;
  ring.current = chosen;
  // The end sentinel (entry 0) stands for the drawing, never a selection.
  if (index > 0) chosen->selected = 1;
  doc.object_list.select(index);
  doc.switch_sheet(index > 0 ? static_cast<int32_t>(chosen->type) : 0);
  doc.invalidate_all();
}

}  // namespace lumetch
