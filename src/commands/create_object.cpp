#include "commands/create_object.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "geometry/barcode.h"
#include "geometry/glyph_file.h"
#include "geometry/text_objects.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"
#include "model/edit.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kWarning = "Warning";

double text_to_double(std::string_view text) {
  return leading_double(text);
}

// Counts out of the 32-bit range read as 0, as an overflowing number does.
int32_t text_to_int(std::string_view text) {
  const int64_t v = leading_integer(text);
  return v >= INT32_MIN && v <= INT32_MAX ? static_cast<int32_t>(v) : 0;
}

// A layer outside the eight would index past the per-layer settings.
int32_t usable_layer(int32_t layer) {
  return layer >= 0 && layer <= 7 ? layer : 0;
}

std::unique_ptr<MarkObject> new_record(int32_t type, double width, double height) {
  auto obj = std::make_unique<MarkObject>();
  obj->type = type;
  obj->rows = 1;
  obj->columns = 1;
  obj->row_gap = 1.0;
  obj->column_gap = 1.0;
  obj->cent_x = 0.0;
  obj->cent_y = 0.0;
  obj->width = width;
  obj->height = height;
  obj->angle = 0.0;
  obj->layer = 0;
  obj->keep_aspect = 0;
  obj->mirror_x = 0;
  obj->mirror_y = 0;
  return obj;
}

void set_style(MarkObject& obj, const OutputStyle& s) {
  obj.output_mode = s.output_mode;
  obj.fill_pitch = s.fill_pitch;
  obj.fill_direction = s.fill_direction;
}

std::unique_ptr<MarkObject> build_line_text(const CreationDefaults::LineText& t) {
  LineTextParams p;
  p.size_x = text_to_double(t.size_x);
  p.size_y = text_to_double(t.size_y);
  p.char_gap = text_to_double(t.char_gap);
  p.line_width_x = text_to_double(t.line_width_x);
  p.line_width_y = text_to_double(t.line_width_y);
  p.line_gap = text_to_double(t.line_gap);
  p.vertical = t.vertical;
  p.align = t.align;
  p.font_weight = t.font_weight;
  p.font_italic = t.font_italic;
  p.font_charset = t.font_charset;
  p.variable = 0;
  p.face_name = t.face_name;
  // The default keeps its lines apart with CR LF; the object keeps the text
  // without breaks and the length of each line.
  p.text = t.text;
  p.line_lengths = SplitLines(p.text);
  p.line_count = static_cast<int32_t>(p.line_lengths.size());
  p.line_lengths.push_back(0);
  p.chars.assign(static_cast<std::size_t>(CountChars(p.text)), CharRecord{});
  auto obj = new_record(LINE_TEXT, text_to_double(t.width), text_to_double(t.height));
  obj->angle = text_to_double(t.angle);
  obj->layer = usable_layer(t.layer);
  set_style(*obj, t.style);
  obj->params = std::move(p);
  return obj;
}

std::unique_ptr<MarkObject> build_arc_text(const CreationDefaults::ArcText& t) {
  ArcTextParams p;
  p.size_x = text_to_double(t.size_x);
  p.size_y = text_to_double(t.size_y);
  p.radius_x = text_to_double(t.radius_x);
  p.radius_y = text_to_double(t.radius_y);
  p.span = text_to_double(t.span);
  p.line_width_x = text_to_double(t.line_width_x);
  p.line_width_y = text_to_double(t.line_width_y);
  p.downward = t.downward;
  p.font_weight = t.font_weight;
  p.font_italic = t.font_italic;
  p.font_charset = t.font_charset;
  p.face_name = t.face_name;
  p.text = t.text;
  p.chars.assign(static_cast<std::size_t>(CountChars(p.text)), CharRecord{});
  auto obj = new_record(ARC_TEXT, 2 * p.radius_x, 2 * p.radius_y);
  obj->angle = text_to_double(t.angle);
  obj->layer = usable_layer(t.layer);
  set_style(*obj, t.style);
  obj->params = std::move(p);
  return obj;
}

// The record of a shape, text or barcode from the type's defaults.
std::unique_ptr<MarkObject> build_from_defaults(const CreationDefaults& d, int32_t type) {
  std::unique_ptr<MarkObject> obj;
  switch (type) {
    case LINE: {
      const auto& t = d.line;
      const LineParams p{text_to_double(t.length), text_to_double(t.thickness)};
      obj = new_record(type, p.size_x, p.size_y);
      obj->angle = text_to_double(t.angle);
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case RECTANGLE: {
      const auto& t = d.rectangle;
      const RectangleParams p{text_to_double(t.width), text_to_double(t.height),
                              text_to_double(t.edge_size), text_to_double(t.edge_radius),
                              t.edge_style};
      obj = new_record(type, p.size_x, p.size_y);
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case CIRCLE: {
      const auto& t = d.ellipse;
      const CircleParams p{text_to_double(t.size_x), text_to_double(t.size_y),
                           text_to_double(t.edge_size)};
      obj = new_record(type, p.size_x, p.size_y);
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case TRIANGLE: {
      const auto& t = d.triangle;
      const TriangleParams p{text_to_double(t.width), text_to_double(t.height),
                             text_to_double(t.edge_size), t.direction};
      obj = new_record(type, p.size_x, p.size_y);
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case RHOMBIC: {
      const auto& t = d.rhombic;
      const RhombicParams p{text_to_double(t.width), text_to_double(t.height),
                            text_to_double(t.edge_size)};
      obj = new_record(type, p.size_x, p.size_y);
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case POLYGON: {
      const auto& t = d.polygon;
      const PolygonParams p{text_to_double(t.size), text_to_double(t.edge_size),
                            text_to_int(t.edge_count)};
      obj = new_record(type, p.size, p.size);
      obj->keep_aspect = 1;
      set_style(*obj, t.style);
      obj->params = p;
      break;
    }
    case BARCODE: {
      const auto& t = d.barcode;
      BarcodeParams p;
      p.size_x = text_to_double(t.width);
      p.size_y = text_to_double(t.height);
      p.text = t.text.substr(0, kBarcodeTextMax);
      p.display_type = 0;
      p.variable = 0;
      p.bar_width = code39_bar_width(p.size_x, p.text.size());
      obj = new_record(type, p.size_x, p.size_y);
      set_style(*obj, t.style);
      obj->params = std::move(p);
      break;
    }
    case CODE: {
      const auto& t = d.code;
      CodeParams p;
      p.size_x = text_to_double(t.width);
      p.size_y = text_to_double(t.height);
      p.symbology = t.symbology;
      p.ecc = t.ecc;
      p.code_size = t.code_size;
      p.quiet_zone = t.quiet_zone;
      p.gs1 = t.gs1;
      p.data = t.data.substr(0, kCodeDataMax);
      obj = new_record(type, p.size_x, p.size_y);
      // Modules are square: the box keeps its proportions when dragged.
      obj->keep_aspect = p.symbology == kCodeCode128 ? 0 : 1;
      set_style(*obj, t.style);
      obj->params = std::move(p);
      break;
    }
    case LINE_TEXT:
      obj = build_line_text(d.line_text);
      break;
    case ARC_TEXT:
      obj = build_arc_text(d.arc_text);
      break;
    default:
      break;
  }
  return obj;
}

// Adds the record ahead of all others as the only selected object, under its
// list name; the commit's push shows its page and names it in the list.
MarkObject* place(Commit& commit, std::unique_ptr<MarkObject> record, const std::string& name) {
  CketralDoc& doc = commit.doc();
  record->name = name;
  doc.update_screen_rect(*record);
  MarkObject* obj = commit.add(std::move(record));
  if (obj != nullptr) doc.selection = Selection::only(obj->id);
  return obj;
}

bool is_import(int32_t type) {
  return type == PLT || type == BMP || type == VCT;
}

void warn(Operator& op, const std::string& text) {
  op.message(text, kWarning);
}

// `summary` gets what the plot held but does not draw.
std::unique_ptr<MarkObject> import_plt(CketralDoc& doc, const fs::path& path, Operator& op,
                                       std::string& summary) {
  const std::string shown = path.string();
  // The stroke files belong to the object from the start: when the import
  // fails they go with it.
  auto obj = new_record(PLT, 0, 0);
  obj->id = new_object_id();
  const fs::path base = own_scratch_file(*obj, doc.scratch_dir(), "-pen");
  const ReadProgress progress = reading_progress(&op);
  const PltParse parse = ParsePlt(path, base.string(), progress, doc.plot_reading);
  if (progress) op.end_progress();
  for (const std::string& file : parse.pen_file) {
    if (!file.empty()) obj->scratch->keep(file);
  }
  if (parse.result == PltParse::kWrongExtension) {
    warn(op, "The file " + shown +
                 " is not a plot file: its name must end in .plt, .hpgl, .hpg or .hp.");
    return nullptr;
  }
  if (parse.result != PltParse::kRead) {
    warn(op, parse.error.empty() ? "The file " + shown + " cannot be opened." : parse.error);
    return nullptr;
  }
  // An object that could never draw or mark anything is no use to anyone.
  if (!parse.report.drawable()) {
    warn(op, "The file " + shown +
                 " holds nothing that can be drawn: no pen-down move, line or curve.");
    return nullptr;
  }
  std::optional<PltBlock> block = plt_block_from(parse, shown, doc.settings.resolution);
  if (!block) {
    warn(op, "The plot in " + shown +
                 " cannot be given a size: it has no width or height, or the resolution setting"
                 " is negative.");
    return nullptr;
  }
  obj->width = block->init_width;
  obj->height = block->init_height;
  obj->keep_aspect = 1;
  set_style(*obj, OutputStyle{0, 0.05, 0});
  obj->params = std::move(*block);
  summary = parse.report.summary();
  return obj;
}

std::unique_ptr<MarkObject> import_bmp(CketralDoc& doc, const fs::path& path, Operator& op) {
  BmpLoad load = LoadBmp(path, doc.settings.resolution, &op);  // it shows its own refusals
  if (load.result != BmpLoad::kLoaded) return nullptr;
  double width = load.init_width;
  double height = load.init_height;
  if (!(width > 0) || !(height > 0)) {
    // Sized in whole millimetres an image under 1 mm would have no size at
    // all; such an image takes its exact size instead.
    const int32_t resolution = doc.settings.resolution;
    const double per_mm = resolution >= 2 ? static_cast<double>(resolution) : 40.0;
    width = load.width_px / per_mm;
    height = load.height_px / per_mm;
  }
  if (!(width > 0) || !(height > 0)) {
    warn(op, "The image in " + path.string() + " has no pixels.");
    return nullptr;
  }
  BmpBlock b;
  b.source_path = path.string();
  b.style = 0;
  b.width_px = load.width_px;
  b.height_px = load.height_px;
  b.image_width = width;
  b.image_height = height;
  b.bits_offset = load.bits_offset;
  b.top_down = load.top_down;
  b.dib = SharedBytes(std::move(load.dib));
  auto obj = new_record(BMP, width, height);
  obj->keep_aspect = 1;
  set_style(*obj, OutputStyle{0, doc.defaults.bmp.fill_pitch, 0});
  obj->params = std::move(b);
  return obj;
}

std::unique_ptr<MarkObject> import_vct(CketralDoc& doc, const fs::path& path, Operator& op) {
  const std::string shown = path.string();
  ReadResult file;
  const std::optional<VctHeader> header = read_vct_header(path, &file);
  if (!header) {
    warn(op, file.ok()        ? "The file " + shown + " is not a VCT file."
             : file.missing() ? "The file " + shown + " cannot be opened."
                              : file.message);
    return nullptr;
  }
  std::optional<VctBlock> block = vct_block_from(*header, shown);
  if (!block) {
    warn(op, "The outlines in " + shown +
                 " have no size to scale: XMAX equals XMIN or YMAX equals YMIN.");
    return nullptr;
  }
  auto obj = new_record(VCT, block->init_width, block->init_height);
  obj->keep_aspect = 1;
  set_style(*obj, doc.defaults.vct.style);
  obj->params = std::move(*block);
  return obj;
}

// The import steps after the file is chosen; the name was taken first.
// What a plot does not draw is said once the object is there, through `op`
// unless `plot_summary` takes it.
MarkObject* import_chosen(CketralDoc& doc, int32_t type, const fs::path& path,
                          const std::string& name, Operator& op, std::string* plot_summary) {
  std::unique_ptr<MarkObject> record;
  std::string summary;
  if (type == PLT) record = import_plt(doc, path, op, summary);
  if (type == BMP) record = import_bmp(doc, path, op);
  if (type == VCT) record = import_vct(doc, path, op);
  if (!record) return nullptr;
  Commit commit(doc);
  MarkObject* obj = place(commit, std::move(record), name);
  if (obj == nullptr) return nullptr;
  commit.push("Import " + name);
  doc.invalidate_all();
  if (plot_summary != nullptr) {
    *plot_summary = summary;
  } else if (!summary.empty()) {
    warn(op, "The plot " + path.string() + " was imported; " + summary + ".");
  }
  return obj;
}

FileRequest import_request(int32_t type) {
  FileRequest r;
  r.save = false;
  r.overwrite_prompt = true;
  if (type == PLT) {
    r.initial_name = "*.plt";
    r.filter = kPlotFileFilter;
  } else if (type == BMP) {
    r.initial_name = "*.bmp";
    r.filter = "BMP File(*.bmp)|*.bmp|";
  } else {
    r.initial_name = "*.vct";
    r.filter = "VCT File(*.vct)|*.vct|";
  }
  return r;
}

}  // namespace

int32_t creation_type(int32_t command_id) {
  switch (command_id) {
    case kCmdLine:
      return LINE;
    case kCmdRectangle:
      return RECTANGLE;
    case kCmdCircle:
      return CIRCLE;
    case kCmdLineText:
      return LINE_TEXT;
    case kCmdArcText:
      return ARC_TEXT;
    case kCmdPlt:
      return PLT;
    case kCmdBmp:
      return BMP;
    case kCmdVct:
      return VCT;
    case kCmdTriangle:
      return TRIANGLE;
    case kCmdRhombus:
      return RHOMBIC;
    case kCmdPolygon:
      return POLYGON;
    case kCmdBarcode:
      return BARCODE;
    case kCmdCode:
      return CODE;
    default:
      return NONE;
  }
}

MarkObject* CreateObject(CketralDoc& doc, int32_t type, Operator& op) {
  if (!is_object_type(type)) return nullptr;
  const std::string name = next_object_name(doc.object_list, object_prefix(type));
  if (is_import(type)) {
    const std::optional<fs::path> chosen = op.choose_file(import_request(type));
    if (!chosen) return nullptr;
    return import_chosen(doc, type, *chosen, name, op, nullptr);
  }
  std::unique_ptr<MarkObject> record = build_from_defaults(doc.defaults, type);
  if (!record) return nullptr;
  Commit commit(doc);
  MarkObject* obj = place(commit, std::move(record), name);
  if (obj == nullptr) return nullptr;
  if (auto* p = obj->block<LineTextParams>()) {
    p->glyph_file = own_scratch_file(*obj, doc.scratch_dir(), ".txt").string();
  }
  if (auto* p = obj->block<ArcTextParams>()) {
    p->glyph_file = own_scratch_file(*obj, doc.scratch_dir(), ".txt").string();
  }
  // A glyph file that cannot be written leaves the text undrawn, as the text
  // pages do; the object stays.
  if (obj->type == LINE_TEXT || obj->type == ARC_TEXT) WriteObjectGlyphFile(doc, *obj);
  commit.push("Create " + name);
  doc.invalidate_selection(obj->width, obj->height, obj->angle);
  return obj;
}

MarkObject* ImportFile(CketralDoc& doc, int32_t type, const std::filesystem::path& path,
                       Operator& op, std::string* plot_summary) {
  if (plot_summary != nullptr) plot_summary->clear();
  if (!is_import(type)) return nullptr;
  const std::string name = next_object_name(doc.object_list, object_prefix(type));
  return import_chosen(doc, type, path, name, op, plot_summary);
}

}  // namespace lumetch
