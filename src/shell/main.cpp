// The desktop program: the document, the main window, and the session files
// read at start and written at the end.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "commands/session.h"
#include "model/cketral_doc.h"
#include "shell/main_frame.h"
#include "shell/splash.h"

namespace {

bool has_env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

int main(int argc, char** argv) {
  // Without a display QApplication would abort with a platform-plugin error.
  if (!has_env("QT_QPA_PLATFORM") && !has_env("DISPLAY") && !has_env("WAYLAND_DISPLAY")) {
    std::fprintf(stderr,
                 "lumetch: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run it inside a desktop session, or use lumetch-cli for marking and "
                 "conversion without a window (lumetch-cli --help).\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumetch");

  lumetch::CketralDoc doc;
  lumetch::start_session(doc, QDir::currentPath().toStdString());
  int status = 0;
  {
    lumetch::CMainFrame frame(doc);
    frame.showMaximized();
    lumetch::show_splash(doc.work_dir, &frame);
    status = QApplication::exec();
  }
  if (!lumetch::end_session(doc)) {
    std::fprintf(stderr,
                 "lumetch: the settings (\"$.1\", \"default.$\") could not be written in %s\n",
                 doc.work_dir.string().c_str());
    if (status == 0) status = 1;
  }
  return status;
}
