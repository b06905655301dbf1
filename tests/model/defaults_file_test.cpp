#include "model/defaults_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::TempDir;

CreationDefaults load_text(const TempDir& dir, const std::string& text,
                           CreationDefaults start = {}) {
  dir.write("default.$", text);
  EXPECT_TRUE(load_defaults(dir.file("default.$"), start));
  return start;
}

TEST(DefaultsFile, InitialValuesAreWrittenExactly) {
  TempDir dir;
  ASSERT_TRUE(save_defaults(dir.file("default.$"), CreationDefaults{}));
  EXPECT_EQ(dir.read("default.$"),
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
  EXPECT_FALSE(load_defaults(dir.file("missing.$"), untouched));
}

TEST(DefaultsFile, EveryChangedFieldSurvivesSaveAndLoad) {
  CreationDefaults d;
  auto& lt = d.line_text;
  lt = {"41", "7",         "4.5",           "6.5",       "1.5", "0.1", "0.2", "-15", "2.0",
        1,    2,           "AB\r\nCDE\r\n", "MS Gothic", 700,   1,     128,   5,     {2, 0.125, 1},
        3,    {2, 3, 0, 0}};
  d.arc_text = {"7", "9",   "21",      "22", "180", "0.3", "0.4", "12",
                1,   "xyz", "Courier", 400,  1,     0,     6,     {1, 0.2, 1}};
  d.line = {"35", "0.5", "45", {2, 0.3, 1}};
  d.rectangle = {"35", "21", "2", "3", 2, {1, 0.1, 0}};
  d.ellipse = {"41", "42", "2", {2, 0.25, 1}};
  d.triangle = {"22", "23", "2", 1, {0, 0.5, 1}};
  d.rhombic = {"24", "25", "3", {1, 0.75, 0}};
  d.polygon = {"26", "4", "6", {2, 1.5, 1}};
  d.barcode = {"50", "12", "A-1 $", {0, 0.1, 1}};
  d.bmp.fill_pitch = 0.08;
  d.vct.style = {2, 0.12, 1};
  TempDir dir;
  ASSERT_TRUE(save_defaults(dir.file("default.$"), d));
  CreationDefaults back;
  ASSERT_TRUE(load_defaults(dir.file("default.$"), back));
  EXPECT_EQ(back, d);
}

// The line text's breaks, a tab in a text and a "," in the barcode text or a
// length would otherwise end or shift the fields of their line.
TEST(DefaultsFile, SeparatorsTypedIntoTextsDoNotShiftFields) {
  CreationDefaults d;
  d.line_text.text = "l1\r\nl\t2";
  d.arc_text.text = "a\tb";
  d.barcode.text = "A,B,C";
  d.rectangle.width = "1,5";
  TempDir dir;
  ASSERT_TRUE(save_defaults(dir.file("default.$"), d));
  EXPECT_NE(dir.read("default.$").find("1.0,0,3,l1l\t2\tArial\t0,0,0,0,0,  0.050,0,2,2,3,0\n"),
            std::string::npos);
  CreationDefaults back;
  ASSERT_TRUE(load_defaults(dir.file("default.$"), back));
  EXPECT_EQ(back.line_text.text, "l1\r\nl\t2");
  EXPECT_EQ(back.line_text.line_lengths, (std::vector<int32_t>{2, 3, 0}));
  EXPECT_EQ(back.arc_text.text, "a\tb");
  EXPECT_EQ(back.arc_text.face_name, "Arial");
  EXPECT_EQ(back.barcode.text, "A,B,C");
  EXPECT_EQ(back.barcode.style, d.barcode.style);
  EXPECT_EQ(back.rectangle.width, "1");  // what the width reads as anyway
  EXPECT_EQ(back.rectangle.height, "20");
}

TEST(DefaultsFile, KeywordsAreChosenByTheirFirstTwoCharacters) {
  TempDir dir;
  const CreationDefaults d = load_text(dir,
                                       "li:1\n"
                                       "lx:2\n"
                                       "barx:3\n"
                                       "bm:  0.500\n"
                                       "re:4\n"
                                       "rh:5\n"
                                       "e:6\n"
                                       "t:7\n"
                                       "p:8\n"
                                       "a:9\n"
                                       "v:2\n"
                                       "x:junk\n"
                                       "no colon\n"
                                       ":10\n");
  CreationDefaults expected;  // and nothing else
  expected.line.length = "1";
  expected.line_text.width = "2";
  expected.barcode.width = "3";
  expected.bmp.fill_pitch = 0.5;
  expected.rectangle.width = "4";
  expected.rhombic.width = "5";
  expected.ellipse.size_x = "6";
  expected.triangle.width = "7";
  expected.polygon.size = "8";
  expected.arc_text.size_x = "9";
  expected.vct.style.output_mode = 2;
  EXPECT_EQ(d, expected);
}

TEST(DefaultsFile, ShortOrDamagedLinesKeepWhatTheyDoNotSupply) {
  TempDir dir;
  CreationDefaults start;
  start.polygon.style.fill_direction = 1;
  start.line_text.face_name = "Kept";
  const CreationDefaults d =
      load_text(dir,
                "polygon:30,,1234567890123,x,  zz\n"         // damaged numbers, empty text
                "thrangle:9,8\n"                             // cut short
                "l_text:1,2,3,4,5,6,7,8,9,1,0,ab\r\n"        // cut in the text
                "rect:1,2,3,4,5,6,  0.500,1,extra,fields\n"  // more than it holds
                "vct:1\n" +
                    std::string(70000, 'x') + "\nline:77\n",  // an overlong line is skipped
                start);
  EXPECT_EQ(d.polygon.size, "30");
  EXPECT_EQ(d.polygon.edge_size, "");
  EXPECT_EQ(d.polygon.edge_count, "123456789");  // cut to the box's 9 characters
  EXPECT_EQ(d.polygon.style, (OutputStyle{0, 0.05, 1}));
  EXPECT_EQ(d.triangle.width, "9");
  EXPECT_EQ(d.triangle.height, "8");
  EXPECT_EQ(d.triangle.edge_size, "1");
  EXPECT_EQ(d.line_text.align, 0);
  EXPECT_EQ(d.line_text.text, "ab");
  EXPECT_EQ(d.line_text.face_name, "Kept");
  EXPECT_EQ(d.line_text.line_count, 1);  // the table follows the text read
  EXPECT_EQ(d.line_text.line_lengths, (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(d.rectangle.style, (OutputStyle{6, 0.5, 1}));
  EXPECT_EQ(d.vct.style, (OutputStyle{1, 0.05, 0}));
  EXPECT_EQ(d.line.length, "77");
}

TEST(DefaultsFile, ALineTableThatDoesNotFitTheTextIsRebuiltFromIt) {
  TempDir dir;
  const std::string head = "l_text:40,6,4,6,1,0,0,0,1.0,0,3,abcd\tArial\t0,0,0,0,0,  0.050,0,";
  for (const std::string table :
       {"2147483647,1,2,0", "2,1,2,0", "2,1,-1,0", "3,1,2,0,0", "-1,4,0", "x", "2,1,3"}) {
    SCOPED_TRACE(table);
    const CreationDefaults d = load_text(dir, head + table + "\n");
    EXPECT_EQ(d.line_text.text, "abcd");
    EXPECT_EQ(d.line_text.line_count, 1);
    EXPECT_EQ(d.line_text.line_lengths, (std::vector<int32_t>{4, 0}));
  }
  const CreationDefaults d = load_text(dir, head + "3,1,0,3,7,\n");
  EXPECT_EQ(d.line_text.text, "a\r\n\r\nbcd");
  EXPECT_EQ(d.line_text.line_lengths, (std::vector<int32_t>{1, 0, 3, 7}));
}

}  // namespace
}  // namespace lumetch
