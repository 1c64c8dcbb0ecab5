#pragma once

#include <string>
#include <string_view>

namespace meldrit::pfield_local {

// The lost-focus rule shared by the six node count boxes Text2(0..5): the text becomes the whole
// part, rounded down, of its numeric value; a negative count is reported and loses its sign.
struct NodeTextResult {
  std::string whole_text;  // the text after the first step ("-4"), shown while the message is up
  std::string text;        // the final text ("4")
  bool negative = false;   // the "Illegal value for number ... nodes!" message is due
};

NodeTextResult normalize_node_text(std::string_view text);

// "Illegal value for number " + axis + " nodes!" (also the message of a count below 1).
std::string illegal_node_count_message(std::string_view axis);

}  // namespace meldrit::pfield_local
