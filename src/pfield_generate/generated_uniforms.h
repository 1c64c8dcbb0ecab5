#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pfield_generate/gaussian_field.h"
#include "textio/number_source.h"

namespace meldrit::pfield_generate {

// The value a reader of the file write_pfields writes gets back for `value`: the double of its
// printed form. A job that generates its p-field reads these, so that its output is the one it
// writes from the file, byte for byte.
double as_read(float value);

// One realization's uniform values, node by node, as a run would read them from the file
// `meldrit-cli pfield` writes for the same request. The field is made and turned into those
// values a slab ahead on a thread of its own, so the run's thread only takes doubles.
class GeneratedUniforms final : public textio::NumberSource {
 public:
  // Nothing, with `error` set, when the request is refused.
  static std::unique_ptr<GeneratedUniforms> open(const FieldRequest& request, std::uint64_t realization,
                                                 std::uint64_t phase, std::string& error);
  ~GeneratedUniforms() override;
  GeneratedUniforms(const GeneratedUniforms&) = delete;
  GeneratedUniforms& operator=(const GeneratedUniforms&) = delete;

  textio::ReadStatus next_number(double& value) override {
    if (at_ == current_.size()) {
      const textio::ReadStatus taken = take_block();
      if (taken != textio::ReadStatus::Ok) return taken;
    }
    value = current_[at_++];
    return textio::ReadStatus::Ok;
  }

 private:
  explicit GeneratedUniforms(GaussianField field);
  textio::ReadStatus take_block();
  void produce();

  GaussianField field_;
  std::vector<double> current_;
  std::size_t at_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<double>> ready_;   // at most kAhead blocks
  std::vector<std::vector<double>> spare_;  // blocks read, to be filled again
  bool finished_ = false;                   // the producer made its last block
  bool failed_ = false;                     // it ran out of memory
  bool stopping_ = false;
  std::thread producer_;
};

}  // namespace meldrit::pfield_generate
