#include "model/defaults_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "model/field_table.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Ints = std::vector<int32_t>;

// Loads `text` as default.$ over `start`.
CreationDefaults load_text(const std::string& text, CreationDefaults start = {}) {
  test::TempDir dir;
  dir.write("default.$", text);
  EXPECT_TRUE(load_defaults(dir.file("default.$"), start).ok());
  return start;
}

// Saves `d` and loads it back, with the text written.
CreationDefaults round_trip(const CreationDefaults& d, std::string* text = nullptr) {
  test::TempDir dir;
  EXPECT_TRUE(save_defaults(dir.file("default.$"), d));
  if (text != nullptr) *text = dir.read("default.$");
  CreationDefaults back;
  EXPECT_TRUE(load_defaults(dir.file("default.$"), back).ok());
  return back;
}

TEST(DefaultsFile, InitialValuesAreWrittenExactly) {
  std::string text;
  EXPECT_EQ(round_trip(CreationDefaults{}, &text), CreationDefaults{});
  EXPECT_EQ(text,
            "l_text:40,6,4,6,1,0,0,0,1.0,0,3,1234567890\tArial\t0,0,0,0,0,  0.050,0,1,10,0\n"
            "a_text:6,8,20,20,260,0,0,0,0,01234567890\tArial\t0,0,0,0,0,  0.050,0\n"
            "line:20,1,0,0,  0.050,0\n"
            "rect:20,20,1,1,0,0,  0.050,0\n"
            "ellipse:40,40,1,0,  0.050,0\n"
            "thrangle:20,20,1,0,0,  0.050,0\n"
            "rhombic:20,20,1,0,  0.050,0\n"
            "polygon:20,1,8,0,  0.050,0\n"
            "barcode:40,10,1234567890,1,  0.050,0\n"
            "bmp:  0.050\n"
            "vct:0,0,  0.050\n");
  CreationDefaults untouched;
  EXPECT_TRUE(load_defaults(test::TempDir().file("missing.$"), untouched).missing());
}

// Breaks and tabs typed into the texts and a "," in the barcode text or a
// length must not end or shift the fields of their line.
TEST(DefaultsFile, EveryChangedFieldSurvivesSaveAndLoad) {
  CreationDefaults d;
  // clang-format off
  d.line_text = {"41", "7", "4.5", "6.5", "1.5", "0.1", "0.2", "-15", "2.0", 1, 2, "l1\r\nl\t2\r\n",
                 "MS Gothic", 700, 1, 128, 5, {2, 0.125, 1}, 3, {2, 3, 0, 0}};
  d.arc_text = {"7", "9", "21", "22", "180", "0.3", "0.4", "12", 1, "a\tb", "Courier", 400, 1, 0, 6,
                {1, 0.2, 1}};
  // clang-format on
  d.line = {"35", "0.5", "45", {2, 0.3, 1}};
  d.rectangle = {"35,5", "21", "2", "3", 2, {1, 0.1, 0}};
  d.ellipse = {"41", "42", "2", {2, 0.25, 1}};
  d.triangle = {"22", "23", "2", 1, {0, 0.5, 1}};
  d.rhombic = {"24", "25", "3", {1, 0.75, 0}};
  d.polygon = {"26", "4", "6", {2, 1.5, 1}};
  d.barcode = {"50", "12", "A,B,C", {0, 0.1, 1}};
  d.bmp.fill_pitch = 0.08;
  d.vct.style = {2, 0.12, 1};
  std::string text;
  const CreationDefaults back = round_trip(d, &text);
  EXPECT_NE(text.find(",l1l\t2\tMS Gothic\t700,1,128,5,2,  0.125,1,3,2,3,0,0\n"), std::string::npos)
      << text;
  d.rectangle.width = "35";  // what "35,5" reads as anyway
  EXPECT_EQ(back, d);
}

TEST(DefaultsFile, KeywordsAreChosenByTheirFirstTwoCharacters) {
  CreationDefaults want;  // and nothing else
  want.line.length = "1";
  want.line_text.width = "2";
  want.barcode.width = "3";
  want.bmp.fill_pitch = 0.5;
  want.rectangle.width = "4";
  want.rhombic.width = "5";
  want.ellipse.size_x = "6";
  want.triangle.width = "7";
  want.polygon.size = "8";
  want.arc_text.size_x = "9";
  want.vct.style.output_mode = 2;
  EXPECT_EQ(load_text("li:1\nlx:2\nbarx:3\nbm:  0.500\nre:4\nrh:5\ne:6\nt:7\np:8\na:9\nv:2\n"
                      "x:junk\nno colon\n:10\n"),
            want);
}

TEST(DefaultsFile, ShortOrDamagedLinesKeepWhatTheyDoNotSupply) {
  CreationDefaults start;
  start.polygon.style.fill_direction = 1;
  start.line_text.face_name = "Kept";
  const CreationDefaults d = load_text(
      "polygon:30,,1234567890123,x,  zz\n"         // damaged numbers, empty text
      "thrangle:9,8\n"                             // cut short
      "l_text:1,2,3,4,5,6,7,8,9,1,0,ab\r\n"        // cut in the text
      "rect:1,2,3,4,5,6,  0.500,1,extra,fields\n"  // more than it holds
      "vct:1\nline:77\nline:5" +
          std::string(70000, 'x') + "\n",  // an overlong line is skipped
      start);
  EXPECT_EQ(d.polygon.size + "|" + d.polygon.edge_size + "|" + d.polygon.edge_count,
            "30||123456789");  // cut to the box's 9 characters
  EXPECT_EQ(d.polygon.style, (OutputStyle{0, 0.05, 1}));
  EXPECT_EQ(d.triangle.width + d.triangle.height + d.triangle.edge_size, "981");
  EXPECT_EQ(d.line_text.align, 0);
  EXPECT_EQ(d.line_text.text, "ab");
  EXPECT_EQ(d.line_text.face_name, "Kept");
  EXPECT_EQ(d.line_text.line_count, 1);  // the table follows the text read
  EXPECT_EQ(d.line_text.line_lengths, (Ints{2, 0}));
  EXPECT_EQ(d.rectangle.style, (OutputStyle{6, 0.5, 1}));
  EXPECT_EQ(d.vct.style, (OutputStyle{1, 0.05, 0}));
  EXPECT_EQ(d.line.length, "77");
}

TEST(DefaultsFile, ALineTableThatDoesNotFitTheTextIsRebuiltFromIt) {
  const std::string head = "l_text:40,6,4,6,1,0,0,0,1.0,0,3,abcd\tArial\t0,0,0,0,0,  0.050,0,";
  for (const std::string table :
       {"2147483647,1,2,0", "2,1,2,0", "2,1,-1,0", "3,1,2,0,0", "-1,4,0", "x", "2,1,3"}) {
    const CreationDefaults d = load_text(head + table + "\n");
    EXPECT_EQ(d.line_text.text, "abcd") << table;
    EXPECT_EQ(d.line_text.line_count, 1) << table;
    EXPECT_EQ(d.line_text.line_lengths, (Ints{4, 0})) << table;
  }
  const CreationDefaults d = load_text(head + "3,1,0,3,7,\n");
  EXPECT_EQ(d.line_text.text, "a\r\n\r\nbcd");
  EXPECT_EQ(d.line_text.line_lengths, (Ints{1, 0, 3, 7}));
}

// What is wrong with the defaults table of a record that fills `Block`: a field that is neither its
// block's nor the header's, or is labelled or measured differently from it; a name twice; two texts
// of one separator that may both hold it, which the reader could not tell apart.
template <class Record, class Block>
std::string table_faults() {
  std::string faults;
  std::set<std::string_view> names;
  std::set<char> open_seps;
  for (const DefaultsFieldDef<Record>& f : defaults_fields<Record>()) {
    const std::string name(f.name);
    if (!names.insert(f.name).second) faults += name + " twice; ";
    if (f.format == DefaultsFormat::OpenText && !open_seps.insert(f.sep).second) {
      faults += name + " a second open text; ";
    }
    if (f.format == DefaultsFormat::Style && f.part == StylePart::All) continue;
    auto check = [&](const auto& table) {
      for (const auto& b : table) {
        if (b.name != f.name) continue;
        if (b.label != f.label) faults += name + " label; ";
        if (b.unit != f.unit) faults += name + " unit; ";
        return true;
      }
      return false;
    };
    if (!check(block_fields<Block>()) && !check(header_fields())) {
      faults += name + " names no field; ";
    }
  }
  return faults;
}

TEST(DefaultsFile, EveryTableFieldIsItsBlockOrHeaderFieldWithItsLabelAndUnit) {
  using CD = CreationDefaults;
  const struct {
    const char* record;
    std::string faults;
  } rows[] = {
      {"l_text", table_faults<CD::LineText, LineTextParams>()},
      {"a_text", table_faults<CD::ArcText, ArcTextParams>()},
      {"line", table_faults<CD::Line, LineParams>()},
      {"rect", table_faults<CD::Rectangle, RectangleParams>()},
      {"ellipse", table_faults<CD::Ellipse, CircleParams>()},
      {"thrangle", table_faults<CD::Triangle, TriangleParams>()},
      {"rhombic", table_faults<CD::Rhombic, RhombicParams>()},
      {"polygon", table_faults<CD::Polygon, PolygonParams>()},
      {"barcode", table_faults<CD::Barcode, BarcodeParams>()},
      {"bmp", table_faults<CD::Bmp, BmpBlock>()},
      {"vct", table_faults<CD::Vct, VctBlock>()},
  };
  for (const auto& row : rows) EXPECT_EQ(row.faults, "") << row.record;
}

}  // namespace
}  // namespace lumetch
