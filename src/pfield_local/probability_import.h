#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "job/hooks.h"
#include "job/outcome.h"
#include "textio/field_stream.h"

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

// The import's checks of the values after the first data line, in file order: each line's
// probabilities never decrease (compared clipped to 0..1), a value above 1 or below 0 is warned
// of once per kind, and the last line is whole. Any pass over the same values can make them on the
// way, so the one that runs the nodes also imports.
class ImportChecks {
 public:
  enum class Verdict { Open, Passed, Failed };

  ImportChecks(int thresholds, job::Hooks& hooks) : n_(thresholds), hooks_(hooks) {}

  // The next read of the stream. False once the verdict is in: at the end of the file, or at the
  // first value that fails (no warning is given past it).
  bool take(textio::ReadStatus status, double x) {
    if (verdict_ != Verdict::Open) return false;
    if (status == textio::ReadStatus::EndOfFile) {
      verdict_ = place_ == 0 ? Verdict::Passed : Verdict::Failed;
      return false;
    }
    if (status != textio::ReadStatus::Ok) return fail();
    if (place_ == 0) {
      if (x > 1) x = warn_above(x, 1);
      if (x < 0) x = warn_below(x);
    } else {
      if (x < previous_) return fail();
      if (x > 1) x = warn_above(x, place_ + 1);
    }
    previous_ = x;
    if (++place_ == n_) {
      place_ = 0;
      values_ += static_cast<std::uint64_t>(n_);
    }
    return true;
  }
  // The last value taken ended a line.
  bool line_done() const { return place_ == 0; }
  Verdict verdict() const { return verdict_; }
  std::uint64_t values() const { return values_; }

 private:
  bool fail() {
    verdict_ = Verdict::Failed;
    return false;
  }
  double warn_above(double x, int column);
  double warn_below(double x);

  int n_;
  job::Hooks& hooks_;
  Verdict verdict_ = Verdict::Open;
  int place_ = 0;
  double previous_ = 0;
  std::uint64_t values_ = 0;
  bool above_shown_ = false;
  bool below_shown_ = false;
};

// The Text3 change rule: the whole part, rounded down, of the numeric value, as plain digits.
std::string skip_count_text(std::string_view text);

}  // namespace meldrit::pfield_local
