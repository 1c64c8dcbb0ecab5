#include "pfield_local/probability_import.h"

#include <string>
#include <utility>

#include "pfield_local/local_messages.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"
#include "textio/parallel_fields.h"

namespace meldrit::pfield_local {
namespace {

// Opens the file and reads the header lines and the first data line, counting its fields; false
// when the file cannot be opened or has fewer than skip + 1 lines.
bool open_at_first_data_line(textio::FieldStream& stream, const std::string& path, double skip,
                             std::uint64_t& fields) {
  return stream.open(path) && stream.skip_lines(skip) && stream.count_line_fields(fields);
}

}  // namespace

double ImportChecks::warn_above(double x, int column) {
  if (!above_shown_) hooks_.warning(messages::above_one_warning(x, column));
  above_shown_ = true;
  return 1;
}

double ImportChecks::warn_below(double x) {
  if (!below_shown_) hooks_.warning(messages::below_zero_warning(x));
  below_shown_ = true;
  return 0;
}

std::string skip_count_text(std::string_view text) {
  return std::to_string(textio::whole_part_of(text));
}

namespace {

ImportResult import_file(std::string_view path_caption, double skip, job::Hooks& hooks) {
  ImportResult result;
  const std::string path(textio::trim_blanks(path_caption));
  if (path.empty()) {
    result.outcome = job::Outcome::refused(messages::kSelectProbabilityFile);
    return result;
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kImportFailed);
  const job::Outcome cancelled = job::Outcome::cancelled(job::kImportCancelled);
  result.outcome = failed;

  // One pass: n comes from the first data line, and every later field is counted as it is checked.
  // Counting first would find the same V, or a field that cannot be read and so a failure either way.
  textio::FieldStream stream;
  std::uint64_t first_line_fields = 0;
  if (!open_at_first_data_line(stream, path, skip, first_line_fields)) return result;
  if (first_line_fields < 1 || first_line_fields > kMaxThresholds) return result;
  const int n = static_cast<int>(first_line_fields);
  hooks.counted("thresholds", static_cast<std::uint64_t>(n));

  // The first data line only gives n; its values are never checked. The rest is parsed ahead on
  // the other cores.
  textio::ParallelFieldStream fields;
  if (!fields.read_on(std::move(stream))) return result;
  ImportChecks checks(n, hooks);
  job::ProgressTicker checking(hooks, textio::file_size_or_zero(path), 0);
  for (;;) {
    double x = 0;
    const textio::ReadStatus status = fields.next_number(x);
    if (!checks.take(status, x)) break;
    if (checks.line_done() && !checking.tick(fields.bytes_consumed(), checks.values())) {
      result.outcome = cancelled;
      return result;
    }
  }
  // A non-numeric field, a decrease, or a last line with fewer than n fields ends the import.
  if (checks.verdict() != ImportChecks::Verdict::Passed) return result;
  const std::uint64_t values = checks.values();
  checking.finish(fields.bytes_consumed(), values);
  fields.close();

  result.values = values;
  result.thresholds = n;
  result.nodes = values / static_cast<std::uint64_t>(n) + 1;
  result.outcome = job::Outcome::done();
  return result;
}

}  // namespace

ImportResult import_probability_file(std::string_view path_caption, double skip, job::Hooks& hooks) {
  return job::guarded(messages::kImportFailed, [&] { return import_file(path_caption, skip, hooks); });
}

}  // namespace meldrit::pfield_local
