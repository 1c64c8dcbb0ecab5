#pragma once

#include <array>
#include <string>
#include <vector>

namespace meldrit::settings {

// One phase row of the class table griduni: the row label (column 0), the lines to skip
// (column 1) and the phase uniform file (column 2), as the cells show them.
struct ClassTableRow {
  std::string label;
  std::string skip;
  std::string path;
};

// Every item of the session settings file, held as the controls show it (the control in the
// comment). The initial values are the design defaults, which a control keeps when the file is
// missing or its item is not read.
struct SessionSettings {
  // Multiphase set ccdf job.
  std::string multiphase_path = " ";       // in1
  std::string variable_path = " ";         // in2
  std::string multiphase_skip = "0";       // linhas1
  std::string variable_skip = "0";         // linhas2
  std::string phase_count = "1";           // verlito
  std::string variable_class_count = "1";  // vervar
  // Text2(0..5): X, Y, Z of the multiphase panel, then of the local ccdf panel.
  std::array<std::string, 6> node_counts = {" ", " ", " ", " ", " ", " "};
  int class_table_rows = 2;                                   // griduni rows, the header row included
  std::vector<ClassTableRow> class_rows = {ClassTableRow{}};  // rows 1..R-1
  std::string bihistogram_path = " ";                         // binn
  std::string multiphase_output_path = " ";                   // out1
  // Uniform transformation.
  std::string uniform_input_path = " ";   // uniformin
  std::string uniform_skip = "0";         // skipuniform
  std::string uniform_output_path = " ";  // uniformout
  // Local ccdf job.
  std::string probability_path = " ";    // Label18
  std::string probability_skip = "0";    // Text3
  std::string local_uniform_path = " ";  // Label22
  std::string local_uniform_skip = "0";  // Text4
  std::string local_output_path = " ";   // Label23
  bool continuous_output = true;         // Option1 ("Continuous") rather than Option2
};

}  // namespace meldrit::settings
