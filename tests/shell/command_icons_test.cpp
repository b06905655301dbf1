#include "shell/icons/command_icons.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolBar>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "commands/create_object.h"
#include "commands/layout_commands.h"
#include "platform/scripted_operator.h"
#include "shell/commands.h"
#include "shell/main_frame.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

QImage image_of(const QIcon& icon, int size) {
  return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

int painted_pixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return n;
}

// The largest difference of any channel of any pixel; the images are of one size.
int largest_difference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return worst;
}

QImage svg_at(const QString& path, int size) {
  QSvgRenderer renderer(path);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  renderer.render(&p);
  p.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

// The commands the window shows, each once, from its menus and toolbars.
struct FrameActions {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  std::unique_ptr<CMainFrame> frame;
  std::map<int, QAction*> by_id;

  FrameActions() {
    doc.work_dir = dir.path();
    frame = std::make_unique<CMainFrame>(doc, &op);
    const auto take = [this](const QList<QAction*>& actions) {
      for (QAction* a : actions) {
        // The recent files' entries carry no command; their submenu is no command either.
        if (a->isSeparator() || a->menu() != nullptr || !a->data().isValid()) continue;
        by_id[a->data().toInt()] = a;
      }
    };
    for (QAction* m : frame->menuBar()->actions()) take(m->menu()->actions());
    for (QToolBar* bar : frame->findChildren<QToolBar*>()) take(bar->actions());
  }
};

TEST(CommandIcons, EveryMenuItemAndButtonHasAPictureAtOneAndTwoTimesScale) {
  FrameActions f;
  // Every entry of the menu table and both toolbars reached the window.
  std::map<int, bool> ids;
  for (const Menu& m : menu_table()) {
    for (const MenuItem& item : m.items) ids[item.id] = true;
  }
  for (const auto* bar : {&main_toolbar_ids(), &drawing_toolbar_ids()}) {
    for (const int id : *bar) ids[id] = true;
  }
  ids.erase(0);
  ASSERT_EQ(f.by_id.size(), ids.size());

  for (const auto& [id, action] : f.by_id) {
    SCOPED_TRACE("command " + std::to_string(id) + " " + action->text().toStdString());
    if (id == kCmdPlotFirstPair) {
      EXPECT_TRUE(action->icon().isNull()) << "the check item shows its mark alone";
      continue;
    }
    ASSERT_FALSE(action->icon().isNull());
    for (const int size : {16, 32}) {
      const QImage image = image_of(action->icon(), size);
      ASSERT_EQ(image.size(), QSize(size, size)) << "at " << size << " px";
      // A picture, not a speck: a tenth of the cells at least.
      EXPECT_GE(painted_pixels(image), size * size / 10) << "at " << size << " px";
    }
  }
}

TEST(CommandIcons, PicturesOfDifferentCommandsDiffer) {
  FrameActions f;
  std::map<int, QImage> small;
  for (const auto& [id, action] : f.by_id) {
    if (!action->icon().isNull()) small[id] = image_of(action->icon(), 16);
  }
  for (auto a = small.begin(); a != small.end(); ++a) {
    for (auto b = std::next(a); b != small.end(); ++b) {
      EXPECT_NE(a->second, b->second)
          << "commands " << a->first << " and " << b->first << " look the same";
    }
  }
}

TEST(CommandIcons, OwnPicturesAreSixteenPixelVectorsDrawnAtEverySize) {
  FrameActions f;
  for (const auto& [id, action] : f.by_id) {
    if (id == kCmdPlotFirstPair) continue;
    SCOPED_TRACE("command " + std::to_string(id));
    const QString path = own_icon_path(id);
    ASSERT_FALSE(path.isEmpty()) << "no picture of our own behind a theme's";
    QSvgRenderer renderer(path);
    ASSERT_TRUE(renderer.isValid()) << path.toStdString();
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 16, 16)) << "drawn on the 16 px grid";

    const QIcon icon = own_icon(id);
    // A vector engine holds no fixed sizes: 32 px is drawn anew, not a 16 px one enlarged.
    EXPECT_TRUE(icon.availableSizes().isEmpty());
    for (const int size : {16, 32}) {
      const QImage drawn = image_of(icon, size);
      ASSERT_EQ(drawn.size(), QSize(size, size));
      EXPECT_LE(largest_difference(drawn, svg_at(path, size)), 2) << "at " << size << " px";
    }
  }
}

TEST(CommandIcons, TheThemeGivesItsPictureWhereItHasOneAndOursStandsIn) {
  // A theme of one icon: document-new, a red square.
  test::TempDir dir;
  const QDir theme(QString::fromStdString((dir.path() / "lumetch-test").string()));
  ASSERT_TRUE(theme.mkpath("16x16/actions"));
  dir.write("lumetch-test/index.theme",
            "[Icon Theme]\nName=lumetch-test\nDirectories=16x16/actions\n\n"
            "[16x16/actions]\nSize=16\nType=Fixed\n");
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(theme.filePath("16x16/actions/document-new.png")));

  const QStringList old_paths = QIcon::themeSearchPaths();
  const QString old_name = QIcon::themeName();
  QIcon::setThemeSearchPaths({QString::fromStdString(dir.path().string())});
  QIcon::setThemeName("lumetch-test");

  struct Row {
    const char* name;
    int id;
    bool from_theme;
  };
  const Row rows[] = {
      {"standard name the theme has", kCmdNew, true},
      {"standard name the theme lacks", kCmdOpen, false},
      {"no standard name", kCmdEngrave, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QImage shown = image_of(command_icon(row.id), 16);
    const QImage ours = image_of(own_icon(row.id), 16);
    if (row.from_theme) {
      EXPECT_EQ(shown.pixel(8, 8), QColor(Qt::red).rgba());
      EXPECT_NE(shown, ours);
    } else {
      EXPECT_EQ(shown, ours);
    }
  }
  QIcon::setThemeName(old_name);
  QIcon::setThemeSearchPaths(old_paths);
}

TEST(CommandIcons, DrawnWithoutThePluginTheyMatchThePluginsDrawing) {
  for (const int id : {kCmdEngrave, kCmdArcText, kCmdCode}) {
    SCOPED_TRACE("command " + std::to_string(id));
    const QIcon fixed = rendered_svg_icon(own_icon_path(id));
    ASSERT_FALSE(fixed.isNull());
    for (const int size : {16, 32}) {
      EXPECT_TRUE(fixed.availableSizes().contains(QSize(size, size)));
      EXPECT_LE(largest_difference(image_of(fixed, size), image_of(own_icon(id), size)), 2);
    }
  }
  EXPECT_TRUE(rendered_svg_icon(":/icons/no-such-picture.svg").isNull());
}

TEST(CommandIcons, TheWindowShowsTheProgramIcon) {
  FrameActions f;
  const QImage shown = image_of(f.frame->windowIcon(), 32);
  EXPECT_GE(painted_pixels(shown), 32 * 32 / 2);
  EXPECT_EQ(shown, image_of(program_icon(), 32));
}

}  // namespace
}  // namespace lumetch
