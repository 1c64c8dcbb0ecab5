#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace meldrit::test {

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("meldrit-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // Writes bytes exactly as given (no line-end translation).
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary);
    out << bytes;
    return full;
  }

 private:
  std::filesystem::path path_;
};

// "a|b" -> "a\r\nb\r\n": the lines of a file the program writes or reads.
inline std::string crlf(std::string_view joined) {
  std::string text;
  for (const char c : joined) text += c == '|' ? std::string("\r\n") : std::string(1, c);
  return text + "\r\n";
}

// A path caption with a blank on either side, as a trimmed label may hold it.
inline std::string blank_padded(const std::string& text) {
  std::string padded(1, ' ');
  padded += text;
  padded += ' ';
  return padded;
}

inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace meldrit::test
