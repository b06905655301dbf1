#include "marker/port_writer.h"

namespace lumetch {

PortWriter::PortWriter(std::unique_ptr<Channel> channel) : channel_(std::move(channel)) {}

bool PortWriter::Send(std::string_view text) {
  if (failed_) return false;
  if (auto err = channel_->write(text)) {
    failed_ = true;
    error_ = std::move(*err);
    if (on_failure) on_failure(error_);
    return false;
  }
  ++sent_;
  return true;
}

void PortWriter::reset() {
  failed_ = false;
  error_.clear();
}

}  // namespace lumetch
