#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/platform_services.h"

namespace meldrit::test {

// The scripted platform of the window tests: records every request and answers from queues.
//  - Message boxes: answered from `answers`; an empty queue answers the request's default button
//    (Ok for a plain message, Yes for the exit question).
//  - File dialogs: answered from `choices`; an empty queue cancels.
//  - The launcher records the command line and returns `launch_result`.
//  - runAndWait records the call and really runs it unless `run_result` is set.
class FakePlatform : public app::PlatformServices {
 public:
  struct Launch {
    std::string command_line;
    int window_style = 0;
  };
  struct Run {
    std::string command_line;
    std::string folder;
    int timeout_ms = 0;
    int window_mode = 0;
    int creation_flags = 0;
  };

  app::MessageAnswer showMessage(const app::MessageRequest& request) override;
  std::optional<app::FileChoice> chooseFile(const app::FileDialogRequest& request) override;
  void setBusyPointer(bool busy) override;
  bool launch(const std::string& command_line, int window_style) override;
  bool runAndWait(const std::string& command_line, const std::string& folder, int timeout_ms, int window_mode,
                  int creation_flags) override;
  void endProgram() override;
  std::string programFolder() const override { return folder; }

  // Scripting helpers.
  void answer(app::MessageAnswer next) { answers.push_back(next); }
  void choose(const std::string& full_path);  // the next dialog picks this file
  void cancelDialog() { choices.push_back(std::nullopt); }
  static app::FileChoice choiceOf(const std::string& full_path);

  // The texts of every message shown so far, in order.
  std::vector<std::string> messageTexts() const;
  std::string lastMessage() const { return messages.empty() ? std::string() : messages.back().text; }

  std::vector<app::MessageRequest> messages;
  std::deque<app::MessageAnswer> answers;

  std::vector<app::FileDialogRequest> dialogs;
  std::deque<std::optional<app::FileChoice>> choices;

  bool busy = false;               // the pointer now
  int busy_sets = 0;               // how often the busy pointer was set
  std::vector<bool> busy_history;  // every call, in order

  std::vector<Launch> launches;
  bool launch_result = true;

  std::vector<Run> runs;
  std::optional<bool> run_result;  // nullopt: run for real through the process runner

  bool ended = false;
  int end_count = 0;

  std::string folder;  // the program folder the window sees
};

}  // namespace meldrit::test
