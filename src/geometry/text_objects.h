#pragma once

#include "model/cketral_doc.h"
#include "model/mark_object.h"

namespace lumetch {

// Selects a text object's face, weight, italic flag and character set as the
// document's outline_font and writes its glyph file. False when the object is
// no text or the file could not be written.
bool WriteObjectGlyphFile(CketralDoc& doc, const MarkObject& obj);

}  // namespace lumetch
