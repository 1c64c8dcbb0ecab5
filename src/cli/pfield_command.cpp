#include <memory>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/generator_options.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/pfield_run.h"
#endif

namespace meldrit::cli {

void addPfieldCommand(CLI::App& app, int& status) {
  struct Options {
    GeneratorOptions generator;
    std::string nodes, output, header;
    bool gaussian = false;
    std::uint64_t phase = 0;
  };
  auto options = std::make_shared<Options>();
  auto* command = app.add_subcommand(
      "pfield",
      "Generate p-fields: spatially correlated uniform fields (unconditional Gaussian fields of a variogram "
      "model, made by an FFT moving average, turned into uniform values by the normal distribution "
      "function)");
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z (1 to 1000 each)")
      ->required();
  add_generator_options(command, options->generator, "--variogram", true);
  command
      ->add_option("--output", options->output,
                   "The output file; {} or {:03} stands for the realization's number")
      ->required();
  command->add_flag("--gaussian", options->gaussian, "Write the Gaussian values instead of uniform ones");
  command->add_option(
      "--phase", options->phase,
      "The phase whose field to write (default 0): the multiphase run's --pfield draws phase P's "
      "field with P, the local run's with 0");
  add_header_option(command, options->header);
  command->callback([options, &status] {
    if (saved_request(options->generator, {options->output}, status)) return;
#ifdef MELDRIT_HAVE_GENERATOR
    namespace pg = pfield_generate;
    pg::PfieldRunRequest request;
    request.field = field_request(options->generator, options->nodes, "--nodes");
    RealizationBlock drawn = drawn_realizations(options->generator, options->output);
    request.first = drawn.first;
    request.last = drawn.last;
    request.outputs = std::move(drawn.outputs);
    request.gaussian = options->gaussian;
    request.phase = options->phase;
    request.header =
        output_header(options->header, options->nodes, options->gaussian ? "gaussian" : "uniform");
    StderrHooks hooks("nodes");
    status = finish(pg::write_pfields(request, hooks), "--nodes", hooks);
#else
    status = no_generator_here();
#endif
  });
}

}  // namespace meldrit::cli
