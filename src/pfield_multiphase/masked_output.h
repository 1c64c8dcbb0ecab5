#pragma once

#include "textio/background_lines.h"
#include "textio/number_format.h"

namespace meldrit::pfield_multiphase {

// The output file of the run: one line per value in the mask "########.###", rounded on the
// float's own 7-digit decimal form, formatted and written on a second thread.
class MaskedOutput : public textio::BackgroundLines {
 public:
  MaskedOutput()
      : BackgroundLines(
            {[](char* at, double value) { return textio::write_mask_hash3(at, value, 7); },
             [](std::string& line, double value) { textio::append_mask_hash3(line, value, 7); }}) {}
  bool push(float value) { return BackgroundLines::push(static_cast<double>(value)); }
};

}  // namespace meldrit::pfield_multiphase
