#pragma once

#include <functional>
#include <string>

namespace meldrit::external {

// The program a command line's first word names: a word with a folder in it is taken as given
// (relative to `working_folder` when not absolute); a bare name is looked for first in the
// program folder, then along PATH. Empty when no executable file is found.
std::string find_program(const std::string& word, const std::string& working_folder);

// Starts `command_line` with `working_folder` as its current folder (empty: this process's) and
// waits for it, without limit when `timeout_ms` is -1, else for at most `timeout_ms`
// milliseconds. True when the program was started, whatever its exit status or the wait gave;
// false when it could not be found or started.
//
// The started program inherits this program's environment. On Windows `window_mode` is the
// show-window value and `creation_flags` go to CreateProcessA; on POSIX both are accepted and
// have no effect. While it waits, `cancelled` (when given) is asked several times a second; once
// it says yes, the program is ended and waited for. `exit_status` (when given) receives the
// program's exit status, or -1 when it ended without one (by a signal, ended, or waited for no
// longer).
bool run_and_wait(const std::string& command_line, const std::string& working_folder, int timeout_ms,
                  int window_mode, int creation_flags, const std::function<bool()>& cancelled = {},
                  int* exit_status = nullptr);

// Starts `command_line` and returns at once; the program runs on by itself and leaves no zombie
// behind. False when it could not be found or started. `window_style` has effect only on
// Windows.
bool start_detached(const std::string& command_line, int window_style);

}  // namespace meldrit::external
