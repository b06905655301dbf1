#include "commands/recent_files.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr const char* kRecentFile = "recent.$";
constexpr const char* kWindowFile = "window.$";

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return out;
}

}  // namespace

void RecentFiles::touch(const std::filesystem::path& path) {
  remove(path);
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMax) paths_.resize(kMax);
}

void RecentFiles::remove(const std::filesystem::path& path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

std::string RecentFiles::format() const {
  std::string out;
  for (const std::filesystem::path& p : paths_) out += p.string() + "\n";
  return out;
}

RecentFiles RecentFiles::parse(std::string_view text) {
  RecentFiles r;
  for (const std::string_view line : lines_of(text)) {
    const std::filesystem::path p{std::string(line)};
    if (line.empty() || !p.is_absolute()) continue;
    if (std::find(r.paths_.begin(), r.paths_.end(), p) != r.paths_.end()) continue;
    if (r.paths_.size() < kMax) r.paths_.push_back(p);
  }
  return r;
}

RecentFiles load_recent_files(const std::filesystem::path& work_dir) {
  const InputText file = read_input_file(work_dir / kRecentFile);
  return file.ok() ? RecentFiles::parse(file.text) : RecentFiles{};
}

bool save_recent_files(const std::filesystem::path& work_dir, const RecentFiles& files) {
  return write_file_atomically(work_dir / kRecentFile, files.format());
}

std::optional<WindowPlacement> load_window_placement(const std::filesystem::path& work_dir) {
  const InputText file = read_input_file(work_dir / kWindowFile);
  if (!file.ok()) return std::nullopt;
  const std::vector<std::string_view> lines = lines_of(file.text);
  if (lines.empty()) return std::nullopt;
  // "WIDTH,HEIGHT,MAXIMISED"
  WindowPlacement w;
  int values[3] = {0, 0, 0};
  std::string_view rest = lines[0];
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    const auto r = std::from_chars(field.data(), field.data() + field.size(), values[i]);
    if (r.ec != std::errc{} || r.ptr != field.data() + field.size()) return std::nullopt;
    if ((comma == std::string_view::npos) != (i == 2)) return std::nullopt;
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  if (values[0] < 200 || values[1] < 150 || values[0] > 32767 || values[1] > 32767 ||
      (values[2] != 0 && values[2] != 1)) {
    return std::nullopt;
  }
  w.width = values[0];
  w.height = values[1];
  w.maximised = values[2] == 1;
  return w;
}

bool save_window_placement(const std::filesystem::path& work_dir, const WindowPlacement& w) {
  return write_file_atomically(work_dir / kWindowFile, std::to_string(w.width) + "," +
                                                           std::to_string(w.height) + "," +
                                                           (w.maximised ? "1" : "0") + "\n");
}

}  // namespace lumetch
