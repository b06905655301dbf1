// The desktop program: the document, the main window, and the session files
// read at start and written at the end.
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "commands/recent_files.h"
#include "commands/session.h"
#include "model/cketral_doc.h"
#include "panel/ui_text.h"
#include "shell/main_frame.h"
#include "shell/page_screenshots.h"
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

  // lumetch [LAYOUT.mrk] [--screenshot FILE.png] [--page-screenshots DIR] [--lang en|ja]
  QString layout;
  QString lang;
  QString screenshot;
  QString page_shots;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--screenshot" && i + 1 < args.size()) {
      screenshot = args[++i];
    } else if (args[i] == "--page-screenshots" && i + 1 < args.size()) {
      page_shots = args[++i];
    } else if (args[i] == "--lang" && i + 1 < args.size()) {
      lang = args[++i];
      if (!lumetch::known_language(lang)) {
        std::fprintf(stderr, "lumetch: --lang takes en or ja, not %s\n", qPrintable(lang));
        return 2;
      }
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::printf(
          "usage: lumetch [LAYOUT.mrk] [--screenshot FILE.png] [--page-screenshots DIR]\n"
          "               [--lang en|ja]\n"
          "Works in the current directory: $.1, default.$, screen.$, fix.txt, "
          "title.txt, page.bmp.\n"
          "--lang en shows the window in English, --lang ja in Japanese; without it the\n"
          "locale decides (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): English for an English\n"
          "locale, Japanese otherwise.\n");
      return 0;
    } else if (args[i].startsWith("-")) {
      std::fprintf(stderr, "lumetch: unknown option %s (lumetch --help)\n", qPrintable(args[i]));
      return 2;
    } else {
      layout = args[i];
    }
  }

  const QString language = lumetch::choose_language(lang, QLocale::system().uiLanguages());
  if (!language.isEmpty() && lumetch::install_translation(app, language) == nullptr) {
    std::fprintf(stderr,
                 "lumetch: the %s translation could not be loaded; the texts stay Japanese\n",
                 qPrintable(language));
  }

  lumetch::CketralDoc doc;
  const lumetch::SessionStart start =
      lumetch::start_session(doc, QDir::currentPath().toStdString());
  if (!start.ok()) {
    // Going on would mark with default settings and write them over the
    // operator's files at the end: stop before anything is shown.
    QString text;
    for (const std::string& m : start.unreadable) text += QString::fromStdString(m) + "\n";
    text += "\nThe program stops so that no setting is replaced by its default.";
    std::fprintf(stderr, "lumetch: %s\n", qPrintable(text));
    if (screenshot.isEmpty() && page_shots.isEmpty())
      QMessageBox::critical(nullptr, "Warning", text);
    return 2;
  }
  int status = 0;
  bool session_saved = false;
  {
    lumetch::CMainFrame frame(doc);
    // The size and state the window was closed with; else the screen.
    const std::optional<lumetch::WindowPlacement> placed =
        lumetch::load_window_placement(doc.work_dir);
    if (placed) {
      frame.resize(placed->width, placed->height);
    } else if (const QScreen* screen = frame.screen()) {
      // Without a window manager "maximised" means nothing: take the screen.
      frame.resize(screen->availableGeometry().size());
    }
    if (!placed || placed->maximised) {
      frame.showMaximized();
    } else {
      frame.show();
    }
    // Runs that only take pictures ask nothing.
    frame.open_at_start(layout.toStdString(), screenshot.isEmpty() && page_shots.isEmpty());
    if (!page_shots.isEmpty()) {
      QTimer::singleShot(1500, &frame, [&frame, &doc, &page_shots, &status] {
        if (!lumetch::save_page_screenshots(frame, doc, page_shots)) status = 1;
        QApplication::exit(status);
      });
    } else if (screenshot.isEmpty()) {
      lumetch::show_splash(doc.work_dir, &frame);
    } else {
      // A picture of the window once it has been laid out and painted.
      QTimer::singleShot(1500, &frame, [&frame, &screenshot, &status] {
        if (!frame.grab().save(screenshot)) {
          std::fprintf(stderr, "lumetch: %s could not be written\n", qPrintable(screenshot));
          status = 1;
        }
        QApplication::exit(status);
      });
    }
    const int loop = QApplication::exec();
    if (status == 0) status = loop;
    session_saved = frame.session_saved();
  }
  // Closing the window wrote the settings and said what failed; a run that
  // ended otherwise (a screenshot) writes them here.
  for (const std::string& name : lumetch::end_session(doc, session_saved)) {
    std::fprintf(stderr, "lumetch: \"%s\" could not be written in %s\n", name.c_str(),
                 doc.work_dir.string().c_str());
    if (status == 0) status = 1;
  }
  return status;
}
