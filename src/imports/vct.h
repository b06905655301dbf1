#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"
#include "platform/text_file.h"

namespace lumetch {

// Line 1 of a VCT file: "P,C,XMIN,XMAX,YMIN,YMAX,RX,RY;".
struct VctHeader {
  int32_t point_count = 0;
  int32_t contour_count = 0;
  int32_t min_x = 0;
  int32_t max_x = 0;
  int32_t min_y = 0;
  int32_t max_y = 0;
  double units_x = 0.0;
  double units_y = 0.0;
};

std::optional<VctHeader> parse_vct_header(std::string_view line);
// Nullopt when the file cannot be opened or its first line is no header;
// `file` says whether it was missing or could not be read.
std::optional<VctHeader> read_vct_header(const std::filesystem::path& path,
                                         ReadResult* file = nullptr);
// The header of VCT file text in memory.
std::optional<VctHeader> vct_header_of_text(std::string_view text);

// The block of a new VCT object: header fields and the initial size (RX/RY
// units per mm, or 10 mm wide when a units value is not positive). Nullopt
// when the extents give no size (XMAX = XMIN, or YMAX = YMIN) or a size is
// not finite.
std::optional<VctBlock> vct_block_from(const VctHeader& header, const std::string& source_path);

// Generator: the file's contours scaled to the object's box, per copy one
// contour list to RenderContours.
void DrawVct(GeomContext& g, Canvas* dc, const MarkObject& obj);
// The same with the object's file text given in memory.
void draw_vct_text(GeomContext& g, Canvas* dc, const MarkObject& obj, std::string_view text);

// The file dialog's miniature: all contours as one poly-polygon in
// (x0, y0, w, h) with the canvas's pen and brush. False when unreadable.
bool PreviewVct(Canvas& dc, const std::filesystem::path& path, int32_t x0, int32_t y0, int32_t w,
                int32_t h);
bool preview_vct_text(Canvas& dc, std::string_view text, int32_t x0, int32_t y0, int32_t w,
                      int32_t h);

}  // namespace lumetch
