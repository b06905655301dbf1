#include "geometry/glyph_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/glyph_words.h"
#include "model/cketral_doc.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// A glyph file of one outline character (a triangle) whose xmin and xmax
// are given: the same size whatever the values.
void write_glyph_file(const fs::path& path, uint16_t xmin, uint16_t xmax) {
  test::write_words(path, {1, kGlyphOutline, 8, 0, 8, xmin, xmax, 0, 3, xmin, 100, xmax, 100,
                           xmin, 100, 0});
}

int first_xmin(const std::shared_ptr<const GlyphFile>& file) {
  return file && !file->glyphs.empty() ? file->glyphs[0].xmin : -1;
}

TEST(GlyphCache, NoticesRewrittenAndRemovedFiles) {
  test::TempDir dir;
  const fs::path path = dir.file("text1.txt");
  GlyphCache cache;
  write_glyph_file(path, 10, 60);
  const auto first = cache.get(path);
  EXPECT_EQ(first_xmin(first), 10);
  EXPECT_EQ(cache.get(path), first) << "an unchanged file is not read again";

  // Same size and, set back by hand, the same modification time.
  const fs::file_time_type stamp = fs::last_write_time(path);
  write_glyph_file(path, 20, 70);
  fs::last_write_time(path, stamp);
  EXPECT_EQ(first_xmin(cache.get(path)), 20);
  EXPECT_EQ(first_xmin(first), 10) << "a file handed out stays as it was";

  fs::remove(path);
  EXPECT_EQ(cache.get(path), nullptr);
  EXPECT_EQ(cache.entries(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
  // A damaged file reads as missing.
  std::ofstream(path, std::ios::binary) << "x";
  EXPECT_EQ(cache.get(path), nullptr);
  write_glyph_file(path, 30, 80);
  EXPECT_EQ(first_xmin(cache.get(dir.path() / "." / "text1.txt")), 30);
  EXPECT_TRUE(cache.contains(path)) << "two spellings of one path share an entry";
}

TEST(GlyphCache, WritingAGlyphFileDropsItsEntry) {
  test::TempDir dir;
  test::SquareFonts fonts;
  CketralDoc doc;
  doc.font_engine = &fonts;
  const fs::path path = dir.file("text1.txt");
  ASSERT_TRUE(WriteGlyphFile(doc, "A", path));
  const auto a = glyph_cache().get(path);
  ASSERT_NE(a, nullptr);
  // "B" has the file size of "A": only the writer's word tells the cache.
  ASSERT_TRUE(WriteGlyphFile(doc, "B", path));
  EXPECT_FALSE(glyph_cache().contains(path));
  const auto b = glyph_cache().get(path);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->glyphs[0].xmax - a->glyphs[0].xmax, 1);
  // An empty text removes the file.
  ASSERT_TRUE(WriteGlyphFile(doc, "", path));
  EXPECT_FALSE(glyph_cache().contains(path));
  EXPECT_EQ(glyph_cache().get(path), nullptr);
}

TEST(GlyphCache, KeepsItsLimitDroppingTheLeastRecentlyUsed) {
  test::TempDir dir;
  const fs::path a = dir.file("a.txt"), b = dir.file("b.txt"), c = dir.file("c.txt");
  for (const fs::path& p : {a, b, c}) write_glyph_file(p, 10, 60);
  GlyphCache cache;
  ASSERT_NE(cache.get(a), nullptr);
  const std::size_t one = cache.bytes();
  ASSERT_GT(one, 0u);
  cache.set_byte_limit(2 * one + one / 2);
  for (const fs::path& p : {b, a, c}) ASSERT_NE(cache.get(p), nullptr);  // a before c
  EXPECT_TRUE(cache.contains(a));
  EXPECT_FALSE(cache.contains(b));
  EXPECT_TRUE(cache.contains(c));
  EXPECT_LE(cache.bytes(), cache.byte_limit());

  // Lowering the limit trims at once; a file over the limit is read but not kept.
  cache.set_byte_limit(one / 2);
  EXPECT_EQ(cache.entries(), 0u);
  EXPECT_EQ(first_xmin(cache.get(b)), 10);
  EXPECT_EQ(cache.entries(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
}

}  // namespace
}  // namespace lumetch
