#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "model/cketral_doc.h"
#include "platform/operator.h"

namespace lumetch {

// Command identifiers of the twelve creation commands of the specified set.
inline constexpr int32_t kCmdLine = 1401, kCmdRectangle = 1402, kCmdCircle = 1403,
                         kCmdLineText = 32788, kCmdArcText = 32787, kCmdPlt = 1405, kCmdBmp = 32794,
                         kCmdVct = 32825, kCmdTriangle = 32802, kCmdRhombus = 32804,
                         kCmdPolygon = 32806, kCmdBarcode = 32823;
// The code object's creation command, one of this program's own.
inline constexpr int32_t kCmdCode = 32910;

// The object type a creation command makes; 0 for any other identifier.
int32_t creation_type(int32_t command_id);

// Runs a creation command: builds the object from the creation defaults,
// adds it to the ring centred on the field origin, names it in the object
// list, switches the sheet and asks for a repaint. The three imports first
// ask for a file through `op`. Returns the new object, or null when nothing
// was created (dialog cancelled, file refused: a refusal is explained
// through `op` unless the loader already showed its own message). What an
// imported plot held but does not draw is said once, after it is added.
MarkObject* CreateObject(CketralDoc& doc, int32_t type, Operator& op);

// An import without the file dialog (the command line): the same steps with
// `path` as the chosen file. A plot is read as `doc.plot_reading` says; one
// with nothing to draw is refused. What an imported plot held but does not
// draw (its report's summary, empty when everything was followed) is told
// through `op`, or left in `plot_summary` when that is given.
MarkObject* ImportFile(CketralDoc& doc, int32_t type, const std::filesystem::path& path,
                       Operator& op, std::string* plot_summary = nullptr);

}  // namespace lumetch
