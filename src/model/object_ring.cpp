#include "model/object_ring.h"

namespace lumetch {

ObjectRing::ObjectRing() {
  end_.type = NONE;
  head_.type = NONE;
  head_.next = &end_;
  head_.prev = &end_;
  end_.next = &head_;
  end_.prev = &head_;
  current = &end_;
}

ObjectRing::~ObjectRing() {
  clear();
}

MarkObject* ObjectRing::add(std::unique_ptr<MarkObject> record) {
  MarkObject* r = record.release();  // the ring owns it from here on
  r->next = head_.next;
  head_.next->prev = r;
  head_.next = r;
  r->prev = &head_;
  current = r;
  for (MarkObject* o = r->next; o != &end_; o = o->next) o->selected = 0;
  ++size_;
  return r;
}

std::unique_ptr<MarkObject> ObjectRing::unlink(MarkObject* record) {
  if (record == nullptr || record == &head_ || record == &end_) return nullptr;
  record->next->prev = record->prev;
  record->prev->next = record->next;
  if (current == record) current = record->prev;
  record->next = nullptr;
  record->prev = nullptr;
  --size_;
  return std::unique_ptr<MarkObject>(record);
}

void ObjectRing::clear() {
  MarkObject* o = end_.prev;
  while (o != &head_) {
    MarkObject* newer = o->prev;
    unlink(o);  // the returned owner frees it
    o = newer;
  }
  current = &end_;
}

int ObjectRing::index_of(const MarkObject* record) const {
  int k = 1;
  for (const MarkObject& o : oldest_first()) {
    if (&o == record) return k;
    ++k;
  }
  return 0;
}

}  // namespace lumetch
