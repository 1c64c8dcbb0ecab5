#include "pfield_local/local_messages.h"

#include "textio/number_format.h"

namespace meldrit::pfield_local::messages {

std::string above_one_warning(double value, int column) {
  return "Warning: Illegal value detected (>1): " + textio::message_number(value) +
         "\nThis value will be automati'cally accept as 1!" + textio::message_number(column);
}

std::string below_zero_warning(double value) {
  return "Warning: Illegal value detected (<0): " + textio::message_number(value) +
         "\nThis value will be automati'cally accept as 0!";
}

std::string illegal_class_limits(int boundary) {
  return "Illegal values for Classe " + textio::message_number(boundary) + "  and  Classe " +
         textio::message_number(boundary + 1) + "  limits!";
}

std::string illegal_node_count(std::string_view axis) {
  return "Illegal value for number " + std::string(axis) + " nodes!";
}

std::string node_product_mismatch(std::string_view count_caption) {
  return "Note: X-#nodes * Y-#nodes * Z-#nodes must be equal to " + std::string(count_caption);
}

std::string limit_count_mismatch(int thresholds, std::size_t given) {
  return "expects " + std::to_string(thresholds + 2) +
         " values (n + 2) for the n = " + std::to_string(thresholds) + " thresholds detected, got " +
         std::to_string(given);
}

}  // namespace meldrit::pfield_local::messages
