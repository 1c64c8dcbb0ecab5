#include "app/request_save.h"

#include <QPushButton>
#include <charconv>

#include "app/panel_widgets.h"

namespace meldrit::app {

QPushButton* makeSaveRequestButton(QWidget* panel) {
  return makeButton(panel, QStringLiteral("saveRequest"), QStringLiteral("Save request..."),
                    QStringLiteral("Save this run as a request file for meldrit-cli --request"));
}

std::string numberText(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void saveRequest(PlatformServices& platform, const std::string& command,
                 const std::vector<job::RequestOption>& options, const std::vector<std::string>& job_files) {
  FileDialogRequest request;
  request.save = true;
  request.title = "Save Request";
  request.filter = "(*.txt)|*.txt|(*.*)|*.*";
  request.default_ext = "*.txt";
  const std::optional<FileChoice> choice = platform.chooseFile(request);
  if (!choice) return;
  showOk(platform,
         job::write_request_file(choice->full_path, job::request_text(command, options), job_files).message);
}

}  // namespace meldrit::app
