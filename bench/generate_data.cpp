// Writes the benchmarks' inputs, and times the parse-only pass that their throughput is measured
// against, for bench/throughput.sh:
// A leading --gslib writes the files as GSLIB's programs do (GeoEAS headers, six decimals).
//   meldrit_bench_data local PROB_FILE UNIFORM_FILE NODES THRESHOLDS
//   meldrit_bench_data multiphase FOLDER NODES PHASES   (phases, classes, bihistogram, uniform 1..P)
//   meldrit_bench_data column FILE SAMPLES
//   meldrit_bench_data values FILE COUNT
//   meldrit_bench_data parse FILE...                   (prints the best wall seconds of 3 passes)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"

namespace mb = meldrit::bench;

namespace {

std::uint64_t count_of(const std::string& text) {
  return static_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr));
}

int usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--gslib] local PROB_FILE UNIFORM_FILE NODES THRESHOLDS\n"
               "       %s multiphase FOLDER NODES PHASES\n"
               "       %s column FILE SAMPLES\n"
               "       %s values FILE COUNT\n"
               "       %s parse FILE...\n",
               program, program, program, program, program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  mb::Shape shape = mb::Shape::Plain;
  if (!args.empty() && args[0] == "--gslib") {
    shape = mb::Shape::Gslib;
    args.erase(args.begin());
  }
  if (args.empty()) return usage(argv[0]);
  const std::string& what = args[0];
  if (what == "local" && args.size() == 5) {
    mb::write_probability_file(args[1], count_of(args[3]), std::atoi(args[4].c_str()), 1, shape);
    mb::write_uniform_file(args[2], count_of(args[3]), 2, shape);
  } else if (what == "multiphase" && args.size() == 4) {
    const std::filesystem::path folder = args[1];
    const std::uint64_t nodes = count_of(args[2]);
    const int phases = std::atoi(args[3].c_str());
    std::filesystem::create_directories(folder);
    mb::write_codes_file((folder / "phases.out").string(), nodes, phases, 11, shape);
    mb::write_codes_file((folder / "classes.out").string(), nodes, 2, 12, shape);
    mb::write_bihistogram_file((folder / "bihistogram.dat").string(), phases, 2);
    for (int q = 1; q <= phases; ++q) {
      mb::write_uniform_file((folder / ("uniform_" + std::to_string(q) + ".out")).string(), nodes,
                             20 + static_cast<std::uint64_t>(q), shape);
    }
  } else if (what == "column" && args.size() == 3) {
    mb::write_column_file(args[1], count_of(args[2]), shape);
  } else if (what == "values" && args.size() == 3) {
    mb::write_values_file(args[1], count_of(args[2]));
  } else if (what == "parse" && args.size() >= 2) {
    double best = 1e300;
    for (int pass = 0; pass < 3; ++pass) {
      const double start = mb::wall_seconds();
      double sum = 0;
      for (std::size_t f = 1; f < args.size(); ++f) sum += mb::parse_only(args[f]).sum;
      best = std::min(best, mb::wall_seconds() - start);
      if (sum == 1.2345e300) std::puts("");  // keeps the passes from being optimised away
    }
    std::printf("%.3f\n", best);
  } else {
    return usage(argv[0]);
  }
  return 0;
}
