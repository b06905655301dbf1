// The seed corpora of the fuzz targets and every input a fuzzer found a fault
// with, run through the same entry bodies, against the sanitized core.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "entries.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs_in(const fs::path& dir) {
  std::vector<fs::path> out;
  if (!fs::is_directory(dir)) return out;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    if (e.is_regular_file()) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(FuzzReplay, SeedsAndRegressionsOfEveryTarget) {
  for (const fuzz::Target& t : fuzz::targets()) {
    const std::string name(t.name);
    const std::vector<fs::path> seeds = inputs_in(fs::path(LUMETCH_FUZZ_CORPUS) / name);
    EXPECT_FALSE(seeds.empty()) << "no seed corpus for " << name;
    std::vector<fs::path> all = seeds;
    for (const fs::path& p : inputs_in(fs::path(LUMETCH_FUZZ_REGRESSIONS) / name)) all.push_back(p);
    for (const fs::path& p : all) {
      SCOPED_TRACE(p.string());
      std::ifstream in(p, std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      EXPECT_EQ(t.entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
    }
  }
}

}  // namespace
}  // namespace lumetch
