#include "uniform/column_scan.h"

#include <filesystem>
#include <limits>

#include "textio/field_stream.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"

namespace meldrit::uniform {
namespace {

bool file_is_empty(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return !error && size == 0;
}

bool columns_fit(int columns, CoordinateOption option) {
  return columns >= 1 && columns <= kMaxColumns && columns >= first_variable_column(option);
}

}  // namespace

std::size_t count_columns(std::string_view line) {
  std::size_t count = 0;
  char before = ' ';
  for (const char c : line) {
    if (c != ' ' && before == ' ') ++count;
    before = c;
  }
  return count;
}

std::string preview_text(std::string_view field) {
  double value = 0;
  if (textio::parse_number(field, value)) return textio::plain_number(value);
  return std::string(field);
}

ColumnScan scan_column_file(const std::string& path, std::string_view skip_text, CoordinateOption option) {
  ColumnScan scan;
  const double skip = textio::numeric_value(skip_text);
  textio::FieldStream stream;
  if (!stream.open(path)) return scan;
  std::string first_line;
  if (!file_is_empty(path)) {
    if (!stream.skip_lines(skip)) return scan;
    if (!stream.read_line(first_line)) first_line.clear();
  }
  stream.close();

  // The panel holds K in a 16-bit integer: a longer count does not fit and ends the import.
  const std::size_t counted = count_columns(first_line);
  if (counted > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) return scan;
  scan.columns_counted = true;
  scan.columns = static_cast<int>(counted);
  if (!columns_fit(scan.columns, option)) return scan;
  scan.columns_shown = true;

  if (!stream.open(path) || !stream.skip_lines(skip)) return scan;
  const std::uint64_t kept = static_cast<std::uint64_t>(kPreviewRows) * scan.columns;
  scan.preview.reserve(kept);
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
  }
  scan.samples = scan.fields / static_cast<std::uint64_t>(scan.columns);
  scan.completed = true;
  return scan;
}

}  // namespace meldrit::uniform
