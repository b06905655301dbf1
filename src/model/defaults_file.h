#pragma once

#include <filesystem>

#include "model/creation_defaults.h"
#include "platform/text_file.h"

namespace lumetch {

// "default.$": one line per type, keyword first. Reading keeps the current
// value of every field a line does not supply; the result tells a missing
// file from one that cannot be read.
ReadResult load_defaults(const std::filesystem::path& path, CreationDefaults& defaults);
// Written through a temporary file and renamed; false when it failed.
bool save_defaults(const std::filesystem::path& path, const CreationDefaults& defaults);

}  // namespace lumetch
