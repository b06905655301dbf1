#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// Only a regular file is read; a FIFO is refused without waiting for a
// writer, and only a name that leads nowhere counts as missing.
TEST(InputFile, ReadsRegularFilesOnlyAndTellsMissingFromUnreadable) {
  test::TempDir dir;
  dir.write("plain", "text");
  fs::create_directory(dir.file("folder"));
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0666), 0);
  fs::create_symlink(dir.file("plain"), dir.file("link"));
  fs::create_symlink("/dev/zero", dir.file("zero"));
  struct Case {
    const char* name;
    InputStatus status;
    const char* reason;
  };
  for (const Case c : {Case{"plain", InputStatus::Ok, ""},
                       {"link", InputStatus::Ok, ""},
                       {"nowhere", InputStatus::Missing, "it does not exist"},
                       {"plain/below", InputStatus::Missing, "it does not exist"},
                       {"folder", InputStatus::Unreadable, "it is a directory"},
                       {"fifo", InputStatus::Unreadable, "it is a FIFO"},
                       {"zero", InputStatus::Unreadable, "it is a character device"}}) {
    SCOPED_TRACE(c.name);
    const InputText r = read_input_file(dir.file(c.name));
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.text, r.ok() ? "text" : "");
    EXPECT_TRUE(r.reason.starts_with(c.reason)) << r.reason;
    EXPECT_EQ(r.message.find(dir.file(c.name).string()) != std::string::npos, !r.ok());
  }
}

// An output that is not a regular file is never replaced: renaming over a
// FIFO or a device would turn it into a plain file.
TEST(AtomicFile, RefusesWhatIsNoRegularFileAndKeepsTheOldFileUntilCommitted) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0666), 0);
  std::string reason;
  EXPECT_FALSE(write_file_atomically(dir.file("fifo"), "x", &reason));
  EXPECT_TRUE(reason.starts_with("it is a FIFO")) << reason;
  EXPECT_TRUE(fs::is_fifo(dir.file("fifo")));

  dir.write("out", "old");
  AtomicFile out;
  ASSERT_TRUE(out.open(dir.file("out")));
  std::fputs("new", out.file());
  std::fflush(out.file());
  EXPECT_EQ(dir.read("out"), "old");
  out.abandon();
  EXPECT_EQ(dir.read("out"), "old");
  ASSERT_TRUE(out.open(dir.file("out")));
  std::fputs("new", out.file());
  ASSERT_TRUE(out.commit());
  EXPECT_EQ(dir.read("out"), "new");
  // No temporary left beside it: the fifo and the file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace lumetch
