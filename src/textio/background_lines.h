#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "textio/geoeas_header.h"
#include "textio/ordered_blocks.h"
#include "textio/text_writer.h"

namespace meldrit::textio {

// An output file of one number per line. The values are gathered in batches and formatted into
// blocks of whole lines through OrderedBlocks: with `background`, on a thread of its own, so that
// the work overlaps the reading of the inputs; without, on the caller's, in small batches (a pass
// of many realizations holds one per output). close() writes every value pushed before it, also
// after a failure of the run, so the file keeps the lines of the nodes done.
class BackgroundLines {
 public:
  // A line's text for a value (without the line end): `write` puts it at a place with room for
  // kPrintNumberRoom characters and returns its end, or null for a value it leaves to `append`.
  struct Form {
    char* (*write)(char* at, double value);
    void (*append)(std::string& line, double value);
  };
  static constexpr std::size_t kBatch = std::size_t{1} << 16;

  explicit BackgroundLines(Form form, bool background = true);
  ~BackgroundLines() { close(); }
  BackgroundLines(const BackgroundLines&) = delete;
  BackgroundLines& operator=(const BackgroundLines&) = delete;

  // Creates the file with `header`'s lines; false when it cannot be created or written.
  bool create(const std::string& path, const OutputHeader& header = {});
  bool is_open() const { return writer_.is_open(); }

  // False once a write has failed.
  bool push(double value) {
    batch_.push_back(value);
    return batch_.size() < batch_size_ ? ok_ : hand_off();
  }

  // Writes what is left and closes the file; false when any write failed. Safe to call twice.
  bool close();

 private:
  bool hand_off();

  Form form_;
  bool background_;
  std::size_t batch_size_;
  TextWriter writer_;
  std::unique_ptr<OrderedBlocks> blocks_;  // after the writer: ends before it
  std::vector<double> batch_;
  bool ok_ = true;
};

}  // namespace meldrit::textio
