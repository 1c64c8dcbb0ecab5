#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "app/platform_services.h"

namespace meldrit::app {

// The dialog loop of every file chooser: shows the dialog until the user cancels or picks a file
// whose type (last three characters of the bare name, lower-cased) is one of `types`; a wrong
// type shows `wrong_type_message` and the same dialog again. The chosen full path, or nullopt on
// cancel.
std::optional<std::string> chooseTypedFile(PlatformServices& platform, const FileDialogRequest& request,
                                           std::initializer_list<std::string_view> types,
                                           const std::string& wrong_type_message);

}  // namespace meldrit::app
