#pragma once

#include <string>

#include "textio/number_format.h"

namespace meldrit::pfield_multiphase {

// Every fixed text of the multiphase set ccdf job, spelled exactly as the program shows it.
namespace messages {

// Choosers.
inline const std::string kIllegalInputType = "Illegal Type of Input Data File!";

// Import.
inline const std::string kSameFile = "Note: 1st Input file <> 2nd Input File";
inline const std::string kImportError = "Error during import input files!";

// Continue button: axis is "X", "Y" or "Z".
inline std::string node_count_too_small(const std::string& axis) {
  return "Illegal value for number " + axis + " nodes!";
}
inline std::string node_count_too_large(const std::string& axis) {
  return "Illegal value for number " + axis + " nodes! (1-1000)";
}

// Run.
inline std::string missing_phase_file(int row) {
  return "Please select input data file associate with class - " + textio::message_number(row);
}
inline const std::string kMissingBihistogram = "Please select bihistogram data file file!";
inline const std::string kMissingOutput = "Please select output file!";
inline const std::string kInvalidBihistogram = "Invalid bihistogram file!";
inline const std::string kInvalidPointCount = "Invalid number of variable classes ( > 1 and < 50 ) !";
inline const std::string kPhaseError = "Error during input phases";
inline const std::string kVariableClassError = "Error during input variable classes";
inline const std::string kCompleted = "Probability Field Simulation Complete!";

// Failures the job names no message for: files that cannot be opened, created, read or written,
// files that end too early, and more phases than can be read together.
inline std::string cannot_open(const std::string& what, const std::string& path) {
  return "Cannot open " + what + ": " + path;
}
inline std::string cannot_read(const std::string& what, const std::string& path) {
  return "Cannot read " + what + ": " + path;
}
inline std::string cannot_create_output(const std::string& path) {
  return "Cannot create output file: " + path;
}
inline std::string cannot_write_output(const std::string& path) {
  return "Cannot write output file: " + path;
}
inline const std::string kBihistogramShort = "Bihistogram data file ends before its last ccdf table!";
// `what` is one of the lower-case file names below; the message starts with a capital.
inline std::string ends_before_last_node(std::string what) {
  if (!what.empty() && what[0] >= 'a' && what[0] <= 'z') what[0] = static_cast<char>(what[0] - 'a' + 'A');
  return what + " ends before the last node!";
}
inline std::string phase_file_name(int phase) {
  return "input data file associate with class - " + textio::message_number(phase);
}
inline const std::string kMultiphaseFileName = "multiphase data file";
inline const std::string kVariableFileName = "variable data file";
inline const std::string kBihistogramFileName = "bihistogram data file";
inline std::string too_many_phases(int limit) {
  return "Too many classes: at most " + std::to_string(limit) + " phase uniform files can be read together!";
}

}  // namespace messages
}  // namespace meldrit::pfield_multiphase
