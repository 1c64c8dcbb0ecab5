#pragma once

#include <string>
#include <string_view>

#include "job/hooks.h"
#include "job/outcome.h"
#include "textio/field_stream.h"

namespace meldrit::pfield_multiphase {

// The two per-node data files as the panel shows them: path captions (untrimmed) and skip texts.
struct ImportInputs {
  std::string multiphase_path;
  std::string multiphase_skip = "0";
  std::string variable_path;
  std::string variable_skip = "0";
};

struct ImportResult {
  // Refused when both roles name one file (nothing changes); failed: the failure steps, with
  // `counts_set` telling whether the counts had been shown already.
  job::Outcome outcome;

  // Set once the grid accepted the row count; the caller then shows these even on failure.
  bool counts_set = false;
  int grid_rows = 0;            // P + 1: the title row and one row per phase
  double phases = 1;            // P
  double variable_classes = 1;  // V
  std::string phases_caption;   // P and V written as plain numbers
  std::string variable_classes_caption;

  // Completed imports only: the phase rows whose label and skip cell are rewritten (1..P).
  int prepared_rows = 0;
};

// The import's scan of one code file, code by code in file order: its largest code, and a verdict
// at its end. Any pass over the same codes can make it on the way, so the one that runs the
// nodes also imports.
struct CodeScan {
  enum class Verdict { Open, Done, Failed };
  double largest = -1000;  // a file without codes
  std::uint64_t codes = 0;
  Verdict verdict = Verdict::Open;

  // The next read of the file. False once the verdict is in: at its end, or at a field that is
  // not a number or cannot be read (a code that cannot be told is as bad as an unreadable file).
  bool take(textio::ReadStatus status, double code) {
    if (verdict != Verdict::Open) return false;
    if (status == textio::ReadStatus::Ok) {
      if (code > largest) largest = code;
      ++codes;
      return true;
    }
    verdict = status == textio::ReadStatus::EndOfFile ? Verdict::Done : Verdict::Failed;
    return false;
  }
};

// What the import makes of the largest codes of both files (1 for a file not chosen).
ImportResult import_counts(double phases, double classes);

// The most rows the class table accepts: the title row and one per phase the run can handle.
int class_table_row_limit();

// Scans the chosen files for their largest codes and sizes the class table. `hooks.checks_passed()`
// runs once the same-file check has passed, before any file is opened (the desktop's busy pointer);
// progress by bytes of both files, and a cancel ends it as cancelled.
ImportResult import_data_files(const ImportInputs& inputs, job::Hooks& hooks = job::no_hooks());

// The label and skip cell the import writes into phase row `phase` ("Class  1", "0"); the path
// cell keeps what it held.
std::string class_row_label(int phase);
inline constexpr std::string_view kPreparedSkip = "0";

}  // namespace meldrit::pfield_multiphase
