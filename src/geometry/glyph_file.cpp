#include "geometry/glyph_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "geometry/glyph_cache.h"
#include "model/units.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr std::size_t kWordMax = std::numeric_limits<uint16_t>::max();
constexpr std::size_t kOffsetMax = std::numeric_limits<uint32_t>::max();

// Directory words of a blank: no data, 128 units wide.
void write_blank(std::vector<uint16_t>& buf, std::size_t k) {
  const std::size_t at = kDirectoryWords * k + 1;
  if (buf.size() < at + kDirectoryWords) buf.resize(at + kDirectoryWords, 0);
  const uint16_t words[kDirectoryWords] = {kGlyphBlank, 0, 0, 0, 0, 128, 0};
  std::copy(std::begin(words), std::end(words), buf.begin() + static_cast<std::ptrdiff_t>(at));
}

// File coordinates are unsigned words: a point far outside the cell sticks to
// the edge of the range instead of wrapping around to the other side.
uint16_t clamp_word(int64_t v) {
  return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, static_cast<int64_t>(kWordMax)));
}

// Font units (Y up, origin at the pen on the baseline) to file units (y
// down): the pen lands on x = 50 and the baseline on y = 700.
uint16_t file_x(double fx) {
  return clamp_word(int64_t{nearest_int(fx)} + 50);
}
uint16_t file_y(double fy) {
  return clamp_word(700 - int64_t{nearest_int(fy)});
}

struct Point {
  double x;
  double y;
};

Point to_units(FixedPoint p) {
  return {static_cast<double>(p.x) / 65536.0, static_cast<double>(p.y) / 65536.0};
}

double bezier(double a, double b, double c, double t) {
  return (a - 2.0 * b + c) * (t * t) + (2.0 * b - 2.0 * a) * t + a;
}

// Flattens the polygons of one character into its data words (terminator not
// yet added). Stops as soon as the data no longer fit the directory's 16-bit
// length word; a contour's point count, at most half of that, then always
// fits its own count word.
class Flattener {
 public:
  bool overflow() const { return overflow_; }
  const std::vector<uint16_t>& words() const { return words_; }
  uint16_t xmin() const { return xmin_; }
  uint16_t xmax() const { return xmax_; }

  void add(const OutlinePolygon& polygon) {
    const std::size_t count_at = words_.size();
    words_.push_back(0);
    count_ = 0;
    current_ = to_units(polygon.start);
    emit(current_);
    for (const OutlineCurve& curve : polygon.curves) {
      if (overflow_) return;
      // A spline needs a control point and an end point; a lone point is
      // taken as a straight line to it.
      if (curve.kind == OutlineCurve::Kind::Line || curve.points.size() < 2) {
        for (FixedPoint p : curve.points) {
          current_ = to_units(p);
          emit(current_);
        }
      } else {
        add_spline(curve.points);
      }
    }
    if (overflow_) return;
    // Closed by the start point unless the last point already lies on it in
    // file units.
    const Point start = to_units(polygon.start);
    if (words_[words_.size() - 2] != file_x(start.x) || words_.back() != file_y(start.y)) {
      emit(start);
    }
    if (overflow_) return;
    words_[count_at] = static_cast<uint16_t>(count_);
  }

 private:
  void add_spline(const std::vector<FixedPoint>& pts) {
    const std::size_t m = pts.size();
    for (std::size_t i = 0; i + 1 < m && !overflow_; ++i) {
      const Point b = to_units(pts[i]);
      Point c = to_units(pts[i + 1]);
      if (i + 2 < m) c = {(b.x + c.x) / 2.0, (b.y + c.y) / 2.0};  // implied on-curve point
      const Point a = current_;
      double t = 0.0;
      for (int step = 0; step < 6; ++step) {
        if (step == 5) t = 1.0;
        emit({bezier(a.x, b.x, c.x, t), bezier(a.y, b.y, c.y, t)});
        t += 0.2;
      }
      current_ = c;
    }
  }

  void emit(Point p) {
    if (overflow_) return;
    // Two more words, and the terminator still to come.
    if (words_.size() + 3 > kWordMax) {
      overflow_ = true;
      return;
    }
    const uint16_t x = file_x(p.x);
    const uint16_t y = file_y(p.y);
    words_.push_back(x);
    words_.push_back(y);
    ++count_;
    xmin_ = std::min(xmin_, x);
    xmax_ = std::max(xmax_, x);
  }

  std::vector<uint16_t> words_;
  std::size_t count_ = 0;
  Point current_{0.0, 0.0};
  uint16_t xmin_ = std::numeric_limits<uint16_t>::max();
  uint16_t xmax_ = 0;
  bool overflow_ = false;
};

std::optional<NativeOutline> fetch_outline(FontEngine& fonts, const FontDescription& font,
                                           uint16_t code, bool japanese) {
  const char32_t ch = cp932_code_to_unicode(code);
  if (ch == kReplacementChar) return std::nullopt;  // no character to ask for
  return fonts.outline(font, ch, japanese);
}

// A break is CR LF, a lone CR or a lone LF; returns its length at `pos`, 0
// when there is none.
std::size_t break_length_at(std::string_view text, std::size_t pos) {
  if (text[pos] == '\n') return 1;
  if (text[pos] != '\r') return 0;
  return pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

}  // namespace

std::vector<int32_t> SplitLines(std::string& text) {
  std::vector<int32_t> lengths;
  std::string kept;
  kept.reserve(text.size());
  std::size_t line_start = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t brk = break_length_at(text, pos);
    if (brk == 0) {
      kept.push_back(text[pos++]);
      continue;
    }
    lengths.push_back(static_cast<int32_t>(kept.size() - line_start));
    line_start = kept.size();
    pos += brk;
  }
  lengths.push_back(static_cast<int32_t>(kept.size() - line_start));
  text = std::move(kept);
  return lengths;
}

std::string JoinLines(std::string_view text, const std::vector<int32_t>& line_lengths,
                      int32_t line_count) {
  const std::size_t lines =
      std::min(static_cast<std::size_t>(std::max(line_count, 0)), line_lengths.size());
  std::string out;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < lines; ++i) {
    if (i > 0) out += "\r\n";
    const std::size_t len = static_cast<std::size_t>(std::max(line_lengths[i], 0));
    const std::size_t take = std::min(len, text.size() - pos);
    out.append(text, pos, take);
    pos += take;
  }
  // Bytes the line table does not cover stay with the last line: the edited
  // text is stored again as a whole, and they would be lost otherwise.
  out.append(text, pos);
  return out;
}

void select_outline_font(CketralDoc& doc, std::string_view face_name, int32_t weight,
                         int32_t italic, int32_t charset) {
  doc.outline_font.face_name = cp932_to_utf8(face_name);
  doc.outline_font.weight = weight;
  doc.outline_font.italic = italic;
  doc.outline_font.charset = charset;
}

std::optional<NativeOutline> FetchGlyph(const CketralDoc& doc, uint16_t code) {
  return fetch_outline(doc.fonts(), doc.outline_font, code, false);
}

// A character whose data would not fit the 16-bit length word (more than
// 65535 words, which also bounds every contour's point count) is refused
// whole and returns 0, as does one whose data would end beyond 32-bit offsets:
// cutting a contour into pieces would change the shape it encloses. Nothing
// of `buf` is touched then.
std::size_t ConvertGlyph(const NativeOutline& outline, std::vector<uint16_t>& buf, std::size_t k,
                         std::size_t data_offset) {
  if (outline.empty()) return 0;
  Flattener flat;
  for (const OutlinePolygon& polygon : outline) {
    flat.add(polygon);
    if (flat.overflow()) return 0;
  }
  const std::size_t length = flat.words().size() + 1;
  if (data_offset > kOffsetMax || length > kOffsetMax - data_offset) return 0;

  const std::size_t dir = kDirectoryWords * k + 1;
  buf.resize(std::max({buf.size(), dir + kDirectoryWords, data_offset + length}), 0);
  const auto data = buf.begin() + static_cast<std::ptrdiff_t>(data_offset);
  std::copy(flat.words().begin(), flat.words().end(), data);
  buf[data_offset + length - 1] = 0;

  buf[dir] = kGlyphOutline;
  buf[dir + 1] = static_cast<uint16_t>(data_offset & 0xFFFF);
  buf[dir + 2] = static_cast<uint16_t>((data_offset >> 16) & 0xFFFF);
  buf[dir + 3] = static_cast<uint16_t>(length);
  buf[dir + 4] = flat.xmin();
  buf[dir + 5] = flat.xmax();
  buf[dir + 6] = 0;
  return length;
}

// Empty also for a text of more than 65535 characters, whose count does not
// fit word 0.
std::vector<uint16_t> BuildGlyphFile(FontEngine& fonts, const FontDescription& font,
                                     std::string_view text) {
  const std::vector<uint16_t> codes = char_codes(text);
  if (codes.empty() || codes.size() > kWordMax) return {};
  std::vector<uint16_t> buf(kDirectoryWords * codes.size() + 1, 0);
  buf[0] = static_cast<uint16_t>(codes.size());
  std::size_t next = buf.size();
  // Texts repeat characters (serial numbers above all): ask the engine once.
  std::unordered_map<uint16_t, std::optional<NativeOutline>> outlines;
  const bool japanese = wants_japanese_fonts(font, text);
  for (std::size_t k = 0; k < codes.size(); ++k) {
    const uint16_t code = codes[k];
    std::size_t length = 0;
    if (!is_blank_char(code)) {
      auto it = outlines.find(code);
      if (it == outlines.end())
        it = outlines.emplace(code, fetch_outline(fonts, font, code, japanese)).first;
      // A character without contours would get no sensible width: a blank.
      if (it->second) length = ConvertGlyph(*it->second, buf, k, next);
    }
    if (length == 0) {
      write_blank(buf, k);
    } else {
      next += length;
    }
  }
  buf.resize(next);
  return buf;
}

// An empty text leaves no glyph file at all, so a stale one cannot outlive
// its text; that counts as success.
bool WriteGlyphFile(const CketralDoc& doc, std::string_view text,
                    const std::filesystem::path& path) {
  glyph_cache().forget(path);  // a rewrite may keep the size and the timestamp
  if (text.empty()) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
  }
  const std::vector<uint16_t> words = BuildGlyphFile(doc.fonts(), doc.outline_font, text);
  if (words.empty()) return false;  // too many characters for the file's count word
  std::string bytes;
  bytes.reserve(words.size() * 2);
  for (uint16_t w : words) {
    bytes.push_back(static_cast<char>(w & 0xFF));
    bytes.push_back(static_cast<char>(w >> 8));
  }
  // Written aside and renamed: a reader never sees half a file.
  return write_file_atomically(path, bytes);
}

}  // namespace lumetch
