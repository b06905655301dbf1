#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "geometry/variable_fields.h"
#include "model/cketral_doc.h"

namespace lumetch {

// Where a marking job stopped: enough to generate its stream again and go on
// with the first command that was not sent.
struct JobPosition {
  int32_t object = 0;          // oldest first, 0-based; -1 for a scan job
  int32_t pass = 0;            // of that object, 0-based
  int64_t copy = 0;            // copies of the pass walked (for the operator)
  std::uint64_t commands = 0;  // stream commands of the pass that reached the port
  LocalTime time;              // the clock reading the pass's data fields were filled with
  int32_t first_row = 0;       // the data row of the job's first pass
  bool operator==(const JobPosition&) const = default;
};

struct ResumeRecord {
  std::string fingerprint;  // of the layout and settings the job marked
  std::string object_name;  // the object it stopped in, for messages
  JobPosition at;
  bool operator==(const ResumeRecord&) const = default;
};

// What the stream of a job depends on besides the clock and the data file:
// every record, the data source, the marking settings and the speed command.
// Equal fingerprints generate equal streams.
std::string layout_fingerprint(const CketralDoc& doc);

// The record kept beside a layout: "job.mrk" → "job.mrk.resume".
std::filesystem::path resume_path(const std::filesystem::path& layout);

std::string format_resume_record(const ResumeRecord& r);
struct ResumeRead {
  std::optional<ResumeRecord> record;  // none: no record (error empty) or unreadable
  std::string error;
};
ResumeRead parse_resume_record(std::string_view text);
// Missing file: no record and no error.
ResumeRead read_resume_record(const std::filesystem::path& path);
// Written atomically; false with `reason` when it could not be.
bool write_resume_record(const std::filesystem::path& path, const ResumeRecord& r,
                         std::string* reason);
// Removes the record; a missing one is fine.
void remove_resume_record(const std::filesystem::path& path);

// Why `r` cannot resume a job of `doc`, or empty when it can.
std::string resume_refusal(const CketralDoc& doc, const ResumeRecord& r);

}  // namespace lumetch
