#include "pfield_generate/generated_uniforms.h"

#include <charconv>
#include <cmath>
#include <new>

#include "textio/number_format.h"

namespace meldrit::pfield_generate {
namespace {

// Blocks made ahead of the one the run reads: enough to keep the producer busy while the run
// takes a block, few enough to keep memory at a slab or two.
constexpr std::size_t kAhead = 2;
// A slab is handed over in blocks of at most this many values.
constexpr std::size_t kBlock = std::size_t{1} << 18;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

double as_read(float value) {
  // Most values: the float times a power of ten up to 10^12 is exact in a double (24 bits of the
  // float, at most 28 of the power's odd part), so rounding it to 7 digits rounds the float's own
  // value as its printed form does, and one division reads those digits back as a reader does.
  const double exact = value;
  if (exact >= 1e-5 && exact < 1.0) {
    int k = 6;
    double scaled = exact * 1e6;
    while (scaled < 1e6) {
      scaled *= 10;
      ++k;
    }
    return std::nearbyint(scaled) / kPowersOfTen[k];
  }
  char text[textio::kPrintNumberRoom];
  const char* const end = textio::write_print_number(text, value);
  // The printed form has at most 7 significant digits: when its decimal exponent is small, the
  // digits and the power of ten are exact doubles and one division or product rounds as a reader
  // does (Clinger's fast path); beyond that the general conversion reads it.
  const char* p = text;
  const bool negative = *p == '-';
  ++p;  // the sign's place: a minus or a blank
  std::uint64_t digits = 0;
  int exponent = 0;
  bool point = false;
  for (; p < end && *p != ' ' && *p != 'E'; ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    if (point) --exponent;
  }
  if (p < end && *p == 'E') {
    int written = 0;
    const char* first = p + 1 + (p[1] == '+');
    const char* last = first;
    while (last < end && *last != ' ') ++last;
    std::from_chars(first, last, written);
    exponent += written;
  }
  if (exponent >= -22 && exponent <= 22) {
    const double magnitude = exponent < 0 ? static_cast<double>(digits) / kPowersOfTen[-exponent]
                                          : static_cast<double>(digits) * kPowersOfTen[exponent];
    return negative ? -magnitude : magnitude;
  }
  const char* begin = text[0] == ' ' ? text + 1 : text;
  const char* stop = end;
  while (stop > begin && stop[-1] == ' ') --stop;
  double read = 0;
  std::from_chars(begin, stop, read);
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

GeneratedUniforms::GeneratedUniforms(GaussianField field) : field_(std::move(field)) {
  producer_ = std::thread([this] { produce(); });
}

GeneratedUniforms::~GeneratedUniforms() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  producer_.join();
}

void GeneratedUniforms::produce() {
  try {
    for (std::span<const float> layers = field_.next_layers(); !layers.empty();
         layers = field_.next_layers()) {
      for (std::size_t taken = 0; taken < layers.size(); taken += kBlock) {
        std::vector<double> block;
        {
          std::lock_guard lock(mutex_);
          if (!spare_.empty()) {
            block = std::move(spare_.back());
            spare_.pop_back();
          }
        }
        block.resize(std::min(kBlock, layers.size() - taken));
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = as_read(to_uniform(layers[taken + i]));
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || ready_.size() < kAhead; });
        if (stopping_) return;
        ready_.push_back(std::move(block));
        changed_.notify_all();
      }
    }
  } catch (const std::bad_alloc&) {
    std::lock_guard lock(mutex_);
    failed_ = true;
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

textio::ReadStatus GeneratedUniforms::take_block() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) return failed_ ? textio::ReadStatus::IoError : textio::ReadStatus::EndOfFile;
  // The block read to its end goes back to the producer: fresh pages cost more than the values.
  if (current_.capacity() > 0) spare_.push_back(std::move(current_));
  current_ = std::move(ready_.front());
  ready_.pop_front();
  at_ = 0;
  changed_.notify_all();
  return textio::ReadStatus::Ok;
}

}  // namespace meldrit::pfield_generate
