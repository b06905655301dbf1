#include "imports/plt.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

#include "imports/hpgl.h"
#include "marker/layer_header.h"
#include "marker/pen_emitter.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr int kPenCount = 8;
constexpr std::size_t kStrokeBuffer = std::size_t{1} << 16;
// Longer stroke lines cannot come from the importer and are skipped.
constexpr std::size_t kStrokeLineCap = 128;

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// ---------------------------------------------------------------------------
// Command reader

// An integer read like strtol: optional leading white space, a sign, digits; it ends at the first
// other character. Values beyond the int32 range saturate.
class IntScan {
 public:
  // False once the number has ended.
  bool feed(char c) {
    switch (state_) {
      case State::kLead:
        if (is_space(c)) return true;
        if (c == '+' || c == '-') {
          negative_ = c == '-';
          state_ = State::kSign;
          return true;
        }
        [[fallthrough]];
      case State::kSign:
      case State::kDigits:
        if (!is_digit(c)) {
          state_ = State::kDone;
          return false;
        }
        state_ = State::kDigits;
        magnitude_ = magnitude_ * 10 + (c - '0');
        if (magnitude_ > kLimit) magnitude_ = kLimit;
        return true;
      case State::kDone:
        return false;
    }
    return false;
  }

  int32_t value() const {
    if (negative_) return static_cast<int32_t>(-magnitude_);
    return static_cast<int32_t>(magnitude_ > kInt32Max ? kInt32Max : magnitude_);
  }

 private:
  enum class State : uint8_t { kLead, kSign, kDigits, kDone };
  static constexpr int64_t kLimit = int64_t{kInt32Max} + 1;

  State state_ = State::kLead;
  bool negative_ = false;
  int64_t magnitude_ = 0;
};

enum class Op : uint8_t { kOther, kSelectPen, kUp, kDown, kAbsolute };

struct PltCommand {
  Op op = Op::kOther;
  int32_t pen = -1;  // SP: 0..7 for the digits 1..8, -1 for anything else
  bool has_pair = false;
  int32_t x = 0;
  int32_t y = 0;
};

// Splits plot text into pieces, each ending after a ";" or a line break (or
// at the end of the text), and turns each piece into a command. Pieces of any
// length are read whole without being stored: the reader keeps only what the
// command's first characters and its first parameter pair need.
//
// Pair rule: X is the text after the two letters up to the first "," or, when
// the piece has no ",", up to its first blank; Y is the text after that
// separator. Both hypotheses are followed until the piece ends, since only
// its end tells whether a "," came. A piece not ended by ";" has no pair.
class CommandReader {
 public:
  template <class Fn>
  void feed(const char* p, std::size_t n, Fn& on_command) {
    const char* const end = p + n;
    while (p < end) {
      if (skipping_) {
        while (p < end && *p != ';' && *p != '\n') ++p;
        if (p == end) return;
      }
      const char c = *p++;
      if (c == ';' || c == '\n') {
        end_piece(c == ';', on_command);
        continue;
      }
      take(c);
    }
  }

  // The end of the text closes a last piece that had no ";" or line break.
  template <class Fn>
  void finish(Fn& on_command) {
    if (length_ > 0) end_piece(false, on_command);
  }

 private:
  void take(char c) {
    if (length_ == 0) {
      first_ = upper(c);
      length_ = 1;
    } else if (length_ == 1) {
      command_.op = identify(first_, upper(c));
      length_ = 2;
      if (command_.op == Op::kOther) skipping_ = true;
    } else if (command_.op == Op::kSelectPen) {
      if (c >= '1' && c <= '8') command_.pen = c - '1';
      skipping_ = true;
    } else {
      pair_char(c);
    }
  }

  static Op identify(char a, char b) {
    if (a == 'S' && b == 'P') return Op::kSelectPen;
    if (a != 'P') return Op::kOther;
    if (b == 'U') return Op::kUp;
    if (b == 'D') return Op::kDown;
    if (b == 'A') return Op::kAbsolute;
    return Op::kOther;
  }

  void pair_char(char c) {
    if (comma_) {
      // The "," decides; once its Y has ended only the piece's end matters.
      if (!y_comma_.feed(c)) skipping_ = true;
      return;
    }
    if (c == ',') {
      comma_ = true;
      return;
    }
    x_comma_.feed(c);
    if (blank_) {
      y_blank_.feed(c);
    } else if (c == ' ') {
      blank_ = true;
    } else {
      x_blank_.feed(c);
    }
  }

  template <class Fn>
  void end_piece(bool semicolon, Fn& on_command) {
    if (length_ >= 2 && command_.op != Op::kOther) {
      if (semicolon && comma_) {
        command_.has_pair = true;
        command_.x = x_comma_.value();
        command_.y = y_comma_.value();
      } else if (semicolon && blank_) {
        command_.has_pair = true;
        command_.x = x_blank_.value();
        command_.y = y_blank_.value();
      }
      on_command(static_cast<const PltCommand&>(command_));
    }
    reset();
  }

  void reset() { *this = CommandReader(); }

  int length_ = 0;  // characters of the piece taken, counted up to 2
  char first_ = 0;
  bool skipping_ = false;
  PltCommand command_;
  bool comma_ = false;
  bool blank_ = false;
  IntScan x_comma_;
  IntScan y_comma_;
  IntScan x_blank_;
  IntScan y_blank_;
};

// ---------------------------------------------------------------------------
// Plot interpretation

using Extents = PlotExtents;

// Pen, pen state and position of the plot, turning commands into stroke
// lines for the sink: select(pen) when SP names a pen, line(pen, draw, x, y)
// for each stroke line (the sink opens the pen on its first line).
template <class Sink>
class PlotInterpreter {
 public:
  explicit PlotInterpreter(Sink& sink) : sink_(sink) {}

  void operator()(const PltCommand& c) {
    switch (c.op) {
      case Op::kSelectPen:
        if (c.pen >= 0) pen_ = c.pen;
        sink_.select(pen_);
        break;
      case Op::kUp:
        down_ = false;
        if (c.has_pair) move(c);
        break;
      case Op::kDown:
        if (!down_) emit(false);
        down_ = true;
        if (c.has_pair) {
          move(c);
          emit(true);
        }
        break;
      case Op::kAbsolute:
        if (c.has_pair) {
          move(c);
          if (down_) emit(true);
        }
        break;
      case Op::kOther:
        break;
    }
  }

  Extents extents;

 private:
  void move(const PltCommand& c) {
    x_ = c.x;
    y_ = c.y;
  }
  void emit(bool draw) {
    extents.widen(x_, y_);
    sink_.line(pen_, draw, x_, y_);
  }

  Sink& sink_;
  int pen_ = 0;
  bool down_ = false;
  int32_t x_ = 0;
  int32_t y_ = 0;
};

// Hands the full reader's lines to a sink of the first-pair reader's kind.
template <class Sink>
class SinkAdapter final : public PlotSink {
 public:
  explicit SinkAdapter(Sink& sink) : sink_(sink) {}
  void select(int pen) override { sink_.select(pen); }
  void line(int pen, bool draw, int32_t x, int32_t y) override { sink_.line(pen, draw, x, y); }

 private:
  Sink& sink_;
};

// Reads the whole plot text through the sink; the extents come back opened up.
template <class Sink>
Extents read_plot(std::string_view text, Sink& sink, PlotReading reading,
                  const ReadProgress& progress = {}, PlotReport* report = nullptr) {
  if (reading == PlotReading::kFull) {
    SinkAdapter<Sink> adapter(sink);
    PlotReport unused;
    return read_hpgl(text, adapter, report != nullptr ? *report : unused, progress);
  }
  CommandReader reader;
  PlotInterpreter<Sink> interpreter(sink);
  // In pieces when someone watches: the reader keeps its state between them.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = progress ? std::min(kPiece, text.size() - at) : text.size() - at;
    reader.feed(text.data() + at, n, interpreter);
    at += n;
    if (progress) progress(at, text.size());
  }
  reader.finish(interpreter);
  Extents extents = interpreter.extents;
  extents.open_up();
  return extents;
}

// One stroke line "S X Y;\n" at p, which has room for the longest; returns
// its end.
char* put_stroke(char* p, bool draw, int32_t x, int32_t y) {
  *p++ = draw ? '1' : '0';
  *p++ = ' ';
  p = std::to_chars(p, p + 11, x).ptr;
  *p++ = ' ';
  p = std::to_chars(p, p + 11, y).ptr;
  *p++ = ';';
  *p++ = '\n';
  return p;
}
constexpr std::size_t kLongestStroke = 27;  // "1 -2147483648 -2147483648;\n"

// Keeps each pen's lines in memory. A pen is used once SP selects it or a
// line is drawn with it, as its stroke file would be created.
struct StrokeMemory {
  PltPlot& plot;
  void select(int pen) { plot.pen_used[static_cast<std::size_t>(pen)] = 1; }
  void line(int pen, bool draw, int32_t x, int32_t y) {
    const auto p = static_cast<std::size_t>(pen);
    plot.pen_used[p] = 1;
    plot.strokes[p].push_back({draw, x, y});
    if (draw) ++plot.report.draws;
  }
};

// Writes each pen's stroke file as its lines come, for the import, through
// a buffer of its own: neither the strokes nor their text are kept whole. A
// pen's file is made when the pen is first used. On any failure the files
// this import made are removed again and `error` says which one failed.
class StrokeFiles {
 public:
  explicit StrokeFiles(const std::array<std::string, 8>& names) : names_(names) {}
  StrokeFiles(const StrokeFiles&) = delete;
  StrokeFiles& operator=(const StrokeFiles&) = delete;
  ~StrokeFiles() {
    for (std::FILE* f : file_) {
      if (f != nullptr) std::fclose(f);
    }
  }

  std::array<int32_t, 8> pen_used{};
  int64_t draws = 0;

  void select(int pen) { use(static_cast<std::size_t>(pen)); }
  void line(int pen, bool draw, int32_t x, int32_t y) {
    const auto p = static_cast<std::size_t>(pen);
    use(p);
    if (draw) ++draws;
    if (failed_) return;
    if (kBuffer - size_[p] < kLongestStroke) flush(p);
    char* const base = buffer_[p].get();
    size_[p] = static_cast<std::size_t>(put_stroke(base + size_[p], draw, x, y) - base);
  }

  // Writes what is buffered and closes the files; false (and `error`) when
  // any of it failed, with the files made removed.
  bool finish(std::string& error) {
    for (std::size_t p = 0; p < file_.size(); ++p) {
      if (file_[p] == nullptr) continue;
      if (!failed_) flush(p);
      const bool closed = std::fclose(file_[p]) == 0;
      file_[p] = nullptr;
      if (!closed && !failed_) fail(p);
    }
    if (!failed_) return true;
    error = "cannot write the stroke file " + names_[failed_pen_] + ": " +
            std::strerror(failed_errno_);
    for (std::size_t p = 0; p < created_.size(); ++p) {
      std::error_code ec;
      if (created_[p]) std::filesystem::remove(names_[p], ec);
    }
    return false;
  }

 private:
  static constexpr std::size_t kBuffer = std::size_t{1} << 18;

  void use(std::size_t p) {
    pen_used[p] = 1;
    if (created_[p] || failed_) return;
    file_[p] = std::fopen(names_[p].c_str(), "wb");
    if (file_[p] == nullptr) {
      fail(p);
      return;
    }
    created_[p] = true;
    buffer_[p].reset(new char[kBuffer]);
  }

  void flush(std::size_t p) {
    if (size_[p] > 0 && std::fwrite(buffer_[p].get(), 1, size_[p], file_[p]) != size_[p]) fail(p);
    size_[p] = 0;
  }

  void fail(std::size_t p) {
    if (failed_) return;
    failed_ = true;
    failed_pen_ = p;
    failed_errno_ = errno;
  }

  const std::array<std::string, 8>& names_;
  std::array<std::FILE*, 8> file_{};
  std::array<bool, 8> created_{};
  std::array<std::unique_ptr<char[]>, 8> buffer_;
  std::array<std::size_t, 8> size_{};
  bool failed_ = false;
  std::size_t failed_pen_ = 0;
  int failed_errno_ = 0;
};

// ---------------------------------------------------------------------------
// Stroke files

using StrokeLine = PltStroke;

const char* skip_blanks(const char* p, const char* end) {
  while (p < end && is_space(*p)) ++p;
  return p;
}

// One stroke line "S X Y;" without its line feed, S 0 or 1; what follows Y
// is not looked at.
bool parse_stroke_line(std::string_view line, StrokeLine& out) {
  if (line.size() > kStrokeLineCap) return false;
  const char* p = line.data();
  const char* const end = p + line.size();
  int32_t values[3] = {};
  for (int32_t& v : values) {
    p = skip_blanks(p, end);
    const auto r = std::from_chars(p, end, v);
    if (r.ec != std::errc()) return false;
    p = r.ptr;
  }
  if (values[0] != 0 && values[0] != 1) return false;
  out = {values[0] == 1, values[1], values[2]};
  return true;
}

// Reads a stroke file line by line. Lines that are not "S X Y;" with S 0 or
// 1 (overlong ones included) are skipped.
class StrokeReader {
 public:
  explicit StrokeReader(const std::string& path)
      : file_(std::move(open_input_file(path).file)),
        buffer_(file_ ? new char[kStrokeBuffer] : nullptr) {}

  bool is_open() const { return file_ != nullptr; }

  // The next well-formed line; false at the end of the file.
  bool next(StrokeLine& out) {
    for (;;) {
      if (pos_ == len_) {
        len_ = std::fread(buffer_.get(), 1, kStrokeBuffer, file_.get());
        pos_ = 0;
        if (len_ == 0) {
          // A last line without its line feed still counts.
          const bool ok = line_len_ > 0 && !overlong_ && parse(out);
          line_len_ = 0;
          overlong_ = false;
          return ok;
        }
      }
      const char* const start = buffer_.get() + pos_;
      const auto* nl = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
      const std::size_t take = nl ? static_cast<std::size_t>(nl - start) : len_ - pos_;
      append(start, take);
      pos_ += take;
      if (nl == nullptr) continue;
      ++pos_;
      const bool ok = !overlong_ && parse(out);
      line_len_ = 0;
      overlong_ = false;
      if (ok) return true;
    }
  }

 private:
  void append(const char* p, std::size_t n) {
    if (overlong_) return;
    if (n > kStrokeLineCap - line_len_) {
      overlong_ = true;
      return;
    }
    std::memcpy(line_ + line_len_, p, n);
    line_len_ += n;
  }

  bool parse(StrokeLine& out) const { return parse_stroke_line({line_, line_len_}, out); }

  FilePtr file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  char line_[kStrokeLineCap];
  std::size_t line_len_ = 0;
  bool overlong_ = false;
};

// ---------------------------------------------------------------------------
// Generator

// Plot units of one pen line to field millimetres, relative to a copy's
// top-left corner (L, T).
class StrokeMapping {
 public:
  StrokeMapping(const MarkObject& obj, const PltBlock& b)
      : obj_(obj),
        b_(b),
        sx_(obj.width / b.src_width),
        sy_(obj.height / b.src_height),
        a_(object_radians(obj.angle)) {}

  bool usable() const { return std::isfinite(sx_) && std::isfinite(sy_); }

  void map(const StrokeLine& s, double left, double top, double& x, double& y) const {
    const double w = obj_.width;
    const double h = obj_.height;
    const double dx = static_cast<double>(s.x) - b_.min_x;
    const double dy = static_cast<double>(s.y) - b_.min_y;
    x = obj_.mirror_x != 0 ? w - dx * sx_ : dx * sx_;
    y = obj_.mirror_y != 0 ? -(dy * sy_) : dy * sy_ - h;
    if (obj_.angle != 0) RotateAbout(w / 2, -h / 2, x, y, a_);
    x = x + left;
    y = y + top;
  }

 private:
  const MarkObject& obj_;
  const PltBlock& b_;
  double sx_;
  double sy_;
  double a_;
};

// The copy array row by row (outer loop over rows, each row left to right),
// with the copies placed as everywhere else. fn(left, top) returns false to
// end the walk; stop_requested ends it before a row or a copy.
template <class Fn>
void for_each_copy_by_rows(const GeomContext& g, const MarkObject& obj, Fn&& fn) {
  const CketralDoc& doc = g.doc;
  // A job counts its copies: copies that send nothing still see Escape.
  const int64_t total = std::max<int64_t>(int64_t{obj.columns} * obj.rows, 0);
  int64_t done = 0;
  const double w = obj.width;
  const double h = obj.height;
  const double tw = (obj.columns - 1) * obj.column_gap + obj.columns * w;
  const double th = (obj.rows - 1) * obj.row_gap + obj.rows * h;
  for (int32_t r = 0; r < obj.rows; ++r) {
    if (doc.stop_requested != 0) return;
    for (int32_t c = 0; c < obj.columns; ++c) {
      if (doc.stop_requested != 0) return;
      const double left = (w + obj.column_gap) * c + (obj.cent_x - tw / 2);
      const double top = (th / 2 + obj.cent_y) - (h + obj.row_gap) * r;
      if (!fn(left, top)) return;
      if (g.pen != nullptr) g.pen->copy_walked(++done, total);
    }
  }
}

bool valid_layer(int32_t layer) {
  return layer >= 0 && layer < kLayerCount;
}

// Puts back the layer being marked, whichever way the generator ends.
class MarkLayerGuard {
 public:
  explicit MarkLayerGuard(MarkSettings& s) : s_(s), saved_(s.mark_layer) {}
  ~MarkLayerGuard() { s_.mark_layer = saved_; }
  MarkLayerGuard(const MarkLayerGuard&) = delete;
  MarkLayerGuard& operator=(const MarkLayerGuard&) = delete;

 private:
  MarkSettings& s_;
  int32_t saved_;
};

// One copy on the marker: per used pen its layer's header and passes. False
// when a stroke file is missing: the object's output ends there.
bool mark_copy(GeomContext& g, const PltBlock& b, const StrokeMapping& sm, double left,
               double top) {
  CketralDoc& doc = g.doc;
  MarkSettings& s = doc.settings;
  for (int p = 0; p < kPenCount; ++p) {
    if (doc.stop_requested != 0) return false;
    const auto pi = static_cast<std::size_t>(p);
    if (b.pen_used[pi] == 0 || !valid_layer(b.pen_layer[pi])) continue;
    const int32_t layer = b.pen_layer[pi];
    const auto l = static_cast<std::size_t>(layer);
    if (s.mark_num[l] <= 0 || s.power[l] <= 0) continue;
    g.pen->Send(layer_header(doc, layer));
    for (int32_t pass = 0; pass < s.mark_num[l]; ++pass) {
      if (doc.stop_requested != 0) return false;
      StrokeReader reader(b.pen_file[pi]);
      if (!reader.is_open()) return false;
      s.mark_layer = layer;
      StrokeLine line;
      while (doc.stop_requested == 0 && reader.next(line)) {
        double x = 0;
        double y = 0;
        sm.map(line, left, top, x, y);
        g.pen->EmitMove(marker_x(s, x), marker_y(s, y), line.draw);
      }
    }
  }
  return true;
}

// One copy on the screen or the scan raster, each pen in its layer's colour.
void draw_copy(GeomContext& g, Canvas& dc, const Mapper& m, const PltBlock& b,
               const StrokeMapping& sm, double left, double top) {
  for (int p = 0; p < kPenCount; ++p) {
    if (g.doc.stop_requested != 0) return;
    const auto pi = static_cast<std::size_t>(p);
    if (b.pen_used[pi] == 0 || !valid_layer(b.pen_layer[pi])) continue;
    StrokeReader reader(b.pen_file[pi]);
    if (!reader.is_open()) continue;
    const Rgb colour = g.doc.view.layer_colours[static_cast<std::size_t>(b.pen_layer[pi])];
    dc.set_pen(Pen{colour, 1, PenStyle::Solid});
    dc.set_brush(Brush{colour, true});
    StrokeLine line;
    while (reader.next(line)) {
      double x = 0;
      double y = 0;
      sm.map(line, left, top, x, y);
      const CanvasPoint pt = m.point(x, y);
      if (line.draw) {
        dc.line_to(pt.x, pt.y);
      } else {
        dc.move_to(pt.x, pt.y);
      }
    }
  }
}

bool placement_finite(const MarkObject& obj) {
  for (double v :
       {obj.cent_x, obj.cent_y, obj.width, obj.height, obj.row_gap, obj.column_gap, obj.angle}) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// Keeps only the lines of one pen, for drawing it alone.
struct PenFilter {
  int pen;
  Canvas& dc;
  const Extents& e;
  double span_x;
  double span_y;
  int32_t x0;
  int32_t y0;
  int32_t w;
  int32_t h;

  void select(int) {}
  void line(int p, bool draw, int32_t x, int32_t y) {
    if (p != pen) return;
    const int32_t px = nearest_int(x0 + (static_cast<double>(x) - e.min_x) * w / span_x);
    const int32_t py =
        nearest_int(static_cast<double>(y0) + h - (static_cast<double>(y) - e.min_y) * h / span_y);
    if (draw) {
      dc.line_to(px, py);
    } else {
      dc.move_to(px, py);
    }
  }
};

// Notes which pens have lines, for the extents pass of the preview.
struct PenCensus {
  std::array<bool, 8> has_lines{};
  void select(int) {}
  void line(int p, bool, int32_t, int32_t) { has_lines[static_cast<std::size_t>(p)] = true; }
};

}  // namespace

bool has_plot_extension(const std::filesystem::path& path) {
  const std::string s = path.filename().string();
  const std::size_t dot = s.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = s.substr(dot + 1);
  for (char& c : ext) c = upper(c);
  return ext == "PLT" || ext == "HPGL" || ext == "HPG" || ext == "HP";
}

std::string PlotReport::summary() const {
  std::string out;
  const auto part = [&out](const std::string& text) {
    if (!out.empty()) out += "; ";
    out += text;
  };
  if (labels_not_drawn > 0) {
    part(std::to_string(labels_not_drawn) +
         (labels_not_drawn == 1 ? " label has" : " labels have") +
         " characters the built-in font does not draw");
  }
  if (cut_off_after > 0) {
    part("the plot was cut off after " + std::to_string(cut_off_after) + " stroke lines");
  }
  if (highest_pen > 8) part("pens 9 to " + std::to_string(highest_pen) + " drawn as pens 1 to 8");
  if (!ignored.empty()) {
    std::string kinds;
    for (const auto& [kind, count] : ignored) {
      if (!kinds.empty()) kinds += ", ";
      kinds += kind + " (" + std::to_string(count) + ")";
    }
    part("ignored: " + kinds);
  }
  return out;
}

ReadProgress reading_progress(Operator* op) {
  if (op == nullptr || !op->shows_progress()) return {};
  return [op](std::size_t done, std::size_t total) {
    if (total < (std::size_t{1} << 20)) return;
    JobProgress shown;
    shown.kind = JobProgress::Kind::Opening;
    shown.bytes_done = static_cast<int64_t>(done);
    shown.bytes_total = static_cast<int64_t>(total);
    op->show_progress(shown);
  };
}

PltPlot parse_plt(std::string_view text, const ReadProgress& progress, PlotReading reading) {
  PltPlot plot;
  StrokeMemory sink{plot};
  const Extents e = read_plot(text, sink, reading, progress, &plot.report);
  plot.min_x = e.min_x;
  plot.min_y = e.min_y;
  plot.max_x = e.max_x;
  plot.max_y = e.max_y;
  return plot;
}

std::string format_strokes(std::span<const PltStroke> strokes) {
  std::string out(strokes.size() * kLongestStroke, '\0');
  char* p = out.data();
  for (const PltStroke& st : strokes) p = put_stroke(p, st.draw, st.x, st.y);
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

std::vector<PltStroke> parse_strokes(std::string_view text) {
  std::vector<PltStroke> out;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    StrokeLine st;
    if (parse_stroke_line(line, st)) out.push_back(st);
  }
  return out;
}

PltParse ParsePlt(const std::filesystem::path& path, const std::string& base,
                  const ReadProgress& progress, PlotReading reading) {
  PltParse out;
  if (!has_plot_extension(path)) {
    out.result = PltParse::kWrongExtension;
    return out;
  }
  const InputText in = read_input_file(path);
  if (!in.ok()) {
    // A missing plot may be relocated; one that is there but cannot be read
    // is said as it is.
    if (in.unreadable()) out.error = in.message;
    return out;  // kCannotOpen
  }

  for (int i = 0; i < kPenCount; ++i) {
    out.pen_file[static_cast<std::size_t>(i)] = base + std::to_string(i) + ".$";
  }
  StrokeFiles strokes(out.pen_file);
  const Extents e = read_plot(in.text, strokes, reading, progress, &out.report);
  out.report.draws = strokes.draws;
  std::string error;
  if (!strokes.finish(error)) {
    PltParse failed;
    failed.error = error;
    return failed;
  }
  out.pen_used = strokes.pen_used;
  out.min_x = e.min_x;
  out.min_y = e.min_y;
  out.max_x = e.max_x;
  out.max_y = e.max_y;
  out.result = PltParse::kRead;
  return out;
}

std::optional<PltBlock> plt_block_from(const PltParse& parse, const std::string& source_path,
                                       int32_t resolution) {
  PltBlock b;
  b.source_path = source_path;
  b.min_x = parse.min_x;
  b.min_y = parse.min_y;
  b.max_x = parse.max_x;
  b.max_y = parse.max_y;
  b.src_width = std::fabs(static_cast<double>(parse.max_x) - parse.min_x);
  b.src_height = std::fabs(static_cast<double>(parse.max_y) - parse.min_y);
  if (b.src_width == 0 || b.src_height == 0) return std::nullopt;
  if (resolution == 0) {
    b.init_width = 10.0;
    b.init_height = 10 * b.src_height / b.src_width;
  } else {
    b.init_width = b.src_width / resolution;
    b.init_height = b.src_height / resolution;
  }
  // A negative resolution would give a box of negative size.
  if (!(std::isfinite(b.init_width) && std::isfinite(b.init_height) && b.init_width > 0 &&
        b.init_height > 0)) {
    return std::nullopt;
  }
  b.pen_file = parse.pen_file;
  b.pen_used = parse.pen_used;
  for (int i = 0; i < kPenCount; ++i) b.pen_layer[static_cast<std::size_t>(i)] = i;
  return b;
}

void DrawPlt(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const PltBlock* b = obj.block<PltBlock>();
  if (b == nullptr || !placement_finite(obj)) return;
  if (!(b->src_width > 0 && b->src_height > 0)) return;
  const StrokeMapping sm(obj, *b);
  if (!sm.usable()) return;
  const DrawTarget target = g.choose(dc);

  if (target == DrawTarget::Marker) {
    if (g.pen == nullptr) return;
    const MarkLayerGuard guard(g.doc.settings);
    for_each_copy_by_rows(g, obj,
                          [&](double left, double top) { return mark_copy(g, *b, sm, left, top); });
    return;
  }

  if (dc == nullptr) return;
  // The raster gets the raster mapping, so the plot lands at its field
  // position in the scan bitmap like every other object.
  const Mapper m(g.doc, target);
  const Pen old_pen = dc->pen();
  const Brush old_brush = dc->brush();
  if (g.visible) {
    // The view: only the copies in sight, in blocks where thousands are.
    for_each_copy(g, dc, obj, obj.width, obj.height,
                  [&](double left, double top) { draw_copy(g, *dc, m, *b, sm, left, top); });
  } else {
    for_each_copy_by_rows(g, obj, [&](double left, double top) {
      draw_copy(g, *dc, m, *b, sm, left, top);
      return true;
    });
  }
  dc->set_pen(old_pen);
  dc->set_brush(old_brush);
}

bool PreviewPlt(Canvas& dc, const std::filesystem::path& path, int32_t x0, int32_t y0, int32_t w,
                int32_t h, const std::array<Rgb, 8>& colours, PlotReading reading) {
  if (!has_plot_extension(path)) return false;
  const InputText file = read_input_file(path);
  if (!file.ok()) return false;
  preview_plt_text(dc, file.text, x0, y0, w, h, colours, reading);
  return true;
}

void preview_plt_text(Canvas& dc, std::string_view text, int32_t x0, int32_t y0, int32_t w,
                      int32_t h, const std::array<Rgb, 8>& colours, PlotReading reading) {
  // First the extents, then each pen on its own pass, in pen order as the
  // stroke files would be drawn: no stroke is kept.
  PenCensus census;
  const Extents e = read_plot(text, census, reading);
  const double span_x = std::fabs(static_cast<double>(e.max_x) - e.min_x);
  const double span_y = std::fabs(static_cast<double>(e.max_y) - e.min_y);

  const Pen old_pen = dc.pen();
  for (int p = 0; p < kPenCount; ++p) {
    const auto pi = static_cast<std::size_t>(p);
    if (!census.has_lines[pi]) continue;
    dc.set_pen(Pen{colours[pi], 1, PenStyle::Solid});
    PenFilter filter{p, dc, e, span_x, span_y, x0, y0, w, h};
    read_plot(text, filter, reading);
  }
  dc.set_pen(old_pen);
}

}  // namespace lumetch
