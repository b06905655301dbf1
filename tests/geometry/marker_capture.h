#pragma once

// Test helper for generators on the marker target: a channel that keeps every
// command, and a ready-wired document, port, operator and pen emitter.

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

struct CaptureLog {
  std::vector<std::string> commands;
  std::optional<std::size_t> fail_after;  // writes beyond this many fail, as a lost port would
};

class CaptureChannel : public Channel {
 public:
  explicit CaptureChannel(CaptureLog& log) : log_(log) {}
  std::string name() const override { return "capture"; }
  std::optional<std::string> write(std::string_view command) override {
    if (log_.fail_after && log_.commands.size() >= *log_.fail_after) {
      return "capture channel failed";
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

inline constexpr auto up = [](int32_t x, int32_t y) { return Move{false, x, y}; };
inline constexpr auto down = [](int32_t x, int32_t y) { return Move{true, x, y}; };
inline std::ostream& operator<<(std::ostream& os, const Move& m) {
  return os << (m.down ? "PD" : "PU") << m.x << ',' << m.y << ';';
}

// Parses a pen-move command; nullopt for any other command.
inline std::optional<Move> parse_move(std::string_view cmd) {
  Move m{cmd.starts_with("PD")};
  if (!(m.down || cmd.starts_with("PU")) || !cmd.ends_with(';')) return std::nullopt;
  const char* const end = cmd.data() + cmd.size() - 1;
  const auto x = std::from_chars(cmd.data() + 2, end, m.x);
  if (x.ec != std::errc() || x.ptr == end || *x.ptr != ',') return std::nullopt;
  const auto y = std::from_chars(x.ptr + 1, end, m.y);
  if (y.ec != std::errc() || y.ptr != end) return std::nullopt;
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

  const std::vector<std::string>& commands() const { return sent.commands; }
  std::vector<Move> moves() const {
    std::vector<Move> out;
    for (const std::string& c : sent.commands) {
      if (auto m = parse_move(c)) out.push_back(*m);
    }
    return out;
  }
  // Presses Escape at the first key poll after `n` commands have gone out:
  // the move being polled is then not sent and stop_requested is set.
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

}  // namespace lumetch::test
