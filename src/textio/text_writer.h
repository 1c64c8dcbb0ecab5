#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace meldrit::textio {

// Buffered writer of a text file whose lines end with CR LF. Callers append a line's text to
// line() and call end_line(); the buffer goes to the file in large blocks, and close() writes the
// rest, so a run that stops on bad input still leaves every finished line in the file.
class TextWriter {
 public:
  static constexpr std::size_t kFlushAt = std::size_t{1} << 20;

  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Creates the file anew (an existing file is replaced). False when it cannot be created.
  bool create(const std::string& path);
  bool is_open() const { return fd_ >= 0; }

  std::string& line() { return buffer_; }
  // Ends the current line with CR LF. False once a write has failed.
  bool end_line();
  bool write_line(std::string_view text);
  // Writes whole lines, each already ending with CR LF, after what is buffered and without copying
  // them: for callers that format many lines into a block of their own. False once a write failed.
  bool write_lines(std::string_view lines);

  // Writes what is buffered and closes the file. False when any write failed.
  bool close();
  bool ok() const { return ok_; }

 private:
  bool flush();
  bool write_all(std::string_view bytes);

  int fd_ = -1;
  bool ok_ = true;
  std::string buffer_;
};

}  // namespace meldrit::textio
