#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::pfield_local {

inline constexpr int kMaxThresholds = 100;

// What an import found; the counts are set only when it completed.
struct ImportResult {
  job::Outcome outcome;      // refused: no file chosen; failed: "Error during import ..."
  std::uint64_t values = 0;  // V: fields after the first data line
  int thresholds = 0;        // n: fields of the first data line
  std::uint64_t nodes = 0;   // N = V / n + 1
};

// The import in one pass: n from the first data line, then every node's probabilities checked
// (clipped to 0..1 for the order check only) and counted (V). `skip` is the numeric value of the
// skip-lines box.
//
// Hooks: checks_passed once a file is chosen; counted("thresholds", n) once n is known (the panel
// shows n while the rest is checked); each warning as it is found, at most one of each kind;
// progress by bytes read; a cancel ends it as cancelled.
ImportResult import_probability_file(std::string_view path_caption, double skip,
                                     job::Hooks& hooks = job::no_hooks());

// The Text3 change rule: the whole part, rounded down, of the numeric value, as plain digits.
std::string skip_count_text(std::string_view text);

}  // namespace meldrit::pfield_local
