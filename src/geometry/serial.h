#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/cketral_doc.h"
#include "model/mark_object.h"

namespace lumetch {

// The next serial number after `text`: the leading number plus one, keeping
// the digit count while the text starts with 0 (0009 → 0010, 99 → 100,
// AB → 1). Empty when the result would be longer than `max_length` bytes.
std::string next_serial_text(std::string_view text, std::size_t max_length);

// After a marking pass of a variable line text or barcode: replaces its text
// with the next serial number. A line text then has one line, records for
// every character, the new text as the default for new line texts and a
// rewritten glyph file. False when nothing changed (not a variable text, or
// a barcode text that would outgrow its 255 bytes).
bool AdvanceSerial(CketralDoc& doc, MarkObject& obj);

// The number AdvanceSerial would give a variable text, checked before its
// pass is marked; empty when it cannot advance (too long, or not a number
// that changes).
std::string NextSerialOf(const MarkObject& obj);

}  // namespace lumetch
