#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pfield_generate/gaussian_field.h"
#include "textio/number_source.h"

namespace meldrit::pfield_generate {

// The value a reader of the file write_pfields writes gets back for `value`: the double of its
// printed form. A job that generates its p-field reads these, so that its output is the one it
// writes from the file, byte for byte.
double as_read(float value);

// One realization's uniform values, node by node, as a run would read them from the file
// `meldrit-cli pfield` writes for the same request.
class GeneratedUniforms final : public textio::NumberSource {
 public:
  // Nothing, with `error` set, when the request is refused.
  static std::unique_ptr<GeneratedUniforms> open(const FieldRequest& request, std::uint64_t realization,
                                                 std::uint64_t phase, std::string& error);

  textio::ReadStatus next_number(double& value) override {
    if (at_ == values_.size() && !refill()) return textio::ReadStatus::EndOfFile;
    value = values_[at_++];
    return textio::ReadStatus::Ok;
  }

 private:
  explicit GeneratedUniforms(GaussianField field) : field_(std::move(field)) {}
  bool refill();

  GaussianField field_;
  std::span<const float> layers_;
  std::size_t taken_ = 0;  // of layers_
  std::vector<double> values_;
  std::size_t at_ = 0;
};

}  // namespace meldrit::pfield_generate
