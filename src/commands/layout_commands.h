#pragma once

#include <filesystem>

#include "model/cketral_doc.h"
#include "model/layout_file.h"

namespace lumetch {

// What opening a layout needs beyond reading its records: glyph files for
// the texts.
LoadHooks layout_load_hooks();

// Opens a layout into the document with those hooks.
OpenResult open_layout_file(CketralDoc& doc, const std::filesystem::path& path);

}  // namespace lumetch
