#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "pfield_local/probability_import.h"
#include "textio/geoeas_header.h"
#include "textio/number_source.h"

namespace meldrit::pfield_local {

struct LocalRunInput {
  std::string probability_path;  // captions as shown; the run trims them
  double probability_skip = 0;
  std::string uniform_path;
  double uniform_skip = 0;
  std::string output_path;
  double nodes = 0;             // N, numeric value of Label4
  double thresholds = 0;        // n, numeric value of ncortes
  std::vector<double> limits;   // classlimits: L(0)..L(n+1) used
  bool continuous = true;       // Option1; otherwise the class number is written
  textio::OutputHeader header;  // before the values of every output
};

// The local ccdf p-field: one pass over both input files, one output line per node. Refused
// before anything is opened when the output is the uniform or the probability data file; then
// `hooks.checks_passed()`, progress by nodes, and a cancel polled as the inputs are read. Every
// file is closed when it returns, the output holding the lines of the nodes done.
job::Outcome run_local_ccdf(const LocalRunInput& input, job::Hooks& hooks = job::no_hooks());

// One realization of a pass over the probability data file: its uniform file and output. A
// realization whose uniform values are `generated` reads them from there instead of a file; its
// uniform path then only names it in a failure.
struct Realization {
  std::string uniform_path;
  double uniform_skip = 0;
  std::string output_path;
  textio::NumberSource* generated = nullptr;
};

// Several realizations in one pass: the probability data file is read once, the uniform files
// and outputs in lockstep, node by node; each output is the one a run of its uniform file alone
// writes. No output may be an input or another output (refused). A realization whose uniform file
// cannot be read to its last node stops alone, and the failure names that file after the message;
// a failure of the probability data file or of a write stops all. `input`'s uniform and output
// paths are not used.
job::Outcome run_local_realizations(const LocalRunInput& input, const std::vector<Realization>& realizations,
                                    job::Hooks& hooks = job::no_hooks());

// The refusal a run of these realizations makes before it opens anything, if any.
std::optional<job::Outcome> local_run_refusal(const LocalRunInput& input,
                                              const std::vector<Realization>& realizations);

// A pass that runs the nodes and imports the probability data file at once, for a job that would
// import and then run over the same file: each probability read after the first data line also
// goes to `checks`, to the end of the file whatever becomes of the run, so the import's verdict is
// in when it returns (unless it was cancelled, or the first data line could not be read). The
// outputs are written to `staged_outputs`, one per realization, for the caller to put in place
// once the checks between the two steps have passed. No check made before anything is opened is
// made again: the caller made them. Progress counts the values read, as the import's does.
struct ImportAlongside {
  ImportChecks& checks;
  std::vector<std::string> staged_outputs;
};
job::Outcome run_local_importing(const LocalRunInput& input, const std::vector<Realization>& realizations,
                                 ImportAlongside& along, job::Hooks& hooks);

struct NodeResult {
  int k = 1;     // the class, 1..n+1
  double z = 0;  // the value inside it
};

// One node: `c` holds c(0)..c(n+1), already clipped (c(0) = 0, c(n+1) = 1); an empty class gets a
// width of .001 for this value only; `u` is clipped to 0..1; `limits` holds L(0)..L(n+1).
NodeResult simulate_node(double u, const double* c, int n, const double* limits);

}  // namespace meldrit::pfield_local
