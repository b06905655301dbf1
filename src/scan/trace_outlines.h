#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "marker/pen_emitter.h"
#include "scan/scan_raster.h"

namespace lumetch {

// Distance of (px, py) from the line through (x1, y1) and (x2, y2).
double PointLineDistance(double x1, double y1, double x2, double y2, double px, double py);

struct TraceResult {
  bool ok = false;       // the file was written (or, for VCT, nothing was found)
  int64_t contours = 0;  // contours written
  int64_t points = 0;    // points written
  bool file_written = false;
  bool stopped = false;  // Escape ended the tracing: nothing was written
  std::string error;     // why the file could not be written
};

// The drawn areas' boundaries, traced pixel by pixel and simplified with a
// 0.8-pixel tolerance: style 2 writes a VCT file at `path` (none when no
// point was found), style 3 a PLT file of pen moves in marker units through
// the pen emitter's file writer. The settings come from the pen's document.
// Both are written beside `path` and renamed over it when complete; only a
// regular file (or a new path) is written. The rows scanned for outlines
// are counted in the pen's progress; Escape stops either style.
TraceResult TraceOutlines(const ScanRaster& raster, PenEmitter& pen,
                          const std::filesystem::path& path, int32_t style);

}  // namespace lumetch
