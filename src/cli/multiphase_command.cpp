#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/generator_options.h"
#include "pfield_multiphase/multiphase_batch.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/generated_uniforms.h"
#endif
#include "textio/file_type.h"
#include "textio/geoeas_header.h"
#include "textio/numeric_value.h"

namespace meldrit::cli {
namespace {

// FILE[::SKIP]: the path of one class table row and its skip text ("0" when not given). Only a
// number or "geoeas" after the last "::" is a skip, so a path that holds "::" itself stays whole.
pfield_multiphase::ClassRow class_row(const std::string& argument) {
  const std::size_t mark = argument.rfind("::");
  double skip = 0;
  if (mark == std::string::npos ||
      (!textio::parse_number(textio::trim_blanks(std::string_view(argument).substr(mark + 2)), skip) &&
       !textio::is_geoeas_skip(std::string_view(argument).substr(mark + 2)))) {
    return {"0", argument};
  }
  return {argument.substr(mark + 2), argument.substr(0, mark)};
}

}  // namespace

void addMultiphaseCommand(CLI::App& app, int& status) {
  struct Options {
    pfield_multiphase::MultiphaseBatchRequest request;
    std::string nodes, header;
    std::vector<std::string> phase_uniform;
    GeneratorOptions generator;
  };
  auto options = std::make_shared<Options>();
  pfield_multiphase::MultiphaseBatchRequest& request = options->request;
  auto* command = app.add_subcommand(
      "multiphase",
      "p-Field algorithm with a multiphase set of ccdfs: import, node count checks, then the run");
  auto* phases =
      command->add_option("--phases", request.multiphase_path, "Multiphase data file (phase code per node)");
  command
      ->add_option("--phases-skip", request.multiphase_skip,
                   "Header lines to skip in the multiphase data file, or geoeas: its GeoEAS header")
      ->needs(phases);
  auto* variables = command->add_option("--variables", request.variable_path,
                                        "Variable data file (variable class code per node)");
  command
      ->add_option("--variables-skip", request.variable_skip,
                   "Header lines to skip in the variable data file, or geoeas: its GeoEAS header")
      ->needs(variables);
  command->add_option("--nodes", options->nodes, "Grid node counts NX,NY,NZ (1..1000 each)")->required();
  command->add_option("--bihistogram", request.bihistogram_path, "Bihistogram data file")->required();
  auto* phase_uniform =
      command->add_option("--phase-uniform", options->phase_uniform,
                          "Phase uniform file of class table row 1, 2, ... in order; FILE::SKIP gives its "
                          "header lines, FILE::geoeas its GeoEAS header");
  add_generator_options(command, options->generator, "--pfield", false);
  options->generator.model_option
      ->description(
          "Generate each phase's p-field in the run instead of reading phase uniform files: the model, as "
          "meldrit-cli pfield --variogram takes it; phase P's field is the one meldrit-cli pfield --phase P "
          "writes for the same request. --realizations A-B draws several, one pass each, with {} or {:03} "
          "in --output for the number")
      ->excludes(phase_uniform);
  command->add_option("--output", request.output_path, "Output file")->required();
  add_header_option(command, options->header);
  command->callback([options, &status] {
    auto& request = options->request;
    for (const std::string& argument : options->phase_uniform)
      request.phase_files.push_back(class_row(argument));
    std::vector<std::string> files{request.multiphase_path, request.variable_path, request.bihistogram_path,
                                   request.output_path};
    for (const auto& row : request.phase_files) files.push_back(row.path);
    if (saved_request(options->generator, files, status)) return;
    request.nodes = split_nodes(options->nodes, "--nodes");
    request.header = output_header(options->header, options->nodes, "value");
    bool read = geoeas_skip(request.multiphase_skip, request.multiphase_path) &&
                geoeas_skip(request.variable_skip, request.variable_path);
    for (auto& row : request.phase_files) read = read && geoeas_skip(row.skip, row.path);
    if (!read) {
      status = 1;
      return;
    }
    if (options->generator.model_option->count() == 0) {
      if (options->generator.realizations_from_env) {
        throw CLI::ValidationError("--realizations-from-env", "needs --pfield");
      }
      StderrHooks hooks("nodes");
      status =
          finish(pfield_multiphase::run_multiphase_batch(options->request, hooks), "--phase-uniform", hooks);
      return;
    }
#ifdef MELDRIT_HAVE_GENERATOR
    pfield_generate::FieldRequest field = field_request(options->generator, options->nodes, "--nodes");
    // Each phase's field is made on a thread of its own, beside the others.
    field.threads = 1;
    const RealizationBlock drawn = drawn_realizations(options->generator, options->request.output_path);
    const std::uint64_t first = drawn.first, last = drawn.last;
    // One pass a realization, each phase with its own field; the first that does not complete ends it.
    for (std::uint64_t r = first; r <= last; ++r) {
      std::vector<std::unique_ptr<pfield_generate::GeneratedUniforms>> sources;
      pfield_multiphase::MultiphaseBatchRequest request = options->request;
      request.output_path = drawn.outputs[r - first];
      request.generate_phase = [&](int phase, std::string& error) -> textio::NumberSource* {
        sources.push_back(
            pfield_generate::GeneratedUniforms::open(field, r, static_cast<std::uint64_t>(phase), error));
        return sources.back().get();
      };
      StderrHooks hooks("nodes");
      status = finish(pfield_multiphase::run_multiphase_batch(request, hooks), "--pfield", hooks);
      if (status != 0) return;
    }
#else
    status = no_generator_here();
#endif
  });
}

}  // namespace meldrit::cli
