#include "view/main_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>

#include <memory>
#include <vector>

#include "commands/draw_object.h"
#include "model/mark_object.h"

namespace lumetch {
namespace {

// One pixel per field millimetre at the true-size zoom (Z = 50): the edit
// area of 100 mm covers pixels 10..110 on both axes.
constexpr double kScale = 0.01;
const ViewMapping kMapping{kScale, 10000, 10000};
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(200, 200, 200);

struct ViewFixture {
  CketralDoc doc;
  Cmainview view{doc};

  ViewFixture() {
    doc.view.zoom_index = 8;
    doc.settings.disp_size = 100.0;
    doc.settings.scan_size_x = 10.0;
    doc.settings.scan_size_y = 10.0;
  }

  QImage render() {
    QImage img(121, 121, QImage::Format_RGB32);
    img.fill(kWhite);
    QPainter p(&img);
    view.OnDraw(p, kMapping);
    return img;
  }

  MarkObject& add_square(double cx, double cy, int32_t layer) {
    auto o = std::make_unique<MarkObject>();
    o->type = RECTANGLE;
    o->layer = layer;
    o->cent_x = cx;
    o->cent_y = cy;
    o->width = 10.0;
    o->height = 10.0;
    o->params = RectangleParams{10.0, 10.0, 0.0, 0.0, 0};
    return *doc.ring.add(std::move(o));
  }
};

std::vector<int> grey_columns(const QImage& img, int row) {
  std::vector<int> xs;
  for (int x = 0; x < img.width(); ++x) {
    if (img.pixel(x, row) == kGrey) xs.push_back(x);
  }
  return xs;
}

std::vector<int> grey_rows(const QImage& img, int column) {
  std::vector<int> ys;
  for (int y = 0; y < img.height(); ++y) {
    if (img.pixel(column, y) == kGrey) ys.push_back(y);
  }
  return ys;
}

TEST(MainView, GridLinesStartAtTheTopLeftEdges) {
  struct Case {
    double pitch;
    std::vector<int> lines;
  };
  const Case cases[] = {
      {10.0, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110}},
      {30.0, {10, 40, 70, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pitch);
    ViewFixture f;
    f.doc.settings.grid_size = c.pitch;
    f.doc.view.printing = 1;  // the grid alone, no border over its outer lines
    const QImage img = f.render();
    EXPECT_EQ(grey_columns(img, 15), c.lines);
    EXPECT_EQ(grey_rows(img, 15), c.lines);
  }
}

TEST(MainView, BorderAndZeroPitch) {
  ViewFixture f;
  f.doc.settings.grid_size = 0.0;
  QImage img = f.render();
  EXPECT_EQ(f.doc.settings.grid_size, 0.0);  // drawn at 1 mm, the setting untouched
  EXPECT_EQ(img.pixel(10, 50), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(110, 50), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(50, 10), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(50, 110), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(20, 20), kGrey);
  // The scanning-area marker: 10 mm around the centre, in red.
  EXPECT_EQ(img.pixel(55, 58), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(65, 58), qRgb(255, 0, 0));

  f.view.toggle_grid();
  EXPECT_FALSE(f.view.grid_on());
  img = f.render();
  EXPECT_EQ(img.pixel(20, 20), kWhite);
}

TEST(MainView, ObjectDrawnAtItsMappedPositionInItsLayerColour) {
  ViewFixture f;
  f.doc.view.grid_on = 0;
  f.add_square(20.0, 10.0, 1);  // outline from view (17500, -14500) to (18500, -15500)
  const QImage img = f.render();
  const QRgb red = qRgb(255, 0, 0);
  EXPECT_EQ(img.pixel(75, 50), red);
  EXPECT_EQ(img.pixel(85, 50), red);
  EXPECT_EQ(img.pixel(80, 45), red);
  EXPECT_EQ(img.pixel(80, 55), red);
  EXPECT_EQ(img.pixel(80, 50), kWhite);  // outlined, not filled
  EXPECT_EQ(img.pixel(74, 50), kWhite);
  EXPECT_EQ(img.pixel(86, 50), kWhite);
  EXPECT_EQ(img.pixel(80, 44), kWhite);
  EXPECT_EQ(img.pixel(80, 56), kWhite);
}

TEST(MainView, ZoomStopsAtBothEndsAndKeepsScreenRectsAndFrame) {
  ViewFixture f;
  MarkObject& o = f.add_square(3.0, -2.0, 0);
  f.doc.selection = Selection::only(o.id);
  f.doc.view.zoom_index = 0;
  f.doc.settings.view_zoom_num = 0;
  for (int i = 0; i < 13; ++i) ASSERT_TRUE(f.view.zoom_in());
  EXPECT_EQ(f.doc.view.zoom(), 200);
  EXPECT_FALSE(f.view.zoom_in());
  EXPECT_EQ(f.doc.view.zoom_index, 13);
  EXPECT_EQ(f.doc.settings.view_zoom_num, 13);
  EXPECT_EQ(o.screen_rect, compute_screen_rect(o, 200, 16000, 16000));
  const auto& fr = f.doc.view.selection.frame;
  EXPECT_EQ(fr[0], o.screen_rect.left);
  EXPECT_EQ(fr[1], o.screen_rect.top);
  EXPECT_EQ(fr[2], o.screen_rect.right);
  EXPECT_EQ(fr[3], o.screen_rect.bottom);

  for (int i = 0; i < 13; ++i) ASSERT_TRUE(f.view.zoom_out());
  EXPECT_FALSE(f.view.zoom_out());
  EXPECT_EQ(f.doc.view.zoom_index, 0);
  EXPECT_EQ(f.doc.settings.view_zoom_num, 0);
  EXPECT_EQ(o.screen_rect, compute_screen_rect(o, 1, 16000, 16000));
}

TEST(MainView, FrameOfAnArrayCoversEveryCopy) {
  ViewFixture f;
  MarkObject& o = f.add_square(5.0, 0.0, 0);
  o.columns = 3;
  o.column_gap = 2.0;
  f.doc.selection = Selection::only(o.id);
  f.view.update_frame();
  const auto& fr = f.doc.view.selection.frame;
  // 3 × 10 + 2 × 2 = 34 mm wide about x = 5: view 100 units per mm.
  EXPECT_EQ(fr[0], 16000 + 500 - 1700);
  EXPECT_EQ(fr[2], 16000 + 500 + 1700);
  EXPECT_EQ(fr[1], 500 - 16000);
  EXPECT_EQ(fr[3], -500 - 16000);
}

TEST(MainView, ReadoutAtTheUpperRightCornerAtEveryZoom) {
  ViewFixture f;
  const QString expected = QString(45, QLatin1Char(' ')) + "x= 50.000mm, y= 50.000mm";
  for (int32_t index : {0, 8, 13}) {
    f.doc.view.zoom_index = index;
    const int32_t z = f.doc.view.zoom();
    EXPECT_EQ(f.view.readout_text(16000 + z * 100, z * 100 - 16000), expected) << index;
  }
  f.doc.view.zoom_index = 8;
  EXPECT_EQ(f.view.readout_text(16000 - 1234, -16000 - 50),
            QString(45, QLatin1Char(' ')) + "x=-12.340mm, y= -0.500mm");
}

TEST(MainView, SelectionMarksDrawnTwiceLeaveThePicture) {
  ViewFixture f;
  const ObjectId square = f.add_square(0.0, 0.0, 3).id;
  f.doc.view.selection.frame = {15500, -15500, 16500, -16500};
  const QImage before = f.render();
  f.doc.selection = Selection::only(square);
  QImage img = before.copy();
  {
    QPainter p(&img);
    f.view.DrawSelectionMarks(p, kMapping);
  }
  EXPECT_NE(img, before);
  // Handle 9 (bottom right) lies around the widened frame's corner.
  const auto& h9 = f.doc.view.selection.handle_rects[9];
  EXPECT_EQ(h9[0], 15300 - 100 + 2 * (700 + 4));
  EXPECT_EQ(h9[1], -15300 + 100 - 2 * (700 + 4));
  {
    QPainter p(&img);
    f.view.DrawSelectionMarks(p, kMapping);
  }
  EXPECT_EQ(img, before);
}

TEST(MainView, PrintedPageHasObjectsOnlyAtTrueSizeAndRestoresTheView) {
  ViewFixture f;
  f.doc.view.zoom_index = 11;
  f.doc.view.selection.frame = {15000, -15000, 17000, -17000};
  f.doc.selection = Selection::only(f.add_square(0.0, 0.0, 5).id);
  // One pixel per millimetre: the field centre lands on pixel (99, 140).
  QImage page(200, 280, QImage::Format_RGB32);
  page.fill(kWhite);
  {
    QPainter p(&page);
    f.view.print_page(p, 0.01);
  }
  const QRgb blue = qRgb(0, 0, 255);
  EXPECT_EQ(page.pixel(94, 140), blue);
  EXPECT_EQ(page.pixel(104, 140), blue);
  EXPECT_EQ(page.pixel(99, 135), blue);
  EXPECT_EQ(page.pixel(99, 145), blue);
  int marked = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) marked += page.pixel(x, y) != kWhite ? 1 : 0;
  }
  EXPECT_EQ(marked, 40);  // the square's outline and nothing else

  EXPECT_EQ(f.doc.view.zoom_index, 11);
  EXPECT_EQ(f.doc.view.grid_on, 1);
  EXPECT_EQ(f.doc.view.printing, 0);
  EXPECT_EQ(f.doc.view.origin_x, 16000);
  EXPECT_EQ(f.doc.view.origin_y, 16000);
}

TEST(MainView, MouseMoveSendsTheReadout) {
  ViewFixture f;
  f.view.resize(200, 150);  // 32000 units are 320 pixels here
  f.view.show();
  f.view.set_pixels_per_unit(kScale);
  f.view.set_scroll_position(10000, -10000);
  ASSERT_EQ(f.view.scroll_position(), QPoint(10000, -10000));
  QSignalSpy spy(&f.view, &Cmainview::readout_changed);
  // Pixel (110, 10) is view (21000, -11000): the edit area's upper right corner.
  QMouseEvent move(QEvent::MouseMove, QPointF(110, 10), QPointF(110, 10), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(f.view.viewport(), &move);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), QString(45, QLatin1Char(' ')) + "x= 50.000mm, y= 50.000mm");
}

// What the window shows of the view's pane, as its backing store holds it
// after the paints so far; null where the platform's window is no image.
QImage shown_pane(Cmainview& view) {
  QApplication::processEvents();
  const auto* img = dynamic_cast<const QImage*>(view.backingStore()->paintDevice());
  if (img == nullptr) return {};
  const QRect pane(view.viewport()->mapTo(&view, QPoint(0, 0)), view.viewport()->size());
  return img->copy(pane).convertToFormat(QImage::Format_RGB32);
}

QImage whole_repaint(Cmainview& view) {
  QImage img(view.viewport()->size(), QImage::Format_RGB32);
  img.fill(kWhite);
  QPainter p(&img);
  view.OnDraw(p, view.mapping());
  return img;
}

// Mouse steps repaint only the marks over the kept picture; after every step
// the pane must still be exactly what a whole repaint draws.
TEST(MainView, DragAndBandStepsLeaveNoTraces) {
  ViewFixture f;
  f.view.resize(300, 300);
  f.view.show();
  f.view.set_pixels_per_unit(0.04);
  f.view.set_scroll_position(12250, -12250);
  const ObjectId moved = f.add_square(0.0, 0.0, 3).id;
  f.add_square(5.0, 3.0, 5);  // under the dragged frame
  f.doc.update_screen_rect(*f.doc.ring.find(moved));
  f.doc.selection = Selection::only(moved);
  f.view.update_frame();
  f.view.viewport()->update();
  if (shown_pane(f.view).isNull()) GTEST_SKIP() << "this platform's window is not an image";
  ASSERT_EQ(shown_pane(f.view), whole_repaint(f.view));

  QWidget* port = f.view.viewport();
  const auto& fr = f.doc.view.selection.frame;
  const QPoint press(f.view.mapping().px((fr[0] + fr[2]) / 2), f.view.mapping().py(fr[1] - 300));
  const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), port->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(port, &e);
  };
  mouse(QEvent::MouseButtonPress, press, Qt::LeftButton);
  const FrameRect start = fr;
  for (const QPoint step : {QPoint(9, 0), QPoint(30, 11), QPoint(60, 40), QPoint(20, -30)}) {
    SCOPED_TRACE(step.x());
    mouse(QEvent::MouseMove, press + step, Qt::LeftButton);
    EXPECT_EQ(shown_pane(f.view), whole_repaint(f.view));
  }
  EXPECT_NE(fr, start);
  mouse(QEvent::MouseButtonRelease, press + QPoint(20, -30), Qt::NoButton);
  EXPECT_GT(f.doc.ring.find(moved)->cent_x, 0.0);
  EXPECT_EQ(shown_pane(f.view), whole_repaint(f.view));

  // A band from empty field over both squares, then back off them.
  const QPoint corner(5, 5);
  mouse(QEvent::MouseButtonPress, corner, Qt::LeftButton);
  mouse(QEvent::MouseMove, QPoint(280, 280), Qt::LeftButton);
  const QImage band = shown_pane(f.view);
  EXPECT_NE(band, whole_repaint(f.view));  // the band is drawn
  mouse(QEvent::MouseMove, QPoint(40, 30), Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, QPoint(40, 30), Qt::NoButton);
  EXPECT_EQ(selection_kind(f.doc), 0);
  EXPECT_EQ(shown_pane(f.view), whole_repaint(f.view));
}

// Arrays paint only the copies in sight; what they paint is what the full
// walk paints, turned copies and a clipped repaint included.
TEST(MainView, ArraysPaintTheCopiesInSightAsTheFullWalkDoes) {
  ViewFixture f;
  MarkObject& a = f.add_square(10.0, -5.0, 1);
  a.rows = 40;
  a.columns = 30;
  a.width = a.height = 2.0;
  a.params = RectangleParams{2.0, 2.0, 0.0, 0.0, 0};
  a.row_gap = 1.5;
  a.column_gap = 1.0;
  a.angle = 30.0;
  MarkObject& b = f.add_square(-45.0, 40.0, 2);  // mostly off the field
  b.rows = b.columns = 25;
  for (MarkObject& o : f.doc.ring.oldest_first()) f.doc.update_screen_rect(o);
  const QImage culled = f.render();

  ViewFixture bare;  // the same view without objects
  QImage full = bare.render();
  {
    QPainter p(&full);
    QtCanvas canvas(p, kMapping);
    GeomContext g{f.doc, nullptr};  // no window: every copy
    for (const MarkObject& o : f.doc.ring.oldest_first()) DrawObject(g, &canvas, o);
  }
  EXPECT_EQ(culled, full);

  // A clipped repaint draws inside its clip what the whole one draws.
  QImage part(121, 121, QImage::Format_RGB32);
  part.fill(kWhite);
  {
    QPainter p(&part);
    p.setClipRect(QRect(30, 40, 25, 20));
    f.view.OnDraw(p, kMapping);
  }
  EXPECT_EQ(part.copy(30, 40, 25, 20), culled.copy(30, 40, 25, 20));

  // Ten thousand million copies: only those in sight are walked.
  a.rows = a.columns = 100000;
  a.width = a.height = 0.2;
  a.params = RectangleParams{0.2, 0.2, 0.0, 0.0, 0};
  a.row_gap = a.column_gap = 0.2;
  a.angle = 0.0;
  f.doc.update_screen_rect(a);
  const QImage huge = f.render();
  EXPECT_NE(huge, bare.render());
}

// Where thousands of copies are in sight the view draws a block of them once
// and repeats it: the picture differs from drawing every copy at most by a
// pixel's shift here and there.
TEST(MainView, DenseArraysRepeatBlocksOfCopiesWithinAPixel) {
  const ViewMapping fine{kScale * 6, 10000, 10000};  // six pixels a millimetre
  const auto paint = [&](ViewFixture& f, bool culled) {
    QImage img(721, 721, QImage::Format_RGB32);
    img.fill(kWhite);
    QPainter p(&img);
    if (culled) {
      f.view.OnDraw(p, fine);
    } else {
      ViewFixture bare;  // grid and frame, then every copy over them
      bare.view.OnDraw(p, fine);
      QtCanvas canvas(p, fine);
      GeomContext g{f.doc, nullptr};
      for (const MarkObject& o : f.doc.ring.oldest_first()) DrawObject(g, &canvas, o);
    }
    return img;
  };
  const auto dark = [](const QImage& img, int x, int y) {
    return x >= 0 && y >= 0 && x < img.width() && y < img.height() && qGray(img.pixel(x, y)) < 100;
  };
  struct Case {
    int32_t type;
    int32_t mode;  // 2: hatch-filled
  };
  for (const Case& c : {Case{RECTANGLE, 0}, Case{RECTANGLE, 2}, Case{CIRCLE, 0}}) {
    SCOPED_TRACE(c.type * 10 + c.mode);
    ViewFixture f;
    MarkObject& a = f.add_square(0.0, 0.0, 0);
    a.rows = a.columns = 120;
    a.width = a.height = 0.5;
    a.type = c.type;
    if (c.type == CIRCLE) {
      a.params = CircleParams{0.5, 0.5, 0.0};
    } else {
      a.params = RectangleParams{0.5, 0.5, 0.0, 0.0, 0};
    }
    a.row_gap = a.column_gap = 0.3;
    a.output_mode = c.mode;
    a.fill_pitch = 0.1;
    f.doc.update_screen_rect(a);
    const QImage stamped = paint(f, true);
    const QImage each = paint(f, false);
    int painted = 0;
    int far = 0;
    for (int y = 0; y < stamped.height(); ++y) {
      for (int x = 0; x < stamped.width(); ++x) {
        for (const auto& [one, other] : {std::pair{&stamped, &each}, std::pair{&each, &stamped}}) {
          if (!dark(*one, x, y)) continue;
          painted += one == &stamped ? 1 : 0;
          bool near = false;
          for (int dy = -1; dy <= 1 && !near; ++dy) {
            for (int dx = -1; dx <= 1 && !near; ++dx) near = dark(*other, x + dx, y + dy);
          }
          far += near ? 0 : 1;
        }
      }
    }
    EXPECT_GT(painted, 720 * 720 / 10);
    EXPECT_EQ(far, 0);
  }
}

TEST(MainView, RepaintAreas) {
  ViewFixture f;
  SelectionFrame& sel = f.doc.view.selection;
  sel.drawn_frame = {15000, -15000, 16000, -16000};
  sel.frame = {17000, -15000, 18000, -16000};
  // Without a turn: each frame and 400 units around it, one more pixel for rounding.
  QRegion area = f.view.selection_area(10.0, 20.0, 0.0, kMapping);
  EXPECT_EQ(area, QRegion(QRect(QPoint(45, 45), QPoint(65, 65))) +
                      QRegion(QRect(QPoint(65, 45), QPoint(85, 65))));
  // Turned 90 degrees: widened by the height sideways and the width up and down.
  area = f.view.selection_area(10.0, 20.0, 90.0, kMapping);
  EXPECT_EQ(area.boundingRect(), QRect(QPoint(25, 35), QPoint(105, 75)));

  // The band along a 20 mm square marker at the centre: pixels 50..70.
  struct Case {
    int32_t outline;
    QPoint in_band;
    QPoint outside;
  };
  for (const Case& c : {Case{0, {50, 60}, {60, 60}}, Case{1, {60, 50}, {51, 51}},
                        Case{2, {55, 55}, {51, 51}}, Case{3, {60, 50}, {52, 60}}}) {
    SCOPED_TRACE(c.outline);
    f.doc.settings.scan_size_x = 20.0;
    f.doc.settings.scan_size_y = 20.0;
    f.doc.settings.scan_outline = c.outline;
    const QRegion band = f.view.scan_area_band(kMapping);
    EXPECT_TRUE(band.contains(c.in_band));
    EXPECT_FALSE(band.contains(c.outside));
    EXPECT_FALSE(band.contains(QPoint(60, 60)));
  }
}

}  // namespace
}  // namespace lumetch
