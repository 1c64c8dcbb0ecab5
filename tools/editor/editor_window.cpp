#include "editor/editor_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStringConverter>
#include <QStringDecoder>

namespace meldrit::editor {

EditorPrompts EditorPrompts::dialogs() {
  EditorPrompts prompts;
  prompts.ask_to_save = [](QWidget* parent, const QString& text) {
    return QMessageBox::warning(parent, QStringLiteral("Editor"), text,
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                QMessageBox::Save);
  };
  prompts.choose_file = [](QWidget* parent, bool save, const QString& current) {
    const QString filter =
        QStringLiteral("Text files (*.OUT *.out *.DAT *.dat *.TXT *.txt *.PRN *.prn);;All files (*)");
    return save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), current, filter)
                : QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), current, filter);
  };
  prompts.warn = [](QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QStringLiteral("Editor"), text);
  };
  return prompts;
}

EditorWindow::EditorWindow(EditorPrompts prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(std::move(prompts)) {
  setObjectName(QStringLiteral("EditorWindow"));
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("document"));
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  setCentralWidget(text_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* open = file->addAction(QStringLiteral("&Open..."), this, [this] {
    const QString chosen = prompts_.choose_file(this, false, path_);
    if (!chosen.isEmpty()) openAnother(chosen);
  });
  open->setShortcut(QKeySequence::Open);
  open->setObjectName(QStringLiteral("actionOpen"));
  QAction* save_action = file->addAction(QStringLiteral("&Save"), this, [this] { save(); });
  save_action->setShortcut(QKeySequence::Save);
  save_action->setObjectName(QStringLiteral("actionSave"));
  QAction* save_as = file->addAction(QStringLiteral("Save &As..."), this, [this] { saveAs(); });
  save_as->setShortcut(QKeySequence::SaveAs);
  save_as->setObjectName(QStringLiteral("actionSaveAs"));
  file->addSeparator();
  QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
  exit->setObjectName(QStringLiteral("actionExit"));

  connect(text_->document(), &QTextDocument::modificationChanged, this, &EditorWindow::updateTitle);
  updateTitle();
}

bool EditorWindow::isModified() const {
  return text_->document()->isModified();
}

bool EditorWindow::openFile(const QString& path) {
  QFile file(path);
  if (!file.exists()) {
    text_->clear();
    path_ = path;
    crlf_ = true;
    latin1_ = false;
    text_->document()->setModified(false);
    updateTitle();
    statusBar()->showMessage(QStringLiteral("New file"));
    return true;
  }
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    prompts_.warn(this, QStringLiteral("Cannot open file %1").arg(path));
    return false;
  }
  const QByteArray bytes = file.readAll();
  // The program's files are single-byte text; whatever is not valid UTF-8 is read as Latin-1.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  latin1_ = utf8.hasError();
  if (latin1_) text = QString::fromLatin1(bytes);
  crlf_ = bytes.contains("\r\n") || !bytes.contains('\n');
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text_->setPlainText(text);
  path_ = path;
  text_->document()->setModified(false);
  updateTitle();
  return true;
}

bool EditorWindow::openAnother(const QString& path) {
  if (!maybeSave()) return false;
  return openFile(path);
}

bool EditorWindow::save() {
  if (path_.isEmpty()) return saveAs();
  return writeTo(path_);
}

bool EditorWindow::saveAs() {
  const QString chosen = prompts_.choose_file(this, true, path_);
  if (chosen.isEmpty()) return false;
  if (!writeTo(chosen)) return false;
  path_ = chosen;
  updateTitle();
  return true;
}

bool EditorWindow::writeTo(const QString& path) {
  QString text = text_->toPlainText();
  if (crlf_) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  // A Latin-1 file stays Latin-1 unless the user typed a character it cannot hold; then UTF-8,
  // so that nothing typed turns into '?'.
  const bool fits_latin1 =
      std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
  const QByteArray bytes = latin1_ && fits_latin1 ? text.toLatin1() : text.toUtf8();
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    prompts_.warn(this, QStringLiteral("Cannot save file %1").arg(path));
    return false;
  }
  file.close();
  text_->document()->setModified(false);
  return true;
}

bool EditorWindow::maybeSave() {
  if (!isModified()) return true;
  const QString name = path_.isEmpty() ? QStringLiteral("Document") : QFileInfo(path_).fileName();
  switch (prompts_.ask_to_save(this, QStringLiteral("Save changes to %1?").arg(name))) {
    case QMessageBox::Save:
      return save();
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (maybeSave()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void EditorWindow::updateTitle() {
  const QString name = path_.isEmpty() ? QStringLiteral("Document") : QFileInfo(path_).fileName();
  setWindowTitle(name + (isModified() ? QStringLiteral("*") : QString()) + QStringLiteral(" - Editor"));
}

QString pathFromArguments(const QStringList& arguments) {
  return arguments.mid(1).join(QLatin1Char(' ')).trimmed();
}

}  // namespace meldrit::editor
