#include "app/text_viewer.h"

#include "app/shell_messages.h"
#include "external/command_line.h"

namespace meldrit::app {

void openInTextEditor(PlatformServices& platform, const std::string& path_caption) {
  if (!platform.launch(external::editor_command_line(path_caption), shell_messages::kEditorWindowStyle)) {
    showOk(platform, shell_messages::kEditorMissing);
  }
}

void createNow(PlatformServices& platform, const std::string& program_folder) {
  if (!platform.launch(external::create_now_command_line(program_folder),
                       shell_messages::kEditorWindowStyle)) {
    showOk(platform, shell_messages::createNowMissing(program_folder));
  }
}

}  // namespace meldrit::app
