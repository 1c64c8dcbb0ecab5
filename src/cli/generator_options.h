#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#ifdef MELDRIT_HAVE_GENERATOR
#include "pfield_generate/gaussian_field.h"
#endif

namespace meldrit::cli {

// The options that describe generated p-fields, shared by `pfield` and the runs that generate
// their p-fields as they go.
struct GeneratorOptions {
  std::string model;
  std::string spacing = "1,1,1";
  std::string realizations = "1-1";
  std::uint64_t seed = 0;
  std::size_t memory_mb = 1024;
  bool realizations_from_env = false;
  std::uint64_t block = 0;
  std::string save_request;

  CLI::App* command = nullptr;
  CLI::Option* model_option = nullptr;
};

// The realizations a run draws and their outputs.
struct RealizationBlock {
  std::uint64_t first = 1, last = 1;
  std::vector<std::string> outputs;
};

// Adds the model option (named `model_name`, required when `required`), --spacing, --seed,
// --realizations, --memory, --realizations-from-env with --block, and --save-request.
void add_generator_options(CLI::App* command, GeneratorOptions& options, const std::string& model_name,
                           bool required);

// "A-B" or "A": realizations from 1; a usage error of --realizations otherwise.
std::pair<std::uint64_t, std::uint64_t> realization_range(const std::string& text);

// With --realizations-from-env, array task t = SLURM_ARRAY_TASK_ID draws the t-th block of --block
// realizations of the range, the last block cut at its end; else the whole range. The outputs by
// `pattern`, which needs a number whenever the range holds several, so tasks never share a file.
// Usage errors for a task past the end or a missing or bad task id.
RealizationBlock drawn_realizations(const GeneratorOptions& options, const std::string& pattern);

// With --save-request: writes the command and every option given to the file and returns true, so
// that the caller returns without running. The file may not be one of `job_files`.
bool saved_request(const GeneratorOptions& options, const std::vector<std::string>& job_files, int& status);

// NX,NY,NZ as whole numbers; a usage error of `option` otherwise.
std::array<std::int64_t, 3> whole_node_counts(const std::string& text, const std::string& option);

#ifdef MELDRIT_HAVE_GENERATOR
// The request the options describe on a grid of `nodes` (NX,NY,NZ); usage errors for what is not
// of its form (the model's own words for a bad model).
pfield_generate::FieldRequest field_request(const GeneratorOptions& options, const std::string& nodes,
                                            const std::string& nodes_option);
#endif

// What a build without the generator says, and its exit status.
int no_generator_here();

}  // namespace meldrit::cli
