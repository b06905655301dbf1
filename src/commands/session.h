#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/cketral_doc.h"

namespace lumetch {

// What starting a run found: a message naming each settings file that is
// there but cannot be read. Its defaults are in force then, and they are
// not what the operator set (a rate of 2 read as 1 marks at half size), so
// the caller must say so and not go on as if nothing happened.
struct SessionStart {
  std::vector<std::string> unreadable;
  bool ok() const { return unreadable.empty(); }
};

// What a run starts from, all in the working directory: the settings of "$.1"
// (defaults when it is missing), the creation defaults of "default.$" (initial
// values when it is missing), the speed-mode commands of "fix.txt", and the
// zoom index taken from the settings.
SessionStart start_session(CketralDoc& doc, const std::filesystem::path& work_dir);

// What a run leaves behind: every object removed, "$.1" and "default.$"
// written, and "fix.txt" created when it is missing (never rewritten). False
// when "$.1" or "default.$" could not be written.
bool end_session(CketralDoc& doc);

}  // namespace lumetch
