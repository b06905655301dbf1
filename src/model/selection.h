#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "model/mark_object.h"

namespace lumetch {

// Which objects are selected and which one is current (the one the property
// pages and the dialogs edit). The one record of it: the object list's row,
// the selection kind and the view's marks are derived from it.
class Selection {
 public:
  static Selection only(ObjectId id) {
    Selection s;
    s.add(id);
    s.current_ = id;
    return s;
  }

  bool contains(ObjectId id) const { return std::binary_search(ids_.begin(), ids_.end(), id); }
  bool empty() const { return ids_.empty(); }
  std::size_t size() const { return ids_.size(); }
  const std::vector<ObjectId>& ids() const { return ids_; }  // ascending, that is oldest made first
  // Current may be an object that is not selected (after a delete, the oldest
  // remaining one), or none.
  ObjectId current() const { return current_; }

  void add(ObjectId id) {
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (at == ids_.end() || *at != id) ids_.insert(at, id);
  }
  void remove(ObjectId id) {
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (at != ids_.end() && *at == id) ids_.erase(at);
  }
  void clear() { ids_.clear(); }
  void set_current(ObjectId id) { current_ = id; }

  bool operator==(const Selection&) const = default;

 private:
  std::vector<ObjectId> ids_;
  ObjectId current_ = kNoObject;
};

}  // namespace lumetch
