#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

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

// The quoted path of a program built beside the tests.
inline std::string built(const std::string& name) {
  return "'" MELDRIT_PROGRAM_FOLDER "/" + name + "'";
}

}  // namespace meldrit::test
