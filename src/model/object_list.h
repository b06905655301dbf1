#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// The object list beside the drawing: entry 0 is "drawing", then one name per
// object in ring order, oldest first. The desktop program shows it.
class ObjectList {
 public:
  ObjectList() : entries_{"drawing"} {}

  const std::vector<std::string>& entries() const { return entries_; }
  int size() const { return static_cast<int>(entries_.size()); }
  const std::string& at(int index) const { return entries_.at(index); }

  void append(std::string name) { entries_.push_back(std::move(name)); }
  // Removes entry `index` (1..size-1); entry 0 always stays.
  void remove(int index);
  // Back to the single "drawing" entry.
  void reset();

  int selection() const { return selection_; }
  void select(int index);

 private:
  std::vector<std::string> entries_;
  int selection_ = 0;
};

// Name for a new object of the given prefix: the prefix followed by one more
// than the number of the last entry (in list order, not the largest) whose
// first two characters match the prefix's.
std::string next_object_name(const ObjectList& list, std::string_view prefix);

}  // namespace lumetch
