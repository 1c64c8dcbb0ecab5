#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "pfield_local/class_limits.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/local_run.h"
#include "pfield_local/node_counts.h"
#include "pfield_local/probability_import.h"
#include "textio/numeric_value.h"

namespace meldrit::cli {
namespace {

namespace pl = meldrit::pfield_local;

struct LocalOptions {
  std::string prob;
  std::string prob_skip = "0";
  std::string limits;
  std::string nodes;
  std::string uniform;
  std::string uniform_skip = "0";
  std::string output;
  bool continuous = true;
};

std::vector<std::string> split_commas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// Warnings come as they are found, like the window's message boxes.
class StderrObserver : public pl::ImportObserver {
 public:
  void warning(const std::string& text) override { std::cerr << text << '\n'; }
};

int run(const LocalOptions& options) {
  const std::vector<std::string> nodes = split_commas(options.nodes);
  if (nodes.size() != 3) {
    throw CLI::ValidationError("--nodes", "expects three node counts NX,NY,NZ, got '" + options.nodes + "'");
  }

  // Text3 keeps the whole part of what is typed into it.
  const std::string prob_skip = pl::skip_count_text(options.prob_skip);
  StderrObserver observer;
  const pl::ImportResult imported =
      pl::import_probability_file(options.prob, textio::numeric_value(prob_skip), &observer);
  if (imported.outcome == pl::ImportOutcome::NoFile) {
    std::cerr << pl::messages::kSelectProbabilityFile << '\n';
    return 1;
  }
  if (imported.outcome == pl::ImportOutcome::Failed) {
    std::cerr << pl::messages::kImportFailed << '\n';
    return 1;
  }
  const int n = imported.thresholds;
  const std::vector<std::string> limits = split_commas(options.limits);
  if (limits.size() != static_cast<std::size_t>(n) + 2) {
    throw CLI::ValidationError("--limits", "expects " + std::to_string(n + 2) +
                                               " values (n + 2) for the n = " + std::to_string(n) +
                                               " thresholds detected, got " + std::to_string(limits.size()));
  }

  // The node boxes are left one after the other before the continue button is pressed.
  pl::ClassLimitsInput check;
  for (int box = 0; box < 3; ++box) {
    const pl::NodeTextResult node = pl::normalize_node_text(nodes[box]);
    if (node.negative) std::cerr << pl::illegal_node_count_message(pl::kAxisNames[box]) << '\n';
    check.nodes[box] = node.text;
  }
  // The typing rules keep each upper limit equal to the next class's lower limit.
  check.table_rows = n + 2;
  for (int k = 1; k <= n + 1; ++k) check.rows.push_back({limits[k - 1], limits[k]});
  const std::string count_caption = std::to_string(imported.nodes);
  check.count_caption = count_caption;
  const pl::ClassLimitsResult checked = pl::check_class_limits(check);
  if (!checked.passed) {
    std::cerr << checked.message << '\n';
    return 1;
  }

  pl::LocalRunInput input;
  input.probability_path = options.prob;
  input.probability_skip = textio::numeric_value(prob_skip);
  input.uniform_path = options.uniform;
  input.uniform_skip = textio::numeric_value(options.uniform_skip);
  input.output_path = options.output;
  input.nodes = textio::numeric_value(count_caption);
  input.thresholds = textio::numeric_value(std::to_string(n));
  input.limits = checked.limits;
  input.continuous = options.continuous;
  switch (pl::run_local_ccdf(input).outcome) {
    case pl::RunOutcome::Completed:
      std::cout << pl::messages::kCalculationFinished << '\n';
      return 0;
    case pl::RunOutcome::SameFile:
      std::cerr << pl::messages::kSameFile << '\n';
      return 1;
    case pl::RunOutcome::Failed:
      break;
  }
  std::cerr << pl::messages::kCalculationFailed << '\n';
  return 1;
}

}  // namespace

void addLocalCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<LocalOptions>();
  auto* command = app.add_subcommand(
      "local", "p-Field algorithm with local ccdf: import, class limit and node checks, then the run");
  command->add_option("--prob", options->prob, "Probability data file (n cumulative probabilities per node)")
      ->required();
  command->add_option("--prob-skip", options->prob_skip, "Header lines to skip in the probability data file");
  command
      ->add_option(
          "--limits", options->limits,
          "L0,L1,...,L(n+1): the lower limits of classes 1..n+1, then the upper limit of the last class")
      ->required();
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z")->required();
  command->add_option("--uniform", options->uniform, "Uniform file (one uniform value per node)")->required();
  command->add_option("--uniform-skip", options->uniform_skip, "Header lines to skip in the uniform file");
  command->add_option("--output", options->output, "Output file, created anew")->required();
  command
      ->add_option_function<std::string>(
          "--type", [options](const std::string& type) { options->continuous = type == "continuous"; },
          "continuous (a value inside the class, the default) or classes (the class number)")
      ->check(CLI::IsMember({"continuous", "classes"}));
  command->callback([options, &status] { status = run(*options); });
}

}  // namespace meldrit::cli
