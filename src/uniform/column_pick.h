#pragma once

#include <optional>

namespace meldrit::uniform {

// A click on a preview column: the column to mark yellow, and the column whose mark goes (the
// first yellow one of row 1, or the picked one itself when none is yellow).
struct ColumnPick {
  int selected;
  int unmark;
};

// Nothing is picked for the row-number column, coordinate columns and columns beyond K.
// `first_yellow` is the first column of row 1 (1..50) with a yellow background, -1 when none.
inline std::optional<ColumnPick> pick_column(int clicked, int column_count, int first_variable_column,
                                             int first_yellow) {
  if (clicked > column_count || clicked < first_variable_column) return std::nullopt;
  return ColumnPick{clicked, first_yellow >= 0 ? first_yellow : clicked};
}

}  // namespace meldrit::uniform
