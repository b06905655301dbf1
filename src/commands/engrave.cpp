#include "commands/engrave.h"

#include <sys/stat.h>

#include <cstdio>

#include "commands/draw_object.h"
#include "commands/job_fields.h"
#include "commands/scan_job.h"
#include "geometry/code_symbol.h"
#include "geometry/mapping.h"
#include "geometry/serial.h"
#include "model/units.h"

namespace lumetch {

namespace {

bool is_variable_text(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return p->variable == 1;
  if (const auto* p = obj.block<BarcodeParams>()) return p->variable == 1;
  if (const auto* p = obj.block<CodeParams>()) return p->variable == 1;
  return false;
}

const std::string* serial_text(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return &p->text;
  if (const auto* p = obj.block<BarcodeParams>()) return &p->text;
  if (const auto* p = obj.block<CodeParams>()) return &p->data;
  return nullptr;
}

// Why an object sent no move: for an imported one, what is wrong with its file.
std::string nothing_marked_reason(const MarkObject& obj) {
  const std::string* file = nullptr;
  if (const auto* p = obj.block<PltBlock>()) file = &p->source_path;
  if (const auto* p = obj.block<BmpBlock>()) file = &p->source_path;
  if (const auto* p = obj.block<VctBlock>()) file = &p->source_path;
  if (const auto* p = obj.block<CodeParams>()) {
    const CodeEncoding e = encode_block(*p);
    if (!e.ok) return "its data cannot be encoded: " + e.error;
  }
  if (file == nullptr) return "it gives no stroke to mark";
  const std::string named = "its file \"" + *file + "\"";
  struct stat st {};
  if (file->empty()) return "it names no file";
  if (::stat(file->c_str(), &st) != 0) return named + " cannot be found";
  if (S_ISDIR(st.st_mode)) return named + " is a folder";
  if (!S_ISREG(st.st_mode)) return named + " is not a regular file";
  return named + " holds nothing this object can mark";
}

// A plot whose pens all lie on layers without power or passes marks nothing
// on purpose; one without pens has a file that gave none.
bool plt_due(const MarkObject& obj, const MarkSettings& s) {
  const auto* b = obj.block<PltBlock>();
  if (b == nullptr) return true;
  bool any_pen = false;
  for (std::size_t p = 0; p < b->pen_used.size(); ++p) {
    if (b->pen_used[p] == 0) continue;
    any_pen = true;
    const int32_t layer = b->pen_layer[p];
    if (layer < 0 || layer >= kLayerCount) continue;
    const auto l = static_cast<std::size_t>(layer);
    if (s.power[l] > 0 && s.mark_num[l] > 0) return true;
  }
  return !any_pen;
}

// Generator calls the job means to make for an object.
int64_t planned_passes(const MarkSettings& s, const MarkObject& obj) {
  if (obj.layer < 0 || obj.layer >= kLayerCount || !has_generator(obj.type)) return 0;
  if (obj.type == PLT) return 1;
  const auto l = static_cast<std::size_t>(obj.layer);
  return s.power[l] > 0 && s.mark_num[l] > 0 ? s.mark_num[l] : 0;
}

}  // namespace

std::string object_name(const CketralDoc& /*doc*/, const MarkObject& obj,
                        const std::string& fallback) {
  return obj.name.empty() ? fallback : obj.name;
}

EngraveResult Engrave(PenEmitter& pen, const EngraveHooks& hooks) {
  CketralDoc& doc = pen.doc();
  Operator& op = pen.op();
  PortWriter& port = pen.port();
  EngraveResult result;

  if (doc.engraving == 1) {
    result.outcome = EngraveResult::Outcome::Busy;
    return result;
  }
  if (!op.confirm(kPowerCheckText, "Warning")) {
    result.outcome = EngraveResult::Outcome::Cancelled;
    return result;
  }
  port.reset();  // a port that failed last time gets another chance
  const std::uint64_t sent_before = port.commands_sent();
  op.set_status(0, kOutputtingStatus);
  pen.begin_progress(JobProgress::Kind::Marking);
  JobProgress& progress = pen.progress();
  doc.engraving = 1;
  doc.stop_requested = 0;
  bool texts_changed = false;
  bool serial_failed = false;
  bool serial_not_saved = false;
  const MarkSettings& s = doc.settings;

  const SystemClock system_clock;
  const Clock& clock = hooks.clock != nullptr ? *hooks.clock : system_clock;
  const JobPosition* resume = hooks.resume;
  bool data_failed = false;
  bool data_changed = false;
  // Stops the job with a message to the operator.
  auto fail = [&](bool& flag, std::string text) {
    flag = true;
    result.error = std::move(text);
    op.message(result.error, "Warning");
  };

  bool fields_in_layout = false;
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    fields_in_layout = fields_in_layout || has_data_fields(obj);
  }
  if (s.output_style == 1 && fields_in_layout) {
    // The raster holds the templates as typed; marking them would look done.
    fail(data_failed,
         "The layout holds data fields, which are filled in object-by-object marking only: "
         "the scan output would mark them as typed. Nothing was marked.");
  } else if (s.output_style == 1) {
    if (s.power[0] > 0) {
      const std::uint64_t stream_start = pen.stream_commands();
      if (resume != nullptr) pen.resume_after(resume->commands);
      if (hooks.scan_job) {
        hooks.scan_job(pen);
      } else {
        ScanJob(pen);
      }
      pen.resume_after(0);
      if (doc.stop_requested != 0) {
        result.stopped_at = JobPosition{-1, 0, 0, pen.stream_commands() - stream_start, {}, 0};
      }
    }
  } else {
    for (const MarkObject& obj : doc.ring.oldest_first()) {
      ++progress.objects_total;
      progress.passes_total += planned_passes(s, obj);
    }
    JobFields fields;
    if (const std::string e = fields.prepare(doc); !e.empty()) {
      fail(data_failed, e + " Nothing was marked.");
    }
    if (resume != nullptr) fields.resume_rows(static_cast<std::size_t>(resume->first_row));
    // Passes of the objects before this one: an object that ended early
    // (it marked nothing) counts as done.
    int64_t passes_planned = 0;
    GeomContext g{doc, &pen};
    // Before each generator call: its copies are counted afresh.
    const auto begin_pass = [&] {
      progress.copies_done = 0;
      progress.copies_total = 0;
      pen.pace_afresh();
    };
    int32_t ordinal = -1;
    for (MarkObject* obj = doc.ring.oldest(); obj != doc.ring.head() && !data_failed;
         obj = obj->prev, ++progress.objects_done) {
      ++ordinal;
      progress.passes_done = passes_planned;
      passes_planned += planned_passes(s, *obj);
      // Marked in full by the job being resumed.
      if (resume != nullptr && ordinal < resume->object) continue;
      const bool resuming_here = resume != nullptr && ordinal == resume->object;
      if (obj->layer < 0 || obj->layer >= kLayerCount) {
        result.skipped.push_back(
            {object_name(doc, *obj), "its layer " + std::to_string(obj->layer) + " is not 0..7"});
        continue;
      }
      const auto l = static_cast<std::size_t>(obj->layer);
      if (!has_generator(obj->type)) {
        result.skipped.push_back({object_name(doc, *obj), "this build cannot mark its kind"});
        continue;
      }
      const std::uint64_t moves_before = pen.moves_sent();
      // After a first pass that sent nothing: the object is named, not marked
      // again, and its serial number is not used up.
      auto marked_nothing = [&] {
        if (pen.moves_sent() != moves_before || doc.stop_requested != 0) return false;
        result.skipped.push_back({object_name(doc, *obj), nothing_marked_reason(*obj)});
        return true;
      };
      // One generator call, from where a resumed pass stopped; the position
      // is kept when the job stops in it.
      auto run_pass = [&](const MarkObject& drawn, int32_t pass, const LocalTime& t) {
        begin_pass();
        const std::uint64_t pass_start = pen.stream_commands();
        if (resuming_here && pass == resume->pass) pen.resume_after(resume->commands);
        run_generator(g, nullptr, drawn);
        pen.resume_after(0);
        ++result.passes;
        if (doc.stop_requested != 0) {
          result.stopped_at =
              JobPosition{ordinal, pass, progress.copies_done, pen.stream_commands() - pass_start,
                          t, static_cast<int32_t>(fields.first_row())};
        }
      };
      if (obj->type == PLT) {
        // PLT objects send their own headers, pen by pen, whatever the layer's power.
        run_pass(*obj, 0, {});
        ++result.objects_marked;
        if (doc.stop_requested != 0) break;
        ++progress.passes_done;
        if (plt_due(*obj, s)) marked_nothing();
        continue;
      }
      if (s.power[l] <= 0) continue;
      pen.Send(layer_header(doc, obj->layer));
      ++result.objects_marked;
      const bool variable = is_variable_text(*obj);
      const bool with_fields = has_data_fields(*obj);
      bool stopped = false;
      const int32_t first_pass = resuming_here ? resume->pass : 0;
      for (int32_t pass = first_pass; pass < s.mark_num[l]; ++pass) {
        std::string marked;
        if (variable) {
          marked = *serial_text(*obj);
          // Marking a number that cannot be followed would mark it again next time.
          if (NextSerialOf(*obj).empty()) {
            fail(serial_failed, "The serial number " + marked + " of " +
                                    object_name(doc, *obj, "a variable text") +
                                    " cannot advance (the next one would be too long). It was "
                                    "not marked, nor was anything after it.");
            stopped = true;
            break;
          }
        }
        // The pass being resumed keeps the time its fields were filled with.
        const LocalTime t =
            resuming_here && pass == resume->pass ? resume->time : clock.now();
        if (with_fields) {
          JobFields::Pass filled = fields.fill(doc, *obj, pass, t);
          if (!filled.ok) {
            fail(data_failed, std::move(filled.error));
            result.stopped_at = JobPosition{ordinal, pass, 0, 0, t,
                                            static_cast<int32_t>(fields.first_row())};
            stopped = true;
            break;
          }
          run_pass(filled.copy, pass, t);
        } else {
          run_pass(*obj, pass, t);
        }
        if (doc.stop_requested != 0) {
          stopped = true;
          break;
        }
        ++progress.passes_done;
        if (pass == first_pass && marked_nothing()) break;
        if (with_fields && fields.pass_done(doc, *obj, pass)) {
          data_changed = true;
          if (hooks.data_advanced) {
            if (auto error = hooks.data_advanced()) {
              fail(serial_not_saved, std::move(*error));
              stopped = true;
              break;
            }
          }
        }
        if (!variable) continue;
        if (!AdvanceSerial(doc, *obj)) {
          // Going on would mark the same number again.
          fail(serial_failed, "The serial number " + marked + " of " +
                                  object_name(doc, *obj, "a variable text") +
                                  " was marked but could not be advanced (its outline file "
                                  "could not be written). Marking stopped so that no number is "
                                  "marked twice.");
          stopped = true;
          break;
        }
        texts_changed = true;
        if (hooks.serial_advanced) {
          if (auto error = hooks.serial_advanced(*obj, marked)) {
            fail(serial_not_saved, std::move(*error));
            stopped = true;
            break;
          }
        }
      }
      if (stopped) break;
    }
    if (progress.objects_done == progress.objects_total) progress.passes_done = passes_planned;
  }
  pen.end_progress();

  const bool stopped = doc.stop_requested != 0;
  doc.stop_requested = 0;
  doc.engraving = 0;
  if (s.pen_home != 0) {
    result.pen_parked =
        pen.ParkAt(nearest_int((s.mark_size_x / 2 + s.pen_x) * s.rate_x * kUnitsPerMm),
                   nearest_int((s.mark_size_y / 2 + s.pen_y) * s.rate_y * kUnitsPerMm));
  } else {
    result.pen_parked = pen.Send("PU;");
  }
  // An Escape at the park move must not outlive the job: the view's drawing
  // stops at the flag too.
  doc.stop_requested = 0;
  result.texts_changed = texts_changed;
  result.data_advanced = data_changed;
  if (texts_changed) op.redraw();
  op.set_status(0, " ");

  result.commands_sent = port.commands_sent() - sent_before;
  if (port.failed()) {
    result.outcome = EngraveResult::Outcome::PortFailed;
    result.error = port.error();
  } else if (serial_not_saved) {
    result.outcome = EngraveResult::Outcome::SerialNotSaved;
  } else if (serial_failed) {
    result.outcome = EngraveResult::Outcome::SerialFailed;
  } else if (data_failed) {
    result.outcome = EngraveResult::Outcome::DataFailed;
  } else if (stopped) {
    result.outcome = EngraveResult::Outcome::Stopped;
  }
  return result;
}

}  // namespace lumetch
