#include "app/fake_platform.h"

#include "external/process_runner.h"

namespace meldrit::test {

app::MessageAnswer FakePlatform::showMessage(const app::MessageRequest& request) {
  messages.push_back(request);
  busy_at_message.push_back(busy);
  if (answers.empty()) return request.default_button;
  const app::MessageAnswer next = answers.front();
  answers.pop_front();
  return next;
}

std::optional<app::FileChoice> FakePlatform::showFileDialog(const app::FileDialogRequest& request) {
  dialogs.push_back(request);
  if (choices.empty()) return std::nullopt;
  std::optional<app::FileChoice> next = choices.front();
  choices.pop_front();
  return next;
}

bool FakePlatform::runAndWait(const std::string& command_line, const std::string& run_folder, int timeout_ms,
                              int window_mode, int creation_flags, const std::function<bool()>& cancelled,
                              int& exit_status) {
  runs.emplace_back(command_line, run_folder, timeout_ms, window_mode, creation_flags);
  if (run_result) {
    exit_status = 0;
    return *run_result;
  }
  return external::run_and_wait(run_instead.empty() ? command_line : run_instead, run_folder, timeout_ms,
                                window_mode, creation_flags, cancelled, &exit_status);
}

}  // namespace meldrit::test
