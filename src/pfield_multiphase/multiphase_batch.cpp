#include "pfield_multiphase/multiphase_batch.h"

#include "pfield_local/node_counts.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/node_counts.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_multiphase {

job::Outcome run_multiphase_batch(const MultiphaseBatchRequest& request, job::Hooks& hooks) {
  ImportInputs import;
  import.multiphase_path = request.multiphase_path;
  import.multiphase_skip = request.multiphase_skip;
  import.variable_path = request.variable_path;
  import.variable_skip = request.variable_skip;
  hooks.step(messages::kImportStep, "codes");
  const ImportResult imported = import_data_files(import, hooks);
  if (!imported.outcome.completed()) return imported.outcome;

  const std::array<std::string, 3> nodes = pfield_local::leave_node_boxes(request.nodes, hooks);
  const NodeCountCheck check = check_node_counts(nodes);
  if (!check.outcome.completed()) return check.outcome;

  // The class table as the import leaves it, then one row per phase file in order.
  std::vector<ClassRow> rows(static_cast<std::size_t>(imported.grid_rows - 1),
                             ClassRow{std::string(kPreparedSkip), ""});
  if (request.phase_files.size() > rows.size()) {
    return job::Outcome::bad_request(messages::too_many_phase_files(request.phase_files.size(), rows.size()));
  }
  std::copy(request.phase_files.begin(), request.phase_files.end(), rows.begin());
  if (request.generate_phase) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      std::string error;
      rows[r].generated = request.generate_phase(static_cast<int>(r + 1), error);
      if (rows[r].generated == nullptr) return job::Outcome::refused(error);
      rows[r].path = "p-field phase " + std::to_string(r + 1);
    }
  }

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
  hooks.step(messages::kRunStep, "nodes");
  return run_multiphase(inputs, hooks);
}

}  // namespace meldrit::pfield_multiphase
