#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

namespace lumetch {

// A double as printf("%*.*f") prints it in the C locale, whatever the process
// locale says (a GUI toolkit may switch LC_NUMERIC to a decimal comma).
std::string format_fixed(double v, int width, int precision);

// `text` without blanks (space, tab, CR, LF, VT, FF) at either end.
std::string_view trim_blanks(std::string_view text);

// Reads one line without its "\n" (and without a "\r" before it, as files of
// the old platform have). Keeps at most `cap` bytes and skips the rest of an
// over-long line, so a runaway line never fills memory nor spills into the
// next. False at end of file when nothing was read.
bool read_line_capped(std::istream& in, std::string& line, std::size_t cap);

// Writes `text` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`: a crash or a full disk leaves either the old file
// or the new one, never half of it. A symbolic link is written through; the
// old file's mode is kept, and a file the user may not write to stays as it
// is. False (and no temporary left) when any step fails.
bool write_file_atomically(const std::filesystem::path& path, std::string_view text);

}  // namespace lumetch
