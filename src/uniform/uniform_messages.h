#pragma once

#include <string>
#include <string_view>

#include "job/outcome.h"

namespace meldrit::uniform::files {

// The files of a run, all in the program folder; the external program is started by its bare
// name so that the one in the program folder is found first.
inline constexpr const char* kParameterFile = "uniform.par";
inline constexpr const char* kValuesFile = "tempuniforme34247.out";
inline constexpr const char* kScoresFile = "tempuniforme34246.out";
inline constexpr const char* kCommandLine = "uniform.exe uniform.par 0";
// Held locked from the temporary files' writing to their removal, so that runs never mix.
inline constexpr const char* kLockFile = "uniform.lock";
// High priority class.
inline constexpr int kCreationFlags = 128;

}  // namespace meldrit::uniform::files

// The fixed texts of the uniform transformation, spelled as the program shows them. The choosers'
// "Illegal Type of ..." texts are shared by every job (textio/file_type.h).
namespace meldrit::uniform::messages {

inline constexpr std::string_view kIllegalFormat = "Illegal input data file format!";
inline constexpr std::string_view kNoInputFile = "Please select input data file!";
inline constexpr std::string_view kNoOutputFile = "Please select output file!";
inline constexpr std::string_view kSameFile = "Note: Output file <> Input file!";
inline constexpr std::string_view kNoColumn = "Please select column!";
inline constexpr std::string_view kCannotRun = "Cannot run 'uniform.exe'!";
inline constexpr std::string_view kComplete = "Calculation Complete!";
// After "Cannot run 'uniform.exe'!" when the program folder's lock cannot be taken: without it
// two runs could mix their temporary files.
inline std::string cannot_lock(std::string_view lock_path) {
  return std::string(kCannotRun) + "\nThe lock file cannot be opened: " + std::string(lock_path);
}
// After "Calculation Complete!" when the output could not be created or written.
using job::cannot_write_output;

// The steps of a run, as a progress display names them.
inline constexpr std::string_view kStageWaiting = "Waiting for another uniform run in this folder";
inline constexpr std::string_view kStageValues = "Writing the temporary file";
inline constexpr std::string_view kStageProgram = "Running uniform.exe";
inline constexpr std::string_view kStageOutput = "Writing the output file";

}  // namespace meldrit::uniform::messages
