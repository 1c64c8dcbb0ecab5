// The grid view on a large file: MELDRIT_BENCH_GRID_Z slices of 1000 x 1000 nodes (default 100, so
// 1e8 values). The scan is the one pass that opens a view (vs_parse against a parse-only pass over
// the same file in the same iteration); a slice move reads one slice from its recorded start.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "gridmap/grid_scan.h"
#include "textio/number_format.h"
#include "textio/text_writer.h"

namespace {

namespace gm = meldrit::gridmap;

const gm::GridRequest& grid() {
  static const gm::GridRequest request = [] {
    gm::GridRequest r;
    r.nx = 1000;
    r.ny = 1000;
    r.nz = static_cast<long long>(meldrit::bench::env_count("MELDRIT_BENCH_GRID_Z", 100));
    r.path = meldrit::bench::data_folder() + "/grid_1000x1000x" + std::to_string(r.nz) + ".out";
    if (!std::filesystem::exists(r.path)) {
      // A smooth field with three decimals, as the local ccdf job writes its values.
      meldrit::textio::TextWriter out;
      out.create(r.path);
      for (long long z = 0; z < r.nz; ++z)
        for (long long y = 0; y < r.ny; ++y)
          for (long long x = 0; x < r.nx; ++x) {
            meldrit::textio::append_mask_fixed3(out.line(),
                                                10 * std::sin(x / 50.0) * std::cos(y / 70.0) + z * 0.1);
            out.end_line();
          }
      out.close();
    }
    return r;
  }();
  return request;
}

void BM_GridScan(benchmark::State& state) {
  const gm::GridRequest& request = grid();
  double scan_time = 1e300, parse_time = 1e300;
  for (auto _ : state) {
    double start = meldrit::bench::thread_cpu_seconds();
    benchmark::DoNotOptimize(meldrit::bench::parse_only(request.path).sum);
    parse_time = std::min(parse_time, meldrit::bench::thread_cpu_seconds() - start);
    start = meldrit::bench::thread_cpu_seconds();
    const gm::GridScan scan = gm::scan_grid(request);
    const double took = meldrit::bench::thread_cpu_seconds() - start;
    if (!scan.outcome.completed()) state.SkipWithError("scan failed");
    scan_time = std::min(scan_time, took);
    state.SetIterationTime(took);
  }
  const double bytes = static_cast<double>(meldrit::bench::file_size(request.path));
  state.counters["MB/s"] = bytes / 1e6 / scan_time;
  state.counters["nodes/s"] = static_cast<double>(request.nx * request.ny * request.nz) / scan_time;
  state.counters["parse_MB/s"] = bytes / 1e6 / parse_time;
  state.counters["vs_parse"] = parse_time / scan_time;
}
BENCHMARK(BM_GridScan)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// The slowest of the first, middle and last slice: a move from one slice to another.
void BM_GridSliceMove(benchmark::State& state) {
  const gm::GridRequest& request = grid();
  const gm::GridScan scan = gm::scan_grid(request);
  double slowest = 0;
  for (auto _ : state) {
    for (const long long z : {0LL, request.nz / 2, request.nz - 1}) {
      const auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(gm::read_slice(request, scan, z).cells.data());
      slowest = std::max(slowest, meldrit::bench::seconds_since(start));
    }
  }
  state.counters["slowest_move_s"] = slowest;
}
BENCHMARK(BM_GridSliceMove)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
