// The kept picture of the scene must be what a fresh paint draws, pixel for
// pixel, after scrolling, zooming, selecting and editing.
#include "view/main_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "model/edit.h"
#include "platform/scripted_operator.h"
#include "view/pick.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

int differing(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return a.width() * a.height() + 1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return n;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// Tells the view what each edit changed, as the main window does.
struct Forward : DocObserver {
  Cmainview* view = nullptr;
  void document_changed(const ChangeNotice& n) override { view->document_changed(n); }
  void invalidate_all() override { view->scene_changed(); }
};

class SceneCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lumetch-scene-cache-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    doc_.work_dir = dir_;
    doc_.view.zoom_index = 8;
    doc_.settings.view_zoom_num = 8;
    view_ = std::make_unique<Cmainview>(doc_);
    forward_.view = view_.get();
    doc_.observer = &forward_;
    view_->resize(420, 330);
    view_->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    doc_.observer = nullptr;
    view_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Shapes of every kind, filled, turned and in arrays, and a few texts.
  void build(int count) {
    std::mt19937 rng(1207);
    std::uniform_real_distribution<double> at(-45.0, 45.0);
    static const int32_t kTypes[] = {LINE, RECTANGLE, CIRCLE, TRIANGLE, RHOMBIC, POLYGON};
    for (int i = 0; i < count; ++i) {
      CreationDefaults& d = doc_.defaults;
      MarkObject* obj = nullptr;
      if (i % 7 == 0) {
        d.line_text.text = i % 2 == 0 ? "Lot 12 A" : "QC 0001";
        d.line_text.face_name = "Liberation Sans";
        d.line_text.style.output_mode = i % 3 == 0 ? 2 : 0;
        obj = CreateObject(doc_, LINE_TEXT, op_);
      } else {
        const std::string size = number(3.0 + (i % 7));
        const OutputStyle style{i % 5 == 4 ? 2 : 0, 0.05, i % 2};
        d.line = {size, "0.3", "0", style};
        d.rectangle = {size, number(2.0 + (i % 5)), "0.5", "1", i % 3, style};
        d.ellipse = {size, number(2.0 + (i % 4)), "0.5", style};
        d.triangle = {size, size, "0.5", i % 2, style};
        d.rhombic = {size, size, "0.5", style};
        d.polygon = {size, "0.5", std::to_string(5 + i % 4), style};
        obj = CreateObject(doc_, kTypes[i % 6], op_);
      }
      ASSERT_NE(obj, nullptr);
      Commit c(doc_);
      MarkObject& o = c.modify(*obj);
      o.cent_x = at(rng);
      o.cent_y = at(rng);
      o.layer = i % 7;
      if (i % 10 == 3) {
        o.rows = o.columns = 3;
        o.row_gap = o.column_gap = 0.5;
      }
      if (i % 13 == 5) o.angle = 30.0;
      doc_.update_screen_rect(o);
      c.push("Place");
    }
  }

  // What the pane shows after a paint event, cut from the window's image.
  QImage shown() {
    QWidget* port = view_->viewport();
    port->repaint();
    const auto* img = dynamic_cast<const QImage*>(view_->backingStore()->paintDevice());
    if (img == nullptr) return {};
    const QPoint at = port->mapTo(view_->window(), QPoint(0, 0));
    return img->copy(QRect(at, port->size())).convertToFormat(QImage::Format_RGB32);
  }

  // The same pane painted afresh: every object drawn.
  QImage fresh() {
    QImage img(view_->viewport()->size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    view_->OnDraw(p, view_->mapping());
    return img;
  }

  // The n-th object (of `type`, or any) whose centre the pane shows.
  MarkObject& in_sight(int n, int32_t type = -1) {
    const ViewMapping m = view_->mapping();
    const QRect pane(QPoint(0, 0), view_->viewport()->size());
    MarkObject* last = nullptr;
    for (MarkObject& o : doc_.ring.oldest_first()) {
      const ScreenRect& r = o.screen_rect;
      if (type >= 0 && o.type != type) continue;
      if (!pane.contains(m.pixel((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0))) continue;
      last = &o;
      if (n-- == 0) break;
    }
    EXPECT_NE(last, nullptr);
    return last != nullptr ? *last : *doc_.ring.oldest_first().begin();
  }

  fs::path dir_;
  CketralDoc doc_;
  ScriptedOperator op_;
  Forward forward_;
  std::unique_ptr<Cmainview> view_;
};

TEST_F(SceneCacheTest, KeptPictureIsTheFreshPaintAfterEveryStep) {
  build(120);
  if (shown().isNull()) GTEST_SKIP() << "this platform's window is not an image";
  QScrollBar* h = view_->horizontalScrollBar();
  QScrollBar* v = view_->verticalScrollBar();
  const auto move = [&](MarkObject& obj, double dx, double dy) {
    Commit c(doc_);
    MarkObject& o = c.modify(obj);
    o.cent_x += dx;
    o.cent_y += dy;
    doc_.update_screen_rect(o);
    c.push("Move");
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    bool changes_picture;
  };
  const std::vector<Step> steps = {
      {"first paint", [] {}, false},
      {"centre of the field", [&] { h->setValue(16000 - 5000); v->setValue(16000 - 4000); }, true},
      {"scroll a line right", [&] { h->setValue(h->value() + Cmainview::kLineStep); }, true},
      {"scroll a page down", [&] { v->setValue(v->value() + Cmainview::kPageStep); }, true},
      {"scroll by an odd amount", [&] { h->setValue(h->value() - 1234); v->setValue(v->value() - 777); }, true},
      {"scroll by a unit", [&] { h->setValue(h->value() + 1); }, false},
      {"zoom in", [&] { view_->zoom_in(); }, true},
      {"zoom out again", [&] { view_->zoom_out(); }, true},
      {"zoom in twice", [&] { view_->zoom_in(); view_->zoom_in(); }, true},
      {"scroll while zoomed", [&] { h->setValue(h->value() + 3 * Cmainview::kLineStep); }, true},
      {"back to true size",
       [&] {
         view_->zoom_out();
         view_->zoom_out();
         h->setValue(16000 - 5000);
         v->setValue(16000 - 4000);
       },
       true},
      {"select two objects",
       [&] {
         Selection sel;
         sel.add(in_sight(4).id);
         sel.add(in_sight(9).id);
         apply_selection(doc_, sel);
         view_->update_frame();
       },
       true},
      {"move an object", [&] { move(in_sight(4), 3.0, -2.0); }, true},
      {"move a text", [&] { move(in_sight(0, LINE_TEXT), -4.0, 1.5); }, true},
      {"change an object's layer",
       [&] {
         MarkObject& obj = in_sight(9);
         Commit c(doc_);
         c.modify(obj).layer = (obj.layer + 3) % 7;
         c.push("Layer");
       },
       true},
      {"delete the selected objects", [&] { delete_objects(doc_, false); }, true},
      {"undo the delete", [&] { ASSERT_TRUE(undo(doc_)); }, true},
      {"undo the layer", [&] { ASSERT_TRUE(undo(doc_)); }, true},
      {"redo the layer", [&] { ASSERT_TRUE(redo(doc_)); }, true},
      {"add an object",
       [&] {
         doc_.defaults.ellipse = {"12", "9", "0.5", OutputStyle{0, 0.05, 0}};
         ASSERT_NE(CreateObject(doc_, CIRCLE, op_), nullptr);
       },
       true},
      {"grid off", [&] { view_->toggle_grid(); }, true},
      {"zoom out to the first zoom", [&] { while (view_->zoom_out()) {} }, true},
      {"zoom in to the last zoom", [&] { while (view_->zoom_in()) {} }, true},
  };
  QImage before = shown();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    const QImage cached = shown();
    ASSERT_FALSE(cached.isNull());
    // The picture was kept, so the paint above copied it.
    ASSERT_GE(view_->scene_cache().size(), 1u);
    EXPECT_EQ(differing(cached, fresh()), 0);
    if (s.changes_picture) {
      EXPECT_GT(differing(cached, before), 0) << "the step changed nothing";
    }
    before = cached;
  }
  // With the picture kept off the paint is the same.
  view_->set_scene_cache(false);
  EXPECT_EQ(differing(shown(), before), 0);
  EXPECT_EQ(view_->scene_cache().size(), 0u);
}

TEST_F(SceneCacheTest, ChangesWithoutANoticeAreSeen) {
  build(30);
  view_->horizontalScrollBar()->setValue(16000 - 5000);
  view_->verticalScrollBar()->setValue(16000 - 4000);
  if (shown().isNull()) GTEST_SKIP() << "this platform's window is not an image";
  const QImage before = shown();
  // An object linked behind the edit layer's back (as a test or tool may).
  doc_.observer = nullptr;
  auto o = std::make_unique<MarkObject>();
  o->type = RECTANGLE;
  o->width = o->height = 20.0;
  o->params = RectangleParams{20.0, 20.0, 0.0, 0.0, 0};
  doc_.update_screen_rect(*doc_.ring.add(std::move(o)));
  const QImage after = shown();
  EXPECT_GT(differing(after, before), 0);
  EXPECT_EQ(differing(after, fresh()), 0);
}

TEST_F(SceneCacheTest, RepeatedBlocksOfCopiesAreNotKept) {
  // Thousands of copies in sight are put in blocks whose start depends on
  // what is in sight: that picture is painted afresh each time.
  auto o = std::make_unique<MarkObject>();
  o->type = RECTANGLE;
  o->width = o->height = 0.2;
  o->params = RectangleParams{0.2, 0.2, 0.0, 0.0, 0};
  o->rows = o->columns = 1000;
  o->row_gap = o->column_gap = 0.2;
  {
    Commit c(doc_);
    doc_.update_screen_rect(*c.add(std::move(o)));
    c.push("Create");
  }
  view_->horizontalScrollBar()->setValue(12000);
  view_->verticalScrollBar()->setValue(12000);
  const QImage img = shown();
  if (img.isNull()) GTEST_SKIP() << "this platform's window is not an image";
  EXPECT_EQ(differing(img, fresh()), 0);
  ASSERT_EQ(view_->scene_cache().size(), 1u);
  EXPECT_EQ(view_->scene_cache().bytes(), 0u);
}

TEST(SceneCache, KeepsTheLimitDroppingTheLeastRecentlyUsed) {
  SceneCache cache;
  cache.set_limit(3 * 100 * 100 * 4);
  const auto entry = [](int zoom) {
    SceneCache::Entry e;
    e.key.zoom = zoom;
    e.area = QRect(0, 0, 100, 100);
    e.image = QImage(100, 100, QImage::Format_RGB32);
    return e;
  };
  for (int z = 1; z <= 3; ++z) cache.insert(entry(z));
  SceneKey one;
  one.zoom = 1;
  ASSERT_NE(cache.find(one, QRect(10, 10, 50, 50)), nullptr);  // 1 is used again
  EXPECT_EQ(cache.find(one, QRect(90, 90, 50, 50)), nullptr);  // not all of it is kept
  cache.insert(entry(4));
  EXPECT_EQ(cache.size(), 3u);
  EXPECT_LE(cache.bytes(), cache.limit());
  SceneKey two;
  two.zoom = 2;
  EXPECT_EQ(cache.find(two, QRect(0, 0, 1, 1)), nullptr);
  EXPECT_NE(cache.find(one, QRect(0, 0, 1, 1)), nullptr);
  // A picture of a key that is kept already replaces it.
  cache.insert(entry(4));
  EXPECT_EQ(cache.size(), 3u);
}

}  // namespace
}  // namespace lumetch
