#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>
#include <utility>

#include "commands/create_object.h"
#include "commands/edit_commands.h"
#include "panel/form_view.h"
#include "panel/property_page.h"
#include "platform/scripted_operator.h"
#include "shell/main_frame.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// The main window with its marker port recording into "marker.txt".
struct Window {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  std::unique_ptr<CMainFrame> frame;

  explicit Window(const std::string& port = "") {
    doc.work_dir = dir.path();
    dir.write("port.txt", (port.empty() ? "file:" + dir.file("marker.txt").string() : port) + "\n");
  }
  void open() {
    frame = std::make_unique<CMainFrame>(doc, &op);
    frame->resize(1000, 1000);
    frame->show();
  }
  CPropertyPage* page(PageId id) const {
    CPropertyPage* p = frame->form()->page(id);
    frame->form()->pages()->setCurrentWidget(p);
    return p;
  }
  template <class W>
  W* control(PageId id, int32_t n) const {
    return page(id)->findChild<W*>(QString("c%1").arg(n));
  }
  // Keystroke by keystroke, as the operator types.
  void type(PageId id, int32_t n, const char* text) const {
    QLineEdit* box = page(id)->box(n);
    box->selectAll();
    QTest::keyClicks(box, text);
  }
  // A whole text at once (a paste).
  void paste(PageId id, int32_t n, const char* text) const {
    QLineEdit* box = page(id)->box(n);
    box->setText(text);
    emit box->textEdited(box->text());
  }
  std::string sent() const { return dir.read("marker.txt"); }
  std::string status() const { return frame->status_text(0).toStdString(); }
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(DrawingPages, MarkPageShowsTheChosenLayerAndAHomeSpinMovesThePen) {
  Window w;
  MarkSettings& s = w.doc.settings;
  s.mark_num[1] = 2;
  s.power[1] = 55;
  s.speed[1] = 7;
  s.pen_add[1] = 1;
  w.open();
  EXPECT_EQ(w.page(PageId::Mark)->box(1107)->text(), "1");  // layer 0 first
  w.control<QRadioButton>(PageId::Mark, 1302)->click();     // 赤
  EXPECT_EQ(s.mark_layer, 1);
  EXPECT_EQ(w.page(PageId::Mark)->box(1107)->text(), "2");
  EXPECT_EQ(w.page(PageId::Mark)->box(1108)->text(), "55");
  EXPECT_EQ(w.page(PageId::Mark)->box(1109)->text(), "7");
  EXPECT_TRUE(w.control<QCheckBox>(PageId::Mark, 1052)->isChecked());

  w.type(PageId::Mark, 1107, "3");
  EXPECT_EQ(s.mark_num, (std::array<int32_t, 8>{1, 3, 1, 1, 1, 1, 1, 1}));
  // More passes than a job should take: refused, the box back on the last good value.
  w.type(PageId::Mark, 1107, "1001");
  EXPECT_EQ(s.mark_num[1], 100);
  EXPECT_EQ(w.page(PageId::Mark)->box(1107)->text(), "100");
  EXPECT_EQ(w.status(), "A 彫刻回数 of 1001 is refused: it must lie between 0 and 1000.");
  // The typing was one step; undo restores the setting and the box.
  ASSERT_TRUE(UndoCommand(w.doc));
  EXPECT_EQ(s.mark_num[1], 2);
  EXPECT_EQ(w.page(PageId::Mark)->box(1107)->text(), "2");

  // Typing a home moves nothing; a spin step sends the pen there at once.
  w.type(PageId::Mark, 1105, "5");
  EXPECT_EQ(s.pen_x, 5.0);
  EXPECT_EQ(w.sent(), "");
  w.page(PageId::Mark)->spin(1105, true);  // step 0.5: (50 + 5.5) × 40
  EXPECT_EQ(w.sent(), "PU2220,2000;");

  // Not while a job runs, and a port that fails says so.
  w.doc.engraving = 1;
  w.page(PageId::Mark)->spin(1106, true);
  w.doc.engraving = 0;
  EXPECT_EQ(w.sent(), "PU2220,2000;");
  EXPECT_TRUE(contains(w.status(), "A marking job is running: nothing was sent."));
  w.dir.write("port.txt", w.dir.file("no-such-dir/lp0").string() + "\n");
  w.page(PageId::Mark)->spin(1106, true);
  EXPECT_TRUE(contains(w.status(), "The marker port ")) << w.status();
  EXPECT_TRUE(contains(w.status(), " failed: ")) << w.status();
  ASSERT_FALSE(w.op.texts("message").empty());
}

// Dark (not red) pixels along a row or a column of the preview: first and last.
std::pair<int, int> dark_span(const QImage& img, int at, bool row) {
  std::pair<int, int> span{-1, -1};
  const int n = row ? img.width() : img.height();
  for (int i = 0; i < n; ++i) {
    const QRgb c = row ? img.pixel(i, at) : img.pixel(at, i);
    if (qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100) {
      if (span.first < 0) span.first = i;
      span.second = i;
    }
  }
  return span;
}

TEST(DrawingPages, FieldPageDrawsTheFieldAndMovesThePlotterOnlyWhenAsked) {
  Window w;
  w.doc.settings.scan_size_y = 20;
  w.open();
  auto* preview = w.page(PageId::Locate)->findChild<QWidget*>("field_preview");
  ASSERT_NE(preview, nullptr);
  // The field's edges: across below its top edge and above the outline, down
  // just inside its left edge.
  const auto field_size = [&] {
    const QImage img = preview->grab().toImage();
    const auto across = dark_span(img, 42, true);
    const auto down = dark_span(img, across.first + 2, false);
    return std::pair(across.second - across.first, down.second - down.first);
  };
  EXPECT_EQ(field_size(), std::pair(160, 160));
  // The scanning outline in red about the centre, 32 pixels each side.
  const QImage img = preview->grab().toImage();
  EXPECT_GT(qRed(img.pixel(120 - 32, 80)), 200);
  EXPECT_LT(qGreen(img.pixel(120 - 32, 80)), 60);
  w.type(PageId::Locate, 1101, "300");
  EXPECT_EQ(field_size(), std::pair(240, 80));
  w.type(PageId::Locate, 1101, "100");
  EXPECT_EQ(w.sent(), "");

  // An offset typed is stored only by "プロッタの移動", which moves the plotter there.
  w.type(PageId::Locate, 1103, "10");
  EXPECT_EQ(w.doc.settings.locate_cent_x, 0.0);
  EXPECT_EQ(w.sent(), "");
  w.control<QPushButton>(PageId::Locate, 1041)->click();
  EXPECT_EQ(w.doc.settings.locate_cent_x, 10.0);
  EXPECT_EQ(w.sent(), "PU2400,2000;");
  // A position radio moves at once; so does a spin step of an offset box.
  w.control<QRadioButton>(PageId::Locate, 1304)->click();  // 左上
  EXPECT_EQ(w.doc.settings.locate_style, 3);
  EXPECT_EQ(w.sent(), "PU2400,2000;PU1600,2400;");
  w.page(PageId::Locate)->spin(1104, true);
  EXPECT_EQ(w.doc.settings.locate_cent_y, 0.5);
  EXPECT_EQ(w.sent(), "PU2400,2000;PU1600,2400;PU1600,2420;");
  w.control<QPushButton>(PageId::Locate, 1042)->click();  // the outline test
  EXPECT_TRUE(contains(w.sent(), "SP2;VS8;PU1600,2420;PD3200,2420;PD3200,1620;PD1600,1620;"))
      << w.sent();
}

TEST(DrawingPages, ScanPageRefusesHugeRastersAndConvertsIntoAFile) {
  Window w;
  w.open();
  CreateObject(w.doc, RECTANGLE, w.op);
  select_list_entry(w.doc, 0);  // "drawing": the settings pages again
  ASSERT_NE(w.frame->form()->page(PageId::Scan), nullptr);

  const struct {
    int32_t box;
    const char* text;
    const char* status;
  } refused[] = {
      {1105, "-4", "A resolution of -4 dots/mm is refused: it must lie between 0 and 10000."},
      {1105, "5000",
       "A scan raster of 200000 x 200000 pixels is refused: at most 2147483648 "
       "pixels. Lower the resolution or the scanning area."},
      {1104, "60000", "A scan raster of 1600 x 2400000 pixels is refused"},
  };
  for (const auto& row : refused) {
    w.paste(PageId::Scan, row.box, row.text);
    EXPECT_TRUE(contains(w.status(), row.status)) << w.status();
    EXPECT_EQ(w.page(PageId::Scan)->box(row.box)->text(), row.box == 1105 ? "40" : " 40.000");
  }
  EXPECT_EQ(w.doc.settings, MarkSettings{});

  // BMP: the dialog by the style, the file written, pane 0 blank after.
  w.control<QRadioButton>(PageId::Scan, 1352)->click();
  w.op.file_answers.push_back(w.dir.file("area.bmp"));
  w.control<QPushButton>(PageId::Scan, 1199)->click();
  ASSERT_FALSE(w.op.shown.empty());
  EXPECT_EQ(w.op.shown.back().caption, "BMP File(*.BMP)|*.BMP|");
  EXPECT_EQ(w.dir.read("area.bmp").substr(0, 2), "BM");
  EXPECT_EQ(w.status(), " ");
  // A file that cannot be written is said, in a message and in pane 0.
  w.op.file_answers.push_back(w.dir.file("no-such-dir/area.bmp"));
  w.control<QPushButton>(PageId::Scan, 1199)->click();
  EXPECT_TRUE(contains(w.status(), "cannot be written")) << w.status();
  ASSERT_FALSE(w.op.texts("message").empty());
  EXPECT_EQ(w.op.texts("message").back(), w.status());
}

}  // namespace
}  // namespace lumetch
