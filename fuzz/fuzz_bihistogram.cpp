#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "multiphase_model.h"
#include "pfield_multiphase/multiphase_run.h"

using meldrit::fuzz::ScratchFile;

namespace {

constexpr int kMostPhases = 4;
constexpr int kMostClasses = 3;
constexpr int kMostNodes = 16 * 4;

// The per-node files beside the bihistogram data file, the same for every input: one uniform file
// per phase (from phase 2 on after a header line), and a multiphase and a variable data file for
// every whole phase and class count, whose codes stay within that count (with halves that round
// to even among them).
struct NodeFiles {
  std::vector<std::string> uniform, multiphase, variable;
  std::vector<std::unique_ptr<ScratchFile>> uniform_files, multiphase_files, variable_files;

  NodeFiles() {
    for (int q = 1; q <= kMostPhases; ++q) {
      std::string text = q > 1 ? "u of phase " + std::to_string(q) + "\r\n" : "";
      for (int k = 0; k < kMostNodes; ++k) {
        text += meldrit::textio::plain_number(((k * 37 + q * 11) % 23) / 22.0) + "\r\n";
      }
      add(uniform, uniform_files, text, "uniform");
    }
    for (int p = 1; p <= kMostPhases; ++p) {
      std::string text = "phase codes\r\n";
      for (int k = 0; k < kMostNodes; ++k) {
        const char* code = p >= 2 && k % 7 == 3 ? "1.5" : p >= 3 && k % 11 == 5 ? "2.5" : nullptr;
        text += code ? code : std::to_string(1 + k % p);
        text += k % 8 == 7 ? "\r\n" : " ";
      }
      add(multiphase, multiphase_files, text, "multiphase");
    }
    for (int c = 1; c <= kMostClasses; ++c) {
      std::string text;
      for (int k = 0; k < kMostNodes; ++k)
        text += std::to_string(1 + (k / 2) % c) + (k % 5 == 4 ? "\r\n" : ",");
      add(variable, variable_files, text, "variable");
    }
  }

  static void add(std::vector<std::string>& texts, std::vector<std::unique_ptr<ScratchFile>>& files,
                  const std::string& text, const char* role) {
    texts.push_back(text);
    files.push_back(std::make_unique<ScratchFile>(role));
    files.back()->assign(text);
  }
};

}  // namespace

// The bihistogram data file of the multiphase run: "P V", then for every phase and variable class two
// unused fields, a point count and that many "z F" pairs. The fuzzed bytes are that file; the other
// inputs are small fixed files. Output and outcome are held against a plain reading of the rules;
// the file with LF line ends, read through another block, must give the same.
// First control byte: bits 0-1 P - 1, bits 2-3 V - 1 (V at most 3), bits 4-5 the read block, bit 6 a
// multiphase data file, bit 7 a variable data file. Second: bits 0-3 NX - 1, bits 4-5 NY - 1, bit 6
// takes P and V from the file's own first two numbers when they lie within the fixed files' counts,
// bit 7 the LF run too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const NodeFiles files;
  static ScratchFile bihistogram("bihistogram");
  static ScratchFile output("output");
  const meldrit::fuzz::Input<2> input(data, size);
  const std::uint8_t c0 = input.control[0], c1 = input.control[1];
  const std::string_view text = input.text;

  double phases = 1 + (c0 & 3), classes = 1 + ((c0 >> 2) & 3) % kMostClasses;
  if (c1 & 0x40) {
    meldrit::fuzz::FieldModel head(text);
    double p = 0, v = 0;
    if (head.next_number(p) == meldrit::fuzz::FieldModel::Status::Ok &&
        head.next_number(v) == meldrit::fuzz::FieldModel::Status::Ok && p >= 1 && p < kMostPhases + 1 &&
        v >= 1 && v < kMostClasses + 1) {
      phases = p, classes = v;
    }
  }
  const int whole_phases = static_cast<int>(phases), whole_classes = static_cast<int>(classes);

  meldrit::pfield_multiphase::RunInputs run;
  meldrit::fuzz::MultiphaseTexts model;
  run.nx = 1 + (c1 & 15);
  run.ny = 1 + ((c1 >> 4) & 3);
  model.nodes = static_cast<long long>(run.nx * run.ny * run.nz);
  run.phases = model.phases = phases;
  run.variable_classes = model.variable_classes = classes;
  run.bihistogram_path = bihistogram.path();
  run.output_path = output.path();
  model.bihistogram = text;
  if (c0 & 0x40) {
    run.multiphase_path = files.multiphase_files[whole_phases - 1]->path();
    run.multiphase_skip = model.multiphase_skip = 1;
    model.by_phase = true;
    model.multiphase = files.multiphase[whole_phases - 1];
  }
  if (c0 & 0x80) {
    run.variable_path = files.variable_files[whole_classes - 1]->path();
    model.by_class = true;
    model.variable = files.variable[whole_classes - 1];
  }
  for (int q = 1; q <= whole_phases; ++q) {
    run.class_rows.push_back({q > 1 ? "1" : "0", files.uniform_files[q - 1]->path()});
    model.phase_uniform.push_back(files.uniform[q - 1]);
    model.phase_skip.push_back(q > 1 ? 1 : 0);
  }
  const meldrit::fuzz::MultiphaseResult expected = meldrit::fuzz::expected_multiphase(model);
  const std::string want = meldrit::fuzz::summary(expected.outcome, expected.output);

  const unsigned block = (c0 >> 4) & 3;
  bihistogram.assign(text);
  output.assign({});
  {
    meldrit::fuzz::StreamBlock small(meldrit::fuzz::block_choice(block));
    const meldrit::job::Outcome outcome = meldrit::pfield_multiphase::run_multiphase(run);
    const std::string got = meldrit::fuzz::summary(outcome, output.contents());
    meldrit::fuzz::check(got == want, "multiphase run differs from the rules",
                         [&] { return "got:  " + got + "\nwant: " + want; });
  }

  if (!(c1 & 0x80)) return 0;
  const std::string lf = meldrit::fuzz::lf_line_ends(text);
  if (lf == text) return 0;
  bihistogram.assign(lf);
  output.assign({});
  meldrit::fuzz::StreamBlock other(meldrit::fuzz::block_choice(block + 1));
  const meldrit::job::Outcome outcome = meldrit::pfield_multiphase::run_multiphase(run);
  const std::string got = meldrit::fuzz::summary(outcome, output.contents());
  meldrit::fuzz::check(got == want, "multiphase run changes with LF line ends",
                       [&] { return "got:  " + got + "\nwant: " + want; });
  return 0;
}
