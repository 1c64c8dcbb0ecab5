#include "pfield_local/local_batch.h"

#include "pfield_local/class_limits.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/local_run.h"
#include "pfield_local/node_counts.h"
#include "pfield_local/probability_import.h"
#include "textio/numeric_value.h"

namespace meldrit::pfield_local {

job::Outcome run_local_batch(const LocalBatchRequest& request, job::Hooks& hooks) {
  const std::string probability_skip = skip_count_text(request.probability_skip);
  hooks.step(messages::kImportStep, "values");
  const ImportResult imported =
      import_probability_file(request.probability_path, textio::numeric_value(probability_skip), hooks);
  if (!imported.outcome.completed()) return imported.outcome;
  const int n = imported.thresholds;
  if (request.limits.size() != static_cast<std::size_t>(n) + 2) {
    return job::Outcome::bad_request(messages::limit_count_mismatch(n, request.limits.size()));
  }

  // The captions the import leaves, read back as the later steps read them.
  const std::string count_caption = std::to_string(imported.nodes);
  const ClassLimitsResult checked = check_class_limits(
      class_limits_input(request.limits, leave_node_boxes(request.nodes, hooks), count_caption));
  if (!checked.outcome.completed()) return checked.outcome;

  LocalRunInput input;
  input.probability_path = request.probability_path;
  input.probability_skip = textio::numeric_value(probability_skip);
  input.nodes = textio::numeric_value(count_caption);
  input.thresholds = static_cast<double>(n);
  input.limits = checked.limits;
  input.continuous = request.continuous;
  input.header = request.header;
  std::vector<Realization> realizations;
  for (const LocalBatchRequest::Draw& draw : request.draws) {
    realizations.push_back(
        {draw.uniform_path, textio::numeric_value(draw.uniform_skip), draw.output_path, draw.generated});
  }
  hooks.step(messages::kRunStep, "nodes");
  return run_local_realizations(input, realizations, hooks);
}

}  // namespace meldrit::pfield_local
