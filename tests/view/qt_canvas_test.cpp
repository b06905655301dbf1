#include "view/qt_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <array>
#include <functional>

namespace lumetch {
namespace {

const QRgb kWhite = qRgb(255, 255, 255);

int differing(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return n;
}

TEST(QtCanvas, MapsViewUnitsWithYUp) {
  const ViewMapping m{0.01, 1000, 2000};
  EXPECT_EQ(m.pixel(1000, -2000), QPoint(0, 0));
  EXPECT_EQ(m.pixel(1550, -2349), QPoint(6, 3));
  EXPECT_EQ(m.view_point(QPoint(6, 3)), QPoint(1600, -2300));
  EXPECT_EQ(m.pixel_rect(1100, -2100, 1500, -2400), QRect(QPoint(1, 1), QPoint(5, 4)));
}

// Every shape drawn NOT-XOR inverts each pixel once and is gone after a second drawing.
TEST(QtCanvas, NotXorDrawnTwiceLeavesThePicture) {
  const ViewMapping m{0.01, 0, 0};
  const std::array<CanvasPoint, 4> tri{{{100, -100}, {1500, -200}, {800, -1800}, {100, -100}}};
  struct Case {
    const char* name;
    Pen pen;
    Brush brush;
    std::function<void(QtCanvas&)> draw;
    int pixels;
  };
  const Case cases[] = {
      {"closed polyline",
       {{0, 0, 0}, 1, PenStyle::Solid},
       {{0, 0, 0}, true},
       [](QtCanvas& c) {
         c.move_to(200, -200);
         c.line_to(1200, -200);
         c.line_to(1200, -1000);
         c.line_to(200, -1000);
         c.line_to(200, -200);
       },
       36},
      {"filled square",
       {{0, 0, 0}, 1, PenStyle::Solid},
       {{0, 0, 0}, false},
       [](QtCanvas& c) { c.rectangle(300, -300, 700, -700); },
       25},
      {"dotted frame",
       {{0, 0, 0}, 1, PenStyle::Dot},
       {{0, 0, 0}, true},
       [](QtCanvas& c) { c.rectangle(300, -300, 900, -700); },
       10},
      {"slanted lines",
       {{0, 0, 0}, 1, PenStyle::Solid},
       {{0, 0, 0}, true},
       [&tri](QtCanvas& c) {
         c.move_to(tri[0].x, tri[0].y);
         for (std::size_t i = 1; i < tri.size(); ++i) c.line_to(tri[i].x, tri[i].y);
       },
       -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    QImage before(24, 24, QImage::Format_RGB32);
    before.fill(kWhite);
    {
      QPainter p(&before);
      p.fillRect(QRect(4, 4, 8, 8), QColor(10, 200, 30));
    }
    QImage img = before.copy();
    for (int pass = 0; pass < 2; ++pass) {
      {
        QPainter p(&img);
        QtCanvas c(p, m);
        c.set_not_xor(true);
        c.set_pen(k.pen);
        c.set_brush(k.brush);
        k.draw(c);
      }
      if (pass == 0) {
        const int changed = differing(img, before);
        if (k.pixels >= 0) {
          EXPECT_EQ(changed, k.pixels);
        } else {
          EXPECT_GT(changed, 30);
        }
      }
    }
    EXPECT_EQ(differing(img, before), 0);
  }
}

}  // namespace
}  // namespace lumetch
