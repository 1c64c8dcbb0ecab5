#include "external/program_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>

#include <climits>
#endif

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace meldrit::external {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool may_write_to(const std::string& folder) {
#ifdef _WIN32
  // The folder's read-only attribute says nothing about its access rights: only a file that can
  // be made there tells.
  const std::string probe = folder + "\\meldrit-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
#else
  return access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

// Creates the folder and any missing parent, each new one private to the user, as the XDG base
// directory rules ask of configuration folders.
void create_private_folders(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || std::filesystem::is_directory(folder, error)) return;
  if (folder.has_parent_path() && folder.parent_path() != folder)
    create_private_folders(folder.parent_path());
  if (std::filesystem::create_directory(folder, error)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
  }
}

}  // namespace

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

std::string home_folder() {
#ifdef _WIN32
  return environment("USERPROFILE");
#else
  std::string home = environment("HOME");
  if (home.empty()) {
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) home = entry->pw_dir;
  }
  return home;
#endif
}

std::string user_folder() {
#ifdef _WIN32
  const std::string roaming = environment("APPDATA");
  return roaming.empty() ? std::string() : roaming + "\\Meldrit";
#else
  const std::string config = environment("XDG_CONFIG_HOME");
  // A relative value is to be ignored, as if it were unset.
  if (!config.empty() && config[0] == '/') return config + "/meldrit";
  const std::string home = home_folder();
  if (home.empty()) return {};
  return home + "/.config/meldrit";
#endif
}

std::string own_files_folder(const std::string& program_folder) {
  if (may_write_to(program_folder)) return program_folder;
  const std::string folder = user_folder();
  if (folder.empty()) return program_folder;
  // A folder that cannot be made is still the one used: the messages of what then fails name it.
  create_private_folders(folder);
  return folder;
}

std::string dialog_folder(const std::string& last_used, const std::string& program_folder) {
  if (!last_used.empty()) return last_used;
  if (may_write_to(program_folder)) return program_folder;
  const std::string home = home_folder();
  return home.empty() ? program_folder : home;
}

std::string preferences_file(const std::string& own_files_folder) {
  const std::string own = own_files_folder + "/kvat.pam";
  if (own_files_folder != user_folder()) return own;
  std::error_code error;
  if (std::filesystem::exists(own, error)) return own;
  return program_folder() + "/kvat.pam";
}

}  // namespace meldrit::external
