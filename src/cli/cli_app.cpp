#include "cli/cli_app.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/engrave.h"
#include "commands/field_position.h"
#include "commands/job_bounds.h"
#include "commands/job_fields.h"
#include "commands/job_resume.h"
#include "commands/layout_commands.h"
#include "commands/scan_job.h"
#include "commands/session.h"
#include "geometry/code_symbol.h"
#include "imports/plt.h"
#include "marker/marker_sim.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/code_params.h"
#include "model/field_table.h"
#include "model/layout_file.h"
#include "model/units.h"
#include "platform/cli_operator.h"
#include "platform/job_lock.h"
#include "platform/scratch_folder.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

// The private folder for the glyph and stroke files of the layout's objects,
// so that marking never writes or deletes files named like txt1.txt in the
// caller's folder.
using GlyphFolder = ScratchFolder;

constexpr const char* kUsage =
    "Usage: lumetch-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  mark LAYOUT.mrk   run the engraving job on a layout, with the settings of the\n"
    "                    current directory (\"$.1\", \"fix.txt\", \"port.txt\"); when\n"
    "                    variable texts advance, the layout is saved with the next\n"
    "                    serial numbers (and data row); a job that stops leaves\n"
    "                    LAYOUT.mrk.resume, which --resume goes on from\n"
    "  import FILE LAYOUT.mrk\n"
    "                    add a plot (.plt, .hpgl, .hpg, .hp), BMP or VCT file as a new\n"
    "                    object to the layout (made when it does not exist yet) and save\n"
    "                    it; what a plot holds but does not draw is said in a line\n"
    "                    \"plot: ...\"; a plot with nothing to draw is refused\n"
    "  add-code LAYOUT.mrk --symbology qr|datamatrix|code128 --data TEXT\n"
    "                    add a QR, Data Matrix or Code 128 code as a new object to the\n"
    "                    layout (made when it does not exist yet) and save it; data the\n"
    "                    code cannot hold is refused with the encoder's reason and the\n"
    "                    layout is left as it was\n"
    "  data LAYOUT.mrk [--csv FILE | --no-csv] [--next-row N] [--shifts TABLE]\n"
    "                    print the data source of the layout's data fields ({csv:COL},\n"
    "                    {date:FMT}, {shift}, ...); with options, change it and save:\n"
    "                    the data file (a CSV with a header row; a relative path is taken\n"
    "                    from the layout's folder), the row the next pass takes, and the\n"
    "                    shift table \"06:00=A;14:00=B;22:00=C\"\n"
    "  list LAYOUT.mrk [--fields]\n"
    "                    print the layout's objects; --fields adds every field of\n"
    "                    each object's parameters\n"
    "  convert LAYOUT.mrk --style STYLE -o FILE\n"
    "                    draw the layout into the scanning area's raster and write it\n"
    "                    as STYLE: scan-plt (raster lines as pen moves), bmp (one-bit\n"
    "                    bitmap), outline-vct or outline-plt (traced outlines); the\n"
    "                    area comes from \"$.1\", options below override it\n"
    "  move POSITION     move the raised pen to a reference point of the scanning area\n"
    "                    around the field position: centre, centre-top, centre-bottom,\n"
    "                    left-top, left-middle, left-bottom, right-top, right-middle,\n"
    "                    right-bottom (or 0..8)\n"
    "  outline-test      trace the scanning outline at the field position, then move\n"
    "                    to the reference point of \"$.1\"\n"
    "  send TEXT...      send marker commands as they stand, one per argument\n"
    "  port              print the marker channel that would be used\n"
    "\n"
    "Options:\n"
    "  --port CHANNEL    sim, null, the path of a printer device, FIFO or existing\n"
    "                    file, or file:PATH to record into a file made when missing\n"
    "                    (default: port.txt, else /dev/usb/lp0 or /dev/lp0, else sim)\n"
    "  --yes             answer the laser-power check with OK\n"
    "  --allow-outside   mark although moves would leave the marking field\n"
    "  --resume          mark: go on with the stopped job where it stopped, from the\n"
    "                    first command not yet sent (refused when the layout or the\n"
    "                    settings changed since)\n"
    "  --svg FILE        with the sim channel: write what was marked as an SVG picture\n"
    "  --first-pair      read PU, PD and PA of plot files with their first pair only, as\n"
    "                    plots were read before (import, and the plots of the layouts\n"
    "                    that mark and convert open); without it the setting kept in\n"
    "                    \"plot.$\" applies, which this option does not change\n"
    "  --show            with the sim channel: print every command it received\n"
    "  --help            this text\n"
    "\n"
    "Options of add-code (the rest comes from the creation defaults, \"default.$\"):\n"
    "  --size MM         the box's width in mm, quiet zone included (default: the\n"
    "                    defaults' width); QR and Data Matrix are as high as their\n"
    "                    symbol is (MM x MM but for a rectangular Data Matrix), Code 128\n"
    "                    a quarter of MM; --size WxH gives a Code 128 both\n"
    "  --at X,Y          centre on the field in mm (default 0,0)\n"
    "  --negative        mark the light modules instead of the dark ones\n"
    "  --ecc L|M|Q|H     QR error correction (default: the defaults', else the encoder's)\n"
    "  --gs1             data in GS1 form, \"[01]09501101530003\" (Data Matrix, Code 128)\n"
    "  --serial          the data is a serial number (digits): one up after every pass\n"
    "\n"
    "Scanning-area options of convert (and the outline test):\n"
    "  --resolution N    dots per mm           --scan-dot MM      distance of scan lines\n"
    "  --scan-size WxH   area in mm            --scan-centre X,Y  centre on the field, mm\n"
    "  --clip SHAPE      rectangle, ellipse, rhombus, triangle, inverted-triangle\n"
    "  --relief          mark the white parts  --vertical         scan vertical lines\n"
    "\n"
    "Ctrl-C during marking acts as the Escape key; SIGTERM, SIGHUP and SIGQUIT stop the\n"
    "job the same way, and the job always ends by raising the pen.\n"
    "\n"
    "Exit codes of mark: 0 done; 1 cancelled, stopped, or the port or a save failed;\n"
    "2 bad usage or an unreadable layout; 3 marked, but some objects marked nothing\n"
    "(named on stderr); 4 refused before anything was sent (moves outside the field, a\n"
    "damaged layout with serial numbers, a layout that cannot be saved, the layout or the\n"
    "port in use by another job).\n";

// Exit codes of the marking commands.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;   // cancelled, stopped, the port or a save failed
constexpr int kExitUsage = 2;    // bad usage, a layout that cannot be read
constexpr int kExitSkipped = 3;  // marked, but some objects marked nothing
constexpr int kExitRefused = 4;  // refused before anything was sent

struct Options {
  std::string command;
  std::vector<std::string> args;
  std::optional<std::string> port;
  std::optional<std::string> svg;
  std::map<std::string, std::string> values;  // --style, -o, scanning-area options
  bool yes = false;
  bool show = false;
  bool allow_outside = false;
  bool resume = false;
  bool help = false;
  bool relief = false;
  bool fields = false;
  bool vertical = false;
  bool first_pair = false;
  bool negative = false;  // add-code
  bool gs1 = false;
  bool serial = false;
  bool no_csv = false;  // data
};

constexpr const char* kValueOptions[] = {
    "--style",       "-o",         "--output", "--resolution", "--scan-size",
    "--scan-centre", "--scan-dot", "--clip",   "--symbology",  "--data",
    "--size",        "--at",       "--ecc",    "--csv",        "--next-row",
    "--shifts"};

std::optional<Options> parse(int argc, const char* const* argv, std::ostream& err) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* name) -> std::optional<std::string> {
      if (i + 1 >= argc) {
        err << "lumetch-cli: " << name << " needs a value\n";
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--yes" || a == "-y") {
      o.yes = true;
    } else if (a == "--show") {
      o.show = true;
    } else if (a == "--allow-outside") {
      o.allow_outside = true;
    } else if (a == "--resume") {
      o.resume = true;
    } else if (a == "--port") {
      o.port = value("--port");
      if (!o.port) return std::nullopt;
    } else if (a == "--svg") {
      o.svg = value("--svg");
      if (!o.svg) return std::nullopt;
    } else if (a == "--fields") {
      o.fields = true;
    } else if (a == "--relief") {
      o.relief = true;
    } else if (a == "--vertical") {
      o.vertical = true;
    } else if (a == "--first-pair") {
      o.first_pair = true;
    } else if (a == "--negative") {
      o.negative = true;
    } else if (a == "--gs1") {
      o.gs1 = true;
    } else if (a == "--serial") {
      o.serial = true;
    } else if (a == "--no-csv") {
      o.no_csv = true;
    } else if (std::find(std::begin(kValueOptions), std::end(kValueOptions), a) !=
               std::end(kValueOptions)) {
      const auto v = value(a.c_str());
      if (!v) return std::nullopt;
      o.values[a == "--output" ? "-o" : a] = *v;
    } else if (a.size() > 1 && a[0] == '-' && o.command != "send" &&
               !(o.command == "move" && a.size() > 1 &&
                 std::isdigit(static_cast<unsigned char>(a[1])))) {
      err << "lumetch-cli: unknown option " << a << "\n";
      return std::nullopt;
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.args.push_back(a);
    }
  }
  return o;
}

// Starts the run from the working directory's files. A settings file that is
// there but cannot be read stops the command: its defaults are not what the
// operator set. So does "port.txt" for a command that marks without --port.
bool start_cli_session(CketralDoc& doc, const Options& o, std::ostream& err, bool uses_port) {
  const SessionStart start = start_session(doc, std::filesystem::current_path());
  // For this run only: the CLI never writes "plot.$".
  if (o.first_pair) doc.plot_reading = PlotReading::kFirstPairOnly;
  for (const std::string& m : start.unreadable)
    err << "lumetch-cli " << o.command << ": " << m << "\n";
  bool ok = start.ok();
  if (uses_port && !o.port) {
    const PortFile port = read_port_file(doc.work_dir);
    if (port.unreadable()) {
      err << "lumetch-cli " << o.command << ": " << port.message << "\n";
      ok = false;
    }
  }
  if (!ok) err << "lumetch-cli " << o.command << ": nothing was done\n";
  return ok;
}

// The marker side of a run: the chosen channel, and the simulator behind "sim".
struct Marker {
  MarkerSim sim;
  std::string channel_name;
  std::unique_ptr<PortWriter> port;

  Marker(const std::filesystem::path& dir, const std::optional<std::string>& override)
      : channel_name(choose_port(dir, override)),
        port(std::make_unique<PortWriter>(make_channel(channel_name, &sim))) {
    // A marker that takes nothing must not hold the job past SIGTERM or the
    // third Ctrl-C.
    port->channel().set_give_up(&CliOperator::give_up_blocked_write);
  }

  bool is_sim() const { return channel_name == "sim"; }

  // Prints and writes what the simulator received, as asked.
  bool report(const Options& o, const MarkSettings& s, std::ostream& out, std::ostream& err) {
    if (!is_sim()) {
      if (o.svg || o.show) err << "lumetch-cli: --svg and --show need the sim channel\n";
      return true;
    }
    if (o.show) {
      for (const std::string& c : sim.commands()) out << c << "\n";
    }
    out << "sim: " << sim.commands().size() << " commands, " << sim.strokes().size() << " strokes, "
        << sim.marked_moves() << " marked moves, marked length "
        << static_cast<long long>(sim.marked_length()) << " units\n";
    if (o.svg) {
      std::ofstream f(*o.svg, std::ios::binary | std::ios::trunc);
      if (f) {
        sim.write_svg(f, nearest_int(s.mark_size_x * s.rate_x * kUnitsPerMm),
                      nearest_int(s.mark_size_y * s.rate_y * kUnitsPerMm));
        f.close();
      }
      if (!f) {
        err << "lumetch-cli: cannot write " << *o.svg << "\n";
        return false;
      }
      out << "sim: picture written to " << *o.svg << "\n";
    }
    return true;
  }
};

int cmd_port(const Options& o, std::ostream& out, std::ostream& err) {
  if (!o.port) {
    const PortFile port = read_port_file(std::filesystem::current_path());
    if (port.unreadable()) {
      err << "lumetch-cli port: " << port.message << "\n";
      return 2;
    }
  }
  out << choose_port(std::filesystem::current_path(), o.port) << "\n";
  return 0;
}

int cmd_send(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  if (o.args.empty()) {
    err << "lumetch-cli send: give at least one command, e.g. \"PU0,0;\"\n";
    return 2;
  }
  CliOperator op(in, err, o.yes);
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, true)) return 2;
  Marker m(doc.work_dir, o.port);
  JobLock port_lock;
  if (const std::string e = port_lock.lock_port(m.channel_name); !e.empty()) {
    err << "lumetch-cli send: " << e << "\n";
    return kExitRefused;
  }
  PenEmitter pen(doc, *m.port, op);  // reports a failing port once
  out << "channel: " << m.channel_name << "\n";
  std::size_t sent = 0;
  {
    CliOperator::begin_job();
    for (const std::string& text : o.args) {
      // Raw commands have no moves to poll at: Ctrl-C is looked at between them.
      if (CliOperator::pending_interrupts() > 0 || CliOperator::end_signal() != 0) break;
      if (!pen.Send(text)) break;
      ++sent;
    }
  }
  out << "send: " << sent << " of " << o.args.size() << " commands sent to " << m.channel_name;
  if (sent < o.args.size() && !m.port->failed())
    out << " — stopped by " << CliOperator::stop_cause();
  out << "\n";
  const bool reported = m.report(o, doc.settings, out, err);
  if (m.port->failed() || sent < o.args.size()) return 1;
  return reported ? 0 : 1;
}

std::string outcome_text(EngraveResult::Outcome outcome) {
  switch (outcome) {
    case EngraveResult::Outcome::Done:
      return "done";
    case EngraveResult::Outcome::Cancelled:
      return "cancelled at the laser-power check";
    case EngraveResult::Outcome::Stopped:
      return std::string("stopped by ") + CliOperator::stop_cause();
    case EngraveResult::Outcome::PortFailed:
      return "stopped: the marker port failed";
    case EngraveResult::Outcome::Busy:
      return "a job is already running";
    case EngraveResult::Outcome::SerialFailed:
      return "stopped: a serial number could not be advanced";
    case EngraveResult::Outcome::SerialNotSaved:
      return "stopped: a marked serial number could not be saved";
    case EngraveResult::Outcome::PortInUse:
      return "refused: the marker port is in use by another job";
    case EngraveResult::Outcome::DataFailed:
      return "stopped: a data field could not be filled";
  }
  return "";
}

// Serial numbers and data rows: what a job stores in the layout as it goes.
bool has_serial_numbers(const CketralDoc& doc) {
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (const auto* p = obj.block<LineTextParams>(); p != nullptr && p->variable != 0) return true;
    if (const auto* p = obj.block<BarcodeParams>(); p != nullptr && p->variable != 0) return true;
    if (const auto* p = obj.block<CodeParams>(); p != nullptr && p->variable != 0) return true;
  }
  return false;
}

std::string line_list(const std::vector<int>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 8) return out + " and " + std::to_string(lines.size() - i) + " more";
    out += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
  }
  return out;
}

int cmd_mark(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  if (o.args.size() != 1) {
    err << "lumetch-cli mark: give one layout file\n";
    return kExitUsage;
  }
  // First of all: from here on a signal removes the scratch folder or stops the job.
  CliOperator op(in, err, o.yes);
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, true)) return 2;
  const std::filesystem::path layout = o.args[0];
  // Locked before it is read, so that the numbers read are the ones the last
  // job stored and no other job marks them meanwhile.
  JobLock layout_lock;
  if (const std::string e = layout_lock.lock_layout(layout); !e.empty()) {
    err << "lumetch-cli mark: " << e << "\n";
    return kExitRefused;
  }
  const GlyphFolder glyphs;
  if (glyphs.path().empty()) {
    err << "lumetch-cli mark: cannot create a temporary folder for the text outlines\n";
    return kExitFailed;
  }
  doc.scratch_directory = glyphs.path();
  const OpenResult opened = open_layout_file(doc, layout, &op);
  if (!opened.opened()) {
    err << "lumetch-cli mark: cannot open the layout " << layout.string() << "\n";
    return kExitUsage;
  }
  const bool serials = has_serial_numbers(doc);
  // Without serial numbers nothing is stored: other jobs may mark it too.
  if (!serials) layout_lock = JobLock{};
  if (!opened.damaged_lines.empty()) {
    const std::string lines = line_list(opened.damaged_lines);
    if (serials) {
      // Saving the next numbers would drop those lines for good.
      err << "lumetch-cli mark: " << layout.string() << " has damaged lines (line " << lines
          << "): a damaged record, an unknown type or layer, or a text cut short or with too "
             "many character lines. Its serial numbers could not be saved without losing "
             "them, so nothing was marked. Mend or remove those lines first.\n";
      return kExitRefused;
    }
    err << "lumetch-cli mark: damaged lines of the layout were skipped (line " << lines << ")\n";
  }

  const FieldCheck field = CheckJobField(doc);
  if (!field.inside()) {
    err << describe_outside(field);
    if (!o.allow_outside) {
      err << "lumetch-cli mark: nothing was marked; give --allow-outside to mark all the same\n";
      return kExitRefused;
    }
  }

  Marker m(doc.work_dir, o.port);
  JobLock port_lock;
  if (const std::string e = port_lock.lock_port(m.channel_name); !e.empty()) {
    err << "lumetch-cli mark: " << e << "\n";
    return kExitRefused;
  }
  // Stored once before marking: a layout that cannot be stored is found out
  // before a number is marked that could not be recorded.
  if (serials && !save_layout(doc, layout, true, false)) {
    err << "lumetch-cli mark: " << layout.string()
        << " cannot be saved (read-only, or no space left), so its serial numbers could not "
           "advance; nothing was marked\n";
    return kExitRefused;
  }
  // The stopped job this one goes on with, checked before the power check.
  const std::filesystem::path resume_file = resume_path(layout);
  std::optional<ResumeRecord> resume;
  if (o.resume) {
    ResumeRead read = read_resume_record(resume_file);
    if (!read.record) {
      err << "lumetch-cli mark: "
          << (read.error.empty() ? "there is no stopped job to resume (no " +
                                       resume_file.string() + ")"
                                 : read.error)
          << "; nothing was marked\n";
      return kExitRefused;
    }
    if (const std::string why = resume_refusal(doc, *read.record); !why.empty()) {
      err << "lumetch-cli mark: " << why << " Nothing was marked.\n";
      return kExitRefused;
    }
    resume = std::move(read.record);
  }
  PenEmitter pen(doc, *m.port, op);
  err << "channel: " << m.channel_name << "\n";
  EngraveHooks hooks;
  if (resume) hooks.resume = &resume->at;
  hooks.data_advanced = [&]() -> std::optional<std::string> {
    if (save_layout(doc, layout, true, false)) return std::nullopt;
    return "A data row was marked, but the layout " + layout.string() +
           " could not be saved (read-only, or no space left); it still points at that row. "
           "Set the next row before marking again.";
  };
  hooks.serial_advanced = [&](const MarkObject& obj,
                              const std::string& marked) -> std::optional<std::string> {
    // Each number is stored as soon as it is marked, so that a stop, a signal
    // or a crash leaves the next one in the layout.
    if (save_layout(doc, layout, true, false)) return std::nullopt;
    return "The serial number " + marked + " of " + object_name(doc, obj) +
           " was marked, but the layout " + layout.string() +
           " could not be saved (read-only, or no space left); it still holds " + marked +
           ". Set the next number before marking again.";
  };
  // From here on no signal ends the program before the serial numbers are stored.
  CliOperator::begin_job();
  const EngraveResult r = Engrave(pen, hooks);
  out << "mark: " << doc.ring.size() << " objects, " << r.passes << " passes, " << r.commands_sent
      << " commands sent to " << m.channel_name << " — " << outcome_text(r.outcome);
  if (!r.pen_parked) out << "; the pen could not be parked";
  if (!r.skipped.empty()) out << "; " << r.skipped.size() << " object(s) marked nothing";
  out << "\n";
  if (!r.skipped.empty()) {
    err << "lumetch-cli mark: " << r.skipped.size() << " object(s) marked nothing:";
    for (const EngraveResult::Skipped& k : r.skipped)
      err << " " << k.name << " (" << k.reason << ");";
    err << "\n";
  }
  if (r.texts_changed && r.outcome != EngraveResult::Outcome::SerialNotSaved) {
    out << "serial numbers advanced; " << layout.string() << " saved with the next ones\n";
  }
  if (r.data_advanced && r.outcome != EngraveResult::Outcome::SerialNotSaved) {
    out << "data rows used up to row " << doc.variable_data.next_row << "; " << layout.string()
        << " saved with the next one\n";
  }
  if (r.outcome == EngraveResult::Outcome::Done) {
    remove_resume_record(resume_file);
  } else if (r.stopped_at) {
    // Written from the layout as it now stands: it already holds the numbers
    // of the stopped pass.
    ResumeRecord rec{layout_fingerprint(doc), {}, *r.stopped_at};
    if (r.stopped_at->object >= 0) {
      int32_t i = 0;
      for (const MarkObject& obj : doc.ring.oldest_first()) {
        if (i++ == r.stopped_at->object) rec.object_name = object_name(doc, obj);
      }
    }
    std::string why;
    if (write_resume_record(resume_file, rec, &why)) {
      out << "stopped in " << (rec.object_name.empty() ? "the scan" : rec.object_name)
          << ", pass " << rec.at.pass + 1 << ", after " << rec.at.commands
          << " commands of it; go on with: lumetch-cli mark --resume " << layout.string() << "\n";
    } else {
      err << "lumetch-cli mark: where the job stopped could not be recorded in "
          << resume_file.string() << " (" << why << "); it cannot be resumed\n";
    }
  }
  if (r.outcome == EngraveResult::Outcome::Cancelled) return kExitFailed;
  const bool reported = m.report(o, doc.settings, out, err);
  if (r.outcome != EngraveResult::Outcome::Done) return kExitFailed;
  if (!r.skipped.empty()) return kExitSkipped;
  return reported ? kExitDone : kExitFailed;
}

const char* type_name(int32_t type) {
  static constexpr const char* kNames[] = {
      "",    "line",     "rectangle", "circle",  "line text", "PLT", "arc text",
      "BMP", "triangle", "rhombus",   "polygon", "barcode",   "VCT",      "code"};
  return is_object_type(type) ? kNames[type] : "?";
}

// What sets an object apart in a listing: its text or its file.
std::string object_detail(const MarkObject& obj) {
  // Built by appending: GCC 12 warns falsely about "literal" + string at -O3.
  std::string out;
  auto text = [&out](const std::string& bytes, int32_t variable) {
    out.append(1, '"').append(cp932_to_utf8(bytes)).append(1, '"');
    if (variable == 1) out.append(" (serial)");
    if (variable == 2) out.append(" (fields)");
  };
  if (const auto* p = obj.block<LineTextParams>()) {
    text(p->text, p->variable);
    out.append(1, ' ').append(cp932_to_utf8(p->face_name));
  } else if (const auto* a = obj.block<ArcTextParams>()) {
    text(a->text, 0);
    out.append(1, ' ').append(cp932_to_utf8(a->face_name));
  } else if (const auto* b = obj.block<BarcodeParams>()) {
    text(b->text, b->variable);
  } else if (const auto* c = obj.block<CodeParams>()) {
    static constexpr const char* kSymbologies[] = {"QR", "Data Matrix", "Code 128"};
    out.append(c->symbology >= 0 && c->symbology <= 2 ? kSymbologies[c->symbology] : "?");
    out.append(c->display_type == 1 ? " negative " : " ");
    text(c->data, c->variable);
  } else if (const auto* plt = obj.block<PltBlock>()) {
    out = plt->source_path;
  } else if (const auto* bmp = obj.block<BmpBlock>()) {
    out = bmp->source_path;
  } else if (const auto* vct = obj.block<VctBlock>()) {
    out = vct->source_path;
  }
  return out;
}

int cmd_list(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.args.size() != 1) {
    err << "lumetch-cli list: give one layout file\n";
    return 2;
  }
  CketralDoc doc;
  // Listing reads records only: no glyph or stroke files, no prompts.
  const OpenResult opened = open_layout(doc, o.args[0]);
  if (!opened.opened()) {
    err << "lumetch-cli list: cannot open the layout " << o.args[0] << ": " << opened.file.reason
        << "\n";
    return 2;
  }
  if (opened.lines_skipped > 0) {
    err << "lumetch-cli list: " << opened.lines_skipped
        << " damaged or unknown line(s) of the layout were skipped\n";
  }
  out << o.args[0] << ": " << doc.ring.size() << " objects\n";
  int index = 1;
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    out << index << "  " << obj.name << "  " << type_name(obj.type) << "  centre "
        << trim_blanks(format_fixed(obj.cent_x, 7, 3)) << ", "
        << trim_blanks(format_fixed(obj.cent_y, 7, 3)) << " mm  size "
        << trim_blanks(format_fixed(obj.width, 7, 3)) << " x "
        << trim_blanks(format_fixed(obj.height, 7, 3)) << " mm";
    if (obj.rows != 1 || obj.columns != 1)
      out << "  " << obj.columns << " x " << obj.rows << " copies";
    out << "  layer " << obj.layer;
    const std::string detail = object_detail(obj);
    if (!detail.empty()) out << "  " << detail;
    out << "\n";
    if (o.fields) {
      // Every field of the object's block, as its table names and writes it.
      out << "   ";
      for (const FieldValue& f : field_values(obj.params)) {
        out << " " << f.name << " ";
        if (f.text) {
          out << '"' << cp932_to_utf8(f.value) << '"';
        } else {
          out << f.value << f.unit;
        }
      }
      out << "\n";
    }
    ++index;
  }
  return 0;
}

// Opens the layout a command adds to: a missing one is made new; anything
// there that is not a readable regular file, or one with damaged lines
// (saving would drop them for good), is left alone. 0, or the exit code.
int open_layout_to_change(CketralDoc& doc, const std::filesystem::path& layout, CliOperator& op,
                          const char* command, std::ostream& err) {
  const OpenResult opened = open_layout_file(doc, layout, &op);
  if (!opened.opened() && !opened.file.missing()) {
    err << "lumetch-cli " << command << ": cannot open the layout " << layout.string() << ": "
        << opened.file.reason << "\n";
    return 2;
  }
  if (opened.lines_skipped > 0) {
    err << "lumetch-cli " << command << ": " << layout.string() << " has "
        << opened.lines_skipped << " damaged line(s); not changed\n";
    return 1;
  }
  return 0;
}

int cmd_import(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  if (o.args.size() != 2) {
    err << "lumetch-cli import: give the file to import and the layout file\n";
    return 2;
  }
  const std::filesystem::path file = o.args[0];
  const std::filesystem::path layout = o.args[1];
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const int32_t type = has_plot_extension(file) ? PLT
                       : ext == ".bmp"          ? BMP
                       : ext == ".vct"          ? VCT
                                                : NONE;
  if (type == NONE) {
    err << "lumetch-cli import: " << file.string()
        << " is not a plot (.plt, .hpgl, .hpg, .hp), BMP or VCT file (by its extension)\n";
    return 2;
  }
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, false)) return 2;
  const GlyphFolder scratch;
  if (scratch.path().empty()) {
    err << "lumetch-cli import: cannot create a temporary folder\n";
    return 1;
  }
  doc.scratch_directory = scratch.path();
  CliOperator op(in, err, o.yes);
  std::error_code ec;
  if (const int refused = open_layout_to_change(doc, layout, op, "import", err)) return refused;
  const std::filesystem::path source = std::filesystem::absolute(file, ec);
  std::string plot_summary;
  MarkObject* obj = ImportFile(doc, type, ec ? file : source, op, &plot_summary);
  if (obj == nullptr) {
    err << "lumetch-cli import: " << file.string() << " was not imported\n";
    return 1;
  }
  std::string reason;
  if (!save_layout(doc, layout, true, false, &reason)) {
    err << "lumetch-cli import: cannot write the layout " << layout.string() << ": " << reason
        << "\n";
    return 1;
  }
  out << "import: " << doc.ring.head()->next->name << " ("
      << trim_blanks(format_fixed(obj->width, 7, 3)) << " x "
      << trim_blanks(format_fixed(obj->height, 7, 3)) << " mm) added to " << layout.string()
      << ", now " << doc.ring.size() << " objects\n";
  if (!plot_summary.empty()) out << "plot: " << plot_summary << "\n";
  return 0;
}

std::optional<double> number(const std::string& text) {
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc{} || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
    return std::nullopt;
  }
  return v;
}

// Two numbers separated by `sep` ("40x20", "5,-3").
std::optional<std::pair<double, double>> pair_of(const std::string& text, char sep) {
  const std::size_t at = text.find(sep);
  if (at == std::string::npos) return std::nullopt;
  const auto a = number(text.substr(0, at));
  const auto b = number(text.substr(at + 1));
  if (!a || !b) return std::nullopt;
  return std::pair(*a, *b);
}

// What add-code was asked for, read and checked before anything is opened.
struct CodeRequest {
  int32_t symbology = kCodeQr;
  std::string data;
  std::optional<std::pair<double, double>> size;  // width, height in mm
  std::pair<double, double> at{0.0, 0.0};
  int32_t ecc = 0;  // 0: the defaults' choice
};

constexpr const char* kCodeNames[] = {"QR", "Data Matrix", "Code 128"};

// The box and field positions add-code accepts; a marking field is far smaller.
constexpr double kCodeMaxMm = 1000.0;

std::optional<CodeRequest> read_code_request(const Options& o, std::ostream& err) {
  const auto fail = [&err](const std::string& text) {
    err << "lumetch-cli add-code: " << text << "\n";
    return std::nullopt;
  };
  const auto value = [&o](const char* name) -> const std::string* {
    const auto it = o.values.find(name);
    return it == o.values.end() ? nullptr : &it->second;
  };
  CodeRequest r;
  const std::string* symbology = value("--symbology");
  if (symbology == nullptr) return fail("give --symbology qr, datamatrix or code128");
  std::string name = *symbology;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "qr") {
    r.symbology = kCodeQr;
  } else if (name == "datamatrix") {
    r.symbology = kCodeDataMatrix;
  } else if (name == "code128") {
    r.symbology = kCodeCode128;
  } else {
    return fail("unknown symbology " + *symbology + " (qr, datamatrix, code128)");
  }
  const std::string* data = value("--data");
  if (data == nullptr || data->empty()) return fail("give the code's data with --data TEXT");
  if (data->size() > kCodeDataMax) {
    return fail("the data is " + std::to_string(data->size()) +
                " bytes long; a code holds at most " + std::to_string(kCodeDataMax));
  }
  r.data = *data;
  if (o.serial && r.data.find_first_not_of("0123456789") != std::string::npos) {
    // Counting on from anything else would drop the text after the number.
    return fail("--serial needs data of digits only, such as 0001, not \"" + r.data + "\"");
  }
  const auto usable = [](double mm) { return mm > 0 && mm <= kCodeMaxMm; };
  if (const std::string* size = value("--size")) {
    const auto square = number(*size);
    const auto box = pair_of(*size, 'x');
    if (square && usable(*square)) {
      r.size = std::pair(*square, *square / 4);  // a 2D code's height follows its symbol
    } else if (box && r.symbology == kCodeCode128 && usable(box->first) && usable(box->second)) {
      r.size = box;
    } else {
      return fail("--size " + *size + " is not a usable size: give millimetres above 0 and up to " +
                  std::to_string(static_cast<int>(kCodeMaxMm)) +
                  (r.symbology == kCodeCode128 ? ", or WxH" : " (modules are square)"));
    }
  }
  if (const std::string* at = value("--at")) {
    const auto centre = pair_of(*at, ',');
    if (!centre || std::fabs(centre->first) > kCodeMaxMm || std::fabs(centre->second) > kCodeMaxMm)
      return fail("--at " + *at + " is not a usable centre: give X,Y in mm, such as 10,-5");
    r.at = *centre;
  }
  if (const std::string* ecc = value("--ecc")) {
    static constexpr const char* kLevels[] = {"L", "M", "Q", "H"};
    std::string level = *ecc;
    for (char& c : level) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto it = std::find(std::begin(kLevels), std::end(kLevels), level);
    if (it == std::end(kLevels)) return fail("--ecc " + *ecc + " is not L, M, Q or H");
    if (r.symbology != kCodeQr) return fail("--ecc applies to QR codes only");
    r.ecc = static_cast<int32_t>(it - std::begin(kLevels)) + 1;
  }
  if (o.gs1 && r.symbology == kCodeQr) return fail("--gs1 applies to Data Matrix and Code 128");
  return r;
}

// The data source as the operator reads it: rows 1-based.
void print_data_source(const CketralDoc& doc, std::ostream& out) {
  const VariableData& v = doc.variable_data;
  const DataSourceCheck check = check_data_source(doc, v);
  out << "data file: ";
  if (v.csv_path.empty()) {
    out << "none\n";
  } else if (check.rows == 0 && check.columns.empty()) {
    out << v.csv_path << " (" << check.error << ")\n";
  } else {
    out << v.csv_path << " (" << check.rows << " rows; columns:";
    for (std::size_t i = 0; i < check.columns.size(); ++i) {
      out << (i == 0 ? " " : ", ") << check.columns[i];
    }
    out << ")\n";
  }
  out << "next row: " << v.next_row + 1;
  if (check.rows > 0 && static_cast<std::size_t>(v.next_row) >= check.rows) out << " (all rows used)";
  out << "\nshift table: " << (v.shifts.empty() ? "none" : v.shifts) << "\n";
}

int cmd_data(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  if (o.args.size() != 1) {
    err << "lumetch-cli data: give one layout file\n";
    return 2;
  }
  const auto value = [&](const char* name) -> const std::string* {
    const auto it = o.values.find(name);
    return it == o.values.end() ? nullptr : &it->second;
  };
  const std::string* csv = value("--csv");
  const std::string* row = value("--next-row");
  const std::string* shifts = value("--shifts");
  if (csv != nullptr && o.no_csv) {
    err << "lumetch-cli data: give --csv or --no-csv, not both\n";
    return 2;
  }
  int32_t next_row = 0;
  if (row != nullptr) {
    const auto r = std::from_chars(row->data(), row->data() + row->size(), next_row);
    if (r.ec != std::errc{} || r.ptr != row->data() + row->size() || next_row < 1) {
      err << "lumetch-cli data: --next-row takes a row number from 1\n";
      return 2;
    }
  }
  const std::filesystem::path layout = o.args[0];
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, false)) return 2;
  const GlyphFolder scratch;
  if (scratch.path().empty()) {
    err << "lumetch-cli data: cannot create a temporary folder\n";
    return 1;
  }
  doc.scratch_directory = scratch.path();
  CliOperator op(in, err, o.yes);
  const OpenResult opened = open_layout_file(doc, layout, &op);
  if (!opened.opened()) {
    err << "lumetch-cli data: cannot open the layout " << layout.string() << "\n";
    return 2;
  }
  doc.layout_path = std::filesystem::absolute(layout);
  const bool change = csv != nullptr || o.no_csv || row != nullptr || shifts != nullptr;
  if (change) {
    if (opened.lines_skipped > 0) {
      err << "lumetch-cli data: " << layout.string() << " has " << opened.lines_skipped
          << " damaged line(s); not changed\n";
      return 1;
    }
    VariableData v = doc.variable_data;
    if (csv != nullptr) v.csv_path = *csv;
    if (o.no_csv) v.csv_path.clear();
    // Another file starts at its first row unless a row is given.
    if (csv != nullptr || o.no_csv) v.next_row = 0;
    if (row != nullptr) v.next_row = next_row - 1;
    if (shifts != nullptr) v.shifts = *shifts;
    if (const std::string why = SetDataSource(doc, v); !why.empty()) {
      err << "lumetch-cli data: " << why << " " << layout.string() << " was not changed.\n";
      return 1;
    }
    std::string reason;
    if (!save_layout(doc, layout, true, false, &reason)) {
      err << "lumetch-cli data: " << layout.string() << " cannot be saved: " << reason << "\n";
      return 1;
    }
  }
  print_data_source(doc, out);
  return 0;
}

int cmd_add_code(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  if (o.args.size() != 1) {
    err << "lumetch-cli add-code: give one layout file\n";
    return 2;
  }
  const std::optional<CodeRequest> request = read_code_request(o, err);
  if (!request) return 2;
  const std::filesystem::path layout = o.args[0];
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, false)) return 2;

  // The block as it will be stored: the defaults' options, then the request.
  CodeParams code;
  const auto& d = doc.defaults.code;
  code.quiet_zone = d.quiet_zone;
  // A QR version means nothing to a Data Matrix: the size, error correction
  // and GS1 choice of the defaults count for their own symbology only.
  if (d.symbology == request->symbology) {
    code.ecc = d.ecc;
    code.code_size = d.code_size;
    code.gs1 = d.gs1;
  }
  code.symbology = request->symbology;
  code.data = request->data;
  if (request->ecc != 0) code.ecc = request->ecc;
  if (o.gs1) code.gs1 = 1;
  // QR's encoder here takes no GS1 data.
  if (code.symbology == kCodeQr) code.gs1 = 0;
  code.display_type = o.negative ? 1 : 0;
  code.variable = o.serial ? 1 : 0;
  const std::string_view shown = kCodeNames[code.symbology];
  // Refused before the layout is touched (or made).
  const CodeEncoding encoded = encode_block(code);
  if (!encoded.ok) {
    err << "lumetch-cli add-code: the data cannot be encoded as " << shown << ": " << encoded.error
        << "\n"
        << "lumetch-cli add-code: nothing was added to " << layout.string() << "\n";
    return 1;
  }

  const GlyphFolder scratch;
  if (scratch.path().empty()) {
    err << "lumetch-cli add-code: cannot create a temporary folder\n";
    return 1;
  }
  doc.scratch_directory = scratch.path();
  CliOperator op(in, err, o.yes);
  if (const int refused = open_layout_to_change(doc, layout, op, "add-code", err)) return refused;

  MarkObject* created = CreateObject(doc, CODE, op);
  if (created == nullptr) {
    err << "lumetch-cli add-code: the code object could not be created\n";
    return 1;
  }
  {
    Commit commit(doc);
    MarkObject& obj = commit.modify(*created);
    const auto* defaults = obj.block<CodeParams>();
    if (request->size) {
      code.size_x = request->size->first;
      code.size_y = request->size->second;
    } else {
      code.size_x = defaults != nullptr ? defaults->size_x : code.size_x;
      code.size_y = code.size_x / 4;
    }
    // The symbol is stretched over the box: a 2D code's box takes the
    // symbol's proportion, so that its modules stay square also when the
    // encoder chose a rectangular Data Matrix.
    if (code.symbology != kCodeCode128 && encoded.symbol.width > 0)
      code.size_y = code.size_x * encoded.symbol.height / encoded.symbol.width;
    if (!(code.size_x > 0 && code.size_x <= kCodeMaxMm && code.size_y > 0 &&
          code.size_y <= kCodeMaxMm)) {
      // Nothing is saved: the layout stays as it was.
      err << "lumetch-cli add-code: the creation defaults give the code no usable size ("
          << code.size_x << " x " << code.size_y << " mm); give --size MM\n";
      return 1;
    }
    obj.width = code.size_x;
    obj.height = code.size_y;
    obj.cent_x = request->at.first;
    obj.cent_y = request->at.second;
    // Modules are square: only a linear code may be stretched.
    obj.keep_aspect = code.symbology == kCodeCode128 ? 0 : 1;
    obj.params = code;
    doc.update_screen_rect(obj);
    commit.push("Code " + obj.name);
  }
  std::string reason;
  if (!save_layout(doc, layout, true, false, &reason)) {
    err << "lumetch-cli add-code: cannot write the layout " << layout.string() << ": " << reason
        << "\n";
    return 1;
  }
  out << "add-code: " << created->name << " (" << shown << (o.negative ? " negative" : "")
      << (o.serial ? " serial" : "") << ", " << trim_blanks(format_fixed(created->width, 7, 3))
      << " x " << trim_blanks(format_fixed(created->height, 7, 3)) << " mm at "
      << trim_blanks(format_fixed(created->cent_x, 7, 3)) << ", "
      << trim_blanks(format_fixed(created->cent_y, 7, 3)) << ") added to " << layout.string()
      << ", now " << doc.ring.size() << " objects\n";
  return 0;
}

// Applies the scanning-area options to the settings; false (and a message)
// for a value that does not read.
bool apply_scan_options(const Options& o, MarkSettings& s, std::ostream& err) {
  for (const auto& [name, text] : o.values) {
    bool good = true;
    if (name == "--resolution") {
      const auto v = number(text);
      good = v && *v >= 1 && *v <= 10000 && *v == std::floor(*v);
      if (good) s.resolution = static_cast<int32_t>(*v);
    } else if (name == "--scan-dot") {
      const auto v = number(text);
      good = v && *v > 0;
      if (good) s.scan_dot = *v;
    } else if (name == "--scan-size") {
      const auto v = pair_of(text, 'x');
      good = v && v->first > 0 && v->second > 0;
      if (good) std::tie(s.scan_size_x, s.scan_size_y) = *v;
    } else if (name == "--scan-centre") {
      const auto v = pair_of(text, ',');
      good = v.has_value();
      if (good) std::tie(s.scan_cent_x, s.scan_cent_y) = *v;
    } else if (name == "--clip") {
      static constexpr const char* kShapes[] = {"rectangle", "ellipse", "rhombus", "triangle",
                                                "inverted-triangle"};
      const auto it = std::find(std::begin(kShapes), std::end(kShapes), text);
      good = it != std::end(kShapes);
      if (good) s.scan_outline = static_cast<int32_t>(it - std::begin(kShapes));
    }
    if (!good) {
      err << "lumetch-cli: " << name << " " << text << " is not a usable value\n";
      return false;
    }
  }
  if (o.relief) s.scan_style_yz = 1;
  if (o.vertical) s.scan_style_hz = 1;
  return true;
}

int cmd_convert(const Options& o, std::istream& in, std::ostream& out, std::ostream& err) {
  static constexpr const char* kStyles[] = {"scan-plt", "bmp", "outline-vct", "outline-plt"};
  const auto style = o.values.find("--style");
  const auto output = o.values.find("-o");
  if (o.args.size() != 1 || style == o.values.end() || output == o.values.end()) {
    err << "lumetch-cli convert: give a layout, --style and -o FILE\n";
    return 2;
  }
  const auto it = std::find(std::begin(kStyles), std::end(kStyles), style->second);
  if (it == std::end(kStyles)) {
    err << "lumetch-cli convert: unknown style " << style->second
        << " (scan-plt, bmp, outline-vct, outline-plt)\n";
    return 2;
  }
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, false)) return 2;
  if (!apply_scan_options(o, doc.settings, err)) return 2;
  doc.settings.convert_style = static_cast<int32_t>(it - std::begin(kStyles));
  const GlyphFolder scratch;
  if (scratch.path().empty()) {
    err << "lumetch-cli convert: cannot create a temporary folder\n";
    return 1;
  }
  doc.scratch_directory = scratch.path();
  CliOperator op(in, err, o.yes);
  const OpenResult opened = open_layout_file(doc, o.args[0], &op);
  if (!opened.opened()) {
    err << "lumetch-cli convert: cannot open the layout " << o.args[0] << ": " << opened.file.reason
        << "\n";
    return 2;
  }
  if (opened.lines_skipped > 0) {
    err << "lumetch-cli convert: " << opened.lines_skipped
        << " damaged or unknown line(s) of the layout were skipped\n";
  }
  PortWriter port(make_channel("null", nullptr));  // conversions write files only
  PenEmitter pen(doc, port, op);
  const MarkSettings& s = doc.settings;
  const ConvertResult r = ConvertFile(pen, output->second);
  if (r.stopped) {
    err << "lumetch-cli convert: stopped by Ctrl-C: " << output->second
        << " was not written; a file already there stays as it was\n";
    return 1;
  }
  if (!r.ok) {
    err << "lumetch-cli convert: " << (r.message.empty() ? "failed" : r.message) << "\n";
    return 1;
  }
  out << "convert: " << doc.ring.size() << " objects, area "
      << trim_blanks(format_fixed(s.scan_size_x, 7, 3)) << " x "
      << trim_blanks(format_fixed(s.scan_size_y, 7, 3)) << " mm at " << s.resolution
      << " dots/mm → ";
  if (r.file_written) {
    out << output->second << " (" << style->second << ")\n";
  } else {
    out << "no file written: " << r.message << "\n";
  }
  return 0;
}

std::optional<int32_t> locate_style_of(const std::string& text) {
  static constexpr const char* kNames[] = {"centre",    "centre-top",   "centre-bottom",
                                           "left-top",  "left-middle",  "left-bottom",
                                           "right-top", "right-middle", "right-bottom"};
  const auto it = std::find(std::begin(kNames), std::end(kNames), text);
  if (it != std::end(kNames)) return static_cast<int32_t>(it - std::begin(kNames));
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '8') return text[0] - '0';
  return std::nullopt;
}

// Field positioning: `move POSITION` and `outline-test` share the set-up.
int cmd_field(const Options& o, std::istream& in, std::ostream& out, std::ostream& err,
              bool outline) {
  CliOperator op(in, err, o.yes);
  CketralDoc doc;
  if (!start_cli_session(doc, o, err, true)) return 2;
  if (!apply_scan_options(o, doc.settings, err)) return 2;
  if (!outline) {
    const auto style = o.args.size() == 1 ? locate_style_of(o.args[0]) : std::nullopt;
    if (!style) {
      err << "lumetch-cli move: give one position (centre, left-top, … or 0..8)\n";
      return 2;
    }
    doc.settings.locate_style = *style;
  } else if (!o.args.empty()) {
    err << "lumetch-cli outline-test: takes no arguments\n";
    return 2;
  }
  Marker m(doc.work_dir, o.port);
  JobLock port_lock;
  if (const std::string e = port_lock.lock_port(m.channel_name); !e.empty()) {
    err << "lumetch-cli " << o.command << ": " << e << "\n";
    return kExitRefused;
  }
  PenEmitter pen(doc, *m.port, op);
  err << "channel: " << m.channel_name << "\n";
  const std::uint64_t before = m.port->commands_sent();
  pen.port().reset();
  {
    CliOperator::begin_job();  // the outline test ends with its pen raised
    if (outline) {
      OutlineTest(pen);
    } else {
      MovePlotter(pen);
    }
  }
  const std::uint64_t sent = m.port->commands_sent() - before;
  out << (outline ? "outline-test: " : "move: ") << sent << " commands sent to " << m.channel_name
      << "\n";
  const bool reported = m.report(o, doc.settings, out, err);
  if (m.port->failed()) return 1;
  return reported ? 0 : 1;
}

}  // namespace

int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err) {
  const auto parsed = parse(argc, argv, err);
  if (!parsed) {
    err << kUsage;
    return 2;
  }
  const Options& o = *parsed;
  if (o.help) {
    out << kUsage;
    return 0;
  }
  if (o.command == "mark") return cmd_mark(o, in, out, err);
  if (o.command == "send") return cmd_send(o, in, out, err);
  if (o.command == "import") return cmd_import(o, in, out, err);
  if (o.command == "add-code") return cmd_add_code(o, in, out, err);
  if (o.command == "data") return cmd_data(o, in, out, err);
  if (o.command == "list") return cmd_list(o, out, err);
  if (o.command == "convert") return cmd_convert(o, in, out, err);
  if (o.command == "move") return cmd_field(o, in, out, err, false);
  if (o.command == "outline-test") return cmd_field(o, in, out, err, true);
  if (o.command == "port") return cmd_port(o, out, err);
  if (o.command.empty()) {
    err << kUsage;
  } else {
    err << "lumetch-cli: unknown command " << o.command << "\n" << kUsage;
  }
  return 2;
}

}  // namespace lumetch
