#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/cketral_doc.h"
#include "platform/font_engine.h"

namespace lumetch {

// Glyph files: the flattened outlines of one text object's characters, all
// unsigned 16-bit little-endian words. Word 0 holds the character count N,
// then seven directory words per character (type, data offset low/high,
// length, xmin, xmax, reserved), then the characters' data back to back.
// Outline data are contours (a point count, then x, y pairs with y growing
// downward) ended by a 0 word. The file name ends in ".txt" but it is binary.

enum GlyphType : uint16_t { kGlyphBlank = 0, kGlyphStroke = 1, kGlyphOutline = 2 };
inline constexpr std::size_t kDirectoryWords = 7;

// Text entry: removes the line breaks from `text` (CR LF is one break; a lone
// CR or LF is one too) and returns the byte length of each line; an empty
// text is one empty line.
std::vector<int32_t> SplitLines(std::string& text);

// The text for editing: the lines of `text` joined with CR LF. Lengths that
// run past the text are cut to it.
std::string JoinLines(std::string_view text, const std::vector<int32_t>& line_lengths,
                      int32_t line_count);

// Chooses the font of the next outline requests: a text block's face (CP932
// bytes, as layouts store it; the engine wants UTF-8), weight, italic flag
// and character set.
void select_outline_font(CketralDoc& doc, std::string_view face_name, int32_t weight,
                         int32_t italic, int32_t charset);

// The outline of one character code (a byte, or lead byte * 256 + trail byte
// of a CP932 pair) in the document's `outline_font`; nullopt when no font has
// the character.
std::optional<NativeOutline> FetchGlyph(const CketralDoc& doc, uint16_t code);

// Flattens one outline into `buf` from word `data_offset` on (the buffer
// grows as needed) and fills character k's directory words. Returns the
// number of data words written (the terminating 0 included), or 0 when the
// outline has no points or is too large for the 16-bit length word: the
// caller then writes the character as a blank.
std::size_t ConvertGlyph(const NativeOutline& outline, std::vector<uint16_t>& buf, std::size_t k,
                         std::size_t data_offset);

// The whole glyph file of `text` in memory; empty for an empty text or one of
// more than 65535 characters.
std::vector<uint16_t> BuildGlyphFile(FontEngine& fonts, const FontDescription& font,
                                     std::string_view text);

// Writes the glyph file of `text` with the document's `outline_font`. An
// empty text writes nothing and removes an old file, so no stale outlines
// stay behind. False when the file cannot be written (the previous file, if
// any, is left as it was).
bool WriteGlyphFile(const CketralDoc& doc, std::string_view text,
                    const std::filesystem::path& path);

// A glyph file read back. Every offset and length is checked against the
// file: a character whose data lie outside it reads as a blank.
struct GlyphFile {
  struct Glyph {
    uint16_t type = kGlyphBlank;
    uint16_t xmin = 0;
    uint16_t xmax = 128;
    std::vector<uint16_t> data;  // the character's words, terminator included
  };
  std::vector<Glyph> glyphs;
};

// Nullopt when the file cannot be opened or is shorter than its directory.
std::optional<GlyphFile> ReadGlyphFile(const std::filesystem::path& path);
std::optional<GlyphFile> ParseGlyphFile(const std::vector<uint16_t>& words);
// The bytes of a glyph file in memory; an odd trailing byte belongs to no word.
std::optional<GlyphFile> ParseGlyphBytes(std::string_view bytes);

}  // namespace lumetch
