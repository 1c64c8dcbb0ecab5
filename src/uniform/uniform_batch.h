#pragma once

#include <string>

#include "job/hooks.h"
#include "job/outcome.h"
#include "uniform/coordinate_option.h"
#include "uniform/uniform_run.h"

namespace meldrit::uniform {

// A whole uniform transformation as chosen on the panel at once.
struct UniformBatchRequest {
  std::string input_path;
  std::string skip = "0";  // as typed into skipuniform
  CoordinateOption option = CoordinateOption::None;
  int column = 0;  // the preview column clicked: 1 is the first field
  std::string output_path;
  std::string program_folder;  // where uniform.par and the temporary files go
};

// The desktop's steps in the desktop's order: the choosers' type checks, the import, the click on
// the column, the preferences' window mode, then the run.
job::Outcome run_uniform_batch(const UniformBatchRequest& request, const ProgramRunner& runner,
                               job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::uniform
