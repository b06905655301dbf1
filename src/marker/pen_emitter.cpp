#include "marker/pen_emitter.h"

#include <charconv>
#include <cstdlib>
#include <utility>

#include "model/units.h"

namespace lumetch {

namespace {
constexpr std::string_view kWarning = "Warning";
}  // namespace

PenEmitter::PenEmitter(CketralDoc& doc, PortWriter& port, Operator& op)
    : doc_(doc), port_(port), op_(op) {
  port_.on_failure = [this](const std::string& error) {
    doc_.stop_requested = 1;
    op_.message(error, kWarning);
  };
}

bool PenEmitter::pausing_dialect() const {
  const std::string& s = doc_.view.stable_speed_cmd;
  return s == "SP0;" || s == "sp0;";
}

bool PenEmitter::short_header_dialect() const {
  const std::string& s = doc_.view.stable_speed_cmd;
  return s == "SP1;" || s == "sp1;";
}

bool PenEmitter::poll_escape(bool allow_pause) {
  ++key_polls_;
  while (auto key = op_.next_key()) {
    if (key->kind != KeyEvent::Kind::Down || key->key != kKeyEscape) continue;
    if (!allow_pause || !pausing_dialect()) {
      // Keys still queued stay queued.
      doc_.stop_requested = 1;
      return false;
    }
    port_.Send("Zt;");
    if (op_.ask_continue()) {
      port_.Send("Zt;");
      continue;
    }
    doc_.stop_requested = 1;
    port_.Send("Zt;Zz;");
    return false;
  }
  return true;
}

void PenEmitter::begin_progress(JobProgress::Kind kind) {
  progress_ = JobProgress{};
  progress_.kind = kind;
  showing_ = op_.shows_progress();
  pacer_.restart();
  last_shown_ = pacer_.now();
  last_poll_ = pacer_.now();
  polls_seen_ = key_polls_;
}

void PenEmitter::end_progress() {
  if (!showing_) return;
  showing_ = false;
  op_.show_progress(progress_);
  op_.end_progress();
}

void PenEmitter::checkpoint() {
  const WorkPacer::Clock::time_point now = pacer_.now();
  if (key_polls_ != polls_seen_) {
    polls_seen_ = key_polls_;
    last_poll_ = now;
  } else if (now - last_poll_ >= quiet_poll_interval_ && doc_.stop_requested == 0 && !probe_) {
    // A conversion's Escape stops it without the marker's pause.
    poll_escape(progress_.kind == JobProgress::Kind::Marking);
    polls_seen_ = key_polls_;
    last_poll_ = now;
  }
  if (showing_ && now - last_shown_ >= progress_interval_) {
    last_shown_ = now;
    op_.show_progress(progress_);
  }
}

void PenEmitter::transform(int32_t& x, int32_t& y) const {
  const MarkSettings& s = doc_.settings;
  if (s.change_x != 0) {
    x = nearest_int(s.mark_size_x * s.rate_x * kUnitsPerMm - x);
  }
  if (s.change_y != 0) {
    y = nearest_int(s.mark_size_y * s.rate_y * kUnitsPerMm - y);
  }
  if (s.change_xy != 0) std::swap(x, y);
}

std::size_t format_move(char* buf, std::size_t size, int32_t x, int32_t y, bool pen_down) {
  // Hot path of every job: to_chars instead of snprintf.
  char* p = buf;
  char* const end = buf + size;
  *p++ = 'P';
  *p++ = pen_down ? 'D' : 'U';
  p = std::to_chars(p, end, x).ptr;
  *p++ = ',';
  p = std::to_chars(p, end, y).ptr;
  *p++ = ';';
  return static_cast<std::size_t>(p - buf);
}

void PenEmitter::EmitMove(int32_t x, int32_t y, bool pen_down) {
  send_move(x, y, pen_down);
}

bool PenEmitter::send_move(int32_t x, int32_t y, bool pen_down) {
  if (probe_) {
    probe_(x, y, pen_down);
    return true;
  }
  if (!poll_escape(true)) return false;
  work_step();
  transform(x, y);
  char buf[32];
  if (!stream_send(std::string_view(buf, format_move(buf, sizeof buf, x, y, pen_down)), true, x,
                   y)) {
    return false;
  }
  ++moves_sent_;
  return true;
}

void PenEmitter::resume_after(std::uint64_t n) {
  skip_ = n;
  prelude_due_ = n > 0;
  have_position_ = false;
  last_header_.clear();
}

bool PenEmitter::stream_send(std::string_view text, bool move, int32_t x, int32_t y) {
  if (skip_ > 0) {
    // Sent by the job that stopped: only where it left the pen matters.
    --skip_;
    ++stream_commands_;
    if (move) {
      have_position_ = true;
      last_x_ = x;
      last_y_ = y;
    } else if (text.substr(0, 2) != "CE") {
      last_header_ = std::string(text);
    }
    return true;
  }
  if (prelude_due_) {
    prelude_due_ = false;
    if (!last_header_.empty() && !port_.Send(last_header_)) return false;
    if (have_position_) {
      char buf[32];
      if (!port_.Send(std::string_view(buf, format_move(buf, sizeof buf, last_x_, last_y_, false)))) {
        return false;
      }
    }
  }
  if (!port_.Send(text)) return false;
  ++stream_commands_;
  return true;
}

bool PenEmitter::ParkAt(int32_t x, int32_t y) {
  if (port_.failed()) return false;
  if (send_move(x, y, false)) return true;
  // A second Escape (or Ctrl-C) at the park move must not leave the pen down
  // where the job stopped.
  return port_.Send("PU;");
}

bool PenEmitter::EmitMoveToFile(int32_t x, int32_t y, bool pen_down, std::FILE* file) {
  if (!poll_escape(false)) return true;
  work_step();
  transform(x, y);
  char buf[32];
  const std::size_t n = format_move(buf, sizeof buf - 1, x, y, pen_down);
  buf[n] = '\0';
  return std::fprintf(file, "%s", buf) >= 0;
}

void PenEmitter::SendEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // Sums in 64 bits: corners near the int32 limits must not overflow.
  const auto cx = static_cast<int32_t>((int64_t{x2} + x1) / 2);
  const auto cy = static_cast<int32_t>((int64_t{y2} + y1) / 2);
  const auto rx = static_cast<int64_t>(std::llabs(int64_t{x2} - x1) / 2);
  const auto ry = static_cast<int64_t>(std::llabs(int64_t{y2} - y1) / 2);
  // An ellipse whose centre move was stopped is not marked from wherever the pen is.
  if (!send_move(cx, cy, false)) return;
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "CE%lld,%lld,360;", static_cast<long long>(rx),
                              static_cast<long long>(ry));
  stream_send(std::string_view(buf, static_cast<std::size_t>(n)), false, 0, 0);
}

}  // namespace lumetch
