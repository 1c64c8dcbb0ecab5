#include "pfield_multiphase/multiphase_import.h"

#include <cmath>

#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/multiphase_run.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_multiphase {
namespace {

// The largest code of one file. False on any failure: the file cannot be opened or read, or a
// field is not a number (a code that cannot be told is as bad as an unreadable file).
bool largest_code(const std::string& path, const std::string& skip_text, double& largest) {
  textio::FieldStream stream;
  if (!stream.open(path)) return false;
  stream.skip_lines(textio::numeric_value(skip_text));
  largest = -1000;
  for (;;) {
    double value = 0;
    switch (stream.next_number(value)) {
      case textio::ReadStatus::Ok:
        if (value > largest) largest = value;
        break;
      case textio::ReadStatus::EndOfFile:
        return true;
      case textio::ReadStatus::NotNumeric:
      case textio::ReadStatus::IoError:
        return false;
    }
  }
}

ImportOutcome failed(ImportOutcome outcome) {
  outcome.status = ImportOutcome::Status::Failed;
  outcome.message = messages::kImportError;
  outcome.prepared_rows = 0;
  return outcome;
}

}  // namespace

int class_table_row_limit() {
  return kMaxPhases + 1;
}

std::string class_row_label(int phase) {
  return "Class " + textio::message_number(phase);
}

ImportOutcome import_data_files(const ImportInputs& inputs, const std::function<void()>& after_checks) {
  ImportOutcome outcome;
  const std::string multiphase(textio::trim_blanks(inputs.multiphase_path));
  const std::string variable(textio::trim_blanks(inputs.variable_path));
  if (!multiphase.empty() && multiphase == variable) {
    outcome.status = ImportOutcome::Status::SameFile;
    outcome.message = messages::kSameFile;
    return outcome;
  }
  if (after_checks) after_checks();

  double phases = 1;
  double classes = 1;
  if (!multiphase.empty() && !largest_code(multiphase, inputs.multiphase_skip, phases))
    return failed(outcome);
  if (!variable.empty() && !largest_code(variable, inputs.variable_skip, classes)) return failed(outcome);

  // The grid takes a whole row count (halves to even) and refuses one below its title row or
  // beyond what the run can handle; the counts are shown only once it accepted the rows.
  const double rows = std::nearbyint(phases + 1);
  if (!(rows >= 1 && rows <= class_table_row_limit())) return failed(outcome);
  outcome.counts_set = true;
  outcome.grid_rows = static_cast<int>(rows);
  outcome.phases = phases;
  outcome.variable_classes = classes;
  outcome.phases_caption = textio::plain_number(phases);
  outcome.variable_classes_caption = textio::plain_number(classes);
  if (phases <= 0 || classes <= 0) return failed(outcome);

  int prepared = 0;
  for (int phase = 1; phase <= phases && phase < outcome.grid_rows; ++phase) prepared = phase;
  outcome.prepared_rows = prepared;
  return outcome;
}

}  // namespace meldrit::pfield_multiphase
