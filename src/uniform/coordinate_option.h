#pragma once

namespace meldrit::uniform {

// Which leading columns of a column data file are coordinates ("None", "2D" or "3D").
enum class CoordinateOption { None, TwoD, ThreeD };

inline int coordinate_count(CoordinateOption option) {
  return option == CoordinateOption::ThreeD ? 3 : option == CoordinateOption::TwoD ? 2 : 0;
}

// 1 with None, 3 with 2D, 4 with 3D.
inline int first_variable_column(CoordinateOption option) {
  return coordinate_count(option) + 1;
}

}  // namespace meldrit::uniform
