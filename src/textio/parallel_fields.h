#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "textio/field_stream.h"

namespace meldrit::textio {

// The number fields of a file from a given place to its end, exactly as one FieldStream reads them,
// but parsed ahead on worker threads so that the caller's thread only takes the values.
//
// The file is cut into chunks at line ends; worker w parses chunks w, w + W, w + 2W, ... with a
// FieldStream of its own into a ring of two slots per worker, and the caller takes them in file
// order. A field never runs across a line end unless it is quoted, so the fields of the chunks
// follow each other as they do in the whole file. From the first chunk where a quoted field
// starts, or where no line end lies near the cut, one FieldStream reads on from the chunk's start;
// so it does for a small file and for one that cannot seek (a pipe).
//
// Memory stays flat: a slot holds the values of one chunk, which runs at most FieldStream::kMaxHeld
// past its nominal size to reach a line end.
class ParallelFieldStream {
 public:
  static constexpr std::uint64_t kChunk = std::uint64_t{1} << 20;

  // With no workers it is one FieldStream of `block` bytes; that stream also reads whatever the
  // workers leave to it.
  explicit ParallelFieldStream(int workers = default_workers(),
                               std::size_t block = FieldStream::kDefaultBlock, std::uint64_t chunk = kChunk);
  ~ParallelFieldStream();
  ParallelFieldStream(const ParallelFieldStream&) = delete;
  ParallelFieldStream& operator=(const ParallelFieldStream&) = delete;

  // Reads on from where `stream` stands (after its header, say): the workers take the rest from
  // there when the file allows it, else the stream itself reads on, taken over as it is (a pipe
  // cannot be opened twice). False when the stream is not open.
  bool read_on(FieldStream&& stream);
  // Opens the file and skips `header_lines` lines as FieldStream::skip_lines does; `header_read`
  // is its result. When they were not all there, one stream goes on from where that left it.
  bool open(const std::string& path, double header_lines, bool& header_read);
  void close();

  // As FieldStream's functions of the same names. Taking a value of the chunk at hand is inline;
  // the rest (the next chunk, the single stream) is not.
  ReadStatus next_number(double& value) {
    if (current_ != nullptr && place_ < current_->values.size()) {
      value = current_->values[place_];
      return take_status();
    }
    return next_number_beyond(value);
  }
  ReadStatus skip_field() {
    if (current_ != nullptr && place_ < current_->values.size()) {
      take_status();
      return ReadStatus::Ok;
    }
    return skip_field_beyond();
  }
  bool at_end();
  // Bytes consumed, counted in whole chunks while the workers read.
  std::uint64_t bytes_consumed() const {
    if (current_ != nullptr) return place_ < current_->values.size() ? current_->begin : current_->stop;
    return alone_ ? single_.bytes_consumed() : base_;
  }

  // The cores of the machine, at least 1 and at most 4.
  static int default_workers();

 private:
  enum class ChunkEnd { Complete, ReadFailure, ReadOnAlone };
  struct Slot {
    std::uint64_t chunk = 0;  // the chunk this slot holds or is waiting for
    bool ready = false;
    ChunkEnd end = ChunkEnd::Complete;
    bool last = false;
    std::uint64_t begin = 0;
    std::uint64_t stop = 0;
    std::vector<double> values;
    std::vector<std::uint32_t> not_numeric;  // places in `values` of fields that were no number
  };

  ReadStatus take_status() {
    const std::size_t place = place_++;
    if (next_not_numeric_ < current_->not_numeric.size() &&
        current_->not_numeric[next_not_numeric_] == place) {
      ++next_not_numeric_;
      return ReadStatus::NotNumeric;
    }
    return ReadStatus::Ok;
  }
  ReadStatus next_number_beyond(double& value);
  ReadStatus skip_field_beyond();
  void start_workers(std::uint64_t offset);
  void work(int worker);
  void fill(Slot& slot, std::uint64_t chunk, FieldStream& stream, int probe_fd);
  std::uint64_t line_start_after(int probe_fd, std::uint64_t place, bool& found) const;
  bool take_next_chunk();
  void release_current();
  void read_on_alone(std::uint64_t offset);
  void stop_workers();

  int workers_;
  std::uint64_t chunk_size_;
  std::uint64_t base_ = 0;
  std::uint64_t size_ = 0;
  bool alone_ = true;  // one FieldStream reads, on the caller's thread
  FieldStream single_;
  bool failed_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;

  // The caller's place.
  Slot* current_ = nullptr;
  std::uint64_t chunk_ = 0;
  std::size_t place_ = 0;
  std::size_t next_not_numeric_ = 0;
};

}  // namespace meldrit::textio
