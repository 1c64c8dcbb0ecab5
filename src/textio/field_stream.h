#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meldrit::textio {

// How a field ends. A number field also ends at a blank; a text field runs to a comma or the
// line end. Either kind that starts with a double quote runs to the closing quote.
enum class FieldMode { Number, Text };

enum class ReadStatus {
  Ok,
  EndOfFile,   // nothing but blanks and line ends was left
  NotNumeric,  // a field was read (and consumed) but does not hold a number
  IoError,     // the read itself failed, or a field ran past kMaxHeld bytes
};

// Reads a text file once, front to back, as lines (for header lines) and then as one stream of
// fields that runs across line ends. CR LF, a lone CR and a lone LF each end a line. Leading
// blanks (and tabs) of a field are skipped, so are line ends before it; after a field the blanks
// up to a comma are skipped and that one comma is consumed.
//
// Large blocks are read straight into one buffer and fields are handed out as views into it, so
// the hot loops neither allocate nor copy. A view stays valid until the next call.
//
// Memory stays flat whatever the input: no field, quoted text or line is held past kMaxHeld
// bytes. A longer one is a read failure (IoError, or false from read_line), so a file of NULs or
// one endless line ends the operation like a file that cannot be read.
class FieldStream {
 public:
  static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;
  static constexpr std::size_t kMaxHeld = std::size_t{1} << 20;

  explicit FieldStream(std::size_t block_size = kDefaultBlock);
  ~FieldStream();
  FieldStream(const FieldStream&) = delete;
  FieldStream& operator=(const FieldStream&) = delete;
  // A stream handed on keeps its file, place and state; the one it came from is closed.
  FieldStream(FieldStream&& other) noexcept;
  FieldStream& operator=(FieldStream&& other) noexcept;

  // False when the file cannot be opened for reading. An open stream is closed first.
  bool open(const std::string& path);
  // Opens the file to read only the bytes from `begin` up to `end`, as if the file ended there;
  // `begin` must be a place where a field or a line starts. False when it cannot be opened or
  // cannot seek.
  bool open_range(const std::string& path, std::uint64_t begin, std::uint64_t end);
  // The same on a file another stream holds open: reads at their places without moving that
  // stream's, and leaves the file open on close(). So a file replaced while it is read is never
  // mixed with its successor.
  bool open_range(int shared_fd, std::uint64_t begin, std::uint64_t end);
  void close();
  bool is_open() const { return fd_ >= 0; }
  // The open file, for streams that read ranges of it.
  int descriptor() const { return fd_; }
  // Gives back the buffer while the file stays open for others to read; a seek() reads on.
  void release_buffer() {
    std::vector<char>().swap(buffer_);
    pos_ = end_ = 0;
  }

  // Reads and discards the whole part of `count` lines (below 1: none). False when the end of
  // the file comes before all of them were read (a last line without a line end counts), and for
  // a line longer than kMaxHeld.
  bool skip_lines(double count);

  // Reads the rest of the current line without its line end. False at the end of the file, and
  // for a line longer than kMaxHeld (then failed() tells it apart).
  bool read_line(std::string& line);

  // Reads the rest of the current line, without holding it, and counts its fields: places where
  // a character other than the blank starts the line or follows a blank. Only the blank separates
  // here (a tab is part of a field). False at the end of the file and for a line longer than
  // kMaxHeld.
  bool count_line_fields(std::uint64_t& count);

  // True when nothing but blanks and line ends is left.
  bool at_end();

  // The next field. Quoted fields come without their quotes. An empty field (two commas in a
  // row) is read as an empty view.
  ReadStatus next_field(std::string_view& field, FieldMode mode = FieldMode::Number);

  // The next field as a number; an empty field reads as 0. On NotNumeric the field is consumed
  // and `value` is set to 0, so a caller that reads non-numbers as 0 can go on.
  ReadStatus next_number(double& value);
  // The field the last next_number() gave NotNumeric for, for a message that quotes it; valid
  // until the next call.
  std::string_view rejected_field() const { return rejected_; }

  // Consumes the next field without converting it (for counting).
  ReadStatus skip_field();

  // Where the next field starts (blanks, line ends and the comma after the last field passed), for
  // a later seek() back to it.
  std::uint64_t next_field_offset();
  // Goes to a place next_field_offset() gave; false when the file cannot seek (a pipe).
  bool seek(std::uint64_t offset);

  // A field in double quotes was read since the file was opened: a field that may run across a
  // line end.
  bool quoted_seen() const { return quoted_seen_; }

  // A read failed, or a field or line was longer than kMaxHeld.
  bool failed() const { return error_; }

  // Bytes consumed so far (for progress and throughput figures).
  std::uint64_t bytes_consumed() const { return consumed_before_ + pos_; }

 private:
  void detach();  // closes the file (an own one) but keeps the buffer
  bool refill();  // keeps [pos_, end_) and appends a block; false at end of file or error
  int peek();     // next byte or -1 at the end
  void consume_pending_separator();
  void skip_separators_before_field();
  bool skip_one_line();
  ReadStatus scan_field(std::string_view& field, FieldMode mode);
  bool fast_number(std::size_t at, double& value);
  template <typename Ends>
  std::size_t find_field_end(Ends ends);

  int fd_ = -1;
  bool borrowed_ = false;  // another stream's file, read at places
  bool eof_ = false;
  bool error_ = false;
  bool pending_separator_ = false;
  bool quoted_seen_ = false;
  std::vector<char> buffer_;
  std::string_view rejected_;
  std::size_t block_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_before_ = 0;
  std::uint64_t limit_ = UINT64_MAX;  // the file offset where reading stops
};

}  // namespace meldrit::textio
