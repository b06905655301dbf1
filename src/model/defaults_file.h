#pragma once

#include <filesystem>

#include "model/creation_defaults.h"

namespace lumetch {

// "default.$": one line per type, keyword first. Reading keeps the current
// value of every field a line does not supply; false when the file cannot
// be opened.
bool load_defaults(const std::filesystem::path& path, CreationDefaults& defaults);
// Written through a temporary file and renamed; false when it failed.
bool save_defaults(const std::filesystem::path& path, const CreationDefaults& defaults);

}  // namespace lumetch
