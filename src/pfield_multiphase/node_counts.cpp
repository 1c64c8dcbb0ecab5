#include "pfield_multiphase/node_counts.h"

#include "pfield_local/node_counts.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_multiphase {

NodeCountCheck check_node_counts(const std::array<std::string, 3>& texts) {
  using pfield_local::kAxisNames;
  for (int i = 0; i < 3; ++i) {
    if (textio::numeric_value(texts[i]) < 1) {
      return {job::Outcome::refused(messages::illegal_node_count(kAxisNames[i])), i};
    }
  }
  for (int i = 0; i < 3; ++i) {
    if (textio::numeric_value(texts[i]) > 1000) {
      return {job::Outcome::refused(messages::node_count_too_large(kAxisNames[i])), i};
    }
  }
  return {};
}

}  // namespace meldrit::pfield_multiphase
