#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace meldrit::test {

struct ProgramRun {
  int status = -1;  // the exit status, -1 when the program did not exit normally
  std::string out, err;
};

// Runs a shell command line in `folder` and collects its exit status and both output streams.
inline ProgramRun run_in(const std::string& folder, const std::string& command_line) {
  const std::string command = "cd '" + folder + "' && " + command_line + " >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_bytes(folder + "/stdout.txt"),
          read_bytes(folder + "/stderr.txt")};
}

struct MeasuredRun {
  int status = -1;   // the exit status, -1 when the program did not exit normally
  long peak_kb = 0;  // its largest resident size
  std::string err;
};

extern "C" char** environ;

// Runs a program (no shell between) in `folder`, standard output to a file there, and measures its
// peak memory from the system's own accounting of that one process.
inline MeasuredRun run_measured(const std::string& folder, std::vector<std::string> arguments) {
  const std::string err_path = folder + "/measured.err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (folder + "/measured.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  MeasuredRun run;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int raw = 0;
    rusage usage{};
    if (wait4(pid, &raw, 0, &usage) == pid) {
      run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      run.peak_kb = usage.ru_maxrss;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  run.err = read_bytes(err_path);
  return run;
}

// The quoted path of a program built beside the tests.
inline std::string built(const std::string& name) {
  return "'" MELDRIT_PROGRAM_FOLDER "/" + name + "'";
}

}  // namespace meldrit::test
