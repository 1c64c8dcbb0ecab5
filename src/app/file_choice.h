#pragma once

#include <optional>
#include <string>

#include "app/platform_services.h"
#include "textio/file_type.h"

namespace meldrit::app {

// The dialog loop of every file chooser: shows the dialog until the user cancels or picks a file
// of `type` (last three characters of the bare name, lower-cased); a file of another type shows
// the type's message and the same dialog again. The chosen full path, or nullopt on cancel.
std::optional<std::string> chooseTypedFile(PlatformServices& platform, const FileDialogRequest& request,
                                           const textio::FileType& type);

}  // namespace meldrit::app
