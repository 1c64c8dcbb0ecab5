// Generation of unconditional Gaussian fields, wall-clock (the generator runs two threads): a
// 100 x 100 x 100 grid with spherical ranges 20, and 1000 x 1000 x 100 with ranges 50, 50, 10 in
// the default 1 GiB budget. Nodes/s counts the values produced.
#include <benchmark/benchmark.h>

#if MELDRIT_HAVE_GENERATOR
#include <cstdint>

#include "pfield_generate/gaussian_field.h"

namespace {

namespace gen = meldrit::pfield_generate;

void BM_GenerateField(benchmark::State& state, gen::GridGeometry grid, const char* model) {
  gen::FieldRequest request;
  request.grid = grid;
  request.model = gen::parse_variogram_model(model).model;
  request.seed = 1;
  std::uint64_t realization = 0;
  for (auto _ : state) {
    gen::FieldOpen opened = gen::GaussianField::open(request, realization++);
    if (!opened.field) {
      state.SkipWithError(opened.error.c_str());
      return;
    }
    for (auto layers = opened.field->next_layers(); !layers.empty(); layers = opened.field->next_layers())
      benchmark::DoNotOptimize(layers.data());
  }
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(grid.nx * grid.ny * grid.nz),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_CAPTURE(BM_GenerateField, small, gen::GridGeometry{100, 100, 100}, "1 sph(20,20,20)")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GenerateField, large, gen::GridGeometry{1000, 1000, 100}, "1 sph(50,50,10)")
    ->UseRealTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(2);

}  // namespace
#endif

BENCHMARK_MAIN();
