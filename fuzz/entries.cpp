#include "entries.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/text_shapes.h"
#include "imports/bmp.h"
#include "geometry/variable_fields.h"
#include "imports/plt.h"
#include "imports/vct.h"
#include "marker/channels.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "marker/speed_modes.h"
#include "model/defaults_file.h"
#include "model/layout_file.h"
#include "model/settings_file.h"
#include "platform/canvas.h"
#include "platform/scripted_operator.h"
#include "platform/text_file.h"

namespace lumetch::fuzz {

namespace {

std::string_view as_text(const uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A broken rule is a finding like a crash: abort with its name.
void check(bool ok, const char* rule) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: broken rule: %s\n", rule);
  std::abort();
}

// Counts what is drawn instead of keeping it (a recording of every pixel
// would make the targets slow) and checks that every poly-polygon's counts
// cover its points exactly.
class TallyCanvas : public Canvas {
 public:
  void move_to(int32_t, int32_t) override { ++ops_; }
  void line_to(int32_t, int32_t) override { ++ops_; }
  void polygon(std::span<const CanvasPoint>) override { ++ops_; }
  void poly_polygon(std::span<const CanvasPoint> points,
                    std::span<const int32_t> counts) override {
    int64_t sum = 0;
    for (const int32_t n : counts) {
      check(n > 0, "a poly-polygon has no empty polygon");
      sum += n;
    }
    check(sum == static_cast<int64_t>(points.size()), "poly-polygon counts cover its points");
    ++ops_;
  }
  void rectangle(int32_t, int32_t, int32_t, int32_t) override { ++ops_; }
  void ellipse(int32_t, int32_t, int32_t, int32_t) override { ++ops_; }
  void set_pixel(int32_t, int32_t, Rgb) override { ++ops_; }

 private:
  uint64_t ops_ = 0;
};

// A document in an engraving job whose port discards the commands.
struct Marker {
  CketralDoc doc;
  ScriptedOperator op;
  PortWriter port{std::make_unique<NullChannel>()};
  PenEmitter pen{doc, port, op};
  GeomContext g{doc, &pen};
};

// Draws with `draw(g, dc)` on the screen, on the scan raster and on the marker.
template <class Draw>
void draw_everywhere(Draw&& draw) {
  Marker m;
  m.doc.settings.mark_num.fill(1);
  TallyCanvas canvas;
  GeomContext screen{m.doc, nullptr};
  draw(screen, &canvas);
  // A scan renders into a raster of known size.
  m.doc.raster_mode = 1;
  m.doc.raster_width = m.doc.raster_height = 64;
  draw(screen, &canvas);
  m.doc.raster_mode = 0;
  m.doc.engraving = 1;
  draw(m.g, nullptr);
}

std::string records_of(const CketralDoc& doc, bool offset) {
  std::string out;
  for (const MarkObject& o : doc.ring.oldest_first()) out += format_record(o, offset);
  return out;
}

// What was read is written as records that read back whole and the same.
void check_layout_round_trip(const CketralDoc& doc) {
  const std::string saved = records_of(doc, false);
  CketralDoc again;
  const OpenResult r = read_layout(again, saved);
  check(r.objects_read == static_cast<int>(doc.ring.size()), "records read back all objects");
  check(r.lines_skipped == 0 && r.char_lines_missing == 0, "records written read back whole");
  check(records_of(again, false) == saved, "records read back the same");
  // A copy for the clipboard reads back too.
  CketralDoc pasted;
  check(read_layout(pasted, records_of(doc, true)).objects_read == r.objects_read,
        "clipboard records read back");
}

}  // namespace

int fuzz_layout(const uint8_t* data, std::size_t size) {
  CketralDoc doc;
  const OpenResult r = read_layout(doc, as_text(data, size));
  check(r.opened(), "a layout in memory opens");
  check(r.objects_read == static_cast<int>(doc.ring.size()), "every object read is in the ring");
  check_layout_round_trip(doc);
  return 0;
}

int fuzz_record(const uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  const std::string_view first = text.substr(0, text.find('\n'));
  std::unique_ptr<MarkObject> obj = parse_record(first);
  // The lines after it as character lines and additions of that record.
  std::string_view rest = first.size() < text.size() ? text.substr(first.size() + 1) : "";
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(line.size() < rest.size() ? line.size() + 1 : rest.size());
    if (!apply_extension_line(line, obj.get())) parse_char_line(line);
  }
  if (obj == nullptr) return 0;
  CketralDoc doc;
  Commit commit(doc);
  commit.add(std::move(obj));
  commit.push("Read");
  check_layout_round_trip(doc);
  return 0;
}

int fuzz_settings(const uint8_t* data, std::size_t size) {
  MarkSettings s;
  parse_settings(as_text(data, size), s);
  const std::string text = format_settings(s);
  MarkSettings again;
  parse_settings(text, again);
  check(format_settings(again) == text, "settings read back the same");
  return 0;
}

int fuzz_screen(const uint8_t* data, std::size_t size) {
  ScreenState s;
  parse_screen_state(as_text(data, size), s);
  ScreenState again;
  parse_screen_state(format_screen_state(s), again);
  check(again == s, "screen state reads back the same");
  return 0;
}

int fuzz_defaults(const uint8_t* data, std::size_t size) {
  CreationDefaults d;
  parse_defaults(as_text(data, size), d);
  const std::string text = format_defaults(d);
  CreationDefaults again;
  parse_defaults(text, again);
  check(format_defaults(again) == text, "defaults read back the same");
  return 0;
}

int fuzz_fix(const uint8_t* data, std::size_t size) {
  const SpeedModes m = parse_speed_modes(as_text(data, size));
  for (const std::string& cmd : {m.stable_speed_cmd, m.variable_speed_cmd}) {
    check(!cmd.empty() && cmd.size() <= kMaxSpeedCmdLength && cmd.back() == ';',
          "a speed command is one short command");
    check(cmd.find('\n') == std::string::npos, "a speed command is one line");
  }
  return 0;
}

int fuzz_port(const uint8_t* data, std::size_t size) {
  const std::string channel = parse_port_file(as_text(data, size), "/work-dir");
  check(channel.find('\n') == std::string::npos, "a port is named on one line");
  check(channel == std::string(trim_blanks(channel)), "a port name is trimmed");
  return 0;
}

int fuzz_title(const uint8_t* data, std::size_t size) {
  for (const std::string& line : title_lines(as_text(data, size))) {
    check(line.size() <= kTitleLineBytes && line.find('\n') == std::string::npos,
          "title lines are cut and single");
  }
  return 0;
}

int fuzz_glyph(const uint8_t* data, std::size_t size) {
  const std::optional<GlyphFile> file = ParseGlyphBytes(as_text(data, size));
  if (!file) return 0;
  // A text of as many characters as the file holds (a few more or less
  // than that must draw too), drawn as a line and as an arc text.
  const std::size_t n = std::min<std::size_t>(file->glyphs.size() + 1, 8);
  MarkObject obj;
  obj.type = LINE_TEXT;
  // Small: the line text outlined, the arc text filled with a coarse hatch.
  // A fill as fine as a real one makes the target slow without reaching
  // more of the reader.
  obj.width = 6.0;
  obj.height = 2.0;
  obj.output_mode = 0;
  obj.fill_pitch = 2.0;
  LineTextParams p;
  p.size_x = p.size_y = 1.0;
  p.text = std::string(n, 'A');
  p.line_lengths = {static_cast<int32_t>(n), 0};
  obj.params = p;
  draw_everywhere([&](GeomContext& g, Canvas* dc) { draw_line_text_with(g, dc, obj, *file); });
  ArcTextParams a;
  a.text = p.text;
  a.size_x = a.size_y = 1.0;
  a.radius_x = a.radius_y = 4.0;
  obj.type = ARC_TEXT;
  obj.output_mode = 2;
  obj.params = a;
  draw_everywhere([&](GeomContext& g, Canvas* dc) { draw_arc_text_with(g, dc, obj, *file); });
  return 0;
}

int fuzz_plt(const uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  const PltPlot plot = parse_plt(text);
  check(plot.min_x < plot.max_x && plot.min_y < plot.max_y, "a plot has extents");
  for (std::size_t pen = 0; pen < plot.strokes.size(); ++pen) {
    const std::vector<PltStroke>& strokes = plot.strokes[pen];
    check(strokes.empty() || plot.pen_used[pen] == 1, "a pen with strokes is used");
    for (const PltStroke& st : strokes) {
      check(st.x >= plot.min_x && st.x <= plot.max_x && st.y >= plot.min_y && st.y <= plot.max_y,
            "every stroke lies within the extents");
    }
    check(parse_strokes(format_strokes(strokes)) == strokes, "stroke files read back the same");
    check(strokes.empty() || !strokes.front().draw, "a pen's strokes start with a move");
  }
  const PltPlot first = parse_plt(text, {}, PlotReading::kFirstPairOnly);
  check(first.min_x < first.max_x && first.min_y < first.max_y, "a first-pair plot has extents");
  TallyCanvas canvas;
  preview_plt_text(canvas, text, 0, 0, 160, 160, kLayerColours);
  return 0;
}

int fuzz_bmp(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> file(data, size);
  ScriptedOperator op;
  const BmpLoad load = load_bmp_bytes(file, 40, &op);
  check((load.result == BmpLoad::kLoaded) == load.message.empty(), "a refusal says why");
  TallyCanvas canvas;
  // A small miniature: every pixel of a large one costs without reaching more.
  preview_bmp_bytes(canvas, file, 0, 0, 40, 40, 1, op);

  // The object of this file, and one loaded from another file of 16 x 16
  // pixels whose file then changed to this one.
  std::vector<BmpBlock> blocks(1);
  blocks[0].width_px = blocks[0].height_px = 16;
  blocks[0].bits_offset = 62;
  if (load.result == BmpLoad::kLoaded) {
    BmpBlock b;
    b.width_px = load.width_px;
    b.height_px = load.height_px;
    b.top_down = load.top_down;
    b.bits_offset = load.bits_offset;
    blocks.push_back(b);
  }
  for (BmpBlock& b : blocks) {
    MarkObject obj;
    obj.type = BMP;
    obj.width = obj.height = 1.0;
    b.image_width = b.image_height = 1.0;
    obj.params = b;
    draw_everywhere([&](GeomContext& g, Canvas* dc) { draw_bmp_bytes(g, dc, obj, file); });
  }
  return 0;
}

int fuzz_vct(const uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  TallyCanvas canvas;
  preview_vct_text(canvas, text, 0, 0, 160, 160);
  const std::optional<VctHeader> header = vct_header_of_text(text);
  if (!header) return 0;
  const std::optional<VctBlock> block = vct_block_from(*header, "in.vct");
  if (!block) return 0;
  MarkObject obj;
  obj.type = VCT;
  obj.width = obj.height = 10.0;
  obj.fill_pitch = 0.5;
  obj.params = *block;
  for (const int32_t mode : {0, 2}) {
    obj.output_mode = mode;
    draw_everywhere([&](GeomContext& g, Canvas* dc) { draw_vct_text(g, dc, obj, text); });
  }
  return 0;
}

int fuzz_data(const uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  const CsvParse csv = parse_csv(text);
  if (csv.ok) {
    for (const std::vector<std::string>& row : csv.table.rows) {
      check(row.size() == csv.table.columns.size(), "every data row has a cell per column");
    }
    for (const std::string& column : csv.table.columns) {
      check(find_column(csv.table, column).ok, "every column is found by its name");
    }
  }
  // The same bytes as a text holding fields, filled from the data read.
  const TemplateParse fields = parse_fields(text);
  if (fields.ok) {
    const ShiftTableParse shifts = parse_shift_table("06:00=A;14:00=B;22:00=C");
    FillContext context;
    context.time = LocalTime{2026, 12, 31, 23, 59, 59};
    context.shifts = &shifts.table;
    context.csv = csv.ok ? &csv.table : nullptr;
    for (std::size_t row = 0; row < 3; ++row) {
      context.row = row;
      fill_fields(fields.tmpl, context);
    }
  }
  return 0;
}

std::span<const Target> targets() {
  static constexpr Target kTargets[] = {
      {"layout", fuzz_layout},   {"record", fuzz_record}, {"settings", fuzz_settings},
      {"screen", fuzz_screen},   {"defaults", fuzz_defaults}, {"fix", fuzz_fix},
      {"port", fuzz_port},       {"title", fuzz_title},   {"glyph", fuzz_glyph},
      {"plt", fuzz_plt},         {"bmp", fuzz_bmp},       {"vct", fuzz_vct},
      {"data", fuzz_data},
  };
  return kTargets;
}

}  // namespace lumetch::fuzz
