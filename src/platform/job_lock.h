#pragma once

#include <filesystem>
#include <string>

namespace lumetch {

// An advisory lock (flock) a job holds on a marker port or on a layout whose
// serial numbers it may advance, so that a second job on the same one is
// refused instead of interleaving its moves or marking the same numbers.
//
// The lock is taken on a small file in /run/lock (or /tmp) named after what it
// guards, not on the thing itself: printer drivers allow one open at a time
// and the port is opened for every command, a FIFO opened to hold a lock
// would gain a reader, and a layout is saved by renaming a new file over it,
// which would leave a lock on the old file behind. The lock file says which
// process holds it and is removed with the lock, when the object goes (the
// kernel releases it should the process end otherwise).
class JobLock {
 public:
  JobLock() = default;
  ~JobLock();
  JobLock(JobLock&& other) noexcept;
  JobLock& operator=(JobLock&& other) noexcept;
  JobLock(const JobLock&) = delete;
  JobLock& operator=(const JobLock&) = delete;

  bool held() const { return fd_ >= 0; }

  // Locks the marker port `channel` ("sim" and "null" need none, "file:PATH"
  // is its file). Empty on success, else why, in plain words.
  std::string lock_port(const std::string& channel);
  // Locks the layout at `path` for a job that may store it.
  std::string lock_layout(const std::filesystem::path& path);

 private:
  std::string lock(const std::string& key, const std::string& what);
  void release();
  std::string path_;  // of the lock file held
  int fd_ = -1;
};

// The folder of the lock files: /run/lock when it can be written to, else /tmp.
std::filesystem::path lock_directory();

}  // namespace lumetch
