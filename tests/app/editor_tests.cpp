#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPlainTextEdit>

#include "app/app_test_support.h"
#include "editor/editor_window.h"

namespace meldrit::test {
namespace {

// An editor on a temporary folder whose questions are answered from queues and recorded.
struct ScriptedEditor {
  ScriptedEditor() {
    editor::EditorPrompts prompts;
    prompts.ask_to_save = [this](QWidget*, const QString& text) {
      questions << text;
      return answers.empty() ? QMessageBox::Cancel : answers.takeFirst();
    };
    prompts.choose_file = [this](QWidget*, bool, const QString&) {
      return names.empty() ? QString() : path(names.takeFirst());
    };
    prompts.warn = [this](QWidget*, const QString& text) { warnings << text; };
    window = std::make_unique<editor::EditorWindow>(prompts);
  }

  QString path(const QString& name) const { return QString::fromStdString(folder.file(name.toStdString())); }
  void type(const QString& text) { window->textEdit()->insertPlainText(text); }
  // True when the window let itself be closed.
  bool requestClose() {
    QCloseEvent event;
    QApplication::sendEvent(window.get(), &event);
    return event.isAccepted();
  }

  TempFolder folder;
  QList<QMessageBox::StandardButton> answers;
  QStringList names;  // the files the dialogs pick
  QStringList questions;
  QStringList warnings;
  std::unique_ptr<editor::EditorWindow> window;
};

TEST(Editor, SavingKeepsTheLineEndsAndBytesOfTheFileItOpened) {
  const std::pair<std::string, std::string> cases[] = {{"1 2\r\n3 4\r\n", "0\r\n1 2\r\n3 4\r\n"},
                                                       {"x\ny\n", "0\nx\ny\n"},
                                                       {"Po\xe7o 1\r\n", "0\r\nPo\xe7o 1\r\n"}};
  for (const auto& [before, after] : cases) {
    ScriptedEditor editor;
    editor.folder.write("a.out", before);
    ASSERT_TRUE(editor.window->openFile(editor.path("a.out")));
    editor.type("0\n");
    ASSERT_TRUE(editor.window->save());
    EXPECT_EQ(editor.folder.read("a.out"), after);
  }
}

TEST(Editor, NewFilesGetCrLfAndFailuresKeepTheChanges) {
  ScriptedEditor editor;
  ASSERT_TRUE(editor.window->openFile(editor.path("new.dat")));  // not there yet: Save creates it
  editor.type("a\n");
  ASSERT_TRUE(editor.window->save());
  editor.names = {"copy.dat", "no/such/dir/x.out"};
  ASSERT_TRUE(editor.window->saveAs());
  EXPECT_EQ(editor.folder.read("new.dat"), "a\r\n");
  EXPECT_EQ(editor.folder.read("copy.dat"), "a\r\n");

  EXPECT_FALSE(editor.window->openFile(editor.path("")));  // a folder
  editor.type("x");
  EXPECT_FALSE(editor.window->saveAs());
  EXPECT_EQ(editor.warnings.size(), 2);
  EXPECT_TRUE(editor.window->isModified());
}

TEST(Editor, WarnsBeforeDiscardingChanges) {
  ScriptedEditor editor;
  editor.folder.write("a.out", "1\r\n");
  editor.folder.write("b.out", "B");
  ASSERT_TRUE(editor.window->openFile(editor.path("a.out")));
  EXPECT_TRUE(editor.requestClose());  // nothing changed: no question
  editor.type("2");
  editor.answers = {QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Save, QMessageBox::Discard};
  EXPECT_FALSE(editor.requestClose());
  EXPECT_FALSE(editor.window->openAnother(editor.path("b.out")));
  EXPECT_EQ(editor.window->textEdit()->toPlainText(), "21\n");
  EXPECT_TRUE(editor.requestClose());
  EXPECT_EQ(editor.folder.read("a.out"), "21\r\n");
  editor.type("3");
  EXPECT_TRUE(editor.window->openAnother(editor.path("b.out")));
  EXPECT_EQ(editor.window->textEdit()->toPlainText(), "B");
  EXPECT_EQ(editor.folder.read("a.out"), "21\r\n");
  EXPECT_EQ(editor.questions, QStringList(4, "Save changes to a.out?"));
}

TEST(Editor, PathFromArguments) {
  EXPECT_EQ(editor::pathFromArguments({"WORDPAD.exe", "/data/my file.out"}), "/data/my file.out");
  EXPECT_EQ(editor::pathFromArguments({"WORDPAD.exe", "/data/my", "file.out"}), "/data/my file.out");
}

}  // namespace
}  // namespace meldrit::test
