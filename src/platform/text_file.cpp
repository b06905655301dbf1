#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <new>
#include <string>
#include <system_error>

namespace lumetch {

namespace {

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

std::string error_text(int error) {
  return std::generic_category().message(error);
}

// Why a node that is not a regular file cannot be read or written as one.
std::string kind_reason(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a FIFO (named pipe), not a regular file";
  if (S_ISCHR(mode)) return "it is a character device, not a regular file";
  if (S_ISBLK(mode)) return "it is a block device, not a regular file";
  if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
  return "it is not a regular file";
}

template <class Result>
Result not_read(const std::filesystem::path& path, InputStatus status, std::string reason) {
  Result r;
  r.status = status;
  r.reason = std::move(reason);
  r.message = "The file " + path.string() + " cannot be read: " + r.reason + ".";
  return r;
}

template <class Result>
Result open_error(const std::filesystem::path& path, int error) {
  // A name that leads nowhere is a missing file, not an unreadable one.
  const bool missing = error == ENOENT || error == ENOTDIR;
  return not_read<Result>(path, missing ? InputStatus::Missing : InputStatus::Unreadable,
                          missing ? "it does not exist" : error_text(error));
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

namespace {

std::string_view number_start(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  return text;
}

}  // namespace

double leading_double(std::string_view text) {
  text = number_start(text);
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc{} && std::isfinite(v) ? v : 0.0;
}

int64_t leading_integer(std::string_view text) {
  text = number_start(text);
  int64_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc{} ? v : 0;
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

std::vector<std::string> title_lines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line.substr(0, kTitleLineBytes));
  }
  return lines;
}

InputFile open_input_file(const std::filesystem::path& path) {
  // Looked at before opening: opening some devices already does something.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return open_error<InputFile>(path, errno);
  if (!S_ISREG(st.st_mode)) {
    return not_read<InputFile>(path, InputStatus::Unreadable, kind_reason(st.st_mode));
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return open_error<InputFile>(path, errno);
  // The name may have been given to another node meanwhile.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = errno;
    ::close(fd);
    return S_ISREG(st.st_mode)
               ? not_read<InputFile>(path, InputStatus::Unreadable, error_text(error))
               : not_read<InputFile>(path, InputStatus::Unreadable, kind_reason(st.st_mode));
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) {
    const int error = errno;
    ::close(fd);
    return not_read<InputFile>(path, InputStatus::Unreadable, error_text(error));
  }
  InputFile r;
  r.status = InputStatus::Ok;
  r.file.reset(f);
  return r;
}

InputText read_input_file(const std::filesystem::path& path) {
  InputFile in = open_input_file(path);
  InputText r;
  static_cast<ReadResult&>(r) = in;
  if (!in.ok()) return r;
  try {
    std::array<char, 1 << 16> buf;
    for (;;) {
      const std::size_t n = std::fread(buf.data(), 1, buf.size(), in.file.get());
      r.text.append(buf.data(), n);
      if (n < buf.size()) break;
    }
  } catch (const std::bad_alloc&) {
    r.text.clear();
    return not_read<InputText>(path, InputStatus::Unreadable, "it is too large to read");
  }
  if (std::ferror(in.file.get()) != 0) {
    const int error = errno;
    r.text.clear();
    return not_read<InputText>(path, InputStatus::Unreadable, error_text(error));
  }
  return r;
}

bool is_writable_output(const std::filesystem::path& path, std::string* reason) {
  struct stat st {};
  // stat follows a symbolic link to what it names; a dangling one names a new file.
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;
  if (reason != nullptr) *reason = kind_reason(st.st_mode);
  return false;
}

bool AtomicFile::fail(int error) {
  abandon();
  reason_ = error_text(error);
  errno = error;
  return false;
}

bool AtomicFile::open(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  abandon();
  reason_.clear();
  std::error_code ec;
  target_ = path;
  if (fs::is_symlink(target_, ec)) {
    target_ = fs::weakly_canonical(target_, ec);
    if (ec) return fail(ec.value());
  }
  struct stat old_file {};
  const bool existed = ::stat(target_.c_str(), &old_file) == 0;
  if (existed && !S_ISREG(old_file.st_mode)) {
    // Renaming over it would turn /dev/null or a FIFO into a plain file.
    abandon();
    reason_ = kind_reason(old_file.st_mode);
    errno = S_ISDIR(old_file.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (existed && ::access(target_.c_str(), W_OK) != 0) return fail(errno);

  const int fd = create_temporary(target_, temp_);
  if (fd < 0) {
    const int error = errno;
    temp_.clear();
    return fail(error);
  }
  if (existed && ::fchmod(fd, old_file.st_mode & 07777) != 0) {
    const int error = errno;
    ::close(fd);
    return fail(error);
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int error = errno;
    ::close(fd);
    return fail(error);
  }
  return true;
}

bool AtomicFile::commit() {
  if (file_ == nullptr) {
    if (reason_.empty()) reason_ = "the file was not opened";
    return false;
  }
  // On disk before it replaces the old one.
  if (std::fflush(file_) != 0 || std::ferror(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
    return fail(errno != 0 ? errno : EIO);
  }
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0) return fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
  temp_.clear();
  // Best effort: make the rename itself survive a power cut.
  std::filesystem::path dir = target_.parent_path();
  if (dir.empty()) dir = ".";
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

void AtomicFile::abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

bool write_file_atomically(const std::filesystem::path& path, std::string_view text,
                           std::string* reason) {
  AtomicFile out;
  bool ok = out.open(path);
  if (ok && !text.empty() && std::fwrite(text.data(), 1, text.size(), out.file()) != text.size()) {
    errno = errno != 0 ? errno : EIO;
    ok = false;
  }
  ok = ok && out.commit();
  if (!ok && reason != nullptr) *reason = out.reason().empty() ? error_text(errno) : out.reason();
  return ok;
}

}  // namespace lumetch
