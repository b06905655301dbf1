#include "commands/engrave.h"

#include <cstdio>

#include "commands/draw_object.h"
#include "commands/scan_job.h"
#include "geometry/mapping.h"
#include "geometry/serial.h"
#include "model/units.h"

namespace lumetch {

namespace {

bool is_variable_text(const MarkObject& obj) {
  if (const auto* p = obj.block<LineTextParams>()) return p->variable == 1;
  if (const auto* p = obj.block<BarcodeParams>()) return p->variable == 1;
  return false;
}

}  // namespace

std::string layer_header(const CketralDoc& doc, int32_t layer) {
  if (layer < 0 || layer >= kLayerCount) return {};
  const auto l = static_cast<std::size_t>(layer);
  const MarkSettings& s = doc.settings;
  if (s.power[l] <= 0) return {};
  const std::string& mode =
      s.pen_add[l] != 0 ? doc.view.stable_speed_cmd : doc.view.variable_speed_cmd;
  const std::string& stable = doc.view.stable_speed_cmd;
  char buf[128];
  if (stable == "SP1;" || stable == "sp1;") {
    std::snprintf(buf, sizeof buf, "%sVS%d;", mode.c_str(), s.speed[l]);
  } else {
    std::snprintf(buf, sizeof buf, "IN;%sDA%d;VS%d;", mode.c_str(), s.power[l], s.speed[l]);
  }
  return buf;
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
  doc.engraving = 1;
  doc.stop_requested = 0;
  bool texts_changed = false;
  bool serial_failed = false;
  const MarkSettings& s = doc.settings;

  if (s.output_style == 1) {
    if (s.power[0] > 0) {
      if (hooks.scan_job) {
        hooks.scan_job(pen);
      } else {
        ScanJob(pen);
      }
    }
  } else {
    GeomContext g{doc, &pen};
    for (MarkObject* obj = doc.ring.oldest(); obj != doc.ring.head(); obj = obj->prev) {
      if (obj->layer < 0 || obj->layer >= kLayerCount) {
        ++result.objects_skipped;
        continue;
      }
      const auto l = static_cast<std::size_t>(obj->layer);
      if (!has_generator(obj->type)) {
        ++result.objects_skipped;
        continue;
      }
      if (obj->type == PLT) {
        // PLT objects send their own headers, pen by pen, whatever the layer's power.
        run_generator(g, nullptr, *obj);
        ++result.passes;
        ++result.objects_marked;
        if (doc.stop_requested != 0) break;
        continue;
      }
      if (s.power[l] <= 0) continue;
      pen.Send(layer_header(doc, obj->layer));
      ++result.objects_marked;
      bool stopped = false;
      for (int32_t pass = 0; pass < s.mark_num[l]; ++pass) {
        run_generator(g, nullptr, *obj);
        ++result.passes;
        if (doc.stop_requested != 0) {
          stopped = true;
          break;
        }
        if (is_variable_text(*obj)) {
          if (AdvanceSerial(doc, *obj)) {
            texts_changed = true;
          } else {
            // Going on would mark the same number again.
            serial_failed = true;
            stopped = true;
            const int index = doc.ring.index_of(obj);
            const auto& entries = doc.object_list.entries();
            const std::string name = index > 0 && static_cast<std::size_t>(index) < entries.size()
                                         ? entries[static_cast<std::size_t>(index)]
                                         : std::string("a variable text");
            result.error = "The serial number of " + name +
                           " could not be advanced (it would grow too long, or its outline "
                           "file could not be written). Marking stopped so that no number is "
                           "marked twice.";
            op.message(result.error, "Warning");
            break;
          }
        }
      }
      if (stopped) break;
    }
  }

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
  if (texts_changed) op.redraw();
  op.set_status(0, " ");

  result.commands_sent = port.commands_sent() - sent_before;
  if (port.failed()) {
    result.outcome = EngraveResult::Outcome::PortFailed;
    result.error = port.error();
  } else if (serial_failed) {
    result.outcome = EngraveResult::Outcome::SerialFailed;
  } else if (stopped) {
    result.outcome = EngraveResult::Outcome::Stopped;
  }
  return result;
}

}  // namespace lumetch
