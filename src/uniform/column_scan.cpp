#include "uniform/column_scan.h"

#include <filesystem>
#include <limits>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "uniform/uniform_messages.h"
#include "uniform/uniform_run.h"

namespace meldrit::uniform {
namespace {

bool columns_fit(int columns, CoordinateOption option) {
  return columns >= 1 && columns <= kMaxColumns && columns >= first_variable_column(option);
}

}  // namespace

std::string preview_text(std::string_view field) {
  double value = 0;
  if (textio::parse_number(field, value)) return textio::plain_number(value);
  return std::string(field);
}

namespace {

ColumnScan scan_file(const std::string& path, std::string_view skip_text, CoordinateOption option,
                     const std::string& program_folder, job::Hooks& hooks) {
  ColumnScan scan;
  scan.outcome = job::Outcome::failed(messages::kIllegalFormat);
  if (!program_folder.empty()) {
    for (const char* own :
         {files::kParameterFile, files::kValuesFile, files::kScoresFile, files::kLockFile}) {
      if (textio::same_file(path, program_file(program_folder, own))) return scan;
    }
  }
  const double skip = textio::numeric_value(skip_text);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  textio::FieldStream stream;
  if (!stream.open(path)) return scan;
  std::uint64_t counted = 0;
  // An empty file has no first line to count; anything that is not a plain file is read as it comes.
  if (error || size > 0) {
    if (!stream.skip_lines(skip)) return scan;
    if (!stream.count_line_fields(counted)) counted = 0;
  }
  stream.close();

  // The panel holds K in a 16-bit integer: a longer count does not fit and ends the import.
  if (counted > static_cast<std::uint64_t>(std::numeric_limits<std::int16_t>::max())) return scan;
  scan.columns_counted = true;
  scan.columns = static_cast<int>(counted);
  if (!columns_fit(scan.columns, option)) return scan;
  scan.columns_shown = true;

  if (!stream.open(path) || !stream.skip_lines(skip)) return scan;
  const std::uint64_t kept = static_cast<std::uint64_t>(kPreviewRows) * scan.columns;
  scan.preview.reserve(kept);
  job::ProgressTicker ticker(hooks, error ? 0 : static_cast<std::uint64_t>(size), 0);
  for (;;) {
    textio::ReadStatus status;
    if (scan.fields < kept) {
      std::string_view field;
      status = stream.next_field(field, textio::FieldMode::Number);
      if (status == textio::ReadStatus::Ok) scan.preview.push_back(preview_text(field));
    } else {
      status = stream.skip_field();
    }
    if (status == textio::ReadStatus::EndOfFile) break;
    if (status != textio::ReadStatus::Ok) return scan;
    ++scan.fields;
    if (!ticker.tick(stream.bytes_consumed(), scan.fields)) {
      scan.outcome = job::Outcome::cancelled(job::kImportCancelled);
      return scan;
    }
  }
  scan.samples = scan.fields / static_cast<std::uint64_t>(scan.columns);
  scan.outcome = job::Outcome::done();
  return scan;
}

}  // namespace

ColumnScan scan_column_file(const std::string& path, std::string_view skip_text, CoordinateOption option,
                            const std::string& program_folder, job::Hooks& hooks) {
  return job::guarded(messages::kIllegalFormat,
                      [&] { return scan_file(path, skip_text, option, program_folder, hooks); });
}

}  // namespace meldrit::uniform
