#pragma once

#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "pfield_multiphase/multiphase_import.h"
#include "textio/geoeas_header.h"
#include "textio/number_source.h"

namespace meldrit::pfield_multiphase {

// Every phase uniform file stays open for the whole node loop, beside the multiphase, variable
// and output files, so the phase count is bounded by what can be open at once.
inline constexpr int kMaxPhases = 1000;

// One phase row of the class table as the cells show it.
struct ClassRow {
  std::string skip;  // column 1: lines to skip (numeric value, 0 when not a number)
  std::string path;  // column 2: the phase uniform file (trimmed when read)
  // The phase's uniform values made in the run instead of read from a file; the path then only
  // names it in a message.
  textio::NumberSource* generated = nullptr;
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
  textio::OutputHeader header;  // before the output's values
};

// The whole calculation: the checks made before anything is opened (the class table's paths, the
// bihistogram and output paths, the output not one of the inputs, the phase count), then
// `hooks.checks_passed()`, the bihistogram data file, and one output line per node with progress
// by nodes and a cancel polled as the inputs are read. Completed, refused, or failed with the
// output keeping the lines written so far.
job::Outcome run_multiphase(const RunInputs& inputs, job::Hooks& hooks = job::no_hooks());

// A pass that runs the nodes and imports the two code files at once, for a job that would import
// and then run over the same files: each code read also goes to its file's scan, to the end of
// the file whatever becomes of the run, so both verdicts are in when it returns (unless it was
// cancelled, or a file was never opened). The output is written to `staged_output` for the
// caller to put in place once the checks between the two steps have passed. The checks made
// before anything is opened are the caller's.
struct ImportAlongside {
  CodeScan phases;   // the multiphase data file's
  CodeScan classes;  // the variable data file's
  std::string staged_output;
};
job::Outcome run_multiphase_importing(const RunInputs& inputs, ImportAlongside& along, job::Hooks& hooks);

// Those checks alone: completed with no message, or refused with the first that fails.
job::Outcome check_run_inputs(const RunInputs& inputs);

}  // namespace meldrit::pfield_multiphase
