#pragma once

#include <cstdint>
#include <cstdio>

#include "marker/pen_emitter.h"
#include "model/mark_settings.h"
#include "scan/scan_raster.h"

namespace lumetch {

// Scan-line limits of a clip shape: [lo, hi] pixels along the line.
struct ClipBounds {
  int32_t lo = 0;
  int32_t hi = 0;
  bool operator==(const ClipBounds&) const = default;
};

// Limits of horizontal row py / vertical column px for `scan_outline`
// (0 rectangle, 1 ellipse, 2 rhombus, 3 triangle, 4 inverted triangle) in a
// w × h raster. Other outline values clip like the rectangle.
ClipBounds scan_clip_row(int32_t outline, int32_t py, int32_t w, int32_t h);
ClipBounds scan_clip_column(int32_t outline, int32_t px, int32_t w, int32_t h);

// Marker units of raster pixel (px, py) of a raster `h` pixels high.
int32_t pixel_marker_x(const MarkSettings& s, int32_t px);
int32_t pixel_marker_y(const MarkSettings& s, int32_t py, int32_t h);

// The raster scan: every run of marked pixels along the scan lines of the
// settings' direction, step and clip, as a pen-up move to its start and a
// pen-down move to its end — to the marker, or with `file` into it. Ends
// before the next run once stop_requested is set (or a file write failed:
// then false).
bool RasterScan(const ScanRaster& raster, PenEmitter& pen, std::FILE* file = nullptr);

}  // namespace lumetch
