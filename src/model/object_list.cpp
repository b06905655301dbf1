#include "model/object_list.h"

#include <cstdint>

namespace lumetch {

std::vector<std::string> ObjectList::entries() const {
  std::vector<std::string> out;
  out.reserve(ring_.size() + 1);
  out.emplace_back("drawing");
  for (const MarkObject& o : ring_.oldest_first()) out.push_back(o.name);
  return out;
}

std::string ObjectList::at(int index) const {
  if (index == 0) return "drawing";
  int k = 1;
  for (const MarkObject& o : ring_.oldest_first()) {
    if (k++ == index) return o.name;
  }
  return {};
}

int ObjectList::selection() const {
  if (selection_.size() != 1) return 0;
  const MarkObject* only = ring_.find(selection_.ids().front());
  return only == nullptr ? 0 : ring_.index_of(only);
}

namespace {

// Numbers are read as leading digits only; a name without digits counts as 0.
// Very long digit runs saturate rather than overflow.
bool matches(std::string_view entry, std::string_view key) {
  return entry.size() >= key.size() && entry.substr(0, key.size()) == key;
}

std::string name_after(std::string_view entry, std::string_view prefix) {
  constexpr int64_t kLimit = 999'999'999'999;
  int64_t value = 0;
  for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
    const char c = entry[i];
    if (c < '0' || c > '9') break;
    value = value >= kLimit ? kLimit : value * 10 + (c - '0');
  }
  return std::string(prefix) + std::to_string(value + 1);
}

}  // namespace

// Only the last matching entry counts: the search runs from the end, so that
// naming the objects of a big layout one by one stays linear.
std::string next_object_name(const std::vector<std::string>& entries, std::string_view prefix) {
  const std::string_view key = prefix.substr(0, 2);
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (matches(*it, key)) return name_after(*it, prefix);
  }
  return std::string(prefix) + "1";
}

std::string next_object_name(const ObjectList& list, std::string_view prefix) {
  return list.next_name(prefix);
}

std::string ObjectList::next_name(std::string_view prefix) const {
  const std::string_view key = prefix.substr(0, 2);
  // Newest first, from the head sentinel towards the oldest object.
  for (const MarkObject* o = ring_.head()->next; o != nullptr && o != ring_.end(); o = o->next) {
    if (matches(o->name, key)) return name_after(o->name, prefix);
  }
  // "drawing" is entry 0 and takes part like any other entry.
  if (matches("drawing", key)) return name_after("drawing", prefix);
  return std::string(prefix) + "1";
}

}  // namespace lumetch
