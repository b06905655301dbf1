#pragma once

// A FIFO as the marker port of a lumetch-cli child, read by the test itself.

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/cli_process.h"

namespace lumetch::test {

// A FIFO port the test reads itself. Opened for reading and writing, it
// never reports an end, so the job's open–close per command does not end it.
class FifoPort {
 public:
  explicit FifoPort(const std::filesystem::path& path) {
    ::mkfifo(path.c_str(), 0600);
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  ~FifoPort() { ::close(fd_); }
  FifoPort(const FifoPort&) = delete;
  FifoPort& operator=(const FifoPort&) = delete;

  // Takes what is there now.
  void drain() {
    char buf[65536];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;) {
      got_.append(buf, static_cast<std::size_t>(n));
    }
  }
  // Reads nothing until the pipe is full and stays full: the job waits in
  // its write.
  bool fill_up() const {
    int last = -1;
    for (int i = 0; i < 2000; ++i) {
      int queued = 0;
      if (::ioctl(fd_, FIONREAD, &queued) != 0) return false;
      if (queued > 65536 - 4096 && queued == last) return true;
      last = queued;
      ::usleep(20000);
    }
    return false;
  }
  // Reads on until the program has ended (killed, as by Cli::wait, when it
  // hangs).
  void drain_until_end(const CliProcess& cli) {
    const auto deadline = std::chrono::steady_clock::now() + kCliBound;
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(cli.pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0) {
      drain();
      ::usleep(200);
      if (std::chrono::steady_clock::now() > deadline) cli.signal(SIGKILL);
    }
    drain();
  }
  const std::string& got() const { return got_; }

 private:
  int fd_ = -1;
  std::string got_;
};

}  // namespace lumetch::test
