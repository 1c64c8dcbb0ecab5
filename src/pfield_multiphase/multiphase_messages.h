#pragma once

#include <string>
#include <string_view>

#include "job/outcome.h"
#include "pfield_local/local_messages.h"

// Every fixed text of the multiphase set ccdf job, spelled exactly as the program shows it.
namespace meldrit::pfield_multiphase::messages {

// The steps of a batch run, as its progress lines name them.
inline constexpr std::string_view kImportStep = "Importing the multiphase and variable data files";
inline constexpr std::string_view kRunStep = "p-Field simulation with a multiphase set of ccdfs";

// Import.
inline constexpr std::string_view kSameInputFile = "Note: 1st Input file <> 2nd Input File";
inline constexpr std::string_view kImportError = "Error during import input files!";

// Continue button: the boxes share the local panel's message for a count below 1.
using pfield_local::messages::illegal_node_count;
std::string node_count_too_large(std::string_view axis);

// Run.
std::string missing_phase_file(int row);
inline constexpr std::string_view kMissingBihistogram = "Please select bihistogram data file file!";
inline constexpr std::string_view kMissingOutput = "Please select output file!";
// The run has no words of its own for an output that is one of its inputs.
using pfield_local::messages::kSameFile;
inline constexpr std::string_view kInvalidBihistogram = "Invalid bihistogram file!";
inline constexpr std::string_view kInvalidPointCount =
    "Invalid number of variable classes ( > 1 and < 50 ) !";
inline constexpr std::string_view kPhaseError = "Error during input phases";
inline constexpr std::string_view kVariableClassError = "Error during input variable classes";
inline constexpr std::string_view kCompleted = "Probability Field Simulation Complete!";

// Failures the job names no message for: files that cannot be opened, created, read or written,
// files that end too early, and more phases than can be read together.
std::string cannot_open(std::string_view what, std::string_view path);
std::string cannot_read(std::string_view what, std::string_view path);
std::string cannot_create_output(std::string_view path);
using job::cannot_write_output;
inline constexpr std::string_view kBihistogramShort =
    "Bihistogram data file ends before its last ccdf table!";
// `what` is one of the lower-case file names below; the message starts with a capital.
std::string ends_before_last_node(std::string_view what);
std::string phase_file_name(int phase);
inline constexpr std::string_view kMultiphaseFileName = "multiphase data file";
inline constexpr std::string_view kVariableFileName = "variable data file";
inline constexpr std::string_view kBihistogramFileName = "bihistogram data file";
std::string too_many_phases(int limit);
// A node whose value is not a finite number (`node` counts from 1).
std::string value_out_of_range(long long node);
inline constexpr std::string_view kNotEnoughMemory = "Not enough memory for the calculation!";

// What the batch front end says when it is given more phase uniform files than the table has rows.
std::string too_many_phase_files(std::size_t given, std::size_t rows);

}  // namespace meldrit::pfield_multiphase::messages
