#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <vector>

class QLabel;

namespace lumetch {

// The About box: the program icon, seven lines about the program (replaced
// by the second and later lines of "title.txt") and a close button.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kLines = 7;
  AboutBox(const std::filesystem::path& title_file, const QIcon& icon, QWidget* parent = nullptr);

  QString line(int i) const;

 private:
  std::vector<QLabel*> lines_;
};

}  // namespace lumetch
