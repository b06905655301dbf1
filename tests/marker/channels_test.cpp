#include "marker/channels.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "marker/marker_sim.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::TempDir;

std::string open_error(const std::string& path, const std::string& why) {
  return "Cannot open the marker port \"" + path + "\": " + why;
}

TEST(DeviceChannel, FifoFailsFastWithoutReaderWaitsForASlowOneAndSurvivesItsLeaving) {
  TempDir dir;
  const std::string path = dir.file("port").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  DeviceChannel channel(path);
  auto no_reader = std::async(std::launch::async, [&] { return channel.write("PU0,0;"); });
  if (no_reader.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);  // release the hung writer
    no_reader.wait();
    ::close(fd);
    FAIL() << "writing to a FIFO without a reader hung";
  }
  EXPECT_EQ(no_reader.get(), open_error(path, "no program is reading from it"));

  // Read and write: the FIFO keeps a reader across the channel's open–close cycles.
  const int reader = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  // The last command overfills the pipe: the writer must wait, not fail.
  const std::vector<std::string> commands = {"IN;", "PU1,-1;", "PD2,-2;", std::string(200000, 'X')};
  std::string expected;
  for (const auto& c : commands) expected += c;
  // The reader takes a little more, then goes away while the writer waits on a full pipe.
  auto got = std::async(std::launch::async, [&] {
    std::string out;
    char buf[4096];
    for (pollfd p{reader, POLLIN, 0};
         out.size() < expected.size() + 16 && ::poll(&p, 1, 2000) > 0;) {
      const ssize_t n = ::read(reader, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(reader);
    return out;
  });
  for (const auto& c : commands) EXPECT_EQ(channel.write(c), std::nullopt);
  EXPECT_EQ(
      channel.write(std::string(1 << 20, 'Y')),
      "Cannot write to the marker port \"" + path + "\": the program reading from it has stopped");
  EXPECT_EQ(got.get().substr(0, expected.size()), expected);
}

TEST(MakeChannel, EachKindOfNameWritesOrFailsEveryTimeNamingThePath) {
  TempDir dir;
  MarkerSim sim;
  const std::string d = dir.path().string();
  const std::string no_dir = dir.file("missing").string() + "/out.txt";
  const struct {
    std::string name;
    MarkerSim* sim;
    std::optional<std::string> error;
  } cases[] = {
      {"sim", &sim, std::nullopt},
      {"null", &sim, std::nullopt},
      {"/dev/null", nullptr, std::nullopt},
      {"/dev/full", nullptr,
       "Cannot write to the marker port \"/dev/full\": No space left on device"},
      {d, nullptr, open_error(d, "Is a directory")},
      {no_dir, nullptr, open_error(no_dir, "No such file or directory")},
      {"sim", nullptr, open_error("sim", "no marker simulator is available")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto channel = make_channel(c.name, c.sim);
    EXPECT_EQ(channel->write("PU1,2;"), c.error);
    EXPECT_EQ(channel->write("IN;"), c.error);
  }
  EXPECT_EQ(sim.commands(), (std::vector<std::string>{"PU1,2;", "IN;"}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST(ChoosePort, Precedence) {
  TempDir dir;
  dir.write("lp_present", "");
  const std::filesystem::path present = dir.file("lp_present");
  const std::filesystem::path absent = dir.file("lp_absent");
  const struct {
    const char* label;
    std::optional<std::string> port_txt;  // nullopt: no file
    std::optional<std::string> override;
    std::vector<std::filesystem::path> devices;
    std::string expected;
  } cases[] = {
      {"override wins, trimmed", "/dev/usb/lp1\n", " null\t", {present}, "null"},
      {"blank override is no override", "sim\n", "  ", {present}, "sim"},
      {"first line, trimmed", " \t/dev/usb/lp1 \r\nnull\n", {}, {present}, "/dev/usb/lp1"},
      {"relative path", "out.txt\r\n", {}, {}, (dir.path() / "out.txt").string()},
      {"byte-order mark", "\xEF\xBB\xBFsim\r\n", {}, {present}, "sim"},
      {"empty port.txt, first present device", "", {}, {absent, present}, present.string()},
      {"nothing at all", std::nullopt, {}, {absent}, "sim"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(dir.file("port.txt"));
    if (c.port_txt) dir.write("port.txt", *c.port_txt);
    EXPECT_EQ(choose_port(dir.path(), c.override, c.devices), c.expected);
  }
}

}  // namespace
}  // namespace lumetch
