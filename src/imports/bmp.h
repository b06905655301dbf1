#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"
#include "platform/operator.h"

namespace lumetch {

// What loading a bitmap leaves for the caller to copy into a BmpBlock.
struct BmpLoad {
  enum Result : int32_t { kCannotOpen = -1, kRefused = 0, kLoaded = 1 };
  int32_t result = kCannotOpen;
  std::string message;  // the refusal shown to the operator, empty when loaded
  int32_t width_px = 0;
  int32_t height_px = 0;  // positive; top_down tells the row order
  bool top_down = false;
  int32_t bits_offset = 0;
  std::vector<uint8_t> dib;  // the file after its 14-byte header
  double init_width = 0.0;   // whole millimetres
  double init_height = 0.0;
};

// Loads a one-bit bitmap. Every refusal is shown through `op` (when given)
// as a message box and kept in `message`. kCannotOpen is a missing file; one
// that is there but cannot be read (not a regular file, no permission) is
// refused with a message naming it.
BmpLoad LoadBmp(const std::filesystem::path& path, int32_t resolution, Operator* op);
// The same for the bytes of a whole bitmap file in memory.
BmpLoad load_bmp_bytes(std::span<const uint8_t> file, int32_t resolution, Operator* op);

// Generator: marker runs on alternating lines, screen dots, raster pixels.
// Never rotated.
void DrawBmp(GeomContext& g, Canvas* dc, const MarkObject& obj);
// The same with the object's file given in memory instead of read from disk.
void draw_bmp_bytes(GeomContext& g, Canvas* dc, const MarkObject& obj,
                    std::span<const uint8_t> file);

// The file dialog's miniature, stretched to w × h, sampled every `step` rows.
// A file that cannot be shown gives its message through `op` and false.
bool PreviewBmp(Canvas& dc, const std::filesystem::path& path, int32_t left, int32_t top, int32_t w,
                int32_t h, int32_t step, Operator& op);
bool preview_bmp_bytes(Canvas& dc, std::span<const uint8_t> file, int32_t left, int32_t top,
                       int32_t w, int32_t h, int32_t step, Operator& op);

}  // namespace lumetch
