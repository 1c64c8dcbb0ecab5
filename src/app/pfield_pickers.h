#pragma once

#include <string>

#include "app/platform_services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace meldrit::app {

// The uniform input chooser Frame12(i) and the output chooser Frame11(i) of the two p-field
// panels: index 1 on the local ccdf panel Frame18, index 0 on the multiphase panel Frame4.
//
// Object names: "Frame12(i)", "Command11(i)", "Command18(i)", "Label16(i)", "Label19(i)",
// "Frame11(i)", "Command5(i)", "Command10(i)", "Label15(i)"; the path labels and the skip box are
// named "Label22" / "Text4" / "Label23" for index 1 and "in3" / "in3text" / "out1" for index 0.
// Path labels start as " ", the skip box as "0".
//
// The buttons are wired: Command11(i) and Command5(i) run the choosers below into the path labels,
// Command18(i) and Command10(i) open the labels' files in the text editor. The caller places the
// two frames (move()) on its panel; both are 5400 x 1900 twips.
struct PfieldPickers {
  QGroupBox* input_frame = nullptr;     // Frame12(i)
  QPushButton* select_input = nullptr;  // Command11(i)
  QPushButton* view_input = nullptr;    // Command18(i)
  QLabel* input_path = nullptr;         // Label22 / in3
  QLineEdit* input_skip = nullptr;      // Text4 / in3text
  QGroupBox* output_frame = nullptr;    // Frame11(i)
  QPushButton* save_output = nullptr;   // Command5(i)
  QPushButton* view_output = nullptr;   // Command10(i)
  QLabel* output_path = nullptr;        // Label23 / out1
  QPushButton* map_input = nullptr;     // MapFrame12(i): wired by the panel, which knows the grid
  QPushButton* map_output = nullptr;    // MapFrame11(i)
};

// `input_width` is the width of Frame12(i) in twips; its path label and skip box fill it.
PfieldPickers buildPfieldPickers(PlatformServices& platform, int index, QWidget* parent,
                                 int input_width = 5400);

// Command11(i) Click: the open dialog "Input Data File (*.OUT)"; an accepted choice becomes the
// caption of `path_label`. False when the user cancelled (nothing changes).
bool chooseUniformInput(PlatformServices& platform, QLabel* path_label);
// Command5(i) Click: the save dialog "Output Data File (*.OUT)", likewise.
bool chooseOutputFile(PlatformServices& platform, QLabel* path_label);

}  // namespace meldrit::app
