#pragma once

#include <array>
#include <string>
#include <vector>

#include "job/outcome.h"

namespace meldrit::pfield_local {

// The limit texts of one class row of the thresholds table (columns 1 and 2).
struct ClassRowTexts {
  std::string lower;
  std::string upper;
};

struct ClassLimitsInput {
  int table_rows = 1;                // R, the heading row included
  std::vector<ClassRowTexts> rows;   // rows 1..R-1
  std::array<std::string, 3> nodes;  // texts of Text2(3), Text2(4), Text2(5)
  std::string count_caption;         // caption of Label4 (N)
};

struct ClassLimitsResult {
  job::Outcome outcome;  // completed (no message) or refused with the first failure
  int reset_box = -1;    // 0..2: that node box becomes "1"
  // L(0)..L(R): rebuilt on every click, so it holds the values read even when a check failed.
  std::vector<double> limits;
};

// The checks of the continue button, in order: the class limits, each node count at least 1,
// and nx * ny * nz equal to N.
ClassLimitsResult check_class_limits(const ClassLimitsInput& input);

// The thresholds table as a batch run types it: n + 1 class rows whose upper limit is the next
// row's lower limit (the typing rules keep them so), from L(0)..L(n+1).
ClassLimitsInput class_limits_input(const std::vector<std::string>& limits,
                                    const std::array<std::string, 3>& nodes, std::string count_caption);

}  // namespace meldrit::pfield_local
