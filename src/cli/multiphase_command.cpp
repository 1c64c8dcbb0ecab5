#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "pfield_local/node_counts.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_run.h"
#include "pfield_multiphase/node_counts.h"
#include "textio/numeric_value.h"

namespace meldrit::cli {
namespace {

namespace mp = meldrit::pfield_multiphase;

struct MultiphaseOptions {
  std::string phases;
  std::string phases_skip = "0";
  std::string variables;
  std::string variables_skip = "0";
  std::string nodes;
  std::string bihistogram;
  std::vector<std::string> phase_uniform;
  std::string output;
};

// The three node count texts as typed into the boxes; their values are checked by the job.
std::array<std::string, 3> split_nodes(const std::string& text) {
  std::array<std::string, 3> parts;
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = text.find(',', start);
    if ((i < 2) == (comma == std::string::npos)) break;
    parts[i] = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (i == 2) return parts;
    start = comma + 1;
  }
  throw CLI::ValidationError("--nodes", "expects three node counts NX,NY,NZ, got '" + text + "'");
}

// FILE[::SKIP]: the path of one class table row and its skip text ("0" when not given).
mp::ClassRow class_row(const std::string& argument) {
  const std::size_t mark = argument.rfind("::");
  if (mark == std::string::npos) return {"0", argument};
  return {argument.substr(mark + 2), argument.substr(0, mark)};
}

int run(const MultiphaseOptions& options) {
  std::array<std::string, 3> nodes = split_nodes(options.nodes);

  mp::ImportInputs import;
  import.multiphase_path = options.phases;
  import.multiphase_skip = options.phases_skip;
  import.variable_path = options.variables;
  import.variable_skip = options.variables_skip;
  const mp::ImportOutcome imported = mp::import_data_files(import);
  if (imported.status != mp::ImportOutcome::Status::Completed) {
    std::cerr << imported.message << '\n';
    return 1;
  }

  // The node boxes are left one after the other before the continue button is pressed: the
  // lost-focus rule that all node boxes share.
  static const char* const kAxes[] = {"X", "Y", "Z"};
  for (int box = 0; box < 3; ++box) {
    const pfield_local::NodeTextResult node = pfield_local::normalize_node_text(nodes[box]);
    if (node.negative) std::cerr << pfield_local::illegal_node_count_message(kAxes[box]) << '\n';
    nodes[box] = node.text;
  }
  const mp::NodeCountCheck check = mp::check_node_counts(nodes);
  if (!check.ok) {
    std::cerr << check.message << '\n';
    return 1;
  }

  // The class table as the import leaves it, then one row per --phase-uniform in order.
  std::vector<mp::ClassRow> rows(static_cast<std::size_t>(imported.grid_rows - 1),
                                 mp::ClassRow{mp::kPreparedSkip, ""});
  if (options.phase_uniform.size() > rows.size()) {
    throw CLI::ValidationError("--phase-uniform", std::to_string(options.phase_uniform.size()) +
                                                      " files given, but the class table has " +
                                                      std::to_string(rows.size()) + " phase rows");
  }
  for (std::size_t i = 0; i < options.phase_uniform.size(); ++i)
    rows[i] = class_row(options.phase_uniform[i]);

  mp::RunInputs inputs;
  inputs.nx = textio::numeric_value(nodes[0]);
  inputs.ny = textio::numeric_value(nodes[1]);
  inputs.nz = textio::numeric_value(nodes[2]);
  // Read back from the shown captions, as the desktop does.
  inputs.phases = textio::numeric_value(imported.phases_caption);
  inputs.variable_classes = textio::numeric_value(imported.variable_classes_caption);
  inputs.bihistogram_path = options.bihistogram;
  inputs.multiphase_path = options.phases;
  inputs.multiphase_skip = textio::numeric_value(options.phases_skip);
  inputs.variable_path = options.variables;
  inputs.variable_skip = textio::numeric_value(options.variables_skip);
  inputs.class_rows = std::move(rows);
  inputs.output_path = options.output;
  const mp::RunOutcome outcome = mp::run_multiphase(inputs);
  if (outcome.status != mp::RunOutcome::Status::Completed) {
    std::cerr << outcome.message << '\n';
    return 1;
  }
  std::cout << outcome.message << '\n';
  return 0;
}

}  // namespace

void addMultiphaseCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<MultiphaseOptions>();
  auto* command = app.add_subcommand(
      "multiphase",
      "p-Field algorithm with a multiphase set of ccdfs: import, node count checks, then the run");
  auto* phases =
      command->add_option("--phases", options->phases, "Multiphase data file (phase code per node)");
  command
      ->add_option("--phases-skip", options->phases_skip, "Header lines to skip in the multiphase data file")
      ->needs(phases);
  auto* variables = command->add_option("--variables", options->variables,
                                        "Variable data file (variable class code per node)");
  command
      ->add_option("--variables-skip", options->variables_skip,
                   "Header lines to skip in the variable data file")
      ->needs(variables);
  command->add_option("--nodes", options->nodes, "Grid node counts NX,NY,NZ (1..1000 each)")->required();
  command->add_option("--bihistogram", options->bihistogram, "Bihistogram data file")->required();
  command->add_option(
      "--phase-uniform", options->phase_uniform,
      "Phase uniform file of class table row 1, 2, ... in order; FILE::SKIP gives its header lines");
  command->add_option("--output", options->output, "Output file")->required();
  command->callback([options, &status] { status = run(*options); });
}

}  // namespace meldrit::cli
