#pragma once

#include <functional>
#include <string>

#include "job/hooks.h"
#include "job/outcome.h"
#include "uniform/coordinate_option.h"

namespace meldrit::uniform {

// How the external program ended: whether it was started, and its exit status (kNoExitStatus
// when it ended without one: ended, or given up on).
inline constexpr int kNoExitStatus = -1;
struct ProgramEnd {
  bool started = false;
  int exit_status = kNoExitStatus;
};

// Starts a command line in a folder with a window mode and waits for it, ending it once `cancelled`
// says so. The desktop passes its platform's runner, the batch front end the process runner.
using ProgramRunner = std::function<ProgramEnd(const std::string& command_line, const std::string& folder,
                                               int window_mode, const std::function<bool()>& cancelled)>;

// The panel state a run starts from, as the controls hold it.
struct RunRequest {
  std::string input_caption;   // uniformin
  std::string output_caption;  // uniformout
  std::string skip_text;       // skipuniform
  CoordinateOption option = CoordinateOption::None;
  std::string columns_text;  // variaveis
  std::string samples_text;  // amostras
  int selected_column = -1;  // the yellow column of the preview, -1 when none
  std::string program_folder;
  int window_mode = 0;
};

// The whole run: the checks made before anything is opened (an input and an output file chosen,
// and the output neither the input nor one of the run's own files in the program folder), then
// `hooks.checks_passed()`, the selected column, the lock on the program folder's fixed files
// (waited for, with a stage that says so), the values file, uniform.par, the external program, its
// scores, the removal of both temporary files (also on a cancel) and the output file. Coordinates are kept in
// memory (N x 2 or N x 3 doubles) and the scores as N floats; the values go straight to their file. A
// completed run whose output could not be written says so in a follow-up message.
job::Outcome run_uniform(const RunRequest& request, const ProgramRunner& runner,
                         job::Hooks& hooks = job::no_hooks());

// The path of a fixed file of the run in the program folder.
std::string program_file(const std::string& program_folder, const char* name);

}  // namespace meldrit::uniform
