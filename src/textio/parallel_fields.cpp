#include "textio/parallel_fields.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "textio/system_files.h"

namespace meldrit::textio {
namespace {

constexpr std::size_t kWorkerBlock = std::size_t{256} << 10;
// A cut looks this far for a line end; a longer line is read on by one stream.
constexpr std::uint64_t kLineSearch = FieldStream::kMaxHeld;

}  // namespace

ParallelFieldStream::ParallelFieldStream(int workers, std::size_t block, std::uint64_t chunk)
    : workers_(std::max(workers, 0)), chunk_size_(std::max<std::uint64_t>(chunk, 1)), single_(block) {}

ParallelFieldStream::~ParallelFieldStream() {
  close();
}

int ParallelFieldStream::default_workers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 4u));
}

bool ParallelFieldStream::read_on(FieldStream&& stream) {
  close();
  if (!stream.is_open()) return false;
  single_ = std::move(stream);
  start_workers(single_.next_field_offset());
  return true;
}

bool ParallelFieldStream::open(const std::string& path, double header_lines, bool& header_read) {
  close();
  if (!single_.open(path)) return false;
  header_read = single_.skip_lines(header_lines);
  if (header_read) start_workers(single_.next_field_offset());
  return true;
}

// Hands the rest of the file, from `offset` on, to the workers when it is worth it; else the
// single stream, already there, reads on.
void ParallelFieldStream::start_workers(std::uint64_t offset) {
  base_ = offset;
  // The workers read the file the single stream holds open, never the path again: a file replaced
  // by another of the same name while it is read is read to its end as it was.
  size_ = 0;
  const bool regular = system_files::regular_file_size(single_.descriptor(), size_);
  if (!regular || workers_ < 1 || size_ < offset || size_ - offset < 2 * chunk_size_) return;

  single_.release_buffer();
  alone_ = false;
  stopping_ = false;
  slots_ = std::vector<Slot>(static_cast<std::size_t>(workers_) * 2);
  for (std::size_t s = 0; s < slots_.size(); ++s) slots_[s].chunk = s;
  chunk_ = 0;
  try {
    for (int w = 0; w < workers_; ++w) threads_.emplace_back([this, w] { work(w); });
  } catch (const std::system_error&) {
    read_on_alone(base_);  // no threads to be had: read as one stream
  }
}

void ParallelFieldStream::stop_workers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void ParallelFieldStream::close() {
  stop_workers();
  single_.close();
  slots_.clear();
  current_ = nullptr;
  alone_ = true;
  failed_ = false;
}

void ParallelFieldStream::read_on_alone(std::uint64_t offset) {
  stop_workers();
  current_ = nullptr;
  alone_ = true;
  if (!single_.seek(offset)) {
    alone_ = false;
    failed_ = true;
  }
}

// The start of the first line that begins after `place - 1`: the byte after the first line end
// at or after it, the file's end when none follows. `found` is false when no line end lies within
// reach, or the file cannot be read there.
std::uint64_t ParallelFieldStream::line_start_after(int probe_fd, std::uint64_t place, bool& found) const {
  found = true;
  std::uint64_t at = place - 1;
  std::array<char, 16384> bytes;
  for (;;) {
    const long got = system_files::read_at(probe_fd, bytes.data(), bytes.size(), at);
    if (got < 0) found = false;
    if (got <= 0) return size_;
    const char* const begin = bytes.data();
    const char* const end = begin + got;
    const char* line_end = std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
    if (line_end < end) return std::min(size_, at + static_cast<std::uint64_t>(line_end - begin) + 1);
    at += static_cast<std::uint64_t>(got);
    if (at - place > kLineSearch) {
      found = false;
      return place;
    }
  }
}

void ParallelFieldStream::fill(Slot& slot, std::uint64_t chunk, FieldStream& stream, int probe_fd) {
  slot.values.clear();
  // Room for the most fields a chunk of one-character fields holds, taken once: growing to it
  // step by step would touch twice the memory, on every run.
  if (slot.values.capacity() == 0) slot.values.reserve(static_cast<std::size_t>(chunk_size_ / 2) + 1);
  slot.not_numeric.clear();
  slot.end = ChunkEnd::Complete;
  bool begin_found = true;
  bool stop_found = true;
  const std::uint64_t nominal = base_ + chunk * chunk_size_;
  slot.begin = chunk == 0 ? base_ : line_start_after(probe_fd, nominal, begin_found);
  slot.stop =
      nominal + chunk_size_ >= size_ ? size_ : line_start_after(probe_fd, nominal + chunk_size_, stop_found);
  slot.last = slot.stop >= size_;
  if (probe_fd < 0 || !begin_found || !stop_found) {
    slot.end = ChunkEnd::ReadOnAlone;
    return;
  }
  if (slot.begin >= slot.stop) return;  // one long line runs over the whole chunk
  if (!stream.open_range(probe_fd, slot.begin, slot.stop)) {
    slot.end = ChunkEnd::ReadFailure;
    return;
  }
  for (;;) {
    double value = 0;
    const ReadStatus status = stream.next_number(value);
    // A quoted field may run across the cut: the chunk is read again by one stream.
    if (stream.quoted_seen()) {
      slot.end = ChunkEnd::ReadOnAlone;
      break;
    }
    if (status == ReadStatus::EndOfFile) break;
    if (status == ReadStatus::IoError) {
      slot.end = ChunkEnd::ReadFailure;
      break;
    }
    if (status == ReadStatus::NotNumeric)
      slot.not_numeric.push_back(static_cast<std::uint32_t>(slot.values.size()));
    slot.values.push_back(value);
  }
  // The stream keeps its buffer for the next chunk; the borrowed file stays open for the others.
}

void ParallelFieldStream::work(int worker) {
  FieldStream stream(kWorkerBlock);
  const int probe_fd = single_.descriptor();
  for (std::uint64_t chunk = static_cast<std::uint64_t>(worker); base_ + chunk * chunk_size_ < size_;
       chunk += static_cast<std::uint64_t>(workers_)) {
    Slot& slot = slots_[chunk % slots_.size()];
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || (slot.chunk == chunk && !slot.ready); });
      if (stopping_) break;
    }
    try {
      fill(slot, chunk, stream, probe_fd);
    } catch (const std::bad_alloc&) {
      slot.end = ChunkEnd::ReadFailure;
    }
    const bool final = slot.last || slot.end != ChunkEnd::Complete;
    {
      std::lock_guard lock(mutex_);
      slot.ready = true;
    }
    changed_.notify_all();
    if (final) break;
  }
}

void ParallelFieldStream::release_current() {
  {
    std::lock_guard lock(mutex_);
    current_->ready = false;
    current_->chunk += slots_.size();
  }
  changed_.notify_all();
  current_ = nullptr;
}

// Moves to the next chunk; false when reading went on alone instead.
bool ParallelFieldStream::take_next_chunk() {
  if (current_ != nullptr) {
    release_current();
    ++chunk_;
  }
  Slot& slot = slots_[chunk_ % slots_.size()];
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return slot.chunk == chunk_ && slot.ready; });
  }
  current_ = &slot;
  place_ = 0;
  next_not_numeric_ = 0;
  if (slot.end == ChunkEnd::ReadOnAlone) {
    read_on_alone(slot.begin);
    return false;
  }
  return true;
}

ReadStatus ParallelFieldStream::next_number_beyond(double& value) {
  for (;;) {
    if (failed_) return ReadStatus::IoError;
    if (alone_) return single_.next_number(value);
    if (current_ != nullptr) {
      if (place_ < current_->values.size()) {
        value = current_->values[place_];
        return take_status();
      }
      if (current_->end == ChunkEnd::ReadFailure) {
        failed_ = true;
        return ReadStatus::IoError;
      }
      if (current_->last) return ReadStatus::EndOfFile;
    }
    take_next_chunk();
  }
}

ReadStatus ParallelFieldStream::skip_field_beyond() {
  if (alone_ && !failed_) return single_.skip_field();
  double ignored = 0;
  const ReadStatus status = next_number_beyond(ignored);
  return status == ReadStatus::NotNumeric ? ReadStatus::Ok : status;
}

bool ParallelFieldStream::at_end() {
  for (;;) {
    if (failed_) return false;
    if (alone_) return single_.at_end();
    if (current_ != nullptr) {
      if (place_ < current_->values.size() || current_->end == ChunkEnd::ReadFailure) return false;
      if (current_->last) return true;
    }
    take_next_chunk();
  }
}

}  // namespace meldrit::textio
