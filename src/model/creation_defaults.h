#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetch {

// What a new object of each type starts with. Lengths and angles are kept as
// the text the operator typed and converted at each creation.
struct OutputStyle {
  int32_t output_mode = 0;
  double fill_pitch = 0.05;
  int32_t fill_direction = 0;
  bool operator==(const OutputStyle&) const = default;
};

struct CreationDefaults {
  struct LineText {
    std::string width = "40", height = "6", size_x = "4", size_y = "6", char_gap = "1",
                line_width_x = "0", line_width_y = "0", angle = "0", line_gap = "1.0";
    int32_t vertical = 0;
    int32_t align = 3;
    std::string text = "1234567890";  // lines separated by CR LF
    std::string face_name = "Arial";
    int32_t font_weight = 0, font_italic = 0, font_charset = 0;
    int32_t layer = 0;
    OutputStyle style;
    int32_t line_count = 1;
    std::vector<int32_t> line_lengths{10, 0};  // line_count + 1 entries
    bool operator==(const LineText&) const = default;
  } line_text;

  struct ArcText {
    std::string size_x = "6", size_y = "8", radius_x = "20", radius_y = "20", span = "260",
                line_width_x = "0", line_width_y = "0", angle = "0";
    int32_t downward = 0;
    std::string text = "01234567890";
    std::string face_name = "Arial";
    int32_t font_weight = 0, font_italic = 0, font_charset = 0;
    int32_t layer = 0;
    OutputStyle style;
    bool operator==(const ArcText&) const = default;
  } arc_text;

  struct Line {
    std::string length = "20", thickness = "1", angle = "0";
    OutputStyle style;
    bool operator==(const Line&) const = default;
  } line;

  struct Rectangle {
    std::string width = "20", height = "20", edge_size = "1", edge_radius = "1";
    int32_t edge_style = 0;
    OutputStyle style;
    bool operator==(const Rectangle&) const = default;
  } rectangle;

  struct Ellipse {
    std::string size_x = "40", size_y = "40", edge_size = "1";
    OutputStyle style;
    bool operator==(const Ellipse&) const = default;
  } ellipse;

  struct Triangle {
    std::string width = "20", height = "20", edge_size = "1";
    int32_t direction = 0;
    OutputStyle style;
    bool operator==(const Triangle&) const = default;
  } triangle;

  struct Rhombic {
    std::string width = "20", height = "20", edge_size = "1";
    OutputStyle style;
    bool operator==(const Rhombic&) const = default;
  } rhombic;

  struct Polygon {
    std::string size = "20", edge_size = "1", edge_count = "8";
    OutputStyle style;
    bool operator==(const Polygon&) const = default;
  } polygon;

  struct Barcode {
    std::string width = "40", height = "10";
    std::string text = "1234567890";
    OutputStyle style{1, 0.05, 0};
    bool operator==(const Barcode&) const = default;
  } barcode;

  struct Bmp {
    double fill_pitch = 0.05;
    bool operator==(const Bmp&) const = default;
  } bmp;

  struct Vct {
    OutputStyle style;
    bool operator==(const Vct&) const = default;
  } vct;

  // Kept for the session only: the defaults file is shared with programs
  // that know no codes. Filled by default at one marker unit (1/40 mm), the
  // finest spacing the marker can address, so that no gap opens between
  // hatch lines: a code of outlined modules does not scan.
  struct Code {
    std::string width = "20", height = "20";
    int32_t symbology = 0;
    int32_t ecc = 0;
    int32_t code_size = 0;
    int32_t quiet_zone = 1;
    int32_t gs1 = 0;
    std::string data = "LUMETCH";
    OutputStyle style{2, 0.025, 0};
    bool operator==(const Code&) const = default;
  } code;

  bool operator==(const CreationDefaults&) const = default;
};

}  // namespace lumetch
