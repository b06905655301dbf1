#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// A double as printf("%*.*f") prints it in the C locale, whatever the process
// locale says (a GUI toolkit may switch LC_NUMERIC to a decimal comma).
std::string format_fixed(double v, int width, int precision);

// `text` without blanks (space, tab, CR, LF, VT, FF) at either end.
std::string_view trim_blanks(std::string_view text);

// The leading number of a typed text, as C's atof and atol read it but in any
// locale: blanks first, then the longest number; no number, or one out of
// range, is 0.
double leading_double(std::string_view text);
int64_t leading_integer(std::string_view text);

// Reads one line without its "\n" (and without a "\r" before it, as files of
// the old platform have). Keeps at most `cap` bytes and skips the rest of an
// over-long line, so a runaway line never fills memory nor spills into the
// next. False at end of file when nothing was read.
bool read_line_capped(std::istream& in, std::string& line, std::size_t cap);

// The lines of a "title.txt" (the window title, then the About text): each
// without its line break, cut at 499 bytes; no line for an empty text.
inline constexpr std::size_t kTitleLineBytes = 499;
std::vector<std::string> title_lines(std::string_view text);

// --- Reading input files ---

// A file the program reads is either there and readable, missing (its
// defaults or nothing then apply), or there but unusable (a directory, a
// FIFO, a device, no permission, a read error): that is always said.
enum class InputStatus { Ok, Missing, Unreadable };

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// How reading a file went; `message` names the file and the reason.
struct ReadResult {
  InputStatus status = InputStatus::Missing;
  std::string reason;   // "it is a directory", "Permission denied", …
  std::string message;  // "The file PATH cannot be read: REASON."
  bool ok() const { return status == InputStatus::Ok; }
  bool missing() const { return status == InputStatus::Missing; }
  bool unreadable() const { return status == InputStatus::Unreadable; }
};

struct InputFile : ReadResult {
  FilePtr file;  // open for binary reading when ok()
};

struct InputText : ReadResult {
  std::string text;  // the whole file when ok()
};

// Opens `path` for reading only when it is a regular file. It is opened
// without blocking (a FIFO with no writer would hang the program in open)
// and checked again once open, so a device, a FIFO or a directory is never
// read: /dev/zero would never end.
InputFile open_input_file(const std::filesystem::path& path);

// The whole of a regular file, read as open_input_file opens it; a read
// error makes it unreadable.
InputText read_input_file(const std::filesystem::path& path);

// --- Writing output files ---

// True when `path` may be written: it does not exist yet or it is a regular
// file (a symbolic link is followed). Otherwise false with the reason: a
// character device, a FIFO or a directory must never be replaced by a file.
bool is_writable_output(const std::filesystem::path& path, std::string* reason = nullptr);

// A file written under a temporary name beside its target and renamed over
// it only by commit(): a crash, a kill or a full disk leaves either the old
// file or the new one, never half of it. A symbolic link is written through;
// the old file's mode is kept, and a file the user may not write to stays
// as it is. Only regular files (or new paths) are written.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary. False with reason() when `path` may not be written.
  bool open(const std::filesystem::path& path);
  // The temporary, for writing; null unless open.
  std::FILE* file() const { return file_; }
  // Flushes the temporary to disk and renames it over the target. False with
  // reason() (and the old file untouched) when any step fails.
  bool commit();
  // Drops the temporary; the target stays as it was.
  void abandon();

  const std::string& reason() const { return reason_; }

 private:
  bool fail(int error);

  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::FILE* file_ = nullptr;
  std::string reason_;
};

// Writes `text` through an AtomicFile. False (and no temporary left) when any
// step fails; `reason` then says why, in plain words.
bool write_file_atomically(const std::filesystem::path& path, std::string_view text,
                           std::string* reason = nullptr);

}  // namespace lumetch
