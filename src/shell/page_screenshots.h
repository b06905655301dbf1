#pragma once

#include <QString>

namespace lumetch {

class CMainFrame;
class CketralDoc;

// Pictures of every property page the open layout can show: the three
// "drawing" pages, the page(s) of the first object of each type and the
// group page, each as "<dir>/<page>.png" of the whole window. False (with
// the reason on stderr) when a picture could not be written.
bool save_page_screenshots(CMainFrame& frame, CketralDoc& doc, const QString& dir);

}  // namespace lumetch
