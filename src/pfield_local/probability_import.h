#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meldrit::pfield_local {

inline constexpr int kMaxThresholds = 100;

enum class ImportOutcome {
  Completed,
  NoFile,  // the path caption is blank: "Please select input probability data file!"
  Failed,  // "Error during import input probability data file!"
};

// What the panel shows while the import runs. Warnings are modal in the window, so they are
// handed over as they are found, not at the end.
class ImportObserver {
 public:
  virtual ~ImportObserver() = default;
  // After the counting pass, once n is known (ncortes shows it during the checking pass).
  virtual void thresholdsDetected(int /*thresholds*/) {}
  virtual void warning(const std::string& /*text*/) {}
  // The share of data groups checked so far, 0..100; called only when the whole percent changes.
  virtual void progress(int /*percent*/) {}
};

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::Failed;
  std::uint64_t values = 0;           // V: fields after the first data line
  int thresholds = 0;                 // n: fields of the first data line
  std::uint64_t nodes = 0;            // N = V / n + 1
  std::vector<std::string> warnings;  // in the order shown, at most one of each kind
};

// The two passes of the import: count n and V, then check every node's probabilities (clipped
// to 0..1 for the order check only). `skip` is the numeric value of the skip-lines box.
ImportResult import_probability_file(std::string_view path_caption, double skip,
                                     ImportObserver* observer = nullptr);

// n of the first data line: fields that start at a non-blank after a blank or at the line start.
// Only the blank character separates them here.
int count_blank_separated_fields(std::string_view line);

// The Text3 change rule: the whole part, rounded down, of the numeric value, as plain digits.
std::string skip_count_text(std::string_view text);

}  // namespace meldrit::pfield_local
