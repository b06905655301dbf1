#include "marker/port_writer.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

// Records what reaches it and fails the writes it is told to fail.
class FakeChannel : public Channel {
 public:
  std::string name() const override { return "fake"; }
  std::optional<std::string> write(std::string_view command) override {
    ++attempts;
    if (fail) return "Cannot write to the marker port \"fake\": broken";
    received.emplace_back(command);
    return std::nullopt;
  }
  bool fail = false;
  int attempts = 0;
  std::vector<std::string> received;
};

TEST(PortWriter, FailureIsReportedOnceAndStopsEverythingUntilReset) {
  auto owned = std::make_unique<FakeChannel>();
  FakeChannel& fake = *owned;
  PortWriter port(std::move(owned));
  std::vector<std::string> reports;
  port.on_failure = [&](const std::string& e) { reports.push_back(e); };

  EXPECT_TRUE(port.Send("IN;"));
  fake.fail = true;
  EXPECT_FALSE(port.Send("PU1,1;"));
  EXPECT_TRUE(port.failed());
  EXPECT_EQ(port.error(), "Cannot write to the marker port \"fake\": broken");

  // Even with the channel well again, nothing goes out until reset.
  fake.fail = false;
  EXPECT_FALSE(port.Send("PD2,2;"));
  EXPECT_FALSE(port.Send("PD3,3;"));
  EXPECT_EQ(fake.attempts, 2);
  EXPECT_EQ(reports, std::vector<std::string>{port.error()});
  EXPECT_EQ(port.commands_sent(), 1u);

  port.reset();
  EXPECT_FALSE(port.failed());
  EXPECT_TRUE(port.error().empty());
  EXPECT_TRUE(port.Send("PU;"));
  EXPECT_EQ(fake.received, (std::vector<std::string>{"IN;", "PU;"}));
  EXPECT_EQ(port.commands_sent(), 2u);
}

TEST(PortWriter, FileThatCouldNotBeOpenedIsNotWrittenLater) {
  test::TempDir dir;
  const std::filesystem::path folder = dir.file("spool");
  const std::string path = (folder / "out.txt").string();
  PortWriter port(make_channel(path, nullptr));
  int reports = 0;
  port.on_failure = [&](const std::string& e) {
    ++reports;
    EXPECT_NE(e.find('"' + path + '"'), std::string::npos) << e;
  };

  EXPECT_FALSE(port.Send("IN;"));
  // The folder appears in the middle of the job: the job has already failed.
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(port.Send("PD1,1;"));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(reports, 1);

  // The next job tries again and starts cleanly.
  port.reset();
  EXPECT_TRUE(port.Send("PU2,2;"));
  EXPECT_EQ(dir.read("spool/out.txt"), "PU2,2;");
  EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace lumetch
