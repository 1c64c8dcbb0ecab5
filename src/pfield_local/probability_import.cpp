#include "pfield_local/probability_import.h"

#include <string>

#include "pfield_local/local_messages.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_local {
namespace {

// Opens the file and reads the header lines and the first data line; false when the file cannot
// be opened or has fewer than skip + 1 lines.
bool open_at_first_data_line(textio::FieldStream& stream, const std::string& path, double skip,
                             std::string& first_line) {
  return stream.open(path) && stream.skip_lines(skip) && stream.read_line(first_line);
}

class Checker {
 public:
  Checker(ImportResult& result, ImportObserver* observer) : result_(result), observer_(observer) {}

  void warnAboveOne(double value, int column) {
    if (above_shown_) return;
    above_shown_ = true;
    show(messages::above_one_warning(value, column));
  }
  void warnBelowZero(double value) {
    if (below_shown_) return;
    below_shown_ = true;
    show(messages::below_zero_warning(value));
  }

 private:
  void show(std::string text) {
    if (observer_) observer_->warning(text);
    result_.warnings.push_back(std::move(text));
  }

  ImportResult& result_;
  ImportObserver* observer_;
  bool above_shown_ = false;
  bool below_shown_ = false;
};

}  // namespace

int count_blank_separated_fields(std::string_view line) {
  int count = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != ' ' && (i == 0 || line[i - 1] == ' ')) ++count;
  }
  return count;
}

std::string skip_count_text(std::string_view text) {
  return std::to_string(textio::whole_part_of(text));
}

ImportResult import_probability_file(std::string_view path_caption, double skip, ImportObserver* observer) {
  ImportResult result;
  const std::string path(textio::trim_blanks(path_caption));
  if (path.empty()) {
    result.outcome = ImportOutcome::NoFile;
    return result;
  }
  result.outcome = ImportOutcome::Failed;

  textio::FieldStream stream;
  std::string first_line;
  if (!open_at_first_data_line(stream, path, skip, first_line)) return result;
  std::uint64_t values = 0;
  for (;;) {
    const textio::ReadStatus status = stream.skip_field();
    if (status == textio::ReadStatus::EndOfFile) break;
    if (status == textio::ReadStatus::IoError) return result;
    ++values;
  }
  stream.close();

  const int n = count_blank_separated_fields(first_line);
  if (n < 1 || n > kMaxThresholds) return result;
  result.thresholds = n;
  result.values = values;
  if (observer) observer->thresholdsDetected(n);

  // The first data line only gives n; its values are never checked.
  if (!open_at_first_data_line(stream, path, skip, first_line)) return result;
  Checker checker(result, observer);
  std::uint64_t groups = 0;
  int shown_percent = 0;
  while (!stream.at_end()) {
    double previous = 0;
    for (int j = 1; j <= n; ++j) {
      double x = 0;
      // A non-numeric field or a last group with fewer than n fields ends the import.
      if (stream.next_number(x) != textio::ReadStatus::Ok) return result;
      if (j == 1) {
        if (x > 1) {
          checker.warnAboveOne(x, j);
          x = 1;
        }
        if (x < 0) {
          checker.warnBelowZero(x);
          x = 0;
        }
      } else {
        if (x < previous) return result;
        if (x > 1) {
          checker.warnAboveOne(x, j);
          x = 1;
        }
      }
      previous = x;
    }
    ++groups;
    std::uint64_t percent = groups * static_cast<std::uint64_t>(n) * 100 / values;
    if (percent > 100) percent = 100;  // the file grew since it was counted
    if (static_cast<int>(percent) != shown_percent) {
      shown_percent = static_cast<int>(percent);
      if (observer) observer->progress(shown_percent);
    }
  }
  stream.close();

  result.nodes = values / static_cast<std::uint64_t>(n) + 1;
  result.outcome = ImportOutcome::Completed;
  return result;
}

}  // namespace meldrit::pfield_local
