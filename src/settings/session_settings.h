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

// Every item of the session settings file, held as the controls show it. The initial values are
// the design defaults, which a control keeps when the file is missing or its item is not read.
struct SessionSettings {
  std::string in1 = " ";  // multiphase data file
  std::string in2 = " ";  // variable data file
  std::string linhas1 = "0";
  std::string linhas2 = "0";
  std::string verlito = "1";
  std::string vervar = "1";
  std::array<std::string, 6> text2 = {" ", " ", " ", " ", " ", " "};  // node counts, members 0..5
  int griduni_rows = 2;                                               // R, the header row included
  std::vector<ClassTableRow> class_rows = {ClassTableRow{}};          // rows 1..R-1
  std::string binn = " ";
  std::string out1 = " ";
  std::string uniformin = " ";
  std::string skipuniform = "0";
  std::string uniformout = " ";
  std::string label18 = " ";  // probability data file
  std::string text3 = "0";
  std::string label22 = " ";  // uniform file of the local ccdf job
  std::string text4 = "0";
  std::string label23 = " ";  // output file of the local ccdf job
  bool option1 = true;        // "Continuous" selected
};

}  // namespace meldrit::settings
