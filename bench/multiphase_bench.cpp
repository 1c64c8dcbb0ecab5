// Throughput of the multiphase set ccdf run at MELDRIT_BENCH_NODES nodes (default 1e7) with
// P = 3 phases and V = 2 variable classes, against a parse-only pass over the same five input
// files timed in the same iteration: vs_parse = parse-only time / run time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "pfield_multiphase/multiphase_run.h"

namespace {

using meldrit::bench::seconds_since;
namespace mp = meldrit::pfield_multiphase;

constexpr int kPhases = 3;
constexpr int kClasses = 2;

struct MultiphaseData {
  std::uint64_t nodes = 0;
  std::string phases;
  std::string classes;
  std::vector<std::string> uniform;
  std::string bihistogram;
  std::string output;
};

const MultiphaseData& data() {
  static const MultiphaseData d = [] {
    MultiphaseData result;
    result.nodes = meldrit::bench::env_count("MELDRIT_BENCH_NODES", 10'000'000);
    const std::string folder = meldrit::bench::data_folder();
    const std::string tag = std::to_string(result.nodes);
    result.phases = folder + "/mp_phases_" + tag + ".out";
    result.classes = folder + "/mp_classes_" + tag + ".out";
    result.bihistogram = folder + "/mp_bihistogram.dat";
    result.output = folder + "/multiphase_bench_output.out";
    // Generated once per size; reused by later runs.
    if (!std::filesystem::exists(result.phases))
      meldrit::bench::write_codes_file(result.phases, result.nodes, kPhases, 11);
    if (!std::filesystem::exists(result.classes))
      meldrit::bench::write_codes_file(result.classes, result.nodes, kClasses, 12);
    meldrit::bench::write_bihistogram_file(result.bihistogram, kPhases, kClasses);
    for (int q = 1; q <= kPhases; ++q) {
      const std::string path = folder + "/mp_unif_" + tag + "_" + std::to_string(q) + ".out";
      if (!std::filesystem::exists(path)) meldrit::bench::write_uniform_file(path, result.nodes, 20 + q);
      result.uniform.push_back(path);
    }
    return result;
  }();
  return d;
}

void BM_MultiphaseRun(benchmark::State& state) {
  const MultiphaseData& d = data();
  mp::RunInputs inputs;
  inputs.nx = static_cast<double>(d.nodes);
  inputs.phases = kPhases;
  inputs.variable_classes = kClasses;
  inputs.bihistogram_path = d.bihistogram;
  inputs.multiphase_path = d.phases;
  inputs.variable_path = d.classes;
  for (const std::string& path : d.uniform) inputs.class_rows.push_back({"0", path});
  inputs.output_path = d.output;

  std::vector<std::string> files = {d.phases, d.classes};
  files.insert(files.end(), d.uniform.begin(), d.uniform.end());
  double bytes = 0;
  for (const std::string& file : files) bytes += static_cast<double>(meldrit::bench::file_size(file));

  double job = 0;
  double parse = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    double sum = 0;
    for (const std::string& file : files) sum += meldrit::bench::parse_only(file).sum;
    benchmark::DoNotOptimize(sum);
    const double parse_time = seconds_since(start);
    start = std::chrono::steady_clock::now();
    const meldrit::job::Outcome outcome = mp::run_multiphase(inputs);
    const double job_time = seconds_since(start);
    if (!outcome.completed()) state.SkipWithError(outcome.message.c_str());
    state.SetIterationTime(job_time);
    job += job_time;
    parse += parse_time;
  }
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["nodes/s"] =
      benchmark::Counter(static_cast<double>(d.nodes), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["parse_MB/s"] = bytes / 1e6 * static_cast<double>(state.iterations()) / parse;
  state.counters["vs_parse"] = parse / job;
}
BENCHMARK(BM_MultiphaseRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
