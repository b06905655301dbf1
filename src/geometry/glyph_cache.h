#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "geometry/glyph_file.h"

namespace lumetch {

// Glyph files read back and kept parsed, so a repaint does not read and parse
// every text's file again. Each lookup checks the file on disk (one stat):
// a file whose size, modification time (nanoseconds), change time or inode
// differs from the cached one is read again, and a file that is gone reads
// as missing. A rewrite that keeps all of those (same size within the file
// system's timestamp granularity) is caught only through forget(), which the
// glyph-file writer calls for every path it writes or removes.
//
// Entries are dropped least recently used first once their total size passes
// the byte limit; a file larger than the limit is returned but not kept.
// Files handed out stay valid after eviction or forget (shared ownership).
//
// Not thread-safe: the program draws and writes glyph files on one thread.
class GlyphCache {
 public:
  static constexpr std::size_t kDefaultByteLimit = std::size_t{64} << 20;

  explicit GlyphCache(std::size_t byte_limit = kDefaultByteLimit) : limit_(byte_limit) {}

  // The file at `path` as ReadGlyphFile reads it; null when it cannot be read.
  std::shared_ptr<const GlyphFile> get(const std::filesystem::path& path);
  // Drops the entry of `path`: its file was written or removed.
  void forget(const std::filesystem::path& path);
  void clear();
  // Whether `path` has an entry (for tests and diagnostics; no stat).
  bool contains(const std::filesystem::path& path) const;

  void set_byte_limit(std::size_t byte_limit);
  std::size_t byte_limit() const { return limit_; }
  // Estimated memory held by the entries, and their number.
  std::size_t bytes() const { return bytes_; }
  std::size_t entries() const { return index_.size(); }

 private:
  // What one stat tells about a file; equal stamps mean unchanged contents
  // unless the file was rewritten within the timestamp granularity.
  struct Stamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modified_ns = 0;
    int64_t changed_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Entry {
    std::string key;
    Stamp stamp;
    std::shared_ptr<const GlyphFile> file;
    std::size_t bytes = 0;
  };
  using Lru = std::list<Entry>;  // most recently used first

  static bool stat_file(const std::string& key, Stamp& stamp);
  void erase(Lru::iterator it);
  void trim();

  std::size_t limit_;
  std::size_t bytes_ = 0;
  Lru lru_;
  std::unordered_map<std::string, Lru::iterator> index_;
};

// The program's cache, used by the text generators and told by the writer.
GlyphCache& glyph_cache();

}  // namespace lumetch
