#include "commands/job_resume.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "commands/create_object.h"
#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "marker/marker_sim.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Segment = std::tuple<int32_t, int32_t, int32_t, int32_t>;

// What the beam marks: every pen-down segment and ellipse, in order. A
// resumed stream splits a stroke in two, which marks the same segments.
std::vector<Segment> marked(const std::vector<std::string>& commands) {
  MarkerSim sim;
  for (const std::string& c : commands) sim.receive(c);
  std::vector<Segment> out;
  for (const MarkerSim::Stroke& s : sim.strokes()) {
    for (std::size_t i = 1; i < s.points.size(); ++i) {
      out.emplace_back(s.points[i - 1].x, s.points[i - 1].y, s.points[i].x, s.points[i].y);
    }
  }
  for (const MarkerSim::Ellipse& e : sim.ellipses()) {
    out.emplace_back(e.centre.x, e.centre.y, -e.rx, -e.ry);
  }
  return out;
}

// Shapes, a text and codes (one a serial number), two passes each.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  MarkObject* code = nullptr;  // the serial number
  explicit Rig(bool mirrored) {
    doc.work_dir = dir.path();
    doc.engraving = 0;
    doc.settings.pen_home = 1;
    doc.settings.mark_num[0] = 2;
    doc.settings.change_x = mirrored ? 1 : 0;
    MarkObject* r = CreateObject(doc, RECTANGLE, op);
    r->output_mode = 2;
    r->fill_pitch = 1.0;
    r->columns = 2;
    CreateObject(doc, CIRCLE, op)->cent_x = 20;
    CreateObject(doc, LINE_TEXT, op)->cent_y = -20;
    code = CreateObject(doc, CODE, op);
    code->fill_pitch = 0.2;
    code->block<CodeParams>()->data = "0098";
    code->block<CodeParams>()->variable = 1;
    MarkObject* dm = CreateObject(doc, CODE, op);
    dm->block<CodeParams>()->symbology = kCodeDataMatrix;
    dm->output_mode = 0;  // outlines: more strokes than a hatch
    dm->cent_x = -25;
    op.confirm_answers.clear();
    sent.commands.clear();
  }
  EngraveResult job(const JobPosition* resume = nullptr) {
    EngraveHooks hooks;
    hooks.resume = resume;
    return Engrave(pen, hooks);
  }
};

TEST(Resume, AStoppedJobResumedMarksWhatTheWholeJobMarks) {
  for (const bool mirrored : {false, true}) {
    Rig whole(mirrored);
    ASSERT_EQ(whole.job().outcome, EngraveResult::Outcome::Done);
    const std::vector<Segment> expected = marked(whole.sent.commands);
    const std::size_t total = whole.sent.commands.size();
    ASSERT_GT(total, 400u);
    // Stops in the header, in shapes, the text, both passes of the serial code
    // and the last object; the last stops twice.
    for (const std::vector<std::size_t>& stops :
         {std::vector<std::size_t>{1}, {2}, {37}, {total / 3}, {total / 2}, {total * 3 / 4},
          {total - 3}, {total / 5, total / 5 + 60}}) {
      Rig r(mirrored);
      std::vector<std::string> stream;
      std::optional<JobPosition> at;
      bool escape = false;  // stops by Escape (the pen is parked) and by a lost port in turn
      for (const std::size_t n : stops) {
        escape = !escape;
        r.sent.commands.clear();
        const std::size_t limit = n == stops.front() ? n : n - stops.front();
        bool pressed = false;
        r.op.on_poll = [&](ScriptedOperator& o) {
          if (escape && !pressed && r.sent.commands.size() >= limit) {
            pressed = true;
            o.press_escape();
          }
        };
        if (!escape) r.sent.fail_after = limit;
        const EngraveResult e = r.job(at ? &*at : nullptr);
        ASSERT_EQ(e.outcome, escape ? EngraveResult::Outcome::Stopped
                                    : EngraveResult::Outcome::PortFailed)
            << n;
        ASSERT_TRUE(e.stopped_at) << n;
        at = e.stopped_at;
        stream.insert(stream.end(), r.sent.commands.begin(), r.sent.commands.end());
        r.op.on_poll = nullptr;
        r.sent.fail_after.reset();
      }
      r.sent.commands.clear();
      r.sent.fail_after.reset();
      const EngraveResult done = r.job(&*at);
      ASSERT_EQ(done.outcome, EngraveResult::Outcome::Done);
      EXPECT_FALSE(done.stopped_at);
      stream.insert(stream.end(), r.sent.commands.begin(), r.sent.commands.end());
      EXPECT_EQ(marked(stream), expected) << "stopped after " << stops.front() << " commands"
                                          << (mirrored ? ", mirrored" : "");
      // The serial code ends where the whole job left it: no number twice.
      EXPECT_EQ(r.code->block<CodeParams>()->data, "0100");
    }
  }
}

TEST(Resume, RecordsReadBackAndAreRefusedForAChangedLayout) {
  Rig r(false);
  ResumeRecord rec{layout_fingerprint(r.doc), "code1", {3, 1, 2, 415, {2026, 12, 9, 23, 59, 7}, 4}};
  const ResumeRead back = parse_resume_record(format_resume_record(rec));
  ASSERT_TRUE(back.record) << back.error;
  EXPECT_EQ(*back.record, rec);
  EXPECT_EQ(resume_refusal(r.doc, rec), "");
  for (const std::string& damaged :
       {std::string(""), std::string("other\n"), format_resume_record(rec).substr(0, 40),
        std::string("lumetch resume 1\nlayout x\nobject -2\nname a\npass 0\ncopy 0\ncommands 1\ntime "
        "2026-12-09 23:59:07\nrow 0\n"),
        std::string("lumetch resume 1\nlayout x\nobject 0\nname a\npass 0\ncopy 0\ncommands 1\ntime "
        "2026-13-09 23:59:07\nrow 0\n")}) {
    EXPECT_FALSE(parse_resume_record(damaged).record) << damaged;
  }
  // Any change that changes the stream: a record, the settings, the data source.
  r.code->cent_x += 0.001;
  EXPECT_NE(resume_refusal(r.doc, rec), "");
  r.code->cent_x -= 0.001;
  r.doc.settings.power[0] += 1;
  EXPECT_NE(resume_refusal(r.doc, rec), "");
  r.doc.settings.power[0] -= 1;
  r.doc.variable_data.next_row = 1;
  EXPECT_NE(resume_refusal(r.doc, rec), "");
}

}  // namespace
}  // namespace lumetch
