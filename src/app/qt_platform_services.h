#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/platform_services.h"

namespace meldrit::app {

// Converts a common-dialog filter list ("(*.OUT)|*.OUT|(*.PRN)|*.PRN") to Qt's name filters, one
// "description (patterns)" entry per pair. Patterns also match lower-case names, since file
// names on this system are case-sensitive and the program's masks are written in capitals.
QStringList qtNameFilters(const std::string& filter);

// The platform of the running program: Qt's message boxes, file dialogs and override cursor, and
// the process runner of src/external.
class QtPlatformServices : public PlatformServices {
 public:
  // Dialogs are centred on `window` (the main window, once it exists).
  void setWindow(QWidget* window) { window_ = window; }

  MessageAnswer showMessage(const MessageRequest& request) override;
  std::optional<FileChoice> showFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> askText(const std::string& title, const std::string& label,
                                     const std::string& initial) override;
  void setBusyPointer(bool busy) override;
  bool launch(const std::string& command_line, int window_style) override;
  bool runAndWait(const std::string& command_line, const std::string& folder, int timeout_ms, int window_mode,
                  int creation_flags, const std::function<bool()>& cancelled, int& exit_status) override;
  void endProgram() override;
  std::string programFolder() const override;
  std::string clipboardText() const override;

 private:
  QPointer<QWidget> window_;
  bool busy_ = false;
};

}  // namespace meldrit::app
