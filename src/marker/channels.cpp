#include "marker/channels.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>
#include <utility>

#include "marker/marker_sim.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

// A write or open the port was blocked in, given up when asked to stop.
constexpr const char* kGivenUp = "it was blocked and the job was asked to stop";

std::string errno_text(int err) {
  return std::generic_category().message(err);
}

std::string open_error(const std::string& path, const std::string& why) {
  return "Cannot open the marker port \"" + path + "\": " + why;
}

std::string lower_ascii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string write_error(const std::string& path, const std::string& why) {
  return "Cannot write to the marker port \"" + path + "\": " + why;
}

int open_retrying(const Channel& c, const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR && !c.should_give_up());
  return fd;
}

// Writes all of `data`, going on after partial writes and interruptions
// unless the channel gives up. Returns 0 or the errno of the failure; `done`
// says how much went out.
int write_all(const Channel& c, int fd, std::string_view data, std::size_t& done) {
  done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR && !c.should_give_up()) continue;
      return errno;
    }
    // A device that takes nothing would have us spin for ever.
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Writing into a FIFO whose reader has gone raises SIGPIPE, which would end
// the program. Blocks it on this thread for the write and swallows the one the
// write raised, so the failure comes back as EPIPE instead.
class SigpipeBlock {
 public:
  SigpipeBlock() {
    sigemptyset(&pipe_set_);
    sigaddset(&pipe_set_, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    active_ = pthread_sigmask(SIG_BLOCK, &pipe_set_, &old_) == 0;
  }
  ~SigpipeBlock() {
    if (!active_) return;
    if (broken_ && !was_pending_) {
      const int saved = errno;
      timespec zero{};
      while (sigtimedwait(&pipe_set_, nullptr, &zero) < 0 && errno == EINTR) {
      }
      errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  SigpipeBlock(const SigpipeBlock&) = delete;
  SigpipeBlock& operator=(const SigpipeBlock&) = delete;
  void pipe_broke() { broken_ = true; }

 private:
  sigset_t pipe_set_;
  sigset_t old_;
  bool was_pending_ = false;
  bool active_ = false;
  bool broken_ = false;
};

}  // namespace

DeviceChannel::DeviceChannel(std::string path) : path_(std::move(path)) {}

std::optional<std::string> DeviceChannel::write(std::string_view command) {
  struct stat st {};
  const bool fifo = ::stat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  // A FIFO opened without O_NONBLOCK waits for a reader for ever.
  const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0);
  const int fd = open_retrying(*this, path_.c_str(), flags);
  if (fd < 0) {
    if (errno == EINTR) return open_error(path_, kGivenUp);
    if (fifo && errno == ENXIO) return open_error(path_, "no program is reading from it");
    return open_error(path_, errno_text(errno));
  }
  if (fifo) {
    // Blocking writes from here on: a slow reader is waited for, not dropped.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) < 0) {
      const int err = errno;
      ::close(fd);
      return open_error(path_, errno_text(err));
    }
  }

  int err = 0;
  {
    std::optional<SigpipeBlock> block;
    if (fifo) block.emplace();
    std::size_t done = 0;
    err = write_all(*this, fd, command, done);
    if (err == EPIPE && block) block->pipe_broke();
  }
  // close() reports errors of writes the device deferred; EINTR still
  // releases the descriptor on Linux and must not be retried.
  if (::close(fd) < 0 && errno != EINTR && err == 0) err = errno;
  if (err == EPIPE && fifo) return write_error(path_, "the program reading from it has stopped");
  if (err == EINTR) return write_error(path_, kGivenUp);
  if (err != 0) return write_error(path_, errno_text(err));
  return std::nullopt;
}

AppendFileChannel::AppendFileChannel(std::string path, bool create)
    : path_(std::move(path)), create_(create) {}

AppendFileChannel::~AppendFileChannel() {
  close_file();
}

void AppendFileChannel::close_file() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::optional<std::string> AppendFileChannel::write(std::string_view command) {
  if (fd_ < 0) {
    // A plain path names a file that exists: should it vanish, it is not made anew.
    const int flags = O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC | (create_ ? O_CREAT : 0);
    fd_ = open_retrying(*this, path_.c_str(), flags, 0666);
    if (fd_ < 0) return open_error(path_, errno == EINTR ? kGivenUp : errno_text(errno));
  }
  std::size_t done = 0;
  const int err = write_all(*this, fd_, command, done);
  if (err == 0) return std::nullopt;
  if (done > 0) {
    // Take back the piece of a command that did fit, so that the file holds
    // whole commands only.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && st.st_size >= static_cast<off_t>(done)) {
      [[maybe_unused]] const int rc = ::ftruncate(fd_, st.st_size - static_cast<off_t>(done));
    }
  }
  close_file();
  return write_error(path_, err == EINTR ? kGivenUp : errno_text(err));
}

std::optional<std::string> SimChannel::write(std::string_view command) {
  sim_.receive(command);
  return std::nullopt;
}

std::optional<std::string> NullChannel::write(std::string_view command) {
  ++count_;
  bytes_ += command.size();
  return std::nullopt;
}

std::unique_ptr<Channel> make_channel(const std::string& name, MarkerSim* sim) {
  if (name == "sim") {
    if (sim != nullptr) return std::make_unique<SimChannel>(*sim);
    return std::make_unique<BrokenChannel>(name,
                                           open_error(name, "no marker simulator is available"));
  }
  if (name == "null") return std::make_unique<NullChannel>();
  if (name.empty()) {
    return std::make_unique<BrokenChannel>(name, open_error(name, "no port is named"));
  }

  // "file:PATH" records the stream into a regular file, made when missing.
  const bool recording = name.starts_with(kRecordPrefix);
  const std::string path = recording ? name.substr(kRecordPrefix.size()) : name;
  if (path.empty()) {
    return std::make_unique<BrokenChannel>(name, open_error(name, "no file is named"));
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (recording && err == ENOENT) {
      return std::make_unique<AppendFileChannel>(path, true);
    }
    if (err != ENOENT)
      return std::make_unique<BrokenChannel>(name, open_error(name, errno_text(err)));
    // A typo in port.txt must not turn a job into a file nobody marks from.
    std::string why = "no such device or file";
    if (lower_ascii(name) == "sim" || lower_ascii(name) == "null") {
      why += " (the channel names are \"sim\" and \"null\", in lower case)";
    } else {
      why += " (to record the commands into a new file, name it " + std::string(kRecordPrefix) +
             name + ")";
    }
    return std::make_unique<BrokenChannel>(name, open_error(name, why));
  }
  if (S_ISREG(st.st_mode)) return std::make_unique<AppendFileChannel>(path, recording);
  if (recording) {
    return std::make_unique<BrokenChannel>(
        name, open_error(name, "not a regular file (file: records into regular files only)"));
  }
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return std::make_unique<DeviceChannel>(path);
  if (S_ISDIR(st.st_mode)) {
    return std::make_unique<BrokenChannel>(name, open_error(name, errno_text(EISDIR)));
  }
  // Block devices and sockets: writing commands into a disk would destroy it.
  return std::make_unique<BrokenChannel>(
      name, open_error(name, "not a printer device, FIFO or regular file"));
}

PortFile read_port_file(const std::filesystem::path& work_dir) {
  PortFile port;
  InputText file = read_input_file(work_dir / "port.txt");
  static_cast<ReadResult&>(port) = file;
  if (file.ok()) port.channel = parse_port_file(file.text, work_dir);
  return port;
}

std::string parse_port_file(std::string_view text, const std::filesystem::path& work_dir) {
  std::string line(text.substr(0, text.find('\n')));
  // Editors on other systems may start the file with a byte-order mark.
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  line = std::string(trim_blanks(line));
  if (line.empty() || line == "sim" || line == "null") return line;
  const bool recording = line.starts_with(kRecordPrefix);
  const std::filesystem::path p(recording ? line.substr(kRecordPrefix.size()) : line);
  if (p.empty() || !p.is_relative() || work_dir.empty()) return line;
  return (recording ? std::string(kRecordPrefix) : std::string()) + (work_dir / p).string();
}

std::string choose_port(const std::filesystem::path& work_dir,
                        const std::optional<std::string>& override,
                        const std::vector<std::filesystem::path>& devices) {
  if (override) {
    std::string given = std::string(trim_blanks(*override));
    if (!given.empty()) return given;
  }
  std::string chosen = read_port_file(work_dir).channel;
  if (!chosen.empty()) return chosen;
  for (const auto& dev : devices) {
    // Only a real printer device: a stray file of that name is no marker.
    struct stat st {};
    if (::stat(dev.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && ::access(dev.c_str(), W_OK) == 0) {
      return dev.string();
    }
  }
  return "sim";
}

std::string choose_port(const std::filesystem::path& work_dir,
                        const std::optional<std::string>& override) {
  static const std::vector<std::filesystem::path> kPrinterDevices = {"/dev/usb/lp0", "/dev/lp0"};
  return choose_port(work_dir, override, kPrinterDevices);
}

}  // namespace lumetch
