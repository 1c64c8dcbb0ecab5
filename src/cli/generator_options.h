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

  CLI::Option* model_option = nullptr;
};

// Adds the model option (named `model_name`, required when `required`), --spacing, --seed,
// --realizations and --memory.
void add_generator_options(CLI::App* command, GeneratorOptions& options, const std::string& model_name,
                           bool required);

// "A-B" or "A": realizations from 1; a usage error of --realizations otherwise.
std::pair<std::uint64_t, std::uint64_t> realization_range(const std::string& text);

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
