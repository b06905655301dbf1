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
template <class Names>
std::string next_name(const Names& names, std::string_view prefix) {
  constexpr int64_t kLimit = 999'999'999'999;
  int64_t n = 0;
  const std::string_view key = prefix.substr(0, 2);
  for (const std::string& entry : names) {
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

}  // namespace

std::string next_object_name(const std::vector<std::string>& entries, std::string_view prefix) {
  return next_name(entries, prefix);
}

std::string next_object_name(const ObjectList& list, std::string_view prefix) {
  return next_name(list.entries(), prefix);
}

}  // namespace lumetch
