#include "model/cketral_doc.h"

#include <vector>

namespace lumetch {

void CketralDoc::switch_sheet(int32_t kind) {
  if (observer != nullptr) observer->sheet_switched(kind);
}

void CketralDoc::notify_list_changed() {
  if (observer != nullptr) observer->list_changed();
}

void CketralDoc::notify(const ChangeNotice& notice) {
  ++notices;
  if (notice.selection || !notice.added.empty() || !notice.removed.empty() || notice.order) {
    switch_sheet(selection_kind(*this));
    notify_list_changed();
  }
  if (observer != nullptr) observer->document_changed(notice);
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

MarkObject* current_object(CketralDoc& doc) {
  return doc.ring.find(doc.selection.current());
}

const MarkObject* current_object(const CketralDoc& doc) {
  return doc.ring.find(doc.selection.current());
}

bool is_selected(const CketralDoc& doc, const MarkObject& obj) {
  return doc.selection.contains(obj.id);
}

int32_t selection_kind(const CketralDoc& doc) {
  if (doc.selection.empty()) return 0;
  if (doc.selection.size() > 1) return -1;
  const MarkObject* only = doc.ring.find(doc.selection.ids().front());
  return only != nullptr ? only->type : 0;
}

void delete_objects(CketralDoc& doc, bool all, const std::string& step_name) {
  Commit commit(doc);
  std::vector<MarkObject*> doomed;
  for (MarkObject& o : doc.ring.oldest_first()) {
    if (all || doc.selection.contains(o.id)) doomed.push_back(&o);
  }
  for (MarkObject* o : doomed) commit.remove(*o);
  doc.selection.clear();
  const MarkObject* oldest = doc.ring.oldest();
  doc.selection.set_current(oldest != doc.ring.head() ? oldest->id : kNoObject);
  const ChangeNotice n = commit.push(step_name);
  // The drawing page even when nothing was there to delete.
  if (!n.selection && n.removed.empty()) {
    doc.switch_sheet(0);
    doc.notify_list_changed();
  }
}

void select_list_entry(CketralDoc& doc, int index) {
  if (index < 0 || index >= doc.object_list.size()) return;
  Commit commit(doc);
  MarkObject* chosen = doc.ring.end();
  for (int i = 0; i < index; ++i) chosen = chosen->prev;
  // Entry 0 stands for the drawing, never a selection.
  doc.selection = index > 0 ? Selection::only(chosen->id) : Selection{};
  const ChangeNotice n = commit.push("Select");
  if (!n.selection) {
    doc.switch_sheet(selection_kind(doc));
    doc.notify_list_changed();
  }
  doc.invalidate_all();
}

}  // namespace lumetch
