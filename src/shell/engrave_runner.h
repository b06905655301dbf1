#pragma once

#include <QString>
#include <string>

#include "commands/engrave.h"
#include "marker/marker_sim.h"
#include "model/cketral_doc.h"
#include "platform/operator.h"

class QWidget;

namespace lumetch {

class QtOperator;
class SimPane;

struct EngraveRun {
  EngraveResult result;
  std::string channel;  // the port the job was sent to ("sim", a path, ...); empty when busy
  // The line for status pane 0: outcome, objects, commands and channel.
  // Empty when a job was already running: pane 0 keeps that job's text.
  QString status;
};

// Runs the engraving job from the window: the port of "port.txt" (or the
// printer device, or the simulator), locked for the job (a port another job
// holds is refused with a message), the power check (which also says when
// moves would leave the marking field, how far and of which objects), the job
// with its key queue on `qt_op`, a busy cursor on `parent`, and the simulator
// pane shown and kept current when the channel is "sim". A port that fails is
// reported once, naming the port and the reason; a job that stopped or failed
// is never reported as done. `qt_op`, `pane` and `parent` may be null.
// With `resume`, the job goes on from where a stopped one stopped.
EngraveRun run_engraving(CketralDoc& doc, Operator& op, QtOperator* qt_op, MarkerSim& sim,
                         SimPane* pane, QWidget* parent, const JobPosition* resume = nullptr);

// The status line of a finished run: outcome, objects, commands and channel,
// a pen left unparked, and the objects that marked nothing.
QString engrave_status(const EngraveResult& result, const std::string& channel);

}  // namespace lumetch
