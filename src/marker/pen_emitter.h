#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/operator.h"
#include "platform/progress.h"

namespace lumetch {

// Turns pen moves into marker commands. Each move first drains the keyboard
// queue looking for Escape, then applies the output-side mirrors and axis swap.
// The Escape outcome and a failed port show only through doc.stop_requested.
class PenEmitter {
 public:
  // Wires the port so that its first failure stops the job and is reported once.
  PenEmitter(CketralDoc& doc, PortWriter& port, Operator& op);

  // One "PU%d,%d;" or "PD%d,%d;" command, unless Escape interrupts it.
  void EmitMove(int32_t x, int32_t y, bool pen_down);
  // The same move written into a file; Escape always stops, without dialog.
  // Returns false when the file could not be written.
  bool EmitMoveToFile(int32_t x, int32_t y, bool pen_down, std::FILE* file);
  // A pen-up move to the centre of the box and one "CE%d,%d,360;".
  void SendEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Any other command, unchanged.
  bool Send(std::string_view text) { return stream_send(text, false, 0, 0); }
  // The last command of a job: a pen-up move to (x, y), or "PU;" when Escape
  // took that move, so that the pen is left raised whatever was pressed.
  // False when nothing reached the port: the pen could not be parked.
  bool ParkAt(int32_t x, int32_t y);
  // Moves that reached the port, for telling an object that marked nothing.
  std::uint64_t moves_sent() const { return moves_sent_; }

  // Commands of the job's own stream (moves, ellipses, headers; not the
  // pause dialect's replies) that reached the port or were passed over by
  // resume_after(): a stopped job's position, the same in a job generated again.
  std::uint64_t stream_commands() const { return stream_commands_; }
  // Resuming a stopped job: the next `n` stream commands are passed over
  // unsent. Before the first command after them go the last header passed
  // over (a plot's pen header) and a raised-pen move to where the last
  // passed-over move ended, so that the stream goes on from that point.
  void resume_after(std::uint64_t n);

  // While set, every move goes to the probe instead (before mirror and swap,
  // without a key poll) and nothing is sent: a dry run of a job.
  using MoveProbe = std::function<void(int32_t x, int32_t y, bool pen_down)>;
  void set_probe(MoveProbe probe) { probe_ = std::move(probe); }

  // True in the dialect whose Escape pauses the marker ("SP0;"/"sp0;").
  bool pausing_dialect() const;
  // True in the dialect whose headers carry no power ("SP1;"/"sp1;").
  bool short_header_dialect() const;

  // The progress of the job this emitter serves. begin_progress() starts it
  // afresh (shown only when the operator shows progress at all);
  // end_progress() shows the last counts and ends it.
  void begin_progress(JobProgress::Kind kind);
  void end_progress();
  JobProgress& progress() { return progress_; }
  // How often the progress is shown at most (100 ms), and after how long
  // without a move's key poll a checkpoint polls the keys (20 ms).
  void set_poll_intervals(std::chrono::milliseconds progress, std::chrono::milliseconds quiet) {
    progress_interval_ = progress;
    quiet_poll_interval_ = quiet;
  }
  // Work whose steps cost differently begins (another object, another
  // stage): the clock is read at its first step again.
  void pace_afresh() { pacer_.restart(); }

  // One step of the job's work went by (a copy walked, a line scanned, a
  // move). Cheap: now and then the keys are polled, when no move has polled
  // them for a while, so that work that sends nothing still sees Escape; and
  // the progress is shown.
  void work_step() {
    if (pacer_.step()) checkpoint();
  }
  // Copy `done` of the `total` copies of the object being marked was walked.
  void copy_walked(int64_t done, int64_t total) {
    progress_.copies_done = done;
    progress_.copies_total = total;
    work_step();
  }

  CketralDoc& doc() { return doc_; }
  PortWriter& port() { return port_; }
  Operator& op() { return op_; }

 private:
  // Drains the key queue. Returns false when the move must not be made.
  bool poll_escape(bool allow_pause);
  // EmitMove; true when the command went out.
  bool send_move(int32_t x, int32_t y, bool pen_down);
  // One stream command; a move gives its output position (after mirror and swap).
  bool stream_send(std::string_view text, bool move, int32_t x, int32_t y);
  void transform(int32_t& x, int32_t& y) const;
  void checkpoint();

  CketralDoc& doc_;
  PortWriter& port_;
  Operator& op_;
  std::uint64_t moves_sent_ = 0;
  std::uint64_t stream_commands_ = 0;
  MoveProbe probe_;

  // resume_after(): commands still to pass over, then what goes first.
  std::uint64_t skip_ = 0;
  bool prelude_due_ = false;
  bool have_position_ = false;
  int32_t last_x_ = 0;
  int32_t last_y_ = 0;
  std::string last_header_;

  JobProgress progress_;
  WorkPacer pacer_;
  bool showing_ = false;
  std::chrono::milliseconds progress_interval_{100};
  // Work that sends no move polls the keys this often: Escape is seen at
  // once, and the window's poll repaints as it does between moves.
  std::chrono::milliseconds quiet_poll_interval_{20};
  WorkPacer::Clock::time_point last_shown_{};
  // Key polls made, as of the last checkpoint, and when that count last moved.
  std::uint64_t key_polls_ = 0;
  std::uint64_t polls_seen_ = 0;
  WorkPacer::Clock::time_point last_poll_ = WorkPacer::Clock::now();
};

// Formats a pen move ("PD100,-20;") into buf and returns its length.
std::size_t format_move(char* buf, std::size_t size, int32_t x, int32_t y, bool pen_down);

}  // namespace lumetch
