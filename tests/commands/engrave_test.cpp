#include "commands/engrave.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/marker_capture.h"
#include "support/desk.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::MarkerCapture;

// A job rig: the capture's document, idle (the job sets `engraving` itself).
struct Job : MarkerCapture {
  Job() {
    doc.engraving = 0;
    doc.settings.pen_home = 0;
  }
  MarkObject* add_line(int32_t layer, double cent_x = 0.0) {
    auto o = std::make_unique<MarkObject>();
    o->type = LINE;
    o->layer = layer;
    o->width = 10.0;
    o->height = 0.5;  // thin: one stroke per pass on the marker
    o->cent_x = cent_x;
    o->params = LineParams{10.0, 0.5};
    return doc.ring.add(std::move(o));
  }
  EngraveResult run(const EngraveHooks& hooks = {}) { return Engrave(pen, hooks); }
};

TEST(Engrave, EmptyRingStillAsksAndOnlyParks) {
  Job j;
  const EngraveResult r = j.run();
  EXPECT_EQ(r.outcome, EngraveResult::Outcome::Done);
  EXPECT_EQ(j.op.texts("confirm"), std::vector<std::string>{kPowerCheckText});
  EXPECT_EQ(j.commands(), std::vector<std::string>{"PU;"});
  ASSERT_EQ(j.op.statuses.size(), 2u);
  EXPECT_EQ(j.op.statuses[0].second, "              Outputing Data，ESC Key to Stop!");
  EXPECT_EQ(j.op.statuses[1].second, " ");

  Job home;
  home.doc.settings.pen_home = 1;
  home.run();
  EXPECT_EQ(home.commands(), std::vector<std::string>{"PU2000,2000;"});
  // Escape at the park move: the pen is raised where it is, and no stop flag
  // is left for the view.
  home.clear();
  home.op.press_escape();
  home.run();
  EXPECT_EQ(home.commands(), std::vector<std::string>{"PU;"});
  EXPECT_EQ(home.doc.stop_requested, 0);

  // The home offset and the rates count, the field offset does not.
  Job offset;
  offset.doc.settings.pen_home = 1;
  offset.doc.settings.pen_x = 10.0;
  offset.doc.settings.pen_y = -5.0;
  offset.doc.settings.rate_x = 1.5;
  offset.doc.settings.locate_cent_x = 30.0;
  offset.run();
  EXPECT_EQ(offset.commands(), std::vector<std::string>{"PU3600,1800;"});
}

TEST(Engrave, CancelSendsNothingAndChangesNothing) {
  Job j;
  j.add_line(0);
  j.op.confirm_answers = {false};
  const EngraveResult r = j.run();
  EXPECT_EQ(r.outcome, EngraveResult::Outcome::Cancelled);
  EXPECT_TRUE(j.commands().empty());
  EXPECT_TRUE(j.op.statuses.empty());
  EXPECT_EQ(j.doc.engraving, 0);
}

TEST(Engrave, HeadersFollowTheDialect) {
  Job j;
  j.doc.settings.pen_add[2] = 1;
  j.doc.settings.speed[2] = 300;
  j.add_line(2);
  j.run();
  ASSERT_FALSE(j.commands().empty());
  EXPECT_EQ(j.commands()[0], "SP1;VS300;");

  Job k;
  k.doc.view.stable_speed_cmd = "SP0;";
  k.doc.view.variable_speed_cmd = "SP2;";
  k.doc.settings.power[2] = 80;
  k.doc.settings.speed[2] = 300;
  k.add_line(2);
  k.run();
  ASSERT_FALSE(k.commands().empty());
  EXPECT_EQ(k.commands()[0], "IN;SP2;DA80;VS300;");
}

TEST(Engrave, PassesPowerAndOrder) {
  Job j;
  j.doc.settings.mark_num[0] = 3;
  j.doc.settings.power[1] = 0;     // not marked at all
  j.doc.settings.mark_num[2] = 0;  // header only
  j.add_line(0, -10.0);            // oldest: marked first
  j.add_line(1, 0.0);
  j.add_line(2, 10.0);
  const EngraveResult r = j.run();
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(r.objects_marked, 2);
  const std::vector<std::string> expected = {"SP2;VS8;",     "PU1400,2000;", "PD1800,2000;",
                                             "PU1400,2000;", "PD1800,2000;", "PU1400,2000;",
                                             "PD1800,2000;", "SP2;VS8;",     "PU;"};
  EXPECT_EQ(j.commands(), expected);
}

TEST(Engrave, EscapeInTheSecondPassSkipsTheRestAndParks) {
  Job j;
  j.doc.settings.pen_home = 1;
  j.doc.settings.mark_num[0] = 3;
  j.add_line(0, -10.0);
  j.add_line(0, 10.0);
  // header, pass 1 (2 moves), pass 2's pen-up: Escape at the pen-down.
  j.escape_after(4);
  const EngraveResult r = j.run();
  EXPECT_EQ(r.outcome, EngraveResult::Outcome::Stopped);
  EXPECT_EQ(r.passes, 2);
  const std::vector<std::string> expected = {"SP2;VS8;", "PU1400,2000;", "PD1800,2000;",
                                             "PU1400,2000;", "PU2000,2000;"};
  EXPECT_EQ(j.commands(), expected);
  EXPECT_EQ(j.doc.stop_requested, 0);
  EXPECT_EQ(j.doc.engraving, 0);
}

TEST(Engrave, HoweverTheJobEndsItsLastCommandRaisesThePen) {
  const struct {
    const char* label;
    const char* stable;
    int escapes;  // pressed at once in the middle of the first line
    int32_t pen_home;
    std::optional<std::size_t> fail_after;
    std::string last;
    bool parked;
  } cases[] = {
      {"one Escape", "SP1;", 1, 1, {}, "PU2000,2000;", true},
      {"two Escapes at once", "SP1;", 2, 1, {}, "PU;", true},
      {"three, no home position", "SP1;", 3, 0, {}, "PU;", true},
      {"pausing dialect, No twice", "SP0;", 2, 1, {}, "PU;", true},
      {"the port fails", "SP1;", 0, 1, 2, "PU1400,2000;", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Job j;
    j.doc.view.stable_speed_cmd = c.stable;
    j.doc.settings.pen_home = c.pen_home;
    j.add_line(0, -10.0);
    j.sent.fail_after = c.fail_after;
    j.op.on_poll = [&j, &c, pressed = false](ScriptedOperator& o) mutable {
      if (pressed || j.sent.commands.size() < 2) return;
      for (int i = 0; i < c.escapes; ++i) o.press_escape();
      pressed = true;
    };
    const EngraveResult r = j.run();
    ASSERT_FALSE(j.commands().empty());
    EXPECT_EQ(j.commands().back(), c.last);
    EXPECT_EQ(r.pen_parked, c.parked);
  }
}

// An array of rows × columns rectangles, outlined or hatched with a 1 mm
// pitch: hatched 0.01 mm squares send nothing.
MarkObject* add_array(Job& j, int32_t rows, int32_t columns, double size, int32_t mode) {
  auto o = test::rectangle(0.0, 0.0, size, size);
  std::tie(o->rows, o->columns, o->output_mode, o->fill_pitch) = std::tuple(rows, columns, mode, 1.0);
  return j.doc.ring.add(std::move(o));
}

// Objects, passes and the copies of the array count up to their totals
// (the last counts shown once more at the end); a stopped job shows where
// it stopped.
TEST(Engrave, ProgressCountsObjectsPassesAndCopies) {
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stopped in the array" : "to the end");
    Job j;
    j.pen.set_poll_intervals(std::chrono::milliseconds(0), std::chrono::milliseconds(20));
    j.doc.settings.mark_num[0] = 2;
    j.doc.settings.power[1] = 0;
    add_array(j, 40, 50, 0.5, 0);  // oldest: marked first
    j.add_line(1);                 // no power: no pass
    j.add_line(0);
    if (stop) {
      j.op.on_poll = [&j](ScriptedOperator& o) {
        if (j.pen.progress().copies_done >= 1000 && o.keys.empty()) o.press_escape();
      };
    }
    const EngraveResult r = j.run();
    EXPECT_EQ(r.outcome, stop ? EngraveResult::Outcome::Stopped : EngraveResult::Outcome::Done);
    const std::vector<JobProgress>& shown = j.op.progress;
    ASSERT_GT(shown.size(), 2u);
    EXPECT_EQ(j.op.progress_ends, 1);
    bool partial_array = false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const JobProgress& p = shown[i];
      EXPECT_EQ(p.kind, JobProgress::Kind::Marking);
      EXPECT_EQ(p.objects_total, 3);
      EXPECT_EQ(p.passes_total, 4);
      if (p.copies_total == 2000 && p.copies_done > 0 && p.copies_done < 2000) partial_array = true;
      if (i == 0) continue;
      const JobProgress& q = shown[i - 1];
      EXPECT_LE(std::tie(q.objects_done, q.passes_done, q.copies_done),
                std::tie(p.objects_done, p.passes_done, p.copies_done))
          << i;
    }
    EXPECT_TRUE(partial_array);
    const JobProgress& last = shown.back();
    if (stop) {
      EXPECT_EQ(last.objects_done, 0);
      EXPECT_EQ(last.passes_done, 0);
      EXPECT_GE(last.copies_done, 1000);
      EXPECT_LT(last.copies_done, 2000);
    } else {
      EXPECT_EQ(last.objects_done, 3);
      EXPECT_EQ(last.passes_done, 4);
    }
  }
}

// 10^8 copies that send nothing: Escape is seen between them, in either
// dialect, and the job stops long before the last.
TEST(Engrave, EscapeStopsALongRunOfCopiesThatSendNothing) {
  const struct {
    const char* stable;
    std::vector<std::string> commands;
  } cases[] = {
      {"SP1;", {"SP2;VS8;", "PU;"}},
      {"SP0;", {"IN;SP2;DA10;VS8;", "Zt;", "Zt;Zz;", "PU;"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stable);
    Job j;
    j.doc.view.stable_speed_cmd = c.stable;
    j.doc.settings.power[0] = 10;
    add_array(j, 10000, 10000, 0.01, 2);
    j.op.on_poll = [](ScriptedOperator& o) {
      if (o.texts("continue").empty() && o.keys.empty()) o.press_escape();
    };
    const EngraveResult r = j.run();
    EXPECT_EQ(r.outcome, EngraveResult::Outcome::Stopped);
    EXPECT_EQ(j.commands(), c.commands);
    ASSERT_FALSE(j.op.progress.empty());
    EXPECT_LT(j.op.progress.back().copies_done, 10000 * 10000);
  }
}

TEST(Engrave, PortFailureStopsTheJobAndIsNotReportedAsDone) {
  Job j;
  j.doc.settings.mark_num[0] = 5;
  j.add_line(0);
  j.add_line(0);
  j.sent.fail_after = 3;
  const EngraveResult r = j.run();
  EXPECT_EQ(r.outcome, EngraveResult::Outcome::PortFailed);
  EXPECT_EQ(r.error, "capture channel failed");
  EXPECT_EQ(j.commands().size(), 3u);
  EXPECT_EQ(j.op.texts("message").size(), 1u);
  EXPECT_LE(r.passes, 2);  // stopped after the pass in which the port failed
  EXPECT_EQ(j.doc.engraving, 0);

  // The next job tries the port again.
  j.sent.fail_after.reset();
  j.clear();
  EXPECT_EQ(j.run().outcome, EngraveResult::Outcome::Done);
  EXPECT_FALSE(j.commands().empty());
}

TEST(Engrave, ASecondStartDuringAJobIsIgnored) {
  Job j;
  j.doc.engraving = 1;
  EXPECT_EQ(j.run().outcome, EngraveResult::Outcome::Busy);
  EXPECT_TRUE(j.op.shown.empty());
  EXPECT_TRUE(j.commands().empty());
}

TEST(Engrave, ScanningOutputUsesTheScanJob) {
  Job j;
  j.doc.settings.output_style = 1;
  j.add_line(0);
  int scans = 0;
  EngraveHooks hooks;
  hooks.scan_job = [&](PenEmitter& p) {
    ++scans;
    p.Send("SCAN;");
  };
  j.run(hooks);
  EXPECT_EQ(scans, 1);
  EXPECT_EQ(j.commands(), (std::vector<std::string>{"SCAN;", "PU;"}));

  j.clear();
  j.doc.settings.power[0] = 0;
  j.run(hooks);
  EXPECT_EQ(scans, 1);
  EXPECT_EQ(j.commands(), std::vector<std::string>{"PU;"});

  // Without a hook the built-in scan job marks the raster of the layout.
  j.clear();
  j.doc.settings.power[0] = 1;
  EXPECT_EQ(j.run().outcome, EngraveResult::Outcome::Done);
  ASSERT_GT(j.commands().size(), 2u);
  EXPECT_EQ(j.commands()[0], "SP2;VS8;");
  EXPECT_EQ(j.commands()[1].substr(0, 2), "PU");
}

TEST(Engrave, ObjectsThatMarkNothingAreNamedWithTheirReason) {
  test::TempDir dir;
  dir.write("empty.plt", "");
  const struct {
    const char* label;
    int32_t type;
    int32_t layer;
    std::string file;  // of a BMP object with no image loaded
    std::string reason;
  } cases[] = {
      {"no generator", 42, 0, "", "this build cannot mark its kind"},
      {"layer 9", LINE, 9, "", "its layer 9 is not 0..7"},
      {"missing bitmap", BMP, 0, "/nowhere/x.bmp", "its file \"/nowhere/x.bmp\" cannot be found"},
      {"folder as bitmap", BMP, 0, dir.path().string(),
       "its file \"" + dir.path().string() + "\" is a folder"},
      {"device as bitmap", BMP, 0, "/dev/zero", "its file \"/dev/zero\" is not a regular file"},
      {"empty file", BMP, 0, dir.file("empty.plt").string(),
       "its file \"" + dir.file("empty.plt").string() + "\" holds nothing this object can mark"},
      {"plot without pens", PLT, 0, dir.file("empty.plt").string(),
       "its file \"" + dir.file("empty.plt").string() + "\" holds nothing this object can mark"},
      // Its one pen lies on layer 1, which has no power: nothing to mark, on purpose.
      {"plot on an unpowered layer", PLT, 1, dir.file("empty.plt").string(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Job j;
    j.doc.settings.mark_num[0] = 3;
    MarkObject* obj = j.add_line(0);
    obj->type = c.type;
    obj->layer = c.layer;
    if (c.type == BMP) {
      BmpBlock b;
      b.source_path = c.file;
      obj->params = b;
    } else if (c.type == PLT) {
      PltBlock b;
      b.source_path = c.file;
      b.src_width = b.src_height = 100;
      b.pen_used[1] = c.layer;  // the pen on layer 1, when there is one
      obj->params = b;
      obj->layer = 0;
      j.doc.settings.power[1] = 0;
    }
    obj->name = "thing1";
    j.add_line(0, 10.0);  // marked after it all the same
    const EngraveResult r = j.run();
    EXPECT_EQ(r.outcome, EngraveResult::Outcome::Done);
    ASSERT_EQ(r.skipped.size(), c.reason.empty() ? 0u : 1u);
    if (!c.reason.empty()) {
      EXPECT_EQ(r.skipped[0].name, "thing1");
      EXPECT_EQ(r.skipped[0].reason, c.reason);
    }
    // A pass that marked nothing is not repeated; a plot has one call.
    EXPECT_EQ(r.passes, c.type == BMP ? 4 : c.type == PLT ? 4 : 3);
    EXPECT_EQ(j.moves().size(), 6u);  // the other line, three times
  }
}

TEST(Engrave, VariableBarcodeAdvancesAfterEveryPassAndStopsWhenItCannot) {
  const auto barcode = [](Job& j, std::string text) {
    auto o = std::make_unique<MarkObject>();
    o->type = BARCODE;
    o->width = 40.0;
    o->height = 10.0;
    BarcodeParams p;
    p.text = std::move(text);
    p.bar_width = 0.2;
    p.variable = 1;
    o->params = p;
    return j.doc.ring.add(std::move(o));
  };
  Job j;
  j.doc.settings.mark_num[0] = 3;
  MarkObject* code = barcode(j, "0099");
  const EngraveResult r = j.run();
  EXPECT_EQ(r.outcome, EngraveResult::Outcome::Done);
  EXPECT_TRUE(r.texts_changed);
  EXPECT_EQ(code->block<BarcodeParams>()->text, "0102");
  // Three passes of three different numbers: 0099, 0100 and 0101.
  const std::vector<std::string> all = j.commands();
  const std::vector<std::string> passes(all.begin() + 1, all.end() - 1);
  ASSERT_EQ(passes.size() % 3, 0u);
  const auto third = static_cast<std::ptrdiff_t>(passes.size() / 3);
  const std::vector<std::string> first(passes.begin(), passes.begin() + third);
  const std::vector<std::string> second(passes.begin() + third, passes.begin() + 2 * third);
  EXPECT_NE(first, second);

  // A number that would outgrow the text stops the job before it is marked again.
  Job full;
  full.doc.settings.mark_num[0] = 2;
  barcode(full, std::string(kBarcodeTextMax, '9'))->name = "barcode1";
  const EngraveResult stopped = full.run();
  EXPECT_EQ(stopped.outcome, EngraveResult::Outcome::SerialFailed);
  // Not even once: the next run would mark the same number again.
  EXPECT_EQ(stopped.passes, 0);
  EXPECT_EQ(full.commands(), (std::vector<std::string>{"SP2;VS8;", "PU;"}));
  EXPECT_NE(stopped.error.find("barcode1"), std::string::npos) << stopped.error;
  EXPECT_EQ(full.op.texts("message"), std::vector<std::string>{stopped.error});

  // A number that cannot be stored after its pass stops the job there, saying which.
  Job unsaved;
  unsaved.doc.settings.mark_num[0] = 3;
  barcode(unsaved, "0099");
  std::vector<std::string> stored;
  EngraveHooks hooks;
  hooks.serial_advanced = [&](const MarkObject&, const std::string& marked) {
    stored.push_back(marked);
    return std::optional<std::string>("0099 was marked but not saved");
  };
  const EngraveResult lost = unsaved.run(hooks);
  EXPECT_EQ(lost.outcome, EngraveResult::Outcome::SerialNotSaved);
  EXPECT_EQ(lost.passes, 1);
  EXPECT_EQ(stored, std::vector<std::string>{"0099"});
  EXPECT_EQ(unsaved.op.texts("message"), std::vector<std::string>{"0099 was marked but not saved"});
}

}  // namespace
}  // namespace lumetch
