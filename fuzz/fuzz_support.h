#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace meldrit::fuzz {

// The readers take paths, so every input goes through one scratch file of this process.
inline std::string scratch_path(const char* role) {
  return "/tmp/meldrit-fuzz-" + std::to_string(::getpid()) + "-" + role + ".txt";
}

inline const std::string& scratch_file(const std::uint8_t* data, std::size_t size) {
  static const std::string path = scratch_path("input");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

}  // namespace meldrit::fuzz
