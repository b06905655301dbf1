#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetch {

// Per-character adjustments of a text object, all 0 by default.
struct CharRecord {
  double size_x = 0.0;        // added to the block's size_x
  double size_y = 0.0;        // added to the block's size_y
  double offset_x = 0.0;      // to the right
  double offset_y = 0.0;      // up (line text) or outward (arc text)
  double angle = 0.0;         // degrees, clockwise on the field, about the character's centre
  double font_width_x = 0.0;  // added to line_width_x
  double font_width_y = 0.0;  // added to line_width_y
  bool operator==(const CharRecord&) const = default;
};

// Texts are CP932 bytes without line breaks. `chars` should hold one record
// per character (CountChars); readers treat missing records as zeros.
struct LineTextParams {
  double size_x = 4.0;
  double size_y = 6.0;
  double char_gap = 1.0;
  double line_width_x = 0.0;
  double line_width_y = 0.0;
  std::string text = "1234567890";
  std::vector<CharRecord> chars;
  std::string glyph_file;  // scratch folder / a name made of the object's id + ".txt"
  int32_t line_count = 1;
  // Byte length of each line, then one more entry that is stored and written
  // back but not used: line_count + 1 entries.
  std::vector<int32_t> line_lengths{10, 0};
  double line_gap = 1.0;
  int32_t variable = 0;  // 1: a serial number advanced after each pass
  int32_t vertical = 0;  // 0 horizontal writing, 1 vertical
  int32_t align = 3;     // 0 left/top, 1 right/bottom, 2 centre, 3 justified
  std::string face_name = "Arial";
  int32_t font_weight = 0;
  int32_t font_italic = 0;
  int32_t font_charset = 0;
  bool operator==(const LineTextParams&) const = default;
};

struct ArcTextParams {
  double size_x = 6.0;
  double size_y = 8.0;
  double radius_x = 20.0;
  double radius_y = 20.0;
  double span = 260.0;  // degrees from the first to the last character; sign ignored
  double line_width_x = 0.0;
  double line_width_y = 0.0;
  std::string text = "01234567890";
  std::vector<CharRecord> chars;
  std::string glyph_file;
  int32_t downward = 0;  // 0 standing on the arc, 1 hanging below it
  std::string face_name = "Arial";
  int32_t font_weight = 0;
  int32_t font_italic = 0;
  int32_t font_charset = 0;
  bool operator==(const ArcTextParams&) const = default;
};

// Longest barcode text in bytes.
inline constexpr std::size_t kBarcodeTextMax = 255;

struct BarcodeParams {
  double size_x = 40.0;  // whole symbol width, quiet zones included
  double size_y = 10.0;
  double bar_width = 0.0;           // narrow element
  int32_t display_type = 0;         // 0 bars marked, 1 negative (spaces, gaps, quiet zones)
  std::string text = "1234567890";  // at most kBarcodeTextMax bytes
  int32_t variable = 0;
  bool operator==(const BarcodeParams&) const = default;
};

}  // namespace lumetch
