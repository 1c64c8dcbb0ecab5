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

namespace meldrit::textio {

// An output file of one number per line. With `background`, the lines are formatted and written
// on a second thread, a batch at a time, so that the work overlaps the reading of the inputs; a
// file with fewer values than one batch never starts it. Without, push() formats and writes at
// once. close() writes every value pushed before it, also after a failure of the run, so the file
// keeps the lines of the nodes done.
class BackgroundLines {
 public:
  // A line's text for a value (without the line end): `write` puts it at a place with room for
  // kPrintNumberRoom characters and returns its end, or null for a value it leaves to `append`.
  struct Form {
    char* (*write)(char* at, double value);
    void (*append)(std::string& line, double value);
  };
  static constexpr std::size_t kBatch = std::size_t{1} << 16;

  explicit BackgroundLines(Form form, bool background = true) : form_(form), background_(background) {}
  ~BackgroundLines() { close(); }
  BackgroundLines(const BackgroundLines&) = delete;
  BackgroundLines& operator=(const BackgroundLines&) = delete;

  // Creates the file with `header`'s lines; false when it cannot be created or written.
  bool create(const std::string& path, const OutputHeader& header = {});
  bool is_open() const { return writer_.is_open(); }

  // False once a write has failed.
  bool push(double value) {
    if (!background_) {
      write_one(value);
      return !write_failed_;
    }
    batch_.push_back(value);
    return batch_.size() < kBatch ? true : hand_off();
  }

  // Writes what is left and closes the file; false when any write failed. Safe to call twice.
  bool close();

 private:
  // Formats into a block of whole lines, handed to the writer when full.
  void write_one(double value);
  void write_block();
  bool hand_off();
  void write_all(const std::vector<double>& values);
  void writer_loop();

  Form form_;
  bool background_;
  TextWriter writer_;
  std::vector<char> block_;
  std::size_t used_ = 0;
  std::string slow_;
  std::vector<double> batch_;
  std::vector<double> pending_;  // the batch the writer thread works on
  bool has_pending_ = false;
  bool stopping_ = false;
  std::atomic<bool> write_failed_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
};

}  // namespace meldrit::textio
