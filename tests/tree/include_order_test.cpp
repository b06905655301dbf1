// The folders of src/ form layers, lowest first; a file may include headers
// of its own folder and of the folders below it, never of one above. This
// keeps the core free of windows and the arrows pointing one way.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 11> kLayers = {"platform", "model", "marker",   "geometry",
                                                      "imports",  "scan",  "commands", "view",
                                                      "panel",    "shell", "cli"};

// Position of a folder in the order; -1 for a name that is no layer.
int layer_of(std::string_view folder) {
  const auto it = std::find(kLayers.begin(), kLayers.end(), folder);
  return it == kLayers.end() ? -1 : static_cast<int>(it - kLayers.begin());
}

// The folder of a quoted include ("model/edit.h" → "model"); empty for
// includes without one.
std::string included_folder(const std::string& line) {
  const std::size_t open = line.find('"');
  if (line.rfind("#include", 0) != 0 || open == std::string::npos) return {};
  const std::size_t slash = line.find('/', open);
  const std::size_t close = line.find('"', open + 1);
  if (slash == std::string::npos || slash > close) return {};
  return line.substr(open + 1, slash - open - 1);
}

TEST(IncludeOrder, NoFileIncludesAFolderAboveItsOwn) {
  std::vector<std::string> upward;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(LUMETCH_SOURCE)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    const std::string folder = fs::relative(entry.path(), LUMETCH_SOURCE).begin()->string();
    const int own = layer_of(folder);
    ASSERT_GE(own, 0) << "a folder outside the order: " << folder;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
      const std::string target = included_folder(line);
      if (target.empty()) continue;
      const int layer = layer_of(target);
      if (layer < 0 || layer > own) {
        upward.push_back(fs::relative(entry.path(), LUMETCH_SOURCE).string() + ":" +
                         std::to_string(n) + " includes " + target);
      }
    }
  }
  EXPECT_GT(files, 100);
  EXPECT_TRUE(upward.empty()) << ::testing::PrintToString(upward);
}

TEST(IncludeOrder, IncludesAreReadWithTheirFolder) {
  EXPECT_EQ(included_folder("#include \"model/edit.h\""), "model");
  EXPECT_EQ(included_folder("#include <QWidget>"), "");
  EXPECT_EQ(included_folder("#include \"local.h\"  // a/b"), "");
  EXPECT_EQ(layer_of("shell"), 9);
  EXPECT_LT(layer_of("model"), layer_of("marker"));
}

}  // namespace
