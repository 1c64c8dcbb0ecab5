#pragma once

#include <functional>
#include <string>
#include <vector>

namespace meldrit::pfield_multiphase {

// Every phase uniform file stays open for the whole node loop, beside the multiphase, variable
// and output files, so the phase count is bounded by what can be open at once.
inline constexpr int kMaxPhases = 1000;

// One phase row of the class table as the cells show it.
struct ClassRow {
  std::string skip;  // column 1: lines to skip (numeric value, 0 when not a number)
  std::string path;  // column 2: the phase uniform file (trimmed when read)
};

struct RunInputs {
  double nx = 1, ny = 1, nz = 1;  // numeric values of the node count boxes
  double phases = 1;              // P, numeric value of the phase count caption
  double variable_classes = 1;    // V
  std::string bihistogram_path;
  std::string multiphase_path;  // empty: every node is phase 1
  double multiphase_skip = 0;
  std::string variable_path;  // empty: every node is variable class 1
  double variable_skip = 0;
  std::vector<ClassRow> class_rows;  // rows 1..R-1 of the class table
  std::string output_path;
};

struct RunOutcome {
  enum class Status {
    Completed,
    CheckFailed,  // refused before anything was opened (the busy pointer never shown)
    Failed,       // ended on bad input or a file error; the output keeps the lines written so far
  };
  Status status = Status::Completed;
  std::string message;  // the completion message, or the message of the failure
  long long nodes_written = 0;
};

// The whole calculation: checks, bihistogram data file, then one output line per node.
// `after_checks` runs once the checks have passed and before any file is opened (the desktop
// shows its busy pointer there).
RunOutcome run_multiphase(const RunInputs& inputs, const std::function<void()>& after_checks = {});

}  // namespace meldrit::pfield_multiphase
