// One-pixel lines that QtCanvas writes into an image itself must set exactly
// the pixels QPainter sets where the painter does not cut them. The canvas
// leaves lines in a non-premultiplied image to the painter, so the same
// drawing in both formats compares the two.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <algorithm>
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

// `inside` (painter pixels, when not null): only the strokes that stay in it.
void paint_strokes(QPainter& p, const ViewMapping& m = ViewMapping{1.0, 0, 0},
                   const QRect& inside = QRect()) {
  QtCanvas c(p, m);
  for (const Stroke& s : random_strokes()) {
    if (!inside.isNull() && !std::all_of(s.points.begin(), s.points.end(),
                                         [&](QPoint pt) { return inside.contains(pt); })) {
      continue;
    }
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
        paint_strokes(p, ViewMapping{1.0, 0, 0},
                      QRect(0, 0, kWidth, kHeight).translated(-surface.shift));
      }
      out[format == QImage::Format_ARGB32] = img.convertToFormat(QImage::Format_RGB32);
    }
    EXPECT_EQ(differing(out[0], out[1]), 0);
    EXPECT_GT(differing(out[0], blank), 500);  // the comparison saw lines
  }
}

// A picture drawn in parts (a kept picture mended where something changed)
// must fit together: lines cut by an image's edge set the pixels of the
// whole line there, at every shift of the image.
TEST(QtCanvasLines, CutByTheEdgeAsTheWholeLine) {
  constexpr int kMargin = 40;
  QImage whole(kWidth + 2 * kMargin, kHeight + 2 * kMargin, QImage::Format_RGB32);
  whole.fill(Qt::white);
  {
    QPainter p(&whole);
    paint_strokes(p, ViewMapping{1.0, 0, 0, -kMargin, -kMargin});
  }
  for (const QRect part : {QRect(0, 0, kWidth, kHeight), QRect(13, -7, 50, 41),
                           QRect(-30, 60, 90, 30), QRect(100, 90, 80, 50)}) {
    SCOPED_TRACE(part.x() * 1000 + part.y());
    QImage img(part.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
      QPainter p(&img);
      paint_strokes(p, ViewMapping{1.0, 0, 0, part.x(), part.y()});
    }
    EXPECT_EQ(differing(img, whole.copy(part.translated(kMargin, kMargin))), 0);
  }
}

// The picture at one scroll position is the picture at another moved by
// whole pixels, whatever the scale.
TEST(ViewMapping, ScrollingMovesByWholePixels) {
  for (const double scale : {96.0 / 2540.0, 0.01, 0.137, 1.0}) {
    const ViewMapping a{scale, 1000, 2000};
    for (const int32_t step : {1, 7, 160, 1600, 12345}) {
      const ViewMapping b{scale, 1000 + step, 2000 - step};
      const int sx = a.px(0) - b.px(0);
      const int sy = a.py(0) - b.py(0);
      for (const double u : {-123457.0, -1.0, 0.0, 13.0, 4999.0, 31999.0}) {
        EXPECT_EQ(a.px(u) - b.px(u), sx) << scale << " " << step << " " << u;
        EXPECT_EQ(a.py(u) - b.py(u), sy) << scale << " " << step << " " << u;
      }
      // The view point of a pixel comes back to that pixel.
      for (const QPoint px : {QPoint(0, 0), QPoint(17, 250), QPoint(1279, 999)}) {
        EXPECT_EQ(b.pixel(b.view_point(px).x(), b.view_point(px).y()), px);
      }
    }
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
