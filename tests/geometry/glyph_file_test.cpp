#include "geometry/glyph_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Words = std::vector<uint16_t>;

FixedPoint fp(double x, double y) {
  return {static_cast<int32_t>(x * 65536), static_cast<int32_t>(y * 65536)};
}
// One polygon: the first point as its start, the rest as one line record.
OutlinePolygon polygon(std::vector<FixedPoint> pts) {
  OutlinePolygon p{pts.front(), {}};
  pts.erase(pts.begin());
  if (!pts.empty()) p.curves.push_back({OutlineCurve::Kind::Line, std::move(pts)});
  return p;
}
OutlinePolygon many_points(int n) {
  std::vector<FixedPoint> pts;
  for (int i = 0; i < n; ++i) pts.push_back(fp(i % 100, i / 100));
  return polygon(pts);
}

// A 100 × 100 square for every character but X (no font has it), Y (no
// contours) and M (over 10000 words); records what it is asked for.
struct FakeFonts : FontEngine {
  std::vector<char32_t> asked;
  std::vector<bool> japanese;  // the flag of every request
  std::optional<NativeOutline> outline(const FontDescription&, char32_t ch, bool ja) override {
    asked.push_back(ch);
    japanese.push_back(ja);
    if (ch == U'X') return std::nullopt;
    if (ch == U'Y') return NativeOutline{};
    if (ch == U'M') return NativeOutline{many_points(6000)};
    return NativeOutline{polygon({fp(0, 0), fp(100, 0), fp(100, 100), fp(0, 100)})};
  }
  std::string resolved_family(const FontDescription&) override { return "Fake"; }
  std::vector<std::string> outline_families() override { return {"Fake"}; }
};

TEST(ConvertGlyph, SplinesClosingRoundingAndClamping) {
  const std::pair<OutlinePolygon, Words> rows[] = {
      // Controls (0,100) and (100,100): six points per segment, the first
      // ending at their midpoint (50,100), the second at the last point.
      {{fp(0, 0), {{OutlineCurve::Kind::QSpline, {fp(0, 100), fp(100, 100), fp(100, 0)}}}},
       {14,  50,  700, 50,  700, 52,  664, 58,  636, 68,  616, 82,  604, 100, 600,
        100, 600, 118, 604, 132, 616, 142, 636, 148, 664, 150, 700, 50,  700, 0}},
      // Closed by the start point unless it ends there in file units.
      {polygon({fp(0, 0), fp(100, 0), fp(100, 9)}), {4, 50, 700, 150, 700, 150, 691, 50, 700, 0}},
      {polygon({fp(0, 0), fp(100, 0), fp(0.25, -0.25)}), {3, 50, 700, 150, 700, 50, 700, 0}},
      // Halves away from zero; far points clamped, not wrapped.
      {polygon({fp(0.5, 0.5), fp(-0.5, -0.5), fp(1.49, 2.51)}),
       {4, 51, 699, 49, 701, 51, 697, 51, 699, 0}},
      {polygon({fp(-1000, 5000), fp(32767, -32768)}), {3, 0, 0, 32817, 33468, 0, 0, 0}},
  };
  for (const auto& [poly, expected] : rows) {
    Words buf;
    EXPECT_EQ(ConvertGlyph({poly}, buf, 0, 8), expected.size());
    EXPECT_EQ(Words(buf.begin() + 8, buf.end()), expected);
  }
}

TEST(ConvertGlyph, DirectoryOfSeveralContoursAndRefusals) {
  const NativeOutline outline{polygon({fp(10, 0), fp(20, 0), fp(20, 10)}),
                              polygon({fp(-5, 0), fp(300, 0), fp(300, 10)})};
  Words buf;
  ASSERT_EQ(ConvertGlyph(outline, buf, 2, 0x12345), 19u);
  EXPECT_EQ(buf.size(), 0x12345u + 19);
  EXPECT_EQ(Words(buf.begin() + 15, buf.begin() + 22), (Words{2, 0x2345, 1, 19, 45, 350, 0}));
  EXPECT_EQ(buf[0x12345 + 9], 4u);  // second contour's count
  // Nothing to draw, or more data than the length word holds: buffer untouched.
  Words untouched(20, 7);
  EXPECT_EQ(ConvertGlyph({}, untouched, 0, 8), 0u);
  EXPECT_EQ(ConvertGlyph({many_points(40000)}, untouched, 0, 8), 0u);
  EXPECT_EQ(untouched, Words(20, 7));
}

// Reads a file as a reader would: word 0, the directory (blanks 128 units
// wide), data back to back, contours ending in their terminator, xmin/xmax
// matching the points.
void expect_consistent(const Words& file, const Words& types) {
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(file[0], types.size());
  std::size_t next = kDirectoryWords * types.size() + 1;
  for (std::size_t k = 0; k < types.size(); ++k) {
    const Words dir(file.begin() + 1 + 7 * k, file.begin() + 8 + 7 * k);
    if (types[k] == kGlyphBlank) {
      EXPECT_EQ(dir, (Words{0, 0, 0, 0, 0, 128, 0})) << k;
      continue;
    }
    ASSERT_EQ(std::pair(dir[0], dir[1] | std::size_t{dir[2]} << 16), std::pair(types[k], next));
    const std::size_t end = next + dir[3];
    ASSERT_LE(end, file.size()) << k;
    uint16_t xmin = 0xFFFF, xmax = 0;
    std::size_t i = next;
    for (; i < end && file[i] != 0; i += 1 + 2 * std::size_t{file[i]}) {
      for (std::size_t p = i + 1; p < std::min(i + 1 + 2 * std::size_t{file[i]}, end); p += 2) {
        xmin = std::min(xmin, file[p]);
        xmax = std::max(xmax, file[p]);
      }
    }
    EXPECT_EQ(i, end - 1) << k;  // the terminator is the last word
    EXPECT_EQ(std::pair(dir[4], dir[5]), std::pair(xmin, xmax)) << k;
    EXPECT_LT(xmin, xmax) << k;
    next = end;
  }
  EXPECT_EQ(file.size(), next);
}

TEST(BuildGlyphFile, CharactersBlanksAndRequests) {
  const struct {
    std::string text;
    Words types;
    std::vector<char32_t> asked;
  } rows[] = {
      {"AB C", {2, 2, 0, 2}, {U'A', U'B', U'C'}},
      {"\x41\x61\xA1\xA1", {2, 2, 0}, {U'A', U'a'}},  // a two-byte blank
      {"\x82\xA0", {2}, {U'\u3042'}},                 // one character
      {"AAB A", {2, 2, 2, 0, 2}, {U'A', U'B'}},       // repeats asked once
      {"A\x82", {2, 0}, {U'A'}},                      // lone lead byte
      {"XYZ", {0, 0, 2}, {U'X', U'Y', U'Z'}},         // no font has it, no contours
      {"MA", {2, 2}, {U'M', U'A'}},                   // a large outline kept whole
  };
  for (const auto& row : rows) {
    FakeFonts fonts;
    SCOPED_TRACE(row.text);
    expect_consistent(BuildGlyphFile(fonts, FontDescription{}, row.text), row.types);
    EXPECT_EQ(fonts.asked, row.asked);
  }
  FakeFonts fonts;
  EXPECT_TRUE(BuildGlyphFile(fonts, FontDescription{}, "").empty());
}

TEST(BuildGlyphFile, JapaneseFontsAreAskedForTheWholeTextOrNotAtAll) {
  const struct {
    const char* name;
    FontDescription font;
    std::string text;
    bool japanese;
  } rows[] = {
      {"plain ASCII", {}, "A1", false},
      {"one Japanese character makes the Latin ones Japanese too", {}, "A1\x82\xA0", true},
      {"Japanese character set", {.charset = 128}, "A1", true},
      {"face name not ASCII", {.face_name = "\xEF\xBC\xAD\xEF\xBC\xB3 Gothic"}, "A1", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeFonts fonts;
    BuildGlyphFile(fonts, row.font, row.text);
    EXPECT_EQ(fonts.japanese, std::vector<bool>(fonts.asked.size(), row.japanese));
  }
}

TEST(BuildGlyphFile, AMixedTextTakesEveryCharacterFromTheJapaneseFont) {
  // "MS Gothic" alone resolves to a Latin font; with "あ" in the text, "A"
  // and "1" must come from IPAGothic as "あ" does.
  FontEngine& fonts = system_font_engine();
  const Words mixed = BuildGlyphFile(fonts, {.face_name = "MS Gothic"}, "A1\x82\xA0");
  const Words ipa = BuildGlyphFile(fonts, {.face_name = "IPAGothic"}, "A1\x82\xA0");
  ASSERT_FALSE(mixed.empty());
  EXPECT_EQ(mixed, ipa);
  // Without it they do not: the comparison above has teeth.
  EXPECT_NE(BuildGlyphFile(fonts, {.face_name = "MS Gothic"}, "A1"),
            BuildGlyphFile(fonts, {.face_name = "IPAGothic"}, "A1"));
}

TEST(WriteGlyphFile, SystemFontsGiveAConsistentFile) {
  test::TempDir dir;
  CketralDoc doc;
  const auto path = dir.file("text.txt");
  ASSERT_TRUE(WriteGlyphFile(doc, "Ab 1\x82\xA0", path));
  const std::string bytes = dir.read("text.txt");
  EXPECT_EQ(bytes.size() % 2, 0u);
  Words file(bytes.size() / 2);
  for (std::size_t i = 0; i < file.size(); ++i) {
    file[i] = static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  expect_consistent(file, {2, 2, 0, 2, 2});
  // An empty text leaves no file behind; a file that cannot be written fails.
  EXPECT_TRUE(WriteGlyphFile(doc, "", path));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(WriteGlyphFile(doc, "A", dir.file("missing/text.txt")));
}

TEST(SplitLines, BreaksAreRemovedAndJoinedBackWithCrLf) {
  const struct {
    std::string entered, kept;
    std::vector<int32_t> lengths;
    std::string joined;
  } rows[] = {
      {"", "", {0}, ""},
      {"AB\r\n\r\nC", "ABC", {2, 0, 1}, "AB\r\n\r\nC"},
      {"AB\nCD\rEF", "ABCDEF", {2, 2, 2}, "AB\r\nCD\r\nEF"},
      {"\x82\xA0\r\n", "\x82\xA0", {2, 0}, "\x82\xA0\r\n"},
      {"\n\r", "", {0, 0, 0}, "\r\n\r\n"},
  };
  for (const auto& row : rows) {
    std::string text = row.entered;
    const std::vector<int32_t> lengths = SplitLines(text);
    EXPECT_EQ(std::pair(text, lengths), std::pair(row.kept, row.lengths)) << row.entered;
    EXPECT_EQ(JoinLines(text, lengths, static_cast<int32_t>(lengths.size())), row.joined);
  }
  EXPECT_EQ(JoinLines("ABCD", {2, 9, 0}, 2), "AB\r\nCD");  // cut to the text
  EXPECT_EQ(JoinLines("ABCD", {1, 1, 0}, 2), "A\r\nBCD");  // uncovered bytes kept
  EXPECT_EQ(JoinLines("ABCD", {-3, 9}, 5), "\r\nABCD");    // negative, count past the table
}

}  // namespace
}  // namespace lumetch
