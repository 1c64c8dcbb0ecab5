#pragma once

#include <functional>
#include <string>

#include "uniform/coordinate_option.h"

namespace meldrit::uniform {

enum class RunOutcome { Completed, NoInputFile, NoOutputFile, SameFile, NoColumn, CannotRun };

// The message a run ends with ("Calculation Complete!" for Completed).
const char* run_message(RunOutcome outcome);

// Starts a command line in a folder with a window mode and waits for it; false when the program
// could not be started. The desktop passes its platform's runner, the batch front end the
// process runner.
using ProgramRunner =
    std::function<bool(const std::string& command_line, const std::string& folder, int window_mode)>;

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

// The checks made before any file is opened: an input and an output file chosen, and not the same
// file. Completed when they pass.
RunOutcome check_run_files(const std::string& input_caption, const std::string& output_caption);

// The whole run after the busy pointer is shown: the file checks again, the selected column, the
// values file, uniform.par, the external program, its scores, the removal of both temporary files
// and the output file. Coordinates are kept in memory (N x 2 or N x 3 doubles) and the scores as
// N floats; the values go straight to their file.
RunOutcome run_uniform(const RunRequest& request, const ProgramRunner& runner);

// The path of a fixed file of the run in the program folder.
std::string program_file(const std::string& program_folder, const char* name);

}  // namespace meldrit::uniform
