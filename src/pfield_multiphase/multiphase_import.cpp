#include "pfield_multiphase/multiphase_import.h"

#include <cmath>
#include <tuple>

#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/multiphase_run.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/parallel_fields.h"

namespace meldrit::pfield_multiphase {
namespace {

enum class Scan { Done, Failed, Cancelled };

// The largest code of one file. Failed when the file cannot be opened or read, or a field is not
// a number.
Scan largest_code(const std::string& path, const std::string& skip_text, job::ProgressTicker& ticker,
                  std::uint64_t bytes_before, double& largest, std::uint64_t& codes) {
  // Parsed ahead on the other cores; a file shorter than its header simply holds no code.
  textio::ParallelFieldStream stream;
  bool header_read = false;
  if (!stream.open(path, textio::numeric_value(skip_text), header_read)) return Scan::Failed;
  CodeScan scan;
  for (;;) {
    double value = 0;
    const textio::ReadStatus status = stream.next_number(value);
    if (!scan.take(status, value)) break;
    if (!ticker.tick(bytes_before + stream.bytes_consumed(), codes + scan.codes)) return Scan::Cancelled;
  }
  largest = scan.largest;
  codes += scan.codes;
  return scan.verdict == CodeScan::Verdict::Done ? Scan::Done : Scan::Failed;
}

}  // namespace

int class_table_row_limit() {
  return kMaxPhases + 1;
}

std::string class_row_label(int phase) {
  return "Class " + textio::message_number(phase);
}

namespace {

ImportResult import_files(const ImportInputs& inputs, job::Hooks& hooks) {
  ImportResult result;
  const std::string multiphase(textio::trim_blanks(inputs.multiphase_path));
  const std::string variable(textio::trim_blanks(inputs.variable_path));
  if (!multiphase.empty() && multiphase == variable) {
    result.outcome = job::Outcome::refused(messages::kSameInputFile);
    return result;
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kImportError);

  const std::uint64_t multiphase_size = textio::file_size_or_zero(multiphase);
  job::ProgressTicker ticker(hooks, multiphase_size + textio::file_size_or_zero(variable), 0);
  double phases = 1;
  double classes = 1;
  std::uint64_t codes = 0;  // of both files: the progress counts them together
  for (const auto& [path, skip, largest, before] :
       {std::tuple{&multiphase, &inputs.multiphase_skip, &phases, std::uint64_t{0}},
        std::tuple{&variable, &inputs.variable_skip, &classes, multiphase_size}}) {
    if (path->empty()) continue;
    switch (largest_code(*path, *skip, ticker, before, *largest, codes)) {
      case Scan::Done:
        break;
      case Scan::Failed:
        result.outcome = failed;
        return result;
      case Scan::Cancelled:
        result.outcome = job::Outcome::cancelled(job::kImportCancelled);
        return result;
    }
  }

  ticker.finish(multiphase_size + textio::file_size_or_zero(variable), codes);

  return import_counts(phases, classes);
}

}  // namespace

ImportResult import_counts(double phases, double classes) {
  ImportResult result;
  // The grid takes a whole row count (halves to even) and refuses one below its title row or
  // beyond what the run can handle; the counts are shown only once it accepted the rows.
  result.outcome = job::Outcome::failed(messages::kImportError);
  const double rows = std::nearbyint(phases + 1);
  if (!(rows >= 1 && rows <= class_table_row_limit())) return result;
  result.counts_set = true;
  result.grid_rows = static_cast<int>(rows);
  result.phases = phases;
  result.variable_classes = classes;
  result.phases_caption = textio::plain_number(phases);
  result.variable_classes_caption = textio::plain_number(classes);
  if (phases <= 0 || classes <= 0) return result;

  int prepared = 0;
  for (int phase = 1; phase <= phases && phase < result.grid_rows; ++phase) prepared = phase;
  result.prepared_rows = prepared;
  result.outcome = job::Outcome::done();
  return result;
}

ImportResult import_data_files(const ImportInputs& inputs, job::Hooks& hooks) {
  return job::guarded(messages::kImportError, [&] { return import_files(inputs, hooks); });
}

}  // namespace meldrit::pfield_multiphase
