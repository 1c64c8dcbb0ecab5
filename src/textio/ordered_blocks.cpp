#include "textio/ordered_blocks.h"

#include <string_view>
#include <system_error>
#include <utility>

namespace meldrit::textio {

OrderedBlocks::OrderedBlocks(TextWriter& writer, int workers) : writer_(writer) {
  slots_.resize(2 * static_cast<std::size_t>(workers < 1 ? 1 : workers));
  for (int i = 0; i < workers; ++i) {
    try {
      threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

OrderedBlocks::~OrderedBlocks() {
  finish_blocks();
}

bool OrderedBlocks::add(Format format) {
  if (threads_.empty()) {
    if (stop_at_ != kNone) return false;
    Slot& slot = slots_[0];
    slot.size = format(slot.buffer);
    if (!writer_.write_lines(std::string_view(slot.buffer.data(), slot.size))) stop_at_ = added_;
    ++added_;
    return stop_at_ == kNone;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return added_ - written_ < slots_.size(); });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  if (stop_at_ != kNone) return false;
  slots_[added_ % slots_.size()].format = std::move(format);
  ++added_;
  changed_.notify_all();
  return true;
}

bool OrderedBlocks::finish() {
  finish_blocks();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return stop_at_ == kNone;
}

void OrderedBlocks::finish_blocks() {
  if (threads_.empty()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return written_ == added_; });
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void OrderedBlocks::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || taken_ < added_; });
    if (taken_ == added_) return;
    const std::uint64_t block = taken_++;
    Slot& slot = slots_[block % slots_.size()];
    Format format = std::move(slot.format);
    const bool pass_over = block >= stop_at_;
    lock.unlock();
    bool formatted = false;
    if (!pass_over) {
      try {
        slot.size = format(slot.buffer);
        formatted = true;
      } catch (...) {
        // Handed to the caller, which would have met it formatting on its own thread.
        lock.lock();
        // Blocks before this one are still written; it may fail before they are.
        if (block < stop_at_) {
          stop_at_ = block;
          error_ = std::current_exception();
        }
        lock.unlock();
      }
    }
    format = nullptr;
    lock.lock();
    changed_.wait(lock, [this, block] { return written_ == block; });
    if (formatted && block < stop_at_) {
      // Only the block whose turn it is writes, so the writer needs no lock of its own.
      lock.unlock();
      const bool ok = writer_.write_lines(std::string_view(slot.buffer.data(), slot.size));
      lock.lock();
      if (!ok) stop_at_ = block;
    }
    ++written_;
    changed_.notify_all();
  }
}

}  // namespace meldrit::textio
