#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>

class QLabel;

namespace lumetch {

// The start-up picture "page.bmp": a borderless window the size of the
// bitmap, centred on the screen; a left click closes it.
class SplashWindow : public QDialog {
  Q_OBJECT

 public:
  explicit SplashWindow(const std::filesystem::path& bitmap, QWidget* parent = nullptr);

  // Empty when the picture is shown, else the message shown instead.
  QString message() const { return message_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* picture_ = nullptr;
  QString message_;
};

// Shows the splash when "page.bmp" can be opened; null otherwise.
SplashWindow* show_splash(const std::filesystem::path& work_dir, QWidget* parent);

}  // namespace lumetch
