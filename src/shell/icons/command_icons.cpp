#include "shell/icons/command_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtDebug>

#include "commands/create_object.h"
#include "commands/layout_commands.h"
#include "shell/commands.h"

namespace lumetch {

namespace {

struct IconName {
  int id;
  const char* file;   // under :/icons/, without ".svg"
  const char* theme;  // freedesktop name, or nullptr
};

constexpr IconName kIcons[] = {
    {kCmdNew, "new", "document-new"},
    {kCmdOpen, "open", "document-open"},
    {kCmdSave, "save", "document-save"},
    {kCmdPrint, "print", "document-print"},
    {kCmdPrintPreview, "print-preview", "document-print-preview"},
    {kCmdPrintSetup, "print-setup", "document-page-setup"},
    {kCmdEngrave, "engrave", nullptr},
    {kCmdResume, "resume", nullptr},
    {kCmdExit, "exit", "application-exit"},
    {kCmdLine, "line", nullptr},
    {kCmdRectangle, "rectangle", nullptr},
    {kCmdCircle, "circle", nullptr},
    {kCmdTriangle, "triangle", nullptr},
    {kCmdRhombus, "rhombus", nullptr},
    {kCmdPolygon, "polygon", nullptr},
    {kCmdLineText, "line-text", nullptr},
    {kCmdArcText, "arc-text", nullptr},
    {kCmdPlt, "plt", nullptr},
    {kCmdBmp, "bmp", nullptr},
    {kCmdVct, "vct", nullptr},
    {kCmdBarcode, "barcode", nullptr},
    {kCmdCode, "code", nullptr},
    {kCmdUndoKey, "undo", "edit-undo"},
    {kCmdRedo, "redo", "edit-redo"},
    {kCmdCut, "cut", "edit-cut"},
    {kCmdCopy, "copy", "edit-copy"},
    {kCmdPaste, "paste", "edit-paste"},
    {kCmdToggleToolbar, "toolbar", nullptr},
    {kCmdToggleStatusBar, "status-bar", nullptr},
    {kCmdGrid, "grid", nullptr},
    {kCmdDataSource, "data-source", nullptr},
    {kCmdAbout, "about", "help-about"},
    {kCmdZoomIn, "zoom-in", "zoom-in"},
    {kCmdZoomOut, "zoom-out", "zoom-out"},
    {kCmdCentre, "centre", nullptr},
    {kCmdCentreX, "centre-x", nullptr},
    {kCmdCentreY, "centre-y", nullptr},
    // Mirror X negates x: the picture turns over left to right.
    {kCmdMirrorX, "mirror-x", "object-flip-horizontal"},
    {kCmdMirrorY, "mirror-y", "object-flip-vertical"},
    {kCmdOutputMode, "output-mode", nullptr},
    {kCmdStepUp, "step-larger", nullptr},
    {kCmdStepDown, "step-smaller", nullptr},
    {kCmdColourBox, "colour-box", nullptr},
    {kCmdFont, "font", nullptr},
};

const IconName* find(int id) {
  for (const IconName& n : kIcons) {
    if (n.id == id) return &n;
  }
  return nullptr;
}

// Through Qt's SVG icon engine when it is installed; drawn here otherwise,
// with one warning, so the buttons never fall back to bare text unexplained.
QIcon svg_icon(const QString& path) {
  QIcon icon(path);
  if (!icon.isNull()) return icon;
  static bool warned = false;
  if (!warned) {
    warned = true;
    qWarning(
        "Qt's SVG icon plugin is missing (Debian package libqt6svg6); the icons are drawn "
        "at fixed sizes instead.");
  }
  return rendered_svg_icon(path);
}

}  // namespace

QString own_icon_path(int id) {
  const IconName* n = find(id);
  return n == nullptr ? QString() : QStringLiteral(":/icons/%1.svg").arg(QLatin1String(n->file));
}

const char* theme_icon_name(int id) {
  const IconName* n = find(id);
  return n == nullptr ? nullptr : n->theme;
}

QIcon own_icon(int id) {
  const QString path = own_icon_path(id);
  return path.isEmpty() ? QIcon() : svg_icon(path);
}

QIcon command_icon(int id) {
  QIcon own = own_icon(id);
  const char* theme = theme_icon_name(id);
  if (theme == nullptr) return own;
  return QIcon::fromTheme(QLatin1String(theme), own);
}

QIcon program_icon() {
  return svg_icon(QStringLiteral(":/icons/lumetch.svg"));
}

QIcon rendered_svg_icon(const QString& path) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace lumetch
