#include "fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "textio/numeric_value.h"

namespace meldrit::fuzz {
namespace {

std::size_t block_limit = std::numeric_limits<std::size_t>::max();

}  // namespace
}  // namespace meldrit::fuzz

// Linked with --wrap for the FieldStream constructor: every stream of the operations, whatever block
// it asks for, reads through the block the running target chose.
extern "C" void __real__ZN7meldrit6textio11FieldStreamC1Em(void* self, std::size_t block_size);
extern "C" void __wrap__ZN7meldrit6textio11FieldStreamC1Em(void* self, std::size_t block_size) {
  __real__ZN7meldrit6textio11FieldStreamC1Em(self, std::min(block_size, meldrit::fuzz::block_limit));
}

// Every run of a job writes through a 1 MiB buffer. Zeroing the shadow of such a block with memset
// rather than a fresh mapping halves what its allocation costs; the checks stay the same.
extern "C" const char* __asan_default_options() {
  return "clear_shadow_mmap_threshold=1073741824";
}

namespace meldrit::fuzz {

namespace {

// The folder of this process's scratch files, on a memory file system where there is one; removed
// at exit, once the files in it are.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    for (const std::string& parent :
         {std::string("/dev/shm"), std::string(tmpdir && *tmpdir ? tmpdir : "/tmp")}) {
      std::string name = parent + "/meldrit-fuzz-XXXXXX";
      if (::mkdtemp(name.data())) {
        path_ = name;
        return;
      }
    }
    fail("cannot create a folder for scratch files");
  }
  ~ScratchFolder() { ::rmdir(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const std::string& scratch_folder() {
  static const ScratchFolder folder;
  return folder.path();
}

}  // namespace

ScratchFile::ScratchFile(const char* role) {
  static int made = 0;
  path_ = scratch_folder() + "/" + role + "-" + std::to_string(++made) + ".txt";
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd_ < 0) fail("cannot create a scratch file", path_);
}

ScratchFile::~ScratchFile() {
  ::close(fd_);
  ::unlink(path_.c_str());
}

void ScratchFile::assign(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (wrote <= 0) fail("cannot write a scratch file", path_);
    done += static_cast<std::size_t>(wrote);
  }
  if (::ftruncate(fd_, static_cast<off_t>(bytes.size())) != 0) fail("cannot truncate a scratch file", path_);
}

std::string ScratchFile::contents() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) fail("cannot size a scratch file", path_);
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

StreamBlock::StreamBlock(std::size_t bytes) : previous_(block_limit) {
  block_limit = bytes;
}

StreamBlock::~StreamBlock() {
  block_limit = previous_;
}

std::size_t block_choice(unsigned bits) {
  constexpr std::size_t kBlocks[] = {64, 509, 4096, 65536};
  return kBlocks[bits & 3];
}

std::string lf_line_ends(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

void fail(std::string_view what, std::string_view detail) {
  std::fprintf(stderr, "\n*** %.*s\n", static_cast<int>(what.size()), what.data());
  if (!detail.empty()) std::fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()), detail.data());
  std::abort();
}

namespace {

bool is_blank(int c) {
  return c == ' ' || c == '\t';
}
bool is_line_end(int c) {
  return c == '\r' || c == '\n';
}

}  // namespace

void FieldModel::consume_pending_separator() {
  if (!pending_) return;
  pending_ = false;
  while (is_blank(peek())) ++pos_;
  if (peek() == ',') ++pos_;
}

void FieldModel::skip_separators() {
  consume_pending_separator();
  while (is_blank(peek()) || is_line_end(peek())) ++pos_;
}

void FieldModel::end_line() {
  if (pos_ >= text_.size()) return;
  const char end = text_[pos_++];
  if (end == '\r' && peek() == '\n') ++pos_;
}

bool FieldModel::skip_lines(double count) {
  if (!(count >= 1)) return true;
  for (double i = 0; i < std::floor(count); ++i) {
    consume_pending_separator();
    if (peek() < 0) return false;
    while (peek() >= 0 && !is_line_end(peek())) ++pos_;
    end_line();
  }
  return true;
}

bool FieldModel::read_line(std::string& line) {
  line.clear();
  consume_pending_separator();
  if (peek() < 0) return false;
  while (peek() >= 0 && !is_line_end(peek())) line += text_[pos_++];
  end_line();
  return true;
}

bool FieldModel::count_line_fields(std::uint64_t& count) {
  count = 0;
  consume_pending_separator();
  if (peek() < 0) return false;
  char before = ' ';
  while (peek() >= 0 && !is_line_end(peek())) {
    const char c = text_[pos_++];
    if (c != ' ' && before == ' ') ++count;
    before = c;
  }
  end_line();
  return true;
}

bool FieldModel::at_end() {
  skip_separators();
  return pos_ >= text_.size();
}

FieldModel::Status FieldModel::next_field(std::string_view& field, bool text_mode) {
  skip_separators();
  if (pos_ >= text_.size()) return Status::End;
  if (text_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    const std::size_t close = text_.find('"', start);
    const std::size_t end = close == std::string_view::npos ? text_.size() : close;
    field = text_.substr(start, end - start);
    pos_ = close == std::string_view::npos ? text_.size() : close + 1;
  } else if (text_[pos_] == ',') {
    field = text_.substr(pos_, 0);
  } else {
    std::size_t end = pos_;
    while (end < text_.size()) {
      const int c = static_cast<unsigned char>(text_[end]);
      if (c == ',' || is_line_end(c) || (!text_mode && is_blank(c))) break;
      ++end;
    }
    std::size_t last = end;
    if (text_mode) {
      while (last > pos_ && is_blank(static_cast<unsigned char>(text_[last - 1]))) --last;
    }
    field = text_.substr(pos_, last - pos_);
    pos_ = end;
  }
  pending_ = true;
  return Status::Ok;
}

FieldModel::Status FieldModel::next_number(double& value) {
  std::string_view field;
  value = 0;
  if (next_field(field) == Status::End) return Status::End;
  if (field.empty()) return Status::Ok;
  if (textio::parse_number(field, value)) return Status::Ok;
  value = 0;
  return Status::NotNumeric;
}

}  // namespace meldrit::fuzz
