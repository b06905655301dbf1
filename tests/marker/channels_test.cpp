#include "marker/channels.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "marker/marker_sim.h"
#include "marker/port_writer.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::TempDir;
using namespace std::chrono_literals;

// Reads from fd until `want` bytes arrived or nothing came for two seconds.
std::string read_bytes(int fd, std::size_t want) {
  std::string got;
  char buf[4096];
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) break;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

TEST(AppendFileChannel, AppendsEachCommandAsItIsSentAndNeverTruncates) {
  TempDir dir;
  dir.write("out.txt", "OLD");
  const std::string path = dir.file("out.txt").string();
  const std::vector<std::string> commands = {"IN;SP2;DA80;VS300;", "PU1,2;", "PD-3,4;"};
  std::string expected = "OLD";
  {
    auto channel = make_channel(path, nullptr);
    ASSERT_NE(dynamic_cast<AppendFileChannel*>(channel.get()), nullptr);
    EXPECT_EQ(channel->name(), path);
    for (const auto& c : commands) {
      ASSERT_EQ(channel->write(c), std::nullopt);
      expected += c;
      // Nothing is held back between commands, and no terminator is added.
      EXPECT_EQ(dir.read("out.txt"), expected);
    }
  }
  // A second job on the same file goes on after the first.
  auto again = make_channel(path, nullptr);
  ASSERT_EQ(again->write("PU;"), std::nullopt);
  EXPECT_EQ(dir.read("out.txt"), expected + "PU;");
}

TEST(AppendFileChannel, CreatesAMissingFile) {
  TempDir dir;
  const std::string path = dir.file("new.txt").string();
  auto channel = make_channel(path, nullptr);
  ASSERT_EQ(channel->write("PD100,-20;"), std::nullopt);
  EXPECT_EQ(dir.read("new.txt"), "PD100,-20;");
}

TEST(DeviceChannel, FifoWithReaderGetsEveryCommandInOrder) {
  TempDir dir;
  const std::string path = dir.file("port").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  // Opened for reading and writing, the FIFO keeps a reader between the
  // channel's open–close cycles and never sees end-of-file.
  const int reader = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(reader, 0);

  std::string expected;
  for (int i = 0; i < 500; ++i)
    expected += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";";
  // One command larger than the pipe's buffer: the writer must wait for the reader.
  const std::string big(200000, 'X');
  expected += big;

  auto got = std::async(std::launch::async, [&] { return read_bytes(reader, expected.size()); });
  auto channel = make_channel(path, nullptr);
  ASSERT_NE(dynamic_cast<DeviceChannel*>(channel.get()), nullptr);
  PortWriter port(std::move(channel));
  for (int i = 0; i < 500; ++i) {
    ASSERT_TRUE(port.Send("PD" + std::to_string(i) + "," + std::to_string(-i) + ";"));
  }
  ASSERT_TRUE(port.Send(big));
  EXPECT_EQ(port.commands_sent(), 501u);
  EXPECT_EQ(got.get(), expected);
  ::close(reader);
}

TEST(DeviceChannel, FifoWithoutReaderFailsAtOnce) {
  TempDir dir;
  const std::string path = dir.file("port").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  auto channel = make_channel(path, nullptr);
  auto result = std::async(std::launch::async, [&] { return channel->write("PU0,0;"); });
  if (result.wait_for(5s) != std::future_status::ready) {
    // Release the hung writer so that the test can end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    result.wait();
    if (fd >= 0) ::close(fd);
    FAIL() << "writing to a FIFO without a reader hung";
  }
  const auto error = result.get();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, "Cannot open the marker port \"" + path + "\": no program is reading from it");
}

TEST(DeviceChannel, ReaderThatGoesAwayIsAnErrorNotADeadProgram) {
  TempDir dir;
  const std::string path = dir.file("port").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const int reader = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  // The reader takes a little and closes while the writer waits on a full pipe.
  std::thread quitter([reader] {
    char buf[16];
    [[maybe_unused]] const ssize_t n = ::read(reader, buf, sizeof buf);
    ::close(reader);
  });
  DeviceChannel channel(path);
  const auto error = channel.write(std::string(1 << 20, 'X'));
  quitter.join();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, "Cannot write to the marker port \"" + path +
                        "\": the program reading from it has stopped");
}

TEST(DeviceChannel, CharacterDevices) {
  auto null_dev = make_channel("/dev/null", nullptr);
  ASSERT_NE(dynamic_cast<DeviceChannel*>(null_dev.get()), nullptr);
  EXPECT_EQ(null_dev->write("PU0,0;"), std::nullopt);

  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  auto full = make_channel("/dev/full", nullptr);
  EXPECT_EQ(full->write("PU0,0;"),
            "Cannot write to the marker port \"/dev/full\": No space left on device");
}

TEST(MakeChannel, UnusablePathsGiveAnErrorNamingThePath) {
  TempDir dir;
  dir.write("plain", "x");
  struct Case {
    const char* label;
    std::string name;
    std::string error;
  };
  const std::string d = dir.path().string();
  const std::string under_file = dir.file("plain").string() + "/out.txt";
  const std::string no_dir = dir.file("missing").string() + "/out.txt";
  const std::vector<Case> cases = {
      {"directory", d, "Cannot open the marker port \"" + d + "\": Is a directory"},
      {"below a file", under_file,
       "Cannot open the marker port \"" + under_file + "\": Not a directory"},
      {"missing folder", no_dir,
       "Cannot open the marker port \"" + no_dir + "\": No such file or directory"},
      {"sim without simulator", "sim",
       "Cannot open the marker port \"sim\": no marker simulator is available"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto channel = make_channel(c.name, nullptr);
    EXPECT_EQ(channel->name(), c.name);
    EXPECT_EQ(channel->write("PU0,0;"), c.error);
    // Still the same on a second try, and nothing was created on the way.
    EXPECT_EQ(channel->write("PU0,0;"), c.error);
  }
  EXPECT_FALSE(std::filesystem::exists(no_dir));
}

TEST(MakeChannel, SimAndNull) {
  MarkerSim sim;
  auto channel = make_channel("sim", &sim);
  EXPECT_EQ(channel->name(), "sim");
  ASSERT_EQ(channel->write("PU1,2;"), std::nullopt);
  ASSERT_EQ(channel->write("PD3,4;"), std::nullopt);
  EXPECT_EQ(sim.commands(), (std::vector<std::string>{"PU1,2;", "PD3,4;"}));

  auto null = make_channel("null", nullptr);
  auto* counter = dynamic_cast<NullChannel*>(null.get());
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(null->write("PU1,2;"), std::nullopt);
  EXPECT_EQ(null->write("IN;"), std::nullopt);
  EXPECT_EQ(counter->count(), 2u);
  EXPECT_EQ(counter->bytes(), 9u);
}

TEST(ChoosePort, Precedence) {
  TempDir dir;
  dir.write("lp_present", "");
  const std::filesystem::path present = dir.file("lp_present");
  const std::filesystem::path absent = dir.file("lp_absent");
  struct Case {
    const char* label;
    std::optional<std::string> port_txt;  // nullopt: no file
    std::optional<std::string> override;
    std::vector<std::filesystem::path> devices;
    std::string expected;
  };
  const std::string work = dir.path().string();
  const std::vector<Case> cases = {
      {"override wins over port.txt", "/dev/usb/lp1\n", "null", {present}, "null"},
      {"blank override is no override", "sim\n", "  ", {present}, "sim"},
      {"first line, trimmed",
       " \t/dev/usb/lp1 \r\nnull\n",
       std::nullopt,
       {present},
       "/dev/usb/lp1"},
      {"relative path from the working directory",
       "out.txt\r\n",
       std::nullopt,
       {},
       (dir.path() / "out.txt").string()},
      {"byte-order mark", "\xEF\xBB\xBFsim\r\n", std::nullopt, {present}, "sim"},
      {"empty port.txt falls through", "", std::nullopt, {absent, present}, present.string()},
      {"blank first line falls through",
       "  \r\n/dev/lp0\n",
       std::nullopt,
       {present},
       present.string()},
      {"no port.txt, first present device",
       std::nullopt,
       std::nullopt,
       {present, absent},
       present.string()},
      {"nothing at all", std::nullopt, std::nullopt, {absent}, "sim"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(dir.file("port.txt"));
    if (c.port_txt) dir.write("port.txt", *c.port_txt);
    EXPECT_EQ(choose_port(work, c.override, c.devices), c.expected);
  }
}

}  // namespace
}  // namespace lumetch
