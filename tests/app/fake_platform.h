#pragma once

#include <deque>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/platform_services.h"
#include "textio/file_type.h"

namespace meldrit::test {

// One text member of each recorded request, in order.
template <class T>
std::vector<std::string> textsOf(const std::vector<T>& requests, std::string T::*member) {
  std::vector<std::string> texts;
  for (const T& request : requests) texts.push_back(request.*member);
  return texts;
}

// The scripted platform of the window tests: records every request and answers from queues.
//  - Message boxes: answered from `answers`, else with the request's default button; the busy
//    pointer at each message is recorded too.
//  - File dialogs: answered from `choices`; an empty queue cancels.
//  - The launcher records the command line and returns `launch_result`.
//  - runAndWait records the call and really runs it (or `run_instead`) unless `run_result` is set.
class FakePlatform : public app::PlatformServices {
 public:
  // The command line, folder, time limit, window mode and creation flags of a runAndWait.
  using Run = std::tuple<std::string, std::string, int, int, int>;

  app::MessageAnswer showMessage(const app::MessageRequest& request) override;
  std::optional<app::FileChoice> showFileDialog(const app::FileDialogRequest& request) override;
  // Answered from `texts`; an empty queue cancels.
  std::optional<std::string> askText(const std::string& title, const std::string& label,
                                     const std::string& initial) override {
    asked.push_back(title + "|" + label + "|" + initial);
    if (texts.empty()) return std::nullopt;
    std::optional<std::string> next = texts.front();
    texts.pop_front();
    return next;
  }
  void setBusyPointer(bool value) override {
    busy = value;
    busy_history.push_back(value);
  }
  bool launch(const std::string& command_line, int window_style) override {
    launched.push_back(command_line);
    launch_style = window_style;
    return launch_result;
  }
  bool runAndWait(const std::string& command_line, const std::string& folder, int timeout_ms, int window_mode,
                  int creation_flags, const std::function<bool()>& cancelled, int& exit_status) override;
  void endProgram() override { ++end_count; }
  std::string programFolder() const override { return folder; }
  std::string clipboardText() const override { return clipboard; }

  // The next dialog picks this file.
  void choose(const std::string& path) {
    choices.push_back(app::FileChoice{path, std::string(textio::bare_file_name(path))});
  }
  void cancelDialog() { choices.push_back(std::nullopt); }

  std::vector<std::string> messageTexts() const { return textsOf(messages, &app::MessageRequest::text); }
  std::string lastMessage() const { return messages.empty() ? std::string() : messages.back().text; }
  std::vector<std::string> dialogTitles() const { return textsOf(dialogs, &app::FileDialogRequest::title); }

  std::vector<app::MessageRequest> messages;
  std::vector<bool> busy_at_message;
  std::deque<app::MessageAnswer> answers;
  std::vector<app::FileDialogRequest> dialogs;
  std::deque<std::optional<std::string>> texts;
  std::vector<std::string> asked;  // title|label|initial of each askText
  std::deque<std::optional<app::FileChoice>> choices;
  bool busy = false;
  std::vector<bool> busy_history;     // every call, in order
  std::vector<std::string> launched;  // the command lines
  int launch_style = -1;              // the window style of the last one
  bool launch_result = true;
  std::vector<Run> runs;
  std::optional<bool> run_result;  // nullopt: run for real through the process runner
  std::string run_instead;         // when set, the command line that really runs (a stand-in program)
  int end_count = 0;
  std::string folder;  // the program folder the window sees
  std::string clipboard;
};

}  // namespace meldrit::test
