#pragma once

#include <array>
#include <string>
#include <string_view>

#include "job/hooks.h"

namespace meldrit::pfield_local {

// The window-level axis names of the node count messages.
inline constexpr std::array<std::string_view, 3> kAxisNames = {"X", "Y", "Z"};

// The lost-focus rule shared by the six node count boxes Text2(0..5): the text becomes the whole
// part, rounded down, of its numeric value; a negative count is reported and loses its sign.
struct NodeTextResult {
  std::string whole_text;  // the text after the first step ("-4"), shown while the message is up
  std::string text;        // the final text ("4")
  bool negative = false;   // the "Illegal value for number ... nodes!" message is due
};

NodeTextResult normalize_node_text(std::string_view text);

// The three boxes of one panel left one after the other, as a batch run types them: each text
// after the rule, with the message of a negative count handed to `hooks` as a warning.
std::array<std::string, 3> leave_node_boxes(const std::array<std::string, 3>& typed, job::Hooks& hooks);

}  // namespace meldrit::pfield_local
