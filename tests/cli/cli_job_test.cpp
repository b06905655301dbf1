// The marking commands run as the operator runs them: the lumetch-cli binary
// in a temporary directory, with signals and a second process where a case
// needs them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// One lumetch-cli process: its working directory, its own TMPDIR, answers on
// stdin; stdout and stderr are collected when it is waited for.
class Cli {
 public:
  Cli(const test::TempDir& dir, const std::vector<std::string>& args,
      const std::string& input = "") {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return;
    const std::string tmp = (dir.path() / "tmp").string();
    fs::create_directories(tmp);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
      if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
      ::setenv("TMPDIR", tmp.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(LUMETCH_CLI)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(LUMETCH_CLI, argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    out_fd_ = out[0];
    err_fd_ = err[0];
    if (!input.empty()) [[maybe_unused]]
      auto n = ::write(in[1], input.data(), input.size());
    ::close(in[1]);
  }
  ~Cli() {
    if (pid_ > 0 && code_ == -1) {
      ::kill(pid_, SIGKILL);
      wait();
    }
  }
  Cli(const Cli&) = delete;
  Cli& operator=(const Cli&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int sig) const { ::kill(pid_, sig); }

  // Waits for the end and returns the exit code (128 + n for a signal death).
  int wait() {
    if (code_ != -1) return code_;
    pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
      for (pollfd& p : fds) {
        if (p.fd < 0 || p.revents == 0) continue;
        char buf[4096];
        const ssize_t n = ::read(p.fd, buf, sizeof buf);
        if (n <= 0) {
          ::close(p.fd);
          p.fd = -1;
          --open;
          continue;
        }
        (p.fd == out_fd_ ? out_ : err_).append(buf, static_cast<std::size_t>(n));
      }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return code_;
  }
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  int code_ = -1;
  std::string out_, err_;
};

const std::string kSquare =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";

TEST(CliJob, AMissingPortPathIsRefusedNamingItAndNothingIsRecorded) {
  const struct {
    const char* label;
    std::string port_txt;
    std::string named;    // in the refusal
    const char* created;  // a file that must not appear
  } cases[] = {
      {"the simulator in capitals", "SIM\n", "SIM\": no such device", "SIM"},
      {"a device name mistyped", "lp1\n", "/lp1\": no such device", "lp1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write("sq.mrk", kSquare);
    dir.write("port.txt", c.port_txt);
    Cli run(dir, {"mark", "sq.mrk", "--yes"});
    EXPECT_EQ(run.wait(), 1) << run.err();
    EXPECT_NE(run.err().find(c.named), std::string::npos) << run.err();
    EXPECT_EQ(run.out().find("done"), std::string::npos) << run.out();
    EXPECT_FALSE(fs::exists(dir.file(c.created)));
  }
  // Recording into a new file is asked for by name.
  test::TempDir dir;
  dir.write("sq.mrk", kSquare);
  dir.write("port.txt", "file:rec.txt\n");
  Cli rec(dir, {"mark", "sq.mrk", "--yes"});
  EXPECT_EQ(rec.wait(), 0) << rec.err();
  EXPECT_NE(dir.read("rec.txt").find("PD2200,2200;"), std::string::npos);
}

}  // namespace
}  // namespace lumetch
