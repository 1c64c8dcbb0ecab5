#include "textio/background_lines.h"

namespace meldrit::textio {

bool BackgroundLines::create(const std::string& path, const OutputHeader& header) {
  write_failed_ = false;
  stopping_ = false;
  batch_.clear();
  if (background_) batch_.reserve(kBatch);
  return writer_.create(path) && write_output_header(writer_, header);
}

void BackgroundLines::write_all(const std::vector<double>& values) {
  for (const double value : values) {
    if (write_failed_ || !write_one(value)) return;
  }
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
  const bool closed = writer_.close();
  return closed && !write_failed_;
}

}  // namespace meldrit::textio
