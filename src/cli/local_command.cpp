#include <memory>
#include <string>

#include "cli/commands.h"
#include "pfield_local/local_batch.h"

namespace meldrit::cli {

void addLocalCommand(CLI::App& app, int& status) {
  struct Options {
    pfield_local::LocalBatchRequest request;
    std::string limits, nodes;
  };
  auto options = std::make_shared<Options>();
  pfield_local::LocalBatchRequest& request = options->request;
  auto* command = app.add_subcommand(
      "local", "p-Field algorithm with local ccdf: import, class limit and node checks, then the run");
  command
      ->add_option("--prob", request.probability_path,
                   "Probability data file (n cumulative probabilities per node)")
      ->required();
  command->add_option("--prob-skip", request.probability_skip,
                      "Header lines to skip in the probability data file");
  command
      ->add_option(
          "--limits", options->limits,
          "L0,L1,...,L(n+1): the lower limits of classes 1..n+1, then the upper limit of the last class")
      ->required();
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z")->required();
  command->add_option("--uniform", request.uniform_path, "Uniform file (one uniform value per node)")
      ->required();
  command->add_option("--uniform-skip", request.uniform_skip, "Header lines to skip in the uniform file");
  command->add_option("--output", request.output_path, "Output file, created anew")->required();
  command
      ->add_option_function<std::string>(
          "--type",
          [options](const std::string& type) { options->request.continuous = type == "continuous"; },
          "continuous (a value inside the class, the default) or classes (the class number)")
      ->check(CLI::IsMember({"continuous", "classes"}));
  command->callback([options, &status] {
    options->request.nodes = split_nodes(options->nodes, "--nodes");
    options->request.limits = split_commas(options->limits);
    StderrHooks hooks;
    status = finish(pfield_local::run_local_batch(options->request, hooks), "--limits");
  });
}

}  // namespace meldrit::cli
