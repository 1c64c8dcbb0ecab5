#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "multiphase_model.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/local_run.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_run.h"
#include "textio/number_format.h"

using meldrit::fuzz::FieldModel;
using meldrit::fuzz::ScratchFile;
using meldrit::job::Outcome;

namespace {

constexpr int kMostPhases = 4;
constexpr int kMostClasses = 3;

enum class Role { Probability, Uniform, PhaseCodes, ClassCodes };

// What one input asks for, decoded from its three control bytes.
struct Setup {
  Role role;
  double skip;      // header lines of the fuzzed file
  unsigned block;   // read block choice
  bool flag;        // local: continuous output; multiphase: the fuzzed file is every phase's uniform file too
  bool odd_limits;  // local: class limits that neither start at 0 nor increase
  int thresholds;   // local: n
  long long nodes;
  bool realizations;  // local: two realizations in one pass rather than one run
  bool lf_run;        // the fuzzed file with LF line ends is run too
};

Setup decode(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2) {
  Setup s;
  s.role = static_cast<Role>(c0 & 3);
  s.skip = (c0 >> 2) & 3;
  s.block = (c0 >> 4) & 3;
  s.flag = c0 & 0x40;
  s.odd_limits = c0 & 0x80;
  const bool local = s.role == Role::Probability || s.role == Role::Uniform;
  s.thresholds = 1 + (c1 & 7);
  s.nodes = local ? 1 + ((c1 >> 3) & 15) : 1 + (c1 & 63);
  s.realizations = local && (c1 & 0x80);
  s.lf_run = c2 & 1;
  return s;
}

std::vector<double> class_limits(const Setup& s) {
  std::vector<double> limits;
  for (int j = 0; j <= s.thresholds + 1; ++j) {
    limits.push_back(s.odd_limits ? (j % 3 == 1 ? -2.5 * j : 1000.125 * j - 7) : 10.0 * j);
  }
  return limits;
}

// The files that are not fuzzed: uniform values for every node (one a line), and probabilities
// that rise through 0..1 in n steps for every node.
std::string fixed_uniform() {
  std::string text;
  for (int k = 0; k < 64; ++k) text += meldrit::textio::plain_number(((k * 29) % 41) / 40.0) + "\r\n";
  return text;
}

const std::string& fixed_probabilities(int n) {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> texts(9);
    for (int n = 1; n <= 8; ++n) {
      for (int node = 0; node < 32; ++node) {
        for (int j = 1; j <= n; ++j) {
          texts[n] +=
              meldrit::textio::plain_number((j + (node % 3 == 0 && j > 1 ? 0.0 : node % 5 / 4.0)) / (n + 1));
          texts[n] += j < n ? " " : "\r\n";
        }
      }
    }
    return texts;
  }();
  return files[n];
}

// The shortest text that reads back as exactly `value`: the bihistogram header must equal the counts.
std::string exact(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// A bihistogram data file for the counts: every table three points from its own z range.
std::string fixed_bihistogram(double phases, double classes) {
  std::string text = exact(phases) + " " + exact(classes) + "\r\n";
  const long long tables = static_cast<long long>(phases) * static_cast<long long>(classes);
  for (long long t = 0; t < tables; ++t) {
    text += "0 0 3\r\n" + std::to_string(10 * t) + " 0\r\n" + std::to_string(10 * t + 5) + " .5\r\n" +
            std::to_string(10 * t + 10) + " 1\r\n";
  }
  return text;
}

std::string outcome_text(const Outcome& outcome) {
  return std::to_string(static_cast<int>(outcome.ending)) + " [" + outcome.message + "] [" +
         outcome.follow_up + "]";
}

std::string import_text(const meldrit::pfield_multiphase::ImportResult& r) {
  return "import " + outcome_text(r.outcome) + " set " + std::to_string(r.counts_set) + " rows " +
         std::to_string(r.grid_rows) + " P " + r.phases_caption + " " + exact(r.phases) + " V " +
         r.variable_classes_caption + " " + exact(r.variable_classes) + " prepared " +
         std::to_string(r.prepared_rows) + "\n";
}

// Whether a completed import leads on to a run here: few enough phases and classes for the fixed files.
bool runs_after(const meldrit::pfield_multiphase::ImportResult& r) {
  return r.outcome.completed() && r.phases >= 1 && r.phases < kMostPhases + 1 && r.variable_classes >= 1 &&
         r.variable_classes < kMostClasses + 1;
}

// One realization of a local pass: its uniform file, as a path and as text, and its header lines.
struct UniformFile {
  std::string path;
  std::string_view text;
  double skip;
};

// The realizations a local input asks for: the first reads the fuzzed file in its role, a second the
// fixed uniform file (past a header line it does not have, when the fuzzed file is the probabilities).
std::vector<UniformFile> uniform_files(const Setup& s, const ScratchFile& fuzzed, std::string_view text,
                                       const ScratchFile& fixed, std::string_view fixed_text) {
  std::vector<UniformFile> files;
  if (s.role == Role::Uniform) {
    files.push_back({fuzzed.path(), text, s.skip});
  } else {
    files.push_back({fixed.path(), fixed_text, 0});
  }
  if (s.realizations) files.push_back({fixed.path(), fixed_text, s.role == Role::Uniform ? 0.0 : 1.0});
  return files;
}

// The local ccdf pass read off its rules: the outcome, then every realization's output.
std::string expected_local(const Setup& s, std::string_view probabilities,
                           const std::vector<UniformFile>& uniform) {
  namespace messages = meldrit::pfield_local::messages;
  const int n = s.thresholds;
  const std::vector<double> limits = class_limits(s);
  const std::size_t count = uniform.size();
  std::vector<std::string> outputs(count);
  // A realization whose uniform file fails stops alone, named after the message; the probability
  // data file stops all, with the message alone, as does a single run.
  std::string failures;
  std::vector<FieldModel> u_files;
  std::vector<bool> alive(count, true);
  std::size_t alive_count = count;
  auto drop = [&](std::size_t r) {
    alive[r] = false;
    --alive_count;
    failures +=
        (failures.empty() ? "" : "\n") + std::string(messages::kCalculationFailed) + "\n" + uniform[r].path;
  };
  auto result = [&](const Outcome& outcome) {
    std::string text = outcome_text(outcome);
    for (const std::string& output : outputs) text += "\n--\n" + output;
    return text;
  };
  const Outcome failed = Outcome::failed(messages::kCalculationFailed);
  auto ending = [&] { return result(count == 1 || failures.empty() ? failed : Outcome::failed(failures)); };

  FieldModel c_file(probabilities);
  for (std::size_t r = 0; r < count; ++r) {
    u_files.emplace_back(uniform[r].text);
    if (!u_files[r].skip_lines(uniform[r].skip)) drop(r);
  }
  if (alive_count == 0) return ending();
  if (!c_file.skip_lines(s.role == Role::Probability ? s.skip : 0)) return result(failed);
  auto clip = [](double x) { return x < 0 ? 0 : x > 1 ? 1 : x; };
  std::vector<double> c(static_cast<std::size_t>(n) + 2), u(count);
  for (long long node = 0; node < s.nodes; ++node) {
    for (std::size_t r = 0; r < count; ++r) {
      if (!alive[r]) continue;
      if (u_files[r].next_number(u[r]) != FieldModel::Status::Ok) {
        drop(r);
        continue;
      }
      u[r] = clip(u[r]);
    }
    if (alive_count == 0) return ending();
    for (int j = 1; j <= n; ++j) {
      if (c_file.next_number(c[j]) != FieldModel::Status::Ok) return result(failed);
      c[j] = clip(c[j]);
    }
    c[0] = 0;
    c[n + 1] = 1;
    for (std::size_t r = 0; r < count; ++r) {
      if (!alive[r]) continue;
      // The first class whose interval holds u; past all of them, the last class.
      int k = n + 1;
      for (int j = 0; j <= n; ++j) {
        if ((j == 0 || c[j] <= u[r]) && u[r] < c[j + 1]) {
          k = j + 1;
          break;
        }
      }
      if (s.flag) {
        const double upper = c[k] == c[k - 1] ? c[k - 1] + 0.001 : c[k];
        const double z = limits[k - 1] + (u[r] - c[k - 1]) * (limits[k] - limits[k - 1]) / (upper - c[k - 1]);
        if (!std::isfinite(z)) return result(failed);
        meldrit::textio::append_mask_fixed3(outputs[r], z);
      } else {
        meldrit::textio::append_print_number(outputs[r], static_cast<double>(k));
      }
      outputs[r] += "\r\n";
    }
  }
  if (!failures.empty()) return ending();
  return result(Outcome::done(messages::kCalculationFinished));
}

// The multiphase import read off its rules: the largest code of the one file given.
meldrit::pfield_multiphase::ImportResult expected_import(const Setup& s, std::string_view codes) {
  meldrit::pfield_multiphase::ImportResult result;
  result.outcome = Outcome::failed(meldrit::pfield_multiphase::messages::kImportError);
  FieldModel file(codes);
  file.skip_lines(s.skip);
  double largest = -1000;
  for (double code = 0;;) {
    const FieldModel::Status status = file.next_number(code);
    if (status == FieldModel::Status::End) break;
    if (status == FieldModel::Status::NotNumeric) return result;
    if (code > largest) largest = code;
  }
  const double phases = s.role == Role::PhaseCodes ? largest : 1;
  const double classes = s.role == Role::ClassCodes ? largest : 1;
  const double rows = std::nearbyint(phases + 1);
  if (!(rows >= 1 && rows <= meldrit::pfield_multiphase::class_table_row_limit())) return result;
  result.counts_set = true;
  result.grid_rows = static_cast<int>(rows);
  result.phases = phases;
  result.variable_classes = classes;
  result.phases_caption = meldrit::textio::plain_number(phases);
  result.variable_classes_caption = meldrit::textio::plain_number(classes);
  if (phases <= 0 || classes <= 0) return result;
  result.prepared_rows = static_cast<int>(std::min<double>(std::floor(phases), rows - 1));
  result.outcome = Outcome::done();
  return result;
}

std::string expected_multiphase(const Setup& s, std::string_view codes, const std::string& uniform) {
  const meldrit::pfield_multiphase::ImportResult import = expected_import(s, codes);
  std::string text = import_text(import);
  if (!runs_after(import)) return text;
  const std::string bihistogram = fixed_bihistogram(import.phases, import.variable_classes);
  meldrit::fuzz::MultiphaseTexts in;
  in.phases = import.phases;
  in.variable_classes = import.variable_classes;
  in.nodes = s.nodes;
  in.bihistogram = bihistogram;
  if (s.role == Role::PhaseCodes) {
    in.by_phase = true, in.multiphase = codes, in.multiphase_skip = s.skip;
  } else {
    in.by_class = true, in.variable = codes, in.variable_skip = s.skip;
  }
  for (int q = 0; q < static_cast<int>(import.phases); ++q) {
    in.phase_uniform.push_back(s.flag ? codes : std::string_view(uniform));
    in.phase_skip.push_back(s.flag ? s.skip : 0);
  }
  const meldrit::fuzz::MultiphaseResult result = meldrit::fuzz::expected_multiphase(in);
  return text + outcome_text(result.outcome) + "\n" + result.output;
}

struct Files {
  ScratchFile fuzzed{"fuzzed"}, uniform{"uniform"}, probabilities{"probabilities"},
      bihistogram{"bihistogram"};
  ScratchFile outputs[2] = {ScratchFile("output"), ScratchFile("output")};
  std::string uniform_text = fixed_uniform();
  Files() { uniform.assign(uniform_text); }
};

// The operations the input asks for on `text`: what they ended with and wrote, in the form of
// expected_operations().
std::string run_operations(const Setup& s, std::string_view text, Files& files, unsigned block) {
  files.fuzzed.assign(text);
  for (ScratchFile& output : files.outputs) output.assign({});
  meldrit::fuzz::StreamBlock small(meldrit::fuzz::block_choice(block));
  const std::string skip_text = meldrit::textio::plain_number(s.skip);
  if (s.role == Role::Probability || s.role == Role::Uniform) {
    const std::vector<UniformFile> uniform =
        uniform_files(s, files.fuzzed, text, files.uniform, files.uniform_text);
    meldrit::pfield_local::LocalRunInput in;
    const bool probabilities = s.role == Role::Probability;
    in.probability_path = probabilities ? files.fuzzed.path() : files.probabilities.path();
    in.probability_skip = probabilities ? s.skip : 0;
    in.nodes = static_cast<double>(s.nodes);
    in.thresholds = s.thresholds;
    in.limits = class_limits(s);
    in.continuous = s.flag;
    Outcome outcome;
    if (s.realizations) {
      std::vector<meldrit::pfield_local::Realization> realizations;
      for (std::size_t r = 0; r < uniform.size(); ++r) {
        realizations.push_back({uniform[r].path, uniform[r].skip, files.outputs[r].path()});
      }
      outcome = meldrit::pfield_local::run_local_realizations(in, realizations);
    } else {
      in.uniform_path = uniform[0].path;
      in.uniform_skip = uniform[0].skip;
      in.output_path = files.outputs[0].path();
      outcome = meldrit::pfield_local::run_local_ccdf(in);
    }
    std::string result = outcome_text(outcome);
    for (std::size_t r = 0; r < uniform.size(); ++r) result += "\n--\n" + files.outputs[r].contents();
    return result;
  }

  meldrit::pfield_multiphase::ImportInputs import_in;
  (s.role == Role::PhaseCodes ? import_in.multiphase_path : import_in.variable_path) = files.fuzzed.path();
  (s.role == Role::PhaseCodes ? import_in.multiphase_skip : import_in.variable_skip) = skip_text;
  const meldrit::pfield_multiphase::ImportResult import =
      meldrit::pfield_multiphase::import_data_files(import_in);
  std::string result = import_text(import);
  if (!runs_after(import)) return result;
  files.bihistogram.assign(fixed_bihistogram(import.phases, import.variable_classes));
  meldrit::pfield_multiphase::RunInputs in;
  in.nx = static_cast<double>(s.nodes);
  in.phases = import.phases;
  in.variable_classes = import.variable_classes;
  in.bihistogram_path = files.bihistogram.path();
  if (s.role == Role::PhaseCodes) {
    in.multiphase_path = files.fuzzed.path(), in.multiphase_skip = s.skip;
  } else {
    in.variable_path = files.fuzzed.path(), in.variable_skip = s.skip;
  }
  for (int q = 0; q < static_cast<int>(import.phases); ++q) {
    in.class_rows.push_back(s.flag ? meldrit::pfield_multiphase::ClassRow{skip_text, files.fuzzed.path()}
                                   : meldrit::pfield_multiphase::ClassRow{"0", files.uniform.path()});
  }
  in.output_path = files.outputs[0].path();
  const Outcome outcome = meldrit::pfield_multiphase::run_multiphase(in);
  return result + outcome_text(outcome) + "\n" + files.outputs[0].contents();
}

std::string expected_operations(const Setup& s, std::string_view text, const Files& files) {
  switch (s.role) {
    case Role::Probability:
      return expected_local(s, text, uniform_files(s, files.fuzzed, text, files.uniform, files.uniform_text));
    case Role::Uniform:
      return expected_local(s, fixed_probabilities(s.thresholds),
                            uniform_files(s, files.fuzzed, text, files.uniform, files.uniform_text));
    case Role::PhaseCodes:
    case Role::ClassCodes:
      break;
  }
  return expected_multiphase(s, text, files.uniform_text);
}

}  // namespace

// The per-node files of both p-field jobs, fuzzed one role at a time beside small fixed files: the
// probability data file or the uniform file of the local ccdf run, or the multiphase or variable
// data file of the multiphase import and the run after it. Outcome and output are held against a
// plain reading of the rules; the file with LF line ends, through another block, must give the same.
// Several realizations in one pass must each write what a run of its uniform file alone writes.
// First control byte: bits 0-1 the role, bits 2-3 header lines, bits 4-5 the read block, bit 6
// continuous output (local) or the fuzzed file as every phase's uniform file too (multiphase),
// bit 7 odd class limits. Second: local bits 0-2 n - 1, bits 3-6 nodes - 1, bit 7 two
// realizations in one pass; multiphase bits 0-5 nodes - 1. Third: bit 0 the LF run too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Files files;
  const meldrit::fuzz::Input<3> input(data, size);
  const Setup s = decode(input.control[0], input.control[1], input.control[2]);
  const std::string_view text = input.text;
  if (s.role == Role::Uniform) files.probabilities.assign(fixed_probabilities(s.thresholds));

  const std::string want = expected_operations(s, text, files);
  const std::string got = run_operations(s, text, files, s.block);
  meldrit::fuzz::check(got == want, "operations differ from the rules",
                       [&] { return "got:  " + got + "\nwant: " + want; });

  if (!s.lf_run) return 0;
  const std::string lf = meldrit::fuzz::lf_line_ends(text);
  if (lf == text) return 0;
  const std::string again = run_operations(s, lf, files, s.block + 1);
  meldrit::fuzz::check(again == want, "operations change with LF line ends",
                       [&] { return "got:  " + again + "\nwant: " + want; });
  return 0;
}
