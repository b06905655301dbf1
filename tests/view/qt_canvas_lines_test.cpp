// One-pixel lines that QtCanvas writes into an image itself must set exactly
// the pixels QPainter sets. The canvas leaves lines in a non-premultiplied
// image to the painter, so the same drawing in both formats compares the two.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <random>
#include <vector>

#include "view/qt_canvas.h"

namespace lumetch {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct Stroke {
  std::vector<QPoint> points;  // a polyline, in pixels
  Rgb colour;
};

// Short steps like flattened glyphs, and long lines at every slope; some run
// past the image's edges.
const std::vector<Stroke>& random_strokes() {
  static const std::vector<Stroke> strokes = [] {
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> x(-20, kWidth + 20), y(-20, kHeight + 20), step(-3, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<Stroke> out(1500);
    for (std::size_t i = 0; i < out.size(); ++i) {
      Stroke& s = out[i];
      s.colour = {static_cast<uint8_t>(byte(rng)), static_cast<uint8_t>(byte(rng)),
                  static_cast<uint8_t>(byte(rng))};
      QPoint at(x(rng), y(rng));
      s.points.push_back(at);
      for (int k = 0; k < 6; ++k) {
        at = i % 2 == 0 ? at + QPoint(step(rng), step(rng)) : QPoint(x(rng), y(rng));
        s.points.push_back(at);
      }
    }
    return out;
  }();
  return strokes;
}

void paint_strokes(QPainter& p) {
  QtCanvas c(p, ViewMapping{1.0, 0, 0});
  for (const Stroke& s : random_strokes()) {
    c.set_pen({s.colour, 1, PenStyle::Solid});
    c.move_to(s.points[0].x(), -s.points[0].y());
    for (std::size_t k = 1; k < s.points.size(); ++k) c.line_to(s.points[k].x(), -s.points[k].y());
  }
}

int differing(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return n;
}

TEST(QtCanvasLines, SameAsThePainterInEveryDirection) {
  QRegion two_pieces(QRect(10, 10, 60, 40));
  two_pieces += QRect(90, 50, 50, 60);
  struct Surface {
    const char* name;
    QPoint shift;         // painter translation
    QRegion system_clip;  // empty: none
  };
  const Surface surfaces[] = {{"plain", {}, {}},
                              {"shifted painter", {7, -5}, {}},
                              {"paint event clip of two rectangles", {}, two_pieces}};
  QImage blank(kWidth, kHeight, QImage::Format_RGB32);
  blank.fill(Qt::white);
  for (const Surface& surface : surfaces) {
    SCOPED_TRACE(surface.name);
    QImage out[2];
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
      QImage img(kWidth, kHeight, format);
      img.fill(Qt::white);
      if (!surface.system_clip.isEmpty()) img.paintEngine()->setSystemClip(surface.system_clip);
      {
        QPainter p(&img);
        p.translate(surface.shift);
        paint_strokes(p);
      }
      out[format == QImage::Format_ARGB32] = img.convertToFormat(QImage::Format_RGB32);
    }
    EXPECT_EQ(differing(out[0], out[1]), 0);
    EXPECT_GT(differing(out[0], blank), 1000);  // the comparison saw lines
  }
}

// A child widget away from its window's corner paints through a shifted
// painter and the paint event's clip into the window's image.
class StrokeWidget : public QWidget {
 public:
  StrokeWidget(bool painter_clip, QWidget* parent) : QWidget(parent), painter_clip_(painter_clip) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // A clip of the painter's own leaves every line to QPainter; the widget's
    // own rectangle changes nothing else.
    if (painter_clip_) p.setClipRect(rect());
    paint_strokes(p);
  }

 private:
  bool painter_clip_;
};

QImage window_image(bool painter_clip) {
  QWidget window;
  window.resize(kWidth + 60, kHeight + 40);
  auto* child = new StrokeWidget(painter_clip, &window);
  child->setGeometry(37, 23, kWidth - 20, kHeight - 10);
  window.show();
  QApplication::processEvents();
  child->repaint();
  const auto* img = dynamic_cast<const QImage*>(window.backingStore()->paintDevice());
  return img != nullptr ? img->convertToFormat(QImage::Format_RGB32) : QImage();
}

TEST(QtCanvasLines, SameAsThePainterInAChildWidget) {
  const QImage direct = window_image(false);
  if (direct.isNull()) GTEST_SKIP() << "this platform's window is not an image";
  const QImage painter = window_image(true);
  ASSERT_EQ(direct.size(), painter.size());
  EXPECT_EQ(differing(direct, painter), 0);
}

}  // namespace
}  // namespace lumetch
