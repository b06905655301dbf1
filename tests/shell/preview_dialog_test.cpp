#include "shell/preview_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/scripted_operator.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// A one-bit bitmap, bottom row first; `black(c, r)` gives the pixels of bit 0.
std::string one_bit_bmp(int w, int h, const std::function<bool(int, int)>& black) {
  const auto stride = static_cast<uint32_t>((w + 31) / 32 * 4);
  const uint32_t size = stride * static_cast<uint32_t>(h);
  std::string s = "BM";
  // File header, info header (one plane, one bit), then the palette.
  for (uint32_t v : {62 + size, 0u, 62u, 40u, static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                     0x10001u, 0u, size, 3780u, 3780u, 2u, 0u, 0u, 0xFFFFFFu}) {
    for (int b = 0; b < 32; b += 8) s += static_cast<char>((v >> b) & 0xFF);
  }
  for (int r = 0; r < h; ++r) {
    std::string row(stride, '\0');
    for (int c = 0; c < w; ++c) {
      if (!black(c, r)) row[static_cast<std::size_t>(c / 8)] |= static_cast<char>(0x80 >> (c % 8));
    }
    s += row;
  }
  return s;
}

struct PreviewFixture {
  test::TempDir dir;
  ScriptedOperator op;
  CMy_preview dialog;

  explicit PreviewFixture(PlotReading reading = PlotReading::kFull)
      : dialog(nullptr, FileRequest{}, kLayerColours, reading) {
    dialog.set_message_operator(&op);
  }

  QString path(const std::string& name) const {
    return QString::fromStdString(dir.file(name).string());
  }
  QString write(const std::string& name, const std::string& bytes) {
    dir.write(name, bytes);
    return path(name);
  }
  QImage image() const { return dialog.pane()->image(); }
  QRgb at(int x, int y) const { return image().pixel(x, y); }
};

TEST(PreviewDialog, ExtensionsAreComparedWithoutCase) {
  const std::vector<std::pair<QString, PreviewKind>> rows = {
      {"/a/b.plt", PreviewKind::Plt},      {"/a/b.PLT", PreviewKind::Plt},
      {"/a/x.y.Bmp", PreviewKind::Bmp},    {"/a/b.vCt", PreviewKind::Vct},
      {"/a/b.txt", PreviewKind::None},     {"/a/plt", PreviewKind::None},
      {"/a/b.plt.txt", PreviewKind::None}, {"/a/x.HPG", PreviewKind::Plt},
      {"/a/b.hpgl", PreviewKind::Plt},     {"/a/b.Hp", PreviewKind::Plt},
      {"/a/b.hpx", PreviewKind::None},     {"/a.hp/b", PreviewKind::None}};
  for (const auto& [path, kind] : rows) {
    EXPECT_EQ(preview_kind_of(path), kind) << path.toStdString();
  }
}

TEST(PreviewDialog, UpperCasePltShowsTheSameMiniatureAsLowerCase) {
  PreviewFixture f, g;
  ASSERT_NE(f.dialog.preview_box(), nullptr);
  EXPECT_EQ(f.dialog.preview_box()->title(), "ファイルプレビュー");
  EXPECT_TRUE(f.dialog.isAncestorOf(f.dialog.preview_box()));
  const std::string plot = "IN;SP1;PU0,0;PD4000,4000;PU0,4000;PD4000,0;PU;";
  emit f.dialog.currentChanged(f.write("square.PLT", plot));
  EXPECT_EQ(f.at(15, 18), kBlack);                      // the frame's corner
  EXPECT_TRUE(test::dark(f.image(), QPointF(95, 98)));  // where the diagonals cross
  emit g.dialog.currentChanged(g.write("square.plt", plot));
  EXPECT_EQ(g.image(), f.image());
}

TEST(PreviewDialog, PlotsAreReadAsTheDocumentSays) {
  // Read by their first pair only, both plots are one line along X.
  PreviewFixture f(PlotReading::kFirstPairOnly), g(PlotReading::kFirstPairOnly);
  ASSERT_TRUE(f.dialog.show_preview(f.write("x.HPG", "SP1;PU0,0;PD0,0,4000,4000;PD4000,0;")));
  ASSERT_TRUE(g.dialog.show_preview(g.write("y.hpg", "SP1;PU0,0;PD0,0;PD4000,0;")));
  EXPECT_EQ(f.image(), g.image());
}

TEST(PreviewDialog, WideBitmapIsStretchedSamplingEverySecondColumn) {
  PreviewFixture f;
  // 320 × 160: black where the column is a multiple of 4 and the row (from
  // the bottom) is 40 or more.
  emit f.dialog.currentChanged(f.write(
      "wide.bmp", one_bit_bmp(320, 160, [](int c, int r) { return c % 4 == 0 && r >= 40; })));
  EXPECT_TRUE(f.op.shown.empty());
  // Preview column x samples image column 2x; preview row y is image row y,
  // drawn at 18 + 160 - y. The frame's left edge is x 15.
  const std::vector<std::pair<QPoint, QRgb>> pixels = {
      {{17, 138}, kBlack},  // x 2 samples column 4; y 40
      {{16, 138}, kWhite},  // x 1 samples column 2
      {{19, 138}, kBlack},  // x 4 samples column 8
      {{17, 139}, kWhite},  // y 39
      {{17, 177}, kWhite},  // y 1
      {{173, 19}, kBlack},  // x 158, y 159: column 316 of the top row
      {{174, 19}, kWhite},  // x 159 samples column 318
      {{175, 100}, kBlack}  // the frame's right edge
  };
  for (const auto& [p, colour] : pixels)
    EXPECT_EQ(f.at(p.x(), p.y()), colour) << p.x() << "," << p.y();
}

TEST(PreviewDialog, RefusedOtherAndUnreadableFilesLeaveThePane) {
  PreviewFixture f;
  ASSERT_TRUE(f.dialog.show_preview(
      f.write("good.bmp", one_bit_bmp(8, 8, [](int c, int) { return c < 4; }))));
  const QImage before = f.image();
  std::filesystem::create_directories(f.dir.file("folder.vct"));
  for (const QString& path :
       {f.write("notes.txt", "IN;SP1;PD100,100;"), f.path("missing.plt"), f.path("folder.vct")}) {
    emit f.dialog.currentChanged(path);
    EXPECT_EQ(f.image(), before) << path.toStdString();
  }
  EXPECT_TRUE(f.op.shown.empty());  // an unreadable file says nothing

  emit f.dialog.currentChanged(QString(LUMETCH_TEST_DATA) + "/bmp/core_header.bmp");
  EXPECT_EQ(f.op.texts("message"), std::vector<std::string>{"非解压文件!"});
  EXPECT_EQ(f.image(), before);
}

TEST(ContinueDialog, OnlyYesContinues) {
  CMy_continue probe(nullptr);
  EXPECT_EQ(probe.windowTitle(), "Warning");
  EXPECT_EQ(probe.yes_button()->text(), "はい");
  EXPECT_EQ(probe.no_button()->text(), "いいえ");

  using Act = std::function<void(CMy_continue&)>;
  const std::vector<std::pair<bool, Act>> rows = {
      {true, [](CMy_continue& d) { QTest::mouseClick(d.yes_button(), Qt::LeftButton); }},
      {true, [](CMy_continue& d) { QTest::keyClick(&d, Qt::Key_Return); }},  // Yes is default
      {false, [](CMy_continue& d) { QTest::mouseClick(d.no_button(), Qt::LeftButton); }},
      {false, [](CMy_continue& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
      {false, [](CMy_continue& d) { d.close(); }}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    QObject guard;
    test::when_modal<CMy_continue>(guard, rows[i].second);
    EXPECT_EQ(CMy_continue::ask(nullptr), rows[i].first) << i;
  }
}

}  // namespace
}  // namespace lumetch
