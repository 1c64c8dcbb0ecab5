#include "app/qt_platform_services.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "external/process_runner.h"

namespace meldrit::app {
namespace {

QMessageBox::StandardButton toQt(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes:
      return QMessageBox::Yes;
    case MessageAnswer::No:
      return QMessageBox::No;
    case MessageAnswer::Cancel:
      return QMessageBox::Cancel;
    case MessageAnswer::Ok:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

QStringList qtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (trimmed.isEmpty()) continue;
      if (!patterns.contains(trimmed)) patterns << trimmed;
      if (!patterns.contains(trimmed.toLower())) patterns << trimmed.toLower();
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    filters << (description.isEmpty() ? QString() : description + QLatin1Char(' ')) + QLatin1Char('(') +
                   patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  if (filters.isEmpty()) filters << QStringLiteral("(*)");
  return filters;
}

std::optional<std::string> QtPlatformServices::askText(const std::string& title, const std::string& label,
                                                       const std::string& initial) {
  bool accepted = false;
  const QString text =
      QInputDialog::getText(window_.data(), QString::fromStdString(title), QString::fromStdString(label),
                            QLineEdit::Normal, QString::fromStdString(initial), &accepted);
  if (!accepted) return std::nullopt;
  return text.toStdString();
}

MessageAnswer QtPlatformServices::showMessage(const MessageRequest& request) {
  const bool question = request.buttons == MessageButtons::YesNoCancel;
  QMessageBox box(request.icon == MessageIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon,
                  QString::fromStdString(request.title), QString::fromStdString(request.text),
                  question ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel : QMessageBox::Ok,
                  window_.data());
  box.setDefaultButton(toQt(request.default_button));
  if (question) box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      // Closing a question box counts as Cancel.
      return question ? MessageAnswer::Cancel : MessageAnswer::Ok;
  }
}

std::optional<FileChoice> QtPlatformServices::showFileDialog(const FileDialogRequest& request) {
  QFileDialog dialog(window_.data(), QString::fromStdString(request.title),
                     QString::fromStdString(request.folder));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(!request.save && request.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // The program replaces an existing output file without asking.
  if (request.save) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = qtNameFilters(request.filter);
  dialog.setNameFilters(filters);
  if (request.filter_index >= 1 && request.filter_index <= filters.size()) {
    dialog.selectNameFilter(filters[request.filter_index - 1]);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
  const QFileInfo info(files.first());
  return FileChoice{QDir::toNativeSeparators(info.absoluteFilePath()).toStdString(),
                    info.fileName().toStdString()};
}

void QtPlatformServices::setBusyPointer(bool busy) {
  // The pointer is a state, not a count: setting it twice and back once gives the normal pointer.
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QApplication::restoreOverrideCursor();
  }
}

bool QtPlatformServices::launch(const std::string& command_line, int window_style) {
  return external::start_detached(command_line, window_style);
}

bool QtPlatformServices::runAndWait(const std::string& command_line, const std::string& folder,
                                    int timeout_ms, int window_mode, int creation_flags,
                                    const std::function<bool()>& cancelled, int& exit_status) {
  return external::run_and_wait(command_line, folder, timeout_ms, window_mode, creation_flags, cancelled,
                                &exit_status);
}

void QtPlatformServices::endProgram() {
  setBusyPointer(false);
  // Leaves every event loop, modal ones included; no further event is handled.
  QCoreApplication::exit(0);
}

std::string QtPlatformServices::programFolder() const {
  // Qt writes "/" on every system; the folder goes into messages and command lines as Windows
  // spells it there.
  return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
}

std::string QtPlatformServices::clipboardText() const {
  return QApplication::clipboard()->text().toStdString();
}

}  // namespace meldrit::app
