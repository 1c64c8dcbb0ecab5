#pragma once

#include <string>
#include <vector>

#include "settings/session_settings.h"

namespace meldrit::test {

// Every item of the session settings in file order, the class table's cells included, as the
// controls show them. Shared by the settings tests and the settings fuzzer.
inline std::vector<std::string> settings_items(const settings::SessionSettings& s) {
  std::vector<std::string> v = {s.multiphase_path, s.variable_path, s.multiphase_skip,
                                s.variable_skip,   s.phase_count,   s.variable_class_count};
  v.insert(v.end(), s.node_counts.begin(), s.node_counts.end());
  v.push_back(std::to_string(s.class_table_rows));
  for (const settings::ClassTableRow& row : s.class_rows) v.insert(v.end(), {row.label, row.skip, row.path});
  v.insert(v.end(), {s.bihistogram_path, s.multiphase_output_path, s.uniform_input_path, s.uniform_skip,
                     s.uniform_output_path, s.probability_path, s.probability_skip, s.local_uniform_path,
                     s.local_uniform_skip, s.local_output_path, s.continuous_output ? "True" : "False"});
  return v;
}

}  // namespace meldrit::test
