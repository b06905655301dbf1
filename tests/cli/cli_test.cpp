// The tool's commands, each run as a program in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_process.h"

namespace lumetch {
namespace {

using test::cli;
using test::CliRun;
using test::kSquareLayout;
using test::repeat;

TEST(Cli, SendShowsWhatTheSimulatorReceived) {
  test::TempDir dir;
  const CliRun r = cli(
      dir, {"send", "--port", "sim", "--show", "--svg", "out.svg", "IN;", "PU0,0;", "PD4000,0;"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("IN;\nPU0,0;\nPD4000,0;\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 strokes"), std::string::npos) << r.out;
  EXPECT_NE(dir.read("out.svg").find("<svg"), std::string::npos);
}

TEST(Cli, PortTxtChoosesTheChannelAndFilesAreAppended) {
  test::TempDir dir;
  dir.write("port.txt", "file:recorded.txt\n");
  // A relative path in port.txt is taken from the working directory.
  EXPECT_EQ(cli(dir, {"port"}).out, "file:" + (dir.path() / "recorded.txt").string() + "\n");
  EXPECT_EQ(cli(dir, {"send", "PU1,2;"}).code, 0);
  EXPECT_EQ(cli(dir, {"send", "PD3,4;"}).code, 0);
  EXPECT_EQ(dir.read("recorded.txt"), "PU1,2;PD3,4;");
}

TEST(Cli, MarkRunsTheJobAndSummarises) {
  test::TempDir dir;
  dir.write("square.mrk", kSquareLayout);
  dir.write("$.1", "");  // an empty settings file keeps every default
  const CliRun r = cli(dir, {"mark", "square.mrk", "--yes", "--port", "file:out.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("mark: 1 objects, 1 passes, 7 commands sent to file:out.txt"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(dir.read("out.txt"),
            "SP2;VS8;PU1800,2200;PD2200,2200;PD2200,1800;PD1800,1800;PD1800,2200;PU2000,2000;");
}

TEST(Cli, MarkAsksThePowerCheckAndCancelSendsNothing) {
  test::TempDir dir;
  dir.write("square.mrk", kSquareLayout);
  const CliRun r = cli(dir, {"mark", "square.mrk", "--port", "file:out.txt"}, "c\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Please Check the Laser Power!"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));
}

TEST(Cli, BadUsageAndUnreadableLayoutsExitWithTwo) {
  test::TempDir dir;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"mark"}, {"mark", "missing.mrk", "--yes"}, {"send", "--port"}}) {
    EXPECT_EQ(cli(dir, args).code, 2) << (args.empty() ? "" : args[0]);
  }
  EXPECT_EQ(cli(dir, {"--help"}).code, 0);
}

TEST(Cli, DamagedLinesAreSkippedAndSaid) {
  test::TempDir dir;
  dir.write("mixed.mrk", "garbage line\n" + kSquareLayout);
  const CliRun r = cli(dir, {"mark", "mixed.mrk", "--yes", "--port", "null"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("damaged lines of the layout were skipped (line 1)"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("1 objects"), std::string::npos);
}

// A variable line text, an arc text and a variable barcode.
const std::string kTextLayout =
    "4,1,1,  1.000,  1.000,  0.000, 20.000, 40.000,  6.000,  0.000,0,2,  0.050,0,0,0,0,"
    "  1.000,  4.000,  6.000,  0.000,  0.000,0,3,0,0,0,Arial\t0009\t  1.000,1,4,0\n" +
    repeat("  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000\n", 4) +
    "0,variable,1\n"
    "6,1,1,  1.000,  1.000,  0.000,-10.000, 40.000, 40.000,  0.000,0,0,  0.050,0,0,0,0,"
    "  6.000,  8.000,0, 20.000, 20.000,260.000,  0.000,  0.000,0,0,0,Arial\tAB\t" +
    repeat("  0.000,", 14) + "\n" +
    "11,1,1,  1.000,  1.000,  0.000,-40.000, 40.000, 10.000,  0.000,0,1,  0.050,0,0,0,0,"
    " 40.000, 10.000,  0.206,0,0099\n"
    "0,variable,1\n";

TEST(Cli, MarkingTwiceAdvancesTheSerialNumbersAndSavesThem) {
  test::TempDir dir;
  dir.write("texts.mrk", kTextLayout);
  const CliRun first = cli(dir, {"mark", "texts.mrk", "--yes", "--port", "file:first.txt"});
  EXPECT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("mark: 3 objects, 3 passes"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("serial numbers advanced"), std::string::npos) << first.out;
  const std::string saved = dir.read("texts.mrk");
  EXPECT_NE(saved.find("\t0010\t"), std::string::npos) << saved;
  EXPECT_NE(saved.find(",0100\n0,variable,1\n"), std::string::npos) << saved;

  const CliRun second = cli(dir, {"mark", "texts.mrk", "--yes", "--port", "file:second.txt"});
  EXPECT_EQ(second.code, 0) << second.err;
  const std::string again = dir.read("texts.mrk");
  EXPECT_NE(again.find("\t0011\t"), std::string::npos);
  EXPECT_NE(again.find(",0101\n"), std::string::npos);
  // Both runs marked every object, but not the same numbers; no glyph files
  // were left in the working directory.
  EXPECT_GT(dir.read("first.txt").size(), 1000u);
  EXPECT_NE(dir.read("first.txt"), dir.read("second.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("txt1.txt")));
}

TEST(Cli, ImportBuildsALayoutThatListsAndMarks) {
  test::TempDir dir;
  const std::string data = LUMETCH_TEST_DATA;
  const CliRun plt = cli(dir, {"import", data + "/plt/multi_pen.plt", "job.mrk"});
  EXPECT_EQ(plt.code, 0) << plt.err;
  EXPECT_NE(plt.out.find("import: plt1 ("), std::string::npos) << plt.out;
  const CliRun bmp = cli(dir, {"import", data + "/bmp/f_bottom_up.bmp", "job.mrk"});
  EXPECT_EQ(bmp.code, 0) << bmp.err;
  EXPECT_NE(bmp.out.find("now 2 objects"), std::string::npos) << bmp.out;

  const CliRun list = cli(dir, {"list", "job.mrk"});
  EXPECT_EQ(list.code, 0);
  EXPECT_NE(list.out.find("1  plt1  PLT  centre 0.000, 0.000 mm"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("2  bmp1  BMP"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find(data + "/bmp/f_bottom_up.bmp"), std::string::npos) << list.out;
  // With --fields, every parameter as the field tables name and write it.
  const CliRun fields = cli(dir, {"list", "job.mrk", "--fields"});
  EXPECT_NE(fields.out.find("    style 0 source_path \"" + data + "/bmp/f_bottom_up.bmp\"\n"),
            std::string::npos)
      << fields.out;

  // The plot is 105 mm wide: 2.5 mm of it on each side lie outside the field.
  const CliRun mark = cli(dir, {"mark", "job.mrk", "--yes", "--port", "null", "--allow-outside"});
  EXPECT_EQ(mark.code, 0) << mark.err;
  EXPECT_NE(mark.out.find("mark: 2 objects"), std::string::npos) << mark.out;
  // Stroke files live in a private folder, not beside the layout.
  EXPECT_FALSE(std::filesystem::exists(dir.file("plt10.$")));

  const CliRun refused = cli(dir, {"import", data + "/bmp/four_bit.bmp", "job.mrk"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("The File is not a Black&white BMP!"), std::string::npos);
  EXPECT_EQ(cli(dir, {"import", data + "/plt/multi_pen.expected", "job.mrk"}).code, 2);
  EXPECT_NE(cli(dir, {"list", "job.mrk"}).out.find("2 objects"), std::string::npos);
}

TEST(Cli, ConvertMoveAndOutlineTest) {
  test::TempDir dir;
  dir.write("square.mrk", kSquareLayout);
  const std::vector<std::string> area = {"--scan-size", "20x20", "--resolution", "10"};
  for (const char* style : {"scan-plt", "bmp", "outline-vct", "outline-plt"}) {
    std::vector<std::string> args = {"convert", "square.mrk", "--style", style, "-o", style};
    args.insert(args.end(), area.begin(), area.end());
    const CliRun r = cli(dir, args);
    EXPECT_EQ(r.code, 0) << style << r.err;
    EXPECT_FALSE(dir.read(style).empty()) << style;
  }
  EXPECT_EQ(dir.read("bmp").substr(0, 2), "BM");
  EXPECT_NE(dir.read("outline-vct").find(", 10.000, 10.000;\n"), std::string::npos);
  EXPECT_NE(dir.read("scan-plt").find("PD"), std::string::npos);
  EXPECT_EQ(cli(dir, {"convert", "square.mrk", "--style", "jpeg", "-o", "x"}).code, 2);
  EXPECT_EQ(cli(dir, {"convert", "square.mrk", "--style", "bmp", "-o", "x", "--clip", "star"}).code,
            2);

  const CliRun move =
      cli(dir, {"move", "left-top", "--port", "file:moves.txt", "--scan-size", "40x20"});
  EXPECT_EQ(move.code, 0) << move.err;
  EXPECT_EQ(dir.read("moves.txt"), "PU1200,2400;");
  const CliRun test = cli(
      dir, {"outline-test", "--port", "moves.txt", "--scan-size", "40x20", "--clip", "ellipse"});
  EXPECT_EQ(test.code, 0) << test.err;
  EXPECT_EQ(dir.read("moves.txt"), "PU1200,2400;SP2;VS8;PU2000,2000;CE800,400,360;PU2000,2000;");
  EXPECT_EQ(cli(dir, {"move", "upstairs"}).code, 2);
}

}  // namespace
}  // namespace lumetch
