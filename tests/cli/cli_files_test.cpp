// The tool run as a program on files that are not what they seem, with
// Ctrl-C, and with nobody reading its output.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "imports/plt.h"
#include "support/cli_process.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using test::CliProcess;
using test::kSquareLayout;

// A VCT file to import.
const std::string kVct = "5,1,0,100,0,50, 10.000, 10.000;\n";

std::vector<std::string> convert(const std::string& style, const std::string& output,
                                 const std::string& layout = "square.mrk") {
  return {"convert", layout,        "--style", style,          "-o",
          output,    "--scan-size", "20x20",   "--resolution", "10"};
}

// A settings file that is there but cannot be read stops the command with
// its name: its defaults (a rate of 1 where the file says 2) would mark wrong.
TEST(CliFiles, UnreadableSettingsFilesStopTheCommand) {
  struct Case {
    const char* file;
    bool directory;  // else a file only root may read, the tool run as nobody
    std::vector<std::string> args;
  };
  for (const Case& c : {Case{"$.1", true, convert("bmp", "out")},
                        {"$.1", false, convert("bmp", "out")},
                        {"default.$", true, convert("scan-plt", "out")},
                        {"default.$", false, {"import", "in.vct", "out"}},
                        {"fix.txt", true, convert("outline-plt", "out")},
                        {"port.txt", true, {"port"}},
                        {"port.txt", false, {"send", "PU0,0;"}}}) {
    SCOPED_TRACE(std::string(c.file) + (c.directory ? " a directory" : " not readable"));
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    dir.write("square.mrk", kSquareLayout);
    dir.write("in.vct", kVct);
    if (c.directory) {
      fs::create_directory(dir.file(c.file));
    } else {
      dir.write(c.file, "rate_x   2.000;\n");
      fs::permissions(dir.file(c.file), fs::perms::none);
    }
    const test::CliRun r = test::cli(dir, c.args, "", c.directory ? 0 : CliProcess::kAsNobody);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find(dir.file(c.file).string() + " cannot be read"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir.file("out")));
  }
}

// A FIFO or a device is neither read (a FIFO blocks open() until Ctrl-C,
// /dev/zero never ends) nor written (it would block, or be replaced by a
// plain file): refused at once with its name, and left as it was.
TEST(CliFiles, FilesThatAreNotRegularAreRefused) {
  struct Case {
    const char* node;  // made a FIFO, or a link to /dev/zero for "zero.plt"
    std::vector<std::string> args;
  };
  for (const Case& c : {Case{"fifo", convert("scan-plt", "fifo")},
                        {"fifo", convert("bmp", "fifo")},
                        {"fifo", convert("outline-vct", "fifo")},
                        {"fifo", convert("outline-plt", "fifo")},
                        {"fifo", {"import", "in.vct", "fifo"}},
                        {"in.mrk", convert("bmp", "out", "in.mrk")},
                        {"in.mrk", {"list", "in.mrk"}},
                        {"in.plt", {"import", "in.plt", "out"}},
                        {"zero.plt", {"import", "zero.plt", "out"}},
                        {"in.bmp", {"import", "in.bmp", "out"}},
                        {"fifo.vct", {"import", "fifo.vct", "out"}}}) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + (c.args.size() > 3 ? " " + c.args[3] : "") + " " +
                 c.node);
    test::TempDir dir;
    dir.write("square.mrk", kSquareLayout);
    dir.write("in.vct", kVct);
    const bool zero = std::string(c.node) == "zero.plt";
    if (zero) {
      fs::create_symlink("/dev/zero", dir.file(c.node));
    } else {
      ASSERT_EQ(::mkfifo(dir.file(c.node).c_str(), 0666), 0);
    }
    const test::CliRun r = test::cli(dir, c.args);
    EXPECT_TRUE(r.code == 1 || r.code == 2) << r.code;
    EXPECT_NE(r.err.find(c.node), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_TRUE(zero || fs::is_fifo(fs::symlink_status(dir.file(c.node))));
    EXPECT_FALSE(fs::exists(dir.file("out")));
  }
}

// Ctrl-C during a conversion (here while the relocation prompt of a missing
// plot waits) stops it: "stopped", exit 1, the previous file untouched.
TEST(CliFiles, CtrlCStopsAConversionWithoutWritingIt) {
  for (const char* style : {"scan-plt", "outline-plt", "bmp"}) {
    SCOPED_TRACE(style);
    test::TempDir dir;
    dir.write("square.mrk", kSquareLayout +
                                "5,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  "
                                "0.000,0,0,  0.050,0,0,0,0,missing.plt\n");
    dir.write("out", "previous");
    CliProcess run(dir, convert(style, "out"), "", CliProcess::kKeepInput);
    ASSERT_TRUE(run.await_err("empty line cancels")) << run.err();
    run.signal(SIGINT);
    run.close_input();
    EXPECT_EQ(run.wait(), 1) << run.err();
    EXPECT_NE(run.err().find("stopped"), std::string::npos) << run.err();
    EXPECT_EQ(dir.read("out"), "previous");
  }
}

// Plots by any of their extensions; --first-pair for this run only; the
// "plot:" line exactly when the reader left something out.
TEST(CliFiles, PlotImportsSayWhatTheyLeaveOutAndRefuseOnesWithNothingToDraw) {
  const std::string odd = "SP1;PD0,0,10,0;VS5;SP12;PD1,1;";
  for (const auto& [name, text, first_pair] :
       {std::tuple{"art.hpgl", std::string("IN;SP1;PD100,0,100,100;"), false},
        {"ODD.HP", odd, false},
        {"odd.hpg", odd, true}}) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    dir.write(name, text);
    dir.write("plot.$", "plot_reading 0;\nend ;\n");
    std::vector<std::string> args = {"import", name, "job.mrk"};
    if (first_pair) args.emplace_back("--first-pair");
    const test::CliRun r = test::cli(dir, args);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string summary =
        parse_plt(text, {}, first_pair ? PlotReading::kFirstPairOnly : PlotReading::kFull)
            .report.summary();
    const std::size_t end = r.out.find('\n');
    EXPECT_EQ(r.out.substr(0, 13), "import: plt1 ") << r.out;
    EXPECT_EQ(r.out.substr(end + 1), summary.empty() ? "" : "plot: " + summary + "\n");
    EXPECT_EQ(dir.read("plot.$"), "plot_reading 0;\nend ;\n");
  }
  test::TempDir dir;
  dir.write("words.plt", "nothing but words\n");
  const test::CliRun r = test::cli(dir, {"import", "words.plt", "job.mrk", "--first-pair"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("words.plt holds nothing that can be drawn"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir.file("job.mrk")));
}

// An output nobody reads any more is a write error with a message, not a
// death by SIGPIPE.
TEST(CliFiles, AStandardOutputNobodyReadsIsAMessage) {
  test::TempDir dir;
  dir.write("square.mrk", kSquareLayout);
  const test::CliRun r = test::cli(dir, {"list", "square.mrk"}, "", CliProcess::kStdoutClosed);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace lumetch
