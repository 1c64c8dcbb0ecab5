#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "textio/numeric_value.h"
#include "uniform/column_scan.h"
#include "uniform/uniform_messages.h"

using meldrit::fuzz::FieldModel;
using meldrit::uniform::ColumnScan;
using meldrit::uniform::CoordinateOption;

namespace {

// What the import of the uniform job must find, read off the field rules directly.
ColumnScan expected_scan(std::string_view text, double skip, CoordinateOption option) {
  ColumnScan scan;
  scan.outcome = meldrit::job::Outcome::failed(meldrit::uniform::messages::kIllegalFormat);
  FieldModel head(text);
  std::uint64_t counted = 0;
  if (!text.empty()) {
    if (!head.skip_lines(skip)) return scan;
    if (!head.count_line_fields(counted)) counted = 0;
  }
  if (counted > static_cast<std::uint64_t>(std::numeric_limits<std::int16_t>::max())) return scan;
  scan.columns_counted = true;
  scan.columns = static_cast<int>(counted);
  if (scan.columns < 1 || scan.columns > meldrit::uniform::kMaxColumns ||
      scan.columns < meldrit::uniform::first_variable_column(option)) {
    return scan;
  }
  scan.columns_shown = true;
  FieldModel body(text);
  body.skip_lines(skip);
  const std::uint64_t kept = static_cast<std::uint64_t>(meldrit::uniform::kPreviewRows) * scan.columns;
  std::string_view field;
  for (; body.next_field(field) == FieldModel::Status::Ok; ++scan.fields) {
    if (scan.fields < kept) scan.preview.push_back(meldrit::uniform::preview_text(field));
  }
  scan.samples = scan.fields / static_cast<std::uint64_t>(scan.columns);
  scan.outcome = meldrit::job::Outcome::done();
  return scan;
}

std::string summary(const ColumnScan& scan, bool lf_cells = false) {
  std::string text = std::to_string(static_cast<int>(scan.outcome.ending)) + " [" + scan.outcome.message +
                     "] counted " + std::to_string(scan.columns_counted) + " K " +
                     std::to_string(scan.columns) + " shown " + std::to_string(scan.columns_shown) + " F " +
                     std::to_string(scan.fields) + " N " + std::to_string(scan.samples) + " preview";
  for (const std::string& cell : scan.preview)
    text += " |" + (lf_cells ? meldrit::fuzz::lf_line_ends(cell) : cell);
  return text;
}

void expect_same(const std::string& got, const std::string& want, const char* what) {
  meldrit::fuzz::check(got == want, what, [&] { return "got:  " + got + "\nwant: " + want; });
}

}  // namespace

// The column data file scan (uniform job, Import): header lines, the column count of the first data
// line, the count of every field and the preview. First control byte: bits 0-2 header lines, bits
// 3-4 the coordinate option (None, 2D, 3D, None), bits 5-6 the read block, bit 7 the LF run too.
// Second: bit 0 types the header lines as " N.9" in the skip box.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile file("columns");
  const meldrit::fuzz::Input<2> input(data, size);
  const std::uint8_t control = input.control[0];
  const std::string_view text = input.text;
  std::string skip_text = std::to_string(control & 7);
  if (input.control[1] & 1) skip_text = " " + skip_text + ".9";
  const double skip = meldrit::textio::numeric_value(skip_text);
  const auto option = static_cast<CoordinateOption>(((control >> 3) & 3) % 3);
  const unsigned block = (control >> 5) & 3;

  file.assign(text);
  ColumnScan scan;
  {
    meldrit::fuzz::StreamBlock small(meldrit::fuzz::block_choice(block));
    scan = meldrit::uniform::scan_column_file(file.path(), skip_text, option);
  }
  expect_same(summary(scan), summary(expected_scan(text, skip, option)),
              "column scan differs from the rules");

  // The same file with LF line ends, through another block: the same scan, quoted cells aside.
  if (!(control & 0x80)) return 0;
  const std::string lf = meldrit::fuzz::lf_line_ends(text);
  if (lf == text) return 0;
  file.assign(lf);
  meldrit::fuzz::StreamBlock other(meldrit::fuzz::block_choice(block + 1));
  const ColumnScan again = meldrit::uniform::scan_column_file(file.path(), skip_text, option);
  expect_same(summary(again), summary(scan, true), "column scan changes with LF line ends");
  return 0;
}
