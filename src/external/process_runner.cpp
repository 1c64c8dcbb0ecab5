#include "external/process_runner.h"

#include <optional>
#include <string_view>
#include <vector>

#include "external/command_line.h"
#include "external/program_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;
#endif

namespace meldrit::external {
namespace {

// How often a wait that can be cancelled asks whether it is.
constexpr int kPollMilliseconds = 20;

bool is_executable_file(const std::string& path) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
#endif
}

bool has_folder(std::string_view word) {
  return word.find_first_of("/\\") != std::string_view::npos;
}

bool is_absolute(std::string_view word) {
  if (!word.empty() && (word[0] == '/' || word[0] == '\\')) return true;
  return word.size() > 1 && word[1] == ':';
}

#ifndef _WIN32
// Windows finds the program of a command line itself (CreateProcessA); here it is looked for as
// Windows would.
struct Resolved {
  std::string program;
  std::vector<std::string> arguments;  // the words, the program's own word first
};

// Windows tries an unquoted program path with blanks in it prefix by prefix ("C:\Program",
// then "C:\Program Files\x.exe"); a program folder with blanks thus still finds its editor.
std::optional<Resolved> resolve(std::string_view line, const std::string& working_folder) {
  std::vector<std::string> words = split_command_line(line);
  if (words.empty() || words[0].empty()) return std::nullopt;
  std::string program = find_program(words[0], working_folder);
  if (!program.empty()) return Resolved{program, std::move(words)};

  std::size_t start = line.find_first_not_of(" \t");
  if (line[start] == '"') return std::nullopt;
  std::size_t pos = line.find_first_of(" \t", start);
  while (pos != std::string_view::npos) {
    std::size_t next = line.find_first_of(" \t", line.find_first_not_of(" \t", pos));
    std::string_view candidate =
        line.substr(start, (next == std::string_view::npos ? line.size() : next) - start);
    while (!candidate.empty() && (candidate.back() == ' ' || candidate.back() == '\t'))
      candidate.remove_suffix(1);
    program = find_program(std::string(candidate), working_folder);
    if (!program.empty()) {
      std::string rest = next == std::string_view::npos ? std::string() : std::string(line.substr(next));
      std::vector<std::string> arguments = split_command_line("x " + rest);
      arguments[0] = std::string(candidate);
      return Resolved{program, std::move(arguments)};
    }
    pos = next;
  }
  return std::nullopt;
}

std::optional<pid_t> spawn(const Resolved& resolved, const std::string& working_folder, bool own_session) {
  std::vector<char*> argv;
  for (const std::string& word : resolved.arguments) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!working_folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
#ifdef POSIX_SPAWN_SETSID
  // The editor lives on after us and must not get the signals of our terminal.
  if (own_session) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
#else
  (void)own_session;
#endif
  pid_t pid = 0;
  int error = posix_spawn(&pid, resolved.program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return std::nullopt;
  return pid;
}

// Collects the exit status of a child that we no longer wait for, so that it leaves no zombie.
void reap_later(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}
#endif

}  // namespace

std::string find_program(const std::string& word, const std::string& working_folder) {
  if (word.empty()) return {};
  if (has_folder(word)) {
    std::string path = is_absolute(word) || working_folder.empty() ? word : working_folder + "/" + word;
    return is_executable_file(path) ? path : std::string();
  }
  std::string in_program_folder = program_folder() + "/" + word;
  if (is_executable_file(in_program_folder)) return in_program_folder;
  const char* search_path = std::getenv("PATH");
  if (search_path == nullptr) return {};
#ifdef _WIN32
  const char separator = ';';
#else
  const char separator = ':';
#endif
  std::string_view rest(search_path);
  for (;;) {
    std::size_t end = rest.find(separator);
    std::string_view folder = rest.substr(0, end);
    std::string candidate = (folder.empty() ? std::string(".") : std::string(folder)) + "/" + word;
    if (is_executable_file(candidate)) return candidate;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return {};
}

#ifdef _WIN32

bool run_and_wait(const std::string& command_line, const std::string& working_folder, int timeout_ms,
                  int window_mode, int creation_flags, const std::function<bool()>& cancelled,
                  int* exit_status) {
  if (exit_status != nullptr) *exit_status = -1;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = 1;  // STARTF_USESHOWWINDOW
  startup.wShowWindow = static_cast<WORD>(window_mode);
  SECURITY_ATTRIBUTES process_security{};
  process_security.nLength = 12;
  SECURITY_ATTRIBUTES thread_security{};
  thread_security.nLength = 12;
  PROCESS_INFORMATION info{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  // A null environment: the program inherits ours.
  if (!CreateProcessA(nullptr, line.data(), &process_security, &thread_security, FALSE,
                      static_cast<DWORD>(creation_flags), nullptr,
                      working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &info)) {
    return false;
  }
  bool ended_by_itself = false;
  if (!cancelled) {
    ended_by_itself =
        WaitForSingleObject(info.hProcess, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms)) ==
        WAIT_OBJECT_0;
  } else {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      if (WaitForSingleObject(info.hProcess, kPollMilliseconds) != WAIT_TIMEOUT) {
        ended_by_itself = true;
        break;
      }
      if (cancelled()) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
        break;
      }
      if (timeout_ms >= 0 && GetTickCount64() - start >= static_cast<ULONGLONG>(timeout_ms)) break;
    }
  }
  DWORD code = 0;
  if (ended_by_itself && exit_status != nullptr && GetExitCodeProcess(info.hProcess, &code)) {
    *exit_status = static_cast<int>(code);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

bool start_detached(const std::string& command_line, int window_style) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = 1;
  startup.wShowWindow = static_cast<WORD>(window_style);
  PROCESS_INFORMATION info{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

#else

bool run_and_wait(const std::string& command_line, const std::string& working_folder, int timeout_ms,
                  int /*window_mode*/, int /*creation_flags*/, const std::function<bool()>& cancelled,
                  int* exit_status) {
  if (exit_status != nullptr) *exit_status = -1;
  std::optional<Resolved> resolved = resolve(command_line, working_folder);
  if (!resolved) return false;
  std::optional<pid_t> pid = spawn(*resolved, working_folder, false);
  if (!pid) return false;

  int status = 0;
  const auto report = [&] {
    if (exit_status != nullptr && WIFEXITED(status)) *exit_status = WEXITSTATUS(status);
    return true;
  };
  if (timeout_ms < 0 && !cancelled) {
    pid_t done = -1;
    while ((done = waitpid(*pid, &status, 0)) < 0 && errno == EINTR) {
    }
    return done == *pid ? report() : true;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    pid_t done = waitpid(*pid, &status, WNOHANG);
    if (done == *pid) return report();
    if (done < 0 && errno != EINTR) return true;
    if (cancelled && cancelled()) {
      // Ended and waited for, so that nothing of it outlives the run.
      kill(*pid, SIGTERM);
      while (waitpid(*pid, &status, 0) < 0 && errno == EINTR) {
      }
      return true;
    }
    if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(cancelled ? kPollMilliseconds : 5));
  }
  reap_later(*pid);
  return true;
}

bool start_detached(const std::string& command_line, int /*window_style*/) {
  std::optional<Resolved> resolved = resolve(command_line, std::string());
  if (!resolved) return false;
  std::optional<pid_t> pid = spawn(*resolved, std::string(), true);
  if (!pid) return false;
  reap_later(*pid);
  return true;
}

#endif

}  // namespace meldrit::external
