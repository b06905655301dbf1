#include "marker/marker_sim.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

namespace lumetch {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// One signed decimal integer in the int32 range, nothing else.
bool parse_int32(std::string_view s, int64_t& value) {
  s = trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  int64_t v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  value = v;
  return true;
}

void append_number(std::string& out, double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void append_number(std::string& out, int64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

}  // namespace

void MarkerSim::receive(std::string_view command) {
  commands_.emplace_back(command);
  while (!command.empty()) {
    const auto end = command.find(';');
    // A last command without its ";" is still read.
    interpret(trim(command.substr(0, end)));
    if (end == std::string_view::npos) break;
    command.remove_prefix(end + 1);
  }
}

void MarkerSim::clear() {
  *this = MarkerSim();
}

bool MarkerSim::parse_args(std::string_view text) {
  args_.clear();
  while (true) {
    const auto comma = text.find(',');
    int64_t v = 0;
    if (!parse_int32(text.substr(0, comma), v)) return false;
    args_.push_back(v);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

void MarkerSim::lift() {
  pen_down_ = false;
  in_stroke_ = false;
}

void MarkerSim::move_to(Point p, bool down) {
  if (!down) {
    lift();
    pen_ = p;
    return;
  }
  if (!in_stroke_) {
    strokes_.push_back(Stroke{{pen_}});
    in_stroke_ = true;
  }
  strokes_.back().points.push_back(p);
  const double dx = static_cast<double>(p.x) - static_cast<double>(pen_.x);
  const double dy = static_cast<double>(p.y) - static_cast<double>(pen_.y);
  marked_length_ += std::hypot(dx, dy);
  ++marked_moves_;
  pen_ = p;
  pen_down_ = true;
}

void MarkerSim::interpret(std::string_view cmd) {
  if (cmd.empty()) return;  // ";;" or a trailing blank
  if (cmd.size() < 2) {
    ++unknown_;
    return;
  }
  const char a = upper(cmd[0]);
  const char b = upper(cmd[1]);
  const std::string_view rest = trim(cmd.substr(2));
  const bool bare = rest.empty();

  if (a == 'P' && (b == 'U' || b == 'D')) {
    const bool down = b == 'D';
    if (bare) {
      // Pen change without a move.
      if (down) {
        pen_down_ = true;
      } else {
        lift();
      }
      return;
    }
    if (!parse_args(rest) || args_.size() % 2 != 0) {
      ++unknown_;
      return;
    }
    for (std::size_t i = 0; i < args_.size(); i += 2) {
      move_to(Point{static_cast<int32_t>(args_[i]), static_cast<int32_t>(args_[i + 1])}, down);
    }
    return;
  }
  if (a == 'C' && b == 'E') {
    // Only whole ellipses: "CErx,ry" or "CErx,ry,360".
    if (!parse_args(rest) || args_.size() < 2 || args_.size() > 3 || args_[0] < 0 || args_[1] < 0 ||
        (args_.size() == 3 && args_[2] != 360)) {
      ++unknown_;
      return;
    }
    ellipses_.push_back(
        Ellipse{pen_, static_cast<int32_t>(args_[0]), static_cast<int32_t>(args_[1])});
    // The beam leaves the path to trace the ellipse; later moves start afresh.
    in_stroke_ = false;
    return;
  }
  if (a == 'I' && b == 'N' && bare) {
    lift();  // initialising lifts the pen where it stands
    return;
  }
  if (a == 'S' && b == 'P') {
    if (bare || (parse_args(rest) && args_.size() == 1)) return;
  } else if ((a == 'D' && b == 'A') || (a == 'V' && b == 'S')) {
    if (parse_args(rest) && args_.size() == 1) return;
  } else if (a == 'Z' && (b == 'T' || b == 'Z') && bare) {
    return;  // pause and stop: the marker's own affair
  }
  ++unknown_;
}

void MarkerSim::write_svg(std::ostream& out, int32_t field_width, int32_t field_height) const {
  const bool field = field_width > 0 && field_height > 0;
  bool any = field;
  int64_t min_x = 0, min_y = 0, max_x = 0, max_y = 0;
  if (field) {
    max_x = field_width;
    max_y = field_height;
  }
  auto include = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!any) {
      min_x = x0, min_y = y0, max_x = x1, max_y = y1;
      any = true;
      return;
    }
    min_x = std::min(min_x, x0);
    min_y = std::min(min_y, y0);
    max_x = std::max(max_x, x1);
    max_y = std::max(max_y, y1);
  };
  for (const Stroke& s : strokes_) {
    for (const Point& p : s.points) include(p.x, p.y, p.x, p.y);
  }
  for (const Ellipse& e : ellipses_) {
    include(int64_t{e.centre.x} - e.rx, int64_t{e.centre.y} - e.ry, int64_t{e.centre.x} + e.rx,
            int64_t{e.centre.y} + e.ry);
  }

  const int64_t size = std::max<int64_t>({max_x - min_x, max_y - min_y, 1});
  const int64_t margin = std::max<int64_t>(1, size / 50);
  const int64_t view_w = max_x - min_x + 2 * margin;
  const int64_t view_h = max_y - min_y + 2 * margin;
  const int64_t top = max_y + margin;  // marker Y grows upward, SVG Y downward
  const double line = static_cast<double>(size) / 400.0;
  const double longest = static_cast<double>(std::max(view_w, view_h));

  std::string svg;
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
  append_number(svg, 1000.0 * static_cast<double>(view_w) / longest);
  svg += "\" height=\"";
  append_number(svg, 1000.0 * static_cast<double>(view_h) / longest);
  svg += "\" viewBox=\"";
  append_number(svg, min_x - margin);
  svg += " 0 ";
  append_number(svg, view_w);
  svg += ' ';
  append_number(svg, view_h);
  svg += "\">\n";
  if (field) {
    svg += "<rect x=\"0\" y=\"";
    append_number(svg, top - field_height);
    svg += "\" width=\"";
    append_number(svg, int64_t{field_width});
    svg += "\" height=\"";
    append_number(svg, int64_t{field_height});
    svg += "\" fill=\"none\" stroke=\"#999999\" stroke-width=\"";
    append_number(svg, line);
    svg += "\"/>\n";
  }
  svg += "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"";
  append_number(svg, line);
  svg += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
  for (const Stroke& s : strokes_) {
    svg += "<polyline points=\"";
    for (std::size_t i = 0; i < s.points.size(); ++i) {
      if (i > 0) svg += ' ';
      append_number(svg, int64_t{s.points[i].x});
      svg += ',';
      append_number(svg, top - s.points[i].y);
    }
    svg += "\"/>\n";
  }
  for (const Ellipse& e : ellipses_) {
    svg += "<ellipse cx=\"";
    append_number(svg, int64_t{e.centre.x});
    svg += "\" cy=\"";
    append_number(svg, top - e.centre.y);
    svg += "\" rx=\"";
    append_number(svg, int64_t{e.rx});
    svg += "\" ry=\"";
    append_number(svg, int64_t{e.ry});
    svg += "\"/>\n";
  }
  svg += "</g>\n</svg>\n";
  out.write(svg.data(), static_cast<std::streamsize>(svg.size()));
}

}  // namespace lumetch
