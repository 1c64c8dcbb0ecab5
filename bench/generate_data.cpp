// Writes benchmark inputs of the local ccdf job:
//   meldrit_bench_data local PROB_FILE UNIFORM_FILE NODES THRESHOLDS
// PROB_FILE gets NODES lines of THRESHOLDS sorted probabilities, UNIFORM_FILE one value per node.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"

int main(int argc, char** argv) {
  if (argc != 6 || std::string(argv[1]) != "local") {
    std::fprintf(stderr, "usage: %s local PROB_FILE UNIFORM_FILE NODES THRESHOLDS\n", argv[0]);
    return 2;
  }
  const auto nodes = static_cast<std::uint64_t>(std::strtod(argv[4], nullptr));
  const int thresholds = std::atoi(argv[5]);
  meldrit::bench::write_probability_file(argv[2], nodes, thresholds);
  meldrit::bench::write_uniform_file(argv[3], nodes);
  return 0;
}
