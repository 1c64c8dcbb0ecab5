#include "textio/background_lines.h"

#include <algorithm>
#include <string_view>

#include "textio/number_format.h"

namespace meldrit::textio {
namespace {
constexpr std::size_t kBlock = std::size_t{1} << 18;
constexpr std::size_t kRoom = kPrintNumberRoom + 2;  // a line and its end
}  // namespace

void BackgroundLines::write_one(double value) {
  if (write_failed_) return;
  if (block_.size() - used_ < kRoom) write_block();
  char* const start = block_.data() + used_;
  char* end = form_.write(start, value);
  if (end == nullptr) {
    slow_.clear();
    form_.append(slow_, value);
    if (block_.size() - used_ < slow_.size() + 2) write_block();
    if (block_.size() < slow_.size() + 2) block_.resize(slow_.size() + 2);
    end = std::copy(slow_.begin(), slow_.end(), block_.data() + used_);
  }
  *end++ = '\r';
  *end++ = '\n';
  used_ = static_cast<std::size_t>(end - block_.data());
}

void BackgroundLines::write_block() {
  if (used_ > 0 && !writer_.write_lines(std::string_view(block_.data(), used_))) write_failed_ = true;
  used_ = 0;
  if (block_.size() < kBlock) block_.resize(kBlock);
}

bool BackgroundLines::create(const std::string& path, const OutputHeader& header) {
  write_failed_ = false;
  stopping_ = false;
  batch_.clear();
  if (background_) batch_.reserve(kBatch);
  used_ = 0;
  return writer_.create(path) && write_output_header(writer_, header);
}

void BackgroundLines::write_all(const std::vector<double>& values) {
  for (const double value : values) write_one(value);
}

void BackgroundLines::writer_loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return has_pending_ || stopping_; });
    if (!has_pending_) return;
    lock.unlock();
    write_all(pending_);
    lock.lock();
    has_pending_ = false;
    changed_.notify_all();
  }
}

bool BackgroundLines::hand_off() {
  if (!thread_.joinable()) thread_ = std::thread([this] { writer_loop(); });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !has_pending_; });
  pending_.swap(batch_);
  has_pending_ = true;
  changed_.notify_all();
  lock.unlock();
  batch_.clear();
  return !write_failed_;
}

bool BackgroundLines::close() {
  if (thread_.joinable()) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !has_pending_; });
      stopping_ = true;
      changed_.notify_all();
    }
    thread_.join();
  }
  if (!writer_.is_open()) return !write_failed_;
  write_all(batch_);
  batch_.clear();
  write_block();
  const bool closed = writer_.close();
  return closed && !write_failed_;
}

}  // namespace meldrit::textio
