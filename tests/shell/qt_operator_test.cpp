#include "shell/qt_operator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "shell/preview_dialog.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// Types the name as the operator would. selectFile leaves the name box alone
// while it has the focus, which depends on what ran before.
void type_file_name(QFileDialog& d, const std::filesystem::path& path) {
  d.setDirectory(QString::fromStdString(path.parent_path().string()));
  auto* name = d.findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(name, nullptr);
  name->setText(QString::fromStdString(path.filename().string()));
}

FileRequest layout_save() {
  FileRequest r;
  r.save = true;
  r.default_extension = "mrk";
  r.filter = "标刻文件(*.mrk)|*.mrk|";
  r.overwrite_prompt = true;
  return r;
}

FileRequest import(const std::string& ext) {
  FileRequest r;
  r.initial_name = "*." + ext;
  r.filter = (ext == "plt"   ? "CAD File"
              : ext == "bmp" ? "BMP File"
                             : "VCT File") +
             std::string("(*.") + ext + ")|*." + ext + "|";
  r.overwrite_prompt = true;
  return r;
}

TEST(QtOperatorFiles, PreviewDialogOnlyForOpeningImportFiles) {
  FileRequest layout_open;
  layout_open.default_extension = "mrk";
  layout_open.filter = "标刻文件(*.mrk)|*.mrk|";
  FileRequest convert;  // the scanning page's conversion writes a PLT
  convert.save = true;
  convert.default_extension = "PLT";
  convert.filter = "PLT File(*.PLT)|*.PLT|";
  FileRequest upper = import("plt");
  upper.filter = "CAD File(*.PLT)|*.PLT|";
  const std::vector<std::pair<std::string, std::pair<FileRequest, bool>>> rows = {
      {"plt import", {import("plt"), true}}, {"bmp import", {import("bmp"), true}},
      {"vct import", {import("vct"), true}}, {"upper-case pattern", {upper, true}},
      {"layout open", {layout_open, false}}, {"layout save", {layout_save(), false}},
      {"conversion save", {convert, false}}};
  for (const auto& [name, row] : rows) EXPECT_EQ(wants_preview(row.first), row.second) << name;
}

TEST(QtOperatorFiles, DialogTakesModeFilterAndExtensionFromTheRequest) {
  QFileDialog save;
  configure_file_dialog(save, layout_save());
  EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(save.defaultSuffix(), "mrk");
  EXPECT_EQ(save.nameFilters(), QStringList{"标刻文件(*.mrk) (*.mrk)"});

  QFileDialog open;
  configure_file_dialog(open, import("vct"));
  EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(open.nameFilters(), QStringList{"VCT File(*.vct) (*.vct)"});
}

TEST(QtOperatorFiles, SavedLayoutGetsItsExtension) {
  test::TempDir dir;
  QWidget window;
  QtOperator op(&window);
  QObject guard;
  bool plain = false;
  test::when_modal<QFileDialog>(guard, [&](QFileDialog& d) {
    plain = qobject_cast<CMy_preview*>(&d) == nullptr;
    type_file_name(d, dir.file("plan"));
    static_cast<QDialog&>(d).accept();
  });
  const auto chosen = op.choose_file(layout_save());
  EXPECT_TRUE(plain);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir.file("plan.mrk"));
}

TEST(QtOperatorFiles, NameWithoutExtensionStillAsksBeforeOverwriting) {
  test::TempDir dir;
  dir.write("plan.mrk", "kept");
  QWidget window;
  QtOperator op(&window);
  QObject guard;
  bool asked = false;
  test::when_modal<QFileDialog>(guard, [&](QFileDialog& d) {
    test::when_modal<QMessageBox>(guard, [&](QMessageBox& box) {
      asked = true;
      box.button(QMessageBox::No)->click();
    });
    type_file_name(d, dir.file("plan"));
    static_cast<QDialog&>(d).accept();  // refused by the No above: the dialog stays up
    if (d.isVisible()) d.reject();
  });
  EXPECT_FALSE(op.choose_file(layout_save()).has_value());
  EXPECT_TRUE(asked);
}

TEST(QtOperatorFiles, ImportRequestOpensThePreviewDialog) {
  test::TempDir dir;
  dir.write("art.plt", "IN;SP1;PU0,0;PD100,100;");
  QWidget window;
  QtOperator op(&window);
  QObject guard;
  bool preview = false;
  test::when_modal<QFileDialog>(guard, [&](QFileDialog& d) {
    preview = qobject_cast<CMy_preview*>(&d) != nullptr;
    type_file_name(d, dir.file("art.plt"));
    static_cast<QDialog&>(d).accept();
  });
  const auto chosen = op.choose_file(import("plt"));
  EXPECT_TRUE(preview);
  EXPECT_EQ(chosen, std::optional(dir.file("art.plt")));
}

TEST(QtOperatorJob, DialogsDuringAJobGetTheirInput) {
  QWidget window;
  QtOperator op(&window);
  op.begin_job();
  QObject guard;
  // Were the dialogs' input still taken by the job, nothing could close them.
  QTimer::singleShot(3000, &guard, [&op] {
    op.end_job();
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  // A message over the continue dialog: closing it must not give the job
  // back the input while the continue dialog is still up.
  test::when_modal<CMy_continue>(guard, [&](CMy_continue& d) {
    test::when_modal<QMessageBox>(guard,
                                  [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
    op.message("port failed", "Warning");
    QTest::mouseClick(d.yes_button(), Qt::LeftButton);
  });
  EXPECT_TRUE(op.ask_continue());
  test::when_modal<CMy_continue>(guard,
                                 [](CMy_continue& d) { QTest::keyClick(&d, Qt::Key_Return); });
  EXPECT_TRUE(op.ask_continue());
  test::when_modal<CMy_continue>(guard, [](CMy_continue& d) { d.close(); });
  EXPECT_FALSE(op.ask_continue());
  test::when_modal<QMessageBox>(guard,
                                [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_TRUE(op.confirm("Please Check the Laser Power!", "Warning"));  // OK is the default

  // The job's filter is back afterwards: keys are queued again.
  EXPECT_TRUE(op.job_running());
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&window, &esc);
  const auto key = op.next_key();
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->key, kKeyEscape);
  op.end_job();
}

}  // namespace
}  // namespace lumetch
