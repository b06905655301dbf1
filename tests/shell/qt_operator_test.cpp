#include "shell/qt_operator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "imports/plt.h"
#include "shell/preview_dialog.h"
#include "support/qt_helpers.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

FileRequest request(bool save, const std::string& ext, const std::string& filter) {
  FileRequest r;
  r.save = save;
  r.default_extension = ext;
  r.filter = filter;
  r.overwrite_prompt = save;
  return r;
}
const FileRequest kLayoutSave = request(true, "mrk", "标刻文件(*.mrk)|*.mrk|");

FileRequest import(const std::string& what, const std::string& ext) {
  FileRequest r = request(false, "", what + "(*." + ext + ")|*." + ext + "|");
  r.initial_name = "*." + ext;
  r.overwrite_prompt = true;
  return r;
}

// Chooses `name` in `dir` as the operator would type it (selectFile leaves
// the name box alone while it has the focus) and says No to overwriting.
// `preview`: whether the dialog was the previewing one.
std::optional<std::filesystem::path> choose(QtOperator& op, const FileRequest& r,
                                            const test::TempDir& dir, const std::string& name,
                                            bool& preview, bool& asked) {
  QObject guard;
  test::when_modal<QFileDialog>(guard, [&](QFileDialog& d) {
    preview = qobject_cast<CMy_preview*>(&d) != nullptr;
    test::when_modal<QMessageBox>(guard, [&](QMessageBox& box) {
      asked = true;
      box.button(QMessageBox::No)->click();
    });
    d.setDirectory(QString::fromStdString(dir.path().string()));
    auto* box = d.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(box, nullptr);
    box->setText(QString::fromStdString(name));
    static_cast<QDialog&>(d).accept();
    if (d.isVisible()) d.reject();  // refused by the No above
  });
  return op.choose_file(r);
}

TEST(QtOperatorFiles, PreviewDialogOnlyForOpeningImportFiles) {
  const std::vector<std::pair<FileRequest, bool>> rows = {
      {import("CAD File", "plt"), true},
      {import("BMP File", "bmp"), true},
      {import("VCT File", "vct"), true},
      {import("CAD File", "PLT"), true},
      {import("Plots", "hpgl"), true},
      {request(false, "mrk", "标刻文件(*.mrk)|*.mrk|"), false},
      {kLayoutSave, false},
      {request(true, "PLT", "PLT File(*.PLT)|*.PLT|"), false}};  // the scan's conversion
  for (const auto& [r, want] : rows) EXPECT_EQ(wants_preview(r), want) << r.filter;
}

TEST(QtOperatorFiles, OpenDialogTakesModeAndFilterFromTheRequest) {
  QFileDialog open;
  configure_file_dialog(open, import("VCT File", "vct"));
  EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(open.nameFilters(), QStringList{"VCT File(*.vct)"});
  // Every plot extension, in any case ("DRAWING.HPGL").
  QFileDialog plots;
  configure_file_dialog(plots, request(false, "", kPlotFileFilter));
  EXPECT_EQ(plots.nameFilters(), QStringList{"CAD File(*.plt *.hpgl *.hpg *.hp)"});
  EXPECT_FALSE(plots.filter().testFlag(QDir::CaseSensitive));
}

TEST(QtOperatorFiles, AnInitialNameEndingInASlashIsTheFolderToStartIn) {
  test::TempDir dir;
  dir.write("lots.csv", "lot\n");
  const QString folder = QString::fromStdString(dir.path().string());
  FileRequest r = request(false, "csv", "CSV File(*.csv)|*.csv|");
  r.initial_name = dir.path().string() + "/";
  QFileDialog in_folder;
  configure_file_dialog(in_folder, r);
  EXPECT_EQ(in_folder.directory().absolutePath(), folder);
  // Nothing offered as a name: the folder's own name would be taken for a file.
  EXPECT_EQ(in_folder.findChild<QLineEdit*>("fileNameEdit")->text(), "");
  r.initial_name = dir.file("lots.csv").string();
  QFileDialog on_file;
  configure_file_dialog(on_file, r);
  EXPECT_EQ(on_file.directory().absolutePath(), folder);
  EXPECT_EQ(on_file.findChild<QLineEdit*>("fileNameEdit")->text(), "lots.csv");
}

TEST(QtOperatorFiles, SavedLayoutGetsItsExtensionAndImportsArePreviewed) {
  test::TempDir dir;
  dir.write("art.plt", "IN;SP1;PU0,0;PD100,100;");
  QWidget window;
  QtOperator op(&window);
  bool preview = true, asked = false;
  EXPECT_EQ(choose(op, kLayoutSave, dir, "plan", preview, asked), dir.file("plan.mrk"));
  EXPECT_FALSE(preview);
  EXPECT_EQ(choose(op, import("CAD File", "plt"), dir, "art.plt", preview, asked),
            dir.file("art.plt"));
  EXPECT_TRUE(preview);
  EXPECT_FALSE(asked);
  // A name without its extension still asks before overwriting.
  dir.write("plan.mrk", "kept");
  EXPECT_FALSE(choose(op, kLayoutSave, dir, "plan", preview, asked).has_value());
  EXPECT_TRUE(asked);
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
  auto press_return = [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Return); };
  // A message over the continue dialog: closing it must not give the job
  // back the input while the continue dialog is still up.
  test::when_modal<CMy_continue>(guard, [&](CMy_continue& d) {
    test::when_modal<QMessageBox>(guard, press_return);
    op.message("port failed", "Warning");
    QTest::mouseClick(d.yes_button(), Qt::LeftButton);
  });
  EXPECT_TRUE(op.ask_continue());
  test::when_modal<CMy_continue>(guard, [](CMy_continue& d) { d.close(); });
  EXPECT_FALSE(op.ask_continue());
  test::when_modal<QMessageBox>(guard, press_return);
  EXPECT_TRUE(op.confirm("Please Check the Laser Power!", "Warning"));  // OK is the default

  // The job's filter is back afterwards: keys are queued again.
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&window, &esc);
  const auto key = op.next_key();
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->key, kKeyEscape);
  op.end_job();
}

}  // namespace
}  // namespace lumetch
