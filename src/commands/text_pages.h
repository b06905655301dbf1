#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/page_table.h"

namespace lumetch {

// A text holds at most this many CP932 bytes, a line break counting as CR LF:
// the room of the line text's default text, which a text can become.
inline constexpr std::size_t kTextBytesMax = 499;

// "確定" of the straight-text page: `typed` (UTF-8, lines as typed) becomes
// the current line text's text, laid out into lines, with a per-character
// table of zeros and a new glyph file; the height (horizontal writing) or
// the width (vertical) follows the lines. One undo step. A text CP932 cannot
// hold, with a tab or another control character, or longer than
// kTextBytesMax is refused with the reason and nothing changes.
PageEdit confirm_line_text(CketralDoc& doc, std::string_view typed);

// "確定" of the arc-text page: the same for the current arc text, its line
// breaks removed; its size stays.
PageEdit confirm_arc_text(CketralDoc& doc, std::string_view typed);

// The characters of the current text object, one entry each (a two-byte
// character is one), as UTF-8 for the single-character page's list.
std::vector<std::string> text_characters(const CketralDoc& doc);

// The character the single-character page edits: the stored choice, kept
// within the current text (0 for an empty one).
int32_t chosen_character(const CketralDoc& doc);
void choose_character(CketralDoc& doc, int32_t index);

}  // namespace lumetch
