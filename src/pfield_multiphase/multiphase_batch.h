#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "pfield_multiphase/multiphase_run.h"

namespace meldrit::pfield_multiphase {

// A whole multiphase job as typed into the panels at once.
struct MultiphaseBatchRequest {
  std::string multiphase_path;  // empty: every node is phase 1
  std::string multiphase_skip = "0";
  std::string variable_path;  // empty: every node is variable class 1
  std::string variable_skip = "0";
  std::array<std::string, 3> nodes;  // as typed into Text2(0..2)
  std::string bihistogram_path;
  std::vector<ClassRow> phase_files;  // class table rows 1, 2, ... in order; later rows stay empty
  std::string output_path;
  textio::OutputHeader header;  // before the output's values
  // Set instead of phase files: the uniform values of phase 1, 2, ... made in the run, one source
  // per phase the import found; nothing, with the reason in `error`, when it cannot be made.
  std::function<textio::NumberSource*(int phase, std::string& error)> generate_phase;
};

// The desktop's steps in the desktop's order: the import, the node boxes left one after the
// other, the continue checks, the class table filled (more files than phase rows is a bad
// request), then the run.
job::Outcome run_multiphase_batch(const MultiphaseBatchRequest& request, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::pfield_multiphase
