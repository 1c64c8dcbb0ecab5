#include "pfield_multiphase/multiphase_batch.h"

#include <filesystem>
#include <optional>

#include "pfield_local/node_counts.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/node_counts.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"
#include "textio/staged_file.h"

namespace meldrit::pfield_multiphase {
namespace {

ImportInputs import_inputs(const MultiphaseBatchRequest& request) {
  ImportInputs import;
  import.multiphase_path = request.multiphase_path;
  import.multiphase_skip = request.multiphase_skip;
  import.variable_path = request.variable_path;
  import.variable_skip = request.variable_skip;
  return import;
}

// The class table as the import leaves it, then one row per phase file in order; nothing when
// there are more files than phase rows.
std::optional<std::vector<ClassRow>> class_rows(const MultiphaseBatchRequest& request, int grid_rows) {
  std::vector<ClassRow> rows(static_cast<std::size_t>(grid_rows - 1),
                             ClassRow{std::string(kPreparedSkip), ""});
  if (request.phase_files.size() > rows.size()) return std::nullopt;
  std::copy(request.phase_files.begin(), request.phase_files.end(), rows.begin());
  return rows;
}

RunInputs run_inputs(const MultiphaseBatchRequest& request, const std::array<std::string, 3>& nodes,
                     const ImportResult& imported, std::vector<ClassRow> rows) {
  RunInputs inputs;
  inputs.nx = textio::numeric_value(nodes[0]);
  inputs.ny = textio::numeric_value(nodes[1]);
  inputs.nz = textio::numeric_value(nodes[2]);
  // Read back from the shown captions, as the desktop does.
  inputs.phases = textio::numeric_value(imported.phases_caption);
  inputs.variable_classes = textio::numeric_value(imported.variable_classes_caption);
  inputs.bihistogram_path = request.bihistogram_path;
  inputs.multiphase_path = request.multiphase_path;
  inputs.multiphase_skip = textio::numeric_value(request.multiphase_skip);
  inputs.variable_path = request.variable_path;
  inputs.variable_skip = textio::numeric_value(request.variable_skip);
  inputs.class_rows = std::move(rows);
  inputs.output_path = request.output_path;
  inputs.header = request.header;
  return inputs;
}

// What a run reads besides the request's own paths: two runs of one request that agree on these
// write the same output.
bool same_counts(const RunInputs& a, const RunInputs& b) {
  return a.nx == b.nx && a.ny == b.ny && a.nz == b.nz && a.phases == b.phases &&
         a.variable_classes == b.variable_classes && a.class_rows.size() == b.class_rows.size();
}

bool plain_file(std::string_view caption) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::string(textio::trim_blanks(caption)), error);
}

// The output of a run made along with the import, waiting for the checks between the two.
struct RunAlong {
  std::optional<textio::StagedFile> output;
  std::optional<RunInputs> inputs;  // set when that run completed
};

// The import, made by the run's own pass over the code files when the request lets the run start
// at once: each code file is read once instead of twice. The run takes its phase and class counts
// from the bihistogram data file's head, which must hold the import's counts for the run to go
// anywhere. Its output is staged and replaces the real one only when the import found those
// counts and every check after it passes, so the job ends exactly as the import and the run one
// after the other end.
ImportResult import_with_run(const MultiphaseBatchRequest& request, job::Hooks& hooks, RunAlong& along) {
  const ImportInputs import = import_inputs(request);
  const auto alone = [&] { return import_data_files(import, hooks); };
  const std::string multiphase(textio::trim_blanks(request.multiphase_path));
  const std::string variable(textio::trim_blanks(request.variable_path));
  // Only files that can be read again: the import alone, or the run after it, may still have to.
  if (request.generate_phase || (!multiphase.empty() && multiphase == variable) ||
      (!multiphase.empty() && !plain_file(multiphase)) || (!variable.empty() && !plain_file(variable)) ||
      !plain_file(request.bihistogram_path)) {
    return alone();
  }
  textio::FieldStream head;
  double phases = 0, classes = 0;
  if (!head.open(std::string(textio::trim_blanks(request.bihistogram_path))) ||
      head.next_number(phases) != textio::ReadStatus::Ok ||
      head.next_number(classes) != textio::ReadStatus::Ok) {
    return alone();
  }
  head.close();
  const ImportResult expected = import_counts(phases, classes);
  std::array<std::string, 3> boxes;
  for (std::size_t box = 0; box < boxes.size(); ++box) {
    boxes[box] = pfield_local::normalize_node_text(request.nodes[box]).text;
  }
  if (!expected.outcome.completed() || !check_node_counts(boxes).outcome.completed()) return alone();
  std::optional<std::vector<ClassRow>> rows = class_rows(request, expected.grid_rows);
  if (!rows) return alone();
  RunInputs inputs = run_inputs(request, boxes, expected, std::move(*rows));
  if (!check_run_inputs(inputs).completed()) return alone();
  for (const ClassRow& row : inputs.class_rows) {
    if (!plain_file(row.path)) return alone();
  }
  along.output.emplace(std::string(textio::trim_blanks(request.output_path)));
  if (along.output->path().empty()) return alone();

  hooks.checks_passed();
  ImportAlongside alongside;
  alongside.staged_output = along.output->path();
  const job::Outcome ran = run_multiphase_importing(inputs, alongside, hooks);
  // A file not chosen holds code 1 everywhere.
  if (multiphase.empty()) alongside.phases = {1, 0, CodeScan::Verdict::Done};
  if (variable.empty()) alongside.classes = {1, 0, CodeScan::Verdict::Done};
  ImportResult result;
  if (ran.ending == job::Ending::Cancelled) {
    result.outcome = job::Outcome::cancelled(job::kImportCancelled);
  } else if (alongside.phases.verdict == CodeScan::Verdict::Open ||
             alongside.classes.verdict == CodeScan::Verdict::Open) {
    along.output.reset();
    job::AfterOpening rest(hooks);
    return import_data_files(import, rest);
  } else if (alongside.phases.verdict == CodeScan::Verdict::Failed ||
             alongside.classes.verdict == CodeScan::Verdict::Failed) {
    result.outcome = job::Outcome::failed(messages::kImportError);
  } else {
    const std::uint64_t bytes = textio::file_size_or_zero(multiphase) + textio::file_size_or_zero(variable);
    job::ProgressTicker(hooks, bytes, 0).finish(bytes, alongside.phases.codes + alongside.classes.codes);
    result = import_counts(alongside.phases.largest, alongside.classes.largest);
  }
  if (ran.completed() && result.outcome.completed()) {
    along.inputs = std::move(inputs);
  } else {
    along.output.reset();
  }
  return result;
}

}  // namespace

job::Outcome run_multiphase_batch(const MultiphaseBatchRequest& request, job::Hooks& hooks) {
  hooks.step(messages::kImportStep, "codes");
  RunAlong along;
  const ImportResult imported = import_with_run(request, hooks, along);
  if (!imported.outcome.completed()) return imported.outcome;

  const std::array<std::string, 3> nodes = pfield_local::leave_node_boxes(request.nodes, hooks);
  const NodeCountCheck check = check_node_counts(nodes);
  if (!check.outcome.completed()) return check.outcome;

  std::optional<std::vector<ClassRow>> rows = class_rows(request, imported.grid_rows);
  if (!rows) {
    return job::Outcome::bad_request(messages::too_many_phase_files(
        request.phase_files.size(), static_cast<std::size_t>(imported.grid_rows - 1)));
  }
  if (request.generate_phase) {
    for (std::size_t r = 0; r < rows->size(); ++r) {
      std::string error;
      (*rows)[r].generated = request.generate_phase(static_cast<int>(r + 1), error);
      if ((*rows)[r].generated == nullptr) return job::Outcome::refused(error);
      (*rows)[r].path = "p-field phase " + std::to_string(r + 1);
    }
  }
  const RunInputs inputs = run_inputs(request, nodes, imported, std::move(*rows));
  hooks.step(messages::kRunStep, "nodes");
  // The run made along with the import read these very codes with these counts: its output is the
  // run's.
  if (along.inputs && same_counts(inputs, *along.inputs) && check_run_inputs(inputs).completed() &&
      along.output->put_in_place()) {
    hooks.checks_passed();
    const auto nodes_run = static_cast<std::uint64_t>(inputs.nx * inputs.ny * inputs.nz);
    job::ProgressTicker(hooks, 0, nodes_run).finish(0, nodes_run);
    return job::Outcome::done(messages::kCompleted);
  }
  return run_multiphase(inputs, hooks);
}

}  // namespace meldrit::pfield_multiphase
