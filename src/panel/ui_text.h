#pragma once

// The window side of the program's texts. The core keeps its texts as they
// stand; they become widget texts here, through the translation installed
// for the operator's language (none: the texts as they stand).

#include <QString>
#include <QStringList>
#include <string_view>

class QCoreApplication;
class QTranslator;

namespace lumetch {

// The context every program text is translated in.
inline constexpr const char* kTextContext = "Lumetch";

// `source` (UTF-8) in the installed language.
QString ui_text(std::string_view source);

// The language the window speaks: "en" or "" (the texts as they stand).
// `option` is the --lang value, empty when none was given; otherwise the
// first of `ui_languages` (most wanted first) we know decides.
QString choose_language(const QString& option, const QStringList& ui_languages);

// Whether `option` is a value --lang accepts.
bool known_language(const QString& option);

// Loads and installs the translation for `language` into the application;
// null (nothing installed) for "" or when the translation cannot be loaded.
QTranslator* install_translation(QCoreApplication& app, const QString& language);

}  // namespace lumetch
