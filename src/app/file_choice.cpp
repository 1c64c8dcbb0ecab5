#include "app/file_choice.h"

namespace meldrit::app {

std::optional<std::string> chooseTypedFile(PlatformServices& platform, const FileDialogRequest& request,
                                           const textio::FileType& type) {
  for (;;) {
    std::optional<FileChoice> choice = platform.chooseFile(request);
    if (!choice) return std::nullopt;
    // The dialog may hand back only the full path; the type is judged on the bare name either way.
    const std::string& name = choice->file_name.empty() ? choice->full_path : choice->file_name;
    if (type.matches(name)) return choice->full_path;
    showOk(platform, std::string(type.wrong_type_message));
  }
}

}  // namespace meldrit::app
