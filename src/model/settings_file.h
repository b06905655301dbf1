#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "model/import_params.h"
#include "model/mark_settings.h"
#include "platform/text_file.h"

namespace lumetch {

// Editing-pane width and scroll position, kept in "screen.$".
struct ScreenState {
  int32_t screen_size = 470;
  int32_t position_x = 10000;
  int32_t position_y = -10000;

  bool operator==(const ScreenState&) const = default;
};

// The text of "$.1": 38 lines in the record's field order, ending "end ;".
std::string format_settings(const MarkSettings& s);

// Writes "$.1". False when the file cannot be written; the old file then
// stays as it was, never half-written.
bool save_settings(const std::filesystem::path& path, const MarkSettings& s);

// Reads "$.1" by position; the key words are not compared. When the file is
// missing or cannot be read the record is left alone and the result says
// which (a caller must not take an unreadable file for a missing one). A
// field whose line is missing or damaged keeps the value the record already
// had; index fields out of their tables' ranges take their defaults.
ReadResult load_settings(const std::filesystem::path& path, MarkSettings& s);
// The same rules for the text of a "$.1" already in memory.
void parse_settings(std::string_view text, MarkSettings& s);

std::string format_screen_state(const ScreenState& s);
bool save_screen_state(const std::filesystem::path& path, const ScreenState& s);
// Same rules as load_settings.
ReadResult load_screen_state(const std::filesystem::path& path, ScreenState& s);
void parse_screen_state(std::string_view text, ScreenState& s);

// How plot files are read, kept in "plot.$" beside "$.1" (whose format stays
// as it is): one line "plot_reading N;" (0 every pair, 1 the first pair of
// PU/PD/PA only), then "end ;".
std::string format_plot_options(PlotReading reading);
bool save_plot_options(const std::filesystem::path& path, PlotReading reading);
// A missing file, or one whose line is missing or damaged, reads as kFull;
// `reading` is always set. The result says whether the file was there.
ReadResult load_plot_options(const std::filesystem::path& path, PlotReading& reading);
PlotReading parse_plot_options(std::string_view text);

// --- Helpers shared by the program's text records ---

// A whole field as a finite decimal number; blanks around it are allowed,
// anything else is not.
std::optional<double> parse_double_field(std::string_view text);
// A whole field as a decimal integer within int32; blanks around it allowed.
std::optional<int32_t> parse_int_field(std::string_view text);

// The value of a "key value;" field that starts at or after `pos`: the text
// after the next blank up to the next ";". On success `pos` moves past the
// ";". Nullopt when the blank or the ";" is missing.
std::optional<std::string_view> next_field(std::string_view line, std::size_t& pos);

}  // namespace lumetch
