#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lumetch {

// How far a long job has come. A total of 0 means that count does not apply
// (a scan has no objects, an object drawn without the copy walk no copies).
struct JobProgress {
  enum class Kind {
    Marking,     // the engraving job, object by object or as a raster scan
    Drawing,     // the layout drawn into the scan raster
    Converting,  // a file conversion scanning or tracing the raster
    Opening,     // a large import read while a layout opens or a file is imported
  };
  Kind kind = Kind::Marking;
  int64_t objects_done = 0, objects_total = 0;
  int64_t passes_done = 0, passes_total = 0;
  // Of the object being marked or drawn.
  int64_t copies_done = 0, copies_total = 0;
  int64_t rows_done = 0, rows_total = 0;
  int64_t bytes_done = 0, bytes_total = 0;  // shown in whole megabytes
  bool columns = false;  // the scan runs along columns: its rows are columns

  bool operator==(const JobProgress&) const = default;
};

// One short line: "Marking: 2/5 objects, 7/12 passes, 120000/1000000 copies".
std::string progress_text(const JobProgress& p);

// Tells when a stretch of work is due for a look at the clock without
// reading it at every step: steps are counted, and the clock is read every
// `stride` steps, the stride growing while steps are cheap and shrinking
// while they are dear, so that the clock is read about every millisecond
// or two whatever a step costs.
class WorkPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // True when the clock was read at this step: now() is then current.
  bool step() {
    if (++steps_ < stride_) return false;
    read_clock();
    return true;
  }
  Clock::time_point now() const { return now_; }
  // Starts counting afresh: the clock is read at the next step.
  void restart();

 private:
  void read_clock();

  static constexpr uint32_t kMaxStride = 1u << 16;
  uint32_t steps_ = 0;
  uint32_t stride_ = 1;
  Clock::time_point now_ = Clock::now();
};

}  // namespace lumetch
