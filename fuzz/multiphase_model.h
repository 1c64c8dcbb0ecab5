#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "job/outcome.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "textio/number_format.h"

namespace meldrit::fuzz {

// The inputs of a multiphase run as texts, for the model below.
struct MultiphaseTexts {
  double phases = 1;
  double variable_classes = 1;
  long long nodes = 1;
  std::string_view bihistogram;
  bool by_phase = false;  // a multiphase data file is given
  std::string_view multiphase;
  double multiphase_skip = 0;
  bool by_class = false;  // a variable data file is given
  std::string_view variable;
  double variable_skip = 0;
  std::vector<std::string_view> phase_uniform;  // one per phase row
  std::vector<double> phase_skip;
};

struct MultiphaseResult {
  job::Outcome outcome;
  std::string output;
};

// The multiphase set ccdf run read off its rules, with the interval of every node searched point by
// point (the run itself takes a shortcut when F never decreases).
inline MultiphaseResult expected_multiphase(const MultiphaseTexts& in) {
  namespace messages = pfield_multiphase::messages;
  MultiphaseResult result;
  auto fail = [&result](std::string_view message) {
    result.outcome = job::Outcome::failed(message);
    return result;
  };
  auto count = [](double value) -> long long {
    return value >= 1 ? static_cast<long long>(std::floor(value)) : 0;
  };
  const long long phase_count = count(in.phases);
  const long long class_count = count(in.variable_classes);

  // A field that is no number reads as 0 and counts as read.
  auto number = [](FieldModel& model, double& value) {
    return model.next_number(value) != FieldModel::Status::End;
  };
  FieldModel bihistogram(in.bihistogram);
  double value = 0;
  if (!number(bihistogram, value)) return fail(messages::kBihistogramShort);
  if (value != in.phases) return fail(messages::kInvalidBihistogram);
  if (!number(bihistogram, value)) return fail(messages::kBihistogramShort);
  if (value != in.variable_classes) return fail(messages::kInvalidBihistogram);
  struct Table {
    std::vector<float> z, f;
  };
  std::vector<Table> tables;
  for (long long block = 0; block < phase_count * class_count; ++block) {
    if (!number(bihistogram, value) || !number(bihistogram, value) || !number(bihistogram, value)) {
      return fail(messages::kBihistogramShort);
    }
    const double points = std::nearbyint(value);
    if (!(points >= 2 && points <= 50)) return fail(messages::kInvalidPointCount);
    Table& table = tables.emplace_back();
    for (int k = 0; k < points; ++k) {
      if (!number(bihistogram, value)) return fail(messages::kBihistogramShort);
      table.z.push_back(static_cast<float>(value));
      if (!number(bihistogram, value)) return fail(messages::kBihistogramShort);
      table.f.push_back(static_cast<float>(value));
    }
  }

  FieldModel multiphase(in.multiphase), variable(in.variable);
  multiphase.skip_lines(in.multiphase_skip);
  variable.skip_lines(in.variable_skip);
  std::vector<FieldModel> phase_files;
  for (long long q = 0; q < phase_count; ++q) {
    phase_files.emplace_back(in.phase_uniform[static_cast<std::size_t>(q)]);
    phase_files.back().skip_lines(in.phase_skip[static_cast<std::size_t>(q)]);
  }
  for (long long node = 0; node < in.nodes; ++node) {
    double code = 1;
    if (in.by_phase && !number(multiphase, code)) {
      return fail(messages::ends_before_last_node(messages::kMultiphaseFileName));
    }
    if (code < 1 || code > in.phases) return fail(messages::kPhaseError);
    const long long p = static_cast<long long>(std::nearbyint(code));
    code = 1;
    if (in.by_class && !number(variable, code)) {
      return fail(messages::ends_before_last_node(messages::kVariableFileName));
    }
    if (code < 1 || code > in.variable_classes) return fail(messages::kVariableClassError);
    const long long c = static_cast<long long>(std::nearbyint(code));

    float u = 0;
    for (long long q = 1; q <= phase_count; ++q) {
      double read = 0;
      if (!number(phase_files[static_cast<std::size_t>(q - 1)], read)) {
        return fail(messages::ends_before_last_node(messages::phase_file_name(static_cast<int>(q))));
      }
      if (q == p) u = static_cast<float>(read);
    }

    float z_lo = 0, z_hi = 0, f_lo = 0, f_hi = 0;
    if (p <= phase_count && c <= class_count) {
      const Table& table = tables[static_cast<std::size_t>((p - 1) * class_count + (c - 1))];
      for (int k = static_cast<int>(table.f.size()) - 2; k >= 0; --k) {
        if (table.f[k] <= u && u <= table.f[k + 1]) {
          z_lo = table.z[k], z_hi = table.z[k + 1], f_lo = table.f[k], f_hi = table.f[k + 1];
          break;
        }
      }
    }
    float simulated = z_lo;
    if (f_hi - f_lo > 0.0f) simulated = z_lo + (u - f_lo) * (z_hi - z_lo) / (f_hi - f_lo);
    if (!std::isfinite(simulated)) return fail(messages::value_out_of_range(node + 1));
    textio::append_mask_hash3(result.output, static_cast<double>(simulated), 7);
    result.output += "\r\n";
  }
  result.outcome = job::Outcome::done(messages::kCompleted);
  return result;
}

inline std::string summary(const job::Outcome& outcome, const std::string& output) {
  return std::to_string(static_cast<int>(outcome.ending)) + " [" + outcome.message + "] [" +
         outcome.follow_up + "]\n" + output;
}

}  // namespace meldrit::fuzz
