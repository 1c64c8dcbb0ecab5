#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "job/hooks.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/probability_import.h"

using meldrit::fuzz::FieldModel;
using meldrit::pfield_local::ImportResult;
namespace messages = meldrit::pfield_local::messages;

namespace {

// Every event of an import in order, and a cancel at the poll the target asks for (0: never).
class Recorder : public meldrit::job::Hooks {
 public:
  explicit Recorder(int cancel_at = 0) : cancel_at_(cancel_at) {}

  void checks_passed() override { events += "checks|"; }
  void warning(const std::string& text) override { events += "warning " + text + "|"; }
  void counted(std::string_view what, std::uint64_t value) override {
    events += std::string(what) + " " + std::to_string(value) + "|";
  }
  void progress(const meldrit::job::Progress& progress) override {
    meldrit::fuzz::check(progress.bytes_read >= last_bytes_, "progress: bytes read go back");
    meldrit::fuzz::check(progress.bytes_total == 0 || progress.bytes_read <= progress.bytes_total,
                         "progress: more bytes read than there are");
    meldrit::fuzz::check(progress.items_total == 0 || progress.items_done <= progress.items_total,
                         "progress: more items done than there are");
    last_bytes_ = progress.bytes_read;
  }
  bool cancel_requested() override { return ++polls == cancel_at_; }

  std::string events;
  int polls = 0;

 private:
  int cancel_at_;
  std::uint64_t last_bytes_ = 0;
};

// The import of the local ccdf job read off the rules: n from the first data line, V fields after
// it, then every group of n checked in order; the events it reports along the way.
ImportResult expected_import(std::string_view text, double skip, std::string& events) {
  ImportResult result;
  result.outcome = meldrit::job::Outcome::failed(messages::kImportFailed);
  events = "checks|";
  FieldModel counting(text);
  std::uint64_t first_line = 0;
  if (!counting.skip_lines(skip) || !counting.count_line_fields(first_line)) return result;
  std::uint64_t values = 0;
  for (std::string_view field; counting.next_field(field) == FieldModel::Status::Ok;) ++values;
  if (first_line < 1 || first_line > meldrit::pfield_local::kMaxThresholds) return result;
  const int n = static_cast<int>(first_line);
  events += "thresholds " + std::to_string(n) + "|";

  FieldModel checking(text);
  checking.skip_lines(skip);
  checking.count_line_fields(first_line);
  bool above_shown = false, below_shown = false;
  while (!checking.at_end()) {
    double previous = 0;
    for (int j = 1; j <= n; ++j) {
      double x = 0;
      if (checking.next_number(x) != FieldModel::Status::Ok) return result;
      if (j > 1 && x < previous) return result;
      if (x > 1) {
        if (!above_shown) events += "warning " + messages::above_one_warning(x, j) + "|";
        above_shown = true;
        x = 1;
      }
      if (j == 1 && x < 0) {
        if (!below_shown) events += "warning " + messages::below_zero_warning(x) + "|";
        below_shown = true;
        x = 0;
      }
      previous = x;
    }
  }
  result.values = values;
  result.thresholds = n;
  result.nodes = values / static_cast<std::uint64_t>(n) + 1;
  result.outcome = meldrit::job::Outcome::done();
  return result;
}

std::string summary(const ImportResult& result, const std::string& events) {
  return std::to_string(static_cast<int>(result.outcome.ending)) + " [" + result.outcome.message + "] V " +
         std::to_string(result.values) + " n " + std::to_string(result.thresholds) + " N " +
         std::to_string(result.nodes) + " events " + events;
}

void expect_same(const std::string& got, const std::string& want, const char* what) {
  meldrit::fuzz::check(got == want, what, [&] { return "got:  " + got + "\nwant: " + want; });
}

}  // namespace

// The probability data file import (local ccdf job): n cumulative probabilities per node, counted
// and checked. Control byte: bits 0-1 header lines, bit 2 half a line more (the box's number, whole
// part taken), bits 4-5 the read block, bits 6-7 a cancel at the first, second or third poll (in a
// further run, when the import polls that often).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile file("probabilities");
  const meldrit::fuzz::Input<1> input(data, size);
  const std::uint8_t control = input.control[0];
  const std::string_view text = input.text;
  const double skip = (control & 3) + ((control & 4) ? 0.5 : 0.0);
  const unsigned block = (control >> 4) & 3;
  const int cancel_at = control >> 6;

  std::string want_events;
  const ImportResult want = expected_import(text, skip, want_events);
  file.assign(text);
  meldrit::fuzz::StreamBlock small(meldrit::fuzz::block_choice(block));
  Recorder hooks;
  const ImportResult got = meldrit::pfield_local::import_probability_file(file.path(), skip, hooks);
  expect_same(summary(got, hooks.events), summary(want, want_events), "import differs from the rules");

  // A cancel at any poll ends the import as cancelled, with the events up to it; only one that
  // comes with the last report, once everything is read, may leave it complete.
  if (cancel_at > 0 && hooks.polls >= cancel_at) {
    Recorder cancelling(cancel_at);
    const ImportResult cancelled =
        meldrit::pfield_local::import_probability_file(file.path(), skip, cancelling);
    const bool at_the_end = cancelling.polls == hooks.polls &&
                            summary(cancelled, cancelling.events) == summary(got, hooks.events);
    meldrit::fuzz::check(
        at_the_end || cancelled.outcome == meldrit::job::Outcome::cancelled(meldrit::job::kImportCancelled),
        "a cancel at a poll did not end the import");
    meldrit::fuzz::check(cancelling.polls == cancel_at && want_events.rfind(cancelling.events, 0) == 0,
                         "a cancelled import went on", [&] { return cancelling.events; });
  }

  // The same file with LF line ends, through another block: the same import.
  const std::string lf = meldrit::fuzz::lf_line_ends(text);
  if (lf == text) return 0;
  file.assign(lf);
  meldrit::fuzz::StreamBlock other(meldrit::fuzz::block_choice(block + 1));
  Recorder again_hooks;
  const ImportResult again = meldrit::pfield_local::import_probability_file(file.path(), skip, again_hooks);
  expect_same(summary(again, again_hooks.events), summary(want, want_events),
              "import changes with LF line ends");
  return 0;
}
