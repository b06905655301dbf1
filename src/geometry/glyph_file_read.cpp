#include "geometry/glyph_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_file.h"

namespace lumetch {

std::optional<GlyphFile> ParseGlyphFile(const std::vector<uint16_t>& words) {
  if (words.empty()) return std::nullopt;
  const std::size_t n = words[0];
  const std::size_t data_start = 1 + kDirectoryWords * n;
  if (words.size() < data_start) return std::nullopt;

  GlyphFile file;
  file.glyphs.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    const uint16_t* dir = &words[1 + kDirectoryWords * k];
    const uint16_t type = dir[0];
    const std::size_t offset = std::size_t{dir[1]} | (std::size_t{dir[2]} << 16);
    const std::size_t length = dir[3];
    // Data must lie between the directory and the end of the file; anything
    // else (or an unknown type) is a damaged entry and reads as a blank, the
    // default Glyph.
    if (type != kGlyphBlank && type != kGlyphStroke && type != kGlyphOutline) continue;
    if (length > 0 &&
        (offset < data_start || offset > words.size() || length > words.size() - offset)) {
      continue;
    }
    GlyphFile::Glyph& glyph = file.glyphs[k];
    glyph.type = type;
    glyph.xmin = dir[4];
    glyph.xmax = dir[5];
    if (length > 0) {
      const auto first = words.begin() + static_cast<std::ptrdiff_t>(offset);
      glyph.data.assign(first, first + static_cast<std::ptrdiff_t>(length));
    }
  }
  return file;
}

std::optional<GlyphFile> ReadGlyphFile(const std::filesystem::path& path) {
  const InputText file = read_input_file(path);
  if (!file.ok()) return std::nullopt;
  return ParseGlyphBytes(file.text);
}

std::optional<GlyphFile> ParseGlyphBytes(std::string_view bytes) {
  // Little-endian words; an odd trailing byte belongs to no word.
  std::vector<uint16_t> words(bytes.size() / 2);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto lo = static_cast<uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
    words[i] = static_cast<uint16_t>(lo | (hi << 8));
  }
  return ParseGlyphFile(words);
}

}  // namespace lumetch
