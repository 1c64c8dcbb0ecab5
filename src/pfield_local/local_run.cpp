#include "pfield_local/local_run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <utility>

#include "pfield_local/local_messages.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/geoeas_header.h"
#include "textio/number_format.h"
#include "textio/parallel_fields.h"
#include "textio/system_files.h"
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

NodeResult simulate_node(double u, const double* c, int n, const double* limits) {
  NodeResult result;
  result.k = find_class(u, c, n);
  const int k = result.k;
  const double upper = c[k] == c[k - 1] ? c[k - 1] + 0.001 : c[k];
  result.z = limits[k - 1] + (u - c[k - 1]) * (limits[k] - limits[k - 1]) / (upper - c[k - 1]);
  return result;
}

namespace {

constexpr std::size_t kMostUniformWorkers = 16;
constexpr int kReservedFiles = 16;

// One realization of a pass: its uniform file, its output, and whether it is still going.
struct Draw {
  std::string uniform_path;
  double uniform_skip = 0;
  std::string output_path;
  textio::NumberSource* generated = nullptr;
  textio::FieldStream header;  // until the header lines are skipped
  std::unique_ptr<textio::ParallelFieldStream> uniform;
  textio::TextWriter output;
  bool alive = true;
};

job::Outcome run(const LocalRunInput& input, const std::vector<Realization>& realizations,
                 job::Hooks& hooks) {
  const std::string probability_path(textio::trim_blanks(input.probability_path));
  std::vector<Draw> draws(realizations.size());
  for (std::size_t r = 0; r < realizations.size(); ++r) {
    draws[r].uniform_path = std::string(textio::trim_blanks(realizations[r].uniform_path));
    draws[r].uniform_skip = realizations[r].uniform_skip;
    draws[r].output_path = std::string(textio::trim_blanks(realizations[r].output_path));
    draws[r].generated = realizations[r].generated;
  }
  // No output may be any input of the pass, nor another realization's output.
  std::vector<std::string> inputs{probability_path}, outputs;
  for (const Draw& draw : draws) {
    if (!draw.generated) inputs.push_back(draw.uniform_path);
    outputs.push_back(draw.output_path);
  }
  if (textio::any_output_clashes(inputs, outputs)) return job::Outcome::refused(messages::kSameFile);
  // Told before any output is created: a pass that runs out of descriptors part way would leave
  // empty outputs behind. Each realization holds two files; the probabilities, the standard
  // streams and the libraries' own want a few more.
  const int wanted = static_cast<int>(std::min<std::size_t>(2 * draws.size() + 1, 1 << 24));
  const int allowed = textio::system_files::open_file_allowance(wanted, kReservedFiles);
  if (allowed < wanted) {
    return job::Outcome::refused(messages::too_many_realizations(
        draws.size(), static_cast<std::size_t>(std::max(allowed - 1, 0) / 2)));
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kCalculationFailed);

  const double whole_n = std::floor(input.thresholds);
  const double whole_nodes = std::floor(input.nodes);
  // Counts that no import can give (the limits array too short for n) fail like bad input.
  if (draws.empty() || !(whole_n >= 0) || whole_n > 100000 ||
      input.limits.size() < static_cast<std::size_t>(whole_n) + 2) {
    return failed;
  }
  const int n = static_cast<int>(whole_n);

  // A realization whose uniform file fails stops alone; the probability data file or a write
  // stops them all. With one realization, that is one and the same failure.
  std::string realization_failures;
  std::size_t alive = draws.size();
  const auto drop = [&](Draw& draw) {
    draw.alive = false;
    --alive;
    realization_failures += realization_failures.empty() ? "" : "\n";
    realization_failures += std::string(messages::kCalculationFailed) + "\n" + draw.uniform_path;
  };
  const auto ending = [&]() {
    if (draws.size() == 1 || realization_failures.empty()) return failed;
    return job::Outcome::failed(realization_failures);
  };

  for (Draw& draw : draws) {
    if (!draw.generated && !draw.header.open(draw.uniform_path)) drop(draw);
  }
  // The probabilities, most of what the run reads, are parsed ahead on the other cores.
  textio::ParallelFieldStream probability;
  if (alive == 0) return ending();
  bool header_read = false;
  if (!probability.open(probability_path, input.probability_skip, header_read)) return failed;
  for (Draw& draw : draws) {
    if (!draw.alive) continue;
    if (!draw.output.create(draw.output_path) || !textio::write_output_header(draw.output, input.header)) {
      return failed;
    }
  }
  for (Draw& draw : draws) {
    if (draw.alive && !draw.generated && !draw.header.skip_lines(draw.uniform_skip)) drop(draw);
  }
  if (alive == 0) return ending();
  if (!header_read) return failed;
  // The uniform files are parsed ahead as well, one worker each while their threads stay few;
  // more share the run's thread.
  const int uniform_workers = draws.size() <= kMostUniformWorkers ? 1 : 0;
  for (Draw& draw : draws) {
    if (!draw.alive || draw.generated) continue;
    draw.uniform = std::make_unique<textio::ParallelFieldStream>(uniform_workers);
    if (!draw.uniform->read_on(std::move(draw.header))) drop(draw);
  }
  if (alive == 0) return ending();

  std::vector<double> c(static_cast<std::size_t>(n) + 3, 0.0);
  const double* limits = input.limits.data();
  const std::uint64_t nodes = whole_nodes >= 1 ? static_cast<std::uint64_t>(whole_nodes) : 0;
  std::uint64_t bytes_total = textio::file_size_or_zero(probability_path);
  for (const Draw& draw : draws) {
    if (!draw.generated) bytes_total += textio::file_size_or_zero(draw.uniform_path);
  }
  const auto bytes_read = [&]() {
    std::uint64_t bytes = probability.bytes_consumed();
    for (const Draw& draw : draws) bytes += draw.uniform ? draw.uniform->bytes_consumed() : 0;
    return bytes;
  };
  // The node's uniform values, read before its probabilities as a single run reads them.
  std::vector<double> u(draws.size(), 0.0);
  job::ProgressTicker ticker(hooks, bytes_total, nodes);
  for (std::uint64_t i = 0; i < nodes; ++i) {
    if (!ticker.tick(bytes_read(), i)) return job::Outcome::cancelled(job::kRunCancelled);
    for (std::size_t r = 0; r < draws.size(); ++r) {
      if (!draws[r].alive) continue;
      Draw& draw = draws[r];
      const textio::ReadStatus read =
          draw.generated ? draw.generated->next_number(u[r]) : draw.uniform->next_number(u[r]);
      if (read != textio::ReadStatus::Ok) {
        drop(draws[r]);
        continue;
      }
      u[r] = clip01(u[r]);
    }
    if (alive == 0) return ending();
    for (int j = 1; j <= n; ++j) {
      double x = 0;
      if (probability.next_number(x) != textio::ReadStatus::Ok) return failed;
      c[j] = clip01(x);
    }
    c[0] = 0;
    c[n + 1] = 1;
    for (std::size_t r = 0; r < draws.size(); ++r) {
      Draw& draw = draws[r];
      if (!draw.alive) continue;
      if (input.continuous) {
        const NodeResult node = simulate_node(u[r], c.data(), n, limits);
        // Limits near the ends of the range can overflow; no mask can write what is not a number.
        // That ends this realization alone, as a run of its uniform file alone would end.
        if (!std::isfinite(node.z)) {
          drop(draw);
          continue;
        }
        textio::append_mask_fixed3(draw.output.line(), node.z);
      } else {
        textio::append_print_number(draw.output.line(), static_cast<double>(find_class(u[r], c.data(), n)));
      }
      if (!draw.output.end_line()) return failed;
    }
    if (alive == 0) return ending();
  }
  ticker.finish(bytes_read(), nodes);
  for (Draw& draw : draws) {
    if (draw.output.is_open() && !draw.output.close()) return failed;
  }
  if (!realization_failures.empty()) return ending();
  return job::Outcome::done(messages::kCalculationFinished);
}

}  // namespace

job::Outcome run_local_ccdf(const LocalRunInput& input, job::Hooks& hooks) {
  const Realization single{input.uniform_path, input.uniform_skip, input.output_path};
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, {single}, hooks); });
}

job::Outcome run_local_realizations(const LocalRunInput& input, const std::vector<Realization>& realizations,
                                    job::Hooks& hooks) {
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, realizations, hooks); });
}
}  // namespace meldrit::pfield_local
