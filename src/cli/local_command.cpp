#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "pfield_local/local_batch.h"

namespace meldrit::cli {
namespace {

struct Options {
  pfield_local::LocalBatchRequest request;
  std::string limits, nodes;
  std::vector<std::string> uniform, uniform_skip, output;
};

std::vector<pfield_local::LocalBatchRequest::Draw> draws(const Options& o) {
  const std::vector<std::string> outputs = outputs_per_file(o.output, o.uniform.size(), "--output");
  const std::vector<std::string> skips =
      values_per_file(o.uniform_skip, o.uniform.size(), "--uniform-skip", "0");
  std::vector<pfield_local::LocalBatchRequest::Draw> result;
  for (std::size_t r = 0; r < o.uniform.size(); ++r) result.push_back({o.uniform[r], skips[r], outputs[r]});
  return result;
}

}  // namespace

void addLocalCommand(CLI::App& app, int& status) {
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
  command
      ->add_option("--uniform", options->uniform,
                   "Uniform file (one uniform value per node); several give several realizations in one pass")
      ->required();
  command->add_option("--uniform-skip", options->uniform_skip,
                      "Header lines to skip in the uniform files: once for all, or once per --uniform");
  command
      ->add_option(
          "--output", options->output,
          "Output file, created anew: one per --uniform, or one pattern with {} or {:03} for the number")
      ->required();
  command
      ->add_option_function<std::string>(
          "--type",
          [options](const std::string& type) { options->request.continuous = type == "continuous"; },
          "continuous (a value inside the class, the default) or classes (the class number)")
      ->check(CLI::IsMember({"continuous", "classes"}));
  command->callback([options, &status] {
    options->request.nodes = split_nodes(options->nodes, "--nodes");
    options->request.limits = split_commas(options->limits);
    options->request.draws = draws(*options);
    StderrHooks hooks("nodes");
    status = finish(pfield_local::run_local_batch(options->request, hooks), "--limits", hooks);
  });
}

}  // namespace meldrit::cli
