#pragma once

// lumetch-cli run as the operator runs it: a child process in a temporary
// directory with its own TMPDIR, answers on stdin, stdout and stderr
// collected. Every wait is bounded, so that a program that hangs fails the
// test instead of holding it.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch::test {

// How long a program may take before a test gives up on it.
inline constexpr auto kCliBound = std::chrono::minutes(2);

// A 10 mm square at the field centre.
inline const std::string kSquareLayout =
    "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0, "
    "10.000, 10.000,  0.000,0,0.00\n";

inline std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class CliProcess {
 public:
  // kKeepInput: stdin stays open after the answers, so that a prompt waits.
  // kAsNobody: the program runs as user nobody, so that permissions count
  // although the tests run as root. kStdoutClosed: nobody reads its output.
  // kStderrTerminal: its stderr is a pseudo-terminal (read as err()).
  static constexpr unsigned kKeepInput = 1, kAsNobody = 2, kStdoutClosed = 4, kStderrTerminal = 8;

  CliProcess(const TempDir& dir, const std::vector<std::string>& args,
             const std::string& input = "", unsigned flags = 0) {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    if ((flags & kStderrTerminal) != 0) {
      err[0] = ::posix_openpt(O_RDWR | O_NOCTTY);
      if (err[0] < 0 || ::grantpt(err[0]) != 0 || ::unlockpt(err[0]) != 0) return;
      err[1] = ::open(::ptsname(err[0]), O_RDWR | O_NOCTTY);
      if (err[1] < 0) return;
    } else if (::pipe(err) != 0) {
      return;
    }
    const std::string tmp = (dir.path() / "tmp").string();
    std::filesystem::create_directories(tmp);
    if ((flags & kAsNobody) != 0) std::filesystem::permissions(tmp, std::filesystem::perms::all);
    // Everything the child needs is made before the fork.
    std::vector<char*> argv{const_cast<char*>(LUMETCH_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env_text{"TMPDIR=" + tmp, "PATH=/usr/bin:/bin"};
    std::vector<char*> env;
    for (std::string& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    // Closed before the fork: a child that writes before the parent could
    // close its copy would find a reader.
    if ((flags & kStdoutClosed) != 0) {
      ::close(out[0]);
      out[0] = -1;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
        if (fd >= 0) ::close(fd);
      }
      if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
      if ((flags & kAsNobody) != 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
        ::_exit(125);
      }
      ::execve(LUMETCH_CLI, argv.data(), env.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    err_fd_ = err[0];
    if ((flags & kStdoutClosed) == 0) out_fd_ = out[0];
    if (!input.empty()) [[maybe_unused]]
      auto n = ::write(in[1], input.data(), input.size());
    in_fd_ = in[1];
    if ((flags & kKeepInput) == 0) close_input();
  }
  ~CliProcess() {
    if (pid_ > 0 && code_ == -1) {
      ::kill(pid_, SIGKILL);
      wait();
    }
    close_input();
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int sig) const { ::kill(pid_, sig); }
  void close_input() {
    if (in_fd_ >= 0) ::close(in_fd_);
    in_fd_ = -1;
  }

  // Reads stderr until it holds `text`; false when the program ended first.
  bool await_err(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + kCliBound;
    while (err_.find(text) == std::string::npos) {
      pollfd p{err_fd_, POLLIN, 0};
      if (::poll(&p, 1, 1000) == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        continue;
      }
      char buf[4096];
      const ssize_t n = ::read(err_fd_, buf, sizeof buf);
      if (n <= 0) return false;
      err_.append(buf, static_cast<std::size_t>(n));
    }
    return true;
  }

  // Until `sig` sent to the program is no longer pending: it has been handled.
  // Bounded, so that a program that never takes it fails the test.
  bool handled(int sig) const {
    const unsigned long bit = 1ul << (sig - 1);
    for (int i = 0; i < 10000; ++i) {
      std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
      unsigned long pending = 0;
      for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:")) {
          pending |= std::stoul(line.substr(7), nullptr, 16);
        }
      }
      if ((pending & bit) == 0) return true;
      ::usleep(1000);
    }
    return false;
  }

  // Waits for the end and returns the exit code (128 + n for a signal death).
  // A program still going after kCliBound is killed.
  int wait() {
    if (code_ != -1) return code_;
    pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    int open = out_fd_ >= 0 ? 2 : 1;
    const auto deadline = std::chrono::steady_clock::now() + kCliBound;
    while (open > 0) {
      const int ready = ::poll(fds, 2, 1000);
      if (ready < 0) break;
      if (ready == 0) {
        if (std::chrono::steady_clock::now() > deadline) ::kill(pid_, SIGKILL);
        continue;
      }
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
  int in_fd_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  int code_ = -1;
  std::string out_, err_;
};

// A run to its end.
struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};
inline CliRun cli(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& input = "", unsigned flags = 0) {
  CliProcess p(dir, args, input, flags);
  const int code = p.wait();
  return {code, p.out(), p.err()};
}

}  // namespace lumetch::test
