#pragma once

// Test helper for generators on the marker target: a channel that keeps every
// command, and a ready-wired document, port, operator and pen emitter.

#include <gtest/gtest.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/mapping.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"

namespace lumetch::test {

// What a CaptureChannel has been sent, and when it should start failing.
struct CaptureLog {
  std::vector<std::string> commands;
  // Writes beyond this many fail, as a port that went away would.
  std::optional<std::size_t> fail_after;
};

// A channel that records each command in a CaptureLog owned elsewhere.
class CaptureChannel : public Channel {
 public:
  explicit CaptureChannel(CaptureLog& log) : log_(log) {}
  std::string name() const override { return "capture"; }
  std::optional<std::string> write(std::string_view command) override {
    if (log_.fail_after && log_.commands.size() >= *log_.fail_after) {
      return std::string("capture channel failed");
    }
    log_.commands.emplace_back(command);
    return std::nullopt;
  }

 private:
  CaptureLog& log_;
};

// One pen move as sent ("PU10,20;" or "PD10,20;").
struct Move {
  bool down = false;
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Move&) const = default;
};

inline Move up(int32_t x, int32_t y) {
  return {false, x, y};
}
inline Move down(int32_t x, int32_t y) {
  return {true, x, y};
}

inline std::ostream& operator<<(std::ostream& os, const Move& m) {
  return os << (m.down ? "PD" : "PU") << m.x << ',' << m.y << ';';
}

// Parses a pen-move command; nullopt for any other command.
inline std::optional<Move> parse_move(std::string_view cmd) {
  if (cmd.size() < 5 || cmd[0] != 'P' || (cmd[1] != 'U' && cmd[1] != 'D') || cmd.back() != ';') {
    return std::nullopt;
  }
  Move m;
  m.down = cmd[1] == 'D';
  const char* p = cmd.data() + 2;
  const char* const end = cmd.data() + cmd.size() - 1;
  auto rx = std::from_chars(p, end, m.x);
  if (rx.ec != std::errc() || rx.ptr == end || *rx.ptr != ',') return std::nullopt;
  auto ry = std::from_chars(rx.ptr + 1, end, m.y);
  if (ry.ec != std::errc() || ry.ptr != end) return std::nullopt;
  return m;
}

// A document in an engraving job whose port records every command. Default
// settings: 100 mm field, rates 1.0, no mirrors, dialect "SP1;" (Escape
// stops at once). Not copyable or movable: the parts refer to each other.
struct MarkerCapture {
  CketralDoc doc;
  ScriptedOperator op;
  CaptureLog sent;
  PortWriter port{std::make_unique<CaptureChannel>(sent)};
  PenEmitter pen{doc, port, op};
  GeomContext g{doc, &pen};

  MarkerCapture() { doc.engraving = 1; }
  MarkerCapture(const MarkerCapture&) = delete;
  MarkerCapture& operator=(const MarkerCapture&) = delete;

  const std::vector<std::string>& commands() const { return sent.commands; }

  // Every command back to back, as the port received them.
  std::string stream() const {
    std::string s;
    for (const std::string& c : sent.commands) s += c;
    return s;
  }

  // The pen moves, in order; other commands are left out.
  std::vector<Move> moves() const {
    std::vector<Move> out;
    for (const std::string& c : sent.commands) {
      if (auto m = parse_move(c)) out.push_back(*m);
    }
    return out;
  }

  // Presses Escape once, at the first key poll after `n` commands have gone
  // out: the move being polled is then not sent and stop_requested is set.
  void escape_after(std::size_t n) {
    op.on_poll = [this, n, pressed = false](ScriptedOperator& o) mutable {
      if (!pressed && sent.commands.size() >= n) {
        o.press_escape();
        pressed = true;
      }
    };
  }

  // Forgets the commands sent so far and clears the stop flag.
  void clear() {
    sent.commands.clear();
    doc.stop_requested = 0;
  }
};

// Fixture form for TEST_F.
class MarkerTest : public ::testing::Test {
 protected:
  MarkerCapture marker;
};

}  // namespace lumetch::test
