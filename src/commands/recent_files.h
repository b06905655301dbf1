#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// The layouts opened or saved last, newest first, kept in "recent.$" of the
// working directory (one absolute path a line).
class RecentFiles {
 public:
  static constexpr std::size_t kMax = 8;

  const std::vector<std::filesystem::path>& paths() const { return paths_; }
  // `path` goes first; an older entry of it goes, and the list keeps kMax.
  void touch(const std::filesystem::path& path);
  void remove(const std::filesystem::path& path);

  std::string format() const;
  // Lines that name no absolute path are left out.
  static RecentFiles parse(std::string_view text);

 private:
  std::vector<std::filesystem::path> paths_;
};

// "recent.$" of `work_dir`; a missing or unreadable file is an empty list.
RecentFiles load_recent_files(const std::filesystem::path& work_dir);
bool save_recent_files(const std::filesystem::path& work_dir, const RecentFiles& files);

// The window's size and whether it was maximised, kept in "window.$".
struct WindowPlacement {
  int width = 0;
  int height = 0;
  bool maximised = true;
  bool operator==(const WindowPlacement&) const = default;
};
// None when the file is missing or damaged: the window then takes the screen.
std::optional<WindowPlacement> load_window_placement(const std::filesystem::path& work_dir);
bool save_window_placement(const std::filesystem::path& work_dir, const WindowPlacement& w);

}  // namespace lumetch
