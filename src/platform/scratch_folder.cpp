#include "platform/scratch_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <system_error>

namespace lumetch {

namespace {

constexpr const char* kOwnerFile = "owner.pid";
constexpr std::string_view kPrefix = "lumetch-";
constexpr std::size_t kRandomPart = 6;  // the XXXXXX of mkdtemp

// The live folder, for the signal handler: a plain buffer it can read.
char g_live_path[PATH_MAX];
std::atomic<bool> g_live{false};

bool is_scratch_name(const std::string& name) {
  return name.size() == kPrefix.size() + kRandomPart && name.starts_with(kPrefix);
}

bool same_text(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

std::terminate_handler g_previous_terminate = nullptr;

// An exception nobody caught ends the program without destructors.
[[noreturn]] void on_terminate() {
  remove_scratch_folder_in_signal();
  if (g_previous_terminate != nullptr) g_previous_terminate();
  std::abort();
}

}  // namespace

ScratchFolder::ScratchFolder() {
  static const bool hooked = [] {
    g_previous_terminate = std::set_terminate(on_terminate);
    return true;
  }();
  (void)hooked;
  std::error_code ec;
  std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
  if (ec) tmp = "/tmp";
  remove_stale_scratch_folders(tmp);
  std::string pattern = (tmp / "lumetch-XXXXXX").string();
  if (pattern.size() >= sizeof g_live_path || ::mkdtemp(pattern.data()) == nullptr) return;
  {
    std::ofstream owner(std::filesystem::path(pattern) / kOwnerFile, std::ios::trunc);
    owner << ::getpid() << "\n";
  }
  path_ = pattern;
  std::memcpy(g_live_path, pattern.c_str(), pattern.size() + 1);
  g_live = true;
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  g_live = false;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

int remove_stale_scratch_folders(const std::filesystem::path& tmp) {
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path dir = it->path();
    if (!is_scratch_name(dir.filename().string())) continue;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    std::ifstream owner(dir / kOwnerFile);
    long pid = 0;
    if (!(owner >> pid) || pid <= 0 || pid > INT_MAX) continue;
    // EPERM means it runs under another user: alive.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::error_code rm;
    if (std::filesystem::remove_all(dir, rm) > 0 && !rm) ++removed;
  }
  return removed;
}

void remove_scratch_folder_in_signal() {
  if (!g_live.load()) return;
  const int saved = errno;
  // Unlinking while reading may hide entries from the same pass: read again
  // until a pass finds nothing left.
  for (int pass = 0; pass < 8; ++pass) {
    const int dir = ::open(g_live_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) break;
    bool found = false;
    char buf[4096];
    for (ssize_t n; (n = ::getdents64(dir, buf, sizeof buf)) > 0;) {
      for (ssize_t off = 0; off < n;) {
        const auto* d = reinterpret_cast<const dirent64*>(buf + off);
        off += d->d_reclen;
        if (same_text(d->d_name, ".") || same_text(d->d_name, "..")) continue;
        found = true;
        ::unlinkat(dir, d->d_name, 0);
      }
    }
    ::close(dir);
    if (!found) break;
  }
  ::rmdir(g_live_path);
  errno = saved;
}

}  // namespace lumetch
