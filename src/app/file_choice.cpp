#include "app/file_choice.h"

#include "textio/file_type.h"

namespace meldrit::app {

std::optional<std::string> chooseTypedFile(PlatformServices& platform, const FileDialogRequest& request,
                                           std::initializer_list<std::string_view> types,
                                           const std::string& wrong_type_message) {
  for (;;) {
    std::optional<FileChoice> choice = platform.chooseFile(request);
    if (!choice) return std::nullopt;
    // The dialog may hand back only the full path; the type is judged on the bare name either way.
    std::string_view name = choice->file_name.empty() ? textio::bare_file_name(choice->full_path)
                                                      : std::string_view(choice->file_name);
    if (textio::file_type_matches(name, types)) return choice->full_path;
    showOk(platform, wrong_type_message);
  }
}

}  // namespace meldrit::app
