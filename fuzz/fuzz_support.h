#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace meldrit::fuzz {

// A file of this process's scratch folder (on /dev/shm where it can be), which the operations open
// by path like any other. One per role serves every input; it is removed at exit.
class ScratchFile {
 public:
  explicit ScratchFile(const char* role);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }
  // Replaces the whole content.
  void assign(std::string_view bytes);
  std::string contents() const;

 private:
  int fd_ = -1;
  std::string path_;
};

// The operations build their own field streams with 1 MiB blocks: allocating and zeroing that per
// stream costs about a millisecond under the sanitizers, and no field of a small input ever
// straddles a refill. Every FieldStream built while a StreamBlock lives reads through blocks of at
// most `bytes` (the constructor is wrapped at link time, see CMakeLists.txt).
class StreamBlock {
 public:
  explicit StreamBlock(std::size_t bytes);
  ~StreamBlock();
  StreamBlock(const StreamBlock&) = delete;
  StreamBlock& operator=(const StreamBlock&) = delete;

 private:
  std::size_t previous_;
};

// Four block sizes for two control bits: the smallest the stream takes, an odd one, a page, and
// one larger than any input (every file is read by one call).
std::size_t block_choice(unsigned bits);

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// An input split into its leading control bytes (0 where the input is shorter) and the file.
template <std::size_t kControls>
struct Input {
  std::uint8_t control[kControls] = {};
  std::string_view text;

  Input(const std::uint8_t* data, std::size_t size) {
    const std::size_t taken = size < kControls ? size : kControls;
    for (std::size_t i = 0; i < taken; ++i) control[i] = data[i];
    text = as_text(data + taken, size - taken);
  }
};

// Every line end (CR LF, lone CR, lone LF) as one LF: the same lines, and the same fields, except
// inside quoted fields, which may hold line ends.
std::string lf_line_ends(std::string_view text);

// Stops the process with `what` and the details on stderr, so that libFuzzer keeps the input.
[[noreturn]] void fail(std::string_view what, std::string_view detail = {});
inline void check(bool ok, std::string_view what) {
  if (!ok) fail(what);
}
// `detail` makes the text only when the check fails.
template <typename Detail>
void check(bool ok, std::string_view what, Detail detail) {
  if (!ok) fail(what, detail());
}

// The rules of textio/field_stream.h read plainly: one cursor over the whole text, no blocks, no
// limits. The targets hold the operations' results against what this reads.
class FieldModel {
 public:
  enum class Status { Ok, NotNumeric, End };

  explicit FieldModel(std::string_view text) : text_(text) {}

  // Whole lines; false when the text ends before all of them were read.
  bool skip_lines(double count);
  bool read_line(std::string& line);
  // Fields of the rest of the line as the column count sees them (only the blank separates).
  bool count_line_fields(std::uint64_t& count);
  bool at_end();
  Status next_field(std::string_view& field, bool text_mode = false);
  // Like FieldStream::next_number: empty reads as 0, a field that is no number as 0 and NotNumeric.
  Status next_number(double& value);
  // Bytes from the start of the text to the cursor.
  std::size_t position() const { return pos_; }

 private:
  int peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }
  void consume_pending_separator();
  void skip_separators();
  void end_line();

  std::string_view text_;
  std::size_t pos_ = 0;
  bool pending_ = false;
};

}  // namespace meldrit::fuzz
