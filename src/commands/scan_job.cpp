#include "commands/scan_job.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <utility>

#include "commands/draw_object.h"
#include "commands/engrave.h"
#include "geometry/mapping.h"
#include "model/units.h"
#include "platform/text_file.h"
#include "scan/raster_scan.h"
#include "scan/trace_outlines.h"

namespace lumetch {

namespace {

// Draws every colour black. Objects draw in their layer colours, and the
// layer "White" would otherwise vanish from the raster: whatever an object
// draws is a drawn part to the scan.
class BlackRasterCanvas : public RasterCanvas {
 public:
  using RasterCanvas::RasterCanvas;
  void set_pen(const Pen& pen) override {
    Pen p = pen;
    p.colour = Rgb{};
    RasterCanvas::set_pen(p);
  }
  void set_brush(const Brush& brush) override {
    Brush b = brush;
    b.colour = Rgb{};
    RasterCanvas::set_brush(b);
  }
  void set_pixel(int32_t x, int32_t y, Rgb /*colour*/) override {
    RasterCanvas::set_pixel(x, y, Rgb{});
  }
};

// |nearest_int(mm × resolution)|, saturated rather than overflowing.
int32_t raster_size(double mm, int32_t resolution) {
  const int64_t n = std::llabs(int64_t{nearest_int(resolution * mm)});
  return static_cast<int32_t>(std::min<int64_t>(n, std::numeric_limits<int32_t>::max()));
}

ConvertResult failed(std::string message) {
  return ConvertResult{false, false, false, std::move(message)};
}

ConvertResult cannot_write(const std::filesystem::path& path, const std::string& reason) {
  return failed("The file " + path.string() + " cannot be written" +
                (reason.empty() ? std::string() : ": " + reason) + ".");
}

// Nothing of a stopped conversion is kept: a cut-short file would look whole.
ConvertResult stopped(const std::filesystem::path& path) {
  return ConvertResult{false, false, true,
                       "Stopped by Escape: " + path.string() +
                           " was not written; a file already there stays as it was."};
}

// Escape pressed while nothing polled for it (drawing the raster, the
// conversions that make no pen moves).
bool escape_pressed(Operator& op) {
  while (const auto key = op.next_key()) {
    if (key->kind == KeyEvent::Kind::Down && key->key == kKeyEscape) return true;
  }
  return false;
}

// The scanning PLT: the runs, then its ending, in a file of its own.
ConvertResult write_scanning_plt(const ScanRaster& raster, PenEmitter& pen,
                                 const std::filesystem::path& path) {
  CketralDoc& doc = pen.doc();
  const MarkSettings& s = doc.settings;
  AtomicFile out;
  if (!out.open(path)) return cannot_write(path, out.reason());
  std::FILE* const file = out.file();
  errno = 0;
  bool ok = RasterScan(raster, pen, file);
  if (doc.stop_requested != 0) return stopped(path);
  if (ok) {
    if (s.pen_home == 0) {
      ok = std::fputs("PU;", file) >= 0;
    } else {
      ok = pen.EmitMoveToFile(nearest_int((s.mark_size_x / 2 + s.pen_x) * s.rate_x * kUnitsPerMm),
                              nearest_int((s.mark_size_y / 2 + s.pen_y) * s.rate_y * kUnitsPerMm),
                              false, file);
    }
    // Escape at the park move: the file would lack its ending.
    if (doc.stop_requested != 0) return stopped(path);
  }
  if (!ok) {
    const int error = errno != 0 ? errno : EIO;
    out.abandon();
    return cannot_write(path, std::generic_category().message(error));
  }
  if (!out.commit()) return cannot_write(path, out.reason());
  return ConvertResult{true, true, false, {}};
}

ConvertResult convert(PenEmitter& pen, const std::filesystem::path& path) {
  CketralDoc& doc = pen.doc();
  const int32_t style = doc.settings.convert_style;
  if (style < 0 || style > 3) {
    return failed("Unknown conversion style " + std::to_string(style) + ": nothing was written.");
  }
  if (doc.ring.is_empty()) return failed("There is nothing to convert: the layout is empty.");
  // Refused before the work: a device or a FIFO is never replaced by a file.
  std::string reason;
  if (!is_writable_output(path, &reason)) return cannot_write(path, reason);
  std::string error;
  const std::optional<ScanRaster> raster = BuildScanRaster(doc, &error, &pen);
  if (doc.stop_requested != 0 || escape_pressed(pen.op())) return stopped(path);
  if (!raster) return failed(error);
  pen.progress().kind = JobProgress::Kind::Converting;

  switch (style) {
    case 0:
      return write_scanning_plt(*raster, pen, path);
    case 1:
      if (WriteScanBmp(*raster, doc.settings.resolution, path, &reason)) {
        return {true, true, false, {}};
      }
      return cannot_write(path, reason);
    default: {
      const TraceResult t = TraceOutlines(*raster, pen, path, style);
      if (t.stopped) return stopped(path);
      if (!t.ok) return t.error.empty() ? cannot_write(path, {}) : failed(t.error);
      ConvertResult result{true, t.file_written, false, {}};
      if (!t.file_written) {
        result.message = "No outline was found in the scanning area: no file was written.";
      }
      return result;
    }
  }
}

}  // namespace

std::optional<ScanRaster> BuildScanRaster(CketralDoc& doc, std::string* error, PenEmitter* pen) {
  if (doc.ring.is_empty()) return std::nullopt;
  const MarkSettings& s = doc.settings;
  const int32_t w = raster_size(s.scan_size_x, s.resolution);
  const int32_t h = raster_size(s.scan_size_y, s.resolution);
  std::optional<ScanRaster> raster = ScanRaster::create(w, h);
  if (!raster) {
    if (error != nullptr) {
      const std::string size = std::to_string(w) + " x " + std::to_string(h);
      *error = w == 0 || h == 0 ? "The scanning area of " + size +
                                      " pixels is empty: check its size and the resolution."
                                : "The scan raster of " + size + " pixels cannot be allocated.";
    }
    return std::nullopt;
  }

  doc.raster_left = s.scan_cent_x - s.scan_size_x / 2;
  doc.raster_top = s.scan_size_y / 2 + s.scan_cent_y;
  doc.raster_width = w;
  doc.raster_height = h;
  doc.raster_mode = 1;
  // Generators given no canvas would mark while a job runs; here they draw.
  const int32_t engraving = doc.engraving;
  doc.engraving = 0;

  BlackRasterCanvas canvas(*raster);
  // The pen only counts and polls: with a canvas every generator draws.
  GeomContext g{doc, pen};
  JobProgress* const progress = pen != nullptr ? &pen->progress() : nullptr;
  if (progress != nullptr) {
    progress->kind = JobProgress::Kind::Drawing;
    progress->objects_done = 0;
    progress->objects_total = static_cast<int64_t>(doc.ring.size());
  }
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (doc.stop_requested != 0) break;
    if (progress != nullptr) {
      progress->copies_done = 0;
      progress->copies_total = 0;
      pen->pace_afresh();
    }
    DrawObject(g, &canvas, obj);
    if (progress != nullptr) ++progress->objects_done;
  }
  if (progress != nullptr) {
    progress->objects_total = 0;
    progress->copies_total = 0;
  }

  doc.engraving = engraving;
  doc.raster_mode = 0;
  doc.raster_width = 0;
  doc.raster_height = 0;
  return raster;
}

void ScanJob(PenEmitter& pen) {
  CketralDoc& doc = pen.doc();
  std::string error;
  const std::optional<ScanRaster> raster = BuildScanRaster(doc, &error, &pen);
  // Escape while drawing: nothing is marked.
  if (doc.stop_requested != 0) return;
  pen.progress().kind = JobProgress::Kind::Marking;
  if (!raster) {
    if (!error.empty()) {
      pen.op().message(error, "Warning");
      // Nothing was marked: the job must not report itself done.
      doc.stop_requested = 1;
    }
    return;
  }

  const MarkSettings& s = doc.settings;
  const std::string& mode =
      s.pen_add[0] != 0 ? doc.view.stable_speed_cmd : doc.view.variable_speed_cmd;
  char header[128];
  if (pen.short_header_dialect()) {
    std::snprintf(header, sizeof header, "%sVS%d;", mode.c_str(), s.speed[0]);
  } else {
    std::snprintf(header, sizeof header, "%sDA%d;VS%d;", mode.c_str(), s.power[0], s.speed[0]);
  }
  pen.Send(header);
  RasterScan(*raster, pen);
}

ConvertResult ConvertFile(PenEmitter& pen, const std::filesystem::path& path) {
  CketralDoc& doc = pen.doc();
  Operator& op = pen.op();
  op.set_status(0, kOutputtingStatus);
  // A stop left over from the last job's park move would end the scan
  // before its first line and leave an empty file.
  doc.stop_requested = 0;
  pen.begin_progress(JobProgress::Kind::Drawing);
  ConvertResult result = convert(pen, path);
  pen.end_progress();
  // Nor may this conversion's Escape outlive it: drawing stops at the flag too.
  doc.stop_requested = 0;
  op.set_status(0, " ");
  return result;
}

}  // namespace lumetch
