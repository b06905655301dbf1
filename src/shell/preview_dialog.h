#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <optional>

#include "model/import_params.h"
#include "model/view_state.h"
#include "platform/operator.h"

class QGroupBox;
class QPushButton;

namespace lumetch {

// Which miniature a file gets, from the extension after its last '.' (any
// case): a plot (.plt, .hpgl, .hpg, .hp), .bmp or .vct.
enum class PreviewKind { None, Plt, Bmp, Vct };
PreviewKind preview_kind_of(const QString& path);

// The pane of the preview group: holds the miniature as an image and paints it.
class PreviewPane : public QWidget {
 public:
  static constexpr int kWidth = 190;
  static constexpr int kHeight = 200;

  explicit PreviewPane(QWidget* parent);

  const QImage& image() const { return image_; }
  void set_image(QImage image);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

// The open dialog for plot, BMP and VCT files: the file dialog with a
// "ファイルプレビュー" group beside the file list, whose pane shows a miniature
// of the file under the cursor. Plots are read as `reading` says, as the
// import will read them.
class CMy_preview : public QFileDialog {
  Q_OBJECT

 public:
  CMy_preview(QWidget* parent, const FileRequest& request,
              const std::array<Rgb, 8>& colours = kLayerColours,
              PlotReading reading = PlotReading::kFull);

  // Runs the dialog; the chosen path, nullopt when cancelled.
  static std::optional<std::filesystem::path> choose(
      QWidget* parent, const FileRequest& request,
      const std::array<Rgb, 8>& colours = kLayerColours, PlotReading reading = PlotReading::kFull);

  // Draws the miniature of `path` into the pane. False, with the pane left as
  // it was, for another extension, a file that cannot be read or a file its
  // renderer refuses.
  bool show_preview(const QString& path);

  // Where the BMP renderer's refusals go; by default message boxes over this
  // dialog. Not owned; null restores the default.
  void set_message_operator(Operator* op) { messages_ = op; }

  const PreviewPane* pane() const { return pane_; }
  QGroupBox* preview_box() const { return box_; }

 private:
  QGroupBox* box_ = nullptr;
  PreviewPane* pane_ = nullptr;
  std::array<Rgb, 8> colours_;
  PlotReading reading_;
  Operator* messages_ = nullptr;
  Operator* own_messages_ = nullptr;  // a child QtOperator
};

// The "continue engraving?" dialog of a pausing marker. Only "はい" accepts;
// "いいえ", Escape and closing the window reject.
class CMy_continue : public QDialog {
  Q_OBJECT

 public:
  explicit CMy_continue(QWidget* parent);

  // Runs the dialog modally; true for Yes.
  static bool ask(QWidget* parent);

  QPushButton* yes_button() const { return yes_; }
  QPushButton* no_button() const { return no_; }

 private:
  QPushButton* yes_ = nullptr;
  QPushButton* no_ = nullptr;
};

}  // namespace lumetch
