#pragma once

#include "model/cketral_doc.h"

namespace lumetch {

// Undo and redo of the document's history, with what the model cannot do
// itself: the glyph files of the texts that came back or changed are written
// again from their restored records (their outline font included), and the
// view repaints. False when there was nothing to undo or redo.
bool UndoCommand(CketralDoc& doc);
bool RedoCommand(CketralDoc& doc);

}  // namespace lumetch
