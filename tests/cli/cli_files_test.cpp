// The tool run as a program: what it does with files that are not what they
// seem (FIFOs, devices, directories, files it may not read), with Ctrl-C and
// with a standard output nobody reads.

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

struct Outcome {
  int code = -1;      // exit code, -1 when killed by a signal
  int signal = 0;     // the signal that ended it
  bool hung = false;  // still running at the watchdog and killed
  std::string out;
  std::string err;
};

struct How {
  bool as_nobody = false;      // a user without root's rights, for permission cases
  bool stdout_closed = false;  // nobody reads the standard output
  std::string interrupt_at;    // Ctrl-C once stderr shows this, then end of input
};

// Runs lumetch-cli in `dir`. A run that would hang is killed by a watchdog of
// a minute, far beyond any run here, and counts as a failure.
Outcome cli(const test::TempDir& dir, const std::vector<std::string>& args, const How& how = {}) {
  int in[2], out[2], err[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    std::vector<char*> argv{const_cast<char*>(LUMETCH_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    if (how.as_nobody &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(126);
    }
    ::execv(LUMETCH_CLI, argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  if (how.stdout_closed) ::close(out[0]);
  if (how.interrupt_at.empty()) ::close(in[1]);

  Outcome r;
  const std::time_t deadline = std::time(nullptr) + 60;
  std::vector<pollfd> fds;
  if (!how.stdout_closed) fds.push_back({out[0], POLLIN, 0});
  fds.push_back({err[0], POLLIN, 0});
  bool interrupted = how.interrupt_at.empty();
  while (!fds.empty()) {
    if (std::time(nullptr) > deadline) {
      r.hung = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(fds.data(), fds.size(), 1000) <= 0) continue;
    for (std::size_t i = 0; i < fds.size();) {
      char buf[4096];
      const ssize_t n = fds[i].revents != 0 ? ::read(fds[i].fd, buf, sizeof buf) : 1;
      if (n <= 0) {
        ::close(fds[i].fd);
        fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      if (fds[i].revents != 0) (fds[i].fd == err[0] ? r.err : r.out).append(buf, n);
      ++i;
    }
    if (!interrupted && r.err.find(how.interrupt_at) != std::string::npos) {
      ::kill(pid, SIGINT);
      ::close(in[1]);
      interrupted = true;
    }
  }
  for (const pollfd& p : fds) ::close(p.fd);
  if (!interrupted) ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) r.code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

// A 10 mm square at the centre.
const std::string kSquare =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";
const std::vector<std::string> kArea = {"--scan-size", "20x20", "--resolution", "10"};

std::vector<std::string> convert(const std::string& style, const std::string& output,
                                 const std::string& layout = "square.mrk") {
  std::vector<std::string> a = {"convert", layout, "--style", style, "-o", output};
  a.insert(a.end(), kArea.begin(), kArea.end());
  return a;
}

// A settings file that is there but cannot be read stops the command with
// its name: its defaults (rate_x 1 for a file saying 2) would mark wrong.
TEST(CliFiles, UnreadableSettingsFilesStopTheCommand) {
  struct Case {
    const char* name;
    const char* file;
    bool directory;  // else a file nobody but root may read, run as nobody
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"$.1 a directory", "$.1", true, convert("bmp", "out")},
      {"$.1 not readable", "$.1", false, convert("bmp", "out")},
      {"default.$ a directory", "default.$", true, convert("scan-plt", "out")},
      {"default.$ not readable", "default.$", false, {"import", "in.vct", "out"}},
      {"fix.txt a directory", "fix.txt", true, convert("outline-plt", "out")},
      {"port.txt a directory", "port.txt", true, {"port"}},
      {"port.txt not readable", "port.txt", false, {"send", "PU0,0;"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    dir.write("square.mrk", kSquare);
    dir.write("in.vct", "5,1,0,100,0,50, 10.000, 10.000;\n");
    if (c.directory) {
      fs::create_directory(dir.file(c.file));
    } else {
      dir.write(c.file, "rate_x   2.000;\n");
      fs::permissions(dir.file(c.file), fs::perms::none);
    }
    const Outcome r = cli(dir, c.args, How{!c.directory, false, ""});
    EXPECT_EQ(r.code, 2) << r.err << r.out;
    EXPECT_NE(r.err.find(dir.file(c.file).string() + " cannot be read"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir.file("out")));
  }
}

// A FIFO named as output stays a FIFO (the tool neither blocks on it nor
// replaces it by a file), and the refusal names it.
TEST(CliFiles, OutputsThatAreNotRegularFilesAreRefused) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"scan-plt", convert("scan-plt", "fifo")},
      {"bmp", convert("bmp", "fifo")},
      {"outline-vct", convert("outline-vct", "fifo")},
      {"outline-plt", convert("outline-plt", "fifo")},
      {"import into a FIFO layout", {"import", "in.vct", "fifo"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    dir.write("square.mrk", kSquare);
    dir.write("in.vct", "5,1,0,100,0,50, 10.000, 10.000;\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0666), 0);
    const Outcome r = cli(dir, c.args);
    EXPECT_FALSE(r.hung);
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.err.find("fifo"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("FIFO"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir.file("fifo"))));
  }
}

// Inputs that are FIFOs or devices are refused at once with their name:
// opening a FIFO would block until Ctrl-C, /dev/zero would never end.
TEST(CliFiles, InputsThatAreNotRegularFilesAreRefused) {
  struct Case {
    const char* name;
    const char* input;  // made a FIFO, or a link to /dev/zero
    bool zero;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"layout to convert", "in.mrk", false, convert("bmp", "out", "in.mrk")},
      {"layout to list", "in.mrk", false, {"list", "in.mrk"}},
      {"layout to add to", "in.mrk", false, {"import", "square.vct", "in.mrk"}},
      {"plot", "in.plt", false, {"import", "in.plt", "out"}},
      {"plot that never ends", "in.plt", true, {"import", "in.plt", "out"}},
      {"bitmap", "in.bmp", false, {"import", "in.bmp", "out"}},
      {"outlines", "in.vct", false, {"import", "in.vct", "out"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    dir.write("square.vct", "5,1,0,100,0,50, 10.000, 10.000;\n");
    if (c.zero) {
      fs::create_symlink("/dev/zero", dir.file(c.input));
    } else {
      ASSERT_EQ(::mkfifo(dir.file(c.input).c_str(), 0666), 0);
    }
    const Outcome r = cli(dir, c.args);
    EXPECT_FALSE(r.hung);
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.err.find(c.input), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.file("out")));
  }
}

// Ctrl-C during a conversion (here while the relocation prompt of a missing
// plot waits) stops it: "stopped", exit 1, and the previous file untouched.
TEST(CliFiles, CtrlCStopsAConversionWithoutWritingIt) {
  for (const char* style : {"scan-plt", "outline-plt", "bmp"}) {
    SCOPED_TRACE(style);
    test::TempDir dir;
    dir.write("square.mrk",
              kSquare +
                  "5,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  "
                  "0.050,0,0,0,0,missing.plt\n");
    dir.write("out", "previous");
    const Outcome r = cli(dir, convert(style, "out"), How{false, false, "empty line cancels"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("stopped"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("convert:"), std::string::npos) << r.out;
    EXPECT_EQ(dir.read("out"), "previous");
  }
}

// A reader of the output that has gone is a write error with a message, not
// a death by SIGPIPE.
TEST(CliFiles, AStandardOutputNobodyReadsIsAMessage) {
  test::TempDir dir;
  dir.write("square.mrk", kSquare);
  const Outcome r = cli(dir, {"list", "square.mrk"}, How{false, true, ""});
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace lumetch
