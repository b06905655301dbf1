#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_file.h"

namespace lumetch {

// The two speed-mode commands of "fix.txt". The constant-speed one also picks
// the controller dialect (header form, pause on Escape).
struct SpeedModes {
  std::string stable_speed_cmd = "SP1;";
  std::string variable_speed_cmd = "SP2;";

  bool operator==(const SpeedModes&) const = default;
};

// Longest command a "fix.txt" line may give.
inline constexpr std::size_t kMaxSpeedCmdLength = 19;
// Only this many characters of a line count.
inline constexpr std::size_t kSpeedLineLength = 49;

// The command of one "fix.txt" line: the text after the first ":" up to and
// including the first ";" after it; the label before the ":" is ignored.
// Nullopt for a line without ":", without ";" after it, or whose command is
// longer than kMaxSpeedCmdLength. Only the first kSpeedLineLength characters
// of the line are looked at.
std::optional<std::string> parse_speed_mode_line(std::string_view line);

// Line 1 gives the constant-speed command, line 2 the variable-speed one. A
// missing or unreadable file, or a rejected line, leaves that command at its
// default; `result` tells a missing file from one that cannot be read.
SpeedModes load_speed_modes(const std::filesystem::path& path, ReadResult* result = nullptr);
// The same for the text of a "fix.txt" already in memory.
SpeedModes parse_speed_modes(std::string_view text);

// The file written when none exists; the "Varible" spelling is the file's own.
inline constexpr std::string_view kDefaultFixFileText = "stable speed:SP1;\nVarible speed:SP2;\n";

// Creates "fix.txt" with the default two lines unless a file of that name
// already exists, which is never rewritten. False only when creating failed.
bool create_fix_file_if_missing(const std::filesystem::path& path);

}  // namespace lumetch
