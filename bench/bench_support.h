#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace meldrit::bench {

// Totals of a parse-only pass: the ceiling any reader of the same files can reach.
struct ParseTotals {
  std::uint64_t bytes = 0;
  std::uint64_t fields = 0;
  double sum = 0;  // keeps the conversions from being optimised away
};

// Reads the file in large blocks and converts every field (separated by blanks, tabs, commas and
// line ends) with std::from_chars, summing the values. The first `skip_lines` lines are skipped.
ParseTotals parse_only(const std::string& path, std::uint64_t skip_lines = 0);

// How the generated files look. Plain: values alone, as the benchmarks have always read. GSLIB: the
// files geostatisticians bring from GSLIB's programs, a GeoEAS header (title, the number of
// variables, one name per line) before the same values.
enum class Shape { Plain, Gslib };

// Node files of the local ccdf job: `nodes` lines of `thresholds` sorted probabilities with six
// decimals, and a uniform file of one value per node; CR LF line ends. The same seed gives the
// same bytes.
void write_probability_file(const std::string& path, std::uint64_t nodes, int thresholds,
                            std::uint64_t seed = 1, Shape shape = Shape::Plain);
void write_uniform_file(const std::string& path, std::uint64_t nodes, std::uint64_t seed = 2,
                        Shape shape = Shape::Plain);

// Inputs of the multiphase run: one whole-number code 1..count per line; a bihistogram file of
// phases x classes ccdf tables of 10 points each.
void write_codes_file(const std::string& path, std::uint64_t nodes, int count, std::uint64_t seed,
                      Shape shape = Shape::Plain);
void write_bihistogram_file(const std::string& path, int phases, int classes);

// Input of the uniform transformation: "x y z porosity grade" per sample. Plain: one header line of
// the names, the shortest form of each number, LF. GSLIB: a GeoEAS header, six decimals, CR LF.
void write_column_file(const std::string& path, std::uint64_t samples, Shape shape = Shape::Plain);

// Input of uniform.exe alone: one value per line in a 15-significant-digit form, a fifth of them
// rounded to two decimals so that ties occur.
void write_values_file(const std::string& path, std::uint64_t count);

std::uint64_t file_size(const std::string& path);

// The folder for generated data: $MELDRIT_BENCH_DATA, else /tmp/meldrit-bench.
std::string data_folder();
// A count from the environment (for example MELDRIT_BENCH_NODES), else `fallback`.
std::uint64_t env_count(const char* name, std::uint64_t fallback);

inline double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Wall-clock seconds from an arbitrary start: jobs that use several cores are timed by how long
// they take, against a parse-only pass timed the same way.
inline double wall_seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of the calling thread, user and system: on a shared machine a single-threaded job is
// timed by what it used, not by how long it waited for a core.
double thread_cpu_seconds();

}  // namespace meldrit::bench
