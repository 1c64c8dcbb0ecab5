#include "cli/generator_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "cli/commands.h"
#include "cli/request_file.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/variogram_model.h"
#endif

namespace meldrit::cli {
namespace {

template <typename Number>
bool parse_all(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void add_generator_options(CLI::App* command, GeneratorOptions& options, const std::string& model_name,
                           bool required) {
  options.command = command;
  options.model_option = command->add_option(
      model_name, options.model,
      "The variogram model: terms joined by '+', each 'C nug' or 'C TYPE(a_major,a_minor,"
      "a_vertical[; azimuth,dip,plunge])' with TYPE sph, exp or gau; contributions sum to 1; "
      "practical ranges in the spacing's units; azimuth clockwise from north (+Y), dip of "
      "the major axis from horizontal, plunge about the major axis, in degrees. Example: "
      "'0.1 nug + 0.9 sph(50,30,5; 45,0,0)'");
  if (required) options.model_option->required();
  command->add_option("--spacing", options.spacing, "DX,DY,DZ: node spacing (default 1,1,1)");
  auto* seed =
      command->add_option("--seed", options.seed, "The seed: with the realization, it fixes every value");
  if (required) seed->required();
  command->add_option("--realizations", options.realizations, "A-B: the realizations to draw (default 1-1)");
  command->add_option("--memory", options.memory_mb,
                      "Memory budget in MB for each generated field (default 1024). A field holds a slab of "
                      "Z layers plus the kernel's reach above and below, each layer padded in X and Y by the "
                      "kernel's width, twice (the slab and the kernel's spectrum): about 8 bytes x (NX + 2 "
                      "reach) x (NY + 2 reach) per layer, the reach being about the ranges in nodes. The "
                      "same request and budget give the same bytes; another budget moves the last bits only");
  auto* from_env = command->add_flag(
      "--realizations-from-env", options.realizations_from_env,
      "Draw only the block of --realizations that this Slurm array task is for: task t = "
      "SLURM_ARRAY_TASK_ID draws the t-th block of --block realizations, counted from A, the last cut at B");
  auto* block = command->add_option("--block", options.block, "K: realizations per array task")
                    ->check(CLI::PositiveNumber);
  from_env->needs(block);
  block->needs(from_env);
  command->add_option("--save-request", options.save_request,
                      "Write the command and its options to this file and stop without running; "
                      "meldrit-cli --request FILE [options] runs it");
}

RealizationBlock drawn_realizations(const GeneratorOptions& options, const std::string& pattern) {
  RealizationBlock drawn;
  const auto [first, last] = realization_range(options.realizations);
  if (first != last && fill_pattern(pattern, 1) == pattern) {
    throw CLI::ValidationError("--output",
                               "needs {} or {:03} for the realization's number when there are several");
  }
  drawn.first = first;
  drawn.last = last;
  if (options.realizations_from_env) {
    const char* id = std::getenv("SLURM_ARRAY_TASK_ID");
    std::uint64_t task = 0;
    if (id == nullptr) {
      throw CLI::ValidationError("--realizations-from-env",
                                 "SLURM_ARRAY_TASK_ID is not set: run it as a task of a Slurm array job");
    }
    if (!parse_all(std::string_view(id), task) || task < 1) {
      throw CLI::ValidationError("--realizations-from-env", "SLURM_ARRAY_TASK_ID is '" + std::string(id) +
                                                                "', not an array task number from 1");
    }
    const std::uint64_t tasks = (last - first) / options.block + 1;
    if (task > tasks) {
      throw CLI::ValidationError("--realizations-from-env",
                                 "array task " + std::to_string(task) + " is past the end: realizations " +
                                     options.realizations + " in blocks of " + std::to_string(options.block) +
                                     " make " + std::to_string(tasks) + " tasks");
    }
    drawn.first = first + (task - 1) * options.block;
    drawn.last = std::min(last, drawn.first + options.block - 1);
  }
  for (std::uint64_t r = drawn.first; r <= drawn.last; ++r) {
    drawn.outputs.push_back(fill_pattern(pattern, static_cast<std::size_t>(r)));
  }
  return drawn;
}

bool saved_request(const GeneratorOptions& options, const std::vector<std::string>& job_files, int& status) {
  if (options.save_request.empty()) return false;
  const job::Outcome saved = job::write_request_file(
      options.save_request, job::request_text(options.command->get_name(), given_options(*options.command)),
      job_files);
  if (saved.completed()) {
    std::cout << saved.message << '\n';
    status = 0;
  } else {
    std::cerr << saved.message << '\n';
    status = 1;
  }
  return true;
}

std::pair<std::uint64_t, std::uint64_t> realization_range(const std::string& text) {
  const std::size_t dash = text.find('-');
  const std::string_view all(text);
  std::uint64_t first = 0, last = 0;
  const bool ok = dash == std::string::npos
                      ? parse_all(all, first) && parse_all(all, last)
                      : parse_all(all.substr(0, dash), first) && parse_all(all.substr(dash + 1), last);
  if (!ok || first < 1 || last < first || last > 0xffffffffULL) {
    throw CLI::ValidationError("--realizations", "expects A-B with 1 <= A <= B, got '" + text + "'");
  }
  return {first, last};
}

std::array<std::int64_t, 3> whole_node_counts(const std::string& text, const std::string& option) {
  const std::array<std::string, 3> parts = split_nodes(text, option);
  std::array<std::int64_t, 3> counts{};
  for (int i = 0; i < 3; ++i) {
    if (!parse_all(parts[i], counts[i])) {
      throw CLI::ValidationError(option, "expects three whole numbers NX,NY,NZ, got '" + text + "'");
    }
  }
  return counts;
}

#ifdef MELDRIT_HAVE_GENERATOR
pfield_generate::FieldRequest field_request(const GeneratorOptions& options, const std::string& nodes,
                                            const std::string& nodes_option) {
  pfield_generate::FieldRequest request;
  const std::array<std::int64_t, 3> counts = whole_node_counts(nodes, nodes_option);
  request.grid.nx = counts[0];
  request.grid.ny = counts[1];
  request.grid.nz = counts[2];
  const std::array<std::string, 3> spacing = split_nodes(options.spacing, "--spacing");
  double* steps[] = {&request.grid.dx, &request.grid.dy, &request.grid.dz};
  for (int i = 0; i < 3; ++i) {
    if (!parse_all(spacing[i], *steps[i]) || !(*steps[i] > 0) || !std::isfinite(*steps[i])) {
      throw CLI::ValidationError("--spacing",
                                 "expects three positive numbers DX,DY,DZ, got '" + options.spacing + "'");
    }
  }
  const pfield_generate::ModelParse model = pfield_generate::parse_variogram_model(options.model);
  if (!model.ok()) throw CLI::ValidationError(options.model_option->get_name(), model.error);
  request.model = model.model;
  request.seed = options.seed;
  request.memory_budget = options.memory_mb << 20;
  return request;
}
#endif

int no_generator_here() {
  std::cerr << "This build of Meldrit has no p-field generator: FFTW is not available for it.\n";
  return 1;
}

}  // namespace meldrit::cli
