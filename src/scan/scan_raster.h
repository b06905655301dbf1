#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace lumetch {

// A one-bit image of the scanning area: white background, drawn parts black.
// Rows are stored top row first, leftmost pixel in the most significant bit,
// each row padded to a multiple of 4 bytes; a set bit is white (palette
// order black, white, as the BMP file has it).
class ScanRaster {
 public:
  // An all-white raster; nullopt when a size is not positive, the image
  // would exceed kMaxPixels, or the memory cannot be had.
  static std::optional<ScanRaster> create(int32_t width, int32_t height);
  static constexpr int64_t kMaxPixels = int64_t{1} << 32;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  std::size_t stride() const { return stride_; }

  // False (white) outside the image.
  bool is_black(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    const uint8_t byte =
        bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x >> 3)];
    return (byte & (0x80u >> (x & 7))) == 0;
  }
  // Ignored outside the image.
  void set_black(int32_t x, int32_t y, bool black) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t& byte = bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x >> 3)];
    const auto mask = static_cast<uint8_t>(0x80u >> (x & 7));
    byte = black ? static_cast<uint8_t>(byte & ~mask) : static_cast<uint8_t>(byte | mask);
  }

  std::span<const uint8_t> row(int32_t y) const {
    return {bits_.data() + static_cast<std::size_t>(y) * stride_, stride_};
  }
  const std::vector<uint8_t>& bits() const { return bits_; }

 private:
  ScanRaster(int32_t width, int32_t height, std::size_t stride, std::vector<uint8_t> bits)
      : width_(width), height_(height), stride_(stride), bits_(std::move(bits)) {}

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::size_t stride_ = 0;
  std::vector<uint8_t> bits_;
};

// Draws into a ScanRaster in pixels (Y down). Every colour but white draws
// black, white draws white. Fills (polygons with the nonzero winding rule,
// rectangles, ellipses) leave out their right and bottom edges, as the
// platform's fills do; pens one pixel wide draw lines with both ends. Shapes
// are clipped to the image, so far-away coordinates cost nothing.
class RasterCanvas : public Canvas {
 public:
  explicit RasterCanvas(ScanRaster& raster) : raster_(raster) {}

  void move_to(int32_t x, int32_t y) override;
  void line_to(int32_t x, int32_t y) override;
  void polygon(std::span<const CanvasPoint> points) override;
  void poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void set_pixel(int32_t x, int32_t y, Rgb colour) override;

 private:
  ScanRaster& raster_;
  CanvasPoint at_;
};

// The raster as a monochrome Windows bitmap: 62-byte headers (resolution ×
// 1000 pixels per metre, palette black and white), rows bottom-up. Written
// through a temporary file; false (with `reason`) when it could not be written.
bool WriteScanBmp(const ScanRaster& raster, int32_t resolution, const std::filesystem::path& path,
                  std::string* reason = nullptr);

}  // namespace lumetch
