// The marking commands run as the operator runs them: the lumetch-cli binary
// in a temporary directory, with signals and a second process where a case
// needs them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/fifo_port.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Cli = test::CliProcess;
using test::kCliBound;
using test::kSquareLayout;
using test::repeat;

// Whether port.txt or --port names it, a port that cannot be opened fails
// the job with its name; nothing is recorded in its stead.
TEST(CliJob, APortThatCannotBeOpenedFailsTheJobNamingIt) {
  const struct {
    const char* label;
    std::string port_txt;  // empty: "--port not-a-port", a directory
    std::string named;     // in the refusal
    const char* created;   // a file that must not appear
  } cases[] = {
      {"the simulator in capitals", "SIM\n", "SIM\": no such device", "SIM"},
      {"a device name mistyped", "lp1\n", "/lp1\": no such device", "lp1"},
      {"a directory", "", "not-a-port\": Is a directory", "not-a-port/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write("sq.mrk", kSquareLayout);
    std::vector<std::string> args{"mark", "sq.mrk", "--yes"};
    if (c.port_txt.empty()) {
      fs::create_directory(dir.file("not-a-port"));
      args.insert(args.end(), {"--port", "not-a-port"});
    } else {
      dir.write("port.txt", c.port_txt);
    }
    Cli run(dir, args);
    EXPECT_EQ(run.wait(), 1) << run.err();
    EXPECT_NE(run.err().find(c.named), std::string::npos) << run.err();
    EXPECT_NE(run.out().find("the marker port failed"), std::string::npos) << run.out();
    EXPECT_EQ(run.out().find("done"), std::string::npos) << run.out();
    EXPECT_FALSE(fs::exists(dir.file(c.created)));
  }
}

using test::FifoPort;

// The last command of a stream ("PU;", "PU2000,2000;").
std::string last_command(const std::string& stream) {
  if (stream.size() < 2) return stream;
  const std::size_t at = stream.rfind(';', stream.size() - 2);
  return at == std::string::npos ? stream : stream.substr(at + 1);
}

// A long job well inside the field: a million small squares.
const std::string kMillion =
    "2,1000,1000,  0.030,  0.030,  0.000,  0.000,  0.050,  0.050,  0.000,0,0,  0.050,0,0,0,0,"
    "  0.050,  0.050,  0.000,0,0.00\n";

// 10^8 hatched squares below the hatch pitch: half a minute of copies that
// send nothing.
const std::string kHugeEmpty =
    "2,10000,10000,  0.000,  0.000,  0.000,  0.000,  0.010,  0.010,  0.000,0,2,  1.000,0,0,0,0,"
    "  0.010,  0.010,  0.000,0,0.00\n";

std::vector<std::string> scratch_folders(const test::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.file("tmp"))) {
    if (e.path().filename().string().starts_with("lumetch-")) {
      names.push_back(e.path().filename().string());
    }
  }
  return names;
}

TEST(CliJob, HoweverASignalEndsTheJobThePenIsLeftUpAndTheFolderGoes) {
  const struct {
    const char* label;
    std::vector<int> signals;
    bool blocked;      // the marker takes nothing while the signals come
    const char* last;  // the stream's last command; empty: none checked
    const char* said;  // in the summary
  } cases[] = {
      {"two Ctrl-C at once", {SIGINT, SIGINT}, true, "PU;", "stopped by Ctrl-C"},
      {"SIGTERM", {SIGTERM}, false, "PU2000,2000;", "stopped by SIGTERM"},
      {"SIGTERM while the marker takes nothing",
       {SIGTERM},
       true,
       "",
       "the pen could not be parked"},
      {"Ctrl-C four times while it takes nothing",
       {SIGINT, SIGINT, SIGINT, SIGINT},
       true,
       "",
       "the pen could not be parked"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write("big.mrk", kMillion);
    FifoPort port(dir.file("port"));
    Cli run(dir, {"mark", "big.mrk", "--yes", "--port", "port"});
    ASSERT_TRUE(run.await_err("Outputing Data"));
    if (c.blocked) {
      ASSERT_TRUE(port.fill_up());
    } else {
      port.drain();
    }
    for (int sig : c.signals) {
      run.signal(sig);
      ASSERT_TRUE(run.handled(sig));
    }
    port.drain_until_end(run);
    EXPECT_EQ(run.wait(), 1) << run.err();
    EXPECT_NE(run.out().find(c.said), std::string::npos) << run.out();
    if (*c.last != '\0') {
      EXPECT_EQ(last_command(port.got()), c.last);
    }
    EXPECT_TRUE(scratch_folders(dir).empty());
  }
}

TEST(CliJob, ScratchFoldersGoOnEveryExitAndThoseOfDeadProcessesAtStart) {
  test::TempDir dir;
  fs::create_directories(dir.file("tmp"));
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const struct {
    const char* name;
    pid_t owner;  // 0: no owner file
    bool kept;
  } folders[] = {{"lumetch-dead00", dead, false},
                 {"lumetch-live00", ::getpid(), true},
                 {"lumetch-nopid0", 0, true}};
  for (const auto& f : folders) {
    fs::create_directory(dir.file("tmp") / f.name);
    if (f.owner != 0) std::ofstream(dir.file("tmp") / f.name / "owner.pid") << f.owner << "\n";
  }
  // SIGTERM at a prompt before the job: the program ends by the signal, and
  // its folder with it.
  dir.write("missing.mrk",
            "7,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0,"
            "0,/nowhere/missing.bmp\n");
  Cli run(dir, {"mark", "missing.mrk", "--port", "null"}, "", Cli::kKeepInput);
  ASSERT_TRUE(run.await_err("Open ("));
  EXPECT_EQ(scratch_folders(dir).size(), 3u);  // the dead process's went, this one's came
  run.signal(SIGTERM);
  EXPECT_EQ(run.wait(), 128 + SIGTERM);
  for (const auto& f : folders) {
    EXPECT_EQ(fs::exists(dir.file("tmp") / f.name), f.kept) << f.name;
  }
  EXPECT_EQ(scratch_folders(dir).size(), 2u);
}

const std::string kHeader =
    ",1,1,  1.000,  1.000,  0.000,-30.000, 40.000, 10.000,  0.000,0,1,  0.050,0,0,0,0,";

// A serial-number barcode: text, bar width.
std::string serial_barcode(const std::string& text, const char* bar = "  0.206") {
  return "11" + kHeader + " 40.000, 10.000," + bar + ",0," + text + "\n0,variable,1\n";
}

// A line text of four characters followed by five character lines.
const std::string kTooManyCharLines =
    "4,1,1,  1.000,  1.000,  0.000, 20.000, 40.000,  6.000,  0.000,0,2,  0.050,0,0,0,0,"
    "  1.000,  4.000,  6.000,  0.000,  0.000,0,3,0,0,0,Arial\t0009\t  1.000,1,4,0\n" +
    repeat("  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000\n", 5);

TEST(CliJob, ASerialNumberThatCouldNotBeStoredIsNeverMarked) {
  const struct {
    const char* label;
    std::string layout;
    bool read_only;  // the folder, for a run as nobody
    int code;
    std::string said;
  } cases[] = {
      {"a damaged record", "garbage\n" + serial_barcode("0099"), false, 4, "(line 1)"},
      {"a layer of 9",
       "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,9,0,"
       "  0.050,0,0,0,0, 10.000, 10.000,  0.000,0,0.00\n" +
           serial_barcode("0099"),
       false, 4, "(line 1)"},
      {"a text with too many character lines", kTooManyCharLines + serial_barcode("0099"), false, 4,
       "(line 6)"},
      {"a serial number at its maximum", serial_barcode(std::string(255, '9'), "  0.015"), false, 1,
       "cannot advance"},
      {"a layout that cannot be saved", serial_barcode("0099"), true, 4, "cannot be saved"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write("job.mrk", c.layout);
    if (!c.read_only) {
      fs::permissions(dir.path(), fs::perms::all);
      fs::permissions(dir.file("job.mrk"), fs::perms::all);
    }
    Cli run(dir, {"mark", "job.mrk", "--yes", "--port", "file:tmp/out.txt"}, "", Cli::kAsNobody);
    EXPECT_EQ(run.wait(), c.code) << run.err();
    EXPECT_NE(run.err().find(c.said), std::string::npos) << run.err();
    EXPECT_EQ(dir.read("tmp/out.txt").find("PD"), std::string::npos);
    EXPECT_EQ(dir.read("job.mrk"), c.layout);  // every line kept, byte for byte
  }
}

// A long array marked first, then a serial number.
const std::string kLongSerialJob =
    "2,100,100,  0.100,  0.100,  0.000,  0.000,  0.200,  0.200,  0.000,0,0,  0.050,0,0,0,0,"
    "  0.200,  0.200,  0.000,0,0.00\n" +
    serial_barcode("0099");

TEST(CliJob, ASaveThatFailsAfterMarkingIsAFailureNamingTheNumber) {
  test::TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  dir.write("job.mrk", kLongSerialJob);  // the folder turns read-only while it marks
  fs::permissions(dir.file("job.mrk"), fs::perms::all);
  FifoPort port(dir.file("port"));
  fs::permissions(dir.file("port"), fs::perms::all);
  Cli run(dir, {"mark", "job.mrk", "--yes", "--port", "port"}, "", Cli::kAsNobody);
  ASSERT_TRUE(port.fill_up()) << (run.wait(), run.err());
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  port.drain_until_end(run);
  EXPECT_EQ(run.wait(), 1) << run.err();
  EXPECT_NE(run.out().find("a marked serial number could not be saved"), std::string::npos)
      << run.out();
  EXPECT_NE(run.err().find("The serial number 0099 of barcode1 was marked"), std::string::npos)
      << run.err();
  EXPECT_NE(run.err().find("it still holds 0099"), std::string::npos);
  EXPECT_NE(dir.read("job.mrk").find(",0099\n"), std::string::npos);
  EXPECT_EQ(last_command(port.got()), "PU2000,2000;");
}

TEST(CliJob, ASecondJobOnTheSameLayoutOrPortIsRefused) {
  test::TempDir dir;
  dir.write("a.mrk", kLongSerialJob);
  dir.write("b.mrk", kSquareLayout);
  FifoPort port(dir.file("port"));
  Cli first(dir, {"mark", "a.mrk", "--yes", "--port", "port"});
  ASSERT_TRUE(port.fill_up()) << (first.wait(),
                                  first.err());  // the first job waits on the marker, holding both
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {"the same layout",
       {"mark", "a.mrk", "--yes", "--port", "null"},
       "The layout a.mrk is in use by another job (process " + std::to_string(first.pid()) + ")"},
      {"the same port",
       {"mark", "b.mrk", "--yes", "--port", "port"},
       "The marker port \"port\" is in use by another job"},
      {"commands to the same port",
       {"send", "--port", "port", "PU0,0;"},
       "The marker port \"port\" is in use by another job"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Cli second(dir, c.args);
    EXPECT_EQ(second.wait(), 4) << second.err();
    EXPECT_NE(second.err().find(c.said), std::string::npos) << second.err();
  }
  port.drain_until_end(first);
  EXPECT_EQ(first.wait(), 0) << first.err();
  // What the second ones would have sent did not get in between.
  EXPECT_EQ(port.got().find("PU0,0;"), std::string::npos);
  Cli after(dir, {"mark", "b.mrk", "--yes", "--port", "null"});
  EXPECT_EQ(after.wait(), 0) << after.err();
}

TEST(CliJob, ObjectsThatMarkNothingAreNamedAndTheJobIsNotDone) {
  test::TempDir dir;
  fs::create_directory(dir.file("folder"));
  dir.write("empty.plt", "");
  const std::string h =
      ",1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0,";
  dir.write("job.mrk", "7" + h + "0,/nowhere/x.bmp\n12" + h + dir.file("folder").string() + "\n5" +
                           h + dir.file("empty.plt").string() + "\n" + kSquareLayout);
  Cli run(dir, {"mark", "job.mrk", "--yes", "--port", "file:out.txt"});
  EXPECT_EQ(run.wait(), 3) << run.err();
  EXPECT_NE(run.out().find("done; 3 object(s) marked nothing"), std::string::npos) << run.out();
  for (const std::string& said : std::vector<std::string>{
           "bmp1 (its file \"/nowhere/x.bmp\" cannot be found)",
           "vct1 (its file \"" + dir.file("folder").string() + "\" is a folder)",
           "plt1 (its file \"" + dir.file("empty.plt").string() + "\" holds nothing"}) {
    EXPECT_NE(run.err().find(said), std::string::npos) << said << "\n" << run.err();
  }
  EXPECT_NE(dir.read("out.txt").find("PD2200,2200;"), std::string::npos);  // the square
}

TEST(CliJob, MovesOutsideTheFieldAreRefusedUnlessAllowed) {
  test::TempDir dir;
  // A 100 x 100 array of an arc text reaches some 2000 mm past the field.
  dir.write("arc.mrk",
            "6,100,100,  1.000,  1.000,  0.000,-10.000, 40.000, 40.000,  0.000,0,0,  0.050,0,0,0,"
            "0,  6.000,  8.000,0, 20.000, 20.000,260.000,  0.000,  0.000,0,0,0,Arial\tAB\t" +
                repeat("  0.000,", 14) + "\n");
  Cli refused(dir, {"mark", "arc.mrk", "--yes", "--port", "file:out.txt"});
  EXPECT_EQ(refused.wait(), 4);
  EXPECT_NE(refused.err().find("would leave the marking field (0..4000 x 0..4000 units)"),
            std::string::npos)
      << refused.err();
  EXPECT_NE(refused.err().find("txt1: x -"), std::string::npos) << refused.err();
  EXPECT_NE(refused.err().find("mm outside"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.file("out.txt")));

  Cli allowed(dir, {"mark", "arc.mrk", "--yes", "--port", "null", "--allow-outside"});
  EXPECT_EQ(allowed.wait(), 0) << allowed.err();
  EXPECT_NE(allowed.err().find("would leave the marking field"), std::string::npos);
}

// The progress line is written only to a terminal, rewritten in place and
// ended before the result; a pipe sees today's output. Ctrl-C stops a huge
// array of copies that send nothing at once.
TEST(CliJob, ProgressOnlyOnATerminalAndCtrlCStopsAHugeArray) {
  const struct {
    const char* label;
    const std::string& layout;
    bool terminal;
    int code;
    const char* last;  // the end of stderr
  } cases[] = {
      {"pipe, to the end", kMillion, false, 0, "Outputing Data，ESC Key to Stop!\n"},
      {"terminal, to the end", kMillion, true, 0,
       "\rMarking: 1/1 objects, 1/1 passes, 1000000/1000000 copies\r\n"},
      {"pipe, Ctrl-C", kHugeEmpty, false, 1, "Outputing Data，ESC Key to Stop!\n"},
      {"terminal, Ctrl-C", kHugeEmpty, true, 1, " copies\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write("job.mrk", c.layout);
    Cli run(dir, {"mark", "job.mrk", "--yes", "--port", "null"}, "",
            c.terminal ? Cli::kStderrTerminal : 0);
    if (c.code == 1) {
      ASSERT_TRUE(run.await_err(c.terminal ? "copies" : "Outputing Data")) << run.err();
      run.signal(SIGINT);
      ASSERT_TRUE(run.handled(SIGINT));
    }
    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(run.wait(), c.code) << run.err();
    if (c.code == 1) {
      EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5));
      EXPECT_NE(run.out().find("stopped by Ctrl-C"), std::string::npos) << run.out();
    }
    EXPECT_TRUE(run.err().ends_with(c.last)) << run.err();
    EXPECT_EQ(run.err().find("Marking"),
              c.terminal ? run.err().find("\rMarking: ") + 1 : std::string::npos)
        << run.err();
  }
}

}  // namespace
}  // namespace lumetch
