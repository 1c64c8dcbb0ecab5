#pragma once

#include <string>

namespace meldrit::external {

// The folder of the running executable, without a trailing separator; "." when it cannot be
// found out.
std::string program_folder();

}  // namespace meldrit::external
