#include "view/scene_cache.h"

#include <algorithm>

namespace lumetch {

namespace {

std::size_t image_bytes(const QImage& img) {
  return static_cast<std::size_t>(img.sizeInBytes());
}

}  // namespace

SceneCache::Entry* SceneCache::find(const SceneKey& key, const QRect& needed) {
  for (Entry& e : entries_) {
    if (e.key == key && e.area.contains(needed)) {
      e.used = ++clock_;
      return &e;
    }
  }
  return nullptr;
}

SceneCache::Entry* SceneCache::current(const SceneKey& key) {
  Entry* best = nullptr;
  for (Entry& e : entries_) {
    if (e.key == key && (best == nullptr || e.used > best->used)) best = &e;
  }
  return best;
}

SceneCache::Entry& SceneCache::insert(Entry e) {
  entries_.remove_if([&](const Entry& old) { return old.key == e.key; });
  e.used = ++clock_;
  entries_.push_front(std::move(e));
  Entry& kept = entries_.front();
  trim(&kept);
  return kept;
}

void SceneCache::drop_all_but(const Entry* keep) {
  entries_.remove_if([&](const Entry& e) { return &e != keep; });
}

std::size_t SceneCache::bytes() const {
  std::size_t n = 0;
  for (const Entry& e : entries_) n += image_bytes(e.image);
  return n;
}

void SceneCache::trim(const Entry* keep) {
  while (bytes() > limit_ && entries_.size() > 1) {
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (&*it == keep) continue;
      if (oldest == entries_.end() || it->used < oldest->used) oldest = it;
    }
    if (oldest == entries_.end()) break;
    entries_.erase(oldest);
  }
}

}  // namespace lumetch
