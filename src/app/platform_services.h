#pragma once

#include <functional>
#include <optional>
#include <string>

#include "external/program_folder.h"

namespace meldrit::app {

enum class MessageButtons { Ok, YesNoCancel };
enum class MessageIcon { None, Question };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageRequest {
  std::string text;  // lines joined with a single line feed
  std::string title = "Meldrit";
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  MessageAnswer default_button = MessageAnswer::Ok;
};

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;    // "(*.OUT)|*.OUT|(*.PRN)|*.PRN": description|pattern pairs
  int filter_index = 1;  // 1-based, as the common dialog counts
  bool must_exist = false;
  std::string default_ext;  // the further "*.OUT" setting; Qt has no use for it
  std::string folder;       // where the dialog opens; chooseFile fills it in
};

struct FileChoice {
  std::string full_path;
  std::string file_name;  // without its folder
};

// Everything the window needs from the platform, so that every handler can run offscreen with a
// scripted double in the tests.
class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
  // A file dialog that opens in the folder last used (see external::dialog_folder); nullopt when
  // the user cancelled.
  std::optional<FileChoice> chooseFile(FileDialogRequest request) {
    request.folder = external::dialog_folder(last_dialog_folder_, programFolder());
    std::optional<FileChoice> choice = showFileDialog(request);
    if (choice) {
      const std::size_t slash = choice->full_path.find_last_of("/\\");
      if (slash != std::string::npos)
        last_dialog_folder_ = choice->full_path.substr(0, slash == 0 ? 1 : slash);
    }
    return choice;
  }
  // The dialog itself; nullopt when the user cancelled.
  virtual std::optional<FileChoice> showFileDialog(const FileDialogRequest& request) = 0;
  // A line of text the user types, `initial` shown first; nullopt when the user cancelled.
  virtual std::optional<std::string> askText(const std::string& /*title*/, const std::string& /*label*/,
                                             const std::string& /*initial*/) {
    return std::nullopt;
  }
  virtual void setBusyPointer(bool busy) = 0;
  // Starts a command line and returns at once; false when it could not be started.
  virtual bool launch(const std::string& command_line, int window_style) = 0;
  // Starts a command line in `folder` and waits for it (-1: no limit), ending it once `cancelled`
  // says so; false when it could not be started. `exit_status` receives the program's exit status,
  // -1 when it ended without one.
  virtual bool runAndWait(const std::string& command_line, const std::string& folder, int timeout_ms,
                          int window_mode, int creation_flags, const std::function<bool()>& cancelled,
                          int& exit_status) = 0;
  // Ends the program at once.
  virtual void endProgram() = 0;
  // The folder of the running program.
  virtual std::string programFolder() const = 0;
  // The text on the clipboard; empty when it holds none.
  virtual std::string clipboardText() const { return {}; }

 private:
  std::string last_dialog_folder_;  // of the last file picked
};

// A message box with the OK button only, no icon and the title "Meldrit".
inline void showOk(PlatformServices& platform, const std::string& text) {
  MessageRequest request;
  request.text = text;
  platform.showMessage(request);
}

// Shows the busy pointer for its lifetime; reset() sets the normal pointer earlier (where a
// message must come after the pointer is back). Every way out of an operation resets it.
class BusyPointer {
 public:
  explicit BusyPointer(PlatformServices& platform) : platform_(platform) { platform_.setBusyPointer(true); }
  ~BusyPointer() { reset(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  void reset() {
    if (active_) {
      active_ = false;
      platform_.setBusyPointer(false);
    }
  }

 private:
  PlatformServices& platform_;
  bool active_ = true;
};

}  // namespace meldrit::app
