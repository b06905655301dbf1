#pragma once

// Glyph files made by hand for the text tests, and a font engine whose
// every character is a square as wide as its code, so that each text has a
// glyph file of its own ("A" and "B" even of the same size).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/font_engine.h"

namespace lumetch::test {

using Words = std::vector<uint16_t>;

// The words as a glyph file holds them, low byte first.
inline std::string glyph_bytes(const Words& words) {
  std::string bytes;
  for (uint16_t w : words) bytes += {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
  return bytes;
}
inline void write_words(const std::filesystem::path& path, const Words& words) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << glyph_bytes(words);
}

// Remembers the fonts asked for.
struct SquareFonts : FontEngine {
  std::vector<FontDescription> requests;
  std::optional<NativeOutline> outline(const FontDescription& font, char32_t ch, bool) override {
    requests.push_back(font);
    const int32_t w = static_cast<int32_t>(ch) << 16, h = 100 << 16;
    return NativeOutline{{{0, 0}, {{OutlineCurve::Kind::Line, {{w, 0}, {w, h}, {0, h}}}}}};
  }
  std::string resolved_family(const FontDescription&) override { return "Square"; }
  std::vector<std::string> outline_families() override { return {"Square"}; }
};

}  // namespace lumetch::test
