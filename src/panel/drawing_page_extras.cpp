// The "drawing" pages' own widgets and buttons: the field preview, the
// conversion, the pen and plotter moves and the outline test. The group
// page has none: its boxes are all in its table.

#include <QButtonGroup>
#include <QGroupBox>
#include <QPainter>
#include <QVBoxLayout>
#include <functional>
#include <optional>
#include <string>

#include "commands/field_position.h"
#include "commands/scan_job.h"
#include "commands/settings_pages.h"
#include "panel/page_extras.h"
#include "panel/ui_text.h"

namespace lumetch {

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The field, the scanning outline in red and the plotter's point, drawn
// from the settings at every paint.
class FieldPreviewWidget : public QWidget {
 public:
  FieldPreviewWidget(const CketralDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setObjectName("field_preview");
    // One more pixel each way: the field's far edges lie on the area's last line.
    setFixedSize(kPreviewWidth + 1, kPreviewHeight + 1);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const FieldPreview f = field_preview(doc_.settings);
    if (!f.drawn) return;
    p.setPen(QPen(palette().windowText(), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(f.left, f.top, f.right - f.left, f.bottom - f.top));

    p.setPen(QPen(Qt::red, 1));
    const QRect box(f.centre.x - f.a, f.centre.y - f.b, 2 * f.a, 2 * f.b);
    if (f.outline == 0) {
      p.drawRect(box);
    } else if (f.outline == 1) {
      p.drawEllipse(box);
    } else if (!f.polygon.empty()) {
      QPolygon poly;
      for (const PreviewPoint& q : f.polygon) poly << QPoint(q.x, q.y);
      p.drawPolygon(poly);
    }

    if (f.dot) {
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::black);
      p.drawEllipse(QPoint(f.dot->x, f.dot->y), 2, 2);
    }
  }

 private:
  const CketralDoc& doc_;
};

void run_pen(CPropertyPage& page, const PageServices& services,
             const std::function<void(PenEmitter&)>& work) {
  if (!services.with_pen) {
    emit page.refused("No marker port is at hand here: nothing was sent.");
    return;
  }
  services.with_pen(work);
}

// "変換": the file by the conversion style, written while pane 0 says so.
void convert(CPropertyPage& page, const PageServices& services) {
  if (!services.op) return;
  const auto request = convert_request(page.doc().settings);
  if (!request) {
    emit page.refused(qs("The conversion style " +
                         std::to_string(page.doc().settings.convert_style) +
                         " names no conversion: choose one of the four."));
    return;
  }
  const auto path = services.op().choose_file(*request);
  if (!path) return;
  const auto status = [&services](const std::string& text) {
    if (services.status) services.status(ui_text(text));
  };
  status("              Outputing Data");
  std::optional<ConvertResult> result;
  run_pen(page, services, [&](PenEmitter& pen) { result = ConvertFile(pen, *path); });
  if (!result) return;  // the port was refused; that was said
  if (result->ok && result->file_written) {
    status(" ");
  } else if (result->ok || result->stopped) {
    status(result->message);
  } else {
    status(result->message);
    services.op().message(result->message, "Warning");
  }
}

void add_field_extras(CPropertyPage& page, const PageServices& services) {
  auto* frame = new QGroupBox(ui_text("フィールド"), &page);
  frame->setObjectName("field_frame");
  auto* lay = new QVBoxLayout(frame);
  auto* preview = new FieldPreviewWidget(page.doc(), frame);
  lay->addWidget(preview, 0, Qt::AlignHCenter);
  page.bottom_area()->addWidget(frame);
  QObject::connect(&page, &CPropertyPage::refreshed, preview,
                   static_cast<void (QWidget::*)()>(&QWidget::update));

  const auto move_plotter = [&page, services, preview] {
    page.refresh();
    preview->update();
    run_pen(page, services, [](PenEmitter& pen) { MovePlotter(pen); });
  };
  QObject::connect(&page, &CPropertyPage::action, preview,
                   [&page, services, move_plotter](int32_t id) {
                     CketralDoc& doc = page.doc();
                     switch (id) {
                       case 1103:  // a spin step of an offset box: that box only
                       case 1104: {
                         const std::string text = page.control_text(id);
                         const std::optional<std::string_view> given = text;
                         if (store_field_offset(doc, id == 1103 ? given : std::nullopt,
                                                id == 1104 ? given : std::nullopt)
                                 .applied) {
                           move_plotter();
                         }
                         break;
                       }
                       case 1041: {  // "プロッタの移動": both boxes as typed
                         const std::string x = page.control_text(1103);
                         const std::string y = page.control_text(1104);
                         if (store_field_offset(doc, x, y).applied) move_plotter();
                         break;
                       }
                       case 1042:
                         run_pen(page, services, [](PenEmitter& pen) { OutlineTest(pen); });
                         break;
                       default:
                         break;
                     }
                   });
  // A position radio moves the plotter at once, after the page has stored it.
  if (auto* positions = page.findChild<QButtonGroup*>()) {
    QObject::connect(positions, &QButtonGroup::idClicked, preview,
                     [move_plotter](int /*index*/) { move_plotter(); });
  }
}

}  // namespace

void add_drawing_page_extras(CPropertyPage& page, const PageServices& services) {
  switch (page.id()) {
    case PageId::Mark:
      QObject::connect(&page, &CPropertyPage::action, &page, [&page, services](int32_t id) {
        if (id == 1105 || id == 1106) {
          run_pen(page, services, [](PenEmitter& pen) { MovePenHome(pen); });
        }
      });
      break;
    case PageId::Scan:
      QObject::connect(&page, &CPropertyPage::action, &page, [&page, services](int32_t id) {
        if (id == 1199) convert(page, services);
      });
      break;
    case PageId::Locate:
      add_field_extras(page, services);
      break;
    default:
      break;
  }
}

}  // namespace lumetch
