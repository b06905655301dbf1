#include "marker/speed_modes.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "model/settings_file.h"

namespace lumetch {

std::optional<std::string> parse_speed_mode_line(std::string_view line) {
  line = line.substr(0, std::min(line.size(), kSpeedLineLength));
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto semi = line.find(';', colon + 1);
  if (semi == std::string_view::npos) return std::nullopt;
  const std::string_view cmd = line.substr(colon + 1, semi - colon);
  if (cmd.size() > kMaxSpeedCmdLength) return std::nullopt;
  return std::string(cmd);
}

SpeedModes load_speed_modes(const std::filesystem::path& path, ReadResult* result) {
  SpeedModes modes;
  const InputText file = read_input_file(path);
  if (result != nullptr) *result = file;
  if (!file.ok()) return modes;
  return parse_speed_modes(file.text);
}

SpeedModes parse_speed_modes(std::string_view text) {
  SpeedModes modes;
  std::istringstream in{std::string(text)};
  // Whole lines, so that an over-long first line cannot spill into the second.
  std::string line;
  if (read_line_capped(in, line, kSpeedLineLength)) {
    if (auto cmd = parse_speed_mode_line(line)) modes.stable_speed_cmd = std::move(*cmd);
  }
  if (read_line_capped(in, line, kSpeedLineLength)) {
    if (auto cmd = parse_speed_mode_line(line)) modes.variable_speed_cmd = std::move(*cmd);
  }
  return modes;
}

bool create_fix_file_if_missing(const std::filesystem::path& path) {
  // O_EXCL: a file that exists (or appears meanwhile) is left untouched.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST;
  const std::string_view text = kDefaultFixFileText;
  std::size_t done = 0;
  bool ok = true;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  // A half-written file would be taken for the operator's own next time.
  if (!ok) ::unlink(path.c_str());
  return ok;
}

}  // namespace lumetch
