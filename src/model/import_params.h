#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumetch {

// Bytes that copies of a block share: the undo history keeps copies of
// objects and must not copy an image for every step. Compared by contents.
class SharedBytes {
 public:
  SharedBytes() = default;
  explicit SharedBytes(std::vector<uint8_t> bytes)
      : bytes_(std::make_shared<const std::vector<uint8_t>>(std::move(bytes))) {}

  const std::vector<uint8_t>& get() const {
    static const std::vector<uint8_t> kNone;
    return bytes_ != nullptr ? *bytes_ : kNone;
  }
  bool empty() const { return get().empty(); }
  std::size_t size() const { return get().size(); }
  bool operator==(const SharedBytes& other) const {
    return bytes_ == other.bytes_ || get() == other.get();
  }

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

// How plot files are read: every pair and command of HPGL, or the first
// pair of PU/PD/PA only, as plots were read before.
enum class PlotReading : int32_t { kFull = 0, kFirstPairOnly = 1 };

// An imported plot: drawn and marked from its per-pen stroke files.
struct PltBlock {
  std::string source_path;
  double src_width = 0.0;  // |max_x - min_x|, plot units
  double src_height = 0.0;
  double init_width = 0.0;  // mm at import
  double init_height = 0.0;
  int32_t min_x = 0;
  int32_t min_y = 0;
  int32_t max_x = 0;
  int32_t max_y = 0;
  std::array<std::string, 8> pen_file;  // stroke file of pen 1..8
  std::array<int32_t, 8> pen_layer{0, 1, 2, 3, 4, 5, 6, 7};
  std::array<int32_t, 8> pen_used{};  // 1 when that pen's stroke file was created
  bool operator==(const PltBlock&) const = default;
};

// A one-bit bitmap, read again from its file at every drawing and marking.
struct BmpBlock {
  std::string source_path;
  int32_t style = 0;  // 0: bit 0 marks, 1: bit 1 marks
  int32_t width_px = 0;
  int32_t height_px = 0;     // always positive; see top_down
  double image_width = 0.0;  // mm, kept equal to the object's width
  double image_height = 0.0;
  int32_t bits_offset = 0;  // file offset of the first stored pixel row
  bool top_down = false;    // rows stored top row first (negative height in the file)
  SharedBytes dib;          // the file after its 14-byte header, as loaded
  bool operator==(const BmpBlock&) const = default;
};

// Closed outlines from a VCT file, read again at every drawing and marking.
struct VctBlock {
  std::string source_path;
  int32_t point_count = 0;
  int32_t contour_count = 0;
  double init_width = 0.0;
  double init_height = 0.0;
  int32_t min_x = 0;
  int32_t min_y = 0;
  int32_t max_x = 0;
  int32_t max_y = 0;
  double units_x = 0.0;  // units per mm
  double units_y = 0.0;
  bool operator==(const VctBlock&) const = default;
};

}  // namespace lumetch
