#pragma once

#include <string>

namespace meldrit::app::shell_messages {

// The fixed texts of the main window, the exit flow and the text viewer, spelled as the program
// shows them.
inline constexpr const char* kEditorMissing =
    "Cannot find executable file 'Wordpad.exe'!\n"
    "-Please select wordpad.exe path in Korvane main menu (Config menu).";
inline std::string createNowMissing(const std::string& program_folder) {
  return "Cannot find wordap.exe in " + program_folder + " directory!";
}
inline constexpr const char* kExitQuestion = "Save configuration data file to Meldrit.INI ?";
inline constexpr const char* kExitQuestionTitle = "Korvane: Program Meldrit";
inline std::string cannotSaveSession(const std::string& program_folder) {
#ifdef _WIN32
  return "Cannot save session parameters to " + program_folder + "\\Meldrit.INI";
#else
  return "Cannot save session parameters to " + program_folder + "/Meldrit.INI";
#endif
}

// The editor is started maximised, with the focus.
inline constexpr int kEditorWindowStyle = 3;

}  // namespace meldrit::app::shell_messages
