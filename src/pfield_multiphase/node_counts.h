#pragma once

#include <array>
#include <string>

#include "job/outcome.h"

namespace meldrit::pfield_multiphase {

struct NodeCountCheck {
  job::Outcome outcome;  // completed, or refused with the first fault
  int reset_box = -1;    // 0..2: the box whose text becomes "1"
};

// The continue button's check of the three node count texts (X, Y, Z): the lower bound of all
// three is tested before the upper bound of any, and only the first fault is reported.
NodeCountCheck check_node_counts(const std::array<std::string, 3>& texts);

}  // namespace meldrit::pfield_multiphase
