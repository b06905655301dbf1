#include "marker/port_writer.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

TEST(PortWriter, FailureIsReportedOnceAndNothingMoreIsWrittenUntilReset) {
  test::TempDir dir;
  const std::filesystem::path file = dir.file("spool") / "out.txt";
  PortWriter port(make_channel("file:" + file.string(), nullptr));
  std::vector<std::string> reports;
  port.on_failure = [&](const std::string& e) { reports.push_back(e); };

  EXPECT_FALSE(port.Send("IN;"));
  // The folder appears in the middle of the job: the job has already failed.
  std::filesystem::create_directory(file.parent_path());
  EXPECT_FALSE(port.Send("PD1,1;"));
  EXPECT_FALSE(port.Send("PD2,2;"));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(reports, std::vector<std::string>{port.error()});
  EXPECT_NE(port.error().find('"' + file.string() + '"'), std::string::npos) << port.error();

  // The next job tries again and starts cleanly; each command reaches the file as sent.
  port.reset();
  EXPECT_TRUE(port.Send("PU3,3;"));
  EXPECT_EQ(dir.read("spool/out.txt"), "PU3,3;");
  EXPECT_TRUE(port.Send("PD4,4;"));
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(port.commands_sent(), 2u);
  // Another job on the file goes on after it, never truncating it.
  EXPECT_TRUE(PortWriter(make_channel("file:" + file.string(), nullptr)).Send("IN;"));
  EXPECT_EQ(dir.read("spool/out.txt"), "PU3,3;PD4,4;IN;");
}

}  // namespace
}  // namespace lumetch
