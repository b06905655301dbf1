// Every reader of files from disk, fed damaged variants of valid input and
// random bytes. Built against the sanitized core: the test fails on any
// out-of-bounds access, overflow, undefined behaviour or leak, and a reader
// that hangs never finishes.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/glyph_words.h"
#include "geometry/marker_capture.h"
#include "geometry/text_shapes.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"
#include "marker/speed_modes.h"
#include "model/defaults_file.h"
#include "model/layout_file.h"
#include "model/settings_file.h"
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

constexpr int kRounds = 300;

// Runs `read` on kRounds damaged variants of each seed written to a file.
template <class Read>
void fuzz_file(const std::vector<std::string>& seeds, const char* name, Read read,
               int rounds = kRounds) {
  test::TempDir dir;
  Mutator mutate(12345);
  for (const std::string& seed : seeds) {
    for (int i = 0; i < rounds; ++i) {
      dir.write(name, mutate(seed));
      read(dir.file(name));
    }
  }
}

const std::string kLayoutSeed =
    "2,1,1,  1.000,  1.000,-25.000, 25.000, 30.000, 20.000,  0.000,0,0,  0.050,0,0,0,0, 30.000, "
    "20.000,  2.000,1,4.00\n"
    "4,1,1,  1.000,  1.000,  0.000, 20.000, 40.000,  6.000,  0.000,0,2,  0.050,0,0,0,0,  1.000,  "
    "4.000,  6.000,  0.000,  0.000,0,3,0,0,0,Arial\t00\x82\xA0\t  1.000,2,2,2,0\n"
    "  1.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000\n"
    "  0.000,  0.000,  0.000,  0.000, 90.000,  0.000,  0.000\n"
    "  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000\n"
    "0,variable,1\n"
    "6,1,1,  1.000,  1.000,  0.000,-10.000, 40.000, 40.000,  0.000,0,0,  0.050,0,0,0,0,  6.000,  "
    "8.000,0, 20.000, 20.000,260.000,  0.000,  0.000,0,0,0,Arial\tA\t  0.000,  0.000,  0.000,  "
    "0.000,  0.000,  0.000,  0.000,\n"
    "11,1,1,  1.000,  1.000,  0.000,-40.000, 40.000, 10.000,  0.000,0,1,  0.050,0,0,0,0, 40.000, "
    "10.000,  0.206,0,0099\n"
    "5,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0,a.plt\n"
    "7,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0,1,b.bmp\n";

TEST(ReaderFuzz, LayoutRecordsAndFiles) {
  fuzz_file({kLayoutSeed}, "in.mrk", [](const std::filesystem::path& path) {
    CketralDoc doc;
    ASSERT_TRUE(open_layout(doc, path).opened());
    // Whatever was read is written as records that read back the same.
    std::string saved;
    for (const MarkObject& o : doc.ring.oldest_first()) saved += format_record(o, false);
    test::TempDir dir;
    dir.write("again.mrk", saved);
    CketralDoc reread;
    const OpenResult r = open_layout(reread, dir.file("again.mrk"));
    EXPECT_EQ(r.objects_read, static_cast<int>(doc.ring.size()));
    EXPECT_EQ(r.lines_skipped, 0);
    std::string twice;
    for (const MarkObject& o : reread.ring.oldest_first()) twice += format_record(o, false);
    EXPECT_EQ(twice, saved);
  });
}

TEST(ReaderFuzz, SettingsScreenAndSpeedModes) {
  const std::string settings = format_settings(MarkSettings{});
  const std::string screen = format_screen_state(ScreenState{});
  fuzz_file({settings, screen, "IN;SP1;:a;\nSP2;:b;\n"}, "file",
            [](const std::filesystem::path& p) {
              MarkSettings s;
              load_settings(p, s);
              ScreenState st;
              load_screen_state(p, st);
              load_speed_modes(p);
            });
}

TEST(ReaderFuzz, GlyphFilesDrawnAsText) {
  // A glyph file of two characters: an outline square and a stroke.
  const std::string seed = test::glyph_bytes(
      {2,   2,   15,  0,   12,  100, 200, 0,   1,   27, 0, 7,   100, 300, 0,   5,   100, 100,
       200, 100, 200, 200, 100, 200, 100, 100, 0,   0,  100, 100, 1,   300, 300, 0,   100, 300});
  fuzz_file({seed}, "txt1.txt", [](const std::filesystem::path& path) {
    CketralDoc doc;
    MarkObject obj;
    obj.type = LINE_TEXT;
    obj.width = 20.0;
    obj.height = 6.0;
    obj.output_mode = 2;
    LineTextParams p;
    p.text = "AB";
    p.line_lengths = {2, 0};
    p.glyph_file = path.string();
    obj.params = p;
    RecordingCanvas canvas;
    GeomContext g{doc, nullptr};
    DrawLineText(g, &canvas, obj);
    obj.type = ARC_TEXT;
    ArcTextParams a;
    a.text = "AB";
    a.glyph_file = path.string();
    obj.params = a;
    DrawArcText(g, &canvas, obj);
  });
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
  m.doc.engraving = 0;
  if (obj.type == PLT) DrawPlt(screen, &canvas, obj);
  if (obj.type == BMP) DrawBmp(screen, &canvas, obj);
  if (obj.type == VCT) DrawVct(screen, &canvas, obj);
  m.doc.raster_mode = 1;
  if (obj.type == BMP) DrawBmp(screen, &canvas, obj);
  m.doc.raster_mode = 0;
  m.doc.engraving = 1;
  if (obj.type == PLT) DrawPlt(m.g, nullptr, obj);
  if (obj.type == BMP) DrawBmp(m.g, nullptr, obj);
  if (obj.type == VCT) DrawVct(m.g, nullptr, obj);
}

TEST(ReaderFuzz, PlotsImportDrawAndPreview) {
  fuzz_file({data_file("plt/multi_pen.plt")}, "in.plt", [](const std::filesystem::path& path) {
    const PltParse parse = ParsePlt(path, (path.parent_path() / "pen").string());
    RecordingCanvas canvas;
    PreviewPlt(canvas, path, 0, 0, 160, 160, kLayerColours);
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

TEST(ReaderFuzz, BitmapsLoadDrawAndPreview) {
  const std::string seed = data_file("bmp/f_bottom_up.bmp");
  test::TempDir dir;
  dir.write("good.bmp", seed);
  ScriptedOperator op;
  BmpLoad good = LoadBmp(dir.file("good.bmp"), 40, &op);
  ASSERT_EQ(good.result, BmpLoad::kLoaded);
  fuzz_file(
      {seed, data_file("bmp/f_top_down.bmp")}, "in.bmp",
      [&good](const std::filesystem::path& path) {
        ScriptedOperator quiet;
        LoadBmp(path, 40, &quiet);
        RecordingCanvas canvas;
        PreviewBmp(canvas, path, 0, 0, 160, 160, 1, quiet);
        // An object loaded from the good file, whose file then changed.
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
      },
      150);
}

TEST(ReaderFuzz, OutlinesReadDrawAndPreview) {
  fuzz_file({data_file("vct/ring.vct"), data_file("vct/square_open.vct")}, "in.vct",
            [](const std::filesystem::path& path) {
              RecordingCanvas canvas;
              PreviewVct(canvas, path, 0, 0, 160, 160);
              const auto header = read_vct_header(path);
              if (!header) return;
              const auto block = vct_block_from(*header, path.string());
              if (!block) return;
              MarkObject obj;
              obj.type = VCT;
              obj.width = obj.height = 10.0;
              obj.output_mode = 2;
              obj.params = *block;
              draw_everywhere(obj);
            });
}

TEST(ReaderFuzz, CreationDefaults) {
  test::TempDir dir;
  CreationDefaults changed;
  changed.line_text.text = "AB\r\n\r\nCD";
  changed.barcode.text = "A,B";
  ASSERT_TRUE(save_defaults(dir.file("default.$"), changed));
  fuzz_file({dir.read("default.$")}, "default.$", [](const std::filesystem::path& path) {
    CreationDefaults d;
    load_defaults(path, d);
    // What was read writes and reads back the same.
    test::TempDir out;
    ASSERT_TRUE(save_defaults(out.file("d.$"), d));
    CreationDefaults again;
    ASSERT_TRUE(load_defaults(out.file("d.$"), again).ok());
    EXPECT_EQ(again, d);
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
