#include <array>
#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>
#include <tuple>

#include "cli/commands.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/pfield_run.h"
#endif

namespace meldrit::cli {
namespace {

// "A-B" or "A": realizations from 1; a usage error of --realizations otherwise.
std::pair<std::uint64_t, std::uint64_t> realization_range(const std::string& text) {
  const auto whole = [&](std::string_view part, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && error == std::errc() && end == part.data() + part.size() && value >= 1;
  };
  const std::size_t dash = text.find('-');
  std::uint64_t first = 0, last = 0;
  const std::string_view all(text);
  const bool ok = dash == std::string::npos
                      ? whole(all, first) && whole(all, last)
                      : whole(all.substr(0, dash), first) && whole(all.substr(dash + 1), last);
  if (!ok || last < first || last > 0xffffffffULL) {
    throw CLI::ValidationError("--realizations", "expects A-B with 1 <= A <= B, got '" + text + "'");
  }
  return {first, last};
}

}  // namespace

std::vector<std::string> realization_outputs(const std::string& pattern, std::uint64_t first,
                                             std::uint64_t last) {
  if (first != last && fill_pattern(pattern, 1) == pattern) {
    throw CLI::ValidationError("--output",
                               "needs {} or {:03} for the realization's number when there are several");
  }
  std::vector<std::string> outputs;
  for (std::uint64_t r = first; r <= last; ++r)
    outputs.push_back(fill_pattern(pattern, static_cast<std::size_t>(r)));
  return outputs;
}

void addPfieldCommand(CLI::App& app, int& status) {
  struct Options {
    std::string nodes, spacing = "1,1,1", variogram, realizations = "1-1", output;
    std::uint64_t seed = 0;
    std::size_t memory_mb = 1024;
    bool gaussian = false;
  };
  auto options = std::make_shared<Options>();
  auto* command = app.add_subcommand(
      "pfield",
      "Generate p-fields: spatially correlated uniform fields (unconditional Gaussian fields with a "
      "variogram "
      "model, by FFT moving average, turned into uniform values by the normal distribution function)");
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z (1 to 1000 each)")
      ->required();
  command->add_option("--spacing", options->spacing, "DX,DY,DZ: node spacing (default 1,1,1)");
  command
      ->add_option(
          "--variogram", options->variogram,
          "The model: terms joined by '+', each 'C nug' or 'C TYPE(a_major,a_minor,a_vertical[; "
          "azimuth,dip,plunge])' with TYPE sph, exp or gau; contributions sum to 1; practical ranges "
          "in the spacing's units; azimuth clockwise from north (+Y), dip down from horizontal, "
          "plunge about the major axis, in degrees. Example: '0.1 nug + 0.9 sph(50,30,5; 45,0,0)'")
      ->required();
  command->add_option("--seed", options->seed, "The seed: with the realization, it fixes every value")
      ->required();
  command->add_option("--realizations", options->realizations,
                      "A-B: the realizations to write (default 1-1)");
  command
      ->add_option("--output", options->output,
                   "The output file; {} or {:03} stands for the realization's number")
      ->required();
  command->add_flag("--gaussian", options->gaussian, "Write the Gaussian values instead of uniform ones");
  command->add_option(
      "--memory", options->memory_mb,
      "Memory budget in MB for one field (default 1024): a slab of Z layers plus the kernel's "
      "halo, padded in X and Y by the kernel's width, is held at once");
  command->callback([options, &status] {
#ifdef MELDRIT_HAVE_GENERATOR
    namespace pg = pfield_generate;
    pg::PfieldRunRequest request;
    const std::array<std::string, 3> nodes = split_nodes(options->nodes, "--nodes");
    const std::array<std::string, 3> spacing = split_nodes(options->spacing, "--spacing");
    std::int64_t* counts[] = {&request.field.grid.nx, &request.field.grid.ny, &request.field.grid.nz};
    double* steps[] = {&request.field.grid.dx, &request.field.grid.dy, &request.field.grid.dz};
    for (int i = 0; i < 3; ++i) {
      const std::string& count = nodes[i];
      const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), *counts[i]);
      if (count.empty() || error != std::errc() || end != count.data() + count.size()) {
        throw CLI::ValidationError("--nodes",
                                   "expects three whole numbers NX,NY,NZ, got '" + options->nodes + "'");
      }
      const std::string& step = spacing[i];
      const auto [step_end, step_error] = std::from_chars(step.data(), step.data() + step.size(), *steps[i]);
      if (step.empty() || step_error != std::errc() || step_end != step.data() + step.size() ||
          !(*steps[i] > 0) || !std::isfinite(*steps[i])) {
        throw CLI::ValidationError("--spacing",
                                   "expects three positive numbers DX,DY,DZ, got '" + options->spacing + "'");
      }
    }
    const pg::ModelParse model = pg::parse_variogram_model(options->variogram);
    if (!model.error.empty()) throw CLI::ValidationError("--variogram", model.error);
    request.field.model = model.model;
    request.field.seed = options->seed;
    request.field.memory_budget = options->memory_mb << 20;
    std::tie(request.first, request.last) = realization_range(options->realizations);
    request.outputs = realization_outputs(options->output, request.first, request.last);
    request.gaussian = options->gaussian;
    StderrHooks hooks("nodes");
    status = finish(pg::write_pfields(request, hooks), "--nodes", hooks);
#else
    std::cerr << "This build of Meldrit has no p-field generator: FFTW is not available for it.\n";
    status = 1;
#endif
  });
}

}  // namespace meldrit::cli
