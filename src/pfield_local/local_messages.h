#pragma once

#include <string>
#include <string_view>

// Every fixed text of the local ccdf job, spelled as the program shows it.
namespace meldrit::pfield_local::messages {

// The steps of a batch run, as its progress lines name them.
inline constexpr std::string_view kImportStep = "Importing the probability data file";
inline constexpr std::string_view kRunStep = "p-Field simulation with local ccdf";
inline constexpr std::string_view kProbabilityDialogTitle = "Input Probability Data File (*.OUT)";
inline constexpr std::string_view kSelectProbabilityFile = "Please select input probability data file!";
inline constexpr std::string_view kImportFailed = "Error during import input probability data file!";
inline constexpr std::string_view kDefineThresholds = "Please define thresholds!";
inline constexpr std::string_view kSameFile = "Input data file and output file cannot be the same!";
inline constexpr std::string_view kCalculationFailed =
    "ERROR during Meldrit calulation:  Input data file not compatible!";
inline constexpr std::string_view kCalculationFinished = "Calculation finished!";

// "Warning: Illegal value detected (>1): " x, a line feed, "This value will be automati'cally
// accept as 1!" j, both numbers in the message form (" 1.2", " 2").
std::string above_one_warning(double value, int column);
std::string below_zero_warning(double value);
// "Illegal values for Classe  2  and  Classe  3  limits!" for boundary 2.
std::string illegal_class_limits(int boundary);
// "Illegal value for number X nodes!": a node count below 1, or a negative one left in its box.
// The multiphase panel's boxes say the same.
std::string illegal_node_count(std::string_view axis);
// The node product message; `count_caption` is the caption of Label4 as shown.
std::string node_product_mismatch(std::string_view count_caption);

// What the batch front end says when its class limits do not fit the thresholds found.
std::string limit_count_mismatch(int thresholds, std::size_t given);

// A pass of more realizations than the process may hold files open for (two each).
inline std::string too_many_realizations(std::size_t asked, std::size_t fit) {
  return "The open-file limit lets " + std::to_string(fit) + " of the " + std::to_string(asked) +
         " realizations run in one pass; ask for fewer, or raise the limit (ulimit -n).";
}

}  // namespace meldrit::pfield_local::messages
