#include "app/fake_platform.h"

#include "external/process_runner.h"
#include "textio/file_type.h"

namespace meldrit::test {

app::MessageAnswer FakePlatform::showMessage(const app::MessageRequest& request) {
  messages.push_back(request);
  if (answers.empty()) return request.default_button;
  const app::MessageAnswer next = answers.front();
  answers.pop_front();
  return next;
}

std::optional<app::FileChoice> FakePlatform::chooseFile(const app::FileDialogRequest& request) {
  dialogs.push_back(request);
  if (choices.empty()) return std::nullopt;
  std::optional<app::FileChoice> next = choices.front();
  choices.pop_front();
  return next;
}

void FakePlatform::setBusyPointer(bool value) {
  busy = value;
  if (value) ++busy_sets;
  busy_history.push_back(value);
}

bool FakePlatform::launch(const std::string& command_line, int window_style) {
  launches.push_back({command_line, window_style});
  return launch_result;
}

bool FakePlatform::runAndWait(const std::string& command_line, const std::string& run_folder, int timeout_ms,
                              int window_mode, int creation_flags) {
  runs.push_back({command_line, run_folder, timeout_ms, window_mode, creation_flags});
  if (run_result) return *run_result;
  return external::run_and_wait(command_line, run_folder, timeout_ms, window_mode, creation_flags);
}

void FakePlatform::endProgram() {
  ended = true;
  ++end_count;
}

app::FileChoice FakePlatform::choiceOf(const std::string& full_path) {
  return {full_path, std::string(textio::bare_file_name(full_path))};
}

void FakePlatform::choose(const std::string& full_path) {
  choices.push_back(choiceOf(full_path));
}

std::vector<std::string> FakePlatform::messageTexts() const {
  std::vector<std::string> texts;
  for (const app::MessageRequest& request : messages) texts.push_back(request.text);
  return texts;
}

}  // namespace meldrit::test
