// The tool run as a program on files that are not what they seem, with
// Ctrl-C, and with nobody reading its output.

#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

enum class How { Plain, AsNobody, StdoutClosed, CtrlCAtPrompt };

struct Outcome {
  int code = -1;  // -1: ended by a signal, or hung and killed
  std::string err;
};

// Runs lumetch-cli in `dir` and collects its standard error. A run still
// going after a minute (far beyond any here) hangs: it is killed.
Outcome cli(const test::TempDir& dir, const std::vector<std::string>& args, How how = How::Plain) {
  int in[2], err[2], out[2];
  if (::pipe(in) != 0 || ::pipe(err) != 0 || ::pipe(out) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    std::vector<char*> argv{const_cast<char*>(LUMETCH_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const bool dropped = how != How::AsNobody || (::setgroups(0, nullptr) == 0 &&
                                                  ::setgid(65534) == 0 && ::setuid(65534) == 0);
    if (dropped && ::chdir(dir.path().c_str()) == 0) ::execv(LUMETCH_CLI, argv.data());
    ::_exit(127);
  }
  for (int fd : {in[0], out[1], err[1]}) ::close(fd);
  // The output is small enough for the pipe; closed, nobody reads it.
  if (how == How::StdoutClosed) ::close(out[0]);
  if (how != How::CtrlCAtPrompt) ::close(in[1]);
  Outcome r;
  const std::time_t deadline = std::time(nullptr) + 60;
  bool hung = false;
  for (pollfd p{err[0], POLLIN, 0};;) {
    if (std::time(nullptr) > deadline) {
      hung = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(&p, 1, 1000) <= 0) continue;
    char buf[4096];
    const ssize_t n = ::read(err[0], buf, sizeof buf);
    if (n <= 0) break;
    r.err.append(buf, static_cast<std::size_t>(n));
    if (how == How::CtrlCAtPrompt && r.err.find("empty line cancels") != std::string::npos) {
      ::kill(pid, SIGINT);
      ::close(in[1]);
      how = How::Plain;
    }
  }
  ::close(err[0]);
  if (how != How::StdoutClosed) ::close(out[0]);
  if (how == How::CtrlCAtPrompt) ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && !hung) r.code = WEXITSTATUS(status);
  return r;
}

// A 10 mm square at the centre, and a VCT file to import.
const std::string kSquare =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";
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
    dir.write("square.mrk", kSquare);
    dir.write("in.vct", kVct);
    if (c.directory) {
      fs::create_directory(dir.file(c.file));
    } else {
      dir.write(c.file, "rate_x   2.000;\n");
      fs::permissions(dir.file(c.file), fs::perms::none);
    }
    const Outcome r = cli(dir, c.args, c.directory ? How::Plain : How::AsNobody);
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
    dir.write("square.mrk", kSquare);
    dir.write("in.vct", kVct);
    const bool zero = std::string(c.node) == "zero.plt";
    if (zero) {
      fs::create_symlink("/dev/zero", dir.file(c.node));
    } else {
      ASSERT_EQ(::mkfifo(dir.file(c.node).c_str(), 0666), 0);
    }
    const Outcome r = cli(dir, c.args);
    EXPECT_GT(r.code, 0);
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
    dir.write("square.mrk", kSquare +
                                "5,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  "
                                "0.000,0,0,  0.050,0,0,0,0,missing.plt\n");
    dir.write("out", "previous");
    const Outcome r = cli(dir, convert(style, "out"), How::CtrlCAtPrompt);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("stopped"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("out"), "previous");
  }
}

// An output nobody reads any more is a write error with a message, not a
// death by SIGPIPE.
TEST(CliFiles, AStandardOutputNobodyReadsIsAMessage) {
  test::TempDir dir;
  dir.write("square.mrk", kSquare);
  const Outcome r = cli(dir, {"list", "square.mrk"}, How::StdoutClosed);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace lumetch
