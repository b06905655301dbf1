#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "model/view_state.h"
#include "platform/canvas.h"
#include "platform/operator.h"

namespace lumetch {

// What a plot held that its strokes do not show: told to the operator at
// import.
struct PlotReport {
  int64_t draws = 0;  // pen-down stroke lines written, over all pens
  // Commands read but not followed, by their two letters ("VS", "FT", ...).
  std::map<std::string, int64_t> ignored;
  int64_t labels_not_drawn = 0;  // labels with characters the stroke font lacks
  int32_t highest_pen = 0;       // largest SP number seen; above 8 they are folded onto 1..8
  // Set when the plot would make more stroke lines than any marking needs
  // (curves and line types multiply a few bytes into many lines): the
  // reading stopped there, after this many lines.
  int64_t cut_off_after = 0;

  // Nothing at all is drawn: such a file is refused at import.
  bool drawable() const { return draws > 0; }
  // One line for the operator, empty when everything was followed.
  std::string summary() const;
  bool operator==(const PlotReport&) const = default;
};

// Plot files by their extension: "plt", "hpgl", "hpg" or "hp", in any case.
bool has_plot_extension(const std::filesystem::path& path);
// The file dialog's filter for plot files.
inline constexpr const char* kPlotFileFilter =
    "CAD File(*.plt;*.hpgl;*.hpg;*.hp)|*.plt;*.hpgl;*.hpg;*.hp|";

// What reading a plot file leaves for the caller to copy into a PltBlock.
struct PltParse {
  enum Result : int32_t { kCannotOpen = -1, kWrongExtension = 0, kRead = 1 };
  int32_t result = kCannotOpen;
  int32_t min_x = 30000;
  int32_t min_y = 30000;
  int32_t max_x = -30000;
  int32_t max_y = -30000;
  std::array<std::string, 8> pen_file;
  std::array<int32_t, 8> pen_used{};
  std::string error;  // why the plot could not be read or its stroke files written
  PlotReport report;  // set when the result is kRead
};

// One line of a stroke file: pen down (draw) or up, to (x, y) in plot units.
struct PltStroke {
  bool draw = false;
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const PltStroke&) const = default;
};

// A plot read into memory: each pen's strokes in order, which pens are used
// (selected by SP or drawn with: they get a stroke file, maybe empty), and the
// extents (an axis without extent opened up to ten units).
struct PltPlot {
  std::array<std::vector<PltStroke>, 8> strokes;
  std::array<int32_t, 8> pen_used{};
  int32_t min_x = 30000;
  int32_t min_y = 30000;
  int32_t max_x = -30000;
  int32_t max_y = -30000;
  PlotReport report;
};

// Reads HPGL plot text. Any text reads: what is no command is skipped.
// Told how many bytes of the plot are read, every megabyte or so.
using ReadProgress = std::function<void(std::size_t done, std::size_t total)>;
PltPlot parse_plt(std::string_view text, const ReadProgress& progress = {},
                  PlotReading reading = PlotReading::kFull);
// Shows through `op` how much of a plot of a megabyte or more is read; empty
// when `op` shows no progress. The caller ends the progress after the read.
ReadProgress reading_progress(Operator* op);

// The text of a stroke file: one "S X Y;" line per stroke.
std::string format_strokes(std::span<const PltStroke> strokes);
// Reads stroke file text back; lines that are not well-formed strokes (an
// overlong one included) are skipped.
std::vector<PltStroke> parse_strokes(std::string_view text);

// Reads the HPGL plot at `path` (a plot file by its extension) and writes one
// stroke file per pen used, named base + pen index 0..7 + ".$". Nothing is
// written unless the result is kRead. A missing plot gives kCannotOpen with
// `error` empty; one that is there but cannot be read (not a regular file,
// no permission, a read error), or a stroke file that cannot be written,
// gives kCannotOpen with `error` set.
// A plot with nothing drawable is still kRead, with report.drawable() false:
// the import refuses it, an opened layout keeps its object.
PltParse ParsePlt(const std::filesystem::path& path, const std::string& base,
                  const ReadProgress& progress = {}, PlotReading reading = PlotReading::kFull);

// The block of a new PLT object from a successful parse: extents, sizes (mm
// per plot unit from `resolution`, or 10 mm wide when it is 0), pen files,
// pen_layer[i] = i. Nullopt when the extents give no size.
std::optional<PltBlock> plt_block_from(const PltParse& parse, const std::string& source_path,
                                       int32_t resolution);

// Generator: strokes scaled to the object's box, copies row by row, pens 0..7;
// on the marker each used pen sends its layer's header and passes.
void DrawPlt(GeomContext& g, Canvas* dc, const MarkObject& obj);

// The file dialog's miniature: the plot drawn into (x0, y0, w, h), pen i in
// layer colour i. Nothing is written to disk. False when the file cannot be
// read or is no plot.
bool PreviewPlt(Canvas& dc, const std::filesystem::path& path, int32_t x0, int32_t y0, int32_t w,
                int32_t h, const std::array<Rgb, 8>& colours,
                PlotReading reading = PlotReading::kFull);
// The same for plot text in memory.
void preview_plt_text(Canvas& dc, std::string_view text, int32_t x0, int32_t y0, int32_t w,
                      int32_t h, const std::array<Rgb, 8>& colours,
                      PlotReading reading = PlotReading::kFull);

}  // namespace lumetch
