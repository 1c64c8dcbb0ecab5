#include "pfield_local/local_batch.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "pfield_local/class_limits.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/local_run.h"
#include "pfield_local/node_counts.h"
#include "pfield_local/probability_import.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"
#include "textio/staged_file.h"

namespace meldrit::pfield_local {
namespace {

LocalRunInput run_input(const LocalBatchRequest& request, double skip, int n, std::uint64_t nodes,
                        const std::vector<double>& limits) {
  LocalRunInput input;
  input.probability_path = request.probability_path;
  input.probability_skip = skip;
  input.nodes = static_cast<double>(nodes);
  input.thresholds = static_cast<double>(n);
  input.limits = limits;
  input.continuous = request.continuous;
  input.header = request.header;
  return input;
}

std::vector<Realization> realizations_of(const LocalBatchRequest& request) {
  std::vector<Realization> realizations;
  for (const LocalBatchRequest::Draw& draw : request.draws) {
    realizations.push_back(
        {draw.uniform_path, textio::numeric_value(draw.uniform_skip), draw.output_path, draw.generated});
  }
  return realizations;
}

// n of a first data line whose fields the run reads exactly as the import counts them: numbers
// separated by blanks alone. 0 for any other line.
int plain_threshold_count(const std::string& line) {
  int fields = 0;
  char before = ' ';
  for (const char c : line) {
    const bool number_char =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!number_char && c != ' ') return 0;
    if (c != ' ' && before == ' ') ++fields;
    before = c;
  }
  return fields <= kMaxThresholds ? fields : 0;
}

// The outputs of a run made along with the import, waiting for the checks between the two.
struct RunAlong {
  std::vector<textio::StagedFile> outputs;
  bool completed = false;
};

// The import, made by the run's own pass over the file when the request lets the run start at
// once: the file is read once instead of twice. The run's outputs are staged; they replace the
// real ones only when every check after the import passes, so the job ends exactly as the import
// and the run one after the other end.
ImportResult import_with_run(const LocalBatchRequest& request, double skip, job::Hooks& hooks,
                             RunAlong& along) {
  const std::string path(textio::trim_blanks(request.probability_path));
  const auto alone = [&] { return import_probability_file(request.probability_path, skip, hooks); };
  // Only files that can be read again: the import alone, or the run after it, may still have to.
  const auto plain_file = [](std::string_view caption) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::string(textio::trim_blanks(caption)), error);
  };
  if (!plain_file(path) || request.draws.empty()) return alone();
  for (const LocalBatchRequest::Draw& draw : request.draws) {
    if (draw.generated || !plain_file(draw.uniform_path)) return alone();
  }
  textio::FieldStream first;
  std::string line;
  if (!first.open(path) || !first.skip_lines(skip) || !first.read_line(line)) return alone();
  first.close();
  const int n = plain_threshold_count(line);
  if (n < 1 || request.limits.size() != static_cast<std::size_t>(n) + 2) return alone();

  // The checks after the import, made now without a word, as they would pass with a count of
  // NX x NY x NZ nodes; the real ones follow the import.
  std::array<std::string, 3> boxes;
  double product = 1;
  for (std::size_t box = 0; box < boxes.size(); ++box) {
    boxes[box] = normalize_node_text(request.nodes[box]).text;
    product *= textio::numeric_value(boxes[box]);
  }
  if (!(product >= 1 && product < 9e15)) return alone();
  const auto nodes = static_cast<std::uint64_t>(product);
  const ClassLimitsResult checked =
      check_class_limits(class_limits_input(request.limits, boxes, std::to_string(nodes)));
  if (!checked.outcome.completed()) return alone();
  const LocalRunInput input = run_input(request, skip, n, nodes, checked.limits);
  const std::vector<Realization> realizations = realizations_of(request);
  if (local_run_refusal(input, realizations)) return alone();
  ImportChecks checks(n, hooks);
  ImportAlongside alongside{checks, {}};
  for (const Realization& realization : realizations) {
    along.outputs.emplace_back(std::string(textio::trim_blanks(realization.output_path)));
    if (along.outputs.back().path().empty()) {
      along.outputs.clear();
      return alone();
    }
    alongside.staged_outputs.push_back(along.outputs.back().path());
  }

  ImportResult result;
  hooks.checks_passed();
  hooks.counted("thresholds", static_cast<std::uint64_t>(n));
  const job::Outcome ran = run_local_importing(input, realizations, alongside, hooks);
  along.completed = ran.completed();
  if (!along.completed) along.outputs.clear();
  if (ran.ending == job::Ending::Cancelled) {
    result.outcome = job::Outcome::cancelled(job::kImportCancelled);
  } else if (checks.verdict() == ImportChecks::Verdict::Failed) {
    result.outcome = job::Outcome::failed(messages::kImportFailed);
  } else if (checks.verdict() == ImportChecks::Verdict::Open) {
    job::AfterOpening rest(hooks);
    return import_probability_file(request.probability_path, skip, rest);
  } else {
    result.values = checks.values();
    result.thresholds = n;
    result.nodes = result.values / static_cast<std::uint64_t>(n) + 1;
    result.outcome = job::Outcome::done();
  }
  if (!result.outcome.completed()) along.outputs.clear();
  return result;
}

}  // namespace

job::Outcome run_local_batch(const LocalBatchRequest& request, job::Hooks& hooks) {
  const std::string probability_skip = skip_count_text(request.probability_skip);
  const double skip = textio::numeric_value(probability_skip);
  hooks.step(messages::kImportStep, "values");
  RunAlong along;
  const ImportResult imported = import_with_run(request, skip, hooks, along);
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

  const LocalRunInput input = run_input(
      request, skip, n, static_cast<std::uint64_t>(textio::numeric_value(count_caption)), checked.limits);
  hooks.step(messages::kRunStep, "nodes");
  if (along.completed) {
    // The run made along with the import read these very nodes: its outputs are the run's.
    bool placed = true;
    for (textio::StagedFile& output : along.outputs) placed = output.put_in_place() && placed;
    if (placed) {
      hooks.checks_passed();
      job::ProgressTicker(hooks, 0, imported.nodes).finish(0, imported.nodes);
      return job::Outcome::done(messages::kCalculationFinished);
    }
  }
  return run_local_realizations(input, realizations_of(request), hooks);
}

}  // namespace meldrit::pfield_local
