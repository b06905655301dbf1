#include "model/settings_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <sstream>
#include <string>

#include "model/view_state.h"
#include "platform/text_file.h"

namespace lumetch {
namespace {

// Longest line kept when reading; a well-formed line is far shorter.
constexpr std::size_t kLineCap = 4096;

// One scalar line of "$.1": key and the field it holds, double or integer.
struct Field {
  const char* key;
  double MarkSettings::*dbl;
  int32_t MarkSettings::*num;
};

constexpr Field D(const char* key, double MarkSettings::*m) {
  return {key, m, nullptr};
}
constexpr Field I(const char* key, int32_t MarkSettings::*m) {
  return {key, nullptr, m};
}

// Lines 1 to 12.
constexpr std::array<Field, 12> kHeadFields{
    D("disp_size", &MarkSettings::disp_size), D("grid_size", &MarkSettings::grid_size),
    I("move_step", &MarkSettings::move_step), D("rate_x", &MarkSettings::rate_x),
    D("rate_y", &MarkSettings::rate_y),       D("pen_x", &MarkSettings::pen_x),
    D("pen_y", &MarkSettings::pen_y),         I("change_xy", &MarkSettings::change_xy),
    I("change_x", &MarkSettings::change_x),   I("change_y", &MarkSettings::change_y),
    I("pen_home", &MarkSettings::pen_home),   I("mark_layer", &MarkSettings::mark_layer),
};

// Lines 21 to 37. The horizontal/vertical style comes before concave/convex.
constexpr std::array<Field, 17> kTailFields{
    D("scan_cent_x", &MarkSettings::scan_cent_x),
    D("scan_cent_y", &MarkSettings::scan_cent_y),
    D("scan_size_x", &MarkSettings::scan_size_x),
    D("scan_size_y", &MarkSettings::scan_size_y),
    I("resolution", &MarkSettings::resolution),
    D("scan_dot", &MarkSettings::scan_dot),
    I("scan_outline", &MarkSettings::scan_outline),
    I("scan_style_hz", &MarkSettings::scan_style_hz),
    I("scan_style_yz", &MarkSettings::scan_style_yz),
    I("convert_style", &MarkSettings::convert_style),
    I("output_style", &MarkSettings::output_style),
    D("mark_size_x", &MarkSettings::mark_size_x),
    D("mark_size_y", &MarkSettings::mark_size_y),
    D("locate_cent_x", &MarkSettings::locate_cent_x),
    D("locate_cent_y", &MarkSettings::locate_cent_y),
    I("locate_style", &MarkSettings::locate_style),
    I("view_zoom_num", &MarkSettings::view_zoom_num),
};

// The four per-layer arrays, in the order of a layer line.
struct LayerField {
  const char* key;
  std::array<int32_t, kLayerCount> MarkSettings::*arr;
};
constexpr std::array<LayerField, 4> kLayerFields{{{"mark_num", &MarkSettings::mark_num},
                                                  {"speed", &MarkSettings::speed},
                                                  {"power", &MarkSettings::power},
                                                  {"pen_add", &MarkSettings::pen_add}}};

void append_field(std::string& out, const char* key, const std::string& value, const char* tail) {
  out += key;
  out += ' ';
  out += value;
  out += tail;
}

void append_scalar(std::string& out, const MarkSettings& s, const Field& f) {
  append_field(out, f.key, f.dbl ? format_fixed(s.*f.dbl, 7, 3) : std::to_string(s.*f.num), ";\n");
}

void read_scalar(std::istream& in, MarkSettings& s, const Field& f) {
  std::string line;
  if (!read_line_capped(in, line, kLineCap)) return;
  std::size_t pos = 0;
  const auto text = next_field(line, pos);
  if (!text) return;
  if (f.dbl) {
    if (const auto v = parse_double_field(*text)) s.*f.dbl = *v;
  } else if (const auto v = parse_int_field(*text)) {
    s.*f.num = *v;
  }
}

// Reads one integer line of "screen.$" into `value`, keeping it when damaged.
void read_int_line(std::istream& in, int32_t& value) {
  std::string line;
  if (!read_line_capped(in, line, kLineCap)) return;
  std::size_t pos = 0;
  const auto text = next_field(line, pos);
  if (!text) return;
  if (const auto v = parse_int_field(*text)) value = *v;
}

void reset_if_outside(int32_t& value, int32_t lo, int32_t hi, int32_t fallback) {
  if (value < lo || value > hi) value = fallback;
}

}  // namespace

std::optional<double> parse_double_field(std::string_view text) {
  text = trim_blanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
    return std::nullopt;
  }
  return v;
}

std::optional<int32_t> parse_int_field(std::string_view text) {
  text = trim_blanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  int32_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<std::string_view> next_field(std::string_view line, std::size_t& pos) {
  const auto blank = line.find(' ', pos);
  if (blank == std::string_view::npos) return std::nullopt;
  const auto semi = line.find(';', blank + 1);
  if (semi == std::string_view::npos) return std::nullopt;
  pos = semi + 1;
  return line.substr(blank + 1, semi - blank - 1);
}

std::string format_settings(const MarkSettings& s) {
  std::string out;
  out.reserve(1024);
  for (const Field& f : kHeadFields) append_scalar(out, s, f);
  for (std::size_t layer = 0; layer < kLayerCount; ++layer) {
    for (std::size_t k = 0; k < kLayerFields.size(); ++k) {
      const LayerField& f = kLayerFields[k];
      append_field(out, f.key, std::to_string((s.*f.arr)[layer]),
                   k + 1 < kLayerFields.size() ? ";" : ";\n");
    }
  }
  for (const Field& f : kTailFields) append_scalar(out, s, f);
  out += "end ;\n";
  return out;
}

bool save_settings(const std::filesystem::path& path, const MarkSettings& s) {
  return write_file_atomically(path, format_settings(s));
}

ReadResult load_settings(const std::filesystem::path& path, MarkSettings& s) {
  const InputText file = read_input_file(path);
  if (file.ok()) parse_settings(file.text, s);
  return file;
}

void parse_settings(std::string_view file_text, MarkSettings& s) {
  std::istringstream in{std::string(file_text)};
  for (const Field& f : kHeadFields) read_scalar(in, s, f);
  std::string line;
  for (std::size_t layer = 0; layer < kLayerCount; ++layer) {
    if (!read_line_capped(in, line, kLineCap)) break;
    std::size_t pos = 0;
    for (const LayerField& f : kLayerFields) {
      const auto text = next_field(line, pos);
      if (!text) break;  // the rest of this line cannot be placed
      if (const auto v = parse_int_field(*text)) (s.*f.arr)[layer] = *v;
    }
  }
  for (const Field& f : kTailFields) read_scalar(in, s, f);

  // These index the view's tables and the layer arrays.
  const MarkSettings defaults;
  reset_if_outside(s.view_zoom_num, 0, static_cast<int32_t>(kZoomTable.size()) - 1,
                   defaults.view_zoom_num);
  reset_if_outside(s.move_step, 0, static_cast<int32_t>(kStepTable.size()) - 1, defaults.move_step);
  reset_if_outside(s.mark_layer, 0, kLayerCount - 1, defaults.mark_layer);
  reset_if_outside(s.locate_style, 0, 8, defaults.locate_style);
}

std::string format_screen_state(const ScreenState& s) {
  std::string out;
  append_field(out, "screen_size", std::to_string(s.screen_size), ";\n");
  append_field(out, "position_x", std::to_string(s.position_x), ";\n");
  append_field(out, "position_y", std::to_string(s.position_y), ";\n");
  out += "end ;\n";
  return out;
}

bool save_screen_state(const std::filesystem::path& path, const ScreenState& s) {
  return write_file_atomically(path, format_screen_state(s));
}

ReadResult load_screen_state(const std::filesystem::path& path, ScreenState& s) {
  const InputText file = read_input_file(path);
  if (file.ok()) parse_screen_state(file.text, s);
  return file;
}

void parse_screen_state(std::string_view text, ScreenState& s) {
  std::istringstream in{std::string(text)};
  read_int_line(in, s.screen_size);
  read_int_line(in, s.position_x);
  read_int_line(in, s.position_y);
}

std::string format_plot_options(PlotReading reading) {
  std::string out;
  append_field(out, "plot_reading", std::to_string(static_cast<int32_t>(reading)), ";\n");
  out += "end ;\n";
  return out;
}

bool save_plot_options(const std::filesystem::path& path, PlotReading reading) {
  return write_file_atomically(path, format_plot_options(reading));
}

ReadResult load_plot_options(const std::filesystem::path& path, PlotReading& reading) {
  const InputText file = read_input_file(path);
  reading = file.ok() ? parse_plot_options(file.text) : PlotReading::kFull;
  return file;
}

PlotReading parse_plot_options(std::string_view text) {
  std::istringstream in{std::string(text)};
  int32_t value = static_cast<int32_t>(PlotReading::kFull);
  read_int_line(in, value);
  // Anything but the one other known mode reads every pair.
  return value == static_cast<int32_t>(PlotReading::kFirstPairOnly) ? PlotReading::kFirstPairOnly
                                                                    : PlotReading::kFull;
}

}  // namespace lumetch
