// Throughput of the local ccdf job at MELDRIT_BENCH_NODES nodes (default 1e7) and
// MELDRIT_BENCH_THRESHOLDS thresholds (default 10), each against a parse-only pass over the same
// files timed in the same iteration: vs_parse = parse-only time / job time. Times are wall-clock
// (the jobs parse on several cores), the best of the iterations, so that other work on the machine
// disturbs them less.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "pfield_local/local_run.h"
#include "pfield_local/probability_import.h"

namespace {

namespace pl = meldrit::pfield_local;

struct LocalData {
  std::uint64_t nodes;
  int thresholds;
  std::string prob;
  std::string uniform;
  std::string output;
};

const LocalData& data() {
  static const LocalData d = [] {
    LocalData result;
    result.nodes = meldrit::bench::env_count("MELDRIT_BENCH_NODES", 10'000'000);
    result.thresholds = static_cast<int>(meldrit::bench::env_count("MELDRIT_BENCH_THRESHOLDS", 10));
    const std::string folder = meldrit::bench::data_folder();
    const std::string tag = std::to_string(result.nodes) + "x" + std::to_string(result.thresholds);
    // The names throughput.sh gives the same data.
    result.prob = folder + "/prob_" + tag + ".out";
    result.uniform = folder + "/unif_" + std::to_string(result.nodes) + ".out";
    result.output = folder + "/local_bench_output.out";
    // Generated once per size; reused by later runs.
    if (!std::filesystem::exists(result.prob))
      meldrit::bench::write_probability_file(result.prob, result.nodes, result.thresholds);
    if (!std::filesystem::exists(result.uniform))
      meldrit::bench::write_uniform_file(result.uniform, result.nodes);
    return result;
  }();
  return d;
}

struct BestTimes {
  double job = 1e300;
  double parse = 1e300;
  void add(double job_time, double parse_time) {
    job = std::min(job, job_time);
    parse = std::min(parse, parse_time);
  }
};

void report(benchmark::State& state, double bytes, const BestTimes& best) {
  const LocalData& d = data();
  state.counters["MB/s"] = bytes / 1e6 / best.job;
  state.counters["nodes/s"] = static_cast<double>(d.nodes) / best.job;
  state.counters["parse_MB/s"] = bytes / 1e6 / best.parse;
  state.counters["vs_parse"] = best.parse / best.job;
}

void BM_LocalRun(benchmark::State& state) {
  const LocalData& d = data();
  pl::LocalRunInput input;
  input.probability_path = d.prob;
  input.uniform_path = d.uniform;
  input.output_path = d.output;
  input.nodes = static_cast<double>(d.nodes);
  input.thresholds = d.thresholds;
  for (int k = 0; k <= d.thresholds + 2; ++k) input.limits.push_back(10.0 * k);
  input.continuous = state.range(0) == 1;
  const double bytes =
      static_cast<double>(meldrit::bench::file_size(d.prob) + meldrit::bench::file_size(d.uniform));
  BestTimes best;
  for (auto _ : state) {
    double start = meldrit::bench::wall_seconds();
    const auto p = meldrit::bench::parse_only(d.prob);
    const auto u = meldrit::bench::parse_only(d.uniform);
    benchmark::DoNotOptimize(p.sum + u.sum);
    const double parse_time = meldrit::bench::wall_seconds() - start;
    start = meldrit::bench::wall_seconds();
    const meldrit::job::Outcome outcome = pl::run_local_ccdf(input);
    const double job_time = meldrit::bench::wall_seconds() - start;
    if (!outcome.completed()) state.SkipWithError("run failed");
    state.SetIterationTime(job_time);
    best.add(job_time, parse_time);
  }
  report(state, bytes, best);
}
BENCHMARK(BM_LocalRun)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("continuous")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The import reads the file once, counting and checking, against one parse-only pass.
void BM_ProbabilityImport(benchmark::State& state) {
  const LocalData& d = data();
  const double bytes = static_cast<double>(meldrit::bench::file_size(d.prob));
  BestTimes best;
  for (auto _ : state) {
    double start = meldrit::bench::wall_seconds();
    benchmark::DoNotOptimize(meldrit::bench::parse_only(d.prob).sum);
    const double parse_time = meldrit::bench::wall_seconds() - start;
    start = meldrit::bench::wall_seconds();
    const pl::ImportResult result = pl::import_probability_file(d.prob, 0);
    const double job_time = meldrit::bench::wall_seconds() - start;
    if (!result.outcome.completed() || result.nodes != d.nodes) state.SkipWithError("import failed");
    state.SetIterationTime(job_time);
    best.add(job_time, parse_time);
  }
  report(state, bytes, best);
}
BENCHMARK(BM_ProbabilityImport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Ten realizations drawn in one pass over the probability data file against ten separate runs,
// timed in the same iteration: vs_separate = one pass / separate runs (the aim is at most 1/3).
// Every realization reads the same uniform file, so both sides find it equally in the page cache.
void BM_LocalRealizations(benchmark::State& state) {
  const LocalData& d = data();
  const int count = static_cast<int>(state.range(0));
  pl::LocalRunInput input;
  input.probability_path = d.prob;
  input.nodes = static_cast<double>(d.nodes);
  input.thresholds = d.thresholds;
  for (int k = 0; k <= d.thresholds + 2; ++k) input.limits.push_back(10.0 * k);
  std::vector<pl::Realization> realizations;
  for (int r = 0; r < count; ++r) realizations.push_back({d.uniform, 0, d.output + "." + std::to_string(r)});
  double one_pass = 1e300, separate = 1e300;
  for (auto _ : state) {
    double start = meldrit::bench::wall_seconds();
    for (const pl::Realization& realization : realizations) {
      input.uniform_path = realization.uniform_path;
      input.output_path = realization.output_path;
      if (!pl::run_local_ccdf(input).completed()) state.SkipWithError("run failed");
    }
    separate = std::min(separate, meldrit::bench::wall_seconds() - start);
    start = meldrit::bench::wall_seconds();
    if (!pl::run_local_realizations(input, realizations).completed()) state.SkipWithError("pass failed");
    const double pass_time = meldrit::bench::wall_seconds() - start;
    one_pass = std::min(one_pass, pass_time);
    state.SetIterationTime(pass_time);
  }
  for (const pl::Realization& realization : realizations) std::filesystem::remove(realization.output_path);
  state.counters["one_pass_s"] = one_pass;
  state.counters["separate_s"] = separate;
  state.counters["vs_separate"] = one_pass / separate;
  state.counters["nodes/s"] = static_cast<double>(d.nodes) * count / one_pass;
}
BENCHMARK(BM_LocalRealizations)
    ->Arg(10)
    ->ArgName("realizations")
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
