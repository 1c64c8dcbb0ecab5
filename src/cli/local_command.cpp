#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/generator_options.h"
#include "pfield_local/local_batch.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/generated_uniforms.h"
#endif

namespace meldrit::cli {
namespace {

struct Options {
  pfield_local::LocalBatchRequest request;
  std::string limits, nodes, header;
  std::vector<std::string> uniform, uniform_skip, output;
  GeneratorOptions generator;
  CLI::Option* uniform_option = nullptr;
};

#ifdef MELDRIT_HAVE_GENERATOR
// One realization a generated p-field each, named in a failure by its number.
std::vector<std::unique_ptr<pfield_generate::GeneratedUniforms>> generated_draws(Options& o) {
  if (o.output.size() != 1) throw CLI::ValidationError("--output", "takes one pattern with --pfield");
  const RealizationBlock drawn = drawn_realizations(o.generator, o.output[0]);
  const std::uint64_t first = drawn.first, last = drawn.last;
  pfield_generate::FieldRequest field = field_request(o.generator, o.nodes, "--nodes");
  // Each realization's field is made on a thread of its own: with several, one thread each.
  if (last > first) field.threads = 1;
  std::vector<std::unique_ptr<pfield_generate::GeneratedUniforms>> sources;
  for (std::uint64_t r = first; r <= last; ++r) {
    std::string error;
    sources.push_back(pfield_generate::GeneratedUniforms::open(field, r, 0, error));
    if (!sources.back()) throw CLI::ValidationError("--pfield", error);
    o.request.draws.push_back(
        {"p-field realization " + std::to_string(r), "0", drawn.outputs[r - first], sources.back().get()});
  }
  return sources;
}
#endif

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
                      "Header lines to skip in the probability data file, or geoeas: its GeoEAS header");
  command
      ->add_option(
          "--limits", options->limits,
          "L0,L1,...,L(n+1): the lower limits of classes 1..n+1, then the upper limit of the last class")
      ->required();
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z")->required();
  options->uniform_option = command->add_option(
      "--uniform", options->uniform,
      "Uniform file (one uniform value per node); several give several realizations in one pass");
  add_generator_options(command, options->generator, "--pfield", false);
  options->generator.model_option->description(
      "Generate each realization's p-field in the run instead of reading a uniform file: the model, as "
      "meldrit-cli pfield --variogram takes it. Each output equals a run on the file meldrit-cli pfield "
      "writes for the same request; --realizations A-B and --output PATTERN name them");
  options->generator.model_option->excludes(options->uniform_option);
  command->add_option(
      "--uniform-skip", options->uniform_skip,
      "Header lines to skip in the uniform files (or geoeas: each file's GeoEAS header): once "
      "for all, or once per --uniform");
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
  add_header_option(command, options->header);
  command->callback([options, &status] {
    std::vector<std::string> files{options->request.probability_path};
    files.insert(files.end(), options->uniform.begin(), options->uniform.end());
    files.insert(files.end(), options->output.begin(), options->output.end());
    if (saved_request(options->generator, files, status)) return;
    options->request.nodes = split_nodes(options->nodes, "--nodes");
    options->request.header =
        output_header(options->header, options->nodes, options->request.continuous ? "value" : "class");
    options->request.limits = split_commas(options->limits);
#ifdef MELDRIT_HAVE_GENERATOR
    std::vector<std::unique_ptr<pfield_generate::GeneratedUniforms>> sources;
#endif
    if (options->generator.model_option->count() > 0) {
#ifdef MELDRIT_HAVE_GENERATOR
      sources = generated_draws(*options);
#else
      status = no_generator_here();
      return;
#endif
    } else {
      if (options->uniform.empty()) throw CLI::RequiredError("--uniform or --pfield");
      if (options->generator.realizations_from_env) {
        throw CLI::ValidationError("--realizations-from-env", "needs --pfield");
      }
      options->request.draws = draws(*options);
      for (auto& draw : options->request.draws) {
        if (!geoeas_skip(draw.uniform_skip, draw.uniform_path)) {
          status = 1;
          return;
        }
      }
    }
    if (!geoeas_skip(options->request.probability_skip, options->request.probability_path)) {
      status = 1;
      return;
    }
    StderrHooks hooks("nodes");
    status = finish(pfield_local::run_local_batch(options->request, hooks), "--limits", hooks);
  });
}

}  // namespace meldrit::cli
