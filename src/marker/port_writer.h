#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_file.h"

namespace lumetch {

class MarkerSim;

// Where marker commands go. One write() carries one command, unchanged.
class Channel {
 public:
  virtual ~Channel() = default;
  // Name shown to the operator: a path, "sim" or "null".
  virtual std::string name() const = 0;
  // Writes one command. Returns an error in plain words when the channel cannot
  // be opened or written; nothing is written through a failed handle.
  virtual std::optional<std::string> write(std::string_view command) = 0;

  // Asked when a signal interrupts a write (or open) the channel is blocked
  // in: true gives it up, so that a marker that takes nothing cannot hold the
  // job for ever; false waits on.
  void set_give_up(std::function<bool()> give_up) { give_up_ = std::move(give_up); }
  bool should_give_up() const { return give_up_ && give_up_(); }

 private:
  std::function<bool()> give_up_;
};

// Sends the marker command stream, one command per write. After the first
// failure it reports once through on_failure and refuses every further command
// until reset().
class PortWriter {
 public:
  explicit PortWriter(std::unique_ptr<Channel> channel);

  // Sends one command; false when the channel failed now or earlier.
  bool Send(std::string_view text);

  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }
  // Clears a failure so that the next job tries the channel again.
  void reset();

  Channel& channel() { return *channel_; }
  const Channel& channel() const { return *channel_; }
  std::uint64_t commands_sent() const { return sent_; }

  std::function<void(const std::string& error)> on_failure;

 private:
  std::unique_ptr<Channel> channel_;
  bool failed_ = false;
  std::string error_;
  std::uint64_t sent_ = 0;
};

// The prefix of a channel that records the stream into a file: "file:PATH".
inline constexpr std::string_view kRecordPrefix = "file:";

// Channel names: "sim" (needs `sim`), "null" (discards), "file:PATH" (a
// regular file, created when missing, appended to), or a path: a character
// device or FIFO is opened, written and closed per command; an existing
// regular file is appended to. A path that does not exist or is none of these,
// and "sim" without a simulator, give a channel whose every write fails with
// the reason.
std::unique_ptr<Channel> make_channel(const std::string& name, MarkerSim* sim);

// "port.txt" in `work_dir`: the channel its first line names, trimmed (a
// relative path there is taken from `work_dir`); empty when the file is
// missing, cannot be read (the result says which) or names none.
struct PortFile : ReadResult {
  std::string channel;
};
PortFile read_port_file(const std::filesystem::path& work_dir);
// The channel named by the text of a "port.txt" in `work_dir`.
std::string parse_port_file(std::string_view text, const std::filesystem::path& work_dir);

// The channel to use: `override` when given (and not blank), else the first
// line of "port.txt" in `work_dir` (a relative path there, also after
// "file:", is taken from `work_dir`), else /dev/usb/lp0 or /dev/lp0 when it
// is a writable character device, else "sim".
std::string choose_port(const std::filesystem::path& work_dir,
                        const std::optional<std::string>& override);
// The same, looking for the printer devices in `devices`, in order.
std::string choose_port(const std::filesystem::path& work_dir,
                        const std::optional<std::string>& override,
                        const std::vector<std::filesystem::path>& devices);

}  // namespace lumetch
