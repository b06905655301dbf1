#include "imports/hpgl.h"

#include "imports/stroke_font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>

namespace lumetch {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr char kEtx = '\x03';
constexpr char kEsc = '\x1B';
// The page of a plot that names none (841 x 1189 mm), and plotter units per mm.
constexpr double kDefaultPageX = 33600;
constexpr double kDefaultPageY = 47520;
constexpr double kUnitsPerMm = 40;
// Caps against plots that would make billions of lines out of a few bytes.
constexpr int kMaxChords = 100000;
constexpr double kMaxDashesPerSegment = 100000;

struct Pt {
  double x = 0;
  double y = 0;
};
Pt operator+(Pt a, Pt b) {
  return {a.x + b.x, a.y + b.y};
}
Pt operator-(Pt a, Pt b) {
  return {a.x - b.x, a.y - b.y};
}
Pt operator*(double k, Pt a) {
  return {k * a.x, k * a.y};
}
bool same(Pt a, Pt b) {
  return a.x == b.x && a.y == b.y;
}
double length(Pt a) {
  return std::hypot(a.x, a.y);
}
bool finite(Pt a) {
  return std::isfinite(a.x) && std::isfinite(a.y);
}
Pt polar(Pt c, double r, double degrees) {
  const double a = degrees * kPi / 180;
  return {c.x + r * std::cos(a), c.y + r * std::sin(a)};
}

constexpr bool is_letter(unsigned char c) {
  const unsigned char l = c | 0x20;
  return l >= 'a' && l <= 'z';
}
constexpr bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// What ends a run of separators between parameters: a number, a letter,
// ";", an escape or a quote.
constexpr std::array<bool, 256> kSignificant = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const auto u = static_cast<unsigned char>(c);
    t[static_cast<std::size_t>(c)] = is_digit(u) || u == '+' || u == '-' || u == '.' ||
                                     is_letter(u) || u == ';' || u == 0x1B || u == '"';
  }
  return t;
}();

// Line types 1..8: dash and gap lengths in percent of the pattern, dash first.
struct LinePattern {
  int parts;
  std::array<double, 8> percent;
};
constexpr std::array<LinePattern, 9> kPatterns{{
    {0, {}},
    {2, {0, 100}},
    {2, {50, 50}},
    {2, {70, 30}},
    {4, {80, 10, 0, 10}},
    {4, {70, 10, 10, 10}},
    {6, {50, 10, 10, 10, 10, 10}},
    {6, {70, 10, 0, 10, 0, 10}},
    {8, {50, 10, 0, 10, 10, 10, 0, 10}},
}};

// A parameter read as a whole number; out of range it stays far outside
// every valid one without overflowing.
int whole_number(double v) {
  if (!(v > -1e9)) return -1000000000;
  if (!(v < 1e9)) return 1000000000;
  return static_cast<int>(v);
}

struct IPt {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const IPt&) const = default;
};

int32_t to_unit(double v) {
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  // Halves away from zero, as llround, without its cost.
  return static_cast<int32_t>(v < 0 ? -std::floor(0.5 - v) : std::floor(v + 0.5));
}

// The last stage: the window, the plot's rotation, rounding to plotter
// units, and the stroke lines. A run of strokes starts with a move line; a
// stroke that goes on from where the last one ended adds its draw line only.
class StrokeOutput {
 public:
  explicit StrokeOutput(PlotSink& sink) : sink_(sink) {}

  int pen = 0;
  int rotation = 0;  // 0, 90, 180 or 270, counter-clockwise
  bool clip = false;
  Pt window_lo;
  Pt window_hi;
  PlotExtents extents;
  int64_t lines = 0;
  int64_t max_lines = kMaxPlotLines;
  bool full = false;  // no more lines are taken

  // The pen is raised: the next stroke starts a new run.
  void lift() { connected_ = false; }

  // The pen is lowered at p.
  void start(Pt p) {
    if (!finite(p) || (clip && !inside(p))) {
      connected_ = false;
      return;
    }
    last_ = unit(p);
    emit(false, last_);
    connected_ = true;
  }

  // A straight stroke a-b. A stroke that adds no new point is dropped
  // unless the plot named that point itself.
  void stroke(Pt a, Pt b, bool named_point) {
    Pt ca = a;
    Pt cb = b;
    if (!finite(a) || !finite(b) || (clip && !clip_to_window(ca, cb))) {
      connected_ = false;
      return;
    }
    const IPt ia = unit(ca);
    const IPt ib = unit(cb);
    if (!connected_ || !(ia == last_)) {
      emit(false, ia);
    } else if (!named_point && ib == last_) {
      connected_ = same(cb, b);
      return;
    }
    emit(true, ib);
    last_ = ib;
    connected_ = same(cb, b);
  }

  // A dot: a draw line where the move line put the pen.
  void dot(Pt p) {
    if (!finite(p) || (clip && !inside(p))) return;
    last_ = unit(p);
    emit(false, last_);
    emit(true, last_);
    connected_ = true;
  }

 private:
  bool inside(Pt p) const {
    return p.x >= window_lo.x && p.x <= window_hi.x && p.y >= window_lo.y && p.y <= window_hi.y;
  }

  // Liang-Barsky; an end inside the window is kept exactly.
  bool clip_to_window(Pt& a, Pt& b) const {
    const Pt d = b - a;
    double t0 = 0;
    double t1 = 1;
    const auto edge = [&](double p, double q) {
      if (p == 0) return q >= 0;
      const double t = q / p;
      if (p < 0) {
        if (t > t1) return false;
        if (t > t0) t0 = t;
      } else {
        if (t < t0) return false;
        if (t < t1) t1 = t;
      }
      return true;
    };
    if (!edge(-d.x, a.x - window_lo.x) || !edge(d.x, window_hi.x - a.x) ||
        !edge(-d.y, a.y - window_lo.y) || !edge(d.y, window_hi.y - a.y)) {
      return false;
    }
    const Pt from = a;
    if (t1 < 1) b = from + t1 * d;
    if (t0 > 0) a = from + t0 * d;
    return true;
  }

  IPt unit(Pt p) const {
    switch (rotation) {
      case 90:
        p = {-p.y, p.x};
        break;
      case 180:
        p = {-p.x, -p.y};
        break;
      case 270:
        p = {p.y, -p.x};
        break;
      default:
        break;
    }
    return {to_unit(p.x), to_unit(p.y)};
  }

  void emit(bool draw, IPt p) {
    if (lines == max_lines) {
      full = true;
      return;
    }
    ++lines;
    extents.widen(p.x, p.y);
    sink_.line(pen, draw, p.x, p.y);
  }

  PlotSink& sink_;
  bool connected_ = false;
  IPt last_;
};

// Reads the commands of the text one after the other and follows them. The
// current position is kept in plotter units; user units (SC) are turned
// into plotter units as each point is read.
class HpglReader {
 public:
  HpglReader(std::string_view text, PlotSink& sink, PlotReport& report, int64_t max_lines)
      : begin_(text.data()),
        p_(text.data()),
        end_(text.data() + text.size()),
        sink_(sink),
        report_(report),
        out_(sink) {
    out_.max_lines = max_lines;
  }

  PlotExtents run(const ReadProgress& progress) {
    constexpr std::size_t kStep = std::size_t{1} << 20;
    const auto total = static_cast<std::size_t>(end_ - begin_);
    std::size_t next_report = kStep;
    while (p_ < end_ && !out_.full) {
      if (progress && static_cast<std::size_t>(p_ - begin_) >= next_report) {
        progress(static_cast<std::size_t>(p_ - begin_), total);
        next_report += kStep;
      }
      const auto c = static_cast<unsigned char>(*p_);
      if (c == kEsc) {
        escape();
      } else if (pcl_) {
        ++p_;  // printer text or raster between escapes
      } else if (is_letter(c)) {
        command();
      } else if (c == '@') {
        skip_line();  // a printer job line (@PJL ...)
      } else {
        ++p_;
      }
    }
    if (progress) progress(total, total);
    if (out_.full) report_.cut_off_after = out_.lines;
    PlotExtents e = out_.extents;
    e.open_up();
    return e;
  }

 private:
  // --- reading -------------------------------------------------------------

  bool at_end() const { return p_ >= end_; }
  unsigned char peek() const { return static_cast<unsigned char>(*p_); }

  void skip_line() {
    while (!at_end() && *p_ != '\n') ++p_;
  }

  // Steps over what may stand between parameters: blanks, commas, line
  // breaks and stray marks. Stops before a letter, ";", a number or a quote.
  void skip_separators() {
    while (!at_end() && !kSignificant[peek()]) ++p_;
  }

  // The next parameter, when a number comes before the next command.
  bool number(double& v) {
    static constexpr std::array<double, 19> kTen{1,    1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                                 1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                                 1e14, 1e15, 1e16, 1e17, 1e18};
    // A local cursor: the text's characters could alias the member one.
    const char* p = p_;
    const char* const end = end_;
    const auto digit_at = [&](const char* q) {
      return q < end && is_digit(static_cast<unsigned char>(*q));
    };
    for (;;) {
      while (p < end && !kSignificant[static_cast<unsigned char>(*p)]) ++p;
      if (p == end) {
        p_ = p;
        return false;
      }
      const char c = *p;
      if (!(is_digit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) {
        p_ = p;
        return false;
      }
      bool negative = false;
      if (c == '+' || c == '-') {
        negative = c == '-';
        ++p;
      }
      const char* const first = p;
      while (p < end && static_cast<unsigned char>(*p - '0') < 10) ++p;
      int digits = static_cast<int>(p - first);
      // Up to 18 digits are kept; the rest only scale the number.
      const int kept = std::min(digits, 18);
      const int scale = digits - kept;
      uint64_t whole = 0;
      for (const char* q = first; q < first + kept; ++q) {
        whole = whole * 10 + static_cast<unsigned char>(*q - '0');
      }
      double fraction = 0;
      if (p < end && *p == '.') {
        ++p;
        uint64_t f = 0;
        int fd = 0;
        for (; digit_at(p); ++p, ++digits) {
          if (fd < 18) {
            f = f * 10 + static_cast<unsigned>(*p - '0');
            ++fd;
          }
        }
        fraction = static_cast<double>(f) / kTen[static_cast<std::size_t>(fd)];
      }
      if (digits == 0) continue;  // a lone sign or point
      int exponent = 0;
      if (p < end && (*p | 0x20) == 'e') {
        const char* q = p + 1;
        bool exp_negative = false;
        if (q < end && (*q == '+' || *q == '-')) {
          exp_negative = *q == '-';
          ++q;
        }
        if (digit_at(q)) {
          for (; digit_at(q); ++q) {
            if (exponent < 1000) exponent = exponent * 10 + (*q - '0');
          }
          if (exp_negative) exponent = -exponent;
          p = q;
        }
      }
      double value = static_cast<double>(whole);
      if (scale > 0) value *= std::pow(10.0, scale);
      value += fraction;
      if (exponent != 0) value *= std::pow(10.0, exponent);
      v = negative ? -value : value;
      if (!std::isfinite(v)) v = negative ? -1e300 : 1e300;
      p_ = p;
      return true;
    }
  }

  // Up to `n` parameters; how many were read. Further ones are left.
  template <std::size_t N>
  int numbers(std::array<double, N>& v) {
    int n = 0;
    while (n < static_cast<int>(N) && number(v[static_cast<std::size_t>(n)])) ++n;
    return n;
  }

  // Steps over the parameters of a command not followed, quoted text
  // included, up to its ";" or the next command.
  void skip_parameters() {
    while (!at_end()) {
      const unsigned char c = peek();
      if (c == ';') {
        ++p_;
        return;
      }
      if (is_letter(c) || c == kEsc) return;
      if (c == '"') {
        ++p_;
        while (!at_end() && *p_ != '"') ++p_;
      }
      ++p_;
    }
  }

  void skip_past(char terminator) {
    while (!at_end() && *p_ != terminator) ++p_;
    if (!at_end()) ++p_;
  }

  void ignore(char a, char b) {
    ++report_.ignored[std::string{a, b}];
    skip_parameters();
  }

  // Printer escapes around or inside the plot: ESC%#B starts plotting, ESC%#A
  // leaves for printer text; parameterised escapes carrying data (raster
  // rows, fonts) are stepped over with their data.
  void escape() {
    ++p_;
    if (at_end()) return;
    const unsigned char c = peek();
    if (c == '%') {
      ++p_;
      if (!at_end() && (*p_ == '-' || *p_ == '+')) ++p_;
      while (!at_end() && is_digit(peek())) ++p_;
      if (at_end()) return;
      const char mode = *p_++;
      if (mode == 'B') pcl_ = false;
      if (mode == 'A') pcl_ = true;
      return;
    }
    if (c < 0x21 || c > 0x2F) {
      ++p_;  // a two-character escape
      return;
    }
    ++p_;
    if (!at_end() && peek() >= 0x60 && peek() <= 0x7E) ++p_;  // group
    while (!at_end()) {
      int64_t value = 0;
      if (*p_ == '+' || *p_ == '-') ++p_;
      while (!at_end() && (is_digit(peek()) || *p_ == '.')) {
        if (*p_ != '.' && value < 1000000000) value = value * 10 + (*p_ - '0');
        ++p_;
      }
      if (at_end()) return;
      const unsigned char key = peek();
      ++p_;
      if ((key | 0x20) == 'w' || (key | 0x20) == 'v') {
        const auto left = static_cast<int64_t>(end_ - p_);
        p_ += std::min(value, left);
      }
      if (key < 0x60 || key > 0x7E) return;  // the last parameter
    }
  }

  // --- commands --------------------------------------------------------------

  void command() {
    const char a = upper(*p_++);
    if (at_end() || !is_letter(peek())) return;  // a lone letter
    const char b = upper(*p_++);
    switch ((a << 8) | b) {
      case ('P' << 8) | 'U':
        down_ = false;
        lift();
        pairs();
        break;
      case ('P' << 8) | 'D':
        lower();
        pairs();
        break;
      case ('P' << 8) | 'A':
        relative_ = false;
        pairs();
        break;
      case ('P' << 8) | 'R':
        relative_ = true;
        pairs();
        break;
      case ('S' << 8) | 'P': {
        double n = 0;
        select_pen(number(n) ? n : 0);
        break;
      }
      case ('I' << 8) | 'N':
        initialize();
        break;
      case ('D' << 8) | 'F':
        defaults();
        break;
      case ('P' << 8) | 'S':
        page_size();
        break;
      case ('I' << 8) | 'P':
        input_points(false);
        break;
      case ('I' << 8) | 'R':
        input_points(true);
        break;
      case ('S' << 8) | 'C':
        scale();
        break;
      case ('R' << 8) | 'O':
        rotate();
        break;
      case ('I' << 8) | 'W':
        input_window();
        break;
      case ('C' << 8) | 'T': {
        double m = 0;
        chord_deviation_ = number(m) && m == 1;
        break;
      }
      case ('C' << 8) | 'I':
        circle();
        break;
      case ('A' << 8) | 'A':
        arc(false);
        break;
      case ('A' << 8) | 'R':
        arc(true);
        break;
      case ('A' << 8) | 'T':
        three_point_arc(false);
        break;
      case ('R' << 8) | 'T':
        three_point_arc(true);
        break;
      case ('E' << 8) | 'A':
      case ('R' << 8) | 'A':
        rectangle(false);
        break;
      case ('E' << 8) | 'R':
      case ('R' << 8) | 'R':
        rectangle(true);
        break;
      case ('E' << 8) | 'W':
      case ('W' << 8) | 'G':
        wedge();
        break;
      case ('B' << 8) | 'Z':
        bezier(false);
        break;
      case ('B' << 8) | 'R':
        bezier(true);
        break;
      case ('P' << 8) | 'E':
        encoded_polyline();
        break;
      case ('L' << 8) | 'T':
        line_type();
        break;
      case ('L' << 8) | 'B':
        label(label_text());
        break;
      case ('B' << 8) | 'L':
        buffer_ = label_text();
        break;
      case ('P' << 8) | 'B':
        label(buffer_);
        break;
      case ('S' << 8) | 'I':
      case ('S' << 8) | 'R': {
        std::array<double, 2> v{};
        size_given_ = numbers(v) == 2;
        size_relative_ = b == 'R';
        size_ = {v[0], v[1]};
        break;
      }
      case ('D' << 8) | 'I':
      case ('D' << 8) | 'R': {
        std::array<double, 2> v{};
        const bool given = numbers(v) == 2 && (v[0] != 0 || v[1] != 0);
        direction_ = given ? Pt{v[0], v[1]} : Pt{1, 0};
        direction_relative_ = given && b == 'R';
        break;
      }
      case ('L' << 8) | 'O': {
        double n = 1;
        const int o = number(n) ? whole_number(n) : 1;
        origin_ = (o >= 1 && o <= 9) || (o >= 11 && o <= 19) || o == 21 ? o : 1;
        break;
      }
      case ('E' << 8) | 'S': {
        std::array<double, 2> v{};
        numbers(v);
        extra_ = {v[0], v[1]};
        break;
      }
      case ('S' << 8) | 'L': {
        double t = 0;
        slant_ = number(t) ? t : 0;
        break;
      }
      case ('D' << 8) | 'V': {
        double n = 0;
        vertical_ = number(n) && n == 1;
        break;
      }
      case ('C' << 8) | 'P':
        character_plot();
        break;
      case ('W' << 8) | 'D':
        ++report_.ignored["WD"];
        skip_past(label_end_);
        break;
      case ('D' << 8) | 'T': {
        // The label terminator is the very next character; mode 1 keeps it
        // out of the label.
        if (!at_end() && *p_ != ';') {
          label_end_ = *p_++;
        } else {
          label_end_ = kEtx;
        }
        double mode = 0;
        label_end_drawn_ = label_end_ != kEtx && !(number(mode) && mode == 1);
        skip_parameters();
        break;
      }
      case ('C' << 8) | 'O':
        comment();
        break;
      case ('S' << 8) | 'M':
        // The symbol is the very next character; none ends symbol mode.
        symbol_ = 0;
        if (!at_end() && *p_ != ';' && static_cast<unsigned char>(*p_) > ' ') symbol_ = *p_++;
        skip_parameters();
        break;
      default:
        ignore(a, b);
        break;
    }
  }

  void comment() {
    while (!at_end() && (*p_ == ' ' || *p_ == '\t')) ++p_;
    if (!at_end() && *p_ == '"') {
      ++p_;
      skip_past('"');
    } else {
      skip_past(';');
    }
  }

  void select_pen(double n) {
    if (n >= 1) {
      const int64_t number = n >= 1e9 ? 1000000000 : static_cast<int64_t>(n);
      if (number > report_.highest_pen) report_.highest_pen = static_cast<int32_t>(number);
      const int pen = static_cast<int>((number - 1) % 8);
      // Another pen's strokes start with a move of their own.
      if (pen != out_.pen) out_.lift();
      out_.pen = pen;
    }
    sink_.select(out_.pen);
  }

  void defaults() {
    relative_ = false;
    scaling_ = Scaling{};
    update_scaling();
    out_.clip = false;
    solid_ = true;
    line_type_ = 0;
    pattern_length_ = 4;
    pattern_in_mm_ = false;
    chord_deviation_ = false;
    label_end_ = kEtx;
    label_end_drawn_ = false;
    size_given_ = false;
    direction_ = {1, 0};
    direction_relative_ = false;
    origin_ = 1;
    extra_ = {0, 0};
    slant_ = 0;
    vertical_ = false;
    symbol_ = 0;
  }

  void initialize() {
    defaults();
    down_ = false;
    lift();
    out_.rotation = 0;
    buffer_.clear();
    p1_ = {0, 0};
    p2_ = page_;
    update_scaling();
  }

  void page_size() {
    std::array<double, 2> v{};
    const int n = numbers(v);
    if (n >= 1 && v[0] > 0) page_.x = v[0];
    if (n >= 2 && v[1] > 0) page_.y = v[1];
    page_given_ = true;
    p1_ = {0, 0};
    p2_ = page_;
    update_scaling();
  }

  // IP in plotter units, IR in percent of the page. Given P1 alone, P2
  // keeps its distance from it.
  void input_points(bool percent) {
    std::array<double, 4> v{};
    const int n = numbers(v);
    const auto place = [&](double x, double y) {
      return percent ? Pt{page_.x * x / 100, page_.y * y / 100} : Pt{x, y};
    };
    if (n < 2) {
      p1_ = {0, 0};
      p2_ = page_;
    } else if (n < 4) {
      const Pt size = p2_ - p1_;
      p1_ = place(v[0], v[1]);
      p2_ = p1_ + size;
    } else {
      p1_ = place(v[0], v[1]);
      p2_ = place(v[2], v[3]);
    }
    update_scaling();
  }

  void scale() {
    std::array<double, 7> v{};
    const int n = numbers(v);
    if (n < 4) {
      scaling_ = Scaling{};
    } else {
      Scaling s;
      s.type = n >= 5 ? whole_number(v[4]) : 0;
      s.v = v;
      if (s.type == 1 && n < 7) {
        s.v[5] = 50;
        s.v[6] = 50;
      }
      const bool valid = s.type == 2 ? (v[1] != 0 && v[3] != 0)
                                     : (s.type == 0 || s.type == 1) && v[0] != v[1] && v[2] != v[3];
      if (!valid) return;  // the plotter refuses it; scaling stays as it was
      scaling_ = s;
    }
    update_scaling();
  }

  void rotate() {
    double angle = 0;
    if (number(angle)) {
      const double r = std::fmod(std::round(angle / 90) * 90, 360);
      out_.rotation = static_cast<int>(r < 0 ? r + 360 : r);
    } else {
      out_.rotation = 0;
    }
  }

  // Strokes outside the window are cut off. Without corners the window is
  // the page, when the plot named one; otherwise nothing is cut.
  void input_window() {
    std::array<double, 4> v{};
    if (numbers(v) == 4) {
      const Pt a = to_plotter(v[0], v[1]);
      const Pt b = to_plotter(v[2], v[3]);
      out_.window_lo = {std::min(a.x, b.x), std::min(a.y, b.y)};
      out_.window_hi = {std::max(a.x, b.x), std::max(a.y, b.y)};
      out_.clip = true;
    } else if (page_given_) {
      out_.window_lo = {0, 0};
      out_.window_hi = page_;
      out_.clip = true;
    } else {
      out_.clip = false;
    }
  }

  void line_type() {
    std::array<double, 3> v{};
    const int n = numbers(v);
    if (n == 0) {
      solid_ = true;
      return;
    }
    const int type = whole_number(v[0]);
    if (type == 99) {
      if (had_pattern_) solid_ = false;  // back to the last pattern
      return;
    }
    if (type < -8 || type > 8) {
      solid_ = true;
      return;
    }
    if (n >= 2 && v[1] > 0) pattern_length_ = v[1];
    if (n >= 3) pattern_in_mm_ = v[2] == 1;
    line_type_ = type;
    solid_ = false;
    had_pattern_ = true;
    phase_ = 0;
  }

  // --- labels ----------------------------------------------------------------

  // The text of LB or BL, up to its terminator.
  std::string label_text() {
    const char* start = p_;
    while (!at_end() && *p_ != label_end_) ++p_;
    std::string text(start, p_);
    if (!at_end()) {
      if (label_end_drawn_) text += *p_;
      ++p_;
    }
    return text;
  }

  // Character width and capital height in plotter units: SI in
  // centimetres, SR in percent of P1-P2, else a small share of P1-P2.
  Pt character_size() const {
    const Pt span{std::fabs(p2_.x - p1_.x), std::fabs(p2_.y - p1_.y)};
    if (!size_given_) return {0.005 * span.x, 0.0075 * span.y};
    if (size_relative_) return {size_.x / 100 * span.x, size_.y / 100 * span.y};
    return {size_.x * 400, size_.y * 400};
  }

  // Along the text, and up from it.
  Pt label_direction() const {
    Pt d = direction_;
    if (direction_relative_) d = {d.x / 100 * (p2_.x - p1_.x), d.y / 100 * (p2_.y - p1_.y)};
    const double len = length(d);
    return len > 0 && std::isfinite(len) ? (1 / len) * d : Pt{1, 0};
  }

  struct LabelFrame {
    Pt size;     // character width, capital height
    Pt along;    // unit vector along the text
    Pt up;       // unit vector up the characters
    Pt advance;  // from one character to the next
    Pt line;     // from one line to the next
  };

  LabelFrame label_frame() const {
    LabelFrame f;
    f.size = character_size();
    f.along = label_direction();
    f.up = {-f.along.y, f.along.x};
    // A character cell is half as wide again as the character, a line
    // twice as high; ES adds to both.
    const double cell = 1.5 * f.size.x * (1 + extra_.x);
    const double line = 2 * f.size.y * (1 + extra_.y);
    f.advance = vertical_ ? (-line) * f.up : cell * f.along;
    // Vertical lines follow each other to the left.
    f.line = vertical_ ? (-cell) * f.along : (-line) * f.up;
    return f;
  }

  // Where a line of `chars` characters starts from its origin point, by LO.
  Pt origin_offset(const LabelFrame& f, int chars) const {
    if (vertical_ || origin_ == 1 || origin_ == 21) return {0, 0};
    const int o = origin_ > 10 ? origin_ - 10 : origin_;
    const int across = (o - 1) / 3;  // left, centre, right
    const int height = (o - 1) % 3;  // bottom, middle, top
    const double len = chars > 0 ? (chars - 1) * length(f.advance) + f.size.x : 0;
    double x = across == 0 ? 0 : across == 1 ? -len / 2 : -len;
    double y = height == 0 ? 0 : height == 1 ? -f.size.y / 2 : -f.size.y;
    if (origin_ > 10) {
      // Set off from the point by half a character.
      if (across == 0) x += f.size.x / 2;
      if (across == 2) x -= f.size.x / 2;
      if (height == 0) y += f.size.y / 2;
      if (height == 2) y -= f.size.y / 2;
    }
    return x * f.along + y * f.up;
  }

  // One character with its lower left corner at `at`.
  void glyph(char c, Pt at, const LabelFrame& f) {
    const std::string_view g = stroke_glyph(c);
    const auto point = [&](std::size_t i) {
      const auto hex = [](char h) { return h <= '9' ? h - '0' : h - 'A' + 10; };
      const double gx = static_cast<double>(hex(g[i])) / kGlyphWidth * f.size.x;
      const double gy =
          static_cast<double>(hex(g[i + 1]) - kGlyphBaseline) / kGlyphCapHeight * f.size.y;
      return at + (gx + slant_ * gy) * f.along + gy * f.up;
    };
    for (std::size_t i = 0; i + 1 < g.size();) {
      out_.lift();
      Pt last = point(i);
      out_.start(last);
      for (i += 2; i + 1 < g.size() && g[i] != ' '; i += 2) {
        const Pt next = point(i);
        out_.stroke(last, next, true);
        last = next;
      }
      if (i < g.size() && g[i] == ' ') ++i;
    }
    out_.lift();
  }

  // Printable characters before the next carriage return or line feed.
  static int line_length(std::string_view text, std::size_t from) {
    int n = 0;
    for (std::size_t i = from; i < text.size() && text[i] != '\r' && text[i] != '\n'; ++i) {
      if (static_cast<unsigned char>(text[i]) >= ' ') ++n;
    }
    return n;
  }

  // LB and PB: the text in the stroke font from the pen, which ends where
  // the next character would go. Carriage return, line feed and backspace
  // move as on a plotter.
  void label(std::string_view text) {
    const LabelFrame f = label_frame();
    Pt line_origin = label_goes_on_ ? cr_point_ : pos_;
    Pt at = pos_;
    Pt anchor = pos_;   // where LO places the next line from
    bool fresh = true;  // the next character places its line by LO
    bool missing = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\r') {
        at = anchor = line_origin;
        fresh = true;
      } else if (c == '\n') {
        line_origin = line_origin + f.line;
        at = at + f.line;
        anchor = anchor + f.line;
      } else if (c == '\b') {
        at = at - f.advance;
      } else if (static_cast<unsigned char>(c) >= ' ') {
        if (fresh) {
          at = anchor + origin_offset(f, line_length(text, i));
          fresh = false;
        }
        if (has_stroke_glyph(c)) {
          glyph(c, at, f);
        } else {
          missing = true;
        }
        at = at + f.advance;
      }
    }
    if (missing) ++report_.labels_not_drawn;
    lift();
    pos_ = at;
    cr_point_ = line_origin;
    label_goes_on_ = true;
  }

  // SM: the symbol centred on the point just reached.
  void symbol() {
    const LabelFrame f = label_frame();
    glyph(symbol_, pos_ - (f.size.x / 2) * f.along - (f.size.y / 2) * f.up, f);
  }

  // CP: by character cells and lines; without them to the next line.
  void character_plot() {
    const LabelFrame f = label_frame();
    std::array<double, 2> v{};
    if (numbers(v) < 2) {
      const Pt origin = label_goes_on_ ? cr_point_ : pos_;
      pos_ = origin + f.line;
      cr_point_ = pos_;
    } else {
      pos_ = pos_ + v[0] * f.advance + v[1] * f.line;
      if (!label_goes_on_) cr_point_ = pos_;
    }
    label_goes_on_ = true;
    lift();
  }

  // --- pen movement ----------------------------------------------------------

  struct Scaling {
    int type = -1;  // off
    std::array<double, 7> v{};
  };

  void update_scaling() {
    const Scaling& s = scaling_;
    const std::array<double, 7>& v = s.v;
    if (s.type == 0) {
      ax_ = (p2_.x - p1_.x) / (v[1] - v[0]);
      ay_ = (p2_.y - p1_.y) / (v[3] - v[2]);
      bx_ = p1_.x - v[0] * ax_;
      by_ = p1_.y - v[2] * ay_;
    } else if (s.type == 1) {
      const double sx = (p2_.x - p1_.x) / (v[1] - v[0]);
      const double sy = (p2_.y - p1_.y) / (v[3] - v[2]);
      const double k = std::min(std::fabs(sx), std::fabs(sy));
      ax_ = std::copysign(k, sx);
      ay_ = std::copysign(k, sy);
      // The user's box sits in P1-P2 at the given percent of the room left.
      const double room_x = (p2_.x - p1_.x) - ax_ * (v[1] - v[0]);
      const double room_y = (p2_.y - p1_.y) - ay_ * (v[3] - v[2]);
      bx_ = p1_.x + room_x * v[5] / 100 - v[0] * ax_;
      by_ = p1_.y + room_y * v[6] / 100 - v[2] * ay_;
    } else if (s.type == 2) {
      ax_ = v[1];
      ay_ = v[3];
      bx_ = p1_.x - v[0] * ax_;
      by_ = p1_.y - v[2] * ay_;
    } else {
      ax_ = ay_ = 1;
      bx_ = by_ = 0;
    }
    if (!(std::isfinite(ax_) && std::isfinite(ay_) && std::isfinite(bx_) && std::isfinite(by_) &&
          ax_ != 0 && ay_ != 0)) {
      ax_ = ay_ = 1;
      bx_ = by_ = 0;
    }
  }

  Pt to_plotter(double x, double y) const { return {ax_ * x + bx_, ay_ * y + by_}; }
  Pt to_plotter(Pt u) const { return to_plotter(u.x, u.y); }
  Pt step(double dx, double dy) const { return {ax_ * dx, ay_ * dy}; }
  Pt to_user(Pt p) const { return {(p.x - bx_) / ax_, (p.y - by_) / ay_}; }

  void lift() {
    out_.lift();
    phase_ = 0;
  }

  void lower() {
    if (down_) return;
    down_ = true;
    if (!solid_ && line_type_ == 0) {
      out_.dot(pos_);
    } else {
      out_.start(pos_);
    }
  }

  // The coordinate pairs of PU, PD, PA and PR.
  void pairs() {
    double x = 0;
    double y = 0;
    while (number(x)) {
      if (!number(y)) break;
      go(relative_ ? pos_ + step(x, y) : to_plotter(x, y), true);
      if (symbol_ != 0) symbol();
    }
  }

  // To `target` with the pen as it is.
  void go(Pt target, bool named_point) {
    label_goes_on_ = false;
    if (down_) {
      line_to(target, named_point);
    } else {
      pos_ = target;
      lift();
    }
  }

  // A stroke from the current position, cut into dashes by the line type.
  void line_to(Pt b, bool named_point) {
    const Pt a = pos_;
    pos_ = b;
    if (solid_) {
      out_.stroke(a, b, named_point);
    } else if (line_type_ == 0) {
      out_.dot(b);
    } else {
      dashes(a, b);
    }
  }

  void dashes(Pt a, Pt b) {
    const double len = length(b - a);
    double pattern =
        pattern_in_mm_ ? pattern_length_ * kUnitsPerMm : pattern_length_ / 100 * length(p2_ - p1_);
    if (!(len > 0) || !(pattern > 0) || len / pattern > kMaxDashesPerSegment) {
      out_.stroke(a, b, true);
      return;
    }
    const LinePattern& lp = kPatterns[static_cast<std::size_t>(std::abs(line_type_))];
    if (line_type_ < 0) {
      // Adaptive: a whole number of patterns in each stroke, which begins
      // and ends with half of the first dash, so corners are drawn.
      const double count = std::max(1.0, std::round(len / pattern));
      pattern = len / count;
      phase_ = lp.percent[0] / 200 * pattern;
    }
    const Pt dir = (1 / len) * (b - a);
    double t = 0;
    // Rounding cannot keep the walk from ending.
    for (double guard = 4 * kMaxDashesPerSegment + 16; t < len && guard > 0; --guard) {
      // The part of the pattern the phase is in.
      double at = 0;
      int part = 0;
      double part_end = 0;
      for (; part < lp.parts; ++part) {
        part_end = at + lp.percent[static_cast<std::size_t>(part)] / 100 * pattern;
        if (phase_ < part_end || (part_end == at && phase_ == at)) break;
        at = part_end;
      }
      if (part == lp.parts) {
        phase_ = 0;
        continue;
      }
      const bool dash = part % 2 == 0;
      if (part_end == at) {
        // A dot; the phase moves on by a hair to the next part.
        if (dash) out_.dot(a + t * dir);
        phase_ = std::nextafter(at, pattern);
        if (phase_ >= pattern) phase_ = 0;
        continue;
      }
      const double run = std::min(part_end - phase_, len - t);
      const Pt from = a + t * dir;
      const Pt to = t + run >= len ? b : a + (t + run) * dir;
      if (dash) {
        out_.stroke(from, to, false);
      } else {
        out_.lift();
      }
      t += run;
      phase_ += run;
      if (phase_ >= pattern) phase_ -= pattern;
    }
  }

  // Chords for a sweep of `sweep` degrees on radius r (user units), by the
  // chord angle or, after CT1, by the largest deviation.
  int chords(double r, double sweep, bool given, double tolerance) const {
    double angle = 5;
    if (given && chord_deviation_) {
      const double d = std::fabs(tolerance);
      angle = d >= 2 * r || r <= 0 ? 180 : 2 * std::acos(1 - d / r) * 180 / kPi;
    } else if (given) {
      angle = std::fabs(tolerance);
    }
    angle = std::clamp(angle, 0.5, 180.0);
    const double n = std::ceil(std::fabs(sweep) / angle - 1e-9);
    if (!(n >= 1)) return 1;
    return static_cast<int>(std::min(n, static_cast<double>(kMaxChords)));
  }

  // Around `centre` (user units) from the current position by `sweep`
  // degrees; drawn when `draw`, else only moved.
  void sweep_about(Pt centre, double sweep, bool given, double tolerance, bool draw,
                   std::optional<Pt> exact_end = std::nullopt) {
    const Pt start = to_user(pos_);
    const double r = length(start - centre);
    const double a0 = std::atan2(start.y - centre.y, start.x - centre.x) * 180 / kPi;
    if (!std::isfinite(r) || !std::isfinite(sweep)) return;
    const int n = chords(r, sweep, given, tolerance);
    for (int i = 1; i <= n; ++i) {
      Pt p = to_plotter(polar(centre, r, a0 + sweep * i / n));
      if (i == n && exact_end) p = to_plotter(*exact_end);
      if (draw) {
        line_to(p, false);
      } else {
        pos_ = p;
      }
    }
    if (!draw) lift();
  }

  // AA centre, sweep; AR the centre relative to the pen.
  void arc(bool relative) {
    std::array<double, 4> v{};
    const int n = numbers(v);
    if (n < 3) return;
    const Pt centre = relative ? to_user(pos_) + Pt{v[0], v[1]} : Pt{v[0], v[1]};
    sweep_about(centre, v[2], n >= 4, v[3], down_);
  }

  // AT and RT: through an intermediate point to an end point.
  void three_point_arc(bool relative) {
    std::array<double, 5> v{};
    const int n = numbers(v);
    if (n < 4) return;
    const Pt s = to_user(pos_);
    const Pt m = relative ? s + Pt{v[0], v[1]} : Pt{v[0], v[1]};
    const Pt e = relative ? s + Pt{v[2], v[3]} : Pt{v[2], v[3]};
    const bool given = n >= 5;
    if (same(e, s)) {
      // Back to the start: the full circle with s-m as its diameter.
      sweep_about(0.5 * (s + m), 360, given, v[4], down_);
      return;
    }
    const Pt b = m - s;
    const Pt c = e - s;
    const double d = 2 * (b.x * c.y - b.y * c.x);
    if (std::fabs(d) <= 1e-12 * (length(b) + length(c)) * (length(b) + length(c))) {
      go(to_plotter(e), false);  // in a line: a straight stroke
      return;
    }
    const double b2 = b.x * b.x + b.y * b.y;
    const double c2 = c.x * c.x + c.y * c.y;
    const Pt centre = s + Pt{(c.y * b2 - b.y * c2) / d, (b.x * c2 - c.x * b2) / d};
    const double a0 = std::atan2(s.y - centre.y, s.x - centre.x) * 180 / kPi;
    const double a2 = std::atan2(e.y - centre.y, e.x - centre.x) * 180 / kPi;
    double sweep = a2 - a0;
    if (d > 0) {
      while (sweep <= 0) sweep += 360;  // counter-clockwise through m
    } else {
      while (sweep >= 0) sweep -= 360;
    }
    sweep_about(centre, sweep, given, v[4], down_, e);
  }

  // CI: the whole circle about the pen, whatever the pen state; the pen
  // ends at the centre.
  void circle() {
    std::array<double, 2> v{};
    const int n = numbers(v);
    if (n < 1) return;
    const Pt centre_plot = pos_;
    const Pt centre = to_user(pos_);
    const double r = std::fabs(v[0]);
    const double start = v[0] < 0 ? 180 : 0;
    lift();
    pos_ = to_plotter(polar(centre, r, start));
    if (r > 0) {
      out_.start(pos_);
      const int chords_n = chords(r, 360, n >= 2, v[1]);
      for (int i = 1; i <= chords_n; ++i) {
        line_to(to_plotter(polar(centre, r, start + 360.0 * i / chords_n)), false);
      }
    }
    lift();
    pos_ = centre_plot;
  }

  // Strokes along `points` (plotter units) from the first, pen down
  // whatever its state, then back to where the pen was with its state.
  template <std::size_t N>
  void outline(const std::array<Pt, N>& points) {
    const Pt home = pos_;
    lift();
    pos_ = points[0];
    out_.start(pos_);
    for (std::size_t i = 1; i < N; ++i) line_to(points[i], true);
    lift();
    pos_ = home;
  }

  // EA/RA to the opposite corner, ER/RR by its distance.
  void rectangle(bool relative) {
    std::array<double, 2> v{};
    if (numbers(v) < 2) return;
    const Pt a = to_user(pos_);
    const Pt b = relative ? a + Pt{v[0], v[1]} : Pt{v[0], v[1]};
    outline(std::array<Pt, 5>{to_plotter(a), to_plotter(b.x, a.y), to_plotter(b),
                              to_plotter(a.x, b.y), to_plotter(a)});
  }

  // EW/WG: radius, start angle, sweep about the pen.
  void wedge() {
    std::array<double, 4> v{};
    const int n = numbers(v);
    if (n < 3 || v[0] == 0) return;
    const Pt home = pos_;
    const Pt centre = to_user(pos_);
    const double r = std::fabs(v[0]);
    const double start = v[1] + (v[0] < 0 ? 180 : 0);
    const double sweep = std::clamp(v[2], -360.0, 360.0);
    lift();
    out_.start(pos_);
    line_to(to_plotter(polar(centre, r, start)), true);
    const int count = chords(r, sweep, n >= 4, v[3]);
    for (int i = 1; i <= count; ++i) {
      line_to(to_plotter(polar(centre, r, start + sweep * i / count)), false);
    }
    line_to(home, true);
    lift();
    pos_ = home;
  }

  // BZ/BR: cubic curves of three points each; BR's relative to each
  // curve's start.
  void bezier(bool relative) {
    for (;;) {
      std::array<double, 6> v{};
      if (numbers(v) < 6) return;
      const Pt p0 = pos_;
      const auto point = [&](int i) {
        const auto k = static_cast<std::size_t>(i);
        return relative ? p0 + step(v[k], v[k + 1]) : to_plotter(v[k], v[k + 1]);
      };
      const Pt p1 = point(0);
      const Pt p2 = point(2);
      const Pt p3 = point(4);
      if (!down_) {
        pos_ = p3;
        lift();
        continue;
      }
      // Enough pieces to keep within half a unit of the curve.
      const double bend = std::max(length(p0 - 2 * p1 + p2), length(p1 - 2 * p2 + p3));
      const double pieces = std::ceil(std::sqrt(1.5 * bend));
      const int n = pieces >= 1 ? static_cast<int>(std::min(pieces, 1000.0)) : 1;
      for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const double u = 1 - t;
        const Pt p = i == n ? p3
                            : (u * u * u) * p0 + (3 * u * u * t) * p1 + (3 * u * t * t) * p2 +
                                  (t * t * t) * p3;
        line_to(p, i == n);
      }
    }
  }

  // PE: flags and numbers packed into printable characters, up to ";".
  void encoded_polyline() {
    bool seven_bit = false;
    bool up_next = false;
    bool absolute_next = false;
    int fraction_bits = 0;
    const auto value = [&]() -> std::optional<int64_t> {
      uint64_t v = 0;
      uint64_t weight = 1;
      for (int digits = 0; !at_end(); ++p_) {
        unsigned char c = peek();
        if (seven_bit) c &= 0x7F;
        const unsigned base = seven_bit ? 32 : 64;
        const unsigned lo = 63;
        const unsigned hi = seven_bit ? 94 : 126;
        const unsigned term_lo = seven_bit ? 95 : 191;
        const unsigned term_hi = seven_bit ? 126 : 254;
        if (c >= lo && c <= hi) {
          if (digits < 10) v += (c - lo) * weight;
          weight *= base;
          ++digits;
        } else if (c >= term_lo && c <= term_hi) {
          if (digits < 10) v += (c - term_lo) * weight;
          ++p_;
          const auto magnitude = static_cast<int64_t>(v >> 1);
          return (v & 1) != 0 ? -magnitude : magnitude;
        } else if (c == ';' || is_flag(c)) {
          return std::nullopt;  // a number cut short
        }
      }
      return std::nullopt;
    };
    while (!at_end()) {
      const unsigned char raw = peek();
      if (raw == ';') {
        ++p_;
        return;
      }
      const unsigned char c = raw & 0x7F;
      if (is_flag(raw)) {
        ++p_;
        if (c == '7') {
          seven_bit = true;
        } else if (c == '<') {
          up_next = true;
        } else if (c == '=') {
          absolute_next = true;
        } else if (c == ':') {
          if (const auto pen = value()) select_pen(static_cast<double>(*pen));
        } else if (c == '>') {
          if (const auto bits = value())
            fraction_bits = static_cast<int>(std::clamp<int64_t>(*bits, -26, 26));
        }
        continue;
      }
      const bool digit = seven_bit ? (c >= 63 && c <= 126)
                                   : ((raw >= 63 && raw <= 126) || (raw >= 191 && raw <= 254));
      if (!digit) {
        ++p_;  // blanks, line breaks and the like
        continue;
      }
      const auto x = value();
      const auto y = x ? value() : std::nullopt;
      if (!x || !y) continue;
      const double k = std::ldexp(1.0, -fraction_bits);
      const double ux = static_cast<double>(*x) * k;
      const double uy = static_cast<double>(*y) * k;
      const Pt target = absolute_next ? to_plotter(ux, uy) : pos_ + step(ux, uy);
      if (up_next) {
        down_ = false;
        pos_ = target;
        lift();
      } else {
        lower();
        line_to(target, true);
      }
      up_next = false;
      absolute_next = false;
    }
  }

  // Flags are read without their eighth bit.
  static bool is_flag(unsigned char raw) {
    const unsigned char c = raw & 0x7F;
    return c == ':' || c == '<' || c == '>' || c == '=' || c == '7';
  }

  const char* begin_;
  const char* p_;
  const char* end_;
  PlotSink& sink_;
  PlotReport& report_;
  StrokeOutput out_;
  bool pcl_ = false;

  Pt pos_;
  bool down_ = false;
  bool relative_ = false;

  Pt page_{kDefaultPageX, kDefaultPageY};
  bool page_given_ = false;
  Pt p1_{0, 0};
  Pt p2_{kDefaultPageX, kDefaultPageY};
  Scaling scaling_;
  double ax_ = 1;
  double ay_ = 1;
  double bx_ = 0;
  double by_ = 0;

  bool chord_deviation_ = false;
  bool solid_ = true;
  bool had_pattern_ = false;
  int line_type_ = 0;
  double pattern_length_ = 4;  // percent of P1-P2, or mm
  bool pattern_in_mm_ = false;
  double phase_ = 0;
  char label_end_ = kEtx;
  bool label_end_drawn_ = false;

  bool size_given_ = false;
  bool size_relative_ = false;
  Pt size_;
  Pt direction_{1, 0};
  bool direction_relative_ = false;
  int origin_ = 1;
  Pt extra_;
  double slant_ = 0;
  bool vertical_ = false;
  char symbol_ = 0;
  std::string buffer_;
  Pt cr_point_;
  bool label_goes_on_ = false;  // the last label's lines go on: CR goes back to its start
};

}  // namespace

PlotExtents read_hpgl(std::string_view text, PlotSink& sink, PlotReport& report,
                      const ReadProgress& progress, int64_t max_lines) {
  HpglReader reader(text, sink, report, max_lines);
  return reader.run(progress);
}

}  // namespace lumetch
