#pragma once

#include <QIcon>
#include <QString>

namespace lumetch {

// The pictures of the commands: the desktop theme's where it has a standard
// name for the command, the program's own SVG otherwise. Built into the
// program as Qt resources, so nothing is read from disk.

// The resource path of the program's own picture of a command, or an empty
// string for a command without one.
QString own_icon_path(int id);

// The freedesktop icon name of a command, or nullptr where it has none.
const char* theme_icon_name(int id);

// The program's own picture of a command, drawn from the vector at every
// size asked for; an empty icon for a command without one.
QIcon own_icon(int id);

// What a menu item or toolbar button shows.
QIcon command_icon(int id);

// The program's icon, for its windows.
QIcon program_icon();

// An SVG drawn by QSvgRenderer at the usual sizes, for when Qt's SVG plugins
// are missing; an empty icon when the file cannot be read.
QIcon rendered_svg_icon(const QString& path);

}  // namespace lumetch
