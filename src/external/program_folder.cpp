#include "external/program_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

#include <vector>

namespace meldrit::external {

std::string program_folder() {
  std::string path;
#ifdef _WIN32
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".";
    if (length < buffer.size()) {
      path.assign(buffer.data(), length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
#else
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return ".";
    if (static_cast<std::size_t>(length) < buffer.size()) {
      path.assign(buffer.data(), static_cast<std::size_t>(length));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
#endif
  std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace meldrit::external
