#include "job/hooks.h"

namespace meldrit::job {

Hooks& no_hooks() {
  static Hooks none;
  return none;
}

ProgressTicker::ProgressTicker(Hooks& hooks, std::uint64_t bytes_total, std::uint64_t items_total)
    : hooks_(hooks) {
  progress_.bytes_total = bytes_total;
  progress_.items_total = items_total;
  next_bytes_ = kPollBytes;
  next_items_ = items_total == 0 ? UINT64_MAX : (items_total + 99) / 100;
}

bool ProgressTicker::report(std::uint64_t bytes_read, std::uint64_t items_done) {
  progress_.bytes_read = bytes_read;
  progress_.items_done = items_done;
  next_bytes_ = bytes_read + kPollBytes;
  const std::uint64_t total = progress_.items_total;
  if (total != 0) {
    // The first item count of the next whole percent.
    const std::uint64_t percent = items_done >= total ? 100 : items_done * 100 / total;
    next_items_ = percent >= 100 ? UINT64_MAX : ((percent + 1) * total + 99) / 100;
  }
  hooks_.progress(progress_);
  return !hooks_.cancel_requested();
}

}  // namespace meldrit::job
