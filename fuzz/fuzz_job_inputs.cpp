#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "pfield_local/local_run.h"
#include "pfield_local/probability_import.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_run.h"
#include "uniform/column_scan.h"

// One input file fed to every job's reader: the column data scan, the probability import, the
// local ccdf run (as both of its inputs), the multiphase import and run (as bihistogram, phase,
// variable and phase uniform file). None may crash or hang, whatever the bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  const std::string& path = meldrit::fuzz::scratch_file(data + 1, size - 1);
  static const std::string output = meldrit::fuzz::scratch_path("output");
  const double skip = control & 3;

  const auto option = static_cast<meldrit::uniform::CoordinateOption>((control >> 2) % 3);
  (void)meldrit::uniform::scan_column_file(path, std::to_string(control & 3), option);

  const auto imported = meldrit::pfield_local::import_probability_file(path, skip);
  meldrit::pfield_local::LocalRunInput local;
  local.probability_path = path;
  local.probability_skip = skip;
  local.uniform_path = path;
  local.output_path = output;
  local.nodes = 1 + (control >> 4);
  local.thresholds = 1 + (control & 7);
  for (int i = 0; i <= local.thresholds + 1; ++i) local.limits.push_back(i * 10.0);
  local.continuous = control & 8;
  (void)meldrit::pfield_local::run_local_ccdf(local);
  (void)imported;

  meldrit::pfield_multiphase::ImportInputs import;
  import.multiphase_path = path;
  import.multiphase_skip = std::to_string(control & 3);
  (void)meldrit::pfield_multiphase::import_data_files(import);

  meldrit::pfield_multiphase::RunInputs run;
  run.nx = 1 + (control & 3);
  run.ny = 1 + ((control >> 2) & 3);
  run.phases = 1 + ((control >> 4) & 1);
  run.variable_classes = 1 + ((control >> 5) & 1);
  run.bihistogram_path = path;
  if (control & 0x40) run.multiphase_path = path;
  if (control & 0x80) run.variable_path = path;
  for (int q = 0; q < run.phases; ++q) run.class_rows.push_back({std::to_string(q), path});
  run.output_path = output;
  (void)meldrit::pfield_multiphase::run_multiphase(run);
  return 0;
}
