#include "pfield_local/local_run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "pfield_local/local_messages.h"
#include "textio/background_lines.h"
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
constexpr std::size_t kMostBackgroundOutputs = 16;

// One realization of a pass: its uniform file, its output, and whether it is still going.
struct Draw {
  std::string uniform_path;
  double uniform_skip = 0;
  std::string output_path;
  textio::NumberSource* generated = nullptr;
  textio::FieldStream header;  // until the header lines are skipped
  std::unique_ptr<textio::ParallelFieldStream> uniform;
  std::unique_ptr<textio::BackgroundLines> output;
  bool alive = true;
};

// The output forms: a value inside its class, or the class number.
constexpr textio::BackgroundLines::Form kValueForm{
    [](char* at, double z) { return textio::write_mask_fixed3(at, z); },
    [](std::string& line, double z) { textio::append_mask_fixed3(line, z); }};
constexpr textio::BackgroundLines::Form kClassForm{
    [](char* at, double k) { return textio::write_print_number(at, k); },
    [](std::string& line, double k) { textio::append_print_number(line, k); }};

// The refusals made before anything is opened: an output that is an input of the pass or another
// realization's output, and more realizations than the process may hold files open for.
// `files(r)` gives realization r's uniform path (null when its values are generated) and output path.
template <typename Files>
std::optional<job::Outcome> refusal(const std::string& probability_path, std::size_t count, Files files) {
  std::vector<std::string> inputs{probability_path}, outputs;
  for (std::size_t r = 0; r < count; ++r) {
    const auto [uniform, output] = files(r);
    if (uniform != nullptr) inputs.push_back(*uniform);
    outputs.push_back(*output);
  }
  if (textio::any_output_clashes(inputs, outputs)) return job::Outcome::refused(messages::kSameFile);
  // Told before any output is created: a pass that runs out of descriptors part way would leave
  // empty outputs behind. Each realization holds two files; the probabilities, the standard
  // streams and the libraries' own want a few more.
  const int wanted = static_cast<int>(std::min<std::size_t>(2 * count + 1, 1 << 24));
  const int allowed = textio::system_files::open_file_allowance(wanted, kReservedFiles);
  if (allowed < wanted) {
    return job::Outcome::refused(
        messages::too_many_realizations(count, static_cast<std::size_t>(std::max(allowed - 1, 0) / 2)));
  }
  return std::nullopt;
}

job::Outcome run(const LocalRunInput& input, const std::vector<Realization>& realizations,
                 ImportAlongside* along, job::Hooks& hooks) {
  const std::string probability_path(textio::trim_blanks(input.probability_path));
  std::vector<Draw> draws(realizations.size());
  for (std::size_t r = 0; r < realizations.size(); ++r) {
    draws[r].uniform_path = std::string(textio::trim_blanks(realizations[r].uniform_path));
    draws[r].uniform_skip = realizations[r].uniform_skip;
    draws[r].output_path = std::string(textio::trim_blanks(realizations[r].output_path));
    draws[r].generated = realizations[r].generated;
  }
  // No output may be any input of the pass, nor another realization's output.
  if (along == nullptr) {
    const std::optional<job::Outcome> refused = refusal(probability_path, draws.size(), [&](std::size_t r) {
      return std::pair{draws[r].generated ? nullptr : &draws[r].uniform_path, &draws[r].output_path};
    });
    if (refused) return *refused;
    hooks.checks_passed();
  } else {
    for (std::size_t r = 0; r < draws.size(); ++r) draws[r].output_path = along->staged_outputs.at(r);
  }
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
  // The pass itself; an importing pass reads the probabilities to the end after it, whatever it
  // ended with.
  const std::uint64_t checked_from = along != nullptr ? static_cast<std::uint64_t>(n) : 0;
  std::uint64_t values_read = 0;
  bool first_line_read = true;  // a failure inside it leaves the import's verdict to the caller
  std::optional<job::ProgressTicker> ticker;
  std::uint64_t bytes_total = textio::file_size_or_zero(probability_path);
  for (const Draw& draw : draws) {
    if (!draw.generated) bytes_total += textio::file_size_or_zero(draw.uniform_path);
  }
  const job::Outcome outcome = [&]() -> job::Outcome {
    // Lines are formatted and written on threads of their own while few enough of them go round the
    // cores with the readers; more are written on the run's thread.
    const bool background = draws.size() <= kMostBackgroundOutputs;
    for (Draw& draw : draws) {
      if (!draw.alive) continue;
      draw.output =
          std::make_unique<textio::BackgroundLines>(input.continuous ? kValueForm : kClassForm, background);
      if (!draw.output->create(draw.output_path, input.header)) return failed;
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
    const auto bytes_read = [&]() {
      std::uint64_t bytes = probability.bytes_consumed();
      for (const Draw& draw : draws) bytes += draw.uniform ? draw.uniform->bytes_consumed() : 0;
      return bytes;
    };
    // The node's uniform values, read before its probabilities as a single run reads them.
    std::vector<double> u(draws.size(), 0.0);
    // An importing pass counts the values checked, as the import does.
    ticker.emplace(hooks, bytes_total, along != nullptr ? 0 : nodes);
    for (std::uint64_t i = 0; i < nodes; ++i) {
      if (!ticker->tick(bytes_read(), along != nullptr ? along->checks.values() : i)) {
        return job::Outcome::cancelled(job::kRunCancelled);
      }
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
        const textio::ReadStatus status = probability.next_number(x);
        if (values_read++ >= checked_from && along != nullptr) along->checks.take(status, x);
        if (status != textio::ReadStatus::Ok) {
          first_line_read = values_read > checked_from;
          return failed;
        }
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
          if (!draw.output->push(node.z)) return failed;
        } else if (!draw.output->push(static_cast<double>(find_class(u[r], c.data(), n)))) {
          return failed;
        }
      }
      if (alive == 0) return ending();
    }
    if (along == nullptr) ticker->finish(bytes_read(), nodes);
    for (Draw& draw : draws) {
      if (draw.output && !draw.output->close()) return failed;
    }
    if (!realization_failures.empty()) return ending();
    return job::Outcome::done(messages::kCalculationFinished);
  }();
  if (along != nullptr && outcome.ending != job::Ending::Cancelled && values_read >= checked_from &&
      first_line_read) {
    if (!ticker) ticker.emplace(hooks, 0, 0);
    for (;;) {
      double x = 0;
      const textio::ReadStatus status = probability.next_number(x);
      if (!along->checks.take(status, x)) break;
      if (along->checks.line_done() && !ticker->tick(probability.bytes_consumed(), along->checks.values())) {
        return job::Outcome::cancelled(job::kRunCancelled);
      }
    }
    if (along->checks.verdict() == ImportChecks::Verdict::Passed)
      ticker->finish(bytes_total, along->checks.values());
  }
  return outcome;
}

}  // namespace

job::Outcome run_local_ccdf(const LocalRunInput& input, job::Hooks& hooks) {
  const Realization single{input.uniform_path, input.uniform_skip, input.output_path};
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, {single}, nullptr, hooks); });
}

job::Outcome run_local_realizations(const LocalRunInput& input, const std::vector<Realization>& realizations,
                                    job::Hooks& hooks) {
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, realizations, nullptr, hooks); });
}

std::optional<job::Outcome> local_run_refusal(const LocalRunInput& input,
                                              const std::vector<Realization>& realizations) {
  const std::string probability_path(textio::trim_blanks(input.probability_path));
  std::vector<std::string> uniforms, outputs;
  for (const Realization& realization : realizations) {
    uniforms.emplace_back(textio::trim_blanks(realization.uniform_path));
    outputs.emplace_back(textio::trim_blanks(realization.output_path));
  }
  return refusal(probability_path, realizations.size(), [&](std::size_t r) {
    return std::pair{realizations[r].generated ? nullptr : &uniforms[r], &outputs[r]};
  });
}

job::Outcome run_local_importing(const LocalRunInput& input, const std::vector<Realization>& realizations,
                                 ImportAlongside& along, job::Hooks& hooks) {
  return job::guarded(messages::kCalculationFailed, [&] { return run(input, realizations, &along, hooks); });
}
}  // namespace meldrit::pfield_local
