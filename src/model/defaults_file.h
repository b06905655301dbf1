#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "model/creation_defaults.h"
#include "platform/text_file.h"

namespace lumetch {

// "default.$": one line per type, keyword first. Reading keeps the current
// value of every field a line does not supply; the result tells a missing
// file from one that cannot be read.
ReadResult load_defaults(const std::filesystem::path& path, CreationDefaults& defaults);
// The same for the text of a "default.$" already in memory.
void parse_defaults(std::string_view text, CreationDefaults& defaults);
// The text of "default.$".
std::string format_defaults(const CreationDefaults& defaults);
// Written through a temporary file and renamed; false when it failed.
bool save_defaults(const std::filesystem::path& path, const CreationDefaults& defaults);

}  // namespace lumetch
