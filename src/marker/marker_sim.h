#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// A stand-in for the marker: keeps every command it receives and interprets
// the pen commands into what the beam would have marked, in marker units.
class MarkerSim {
 public:
  struct Point {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const Point&) const = default;
  };
  // Consecutive pen-down moves form one stroke, starting where the pen stood.
  struct Stroke {
    std::vector<Point> points;
  };
  struct Ellipse {
    Point centre;
    int32_t rx = 0;
    int32_t ry = 0;
  };

  // Takes one command as sent; it may hold several ";"-terminated commands.
  // Mnemonics are read in either case, as the marker reads them ("sp1;").
  void receive(std::string_view command);
  void clear();

  const std::vector<std::string>& commands() const { return commands_; }
  const std::vector<Stroke>& strokes() const { return strokes_; }
  const std::vector<Ellipse>& ellipses() const { return ellipses_; }
  Point pen() const { return pen_; }
  bool pen_down() const { return pen_down_; }
  // Pen-down moves and their total length in marker units; ellipses are kept
  // apart and do not count here.
  std::uint64_t marked_moves() const { return marked_moves_; }
  double marked_length() const { return marked_length_; }
  // Commands it did not understand (kept, and counted, not fatal).
  std::uint64_t unknown_commands() const { return unknown_; }

  // Writes what was marked as a standalone SVG picture, Y flipped so that it
  // looks as marked. The view box is the marking field (width × height marker
  // units, origin bottom-left, Y up) when given, widened to anything marked
  // outside it; without a field it is the extent of what was marked.
  void write_svg(std::ostream& out, int32_t field_width = 0, int32_t field_height = 0) const;

 private:
  void interpret(std::string_view cmd);
  // Reads "a,b,..." into args_; false when anything is not an int32.
  bool parse_args(std::string_view text);
  void move_to(Point p, bool down);
  void lift();

  std::vector<int64_t> args_;  // scratch, reused for every command
  std::vector<std::string> commands_;
  std::vector<Stroke> strokes_;
  std::vector<Ellipse> ellipses_;
  Point pen_;
  bool pen_down_ = false;
  bool in_stroke_ = false;
  std::uint64_t marked_moves_ = 0;
  double marked_length_ = 0.0;
  std::uint64_t unknown_ = 0;
};

}  // namespace lumetch
