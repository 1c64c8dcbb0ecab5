#include "textio/field_stream.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "textio/numeric_value.h"
#include "textio/system_files.h"

namespace meldrit::textio {
namespace {

// Character classes of the hot loops, looked up instead of compared one by one.
enum : unsigned char {
  kBlank = 1,    // blank or tab
  kLineEnd = 2,  // CR or LF
  kComma = 4,
  kNumberEnd = 8,  // ends a number field: blank, tab, comma, CR, LF
  kTextEnd = 16,   // ends a text field: comma, CR, LF
};

constexpr std::array<unsigned char, 256> make_classes() {
  std::array<unsigned char, 256> table{};
  table[' '] = kBlank | kNumberEnd;
  table['\t'] = kBlank | kNumberEnd;
  table['\r'] = kLineEnd | kNumberEnd | kTextEnd;
  table['\n'] = kLineEnd | kNumberEnd | kTextEnd;
  table[','] = kComma | kNumberEnd | kTextEnd;
  return table;
}
constexpr std::array<unsigned char, 256> kClasses = make_classes();

inline unsigned char class_of(char c) {
  return kClasses[static_cast<unsigned char>(c)];
}

}  // namespace

FieldStream::FieldStream(std::size_t block_size) : block_(block_size < 64 ? 64 : block_size) {}

FieldStream::~FieldStream() {
  close();
}

FieldStream::FieldStream(FieldStream&& other) noexcept : block_(other.block_) {
  *this = std::move(other);
}

FieldStream& FieldStream::operator=(FieldStream&& other) noexcept {
  if (this == &other) return *this;
  close();
  fd_ = std::exchange(other.fd_, -1);
  borrowed_ = other.borrowed_;
  eof_ = other.eof_;
  error_ = other.error_;
  pending_separator_ = other.pending_separator_;
  quoted_seen_ = other.quoted_seen_;
  buffer_ = std::move(other.buffer_);
  block_ = other.block_;
  pos_ = std::exchange(other.pos_, 0);
  end_ = std::exchange(other.end_, 0);
  consumed_before_ = other.consumed_before_;
  limit_ = other.limit_;
  return *this;
}

bool FieldStream::open(const std::string& path) {
  close();
  const int fd = system_files::open_for_reading(path.c_str());
  if (fd < 0) return false;
  fd_ = fd;
  eof_ = false;
  error_ = false;
  pending_separator_ = false;
  quoted_seen_ = false;
  pos_ = 0;
  end_ = 0;
  consumed_before_ = 0;
  limit_ = UINT64_MAX;
  if (buffer_.size() < block_) buffer_.resize(block_);
  return true;
}

bool FieldStream::open_range(int shared_fd, std::uint64_t begin, std::uint64_t end) {
  // A worker reads range after range of one file: the buffer stays for the next.
  detach();
  if (shared_fd < 0) return false;
  fd_ = shared_fd;
  borrowed_ = true;
  eof_ = error_ = pending_separator_ = quoted_seen_ = false;
  pos_ = end_ = 0;
  consumed_before_ = begin;
  limit_ = end;
  if (buffer_.size() < block_) buffer_.resize(block_);
  return true;
}

bool FieldStream::open_range(const std::string& path, std::uint64_t begin, std::uint64_t end) {
  if (!open(path) || !seek(begin)) {
    close();
    return false;
  }
  limit_ = end;
  return true;
}

void FieldStream::detach() {
  if (fd_ >= 0 && !borrowed_) system_files::close_file(fd_);
  fd_ = -1;
  borrowed_ = false;
  pos_ = end_ = 0;
}

void FieldStream::close() {
  detach();
  // Many streams may be closed and kept (the realizations of a pass): none holds its buffer.
  std::vector<char>().swap(buffer_);
}

bool FieldStream::refill() {
  if (fd_ < 0 || eof_ || error_) return false;
  if (pos_ > 0) {
    const std::size_t kept = end_ - pos_;
    if (kept > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    consumed_before_ += pos_;
    pos_ = 0;
    end_ = kept;
  }
  if (buffer_.size() - end_ < block_ / 2) buffer_.resize(end_ + block_);
  std::size_t room = buffer_.size() - end_;
  const std::uint64_t held_to = consumed_before_ + end_;
  if (held_to >= limit_) {
    eof_ = true;
    return false;
  }
  if (limit_ - held_to < room) room = static_cast<std::size_t>(limit_ - held_to);
  const long got = borrowed_ ? system_files::read_at(fd_, buffer_.data() + end_, room, held_to)
                             : system_files::read_some(fd_, buffer_.data() + end_, room);
  if (got > 0) {
    end_ += static_cast<std::size_t>(got);
    return true;
  }
  if (got == 0) {
    eof_ = true;
  } else {
    error_ = true;
  }
  return false;
}

int FieldStream::peek() {
  if (pos_ < end_ || refill()) return static_cast<unsigned char>(buffer_[pos_]);
  return -1;
}

// A field that was read leaves the blanks up to a comma, and that one comma, to be consumed
// before whatever is read next; doing it lazily keeps the last field's view valid until then.
void FieldStream::consume_pending_separator() {
  if (!pending_separator_) return;
  pending_separator_ = false;
  // Usually the separator lies in the buffer; peek() refills only at its end.
  while (pos_ < end_ && buffer_[pos_] == ' ') ++pos_;
  if (pos_ < end_ && buffer_[pos_] != '\t') {
    if (buffer_[pos_] == ',') ++pos_;
    return;
  }
  int c = peek();
  while (c >= 0 && (class_of(static_cast<char>(c)) & kBlank)) {
    ++pos_;
    c = peek();
  }
  if (c == ',') ++pos_;
}

void FieldStream::skip_separators_before_field() {
  consume_pending_separator();
  for (;;) {
    while (pos_ < end_ && (class_of(buffer_[pos_]) & (kBlank | kLineEnd))) ++pos_;
    if (pos_ < end_ || !refill()) return;
  }
}

bool FieldStream::skip_one_line() {
  consume_pending_separator();
  if (peek() < 0) return false;
  // Nothing is held, but a line without end (a device, a file of NULs) must still end the read.
  const std::uint64_t start = bytes_consumed();
  for (;;) {
    while (pos_ < end_ && !(class_of(buffer_[pos_]) & kLineEnd)) ++pos_;
    if (pos_ < end_) break;
    if (bytes_consumed() - start > kMaxHeld) {
      error_ = true;
      return false;
    }
    if (!refill()) return !error_;  // a last line without a line end
  }
  const char end = buffer_[pos_++];
  if (end == '\r' && peek() == '\n') ++pos_;
  return true;
}

bool FieldStream::skip_lines(double count) {
  if (!(count >= 1)) return true;
  const double whole = std::floor(count);
  for (double i = 0; i < whole; ++i) {
    if (!skip_one_line()) return false;
  }
  return true;
}

bool FieldStream::read_line(std::string& line) {
  line.clear();
  consume_pending_separator();
  if (peek() < 0) return false;
  for (;;) {
    const std::size_t start = pos_;
    while (pos_ < end_ && !(class_of(buffer_[pos_]) & kLineEnd)) ++pos_;
    line.append(buffer_.data() + start, pos_ - start);
    if (line.size() > kMaxHeld) {
      error_ = true;
      return false;
    }
    if (pos_ < end_) break;
    if (!refill()) return !error_;
  }
  const char end = buffer_[pos_++];
  if (end == '\r' && peek() == '\n') ++pos_;
  return true;
}

bool FieldStream::count_line_fields(std::uint64_t& count) {
  count = 0;
  consume_pending_separator();
  if (peek() < 0) return false;
  char before = ' ';
  const std::uint64_t start = bytes_consumed();
  for (;;) {
    for (; pos_ < end_ && !(class_of(buffer_[pos_]) & kLineEnd); ++pos_) {
      const char c = buffer_[pos_];
      if (c != ' ' && before == ' ') ++count;
      before = c;
    }
    if (pos_ < end_) break;
    if (bytes_consumed() - start > kMaxHeld) {
      error_ = true;
      return false;
    }
    if (!refill()) return !error_;
  }
  const char end = buffer_[pos_++];
  if (end == '\r' && peek() == '\n') ++pos_;
  return true;
}

std::uint64_t FieldStream::next_field_offset() {
  skip_separators_before_field();
  return bytes_consumed();
}

bool FieldStream::seek(std::uint64_t offset) {
  if (fd_ < 0 || (!borrowed_ && !system_files::seek_to(fd_, offset))) return false;
  eof_ = false;
  error_ = false;
  pending_separator_ = false;
  pos_ = end_ = 0;
  consumed_before_ = offset;
  return true;
}

bool FieldStream::at_end() {
  skip_separators_before_field();
  return pos_ >= end_;
}

// The place of the first byte from pos_ on that ends the field, reading more as needed; end_ when
// the file ends first. The field's bytes stay in the buffer, from pos_ on.
// A field of kMaxHeld bytes or more is a read failure wherever the blocks happen to end.
template <typename Ends>
std::size_t FieldStream::find_field_end(Ends ends) {
  std::size_t i = pos_;
  for (;;) {
    while (i < end_ && !ends(buffer_[i])) ++i;
    const std::size_t offset = i - pos_;
    if (offset >= kMaxHeld) {
      error_ = true;
      return i;
    }
    if (i < end_) return i;
    const bool more = refill();  // moves the kept bytes to the front, even at the end
    i = pos_ + offset;
    if (!more) return i;
  }
}

ReadStatus FieldStream::scan_field(std::string_view& field, FieldMode mode) {
  skip_separators_before_field();
  if (pos_ >= end_) return error_ ? ReadStatus::IoError : ReadStatus::EndOfFile;
  const unsigned char stop = mode == FieldMode::Number ? kNumberEnd : kTextEnd;
  if (buffer_[pos_] == '"') {
    quoted_seen_ = true;
    ++pos_;
    const std::size_t i = find_field_end([](char c) { return c == '"'; });
    if (error_) return ReadStatus::IoError;
    field = std::string_view(buffer_.data() + pos_, i - pos_);
    pos_ = i < end_ ? i + 1 : i;  // past the closing quote
  } else if (buffer_[pos_] == ',') {
    field = std::string_view(buffer_.data() + pos_, 0);
  } else {
    const std::size_t i = find_field_end([stop](char c) { return (class_of(c) & stop) != 0; });
    if (error_) return ReadStatus::IoError;
    std::size_t last = i;
    if (mode == FieldMode::Text) {
      // A text field keeps inner blanks but not the ones before its comma or line end.
      while (last > pos_ && (class_of(buffer_[last - 1]) & kBlank)) --last;
    }
    field = std::string_view(buffer_.data() + pos_, last - pos_);
    pos_ = i;
  }
  pending_separator_ = true;
  return ReadStatus::Ok;
}

ReadStatus FieldStream::next_field(std::string_view& field, FieldMode mode) {
  return scan_field(field, mode);
}

namespace {

constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kWholePowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr std::size_t kLongestFast = 19;  // digits that always fit 64 bits

inline bool is_digit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

// The run of digits that starts the 8 bytes at `p` (0 to 8 of them) and their value, for a
// little-endian load: a byte is no digit when it has its top bit set, or lies above '9' (adding
// 0x46 sets the bit) or below '0' (subtracting 0x30 does). Carries and borrows only run towards
// later bytes, so the first non-digit is always found right.
inline int digit_run(const char* p, std::uint64_t& value) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  const std::uint64_t not_digit =
      (x | (x + 0x4646464646464646ULL) | (x - 0x3030303030303030ULL)) & 0x8080808080808080ULL;
  const int count = not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
  if (count == 0) {
    value = 0;
    return 0;
  }
  // The digits moved to the top bytes behind zeros, then combined in pairs, fours and eights.
  std::uint64_t d = (x - 0x3030303030303030ULL) << (8 * (8 - count));
  d = d * 10 + (d >> 8);
  d = (((d & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
       (((d >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
      32;
  value = static_cast<std::uint32_t>(d);
  return count;
}

}  // namespace

// Most fields are short plain decimals ("0.123456", "-12.5", "3"). Their digits fit a whole
// number m below 2^53 and their decimals f are at most 22, so m and 10^f are both exact doubles
// and m / 10^f is the correctly rounded value: what std::from_chars gives, in one pass over the
// bytes, eight digits at a time while the buffer holds a margin after the field. Anything else
// (an exponent, a long mantissa, a field near the end of the buffer, a stray character) is left
// to the general path. Nothing is changed unless the number is taken.
bool FieldStream::fast_number(std::size_t at, double& value) {
  const char* p = buffer_.data() + at;
  const char* const end = buffer_.data() + end_;
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  // A one-digit whole number, the codes of a class or phase file, needs no more than its digit.
  if (end - p >= 2 && is_digit(p[0]) && (class_of(p[1]) & kNumberEnd)) {
    const double digit = static_cast<double>(p[0] - '0');
    value = negative ? -digit : digit;
    pos_ = static_cast<std::size_t>(p + 1 - buffer_.data());
    pending_separator_ = true;
    return true;
  }
  std::uint64_t mantissa = 0;
  std::size_t digits = 0;
  std::size_t decimals = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::ptrdiff_t kMargin = 64;  // more than 1 + 19 digits + 1 point + two loads
    if (end - p >= kMargin) {
      int run = 8;
      for (std::uint64_t part = 0; run == 8 && digits <= kLongestFast;) {
        run = digit_run(p, part);
        mantissa = mantissa * kWholePowersOfTen[run] + part;
        digits += static_cast<std::size_t>(run);
        p += run;
      }
      if (*p == '.' && digits <= kLongestFast) {
        ++p;
        run = 8;
        for (std::uint64_t part = 0; run == 8 && digits <= kLongestFast;) {
          run = digit_run(p, part);
          mantissa = mantissa * kWholePowersOfTen[run] + part;
          digits += static_cast<std::size_t>(run);
          decimals += static_cast<std::size_t>(run);
          p += run;
        }
      }
      goto convert;
    }
  }
  while (p < end && is_digit(*p) && digits <= kLongestFast) {
    mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
    ++digits;
    ++p;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && is_digit(*p) && digits <= kLongestFast) {
      mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
      ++digits;
      ++decimals;
      ++p;
    }
  }
convert:
  // Past 19 digits the mantissa may have wrapped; the test needs it exact.
  if (digits == 0 || digits > kLongestFast || decimals > 22 || mantissa > (std::uint64_t{1} << 53))
    return false;
  if (p >= end || !(class_of(*p) & kNumberEnd)) return false;
  const double magnitude = static_cast<double>(mantissa) / kExactPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  pos_ = static_cast<std::size_t>(p - buffer_.data());
  pending_separator_ = true;
  return true;
}

ReadStatus FieldStream::next_number(double& value) {
  // The separators before the field, found in the buffer without a call; the general path below
  // starts over from pos_ whenever this one gives up.
  const char* const bytes = buffer_.data();
  std::size_t at = pos_;
  bool in_buffer = true;
  if (pending_separator_) {
    while (at < end_ && (class_of(bytes[at]) & kBlank)) ++at;
    if (at < end_ && bytes[at] == ',') ++at;
    in_buffer = at < end_;
  }
  while (at < end_ && (class_of(bytes[at]) & (kBlank | kLineEnd))) ++at;
  if (in_buffer && at < end_ && bytes[at] != '"' && fast_number(at, value)) return ReadStatus::Ok;

  std::string_view field;
  const ReadStatus status = scan_field(field, FieldMode::Number);
  if (status != ReadStatus::Ok) return status;
  if (field.empty()) {
    value = 0;
    return ReadStatus::Ok;
  }
  if (!parse_number(field, value)) {
    value = 0;
    rejected_ = field;
    return ReadStatus::NotNumeric;
  }
  return ReadStatus::Ok;
}

ReadStatus FieldStream::skip_field() {
  std::string_view field;
  return scan_field(field, FieldMode::Number);
}

}  // namespace meldrit::textio
