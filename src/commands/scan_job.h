#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "marker/pen_emitter.h"
#include "model/cketral_doc.h"
#include "scan/scan_raster.h"

namespace lumetch {

// Draws every object, oldest first, into a raster of the scanning area
// (raster_mode set meanwhile). Nullopt when the ring is empty or the raster
// cannot be allocated (`error` then says so). With the job's pen the drawing
// counts its objects and copies in the pen's progress and sees Escape (then
// stop_requested is set and the raster is incomplete); it marks nothing.
std::optional<ScanRaster> BuildScanRaster(CketralDoc& doc, std::string* error = nullptr,
                                          PenEmitter* pen = nullptr);

// The engraving job's scan: layer 0's header, then the raster scan on the marker.
void ScanJob(PenEmitter& pen);

struct ConvertResult {
  bool ok = false;  // a file was written (or nothing was to be written)
  bool file_written = false;
  bool stopped = false;  // Escape ended it: nothing was written
  std::string message;   // what went wrong, for the operator
};

// Converts the layout by the settings' convert_style: 0 scanning PLT, 1 BMP,
// 2 outline VCT, 3 outline PLT. Shows the job's status text meanwhile. The
// file is written beside `path` and renamed over it when complete, so a
// failure, a kill or Escape leaves the previous file as it was; only a
// regular file (or a new path) is written.
ConvertResult ConvertFile(PenEmitter& pen, const std::filesystem::path& path);

}  // namespace lumetch
