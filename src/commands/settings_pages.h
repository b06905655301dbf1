#pragma once

// The "drawing" pages' own work: the limits of their boxes, the pen's home
// move, the field offset, the convert dialog and the field preview.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "commands/page_table.h"
#include "marker/pen_emitter.h"
#include "model/mark_settings.h"
#include "platform/operator.h"

namespace lumetch {

// Every object is marked this many times per job: more would hold the
// marker for hours.
inline constexpr int64_t kMaxPasses = 1000;
// Dots per mm, as the command line takes it.
inline constexpr int64_t kMaxResolution = 10000;
// The scan raster holds one bit per pixel and the outline tracing works on
// a copy: 2^31 pixels are 256 MB each.
inline constexpr double kMaxScanPixels = 2147483648.0;

// Width × height in pixels of the scan raster these settings make.
double scan_raster_pixels(const MarkSettings& s);

// The pen-up move of a home spin: to the rest position of the pen.
void MovePenHome(PenEmitter& pen);

// The field page's offset boxes, read when a spin or "プロッタの移動" acts:
// the given texts are stored as one edit (a box not given keeps its value).
PageEdit store_field_offset(CketralDoc& doc, std::optional<std::string_view> x,
                            std::optional<std::string_view> y);

// The save dialog of "変換" for the conversion style; nullopt for a style
// that names no conversion.
std::optional<FileRequest> convert_request(const MarkSettings& s);

// The field page's picture, in pixels of its area (Y down): the marking
// field scaled to fit, the scanning outline at the field position and the
// plotter's reference point.
inline constexpr int32_t kPreviewWidth = 240;
inline constexpr int32_t kPreviewHeight = 160;

struct PreviewPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const PreviewPoint&) const = default;
};

struct FieldPreview {
  bool drawn = false;                                // a field of 1 mm or less is not drawn
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // the field
  int32_t outline = 0;                               // scan_outline
  PreviewPoint centre;                               // of the scanning outline
  int32_t a = 0, b = 0;                              // its half extents
  std::vector<PreviewPoint> polygon;                 // rhombus and triangles
  std::optional<PreviewPoint> dot;                   // none for a style outside 0..8
};

FieldPreview field_preview(const MarkSettings& s);

}  // namespace lumetch
