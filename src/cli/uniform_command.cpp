#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "external/process_runner.h"
#include "external/program_folder.h"
#include "settings/suite_preferences.h"
#include "textio/file_type.h"
#include "uniform/column_pick.h"
#include "uniform/column_scan.h"
#include "uniform/uniform_messages.h"
#include "uniform/uniform_run.h"

namespace meldrit::cli {
namespace {

namespace un = meldrit::uniform;

struct UniformOptions {
  std::string input;
  std::string skip = "0";
  std::string coords = "none";
  int column = 0;
  std::string output;
};

un::CoordinateOption coordinate_option(const std::string& coords) {
  if (coords == "2d") return un::CoordinateOption::TwoD;
  if (coords == "3d") return un::CoordinateOption::ThreeD;
  return un::CoordinateOption::None;
}

int fail(const char* message) {
  std::cerr << message << '\n';
  return 1;
}

int run(const UniformOptions& options) {
  // The file dialogs of the desktop accept only these types.
  if (!textio::file_type_matches(textio::bare_file_name(options.input), {"out", "prn", "dat"}))
    return fail(un::messages::kIllegalInputType);
  if (!textio::file_type_matches(textio::bare_file_name(options.output), {"out", "prn", "dat"}))
    return fail(un::messages::kIllegalOutputType);

  const un::CoordinateOption option = coordinate_option(options.coords);
  const un::ColumnScan scan = un::scan_column_file(options.input, options.skip, option);
  if (!scan.completed) return fail(un::messages::kIllegalFormat);

  // A click on grid column C: nothing is picked outside the variable columns.
  const auto pick = un::pick_column(options.column, scan.columns, un::first_variable_column(option), -1);

  const std::string folder = external::program_folder();
  un::RunRequest request;
  request.input_caption = options.input;
  request.output_caption = options.output;
  request.skip_text = options.skip;
  request.option = option;
  request.columns_text = std::to_string(scan.columns);
  request.samples_text = std::to_string(scan.samples);
  request.selected_column = pick ? pick->selected : -1;
  request.program_folder = folder;
  request.window_mode = settings::read_window_mode(settings::preferences_path(folder));
  const un::RunOutcome outcome = un::run_uniform(
      request, [](const std::string& command_line, const std::string& where, int window_mode) {
        return external::run_and_wait(command_line, where, -1, window_mode, un::files::kCreationFlags);
      });
  if (outcome != un::RunOutcome::Completed) return fail(un::run_message(outcome));
  std::cout << un::run_message(outcome) << '\n';
  return 0;
}

}  // namespace

void addUniformCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<UniformOptions>();
  auto* command = app.add_subcommand(
      "uniform",
      "Transform to Uniform: import a column data file, pick a column, turn it into uniform scores");
  command->add_option("--input", options->input, "Column data file (*.OUT, *.PRN, *.DAT)")->required();
  command->add_option("--skip", options->skip, "Header lines to skip in the input file")
      ->capture_default_str();
  command->add_option("--coords", options->coords, "Leading coordinate columns: none, 2d (x y) or 3d (x y z)")
      ->check(CLI::IsMember({"none", "2d", "3d"}))
      ->capture_default_str();
  command
      ->add_option("--column", options->column,
                   "Grid column to transform (the first variable column is 1, 3 or 4)")
      ->required();
  command->add_option("--output", options->output, "Output file (*.OUT, *.PRN, *.DAT)")->required();
  command->callback([options, &status] { status = run(*options); });
}

}  // namespace meldrit::cli
