#include "textio/background_lines.h"

#include <algorithm>
#include <utility>

#include "textio/number_format.h"

namespace meldrit::textio {
namespace {

constexpr std::size_t kSmallBatch = 4096;
constexpr std::size_t kRoom = kPrintNumberRoom + 2;  // a line and its end

// Lines of `values` in `form`, from the start of `buffer`; returns their length.
std::size_t format_lines(const BackgroundLines::Form& form, const std::vector<double>& values,
                         std::string& buffer) {
  std::size_t used = 0;
  std::string slow;
  for (const double value : values) {
    if (buffer.size() - used < kRoom) buffer.resize(std::max(2 * buffer.size(), used + kRoom));
    char* end = form.write(buffer.data() + used, value);
    if (end == nullptr) {
      slow.clear();
      form.append(slow, value);
      if (buffer.size() - used < slow.size() + 2) buffer.resize(used + slow.size() + kRoom);
      end = std::copy(slow.begin(), slow.end(), buffer.data() + used);
    }
    *end++ = '\r';
    *end++ = '\n';
    used = static_cast<std::size_t>(end - buffer.data());
  }
  return used;
}

}  // namespace

BackgroundLines::BackgroundLines(Form form, bool background)
    : form_(form), background_(background), batch_size_(background ? kBatch : kSmallBatch) {}

bool BackgroundLines::create(const std::string& path, const OutputHeader& header) {
  close();
  ok_ = true;
  batch_.clear();
  batch_.reserve(batch_size_);
  if (!writer_.create(path) || !write_output_header(writer_, header)) return false;
  blocks_ = std::make_unique<OrderedBlocks>(writer_, background_ ? 1 : 0);
  return true;
}

bool BackgroundLines::hand_off() {
  if (blocks_ == nullptr || batch_.empty()) return ok_;
  const Form form = form_;
  ok_ = blocks_->add([form, values = std::move(batch_)](std::string& buffer) {
    return format_lines(form, values, buffer);
  }) && ok_;
  batch_ = {};
  batch_.reserve(batch_size_);
  return ok_;
}

bool BackgroundLines::close() {
  if (!writer_.is_open()) return ok_;
  // An error formatting a block (out of memory) ends the file as a failed write does.
  try {
    hand_off();
    if (!blocks_->finish()) ok_ = false;
  } catch (...) {
    ok_ = false;
  }
  blocks_.reset();
  batch_.clear();
  if (!writer_.close()) ok_ = false;
  return ok_;
}

}  // namespace meldrit::textio
