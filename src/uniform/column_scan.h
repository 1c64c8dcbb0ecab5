#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "uniform/coordinate_option.h"

namespace meldrit::uniform {

// Grid rows the preview shows, and the most columns a column data file may have.
inline constexpr int kPreviewRows = 30;
inline constexpr int kMaxColumns = 50;

struct ColumnScan {
  job::Outcome outcome;  // failed: the import ends with "Illegal input data file format!"
  // The column count is known (and held by the panel) once the first data line was counted, even
  // when the count is then refused.
  bool columns_counted = false;
  int columns = 0;  // K
  // K passed the checks and is shown; the field count was then read (or failed to be).
  bool columns_shown = false;
  std::uint64_t fields = 0;   // F
  std::uint64_t samples = 0;  // N = whole part of F / K
  // The first 30 x K fields (fewer when the file has fewer), in the form the preview shows them.
  std::vector<std::string> preview;

  // Rows of the preview that show a sample (the rest are blank).
  int preview_samples() const { return samples < kPreviewRows ? static_cast<int>(samples) : kPreviewRows; }
  // Sample `row` (1-based), field `column` (1-based); only for row <= preview_samples().
  const std::string& cell(int row, int column) const {
    return preview[static_cast<std::size_t>(row - 1) * columns + (column - 1)];
  }
};

// The form a preview cell shows a field in: a number in its shortest general form (1.50 as 1.5,
// up to 15 significant digits); a field that is not a number as it stands.
std::string preview_text(std::string_view field);

// Scans a column data file: skips the header lines of `skip_text` (its leading number, whole part),
// counts the columns of the first data line, checks them against the coordinate option, then
// counts every field of the stream and keeps the first 30 x K for the preview. Only the preview
// is held, so files of any length scan in constant memory. Progress by bytes; a cancel ends it as
// cancelled. One of the uniform run's own files in `program_folder` is refused like a bad file.
ColumnScan scan_column_file(const std::string& path, std::string_view skip_text, CoordinateOption option,
                            const std::string& program_folder = {}, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::uniform
