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

// "<prefix><a>-<b>" in hex. Formatted in one go: GCC 12 at -O3 warns
// falsely on the concatenation of such short strings.
std::string hex_key(const char* prefix, std::uint64_t a, std::uint64_t b) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%llx-%llx", prefix, static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
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
  return hex_key("", st.st_dev, st.st_ino) + "-" + hex(name_hash(full.filename().string()));
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

JobLock::JobLock(JobLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

JobLock& JobLock::operator=(JobLock&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void JobLock::release() {
  if (fd_ < 0) return;
  // Removed while still held, so that lock files do not pile up; a job that
  // opened it meanwhile finds it gone once it gets the lock, and tries again.
  ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
  path_.clear();
}

std::string JobLock::lock_port(const std::string& channel) {
  if (channel == "sim" || channel == "null" || channel.empty()) return {};
  const bool recording = channel.starts_with("file:");
  const std::string path = recording ? channel.substr(5) : channel;
  struct stat st {};
  std::string key;
  if (::stat(path.c_str(), &st) == 0) {
    // A printer device by its device number, so that every name of it counts.
    key = S_ISCHR(st.st_mode) ? hex_key("c", major(st.st_rdev), minor(st.st_rdev))
                              : hex_key("", st.st_dev, st.st_ino);
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

namespace {

// Opens (or makes) the lock file; -1 with errno set when it cannot be had.
int open_lock_file(const std::string& file, bool& writable) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    writable = true;
    int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) return fd;
    if (errno == EACCES) {
      // Another user's lock file: it can still be locked, not written.
      writable = false;
      return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (errno != ENOENT) return -1;
    fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      ::fchmod(fd, 0666);  // every user's jobs must be able to take it
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EAGAIN;
  return -1;
}

// The lock file is still the one at its name (its holder removes it).
bool still_named(int fd, const std::string& file) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && ::stat(file.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

std::string JobLock::lock(const std::string& key, const std::string& what) {
  release();
  const std::string file = (lock_directory() / ("lumetch-" + key + ".lock")).string();
  for (int attempt = 0; attempt < 8; ++attempt) {
    bool writable = true;
    const int fd = open_lock_file(file, writable);
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
      std::string text;
      if (err == EWOULDBLOCK) {
        text = "T";
        text += std::string_view(what).substr(1);
        text += " is in use by another job";
        text += holder_of(fd);
        text += "; try again when it has finished";
      } else {
        text = "Cannot lock ";
        text += what;
        text += " for this job: ";
        text += std::generic_category().message(err);
      }
      ::close(fd);
      return text;
    }
    if (!still_named(fd, file)) {
      ::close(fd);  // its holder removed it while we waited for it: take the new one
      continue;
    }
    if (writable) {
      const std::string pid = std::to_string(::getpid()) + "\n";
      if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, pid.data(), pid.size(), 0);
      }
    }
    fd_ = fd;
    path_ = file;
    return {};
  }
  return "Cannot lock " + what + " for this job: its lock file keeps changing (" + file + ")";
}

}  // namespace lumetch
