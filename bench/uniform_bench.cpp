// Throughput of the uniform transformation at MELDRIT_BENCH_SAMPLES samples (default 1e7) of a 3D
// column data file with two variables, each against a parse-only pass over the same input timed
// in the same iteration: vs_parse = best parse-only time / best job time, both wall-clock, since
// the job runs threads and a child process. The run includes uniform.exe.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "bench_support.h"
#include "external/process_runner.h"
#include "textio/number_format.h"
#include "textio/text_writer.h"
#include "uniform/column_scan.h"
#include "uniform/uniform_messages.h"
#include "uniform/uniform_run.h"

namespace {

using meldrit::bench::seconds_since;
namespace un = meldrit::uniform;

struct UniformData {
  std::uint64_t samples;
  std::string input;
  std::string output;
  std::string program_folder;
};

const UniformData& data() {
  static const UniformData d = [] {
    UniformData result;
    result.samples = meldrit::bench::env_count("MELDRIT_BENCH_SAMPLES", 10'000'000);
    // Paths joined by std::filesystem: GCC 12 warns falsely on chained string + at -O2.
    const std::filesystem::path folder = meldrit::bench::data_folder();
    result.input = (folder / ("column_" + std::to_string(result.samples) + ".dat")).string();
    result.output = (folder / "uniform_bench_output.out").string();
    result.program_folder = (folder / "uniform_program").string();
    std::filesystem::create_directories(result.program_folder);
    if (!std::filesystem::exists(result.input))
      meldrit::bench::write_column_file(result.input, result.samples);
    return result;
  }();
  return d;
}

// Best (shortest) wall-clock times of the iterations.
void report(benchmark::State& state, double job_seconds, double parse_seconds) {
  const UniformData& d = data();
  const double bytes = static_cast<double>(meldrit::bench::file_size(d.input));
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(d.samples), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["parse_MB/s"] = bytes / 1e6 / parse_seconds;
  state.counters["vs_parse"] = parse_seconds / job_seconds;
}

// The import reads the first data line, then the whole field stream once.
void BM_ColumnImport(benchmark::State& state) {
  const UniformData& d = data();
  double job = HUGE_VAL;
  double parse = HUGE_VAL;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(meldrit::bench::parse_only(d.input, 1).sum);
    const double parse_time = seconds_since(start);
    start = std::chrono::steady_clock::now();
    const un::ColumnScan scan = un::scan_column_file(d.input, "1", un::CoordinateOption::ThreeD);
    const double job_time = seconds_since(start);
    if (!scan.outcome.completed() || scan.samples != d.samples) state.SkipWithError("import failed");
    state.SetIterationTime(job_time);
    job = std::min(job, job_time);
    parse = std::min(parse, parse_time);
  }
  report(state, job, parse);
}
BENCHMARK(BM_ColumnImport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole run: values file, uniform.par, uniform.exe (read, sort, write), scores read back,
// output written.
void BM_UniformRun(benchmark::State& state) {
  const UniformData& d = data();
  un::RunRequest request;
  request.input_caption = d.input;
  request.output_caption = d.output;
  request.skip_text = std::string("1");  // not a literal: GCC 12 warns falsely at -O2
  request.option = un::CoordinateOption::ThreeD;
  request.columns_text = std::string("5");
  request.samples_text = std::to_string(d.samples);
  request.selected_column = 4;
  request.program_folder = d.program_folder;
  const un::ProgramRunner runner = [](const std::string& command_line, const std::string& folder, int mode,
                                      const std::function<bool()>&) {
    un::ProgramEnd ended;
    ended.started = meldrit::external::run_and_wait(command_line, folder, -1, mode, un::files::kCreationFlags, {},
                                                    &ended.exit_status);
    return ended;
  };
  double job = HUGE_VAL;
  double parse = HUGE_VAL;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(meldrit::bench::parse_only(d.input, 1).sum);
    const double parse_time = seconds_since(start);
    start = std::chrono::steady_clock::now();
    const meldrit::job::Outcome outcome = un::run_uniform(request, runner);
    const double job_time = seconds_since(start);
    if (!outcome.completed()) state.SkipWithError("run failed");
    state.SetIterationTime(job_time);
    job = std::min(job, job_time);
    parse = std::min(parse, parse_time);
  }
  report(state, job, parse);
}
BENCHMARK(BM_UniformRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
