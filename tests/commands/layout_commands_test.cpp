#include "commands/layout_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/engrave.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

const fs::path kData = LUMETCH_TEST_DATA;

// A document working in its own folder.
struct Desk {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  Desk() { doc.work_dir = dir.path(); }

  std::string mark() {
    const fs::path out = dir.file("marked.txt");
    fs::remove(out);
    PortWriter port(make_channel("file:" + out.string(), nullptr));
    PenEmitter pen(doc, port, op);
    EXPECT_EQ(Engrave(pen).outcome, EngraveResult::Outcome::Done);
    return dir.read("marked.txt");
  }
};

TEST(LayoutCommands, EveryTypeSurvivesSaveOpenSaveAndMarksTheSame) {
  Desk first;
  first.op.file_answers = {kData / "plt/multi_pen.plt", kData / "bmp/f_bottom_up.bmp",
                           kData / "vct/ring.vct"};
  double x = -40.0;
  for (int32_t type : {LINE, RECTANGLE, CIRCLE, LINE_TEXT, PLT, ARC_TEXT, BMP, TRIANGLE, RHOMBIC,
                       POLYGON, BARCODE, VCT}) {
    MarkObject* obj = CreateObject(first.doc, type, first.op);
    ASSERT_NE(obj, nullptr) << type;
    obj->cent_x = x += 6.0;  // spread out, so a mix-up of objects shows in the marks
  }
  for (MarkObject& o : first.doc.ring.oldest_first()) {
    if (auto* p = o.block<BarcodeParams>()) p->variable = 1;
  }
  ASSERT_TRUE(save_layout(first.doc, first.dir.file("a.mrk"), true, false));

  Desk second;
  const OpenResult r = open_layout_file(second.doc, first.dir.file("a.mrk"), &second.op);
  EXPECT_EQ(r.objects_read, 12);
  EXPECT_TRUE(second.op.shown.empty());  // every imported file was found
  ASSERT_TRUE(save_layout(second.doc, second.dir.file("b.mrk"), true, false));
  EXPECT_EQ(second.dir.read("b.mrk"), first.dir.read("a.mrk"));

  // The file marks the same before and after the round trip (a fresh object
  // may hold more decimals than the file keeps, so the first layout is
  // marked as read back).
  Desk third;
  ASSERT_EQ(open_layout_file(third.doc, second.dir.file("b.mrk"), &third.op).objects_read, 12);
  const std::string marks = second.mark();
  EXPECT_GT(marks.size(), 10000u);
  EXPECT_TRUE(third.mark() == marks);
  EXPECT_FALSE(second.mark() == marks);  // the barcode's serial number moved on
}

TEST(LayoutCommands, MissingImportsAreOfferedForRelocation) {
  const std::string head =
      ",1,1,  1.000,  1.000,  0.000,  0.000, 10.000, 10.000,  0.000,0,0,  0.050,0,0,0,0,";
  const struct {
    int32_t type;
    std::string tail;
    fs::path real;
    std::vector<std::string> messages;
  } cases[] = {
      {PLT,
       "/gone/a.plt",
       kData / "plt/multi_pen.plt",
       {"File /gone/a.plt is not exist,Please Locate it again!"}},
      {BMP,
       "0,/gone/b.bmp",
       kData / "bmp/f_bottom_up.bmp",
       {"The File is not exist!", "File /gone/b.bmp is not exist,Please Locate it again!"}},
      {VCT,
       "/gone/c.vct",
       kData / "vct/ring.vct",
       {"File /gone/c.vct is not exist,Please Locate it again!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    for (const bool found : {true, false}) {
      Desk d;
      d.dir.write("in.mrk", std::to_string(c.type) + head + c.tail + "\n");
      if (found) d.op.file_answers = {c.real};
      EXPECT_EQ(open_layout_file(d.doc, d.dir.file("in.mrk"), &d.op).objects_read, 1);
      EXPECT_EQ(d.op.texts("message"), c.messages);
      ASSERT_EQ(d.op.texts("file").size(), 1u);
      const MarkObject& obj = *current_object(d.doc);
      std::string path;
      bool usable = false;
      if (const auto* p = obj.block<PltBlock>()) {
        path = p->source_path;
        usable = p->pen_used[0] == 1;
      } else if (const auto* b = obj.block<BmpBlock>()) {
        path = b->source_path;
        usable = !b->dib.empty();
      } else if (const auto* v = obj.block<VctBlock>()) {
        path = v->source_path;
        usable = v->max_x > v->min_x;
      }
      // Cancelled: the object stays with its old path and draws nothing.
      EXPECT_EQ(path, found ? c.real.string() : c.tail.substr(c.tail.find('/')));
      EXPECT_EQ(usable, found);
    }
  }
}

TEST(LayoutCommands, PromptsAndClipboard) {
  Desk d;
  NewCommand(d.doc, d.op);  // empty: no question
  EXPECT_TRUE(d.op.shown.empty());
  ASSERT_NE(CreateObject(d.doc, RECTANGLE, d.op), nullptr);

  // Yes saves through the dialog, then New empties the ring.
  d.op.ask_answers = {Answer::Yes};
  d.op.file_answers = {d.dir.file("saved.mrk")};
  NewCommand(d.doc, d.op);
  EXPECT_EQ(d.op.texts("ask"), std::vector<std::string>{"Svae the Current Document?"});
  EXPECT_TRUE(d.doc.ring.is_empty());
  EXPECT_NE(d.dir.read("saved.mrk").find("20.000"), std::string::npos);

  // A save that cannot be written says so.
  ASSERT_NE(CreateObject(d.doc, CIRCLE, d.op), nullptr);
  d.op.file_answers = {d.dir.file("no/such/dir/x.mrk")};
  EXPECT_FALSE(SaveCommand(d.doc, d.op));
  ASSERT_EQ(d.op.texts("message").size(), 1u);
  EXPECT_EQ(d.op.texts("message")[0].rfind("The layout could not be saved to ", 0), 0u);

  // Close: Cancel stays; No closes without saving.
  d.op.ask_answers = {Answer::Cancel, Answer::No};
  EXPECT_FALSE(CloseRequest(d.doc, d.op));
  EXPECT_TRUE(CloseRequest(d.doc, d.op));

  // Cut and paste return the objects to their places.
  const double cent = current_object(d.doc)->cent_x;
  CutCommand(d.doc, d.op);
  EXPECT_TRUE(d.doc.ring.is_empty());
  PasteCommand(d.doc, d.op);
  ASSERT_FALSE(d.doc.ring.is_empty());
  EXPECT_EQ(current_object(d.doc)->cent_x, cent);

  // No clipboard yet: paste does nothing, silently; one that cannot be read is said.
  d.doc.work_dir = d.dir.file("clip");
  fs::create_directories(d.dir.file("clip"));
  const std::size_t before = d.op.texts("message").size();
  PasteCommand(d.doc, d.op);
  EXPECT_EQ(d.op.texts("message").size(), before);
  fs::create_directory(d.dir.file("clip") / "#.1");
  PasteCommand(d.doc, d.op);
  ASSERT_EQ(d.op.texts("message").size(), before + 1);
  EXPECT_NE(d.op.texts("message").back().find("#.1 cannot be read: it is a directory"),
            std::string::npos);

  // A clipboard that cannot be written: cut keeps the objects and says why.
  d.doc.work_dir = d.dir.file("gone");
  const std::size_t messages = d.op.texts("message").size();
  CutCommand(d.doc, d.op);
  EXPECT_FALSE(d.doc.ring.is_empty());
  EXPECT_EQ(d.op.texts("message").size(), messages + 1);
}

TEST(LayoutCommands, ASaveCancelledOrFailedAtTheSavePromptKeepsTheLayout) {
  const struct {
    const char* name;
    bool close;  // CloseRequest, else NewCommand
    std::optional<fs::path> file;
    bool kept;
  } rows[] = {
      {"close, dialog cancelled", true, std::nullopt, true},
      {"close, save fails", true, fs::path("no/such/dir/x.mrk"), true},
      {"close, saved", true, fs::path("saved.mrk"), false},
      {"new, dialog cancelled", false, std::nullopt, true},
      {"new, save fails", false, fs::path("no/such/dir/x.mrk"), true},
      {"new, saved", false, fs::path("saved.mrk"), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Desk d;
    ASSERT_NE(CreateObject(d.doc, RECTANGLE, d.op), nullptr);
    d.op.ask_answers = {Answer::Yes};
    d.op.file_answers = {row.file ? std::optional(d.dir.file(row.file->string())) : std::nullopt};
    if (row.close) {
      EXPECT_EQ(CloseRequest(d.doc, d.op), !row.kept);  // kept: the window stays open
    } else {
      NewCommand(d.doc, d.op);
      EXPECT_EQ(d.doc.ring.size(), row.kept ? 1u : 0u);
    }
    EXPECT_EQ(fs::exists(d.dir.file("saved.mrk")), !row.kept);
  }
}

TEST(LayoutCommands, CutAndCopyWithNothingSelectedLeaveTheClipboard) {
  Desk d;
  ASSERT_NE(CreateObject(d.doc, RECTANGLE, d.op), nullptr);
  CutCommand(d.doc, d.op);
  const std::string cut = d.dir.read("#.1");
  ASSERT_NE(cut, "");
  ASSERT_NE(CreateObject(d.doc, CIRCLE, d.op), nullptr);
  d.doc.selection.clear();
  CopyCommand(d.doc, d.op);
  CutCommand(d.doc, d.op);
  EXPECT_EQ(d.dir.read("#.1"), cut);
  EXPECT_EQ(d.doc.ring.size(), 1u);
  EXPECT_TRUE(d.op.texts("message").empty());
}

TEST(LayoutCommands, OpenSaysWhenALayoutCannotBeReadOrIsDamaged) {
  Desk d;
  d.op.file_answers.push_back(d.dir.file("missing.mrk"));
  OpenCommand(d.doc, d.op);
  EXPECT_EQ(d.op.texts("message"),
            std::vector<std::string>{"The layout " + d.dir.file("missing.mrk").string() +
                                     " could not be opened: it does not exist."});

  d.dir.write("damaged.mrk",
              "2,1,1,  1.000,  1.000,  0.000,  0.000, 10.000,  5.000,  0.000,0,0,"
              "  0.050,0,0,0,0, 10.000,  5.000,  0.000,0,0\nnot a record\n");
  d.op.file_answers.push_back(d.dir.file("damaged.mrk"));
  OpenCommand(d.doc, d.op);
  EXPECT_EQ(d.doc.ring.size(), 1u);
  ASSERT_EQ(d.op.texts("message").size(), 2u);
  EXPECT_NE(d.op.texts("message")[1].find("1 objects read, 1 damaged lines skipped"),
            std::string::npos)
      << d.op.texts("message")[1];
}

}  // namespace
}  // namespace lumetch
