#pragma once

#include "textio/field_stream.h"

namespace meldrit::textio {

// Numbers handed out one by one as a reader of a file of numbers hands them out: what a job reads
// in place of a per-node file it does not need written first (a generated p-field).
class NumberSource {
 public:
  virtual ~NumberSource() = default;
  virtual ReadStatus next_number(double& value) = 0;
  ReadStatus skip_field() {
    double ignored = 0;
    return next_number(ignored);
  }
};

}  // namespace meldrit::textio
