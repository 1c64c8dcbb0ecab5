#include "pfield_multiphase/masked_output.h"

#include "textio/number_format.h"

namespace meldrit::pfield_multiphase {

bool MaskedOutput::create(const std::string& path, const textio::OutputHeader& header) {
  write_failed_ = false;
  stopping_ = false;
  batch_.clear();
  batch_.reserve(kBatch);
  return writer_.create(path) && textio::write_output_header(writer_, header);
}

void MaskedOutput::write_all(const std::vector<float>& values) {
  if (write_failed_) return;
  for (const float value : values) {
    // Rounded on the float's own 7-digit decimal form.
    textio::append_mask_hash3(writer_.line(), static_cast<double>(value), 7);
    if (!writer_.end_line()) {
      write_failed_ = true;
      return;
    }
  }
}

void MaskedOutput::writer_loop() {
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

bool MaskedOutput::hand_off() {
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

bool MaskedOutput::close() {
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

}  // namespace meldrit::pfield_multiphase
