#include "geometry/glyph_cache.h"

#include <sys/stat.h>

#include <iterator>
#include <optional>
#include <utility>

namespace lumetch {

namespace {

// Bookkeeping of one entry besides the glyphs: list node, map slot, key.
constexpr std::size_t kEntryOverhead = 160;

std::size_t estimated_bytes(const std::string& key, const GlyphFile& file) {
  std::size_t n = kEntryOverhead + key.capacity() + sizeof(GlyphFile) +
                  file.glyphs.capacity() * sizeof(GlyphFile::Glyph);
  for (const GlyphFile::Glyph& g : file.glyphs) n += g.data.capacity() * sizeof(uint16_t);
  return n;
}

// Spellings such as "a//b.txt" and "a/./b.txt" name one entry.
std::string key_of(const std::filesystem::path& path) {
  return path.lexically_normal().string();
}

}  // namespace

bool GlyphCache::stat_file(const std::string& key, Stamp& stamp) {
  struct stat st {};
  if (::stat(key.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  constexpr int64_t kNs = 1000000000;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.size = static_cast<int64_t>(st.st_size);
  stamp.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * kNs + st.st_mtim.tv_nsec;
  stamp.changed_ns = static_cast<int64_t>(st.st_ctim.tv_sec) * kNs + st.st_ctim.tv_nsec;
  return true;
}

std::shared_ptr<const GlyphFile> GlyphCache::get(const std::filesystem::path& path) {
  const std::string key = key_of(path);
  const auto found = index_.find(key);
  Stamp stamp;
  if (!stat_file(key, stamp)) {
    // Gone, or no regular file: nothing is kept, and the reader decides.
    if (found != index_.end()) erase(found->second);
    std::optional<GlyphFile> file = ReadGlyphFile(path);
    if (!file) return nullptr;
    return std::make_shared<const GlyphFile>(std::move(*file));
  }
  if (found != index_.end()) {
    const Lru::iterator it = found->second;
    if (it->stamp == stamp) {
      lru_.splice(lru_.begin(), lru_, it);
      return it->file;
    }
    erase(it);
  }
  // Stamped before reading: a change during the read makes the next lookup
  // see a new stamp and read again, never keep stale contents.
  std::optional<GlyphFile> read = ReadGlyphFile(path);
  if (!read) return nullptr;
  auto file = std::make_shared<const GlyphFile>(std::move(*read));
  const std::size_t size = estimated_bytes(key, *file);
  if (size > limit_) return file;
  lru_.push_front(Entry{key, stamp, file, size});
  index_.emplace(key, lru_.begin());
  bytes_ += size;
  trim();
  return file;
}

void GlyphCache::forget(const std::filesystem::path& path) {
  const auto found = index_.find(key_of(path));
  if (found != index_.end()) erase(found->second);
}

bool GlyphCache::contains(const std::filesystem::path& path) const {
  return index_.contains(key_of(path));
}

void GlyphCache::clear() {
  index_.clear();
  lru_.clear();
  bytes_ = 0;
}

void GlyphCache::set_byte_limit(std::size_t byte_limit) {
  limit_ = byte_limit;
  trim();
}

void GlyphCache::erase(Lru::iterator it) {
  bytes_ -= it->bytes;
  index_.erase(it->key);
  lru_.erase(it);
}

void GlyphCache::trim() {
  while (bytes_ > limit_ && !lru_.empty()) erase(std::prev(lru_.end()));
}

GlyphCache& glyph_cache() {
  static GlyphCache cache;
  return cache;
}

}  // namespace lumetch
