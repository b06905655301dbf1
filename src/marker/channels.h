#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "marker/port_writer.h"

namespace lumetch {

class MarkerSim;

// A character device (printer port) or a FIFO. Every command is its own
// open–write–close, so the device sees exactly one write per command and no
// handle outlives it. A FIFO without a reader fails at once instead of hanging.
class DeviceChannel : public Channel {
 public:
  explicit DeviceChannel(std::string path);
  std::string name() const override { return path_; }
  std::optional<std::string> write(std::string_view command) override;

 private:
  std::string path_;
};

// A regular file, only ever appended to (created when missing if `create`).
// It is opened at the first command and kept open; a failure closes it so
// that the next command (after the port was reset) opens it afresh.
class AppendFileChannel : public Channel {
 public:
  AppendFileChannel(std::string path, bool create);
  ~AppendFileChannel() override;
  AppendFileChannel(const AppendFileChannel&) = delete;
  AppendFileChannel& operator=(const AppendFileChannel&) = delete;

  std::string name() const override { return path_; }
  std::optional<std::string> write(std::string_view command) override;

 private:
  void close_file();
  std::string path_;
  bool create_ = false;
  int fd_ = -1;
};

// Hands every command to the built-in marker simulator.
class SimChannel : public Channel {
 public:
  explicit SimChannel(MarkerSim& sim) : sim_(sim) {}
  std::string name() const override { return "sim"; }
  std::optional<std::string> write(std::string_view command) override;
  MarkerSim& sim() { return sim_; }

 private:
  MarkerSim& sim_;
};

// Discards every command, counting them: for benchmarks and dry runs.
class NullChannel : public Channel {
 public:
  std::string name() const override { return "null"; }
  std::optional<std::string> write(std::string_view command) override;
  std::uint64_t count() const { return count_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::uint64_t count_ = 0;
  std::uint64_t bytes_ = 0;
};

// A channel that cannot be used at all (a directory, a block device, a sim
// without simulator): every write returns the same error.
class BrokenChannel : public Channel {
 public:
  BrokenChannel(std::string name, std::string error)
      : name_(std::move(name)), error_(std::move(error)) {}
  std::string name() const override { return name_; }
  std::optional<std::string> write(std::string_view) override { return error_; }

 private:
  std::string name_;
  std::string error_;
};

}  // namespace lumetch
