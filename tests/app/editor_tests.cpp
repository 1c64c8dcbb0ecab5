#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <deque>

#include "app/app_test_support.h"
#include "editor/editor_window.h"

namespace meldrit::test {
namespace {

using editor::EditorWindow;

// An editor whose questions are answered from queues and recorded.
struct ScriptedEditor {
  ScriptedEditor() {
    editor::EditorPrompts prompts;
    prompts.ask_to_save = [this](QWidget*, const QString& text) {
      questions << text;
      if (answers.empty()) return QMessageBox::Cancel;
      const QMessageBox::StandardButton next = answers.front();
      answers.pop_front();
      return next;
    };
    prompts.choose_file = [this](QWidget*, bool, const QString&) {
      if (names.empty()) return QString();
      const QString next = names.front();
      names.pop_front();
      return next;
    };
    prompts.warn = [this](QWidget*, const QString& text) { warnings << text; };
    window = std::make_unique<EditorWindow>(prompts);
  }

  void type(const QString& text) { window->textEdit()->insertPlainText(text); }
  // True when the window let itself be closed.
  bool requestClose() {
    QCloseEvent event;
    QApplication::sendEvent(window.get(), &event);
    return event.isAccepted();
  }

  std::deque<QMessageBox::StandardButton> answers;
  std::deque<QString> names;
  QStringList questions;
  QStringList warnings;
  std::unique_ptr<EditorWindow> window;
};

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

TEST(Editor, KeepsTheLineEndsAndBytesOfTheFileItOpened) {
  TempFolder folder;
  const std::pair<std::string, std::string> cases[] = {{"1 2\r\n3 4\r\n", "0\n1 2\r\n3 4\r\n"},
                                                       {"x\ny\n", "0\nx\ny\n"},
                                                       {"Po\xe7o 1\r\n", "0\nPo\xe7o 1\r\n"}};
  for (const auto& [before, after] : cases) {
    const std::string path = folder.write_file("a.out", before);
    ScriptedEditor editor;
    ASSERT_TRUE(editor.window->openFile(q(path)));
    EXPECT_FALSE(editor.window->isModified());
    editor.type("0\n");
    ASSERT_TRUE(editor.window->save());
    // The typed line end follows the file's own.
    std::string expected = after;
    if (before.find("\r\n") != std::string::npos) expected.replace(1, 1, "\r\n");
    EXPECT_EQ(folder.read_file(path), expected);
  }
}

TEST(Editor, NewDocumentsAreSavedWithCrLfUnderTheirNames) {
  TempFolder folder;
  ScriptedEditor editor;
  editor.type("a\n");
  EXPECT_FALSE(editor.window->save());  // no name given: nothing written
  editor.names.push_back(q(folder.file("bihist.txt")));
  ASSERT_TRUE(editor.window->save());
  EXPECT_EQ(folder.read_file("bihist.txt"), "a\r\n");

  // A file that is not there yet opens empty and is created by Save; Save As leaves the old one.
  ASSERT_TRUE(editor.window->openFile(q(folder.file("new.dat"))));
  EXPECT_TRUE(editor.window->textEdit()->toPlainText().isEmpty());
  editor.type("0.1");
  ASSERT_TRUE(editor.window->save());
  editor.type("9");
  editor.names.push_back(q(folder.file("copy.dat")));
  ASSERT_TRUE(editor.window->saveAs());
  EXPECT_EQ(folder.read_file("new.dat"), "0.1");
  EXPECT_EQ(folder.read_file("copy.dat"), "0.19");
  EXPECT_EQ(editor.window->filePath(), q(folder.file("copy.dat")));
}

TEST(Editor, UnreadableOrUnwritableFilesAreReported) {
  TempFolder folder;
  ScriptedEditor editor;
  EXPECT_FALSE(editor.window->openFile(q(folder.folder())));
  editor.names.push_back(q(folder.folder() + "/no/such/dir/x.out"));
  editor.type("x");
  EXPECT_FALSE(editor.window->saveAs());
  EXPECT_EQ(editor.warnings.size(), 2);
  EXPECT_TRUE(editor.window->isModified());
}

TEST(Editor, CloseWarnsBeforeDroppingChanges) {
  TempFolder folder;
  const std::string path = folder.write_file("a.out", "1\r\n");
  ScriptedEditor editor;
  ASSERT_TRUE(editor.window->openFile(q(path)));
  EXPECT_TRUE(editor.requestClose());  // nothing changed: no question
  EXPECT_TRUE(editor.questions.isEmpty());

  editor.type("2");
  editor.answers = {QMessageBox::Cancel};
  EXPECT_FALSE(editor.requestClose());
  editor.answers = {QMessageBox::Discard};
  EXPECT_TRUE(editor.requestClose());
  EXPECT_EQ(folder.read_file(path), "1\r\n");
  editor.answers = {QMessageBox::Save};
  EXPECT_TRUE(editor.requestClose());
  EXPECT_EQ(folder.read_file(path), "21\r\n");
  EXPECT_EQ(editor.questions.size(), 3);
  EXPECT_EQ(editor.questions[0], QStringLiteral("Save changes to a.out?"));
}

TEST(Editor, OpeningAnotherFileWarnsFirst) {
  TempFolder folder;
  const std::string a = folder.write_file("a.out", "A");
  const std::string b = folder.write_file("b.out", "B");
  ScriptedEditor editor;
  ASSERT_TRUE(editor.window->openFile(q(a)));
  editor.type("x");
  editor.answers = {QMessageBox::Cancel};
  EXPECT_FALSE(editor.window->openAnother(q(b)));
  EXPECT_EQ(editor.window->textEdit()->toPlainText(), QStringLiteral("xA"));
  editor.answers = {QMessageBox::Discard};
  EXPECT_TRUE(editor.window->openAnother(q(b)));
  EXPECT_EQ(editor.window->textEdit()->toPlainText(), QStringLiteral("B"));
  EXPECT_EQ(folder.read_file(a), "A");
}

TEST(Editor, PathFromArguments) {
  EXPECT_EQ(editor::pathFromArguments({"wordpad.exe"}), QString());
  EXPECT_EQ(editor::pathFromArguments({"wordpad.exe", ""}), QString());
  EXPECT_EQ(editor::pathFromArguments({"WORDPAD.exe", "/data/my file.out"}),
            QStringLiteral("/data/my file.out"));
  EXPECT_EQ(editor::pathFromArguments({"WORDPAD.exe", "/data/my", "file.out"}),
            QStringLiteral("/data/my file.out"));
}

}  // namespace
}  // namespace meldrit::test
