#include "textio/text_writer.h"

#include "textio/system_files.h"

namespace meldrit::textio {

TextWriter::~TextWriter() {
  close();
}

bool TextWriter::create(const std::string& path) {
  close();
  ok_ = true;
  buffer_.clear();
  fd_ = system_files::create_for_writing(path.c_str());
  if (fd_ < 0) return false;
  buffer_.reserve(kFlushAt + 4096);
  return true;
}

bool TextWriter::write_all(std::string_view bytes) {
  std::size_t done = 0;
  while (ok_ && done < bytes.size()) {
    const long wrote = system_files::write_some(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else {
      ok_ = false;
    }
  }
  return ok_;
}

bool TextWriter::flush() {
  write_all(buffer_);
  buffer_.clear();
  return ok_;
}

bool TextWriter::write_lines(std::string_view lines) {
  return flush() && write_all(lines);
}

bool TextWriter::end_line() {
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushAt) return flush();
  return ok_;
}

bool TextWriter::write_line(std::string_view text) {
  buffer_ += text;
  return end_line();
}

bool TextWriter::close() {
  if (fd_ < 0) return ok_;
  flush();
  if (!system_files::close_file(fd_)) ok_ = false;
  fd_ = -1;
  return ok_;
}

}  // namespace meldrit::textio
