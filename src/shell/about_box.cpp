#include "shell/about_box.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/ui_text.h"
#include "shell/main_frame.h"

namespace lumetch {

namespace {

const char* const kBuiltIn[AboutBox::kLines] = {
    "Lumetch",
    "Layout and control for laser markers",
    "Lines, shapes, texts, barcodes, PLT, BMP and VCT artwork",
    "Marking through the marker port, raster scans and conversions",
    "",
    "Settings: $.1, screen.$, default.$, fix.txt in the working folder",
    "Put your own lines into title.txt after its first line.",
};

}  // namespace

AboutBox::AboutBox(const std::filesystem::path& title_file, const QIcon& icon, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Lumetch ");
  setObjectName("about_box");
  auto* outer = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* picture = new QLabel(this);
  picture->setPixmap(icon.pixmap(32, 32));
  picture->setAlignment(Qt::AlignTop);
  row->addWidget(picture);
  auto* text = new QVBoxLayout;
  const std::vector<QString> file = read_title_file(title_file);
  for (int i = 0; i < kLines; ++i) {
    // The first line of the file is the title; the rest replace ours in order.
    const size_t from_file = static_cast<size_t>(i) + 1;
    auto* label =
        new QLabel(from_file < file.size() ? file[from_file] : QString(kBuiltIn[i]), this);
    label->setObjectName(QString("line_%1").arg(1601 + i));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(label);
    lines_.push_back(label);
  }
  row->addLayout(text, 1);
  outer->addLayout(row);
  auto* close = new QPushButton(ui_text("閉じる"), this);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  outer->addLayout(buttons);
}

QString AboutBox::line(int i) const {
  return i >= 0 && i < kLines ? lines_[static_cast<size_t>(i)]->text() : QString();
}

}  // namespace lumetch
