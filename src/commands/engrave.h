#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/job_resume.h"
#include "geometry/variable_fields.h"
#include "marker/layer_header.h"
#include "marker/pen_emitter.h"
#include "model/cketral_doc.h"

namespace lumetch {

// Work that other parts of the program plug into the job.
struct EngraveHooks {
  // Run instead of the objects when output_style is 1; ScanJob when empty.
  std::function<void(PenEmitter&)> scan_job;
  // Called each time a variable text has advanced, with the number that was
  // just marked: stores the layout. An error stops the job before the next
  // pass and is shown; the job then ends as SerialNotSaved.
  std::function<std::optional<std::string>(const MarkObject&, const std::string& marked)>
      serial_advanced;
  // Called each time the layout's data row pointer moved past a marked row:
  // stores the layout. An error stops the job as SerialNotSaved.
  std::function<std::optional<std::string>()> data_advanced;
  // The clock data fields are filled from; null: the system's.
  const Clock* clock = nullptr;
  // Go on with a stopped job from here: the objects and passes before it are
  // not marked again, the pass itself from its first command not yet sent.
  const JobPosition* resume = nullptr;
};

struct EngraveResult {
  enum class Outcome {
    Done,            // every object marked
    Cancelled,       // the operator cancelled the power check; nothing sent
    Stopped,         // Escape stopped the job
    PortFailed,      // the marker port failed; the job stopped
    Busy,            // a job was already running
    SerialFailed,    // a variable text could not advance; the job stopped
    SerialNotSaved,  // a marked serial number could not be stored; the job stopped
    PortInUse,       // another job holds the port; nothing sent
    DataFailed,      // data fields could not be filled (no more rows, ...); the job stopped
  };
  // An object that was due to be marked but sent no move.
  struct Skipped {
    std::string name;    // its name in the object list
    std::string reason;  // in plain words
  };
  Outcome outcome = Outcome::Done;
  int objects_marked = 0;  // objects that got a header or a pass
  int passes = 0;          // generator calls made
  std::vector<Skipped> skipped;
  std::uint64_t commands_sent = 0;
  std::string error;           // the port's error, or why a serial number could not advance
  bool texts_changed = false;  // a variable text advanced: the layout changed
  bool pen_parked = true;      // the job's last command, which raises the pen, reached the port
  bool data_advanced = false;  // the data row pointer moved: the layout changed
  // Where a stopped job can go on (Escape, a failed port, data that ran out).
  std::optional<JobPosition> stopped_at;
};

inline constexpr const char* kPowerCheckText = "Please Check the Laser Power!";
inline constexpr const char* kOutputtingStatus =
    "              Outputing Data\xEF\xBC\x8C"
    "ESC Key to Stop!";

// The engraving job: power check, then every object oldest first with its
// layer's header and passes, then the pen parked.
EngraveResult Engrave(PenEmitter& pen, const EngraveHooks& hooks = {});

// The object's name in the object list ("rectangle1"), or `fallback`.
std::string object_name(const CketralDoc& doc, const MarkObject& obj,
                        const std::string& fallback = "an object");

}  // namespace lumetch
