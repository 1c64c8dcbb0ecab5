#include "pfield_local/node_counts.h"

#include "pfield_local/local_messages.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_local {

NodeTextResult normalize_node_text(std::string_view text) {
  NodeTextResult result;
  result.whole_text = std::to_string(textio::whole_part_of(text));
  result.negative = result.whole_text.front() == '-';
  // Dropping the sign from the digits, not negating the number, also covers the clamped minimum.
  result.text = result.negative ? result.whole_text.substr(1) : result.whole_text;
  return result;
}

std::array<std::string, 3> leave_node_boxes(const std::array<std::string, 3>& typed, job::Hooks& hooks) {
  std::array<std::string, 3> texts;
  for (std::size_t box = 0; box < texts.size(); ++box) {
    const NodeTextResult node = normalize_node_text(typed[box]);
    if (node.negative) hooks.warning(messages::illegal_node_count(kAxisNames[box]));
    texts[box] = node.text;
  }
  return texts;
}

}  // namespace meldrit::pfield_local
