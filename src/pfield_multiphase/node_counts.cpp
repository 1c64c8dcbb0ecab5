#include "pfield_multiphase/node_counts.h"

#include "pfield_multiphase/multiphase_messages.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_multiphase {

NodeCountCheck check_node_counts(const std::array<std::string, 3>& texts) {
  static const std::array<std::string, 3> kAxes = {"X", "Y", "Z"};
  NodeCountCheck check;
  for (int i = 0; i < 3; ++i) {
    if (textio::numeric_value(texts[i]) < 1) {
      return {false, messages::node_count_too_small(kAxes[i]), i};
    }
  }
  for (int i = 0; i < 3; ++i) {
    if (textio::numeric_value(texts[i]) > 1000) {
      return {false, messages::node_count_too_large(kAxes[i]), i};
    }
  }
  return check;
}

}  // namespace meldrit::pfield_multiphase
