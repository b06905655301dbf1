#include "model/object_list.h"

#include <cstdint>

namespace lumetch {

void ObjectList::remove(int index) {
  if (index <= 0 || index >= size()) return;
  entries_.erase(entries_.begin() + index);
  if (selection_ >= size()) selection_ = size() - 1;
}

void ObjectList::reset() {
  entries_.assign(1, "drawing");
  selection_ = 0;
}

void ObjectList::select(int index) {
  if (index >= 0 && index < size()) selection_ = index;
}

std::string next_object_name(const ObjectList& list, std::string_view prefix) {
  // Numbers are read as leading digits only; a name without digits counts as 0.
  // Very long digit runs saturate rather than overflow.
  constexpr int64_t kLimit = 999'999'999'999;
  int64_t n = 0;
  const std::string_view key = prefix.substr(0, 2);
  for (const std::string& entry : list.entries()) {
    if (entry.size() < key.size() || std::string_view(entry).substr(0, key.size()) != key) {
      continue;
    }
    int64_t value = 0;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
      const char c = entry[i];
      if (c < '0' || c > '9') break;
      value = value >= kLimit ? kLimit : value * 10 + (c - '0');
    }
    n = value;
  }
  return std::string(prefix) + std::to_string(n + 1);
}

}  // namespace lumetch
