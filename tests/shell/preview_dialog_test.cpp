#include "shell/preview_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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

QString qpath(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}

void put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

// A one-bit bitmap, bottom row first; `black(c, r)` gives the pixels of bit 0.
std::string one_bit_bmp(int w, int h, const std::function<bool(int, int)>& black) {
  const int stride = (w + 31) / 32 * 4;
  std::string s = "BM";
  put32(s, static_cast<uint32_t>(62 + stride * h));
  put32(s, 0);
  put32(s, 62);
  put32(s, 40);
  put32(s, static_cast<uint32_t>(w));
  put32(s, static_cast<uint32_t>(h));
  put16(s, 1);
  put16(s, 1);
  put32(s, 0);
  put32(s, static_cast<uint32_t>(stride * h));
  put32(s, 3780);
  put32(s, 3780);
  put32(s, 2);
  put32(s, 0);
  put32(s, 0x000000);
  put32(s, 0xFFFFFF);
  for (int r = 0; r < h; ++r) {
    std::string row(static_cast<std::size_t>(stride), '\0');
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
  CMy_preview dialog{nullptr, FileRequest{}};

  PreviewFixture() { dialog.set_message_operator(&op); }

  QString write(const std::string& name, const std::string& bytes) {
    dir.write(name, bytes);
    return qpath(dir.file(name));
  }
  QImage image() const { return dialog.pane()->image(); }
  QRgb at(int x, int y) const { return image().pixel(x, y); }
  // Whether any pixel strictly inside the frame (15, 18)-(176, 179) is not white.
  bool inked() const {
    for (int y = 19; y < 178; ++y) {
      for (int x = 16; x < 175; ++x) {
        if (at(x, y) != kWhite) return true;
      }
    }
    return false;
  }
};

TEST(PreviewDialog, AddsThePreviewGroupToItsOwnWidgets) {
  PreviewFixture f;
  EXPECT_TRUE(f.dialog.testOption(QFileDialog::DontUseNativeDialog));
  ASSERT_NE(f.dialog.preview_box(), nullptr);
  EXPECT_EQ(f.dialog.preview_box()->title(), "ファイルプレビュー");
  EXPECT_TRUE(f.dialog.isAncestorOf(f.dialog.preview_box()));
  EXPECT_EQ(f.image().size(), QSize(PreviewPane::kWidth, PreviewPane::kHeight));
}

TEST(PreviewDialog, ExtensionsAreComparedWithoutCase) {
  const std::vector<std::pair<QString, PreviewKind>> rows = {
      {"/a/b.plt", PreviewKind::Plt},     {"/a/b.PLT", PreviewKind::Plt},
      {"/a/x.y.Bmp", PreviewKind::Bmp},   {"/a/b.vCt", PreviewKind::Vct},
      {"/a/b.txt", PreviewKind::None},    {"/a/plt", PreviewKind::None},
      {"/a/b.plt.txt", PreviewKind::None}};
  for (const auto& [path, kind] : rows)
    EXPECT_EQ(preview_kind_of(path), kind) << path.toStdString();
}

TEST(PreviewDialog, UpperCasePltShowsTheSameMiniatureAsLowerCase) {
  PreviewFixture f;
  const std::string plot = "IN;SP1;PU0,0;PD4000,4000;PU0,4000;PD4000,0;PU;";
  const QString upper = f.write("square.PLT", plot);
  const QString lower = f.write("square.plt", plot);

  emit f.dialog.currentChanged(upper);
  EXPECT_EQ(f.at(15, 18), kBlack);  // the frame's corner
  EXPECT_TRUE(f.inked());
  const QImage shown = f.image();

  PreviewFixture g;
  emit g.dialog.currentChanged(lower);
  EXPECT_EQ(g.image(), shown);
}

TEST(PreviewDialog, WideBitmapIsStretchedSamplingEverySecondColumn) {
  PreviewFixture f;
  // 320 × 160: black where the column is a multiple of 4 and the row (from
  // the bottom) is 40 or more.
  const QString path = f.write(
      "wide.bmp", one_bit_bmp(320, 160, [](int c, int r) { return c % 4 == 0 && r >= 40; }));
  emit f.dialog.currentChanged(path);
  EXPECT_TRUE(f.op.shown.empty());
  // Preview column x samples image column 2x; preview row y is image row y,
  // drawn at 18 + 160 - y. The frame's left edge is x 15.
  EXPECT_EQ(f.at(17, 138), kBlack);   // x 2 samples column 4; y 40
  EXPECT_EQ(f.at(16, 138), kWhite);   // x 1 samples column 2
  EXPECT_EQ(f.at(19, 138), kBlack);   // x 4 samples column 8
  EXPECT_EQ(f.at(17, 139), kWhite);   // y 39
  EXPECT_EQ(f.at(17, 177), kWhite);   // y 1
  EXPECT_EQ(f.at(173, 19), kBlack);   // x 158, y 159: column 316 of the top row
  EXPECT_EQ(f.at(174, 19), kWhite);   // x 159 samples column 318
  EXPECT_EQ(f.at(175, 100), kBlack);  // the frame's right edge
}

TEST(PreviewDialog, CoreHeaderBitmapIsRefusedAndLeavesThePane) {
  PreviewFixture f;
  const QString good = f.write("good.bmp", one_bit_bmp(8, 8, [](int c, int) { return c < 4; }));
  emit f.dialog.currentChanged(good);
  const QImage before = f.image();

  emit f.dialog.currentChanged(QString(LUMETCH_TEST_DATA) + "/bmp/core_header.bmp");
  EXPECT_EQ(f.op.texts("message"), std::vector<std::string>{"非解压文件!"});
  EXPECT_EQ(f.image(), before);
}

TEST(PreviewDialog, OtherExtensionsAndUnreadableFilesLeaveThePane) {
  PreviewFixture f;
  const QString good = f.write("good.bmp", one_bit_bmp(8, 8, [](int c, int) { return c < 4; }));
  ASSERT_TRUE(f.dialog.show_preview(good));
  const QImage before = f.image();

  const QString text = f.write("notes.txt", "IN;SP1;PD100,100;");
  std::filesystem::create_directories(f.dir.file("folder.vct"));
  for (const QString& path :
       {text, qpath(f.dir.file("missing.plt")), qpath(f.dir.file("folder.vct"))}) {
    emit f.dialog.currentChanged(path);
    EXPECT_EQ(f.image(), before) << path.toStdString();
  }
  EXPECT_TRUE(f.op.shown.empty());  // an unreadable file says nothing
}

TEST(ContinueDialog, OnlyYesContinues) {
  CMy_continue probe(nullptr);
  EXPECT_EQ(probe.windowTitle(), "Warning");
  EXPECT_EQ(probe.yes_button()->text(), "はい");
  EXPECT_EQ(probe.no_button()->text(), "いいえ");
  EXPECT_TRUE(probe.yes_button()->isDefault());

  const std::vector<std::pair<std::string, std::function<void(CMy_continue&)>>> rows = {
      {"yes", [](CMy_continue& d) { QTest::mouseClick(d.yes_button(), Qt::LeftButton); }},
      {"return", [](CMy_continue& d) { QTest::keyClick(&d, Qt::Key_Return); }},
      {"no", [](CMy_continue& d) { QTest::mouseClick(d.no_button(), Qt::LeftButton); }},
      {"escape", [](CMy_continue& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
      {"close", [](CMy_continue& d) { d.close(); }}};
  for (const auto& [name, act] : rows) {
    QObject guard;
    test::when_modal<CMy_continue>(guard, act);
    EXPECT_EQ(CMy_continue::ask(nullptr), name == "yes" || name == "return") << name;
  }
}

}  // namespace
}  // namespace lumetch
