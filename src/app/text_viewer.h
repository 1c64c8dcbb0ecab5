#pragma once

#include <string>

#include "app/platform_services.h"

namespace meldrit::app {

// Handler of every "View File" button: opens the trimmed path in the text editor and returns at
// once; shows the two-line "Cannot find executable file 'Wordpad.exe'!" message when the editor
// cannot be started.
void openInTextEditor(PlatformServices& platform, const std::string& path_caption);

// Handler of "Create Now": starts the editor of the program folder with an empty document.
void createNow(PlatformServices& platform, const std::string& program_folder);

}  // namespace meldrit::app
