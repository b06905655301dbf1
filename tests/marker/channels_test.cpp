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

TEST(MakeChannel, FifoFailsFastWithoutReaderWaitsForASlowOneAndSurvivesItsLeaving) {
  TempDir dir;
  const std::string path = dir.file("port").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const auto channel = make_channel(path, nullptr);
  auto no_reader = std::async(std::launch::async, [&] { return channel->write("PU0,0;"); });
  if (no_reader.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ::close(::open(path.c_str(), O_RDONLY | O_NONBLOCK));  // let the hung writer go
    FAIL() << "writing to a FIFO without a reader hung";
  }
  EXPECT_EQ(no_reader.get(),
            "Cannot open the marker port \"" + path + "\": no program is reading from it");

  // The reader outlives the channel's open–close cycles; the command overfills
  // the pipe, so the writer must wait for it, not fail.
  const int reader = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  const std::string big(200000, 'X');
  auto got = std::async(std::launch::async, [&] {
    std::string out;
    char buf[4096];
    for (pollfd p{reader, POLLIN, 0}; out.size() < big.size() + 16 && ::poll(&p, 1, 2000) > 0;) {
      const ssize_t n = ::read(reader, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(reader);  // gone while the writer waits on a full pipe
    return out;
  });
  EXPECT_EQ(channel->write(big), std::nullopt);
  EXPECT_EQ(
      channel->write(std::string(1 << 20, 'Y')),
      "Cannot write to the marker port \"" + path + "\": the program reading from it has stopped");
  EXPECT_EQ(got.get().substr(0, big.size()), big);
}

TEST(MakeChannel, EachKindOfNameWritesOrFailsEveryTimeNamingThePath) {
  TempDir dir;
  MarkerSim sim;
  const std::string d = dir.path().string();
  const struct {
    std::string name;
    MarkerSim* sim;
    std::optional<std::string> error;
  } cases[] = {
      {"sim", &sim, std::nullopt},
      {"null", &sim, std::nullopt},
      {"/dev/full", nullptr,
       "Cannot write to the marker port \"/dev/full\": No space left on device"},
      {d, nullptr, "Cannot open the marker port \"" + d + "\": Is a directory"},
      {"sim", nullptr, "Cannot open the marker port \"sim\": no marker simulator is available"},
      // A missing path is no port: only file: records into a new file.
      {d + "/lp1", nullptr,
       "Cannot open the marker port \"" + d +
           "/lp1\": no such device or file (to record the commands into a new file, name it "
           "file:" +
           d + "/lp1)"},
      {"SIM", nullptr,
       "Cannot open the marker port \"SIM\": no such device or file (the channel names are "
       "\"sim\" and \"null\", in lower case)"},
      {"file:/dev/null", nullptr,
       "Cannot open the marker port \"file:/dev/null\": not a regular file (file: records into "
       "regular files only)"},
      {"file:" + d + "/new.txt", nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto channel = make_channel(c.name, c.sim);
    EXPECT_EQ(channel->write("PU1,2;"), c.error);
    EXPECT_EQ(channel->write("IN;"), c.error);
  }
  EXPECT_EQ(sim.commands(), (std::vector<std::string>{"PU1,2;", "IN;"}));
  EXPECT_EQ(dir.read("new.txt"), "PU1,2;IN;");
  EXPECT_FALSE(std::filesystem::exists(dir.file("lp1")));
  // An existing file is appended to without the prefix.
  EXPECT_EQ(make_channel(d + "/new.txt", nullptr)->write("PU;"), std::nullopt);
  EXPECT_EQ(dir.read("new.txt"), "PU1,2;IN;PU;");
}

TEST(ChoosePort, Precedence) {
  TempDir dir;
  // /dev/null stands in for a printer device; a regular file of that name is none.
  const std::filesystem::path present = "/dev/null", absent = dir.file("lp0"),
                              plain = dir.file("port.txt");
  const struct {
    const char* label;
    std::string port_txt;
    std::optional<std::string> override;
    std::vector<std::filesystem::path> devices;
    std::string expected;
  } cases[] = {
      {"override wins, trimmed", "/dev/usb/lp1\n", " null\t", {present}, "null"},
      {"blank override is no override", "sim\n", "  ", {present}, "sim"},
      {"first line, trimmed", " \t/dev/usb/lp1 \r\nnull\n", {}, {present}, "/dev/usb/lp1"},
      {"relative path", "out.txt\r\n", {}, {}, (dir.path() / "out.txt").string()},
      {"relative recording", "file:out.txt\n", {}, {}, "file:" + (dir.path() / "out.txt").string()},
      {"absolute recording", "file:/tmp/x\n", {}, {}, "file:/tmp/x"},
      {"byte-order mark", "\xEF\xBB\xBFsim\r\n", {}, {present}, "sim"},
      {"empty port.txt: the first writable device", "", {}, {absent, present}, present.string()},
      {"nothing at all", "", {}, {absent}, "sim"},
      {"a regular file is no printer device", "", {}, {plain}, "sim"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    dir.write("port.txt", c.port_txt);
    EXPECT_EQ(choose_port(dir.path(), c.override, c.devices), c.expected);
  }
}

}  // namespace
}  // namespace lumetch
