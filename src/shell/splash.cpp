#include "shell/splash.h"

#include "panel/ui_text.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdint>
#include <optional>

namespace lumetch {

namespace {

// Width and height from the two headers; nullopt when the file is too short.
std::optional<QSize> bitmap_size(const std::filesystem::path& path) {
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(54);
  if (head.size() < 26) return std::nullopt;
  auto i32 = [&head](int at) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint8_t>(head[at])) |
                                static_cast<uint32_t>(static_cast<uint8_t>(head[at + 1])) << 8 |
                                static_cast<uint32_t>(static_cast<uint8_t>(head[at + 2])) << 16 |
                                static_cast<uint32_t>(static_cast<uint8_t>(head[at + 3])) << 24);
  };
  const int32_t w = i32(18);
  const int32_t h = i32(22);
  // A top-down bitmap stores a negative height; absurd sizes are not windows.
  const int32_t ah = h < 0 ? -h : h;
  if (w <= 0 || ah <= 0 || w > 8192 || ah > 8192) return std::nullopt;
  return QSize(w, ah);
}

}  // namespace

SplashWindow::SplashWindow(const std::filesystem::path& bitmap, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("splash");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  picture_ = new QLabel(this);
  picture_->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture_);

  const std::optional<QSize> size = bitmap_size(bitmap);
  QImage image;
  if (size) image.load(QString::fromStdString(bitmap.string()), "BMP");
  if (size && !image.isNull()) {
    resize(*size);
    picture_->setPixmap(
        QPixmap::fromImage(image.scaled(*size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  } else {
    message_ = ui_text("不能装载位图!");
    picture_->setText(message_);
    resize(320, 120);
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    close();  // show_splash's window is deleted on close
    return;
  }
  QDialog::mousePressEvent(event);
}

SplashWindow* show_splash(const std::filesystem::path& work_dir, QWidget* parent) {
  const std::filesystem::path path = work_dir / "page.bmp";
  QFile probe(QString::fromStdString(path.string()));
  if (!probe.open(QIODevice::ReadOnly)) return nullptr;
  probe.close();
  auto* splash = new SplashWindow(path, parent);
  splash->setAttribute(Qt::WA_DeleteOnClose);
  splash->show();
  return splash;
}

}  // namespace lumetch
