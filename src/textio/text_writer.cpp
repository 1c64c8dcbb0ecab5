#include "textio/text_writer.h"

#include <cerrno>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace meldrit::textio {
namespace {

#ifdef _WIN32
int create_for_writing(const char* path) {
  return ::_open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long write_some(int fd, const char* data, std::size_t size) {
  return ::_write(fd, data, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
int close_fd(int fd) {
  return ::_close(fd);
}
#else
int create_for_writing(const char* path) {
  return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}
long write_some(int fd, const char* data, std::size_t size) {
  return static_cast<long>(::write(fd, data, size));
}
int close_fd(int fd) {
  return ::close(fd);
}
#endif

}  // namespace

TextWriter::~TextWriter() {
  close();
}

bool TextWriter::create(const std::string& path) {
  close();
  ok_ = true;
  buffer_.clear();
  fd_ = create_for_writing(path.c_str());
  if (fd_ < 0) return false;
  buffer_.reserve(kFlushAt + 4096);
  return true;
}

bool TextWriter::flush() {
  std::size_t done = 0;
  while (ok_ && done < buffer_.size()) {
    const long wrote = write_some(fd_, buffer_.data() + done, buffer_.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else {
      ok_ = false;
    }
  }
  buffer_.clear();
  return ok_;
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
  if (close_fd(fd_) != 0) ok_ = false;
  fd_ = -1;
  return ok_;
}

}  // namespace meldrit::textio
