#include "platform/job_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <utility>

namespace lumetch {

namespace {

std::string hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(v));
  return buf;
}

// FNV-1a: a short, stable name for a file name of any length.
std::uint64_t name_hash(std::string_view s) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// What names a file by its place: its folder's identity and its own name, so
// that a file renamed over it (or not made yet) keeps the same key.
std::string place_key(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::weakly_canonical(path, ec);
  if (ec) full = std::filesystem::absolute(path, ec);
  std::filesystem::path dir = full.parent_path();
  if (dir.empty()) dir = ".";
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return {};
  return hex(st.st_dev) + "-" + hex(st.st_ino) + "-" + hex(name_hash(full.filename().string()));
}

std::string holder_of(int fd) {
  char buf[32] = {};
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  long pid = 0;
  if (n > 0 && std::sscanf(buf, "%ld", &pid) == 1 && pid > 0) {
    return " (process " + std::to_string(pid) + ")";
  }
  return {};
}

}  // namespace

std::filesystem::path lock_directory() {
  struct stat st {};
  if (::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/run/lock", W_OK) == 0) {
    return "/run/lock";
  }
  return "/tmp";
}

JobLock::~JobLock() {
  release();
}

JobLock::JobLock(JobLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

JobLock& JobLock::operator=(JobLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void JobLock::release() {
  // Closing the last descriptor releases the lock; the file stays for the next job.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string JobLock::lock_port(const std::string& channel) {
  if (channel == "sim" || channel == "null" || channel.empty()) return {};
  const bool recording = channel.starts_with("file:");
  const std::string path = recording ? channel.substr(5) : channel;
  struct stat st {};
  std::string key;
  if (::stat(path.c_str(), &st) == 0) {
    // A printer device by its device number, so that every name of it counts.
    key = S_ISCHR(st.st_mode) ? "c" + hex(major(st.st_rdev)) + "-" + hex(minor(st.st_rdev))
                              : hex(st.st_dev) + "-" + hex(st.st_ino);
  } else {
    key = place_key(path);
  }
  if (key.empty()) return {};  // a port that cannot be found fails on its own
  return lock("port-" + key, "the marker port \"" + channel + "\"");
}

std::string JobLock::lock_layout(const std::filesystem::path& path) {
  const std::string key = place_key(path);
  if (key.empty()) return {};  // nothing to store into: the open fails on its own
  return lock("layout-" + key, "the layout " + path.string());
}

std::string JobLock::lock(const std::string& key, const std::string& what) {
  release();
  const std::string file = (lock_directory() / ("lumetch-" + key + ".lock")).string();
  int fd = -1;
  bool writable = true;
  for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
    fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == EACCES) {
      // Another user's lock file: it can still be locked, not written.
      fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      writable = false;
    } else if (fd < 0 && errno == ENOENT) {
      fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
      // Every user's jobs must be able to take it.
      if (fd >= 0) ::fchmod(fd, 0666);
      if (fd < 0 && errno != EEXIST) break;
    } else if (fd < 0) {
      break;
    }
  }
  if (fd < 0) {
    return "Cannot lock " + what + " for this job: " + std::generic_category().message(errno) +
           " (" + file + ")";
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    // Capitalised for the start of a message.
    std::string text =
        err == EWOULDBLOCK
            ? "T" + what.substr(1) + " is in use by another job" + holder_of(fd) +
                  "; try again when it has finished"
            : "Cannot lock " + what + " for this job: " + std::generic_category().message(err);
    ::close(fd);
    return text;
  }
  if (writable) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
      [[maybe_unused]] const ssize_t n = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
  }
  fd_ = fd;
  return {};
}

}  // namespace lumetch
