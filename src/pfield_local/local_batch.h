#pragma once

#include <array>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "textio/geoeas_header.h"
#include "textio/number_source.h"

namespace meldrit::pfield_local {

// A whole local ccdf job as typed into the panels at once.
struct LocalBatchRequest {
  std::string probability_path;
  std::string probability_skip = "0";  // as typed into Text3
  std::vector<std::string> limits;     // L(0)..L(n+1) as typed into the thresholds table
  std::array<std::string, 3> nodes;    // as typed into Text2(3..5)
  struct Draw {
    std::string uniform_path;
    std::string uniform_skip = "0";  // Text4 has no change rule: read as its numeric value
    std::string output_path;
    textio::NumberSource* generated = nullptr;  // uniform values made in the run, not read
  };
  // One realization per uniform file, all drawn in one pass over the probability data file.
  std::vector<Draw> draws;
  bool continuous = true;
  textio::OutputHeader header;  // before the values of every output
};

// The desktop's steps in the desktop's order: the skip box's change rule, the import, the limits
// typed into the table (a count that does not fit n is a bad request), the node boxes left one
// after the other, the continue checks, then the run of every realization in one pass. Warnings
// reach `hooks` as they are found.
job::Outcome run_local_batch(const LocalBatchRequest& request, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::pfield_local
