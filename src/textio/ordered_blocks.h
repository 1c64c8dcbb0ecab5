#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "textio/text_writer.h"

namespace meldrit::textio {

// Blocks of lines formatted on worker threads and written to one TextWriter in the order they
// were added, so that the file holds the same bytes as when one thread formats them all.
//
// Memory stays flat: at most two blocks per worker are queued, formatted or waiting for their
// turn; add() waits for a free place. After a failed write, or a block whose formatting threw, no
// later block is written, so the file ends with whole lines that all came before the failure.
// Without workers (none could be started) add() formats and writes on the caller's thread.
class OrderedBlocks {
 public:
  // Formats a block's lines into `buffer` from its start and returns their length. The buffer
  // keeps its size from block to block (so it is not cleared each time); grow it as needed.
  using Format = std::function<std::size_t(std::string& buffer)>;

  OrderedBlocks(TextWriter& writer, int workers);
  // Waits for the blocks already added to be written.
  ~OrderedBlocks();
  OrderedBlocks(const OrderedBlocks&) = delete;
  OrderedBlocks& operator=(const OrderedBlocks&) = delete;

  // False once a write failed. An exception a block's formatting threw comes out of the next
  // add() or finish().
  bool add(Format format);
  // Waits for every block added to be written; false when a write failed.
  bool finish();

 private:
  struct Slot {
    Format format;
    std::string buffer;
    std::size_t size = 0;
  };

  void work();
  void finish_blocks();

  TextWriter& writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::uint64_t added_ = 0;    // blocks handed in
  std::uint64_t taken_ = 0;    // blocks a worker has started formatting
  std::uint64_t written_ = 0;  // blocks written (or passed over after a failure)
  // The first block that failed, to be written or formatted; none after it is written.
  static constexpr std::uint64_t kNone = UINT64_MAX;
  std::uint64_t stop_at_ = kNone;
  std::exception_ptr error_;  // thrown by that block's formatting, rethrown on the caller's thread
  bool stopping_ = false;
};

}  // namespace meldrit::textio
