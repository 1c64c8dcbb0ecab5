#include <memory>
#include <string>

#include "cli/commands.h"
#include "external/process_runner.h"
#include "external/program_folder.h"
#include "uniform/uniform_batch.h"
#include "uniform/uniform_messages.h"

namespace meldrit::cli {

void addUniformCommand(CLI::App& app, int& status) {
  struct Options {
    uniform::UniformBatchRequest request;
    std::string coords = "none";
  };
  auto options = std::make_shared<Options>();
  uniform::UniformBatchRequest& request = options->request;
  auto* command = app.add_subcommand(
      "uniform",
      "Transform to Uniform: import a column data file, pick a column, turn it into uniform scores");
  command->add_option("--input", request.input_path, "Column data file (*.OUT, *.PRN, *.DAT)")->required();
  command
      ->add_option("--skip", request.skip,
                   "Header lines to skip in the input file, or geoeas: its GeoEAS header")
      ->capture_default_str();
  command->add_option("--coords", options->coords, "Leading coordinate columns: none, 2d (x y) or 3d (x y z)")
      ->check(CLI::IsMember({"none", "2d", "3d"}))
      ->capture_default_str();
  command
      ->add_option("--column", request.column,
                   "Grid column to transform (the first variable column is 1, 3 or 4)")
      ->required();
  command->add_option("--output", request.output_path, "Output file (*.OUT, *.PRN, *.DAT)")->required();
  command->callback([options, &status] {
    const std::string& coords = options->coords;
    options->request.option = coords == "2d"   ? uniform::CoordinateOption::TwoD
                              : coords == "3d" ? uniform::CoordinateOption::ThreeD
                                               : uniform::CoordinateOption::None;
    // uniform.exe is still found in the program folder, but runs where the program may write.
    options->request.program_folder = external::own_files_folder(external::program_folder());
    const auto runner = [](const std::string& command_line, const std::string& folder, int window_mode,
                           const std::function<bool()>& cancelled) {
      uniform::ProgramEnd ended;
      ended.started = external::run_and_wait(command_line, folder, -1, window_mode,
                                             uniform::files::kCreationFlags, cancelled, &ended.exit_status);
      return ended;
    };
    if (!geoeas_skip(options->request.skip, options->request.input_path)) {
      status = 1;
      return;
    }
    StderrHooks hooks("samples");
    status = finish(uniform::run_uniform_batch(options->request, runner, hooks), "--column", hooks);
  });
}

}  // namespace meldrit::cli
