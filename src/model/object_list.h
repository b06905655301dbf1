#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/object_ring.h"
#include "model/selection.h"

namespace lumetch {

// The object list beside the drawing: entry 0 is "drawing", then the name of
// every object in ring order, oldest first. It is a view of the ring and the
// selection, never a copy that could disagree with them.
class ObjectList {
 public:
  ObjectList(const ObjectRing& ring, const Selection& selection)
      : ring_(ring), selection_(selection) {}

  std::vector<std::string> entries() const;
  int size() const { return static_cast<int>(ring_.size()) + 1; }
  // Entry `index`; empty outside the list.
  std::string at(int index) const;
  // The row of the one selected object; 0 ("drawing") when none or several
  // are selected.
  int selection() const;
  // next_object_name of this list, without copying it.
  std::string next_name(std::string_view prefix) const;

 private:
  const ObjectRing& ring_;
  const Selection& selection_;
};

// Name for a new object of the given prefix: the prefix followed by one more
// than the number of the last entry (in list order, not the largest) whose
// first two characters match the prefix's.
std::string next_object_name(const std::vector<std::string>& entries, std::string_view prefix);
std::string next_object_name(const ObjectList& list, std::string_view prefix);

}  // namespace lumetch
