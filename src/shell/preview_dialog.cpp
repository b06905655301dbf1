#include "shell/preview_dialog.h"

#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>
#include <utility>
#include <vector>

#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"
#include "panel/ui_text.h"
#include "shell/qt_operator.h"
#include "view/qt_canvas.h"

namespace lumetch {

namespace {

int32_t flip(int32_t y) {
  return y == INT32_MIN ? INT32_MAX : -y;
}

// Pixels with Y down, as the miniature renderers draw, over the Qt canvas
// whose targets have Y up: every Y changes sign on the way through.
class PixelCanvas : public Canvas {
 public:
  explicit PixelCanvas(Canvas& target) : t_(target) {}

  void set_pen(const Pen& pen) override {
    Canvas::set_pen(pen);
    t_.set_pen(pen);
  }
  void set_brush(const Brush& brush) override {
    Canvas::set_brush(brush);
    t_.set_brush(brush);
  }
  void set_not_xor(bool on) override {
    Canvas::set_not_xor(on);
    t_.set_not_xor(on);
  }
  void move_to(int32_t x, int32_t y) override { t_.move_to(x, flip(y)); }
  void line_to(int32_t x, int32_t y) override { t_.line_to(x, flip(y)); }
  void polygon(std::span<const CanvasPoint> points) override { t_.polygon(flipped(points)); }
  void poly_polygon(std::span<const CanvasPoint> points, std::span<const int32_t> counts) override {
    t_.poly_polygon(flipped(points), counts);
  }
  // Right and bottom lie outside the shape, as on the dialog's own device;
  // the Qt canvas takes both corners in.
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    if (right > left && bottom > top) t_.rectangle(left, flip(top), right - 1, flip(bottom - 1));
  }
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    if (right > left && bottom > top) t_.ellipse(left, flip(top), right - 1, flip(bottom - 1));
  }
  void set_pixel(int32_t x, int32_t y, Rgb colour) override { t_.set_pixel(x, flip(y), colour); }

 private:
  std::vector<CanvasPoint> flipped(std::span<const CanvasPoint> points) const {
    std::vector<CanvasPoint> out(points.begin(), points.end());
    for (CanvasPoint& p : out) p.y = flip(p.y);
    return out;
  }

  Canvas& t_;
};

bool can_read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly);  // refuses directories too
}

}  // namespace

PreviewKind preview_kind_of(const QString& path) {
  const qsizetype dot = path.lastIndexOf('.');
  if (dot < 0) return PreviewKind::None;
  const QString ext = path.mid(dot + 1);
  if (has_plot_extension(std::filesystem::path(QFile::encodeName(path).toStdString()))) {
    return PreviewKind::Plt;
  }
  if (ext.compare("bmp", Qt::CaseInsensitive) == 0) return PreviewKind::Bmp;
  if (ext.compare("vct", Qt::CaseInsensitive) == 0) return PreviewKind::Vct;
  return PreviewKind::None;
}

PreviewPane::PreviewPane(QWidget* parent)
    : QWidget(parent), image_(kWidth, kHeight, QImage::Format_RGB32) {
  setFixedSize(kWidth, kHeight);
  image_.fill(palette().color(QPalette::Window));
}

void PreviewPane::set_image(QImage image) {
  image_ = std::move(image);
  update();
}

void PreviewPane::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

CMy_preview::CMy_preview(QWidget* parent, const FileRequest& request,
                         const std::array<Rgb, 8>& colours, PlotReading reading)
    : QFileDialog(parent), colours_(colours), reading_(reading) {
  // The pane lives in the dialog's own widgets, which a native dialog lacks.
  setOption(QFileDialog::DontUseNativeDialog);
  configure_file_dialog(*this, request);

  box_ = new QGroupBox(ui_text("ファイルプレビュー"), this);
  auto* box_layout = new QVBoxLayout(box_);
  pane_ = new PreviewPane(box_);
  box_layout->addWidget(pane_);
  box_layout->addStretch();
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addWidget(box_, 0, grid->columnCount(), grid->rowCount(), 1);
  } else if (layout() != nullptr) {
    layout()->addWidget(box_);
  }

  connect(this, &QFileDialog::currentChanged, this,
          [this](const QString& path) { show_preview(path); });
}

std::optional<std::filesystem::path> CMy_preview::choose(QWidget* parent,
                                                         const FileRequest& request,
                                                         const std::array<Rgb, 8>& colours,
                                                         PlotReading reading) {
  CMy_preview dialog(parent, request, colours, reading);
  return run_file_dialog(dialog, request);
}

bool CMy_preview::show_preview(const QString& path) {
  const PreviewKind kind = preview_kind_of(path);
  if (kind == PreviewKind::None || !can_read(path)) return false;
  const std::filesystem::path file(QFile::encodeName(path).toStdString());

  Operator* messages = messages_;
  if (messages == nullptr) {
    if (own_messages_ == nullptr) own_messages_ = new QtOperator(this);
    messages = own_messages_;
  }

  // Drawn on a copy: a file its renderer refuses leaves the last miniature.
  QImage next = pane_->image();
  bool drawn = false;
  {
    QPainter painter(&next);
    QtCanvas target(painter, ViewMapping{1.0, 0, 0});
    PixelCanvas dc(target);
    dc.set_pen(Pen{Rgb{0, 0, 0}, 1, PenStyle::Solid});
    dc.set_brush(Brush{Rgb{255, 255, 255}, false});
    switch (kind) {
      case PreviewKind::Plt:
        dc.rectangle(15, 18, 180, 178);
        drawn = PreviewPlt(dc, file, 15, 18, 160, 160, colours_, reading_);
        break;
      case PreviewKind::Bmp:
        dc.rectangle(15, 18, 176, 179);
        drawn = PreviewBmp(dc, file, 15, 18, 160, 160, 1, *messages);
        break;
      case PreviewKind::Vct:
        dc.rectangle(15, 18, 176, 179);
        drawn = PreviewVct(dc, file, 15, 18, 160, 160);
        break;
      case PreviewKind::None:
        break;
    }
  }
  if (!drawn) return false;
  pane_->set_image(std::move(next));
  return true;
}

CMy_continue::CMy_continue(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Warning");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(ui_text("彫刻を続けますか?"), this));
  auto* buttons = new QHBoxLayout;
  yes_ = new QPushButton(ui_text("はい"), this);
  no_ = new QPushButton(ui_text("いいえ"), this);
  yes_->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(yes_);
  buttons->addWidget(no_);
  layout->addLayout(buttons);
  connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(no_, &QPushButton::clicked, this, &QDialog::reject);
}

bool CMy_continue::ask(QWidget* parent) {
  CMy_continue dialog(parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace lumetch
