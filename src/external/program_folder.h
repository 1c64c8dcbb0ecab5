#pragma once

#include <string>

namespace meldrit::external {

// The folder of the running executable, without a trailing separator; "." when it cannot be
// found out.
std::string program_folder();

// The user's home folder; empty when there is none.
std::string home_folder();

// Where a file dialog opens: the folder of the last file picked, else the program folder when
// this user may write there, else the home folder. A read-only program folder (an installed
// program's examples) would offer a Save As that then fails.
std::string dialog_folder(const std::string& last_used, const std::string& program_folder);

// The per-user folder for the program's own files: $XDG_CONFIG_HOME/meldrit, or
// ~/.config/meldrit when that is unset or not an absolute path (%APPDATA%\Meldrit on Windows).
// Empty when the user has no home to put it in.
std::string user_folder();

// Where the program keeps the files it writes beside itself (meldrit.ini, uniform.par, the
// uniform run's temporary and lock files): `program_folder` when this user may write there, else
// the per-user folder, created when missing. So an installed program works for a user who cannot
// write to its folder, and one run from a build folder behaves as it always did.
std::string own_files_folder(const std::string& program_folder);

// The suite preferences file (kvat.pam) seen from a folder that `own_files_folder` gave: the one
// in that folder; when that is the per-user folder and holds none, the one in the program folder.
std::string preferences_file(const std::string& own_files_folder);

}  // namespace meldrit::external
