#include "pfield_local/local_run.h"

#include <cmath>
#include <filesystem>

#include "pfield_local/local_messages.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/text_writer.h"

namespace meldrit::pfield_local {
namespace {

inline double clip01(double x) {
  if (x < 0) x = 0;
  if (x > 1) x = 1;
  return x;
}

inline int find_class(double u, const double* c, int n) {
  if (u < c[1]) return 1;
  // The first matching interval wins, even when the probabilities do not increase.
  for (int j = 1; j <= n - 1; ++j) {
    if (c[j] <= u && u < c[j + 1]) return j + 1;
  }
  return n + 1;
}

}  // namespace

NodeResult simulate_node(double u, double* c, int n, const double* limits) {
  NodeResult result;
  result.k = find_class(u, c, n);
  const int k = result.k;
  if (c[k] == c[k - 1]) c[k] = c[k - 1] + 0.001;
  result.z = limits[k - 1] + (u - c[k - 1]) * (limits[k] - limits[k - 1]) / (c[k] - c[k - 1]);
  return result;
}

namespace {

job::Outcome run(const LocalRunInput& input, job::Hooks& hooks) {
  const std::string uniform_path(textio::trim_blanks(input.uniform_path));
  const std::string probability_path(textio::trim_blanks(input.probability_path));
  const std::string output_path(textio::trim_blanks(input.output_path));
  if (textio::same_file(uniform_path, output_path) || textio::same_file(probability_path, output_path)) {
    return job::Outcome::refused(messages::kSameFile);
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kCalculationFailed);

  const double whole_n = std::floor(input.thresholds);
  const double whole_nodes = std::floor(input.nodes);
  // Counts that no import can give (the limits array too short for n) fail like bad input.
  if (!(whole_n >= 0) || whole_n > 100000 || input.limits.size() < static_cast<std::size_t>(whole_n) + 2) {
    return failed;
  }
  const int n = static_cast<int>(whole_n);

  textio::FieldStream uniform;
  textio::FieldStream probability;
  textio::TextWriter output;
  if (!uniform.open(uniform_path) || !probability.open(probability_path) || !output.create(output_path)) {
    return failed;
  }
  if (!uniform.skip_lines(input.uniform_skip) || !probability.skip_lines(input.probability_skip)) {
    return failed;
  }

  std::vector<double> c(static_cast<std::size_t>(n) + 3, 0.0);
  const double* limits = input.limits.data();
  std::string& line = output.line();
  const std::uint64_t nodes = whole_nodes >= 1 ? static_cast<std::uint64_t>(whole_nodes) : 0;
  job::ProgressTicker ticker(
      hooks, textio::file_size_or_zero(uniform_path) + textio::file_size_or_zero(probability_path), nodes);
  for (std::uint64_t i = 0; i < nodes; ++i) {
    if (!ticker.tick(uniform.bytes_consumed() + probability.bytes_consumed(), i)) {
      output.close();
      return job::Outcome::cancelled(job::kRunCancelled);
    }
    double u = 0;
    if (uniform.next_number(u) != textio::ReadStatus::Ok) return failed;
    u = clip01(u);
    for (int j = 1; j <= n; ++j) {
      double x = 0;
      if (probability.next_number(x) != textio::ReadStatus::Ok) return failed;
      c[j] = clip01(x);
    }
    c[0] = 0;
    c[n + 1] = 1;
    if (input.continuous) {
      const NodeResult node = simulate_node(u, c.data(), n, limits);
      // Limits near the ends of the range can overflow; no mask can write what is not a number.
      if (!std::isfinite(node.z)) return failed;
      textio::append_mask_fixed3(line, node.z);
    } else {
      textio::append_print_number(line, static_cast<double>(find_class(u, c.data(), n)));
    }
    if (!output.end_line()) return failed;
  }
  ticker.finish(uniform.bytes_consumed() + probability.bytes_consumed(), nodes);
  if (!output.close()) return failed;
  return job::Outcome::done(messages::kCalculationFinished);
}

}  // namespace

job::Outcome run_local_ccdf(const LocalRunInput& input, job::Hooks& hooks) {
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, hooks); });
}

}  // namespace meldrit::pfield_local
