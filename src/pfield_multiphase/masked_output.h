#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "textio/geoeas_header.h"
#include "textio/text_writer.h"

namespace meldrit::pfield_multiphase {

// The output file of the run: one line per value in the mask "########.###". Formatting and
// writing run on a second thread, in batches, so that they overlap the reading of the inputs;
// a run with fewer values than one batch never starts it. close() writes every value pushed
// before it, also after a failure of the run, so the file keeps the lines of the nodes done.
class MaskedOutput {
 public:
  static constexpr std::size_t kBatch = std::size_t{1} << 16;

  MaskedOutput() = default;
  ~MaskedOutput() { close(); }
  MaskedOutput(const MaskedOutput&) = delete;
  MaskedOutput& operator=(const MaskedOutput&) = delete;

  // Creates the file with `header`'s lines; false when it cannot be created or written.
  bool create(const std::string& path, const textio::OutputHeader& header = {});

  // False once a write has failed.
  bool push(float value) {
    batch_.push_back(value);
    return batch_.size() < kBatch ? true : hand_off();
  }

  // Writes what is left and closes the file; false when any write failed. Safe to call twice.
  bool close();

 private:
  bool hand_off();
  void write_all(const std::vector<float>& values);
  void writer_loop();

  textio::TextWriter writer_;
  std::vector<float> batch_;
  std::vector<float> pending_;  // the batch the writer thread works on
  bool has_pending_ = false;
  bool stopping_ = false;
  std::atomic<bool> write_failed_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
};

}  // namespace meldrit::pfield_multiphase
