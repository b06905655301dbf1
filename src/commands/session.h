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
// zoom index taken from the settings, and how plots are read from "plot.$"
// (every pair when it is missing, damaged or unreadable).
SessionStart start_session(CketralDoc& doc, const std::filesystem::path& work_dir);

// Writes "$.1", "default.$" and "plot.$", and creates "fix.txt" when it is missing
// (never rewritten). Returns the names of the files that could not be
// written, empty when all were.
std::vector<std::string> save_session_files(const CketralDoc& doc);

// Sets how plot files are read and writes "plot.$" at once, so that the
// choice holds even when the run does not end normally. False when the file
// cannot be written (the setting holds for this run then).
bool set_plot_reading(CketralDoc& doc, PlotReading reading);

// What a run leaves behind: every object removed, then save_session_files
// unless `files_saved` says the window has already written them. Returns the
// names of the files that could not be written.
std::vector<std::string> end_session(CketralDoc& doc, bool files_saved = false);

}  // namespace lumetch
