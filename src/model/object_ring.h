#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/mark_object.h"

namespace lumetch {

// All objects of the open layout, newest next to the head sentinel, oldest
// next to the end sentinel. Ring order (oldest first) is the order of
// drawing, marking, saving and listing.
class ObjectRing {
 public:
  ObjectRing();
  ~ObjectRing();
  ObjectRing(const ObjectRing&) = delete;
  ObjectRing& operator=(const ObjectRing&) = delete;

  MarkObject* head() { return &head_; }
  MarkObject* end() { return &end_; }
  const MarkObject* head() const { return &head_; }
  const MarkObject* end() const { return &end_; }

  bool is_empty() const { return head_.next == &end_; }
  std::size_t size() const { return size_; }
  // Oldest object, or the head sentinel when empty.
  MarkObject* oldest() { return end_.prev; }

  // Links a fully initialised record right after the head (the newest
  // place). A record without an id gets a new one; a record whose id is
  // already linked is refused (null).
  MarkObject* add(std::unique_ptr<MarkObject> record);

  // Takes a record out of the ring and hands it back.
  std::unique_ptr<MarkObject> unlink(MarkObject* record);

  // Removes and frees every object.
  void clear();

  // 1-based position counted from the oldest object (the object-list index), 0 when absent.
  int index_of(const MarkObject* record) const;

  // The linked object of an id, null when there is none.
  MarkObject* find(ObjectId id);
  const MarkObject* find(ObjectId id) const;

  // The ids oldest first; reorder() relinks the objects in the order given,
  // which must name every linked object once.
  std::vector<ObjectId> order() const;
  bool reorder(const std::vector<ObjectId>& ids);

  // Walk oldest first: for (MarkObject& o : ring.oldest_first()).
  template <class Obj>
  class Iterator {
   public:
    explicit Iterator(Obj* at) : at_(at) {}
    Obj& operator*() const { return *at_; }
    Obj* operator->() const { return at_; }
    Iterator& operator++() {
      at_ = at_->prev;
      return *this;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    Obj* at_;
  };
  template <class Obj>
  struct Range {
    Obj* first;
    Obj* stop;
    Iterator<Obj> begin() const { return Iterator<Obj>(first); }
    Iterator<Obj> end() const { return Iterator<Obj>(stop); }
  };
  Range<MarkObject> oldest_first() { return {end_.prev, &head_}; }
  Range<const MarkObject> oldest_first() const { return {end_.prev, &head_}; }

 private:
  void link_newest(MarkObject* r);

  MarkObject head_;
  MarkObject end_;
  std::size_t size_ = 0;
  std::unordered_map<ObjectId, MarkObject*> by_id_;
};

}  // namespace lumetch
