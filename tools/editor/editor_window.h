#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <functional>

class QPlainTextEdit;
class QAction;

namespace meldrit::editor {

// The questions the editor asks, replaceable so that tests can answer them.
struct EditorPrompts {
  // Save / Discard / Cancel before unsaved changes would be lost.
  std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text)> ask_to_save;
  // A file name for Open (save = false) or Save As; empty when cancelled.
  std::function<QString(QWidget* parent, bool save, const QString& current)> choose_file;
  std::function<void(QWidget* parent, const QString& text)> warn;

  static EditorPrompts dialogs();  // the real message boxes and file dialogs
};

// The small text editor the program starts for "View File" and "Create Now": one plain-text
// document, Open, Save and Save As, and a warning before unsaved changes are dropped. Line ends
// and the text's encoding are kept as the file had them; a new file gets CR LF.
class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit EditorWindow(EditorPrompts prompts = EditorPrompts::dialogs(), QWidget* parent = nullptr);

  // Opens `path` as the document. A file that does not exist yet gives an empty document that
  // Save creates; false (after a warning) when the file cannot be read.
  bool openFile(const QString& path);
  // Open with the unsaved-changes warning first; false when cancelled or unreadable.
  bool openAnother(const QString& path);
  bool save();
  bool saveAs();
  // The unsaved-changes warning: true when the caller may go on.
  bool maybeSave();

  QPlainTextEdit* textEdit() const { return text_; }
  QString filePath() const { return path_; }
  bool isModified() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool writeTo(const QString& path);
  void updateTitle();

  EditorPrompts prompts_;
  QPlainTextEdit* text_;
  QString path_;
  bool crlf_ = true;
  bool latin1_ = false;
};

// The file named by the command-line arguments after the program name: one argument is the path
// (a quoted path arrives whole), several are joined with blanks, none or "" means no file.
QString pathFromArguments(const QStringList& arguments);

}  // namespace meldrit::editor
