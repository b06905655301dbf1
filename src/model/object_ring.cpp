#include "model/object_ring.h"

#include <algorithm>

namespace lumetch {

ObjectRing::ObjectRing() {
  end_.type = NONE;
  head_.type = NONE;
  head_.next = &end_;
  head_.prev = &end_;
  end_.next = &head_;
  end_.prev = &head_;
}

ObjectRing::~ObjectRing() {
  clear();
}

void ObjectRing::link_newest(MarkObject* r) {
  r->next = head_.next;
  head_.next->prev = r;
  head_.next = r;
  r->prev = &head_;
}

MarkObject* ObjectRing::add(std::unique_ptr<MarkObject> record) {
  if (record == nullptr) return nullptr;
  if (record->id == kNoObject) record->id = new_object_id();
  if (by_id_.count(record->id) != 0) return nullptr;
  MarkObject* r = record.release();  // the ring owns it from here on
  link_newest(r);
  by_id_.emplace(r->id, r);
  ++size_;
  return r;
}

std::unique_ptr<MarkObject> ObjectRing::unlink(MarkObject* record) {
  if (record == nullptr || record == &head_ || record == &end_) return nullptr;
  record->next->prev = record->prev;
  record->prev->next = record->next;
  record->next = nullptr;
  record->prev = nullptr;
  by_id_.erase(record->id);
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
}

int ObjectRing::index_of(const MarkObject* record) const {
  int k = 1;
  for (const MarkObject& o : oldest_first()) {
    if (&o == record) return k;
    ++k;
  }
  return 0;
}

MarkObject* ObjectRing::find(ObjectId id) {
  const auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : it->second;
}

const MarkObject* ObjectRing::find(ObjectId id) const {
  const auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : it->second;
}

std::vector<ObjectId> ObjectRing::order() const {
  std::vector<ObjectId> ids;
  ids.reserve(size_);
  for (const MarkObject& o : oldest_first()) ids.push_back(o.id);
  return ids;
}

bool ObjectRing::reorder(const std::vector<ObjectId>& ids) {
  if (ids.size() != size_) return false;
  std::vector<ObjectId> sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
  std::vector<MarkObject*> records;
  records.reserve(ids.size());
  for (ObjectId id : ids) {
    MarkObject* r = find(id);
    if (r == nullptr) return false;
    records.push_back(r);
  }
  head_.next = &end_;
  end_.prev = &head_;
  // Oldest first: each one linked as the newest so far.
  for (MarkObject* r : records) link_newest(r);
  return true;
}

}  // namespace lumetch
