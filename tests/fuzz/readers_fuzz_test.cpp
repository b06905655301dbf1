// Every reader of outside data, fed damaged variants of valid input and
// random bytes. Built against the sanitized core: the test fails on any
// out-of-bounds access, overflow, undefined behaviour or leak, and a reader
// that hangs never finishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "entries.h"
#include "geometry/marker_capture.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"
#include "platform/recording_canvas.h"
#include "platform/scripted_operator.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// Damaged variants of a seed: cut short, bytes changed, numbers swapped for
// extreme ones, lines repeated, or plain random bytes.
class Mutator {
 public:
  explicit Mutator(uint32_t seed) : rng_(seed) {}

  std::string operator()(const std::string& seed) {
    std::string s = seed;
    const int rounds = pick(1, 4);
    for (int i = 0; i < rounds; ++i) mutate(s);
    return s;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  std::size_t at(const std::string& s) {
    return s.empty() ? 0 : static_cast<std::size_t>(pick(0, static_cast<int>(s.size()) - 1));
  }

  void mutate(std::string& s) {
    static const char* const kExtremes[] = {"99999999999", "-2147483649", "2147483647", "-1",
                                            "1e308",       "nan",         "inf",        "0",
                                            "65535",       "4294967295",  ",,,",        "\t"};
    switch (pick(0, 5)) {
      case 0:
        s.resize(at(s));
        break;
      case 1:
        for (int n = pick(1, 8); n > 0 && !s.empty(); --n)
          s[at(s)] = static_cast<char>(pick(0, 255));
        break;
      case 2:
        if (!s.empty()) {
          const std::size_t start = at(s);
          const std::size_t len = static_cast<std::size_t>(pick(1, 6));
          s.replace(start, len, kExtremes[pick(0, 11)]);
        }
        break;
      case 3:
        if (!s.empty()) {
          const std::size_t start = at(s);
          s.insert(start, s.substr(start, static_cast<std::size_t>(pick(1, 200))));
        }
        break;
      case 4:
        s.insert(at(s), std::string(static_cast<std::size_t>(pick(1, 5000)), 'A'));
        break;
      default: {
        std::string junk(static_cast<std::size_t>(pick(0, 300)), '\0');
        for (char& c : junk) c = static_cast<char>(pick(0, 255));
        s = junk;
        break;
      }
    }
  }

  std::mt19937 rng_;
};

// Damaged variants of every seed of every fuzz target, through the target's
// own entry body: its round-trip rules hold for them as for the seeds.
TEST(ReaderFuzz, DamagedSeedsOfEveryTarget) {
  namespace fs = std::filesystem;
  for (const fuzz::Target& t : fuzz::targets()) {
    const fs::path corpus = fs::path(LUMETCH_FUZZ_CORPUS) / std::string(t.name);
    ASSERT_TRUE(fs::is_directory(corpus)) << t.name;
    std::vector<fs::path> seeds;
    for (const fs::directory_entry& e : fs::directory_iterator(corpus)) seeds.push_back(e.path());
    std::sort(seeds.begin(), seeds.end());  // the same variants on every run
    Mutator mutate(12345);
    for (const fs::path& path : seeds) {
      std::ifstream in(path, std::ios::binary);
      const std::string seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      for (int i = 0; i < 60; ++i) {
        const std::string bytes = mutate(seed);
        ASSERT_EQ(t.entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
            << path;
      }
    }
  }
}

// The entries read in memory; the imports that go through files on disk
// (a plot's stroke files, a bitmap read again at marking) are run here.
template <class Read>
void fuzz_file(const std::string& seed, const char* name, Read read, int rounds = 150) {
  test::TempDir dir;
  Mutator mutate(12345);
  for (int i = 0; i < rounds; ++i) {
    dir.write(name, mutate(seed));
    read(dir.file(name));
  }
}

std::string data_file(const std::string& name) {
  std::ifstream in(std::string(LUMETCH_TEST_DATA) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Draws an imported object on screen, on the raster and on the marker.
void draw_everywhere(MarkObject& obj) {
  test::MarkerCapture m;
  m.doc.settings.mark_num.fill(1);
  RecordingCanvas canvas;
  GeomContext screen{m.doc, nullptr};
  const auto draw = [&obj](GeomContext& g, Canvas* dc) {
    (obj.type == PLT ? DrawPlt : obj.type == BMP ? DrawBmp : DrawVct)(g, dc, obj);
  };
  m.doc.engraving = 0;
  draw(screen, &canvas);
  m.doc.raster_mode = 1;
  draw(screen, &canvas);
  m.doc.raster_mode = 0;
  m.doc.engraving = 1;
  draw(m.g, nullptr);
}

TEST(ReaderFuzz, PlotsImportThroughTheirStrokeFilesAndDraw) {
  fuzz_file(data_file("plt/multi_pen.plt"), "in.plt", [](const std::filesystem::path& path) {
    const PltParse parse = ParsePlt(path, (path.parent_path() / "pen").string());
    if (parse.result != PltParse::kRead) return;
    const auto block = plt_block_from(parse, path.string(), 40);
    if (!block) return;
    MarkObject obj;
    obj.type = PLT;
    obj.width = 20.0;
    obj.height = 10.0;
    obj.params = *block;
    draw_everywhere(obj);
  });
}

TEST(ReaderFuzz, ABitmapThatChangedOnDiskAfterItsLoadDraws) {
  test::TempDir dir;
  dir.write("good.bmp", data_file("bmp/f_bottom_up.bmp"));
  ScriptedOperator op;
  const BmpLoad good = LoadBmp(dir.file("good.bmp"), 40, &op);
  ASSERT_EQ(good.result, BmpLoad::kLoaded);
  fuzz_file(data_file("bmp/f_top_down.bmp"), "in.bmp", [&good](const std::filesystem::path& path) {
    ScriptedOperator quiet;
    LoadBmp(path, 40, &quiet);
    MarkObject obj;
    obj.type = BMP;
    obj.width = obj.height = 2.0;
    BmpBlock b;
    b.source_path = path.string();
    b.width_px = good.width_px;
    b.height_px = good.height_px;
    b.bits_offset = good.bits_offset;
    b.image_width = b.image_height = 2.0;
    obj.params = b;
    draw_everywhere(obj);
  });
}

TEST(ReaderFuzz, TextCodec) {
  Mutator mutate(777);
  const std::string seed = "AB \x82\xA0\x81\x40\xA1\xA1z";
  for (int i = 0; i < 2000; ++i) {
    const std::string s = mutate(seed);
    const int n = CountChars(s);
    EXPECT_EQ(static_cast<int>(char_codes(s).size()), n);
    cp932_to_utf8(s);
    utf8_to_cp932(s);
  }
}

}  // namespace
}  // namespace lumetch
