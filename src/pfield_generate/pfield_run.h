#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "pfield_generate/gaussian_field.h"
#include "textio/geoeas_header.h"

namespace meldrit::pfield_generate {

// Realizations `first`..`last` of one request, each written to its own file in the form the
// p-field jobs read: one value per node, X fastest, then Y, then Z, CR LF, no header, each value in
// the print-number form of the float. Uniform values unless `gaussian`.
struct PfieldRunRequest {
  FieldRequest field;
  std::uint64_t first = 1, last = 1;
  std::vector<std::string> outputs;  // one per realization, in order
  bool gaussian = false;
  std::uint64_t phase = 0;      // the key's phase: a multiphase run draws phase P's field with P
  textio::OutputHeader header;  // before the values of every output
};

inline constexpr std::string_view kPfieldWritten = "p-field written.";

// Refused before anything is written when the request is bad or an output names another;
// progress by nodes over all realizations and a cancel polled between layers. An output stopped
// by a cancel or a failed write keeps the whole lines written before.
job::Outcome write_pfields(const PfieldRunRequest& request, job::Hooks& hooks = job::no_hooks());

// Appends a layer's values, each on its own line, in the form write_pfields writes them.
void append_field_lines(std::string& out, std::span<const float> values, bool gaussian);

}  // namespace meldrit::pfield_generate
