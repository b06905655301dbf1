// The English interface: every program text has its translation, and a
// window with the English translation installed shows no Japanese.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QXmlStreamReader>
#include <filesystem>
#include <map>
#include <set>

#include "commands/engrave.h"
#include "imports/bmp.h"
#include "model/cketral_doc.h"
#include "panel/form_view.h"
#include "panel/ui_text.h"
#include "platform/recording_canvas.h"
#include "shell/commands.h"
#include "shell/main_frame.h"
#include "shell/qt_operator.h"
#include "support/temp_dir.h"
#include "view/pick.h"

namespace lumetch {
namespace {

bool has_japanese(const QString& text) {
  static const QRegularExpression wide("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]");
  return text.contains(wide);
}

QString unescape(const QString& body) {
  QString out;
  for (qsizetype i = 0; i < body.size(); ++i) {
    if (body[i] != '\\' || i + 1 == body.size()) {
      out += body[i];
      continue;
    }
    const QChar c = body[++i];
    out += c == 'n' ? QChar('\n') : c == 't' ? QChar('\t') : c;
  }
  return out;
}

// Every string literal in the sources that holds a Japanese (or Chinese)
// character, found as scripts/update-translations finds them.
std::set<QString> program_texts() {
  std::set<QString> texts;
  static const QRegularExpression literal(R"re("((?:[^"\\\n]|\\.)*)")re");
  QDirIterator it(LUMETCH_SOURCE, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (!file.open(QIODevice::ReadOnly)) continue;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
      for (const QRegularExpressionMatch& m : literal.globalMatch(line)) {
        if (has_japanese(m.captured(1))) texts.insert(unescape(m.captured(1)));
      }
    }
  }
  return texts;
}

struct Entry {
  QString translation;
  bool finished = false;
};

std::map<QString, Entry> read_ts(const QString& path) {
  std::map<QString, Entry> out;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return out;
  QXmlStreamReader xml(&file);
  QString source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"source") {
      source = xml.readElementText();
    } else if (xml.name() == u"translation") {
      const bool typed = xml.attributes().hasAttribute("type");
      Entry e;
      e.translation = xml.readElementText();
      e.finished = !typed && !e.translation.isEmpty();
      out[source] = e;
    }
  }
  return out;
}

// The English translation for the test's length.
class English {
 public:
  English() : translator_(install_translation(*QCoreApplication::instance(), "en")) {}
  ~English() {
    if (translator_ == nullptr) return;
    QCoreApplication::removeTranslator(translator_);
    delete translator_;
  }
  English(const English&) = delete;
  English& operator=(const English&) = delete;
  bool installed() const { return translator_ != nullptr; }

 private:
  QTranslator* translator_;
};

TEST(EnglishTranslation, EveryProgramTextHasAFinishedEnglishTranslationBuiltIn) {
  const std::set<QString> texts = program_texts();
  ASSERT_GT(texts.size(), 200u) << "the sources were not found at " << LUMETCH_SOURCE;
  const std::map<QString, Entry> ts = read_ts(LUMETCH_TRANSLATIONS "/lumetch_en.ts");
  ASSERT_FALSE(ts.empty());
  const English english;
  ASSERT_TRUE(english.installed());
  for (const QString& text : texts) {
    const auto it = ts.find(text);
    if (it == ts.end()) {
      ADD_FAILURE() << "not in lumetch_en.ts (run scripts/update-translations): "
                    << text.toStdString();
      continue;
    }
    EXPECT_TRUE(it->second.finished) << "unfinished: " << text.toStdString();
    EXPECT_FALSE(has_japanese(it->second.translation)) << "still Japanese: " << text.toStdString();
    // The compiled translation is the one written, tabs and all.
    EXPECT_EQ(ui_text(text.toStdString()), it->second.translation) << text.toStdString();
  }
}

TEST(EnglishTranslation, WithoutTheTranslationTheTextsStandAsWritten) {
  EXPECT_EQ(ui_text("彫刻開始...\t F1"), QString::fromUtf8("彫刻開始...\t F1"));
  EXPECT_EQ(ui_text("Edit 角度"), QString::fromUtf8("Edit 角度"));
  EXPECT_EQ(ui_text(""), QString());
}

TEST(EnglishTranslation, MessagesBuiltAroundALabelTranslateTheLabel) {
  const English english;
  ASSERT_TRUE(english.installed());
  EXPECT_EQ(ui_text("彫刻開始...\t F1"), "Start engraving...\t F1");
  EXPECT_EQ(ui_text("Edit 角度"), "Edit Angle");
  EXPECT_EQ(ui_text("A パワー of 0 is refused: it must lie between 1 and 100."),
            "A Power of 0 is refused: it must lie between 1 and 100.");
  // Texts of the operator's own (object texts, paths) stay as they are.
  EXPECT_EQ(ui_text("ロット 12"), QString::fromUtf8("ロット 12"));
}

TEST(EnglishTranslation, TheOptionThenTheFirstKnownLocaleLanguageChooses) {
  struct Row {
    const char* name;
    QString option;
    QStringList languages;
    QString expected;
  };
  const Row rows[] = {
      {"option en", "en", {"ja-JP"}, "en"},
      {"option ja", "ja", {"en-US"}, ""},
      {"English locale", "", {"en-GB", "en"}, "en"},
      {"Japanese locale", "", {"ja-JP", "ja"}, ""},
      {"Japanese before English", "", {"ja", "en"}, ""},
      {"German then English", "", {"de-DE", "en-US"}, "en"},
      {"German only: no translation", "", {"de-DE", "de"}, ""},
      {"Chinese", "", {"zh-CN"}, ""},
      {"nothing known", "", {}, ""},
      {"underscore form", "", {"en_US"}, "en"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(choose_language(r.option, r.languages), r.expected) << r.name;
  }
  EXPECT_TRUE(known_language("en"));
  EXPECT_TRUE(known_language("ja"));
  EXPECT_FALSE(known_language("fr"));
  EXPECT_FALSE(known_language(""));
}

// Every interface text the window shows: titles, labels, buttons, tabs, list
// choices, menus and their actions' texts, tips and status tips. Typed values
// and the object and character lists are the operator's data.
void collect(QWidget* top, QStringList& out) {
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    out << w->windowTitle() << w->toolTip() << w->statusTip();
    if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
    if (auto* t = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
    }
    if (auto* c = qobject_cast<QComboBox*>(w); c != nullptr && !c->isEditable()) {
      for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    }
    if (auto* m = qobject_cast<QMenu*>(w)) out << m->title();
    for (const QAction* a : w->actions()) {
      out << a->text() << a->toolTip() << a->statusTip();
      if (a->menu() != nullptr) collect(a->menu(), out);
    }
  }
}

QStringList japanese_in(QWidget* top) {
  QStringList texts;
  collect(top, texts);
  QStringList out;
  for (const QString& t : texts) {
    if (has_japanese(t)) out << t;
  }
  out.removeDuplicates();
  return out;
}

// Answers (rejects) every modal box that opens, after noting its texts.
class BoxWatcher {
 public:
  BoxWatcher() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (w == nullptr) return;
      QStringList texts;
      collect(w, texts);
      if (auto* box = qobject_cast<QMessageBox*>(w)) texts << box->text();
      texts.removeAll(QString());
      boxes << texts.join(" | ");
      if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    timer_.start();
  }
  QStringList boxes;

 private:
  QTimer timer_;
};

// The example layout of every object type, opened in the English window
// from its own folder, as the program opens it.
struct EnglishFrame {
  test::TempDir dir;
  std::filesystem::path was = std::filesystem::current_path();
  CketralDoc doc;
  English english;
  std::unique_ptr<CMainFrame> frame;
  QStringList opening_boxes;
  EnglishFrame() {
    for (const char* name : {"every-type.mrk", "star.plt", "badge.bmp", "gear.vct"}) {
      std::filesystem::copy_file(std::filesystem::path(LUMETCH_EXAMPLES) / name, dir.path() / name);
    }
    dir.write("port.txt", "sim\n");  // never a real marker
    std::filesystem::current_path(dir.path());
    doc.work_dir = dir.path();
    frame = std::make_unique<CMainFrame>(doc);
    frame->resize(1200, 800);
    frame->show();
    BoxWatcher watch;
    frame->open_at_start(dir.path() / "every-type.mrk", false);
    QApplication::processEvents();
    opening_boxes = watch.boxes;
  }
  ~EnglishFrame() { std::filesystem::current_path(was); }
  EnglishFrame(const EnglishFrame&) = delete;
  EnglishFrame& operator=(const EnglishFrame&) = delete;
};

TEST(EnglishWindow, MenusToolbarsStatusAndEveryPropertyPageShowNoJapanese) {
  EnglishFrame f;
  ASSERT_TRUE(f.english.installed());
  EXPECT_TRUE(f.opening_boxes.isEmpty()) << f.opening_boxes.join("\n").toStdString();
  ASSERT_GT(f.doc.ring.size(), 10u);
  EXPECT_EQ(f.frame->menuBar()->actions().front()->text(), "File");
  QStringList seen;
  const auto look = [&](const char* where) {
    QApplication::processEvents();
    QTabWidget* tabs = f.frame->form()->pages();
    for (int i = 0; i < std::max(1, tabs->count()); ++i) {
      if (tabs->count() > 0) tabs->setCurrentIndex(i);
      for (const QString& t : japanese_in(f.frame.get())) seen << QString(where) + ": " + t;
    }
  };
  select_list_entry(f.doc, 0);
  look("drawing");
  std::set<int32_t> kinds;
  const std::vector<std::string> entries = f.doc.object_list.entries();
  for (int row = 1; row < static_cast<int>(entries.size()); ++row) {
    select_list_entry(f.doc, row);
    const MarkObject* o = current_object(f.doc);
    if (o != nullptr) kinds.insert(o->type);
    look(entries[static_cast<std::size_t>(row)].c_str());
  }
  EXPECT_GE(kinds.size(), 10u);
  Selection all;
  for (const MarkObject& o : f.doc.ring.oldest_first()) all.add(o.id);
  all.set_current(f.doc.ring.oldest_first().begin()->id);
  apply_selection(f.doc, all);
  look("all selected");
  f.frame->dispatch(kCmdStepUp);
  look("after a step change");
  // A page edit names its step, and so its box, in the Edit menu.
  select_list_entry(f.doc, 0);
  QApplication::processEvents();
  auto* box = f.frame->form()->pages()->widget(0)->findChild<QLineEdit*>("c1101");
  ASSERT_NE(box, nullptr);
  box->selectAll();
  QTest::keyClicks(box, "12");
  ASSERT_TRUE(f.doc.history.can_undo());
  look("after a page edit");
  seen.removeDuplicates();
  EXPECT_TRUE(seen.isEmpty()) << seen.join("\n").toStdString();
}

TEST(EnglishWindow, TheOperatorsMessageBoxesAreInEnglish) {
  EnglishFrame f;
  ASSERT_TRUE(f.english.installed());
  {
    BoxWatcher watch;
    f.frame->dispatch(kCmdEngrave);  // the power check, cancelled
    ASSERT_FALSE(watch.boxes.isEmpty());
    EXPECT_TRUE(watch.boxes.front().contains(kPowerCheckText)) << watch.boxes.front().toStdString();
    for (const QString& b : watch.boxes) EXPECT_FALSE(has_japanese(b)) << b.toStdString();
  }
  {
    // A file that is no bitmap is refused with the reader's message.
    f.dir.write("not-a-bitmap.bmp", "plain text, not a bitmap\n");
    QtOperator op(f.frame.get());
    RecordingCanvas canvas;
    BoxWatcher watch;
    EXPECT_FALSE(PreviewBmp(canvas, f.dir.path() / "not-a-bitmap.bmp", 0, 0, 100, 100, 1, op));
    ASSERT_EQ(watch.boxes.size(), 1);
    EXPECT_TRUE(watch.boxes.front().contains("This file is not a bitmap file!"))
        << watch.boxes.front().toStdString();
    EXPECT_FALSE(has_japanese(watch.boxes.front())) << watch.boxes.front().toStdString();
  }
}

}  // namespace
}  // namespace lumetch
