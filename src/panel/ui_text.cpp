#include "panel/ui_text.h"

#include <QCoreApplication>
#include <QTranslator>
#include <algorithm>

namespace lumetch {

namespace {

bool japanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x9fff) || (u >= 0xff00 && u <= 0xffef);
}

// translate() wants a terminated string; it hands back the source itself
// when no translation is installed or knows it.
QString translated(const QString& source) {
  const QByteArray utf8 = source.toUtf8();
  return QCoreApplication::translate(kTextContext, utf8.constData());
}

}  // namespace

QString ui_text(std::string_view source) {
  if (source.empty()) return {};
  const QString text = QString::fromUtf8(source.data(), static_cast<qsizetype>(source.size()));
  const QString whole = translated(text);
  if (whole != text || std::none_of(text.begin(), text.end(), japanese)) return whole;
  // A message built around a label (an undo step "Edit " and the label, a
  // refusal naming the box): its labels are translated where they stand.
  QStringList words = text.split(' ');
  for (QString& w : words) {
    if (std::any_of(w.begin(), w.end(), japanese)) w = translated(w);
  }
  return words.join(' ');
}

bool known_language(const QString& option) {
  return option == "en" || option == "ja";
}

QString choose_language(const QString& option, const QStringList& ui_languages) {
  if (!option.isEmpty()) return option == "en" ? QString("en") : QString();
  for (const QString& tag : ui_languages) {
    const QString lang = tag.section('-', 0, 0).section('_', 0, 0).toLower();
    // The texts as they stand are Japanese (a few Chinese).
    if (lang == "ja" || lang == "zh") return {};
    if (lang == "en") return "en";
  }
  return {};
}

QTranslator* install_translation(QCoreApplication& app, const QString& language) {
  if (language.isEmpty()) return nullptr;
  auto* translator = new QTranslator(&app);
  if (!translator->load(":/i18n/lumetch_" + language + ".qm") ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace lumetch
