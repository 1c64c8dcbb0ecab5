#pragma once

namespace meldrit::uniform::messages {

// The fixed texts of the uniform transformation, spelled as the program shows them.
inline constexpr const char* kIllegalInputType = "Illegal Type of Input Data File!";
inline constexpr const char* kIllegalOutputType = "Illegal Type of Output File!";
inline constexpr const char* kIllegalFormat = "Illegal input data file format!";
inline constexpr const char* kNoInputFile = "Please select input data file!";
inline constexpr const char* kNoOutputFile = "Please select output file!";
inline constexpr const char* kSameFile = "Note: Output file <> Input file!";
inline constexpr const char* kNoColumn = "Please select column!";
inline constexpr const char* kCannotRun = "Cannot run 'uniform.exe'!";
inline constexpr const char* kComplete = "Calculation Complete!";

}  // namespace meldrit::uniform::messages

namespace meldrit::uniform::files {

// The files of a run, all in the program folder; the external program is started by its bare
// name so that the one in the program folder is found first.
inline constexpr const char* kParameterFile = "uniform.par";
inline constexpr const char* kValuesFile = "tempuniforme34247.out";
inline constexpr const char* kScoresFile = "tempuniforme34246.out";
inline constexpr const char* kCommandLine = "uniform.exe uniform.par 0";
inline constexpr const char* kPreferencesFile = "kvat.pam";
// High priority class.
inline constexpr int kCreationFlags = 128;

}  // namespace meldrit::uniform::files
