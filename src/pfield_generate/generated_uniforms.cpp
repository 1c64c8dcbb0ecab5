#include "pfield_generate/generated_uniforms.h"

#include <charconv>

#include "textio/number_format.h"

namespace meldrit::pfield_generate {
namespace {

// Converted a block at a time, so the run's per-node call only copies a double.
constexpr std::size_t kBlock = 4096;

}  // namespace

double as_read(float value) {
  char text[textio::kPrintNumberRoom];
  const char* end = textio::write_print_number(text, value);
  const char* begin = text[0] == ' ' ? text + 1 : text;
  while (end > begin && end[-1] == ' ') --end;
  double read = 0;
  std::from_chars(begin, end, read);
  return read;
}

std::unique_ptr<GeneratedUniforms> GeneratedUniforms::open(const FieldRequest& request,
                                                           std::uint64_t realization, std::uint64_t phase,
                                                           std::string& error) {
  FieldOpen opened = GaussianField::open(request, realization, phase);
  if (!opened.field) {
    error = opened.error;
    return nullptr;
  }
  return std::unique_ptr<GeneratedUniforms>(new GeneratedUniforms(std::move(*opened.field)));
}

bool GeneratedUniforms::refill() {
  if (taken_ == layers_.size()) {
    layers_ = field_.next_layers();
    taken_ = 0;
    if (layers_.empty()) return false;
  }
  const std::size_t count = std::min(kBlock, layers_.size() - taken_);
  values_.resize(count);
  for (std::size_t i = 0; i < count; ++i) values_[i] = as_read(to_uniform(layers_[taken_ + i]));
  taken_ += count;
  at_ = 0;
  return true;
}

}  // namespace meldrit::pfield_generate
