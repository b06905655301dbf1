// The example layouts mark exactly the streams kept in tests/data/streams:
// a change anywhere in reading, editing or generating that moves a single
// marker unit shows here. LUMETCH_WRITE_STREAMS=1 rewrites the kept streams
// after an intended change (review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "commands/engrave.h"
#include "commands/layout_commands.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The layouts name their imports relative to the folder they are marked in.
class InFolder {
 public:
  explicit InFolder(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(previous_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path previous_;
};

std::string mark_example(const std::string& layout) {
  test::TempDir dir;
  for (const auto& entry : fs::directory_iterator(LUMETCH_EXAMPLES)) {
    fs::copy_file(entry.path(), dir.path() / entry.path().filename());
  }
  InFolder here(dir.path());
  CketralDoc doc;
  doc.work_dir = dir.path();
  ScriptedOperator op;
  const OpenResult r = open_layout_file(doc, dir.file(layout), &op);
  EXPECT_GT(r.objects_read, 0) << layout;
  EXPECT_TRUE(op.shown.empty()) << layout << ": " << op.shown.front().text;
  PortWriter port(make_channel("file:" + dir.file("marked.txt").string(), nullptr));
  PenEmitter pen(doc, port, op);
  EXPECT_EQ(Engrave(pen).outcome, EngraveResult::Outcome::Done) << layout;
  return dir.read("marked.txt");
}

TEST(ExampleStreams, EveryExampleLayoutMarksItsKeptStream) {
  const bool rewrite = std::getenv("LUMETCH_WRITE_STREAMS") != nullptr;
  for (const char* name : {"every-type", "texts", "demo"}) {
    SCOPED_TRACE(name);
    const std::string marked = mark_example(std::string(name) + ".mrk");
    ASSERT_GT(marked.size(), 1000u);
    const fs::path kept = fs::path(LUMETCH_TEST_DATA) / "streams" / (std::string(name) + ".txt");
    if (rewrite) std::ofstream(kept, std::ios::binary) << marked;
    // Compared as a whole; on a difference the first differing command says where.
    const std::string expected = read_file(kept);
    if (marked != expected) {
      std::size_t at = 0;
      while (at < marked.size() && at < expected.size() && marked[at] == expected[at]) ++at;
      const std::size_t line_start =
          expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
      ADD_FAILURE() << "first difference near byte " << at << ": kept \""
                    << expected.substr(line_start, 40) << "\", marked \""
                    << marked.substr(line_start, 40) << "\"";
    }
  }
}

}  // namespace
}  // namespace lumetch
