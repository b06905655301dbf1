#pragma once

#include <filesystem>

#include "model/cketral_doc.h"

namespace lumetch {

// What a run starts from, all in the working directory: the settings of "$.1"
// (defaults when it is missing), the creation defaults of "default.$" (initial
// values when it is missing), the speed-mode commands of "fix.txt", and the
// zoom index taken from the settings.
void start_session(CketralDoc& doc, const std::filesystem::path& work_dir);

// What a run leaves behind: every object removed, "$.1" and "default.$"
// written, and "fix.txt" created when it is missing (never rewritten). False
// when "$.1" or "default.$" could not be written.
bool end_session(CketralDoc& doc);

}  // namespace lumetch
