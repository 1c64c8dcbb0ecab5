#include "pfield_local/node_counts.h"

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

std::string illegal_node_count_message(std::string_view axis) {
  return "Illegal value for number " + std::string(axis) + " nodes!";
}

}  // namespace meldrit::pfield_local
