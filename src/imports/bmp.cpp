#include "imports/bmp.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string_view>

#include "marker/pen_emitter.h"
#include "model/units.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr std::string_view kCaption = "Lumetch";

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kHeadBytes = kFileHeaderBytes + kInfoHeaderBytes;
// No bitmap this program can use is wider or taller than this; larger
// figures come from damaged or hostile headers.
constexpr int64_t kMaxSide = 65535;
// A 65535 × 65535 one-bit image is about 512 MiB; a larger file is not loaded.
constexpr uint64_t kMaxLoadBytes = uint64_t{1} << 30;
// Samples along one axis of one copy; beyond this an object is far larger
// than any field and is not drawn (the sample tables would exhaust memory).
constexpr std::size_t kMaxSamples = std::size_t{1} << 22;

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t add_saturated(int32_t a, int64_t b) {
  const int64_t v = int64_t{a} + b;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v > kMax ? kMax : (v < kMin ? kMin : v));
}

// Where the pixel rows of a one-bit bitmap lie in its file.
struct PixelLayout {
  int32_t width = 0;
  int32_t height = 0;  // rows, positive
  bool top_down = false;
  int64_t offset = 0;
  int64_t stride = 0;  // bytes per row, padded to 32 bits
  int64_t bytes() const { return stride * height; }
};

std::optional<PixelLayout> make_layout(int64_t width, int64_t height, bool top_down,
                                       int64_t offset) {
  if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide || offset < 0) {
    return std::nullopt;
  }
  PixelLayout l;
  l.width = static_cast<int32_t>(width);
  l.height = static_cast<int32_t>(height);
  l.top_down = top_down;
  l.offset = offset;
  l.stride = (width + 31) / 32 * 4;
  return l;
}

enum class Verdict { kOk, kNotBmp, kCoreHeader, kBroken, kNotOneBit, kCompressed };

// Judges a bitmap from its first bytes (as many of the first 54 as the file
// has) and its real size. Anything that would make the pixel rows lie outside
// the file, or that claims more bytes than the file holds, is broken.
Verdict judge(std::span<const uint8_t> head, uint64_t file_size, PixelLayout& out) {
  if (head.size() < 2 || le16(head.data()) != 0x4D42) return Verdict::kNotBmp;
  if (head.size() < kFileHeaderBytes + 4) return Verdict::kBroken;
  const uint32_t info_size = le32(head.data() + kFileHeaderBytes);
  if (info_size == 12) return Verdict::kCoreHeader;
  if (le32(head.data() + 2) > file_size) return Verdict::kBroken;
  if (head.size() < kHeadBytes || info_size < kInfoHeaderBytes ||
      kFileHeaderBytes + info_size > file_size) {
    return Verdict::kBroken;
  }
  const uint8_t* info = head.data() + kFileHeaderBytes;
  if (le16(info + 14) != 1) return Verdict::kNotOneBit;
  if (le32(info + 16) != 0) return Verdict::kCompressed;
  const auto width = static_cast<int32_t>(le32(info + 4));
  const auto height = static_cast<int32_t>(le32(info + 8));
  const int64_t offset = le32(head.data() + 10);
  // A negative height stores the rows top row first.
  const auto layout = make_layout(width, std::abs(int64_t{height}), height < 0, offset);
  if (!layout || offset < static_cast<int64_t>(kFileHeaderBytes + info_size) ||
      static_cast<uint64_t>(offset + layout->bytes()) > file_size) {
    return Verdict::kBroken;
  }
  out = *layout;
  return Verdict::kOk;
}

// An input file opened as every input is (regular files only), with its size.
struct BinaryFile {
  InputFile input;
  uint64_t size = 0;
  std::FILE* get() const { return input.file.get(); }
  bool ok() const { return input.ok(); }
};

BinaryFile open_binary(const std::filesystem::path& path) {
  BinaryFile f{open_input_file(path)};
  if (!f.ok()) return f;
  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) != 0 || st.st_size < 0) {
    f.input.status = InputStatus::Unreadable;
    f.input.reason = std::strerror(errno);
    f.input.message = "The file " + path.string() + " cannot be read: " + f.input.reason + ".";
    f.input.file.reset();
    return f;
  }
  f.size = static_cast<uint64_t>(st.st_size);
  return f;
}

bool read_exact(std::FILE* in, uint8_t* dst, std::size_t n) {
  return std::fread(dst, 1, n, in) == n;
}

// The first bytes of the file, up to the end of the info header.
std::vector<uint8_t> read_head(std::FILE* in, uint64_t file_size) {
  std::vector<uint8_t> head(static_cast<std::size_t>(std::min<uint64_t>(file_size, kHeadBytes)));
  if (!read_exact(in, head.data(), head.size())) head.clear();
  return head;
}

// The pixel rows of a bitmap held in memory; the marks of one image row are
// expanded to a byte per pixel and kept until another row is asked for.
class Pixels {
 public:
  // Marked pixels: those whose bit differs from 1 - style.
  explicit Pixels(int32_t style) {
    const int64_t unmarked = 1 - int64_t{style};
    mark_if_ = {static_cast<uint8_t>(unmarked != 0), static_cast<uint8_t>(unmarked != 1)};
  }

  // Reads every row at once. False when the file does not hold them all.
  bool load(std::FILE* in, uint64_t file_size, const PixelLayout& layout) {
    layout_ = layout;
    if (static_cast<uint64_t>(layout.offset + layout.bytes()) > file_size) return false;
    try {
      data_.resize(static_cast<std::size_t>(layout.bytes()));
      marks_.resize(static_cast<std::size_t>(layout.width));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return ::fseeko(in, static_cast<off_t>(layout.offset), SEEK_SET) == 0 &&
           read_exact(in, data_.data(), data_.size());
  }

  // The same from the whole file in memory.
  bool load(std::span<const uint8_t> file, const PixelLayout& layout) {
    layout_ = layout;
    if (static_cast<uint64_t>(layout.offset + layout.bytes()) > file.size()) return false;
    try {
      const auto first = file.begin() + static_cast<std::ptrdiff_t>(layout.offset);
      data_.assign(first, first + static_cast<std::ptrdiff_t>(layout.bytes()));
      marks_.resize(static_cast<std::size_t>(layout.width));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  // One byte per pixel of image row r (0 = bottom): 1 where it is marked.
  const uint8_t* marks(int32_t r) {
    if (r == cached_row_) return marks_.data();
    cached_row_ = r;
    const int32_t stored = layout_.top_down ? layout_.height - 1 - r : r;
    const uint8_t* row = data_.data() + static_cast<std::size_t>(stored * layout_.stride);
    for (int32_t c = 0; c < layout_.width; ++c) {
      const int bit = (row[c >> 3] >> (7 - (c & 7))) & 1;
      marks_[static_cast<std::size_t>(c)] = mark_if_[static_cast<std::size_t>(bit)];
    }
    return marks_.data();
  }

 private:
  PixelLayout layout_;
  std::array<uint8_t, 2> mark_if_{};
  std::vector<uint8_t> data_;
  std::vector<uint8_t> marks_;
  int32_t cached_row_ = -1;
};

// Samples t = 0, step, 2·step, … below `extent` target units along one axis;
// sample k shows source pixel ⌊t ÷ per_pixel⌋ (kept inside the image against
// rounding at the far edge). False when the axis cannot be sampled.
bool sample_axis(double per_pixel, double extent, int32_t step, int32_t pixels,
                 std::vector<int32_t>& out) {
  out.clear();
  if (!(per_pixel > 0) || !std::isfinite(per_pixel) || !std::isfinite(extent) || step < 1) {
    return false;
  }
  for (int64_t t = 0; static_cast<double>(t) < extent; t += step) {
    if (out.size() >= kMaxSamples) return false;
    const double p = std::floor(static_cast<double>(t) / per_pixel);
    out.push_back(p >= pixels ? pixels - 1 : static_cast<int32_t>(p));
  }
  return true;
}

// Opens the object's file and reads its rows as the block describes them.
// False when the file is gone or no longer holds them.
bool load_block_pixels(const BmpBlock& b, Pixels& pixels) {
  const auto layout = make_layout(b.width_px, b.height_px, b.top_down, b.bits_offset);
  if (!layout) return false;
  const BinaryFile in = open_binary(b.source_path);
  return in.ok() && pixels.load(in.get(), in.size, *layout);
}

struct Run {
  int32_t first;
  int32_t last;
};

// Maximal runs of marked samples along a line, left to right.
void find_runs(const uint8_t* marks, const std::vector<int32_t>& cols, std::vector<Run>& runs) {
  runs.clear();
  const std::size_t n = cols.size();
  std::size_t i = 0;
  while (i < n) {
    while (i < n && marks[cols[i]] == 0) ++i;
    if (i == n) break;
    const std::size_t first = i;
    while (i < n && marks[cols[i]] != 0) ++i;
    runs.push_back({static_cast<int32_t>(first), static_cast<int32_t>(i - 1)});
  }
}

// One run, pen up to its start and down to its end. A pen-up move that
// Escape suppressed must not be followed by the pen-down: it would burn a
// line from wherever the pen stands. False once the job is stopped.
bool emit_run(PenEmitter& pen, int32_t from, int32_t to, int32_t y) {
  if (pen.doc().stop_requested != 0) return false;
  pen.EmitMove(from, y, false);
  if (pen.doc().stop_requested != 0) return false;
  pen.EmitMove(to, y, true);
  return true;
}

// Horizontal lines `fill_pitch` apart, alternating in direction, each cut into
// runs of marked pixels. The copy array is walked like every object's, but a
// copy's rows are counted upward from the array's bottom edge.
void mark(GeomContext& g, const MarkObject& obj, const BmpBlock& b, Pixels& pixels) {
  CketralDoc& doc = g.doc;
  const MarkSettings& s = doc.settings;
  const double ux = b.image_width / b.width_px * s.rate_x * kUnitsPerMm;
  const double uy = b.image_height / b.height_px * s.rate_y * kUnitsPerMm;
  const int32_t total_x = nearest_int(s.rate_x * b.image_width * kUnitsPerMm);
  const int32_t total_y = nearest_int(s.rate_y * b.image_height * kUnitsPerMm);
  const int32_t step = std::max(1, nearest_int(s.rate_y * obj.fill_pitch * kUnitsPerMm));
  std::vector<int32_t> cols;
  std::vector<int32_t> rows;
  if (!sample_axis(ux, total_x, 1, b.width_px, cols) ||
      !sample_axis(uy, total_y, step, b.height_px, rows) || cols.empty() || rows.empty()) {
    return;
  }

  const double w = obj.width;
  const double h = obj.height;
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  std::vector<Run> runs;
  // Copies are counted: those that send nothing still see Escape.
  const int64_t total = std::max<int64_t>(int64_t{obj.columns} * obj.rows, 0);
  int64_t done = 0;
  for (int32_t c = 0; c < obj.columns; ++c) {
    if (doc.stop_requested != 0) return;
    for (int32_t r = 0; r < obj.rows; ++r) {
      if (doc.stop_requested != 0) return;
      if (done > 0) g.pen->copy_walked(done, total);
      ++done;
      const double left = (w + obj.column_gap) * c + (obj.cent_x - tw / 2);
      const double bottom = (h + obj.row_gap) * r + (obj.cent_y - th / 2);
      const int32_t base_x = marker_x(s, left);
      const int32_t base_y = marker_y(s, bottom);
      const auto at_x = [&](int32_t t) {
        return add_saturated(base_x, obj.mirror_x != 0 ? int64_t{total_x} - t : t);
      };
      int32_t runs_row = -1;
      for (std::size_t k = 0; k < rows.size(); ++k) {
        if (doc.stop_requested != 0) return;
        if (rows[k] != runs_row) {
          runs_row = rows[k];
          find_runs(pixels.marks(runs_row), cols, runs);
        }
        const int64_t ty = static_cast<int64_t>(k) * step;
        const int32_t y = add_saturated(base_y, obj.mirror_y != 0 ? total_y - ty : ty);
        if (k % 2 == 0) {
          for (const Run& run : runs) {
            if (!emit_run(*g.pen, at_x(run.first), at_x(run.last), y)) return;
          }
        } else {
          for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            if (!emit_run(*g.pen, at_x(it->last), at_x(it->first), y)) return;
          }
        }
      }
    }
  }
}

// Screen and raster: one dot per marked sample. Sample positions depend on
// the copy only through its origin, so they are worked out once per copy.
struct DotWalk {
  double per_px_x = 0;  // target units per image pixel
  double per_px_y = 0;
  int32_t step = 1;
  bool y_up = true;  // screen: Y grows upward; raster: rows grow downward
};

void dots(GeomContext& g, Canvas& dc, const MarkObject& obj, const BmpBlock& b, Pixels& pixels,
          const DotWalk& walk) {
  CketralDoc& doc = g.doc;
  const double extent_x = b.width_px * walk.per_px_x;
  const double extent_y = b.height_px * walk.per_px_y;
  std::vector<int32_t> cols;
  std::vector<int32_t> rows;
  if (!sample_axis(walk.per_px_x, extent_x, walk.step, b.width_px, cols) ||
      !sample_axis(walk.per_px_y, extent_y, walk.step, b.height_px, rows)) {
    return;
  }
  const Rgb colour = obj.layer >= 0 && obj.layer < 8
                         ? doc.view.layer_colours[static_cast<std::size_t>(obj.layer)]
                         : Rgb{};
  const bool mirror_x = obj.mirror_x != 0;
  const bool mirror_y = obj.mirror_y != 0;
  std::vector<int32_t> xs(cols.size());
  std::vector<int32_t> ys(rows.size());
  // The view's window in view units, a sample's width wider; samples run
  // monotonically along each axis, mirrored or not.
  struct UnitWindow {
    int32_t left, bottom, right, top;
  };
  std::optional<UnitWindow> window;
  if (walk.y_up && g.visible) {
    const int32_t pad = static_cast<int32_t>(
        std::min(1e6, std::ceil(std::max(walk.per_px_x, walk.per_px_y) * walk.step)) + 2);
    window = UnitWindow{screen_x(doc.view, g.visible->left) - pad,
                        screen_y(doc.view, g.visible->bottom) - pad,
                        screen_x(doc.view, g.visible->right) + pad,
                        screen_y(doc.view, g.visible->top) + pad};
  }
  // Not repeated in blocks: each copy keeps only its samples in the window.
  for_each_copy(g, obj, obj.width, obj.height, [&](double left, double top) {
    double x0 = 0;
    double y0 = 0;
    if (walk.y_up) {
      // The view's origin, not rounded before the offsets are added.
      const int32_t z = doc.view.zoom();
      x0 = doc.view.origin_x + 2.0 * z * left;
      y0 = 2.0 * z * top - doc.view.origin_y;
    } else {
      // raster_y keeps the sign, so a copy above the scan area stays above it
      // instead of being reflected into the bitmap.
      x0 = raster_x(doc, left);
      y0 = raster_y(doc, top);
    }
    for (std::size_t j = 0; j < cols.size(); ++j) {
      const double tx = static_cast<double>(static_cast<int64_t>(j) * walk.step);
      xs[j] = nearest_int(x0 + (mirror_x ? extent_x - tx : tx));
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const double ty = static_cast<double>(static_cast<int64_t>(k) * walk.step);
      const double dy = walk.y_up ? (mirror_y ? -ty : ty - extent_y)  // up from the top edge
                                  : (mirror_y ? ty : extent_y - ty);  // down from the top row
      ys[k] = nearest_int(y0 + dy);
    }
    // In the view only the samples inside its window: a bitmap kilometres
    // wide has millions of samples a side, few of them in sight.
    std::size_t j0 = 0;
    std::size_t j1 = cols.size();
    if (window) {
      const auto inside = [&](int32_t x) { return x >= window->left && x <= window->right; };
      while (j0 < j1 && !inside(xs[j0])) ++j0;
      while (j1 > j0 && !inside(xs[j1 - 1])) --j1;
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (doc.stop_requested != 0) return;
      if (window && (ys[k] < window->bottom || ys[k] > window->top)) continue;
      const uint8_t* marks = pixels.marks(rows[k]);
      for (std::size_t j = j0; j < j1; ++j) {
        if (marks[cols[j]] != 0) dc.set_pixel(xs[j], ys[k], colour);
      }
    }
  });
}

void draw_pixels(GeomContext& g, Canvas* dc, const MarkObject& obj, const BmpBlock& b,
                 Pixels& pixels) {
  switch (g.choose(dc)) {
    case DrawTarget::Marker:
      mark(g, obj, b, pixels);
      return;
    case DrawTarget::Screen: {
      const double two_z = 2.0 * g.doc.view.zoom();
      const DotWalk walk{two_z * b.image_width / b.width_px, two_z * b.image_height / b.height_px,
                         g.doc.view.printing != 0 ? 1 : 24, true};
      dots(g, *dc, obj, b, pixels, walk);
      return;
    }
    case DrawTarget::Raster: {
      const int32_t res = g.doc.settings.resolution;
      const DotWalk walk{res * b.image_width / b.width_px, res * b.image_height / b.height_px, 1,
                         false};
      dots(g, *dc, obj, b, pixels, walk);
      return;
    }
  }
}

// The file dialog's miniature from a bitmap's first bytes and its size;
// `load_rows` reads the pixel rows of the layout found.
template <class LoadRows>
bool preview(Canvas& dc, std::span<const uint8_t> head, uint64_t size, LoadRows&& load_rows,
             int32_t left, int32_t top, int32_t w, int32_t h, int32_t step, Operator& op) {
  constexpr std::string_view kReadError = "文件读取错误!";
  const auto fail = [&op](std::string_view text) {
    op.message(text, kCaption);
    return false;
  };
  PixelLayout layout;
  switch (judge(head, size, layout)) {
    case Verdict::kOk:
      break;
    case Verdict::kNotBmp:
      return fail("此文件不是一个位图文件!");
    case Verdict::kCoreHeader:
    case Verdict::kCompressed:
      return fail("非解压文件!");
    case Verdict::kNotOneBit:
      return fail("此文件不是黑白位图!");
    case Verdict::kBroken:
      return fail(kReadError);
  }
  // The miniature shows bit 0 as black, whatever the object's style.
  Pixels pixels(0);
  if (!load_rows(pixels, layout)) return fail(kReadError);
  if (w <= 0 || h <= 0) return true;

  const float sx = static_cast<float>(w) / static_cast<float>(layout.width);
  const float sy = static_cast<float>(h) / static_cast<float>(layout.height);
  const auto source = [](int64_t t, float scale, int32_t pixels_on_axis) {
    const float p = std::floor(static_cast<float>(t) / scale);
    return p >= static_cast<float>(pixels_on_axis) ? pixels_on_axis - 1 : static_cast<int32_t>(p);
  };
  std::vector<int32_t> cols(static_cast<std::size_t>(w));
  for (int32_t x = 0; x < w; ++x) cols[static_cast<std::size_t>(x)] = source(x, sx, layout.width);
  const Rgb black{};
  for (int64_t y = 0; y < h; y += std::max(step, 1)) {
    const uint8_t* marks = pixels.marks(source(y, sy, layout.height));
    const int32_t py = add_saturated(top, int64_t{h} - y);
    for (int32_t x = 0; x < w; ++x) {
      if (marks[cols[static_cast<std::size_t>(x)]] != 0) {
        dc.set_pixel(add_saturated(left, x), py, black);
      }
    }
  }
  return true;
}

BmpLoad refused(BmpLoad::Result result, std::string_view text, Operator* op) {
  BmpLoad out;
  out.result = result;
  out.message = text;
  if (op != nullptr) op->message(text, kCaption);
  return out;
}

}  // namespace

BmpLoad LoadBmp(const std::filesystem::path& path, int32_t resolution, Operator* op) {
  const BinaryFile file = open_binary(path);
  if (file.input.missing()) return refused(BmpLoad::kCannotOpen, "The File is not exist!", op);
  // There, but not to be read (a directory, a FIFO, no permission): said
  // as it is, not offered for relocation as a missing file would be.
  if (!file.ok()) return refused(BmpLoad::kRefused, file.input.message, op);
  // Of a file too large to load only the magic is looked at.
  const bool too_large = file.size > kMaxLoadBytes;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(too_large ? 2 : file.size));
  } catch (const std::bad_alloc&) {
    return refused(BmpLoad::kRefused, "No memory!", op);
  }
  if (!read_exact(file.get(), bytes.data(), bytes.size())) {
    return refused(BmpLoad::kRefused, "File Reading Error!", op);
  }
  if (too_large) {
    if (le16(bytes.data()) != 0x4D42) return refused(BmpLoad::kRefused, "This file is not BMP!", op);
    return refused(BmpLoad::kRefused, "No memory!", op);
  }
  return load_bmp_bytes(bytes, resolution, op);
}

BmpLoad load_bmp_bytes(std::span<const uint8_t> bytes, int32_t resolution, Operator* op) {
  constexpr std::string_view kReadError = "File Reading Error!";
  const uint64_t size = bytes.size();
  if (size < 2 || le16(bytes.data()) != 0x4D42) {
    return refused(BmpLoad::kRefused, "This file is not BMP!", op);
  }
  if (size < kFileHeaderBytes) return refused(BmpLoad::kRefused, kReadError, op);

  // The real size, never the header's claim, decides what is allocated.
  BmpLoad out;
  if (size > kMaxLoadBytes) return refused(BmpLoad::kRefused, "No memory!", op);
  try {
    out.dib.assign(bytes.begin() + kFileHeaderBytes, bytes.end());
  } catch (const std::bad_alloc&) {
    return refused(BmpLoad::kRefused, "No memory!", op);
  }

  PixelLayout layout;
  switch (judge(bytes.first(std::min<std::size_t>(bytes.size(), kHeadBytes)), size, layout)) {
    case Verdict::kOk:
      break;
    case Verdict::kNotBmp:
      return refused(BmpLoad::kRefused, "This file is not BMP!", op);
    case Verdict::kCoreHeader:
    case Verdict::kBroken:
      return refused(BmpLoad::kRefused, kReadError, op);
    case Verdict::kNotOneBit:
      return refused(BmpLoad::kRefused, "The File is not a Black&white BMP!", op);
    case Verdict::kCompressed:
      return refused(BmpLoad::kRefused, "The File is a compressed BMP!", op);
  }

  out.result = BmpLoad::kLoaded;
  out.width_px = layout.width;
  out.height_px = layout.height;
  out.top_down = layout.top_down;
  out.bits_offset = static_cast<int32_t>(layout.offset);
  // Whole millimetres: the division is an integer one.
  const int32_t divisor = resolution >= 2 ? resolution : 40;
  out.init_width = static_cast<double>(layout.width / divisor);
  out.init_height = static_cast<double>(layout.height / divisor);
  return out;
}

void DrawBmp(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const BmpBlock* b = obj.block<BmpBlock>();
  if (b == nullptr) return;
  if (g.choose(dc) == DrawTarget::Marker ? g.pen == nullptr : dc == nullptr) return;
  Pixels pixels(b->style);
  if (!load_block_pixels(*b, pixels)) return;
  draw_pixels(g, dc, obj, *b, pixels);
}

void draw_bmp_bytes(GeomContext& g, Canvas* dc, const MarkObject& obj,
                    std::span<const uint8_t> file) {
  const BmpBlock* b = obj.block<BmpBlock>();
  if (b == nullptr) return;
  if (g.choose(dc) == DrawTarget::Marker ? g.pen == nullptr : dc == nullptr) return;
  const auto layout = make_layout(b->width_px, b->height_px, b->top_down, b->bits_offset);
  Pixels pixels(b->style);
  if (!layout || !pixels.load(file, *layout)) return;
  draw_pixels(g, dc, obj, *b, pixels);
}

bool PreviewBmp(Canvas& dc, const std::filesystem::path& path, int32_t left, int32_t top, int32_t w,
                int32_t h, int32_t step, Operator& op) {
  const BinaryFile file = open_binary(path);
  if (file.input.missing()) {
    op.message("不能打开此文件", kCaption);
    return false;
  }
  if (!file.ok()) {
    op.message(file.input.message, kCaption);
    return false;
  }
  std::FILE* const in = file.get();
  const auto rows = [&](Pixels& pixels, const PixelLayout& layout) {
    return pixels.load(in, file.size, layout);
  };
  return preview(dc, read_head(in, file.size), file.size, rows, left, top, w, h, step, op);
}

bool preview_bmp_bytes(Canvas& dc, std::span<const uint8_t> file, int32_t left, int32_t top,
                       int32_t w, int32_t h, int32_t step, Operator& op) {
  const auto rows = [&](Pixels& pixels, const PixelLayout& layout) {
    return pixels.load(file, layout);
  };
  return preview(dc, file.first(std::min<std::size_t>(file.size(), kHeadBytes)), file.size(), rows,
                 left, top, w, h, step, op);
}

}  // namespace lumetch
