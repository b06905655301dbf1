#include "cli/cli_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

// Runs the tool in-process with `dir` as working directory.
struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

CliRun cli(const test::TempDir& dir, std::vector<std::string> args, const std::string& input = "") {
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::vector<const char*> argv{"lumetch-cli"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  CliRun r;
  r.code = run_cli(static_cast<int>(argv.size()), argv.data(), in, out, err);
  std::filesystem::current_path(old);
  r.out = out.str();
  r.err = err.str();
  return r;
}

const std::string kLayout =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";

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
  dir.write("port.txt", "recorded.txt\n");
  // A relative path in port.txt is taken from the working directory.
  EXPECT_EQ(cli(dir, {"port"}).out, (dir.path() / "recorded.txt").string() + "\n");
  EXPECT_EQ(cli(dir, {"send", "PU1,2;"}).code, 0);
  EXPECT_EQ(cli(dir, {"send", "PD3,4;"}).code, 0);
  EXPECT_EQ(dir.read("recorded.txt"), "PU1,2;PD3,4;");
}

TEST(Cli, MarkRunsTheJobAndSummarises) {
  test::TempDir dir;
  dir.write("square.mrk", kLayout);
  dir.write("$.1", "");  // an empty settings file keeps every default
  const CliRun r = cli(dir, {"mark", "square.mrk", "--yes", "--port", "out.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("mark: 1 objects, 1 passes, 7 commands sent to out.txt"), std::string::npos)
      << r.out;
  EXPECT_EQ(dir.read("out.txt"),
            "SP2;VS8;PU1800,2200;PD2200,2200;PD2200,1800;PD1800,1800;PD1800,2200;PU2000,2000;");
}

TEST(Cli, MarkAsksThePowerCheckAndCancelSendsNothing) {
  test::TempDir dir;
  dir.write("square.mrk", kLayout);
  const CliRun r = cli(dir, {"mark", "square.mrk", "--port", "out.txt"}, "c\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Please Check the Laser Power!"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));
}

TEST(Cli, AFailingPortIsReportedAndTheJobFails) {
  test::TempDir dir;
  dir.write("square.mrk", kLayout);
  std::filesystem::create_directory(dir.file("not-a-port"));
  const CliRun r = cli(dir, {"mark", "square.mrk", "--yes", "--port", "not-a-port"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("the marker port failed"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("not-a-port"), std::string::npos) << r.err;
}

TEST(Cli, BadUsageAndUnreadableLayouts) {
  test::TempDir dir;
  EXPECT_EQ(cli(dir, {}).code, 2);
  EXPECT_EQ(cli(dir, {"frobnicate"}).code, 2);
  EXPECT_EQ(cli(dir, {"mark"}).code, 2);
  EXPECT_EQ(cli(dir, {"mark", "missing.mrk", "--yes"}).code, 2);
  EXPECT_EQ(cli(dir, {"send", "--port"}).code, 2);
  EXPECT_EQ(cli(dir, {"--help"}).code, 0);
}

TEST(Cli, DamagedLinesAreSkippedAndSaid) {
  test::TempDir dir;
  dir.write("mixed.mrk", "garbage line\n" + kLayout);
  const CliRun r = cli(dir, {"mark", "mixed.mrk", "--yes", "--port", "null"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("1 damaged or unknown line(s)"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("1 objects"), std::string::npos);
}

}  // namespace
}  // namespace lumetch
