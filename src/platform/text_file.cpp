#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <system_error>

namespace lumetch {

namespace {

bool write_all(int fd, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// A fresh temporary beside `target`, never someone else's file.
int create_temporary(const std::filesystem::path& target, std::filesystem::path& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target;
    temp += ".";
    temp += std::to_string(::getpid());
    temp += "-";
    temp += std::to_string(attempt);
    temp += ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

std::string format_fixed(double v, int width, int precision) {
  // Large enough for the longest fixed form of a double (309 digits).
  std::array<char, 512> buf{};
  const auto r =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, precision);
  std::string text(buf.data(), r.ptr);
  if (text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

std::string_view trim_blanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool read_line_capped(std::istream& in, std::string& line, std::size_t cap) {
  line.clear();
  std::streambuf* buf = in.rdbuf();
  if (buf == nullptr || !in.good()) return false;
  using Traits = std::istream::traits_type;
  bool any = false;
  for (;;) {
    const Traits::int_type c = buf->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
      in.setstate(std::ios::eofbit);
      break;
    }
    any = true;
    if (c == '\n') break;
    if (line.size() < cap) line.push_back(Traits::to_char_type(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

bool write_file_atomically(const std::filesystem::path& path, std::string_view text) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(target, ec)) {
    target = fs::weakly_canonical(target, ec);
    if (ec) return false;
  }
  struct stat old_file {};
  const bool existed = ::stat(target.c_str(), &old_file) == 0;
  if (existed && ::access(target.c_str(), W_OK) != 0) return false;

  fs::path temp;
  const int fd = create_temporary(target, temp);
  if (fd < 0) return false;
  bool ok = !existed || ::fchmod(fd, old_file.st_mode & 07777) == 0;
  ok = ok && write_all(fd, text) && ::fsync(fd) == 0;  // on disk before it replaces the old one
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Best effort: make the rename itself survive a power cut.
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace lumetch
