#include "external/process_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "external/program_folder.h"
#include "support/temp_dir.h"

namespace meldrit::external {
namespace {

using test::read_bytes;
using test::TempDir;

// A shell script that writes its arguments, each in brackets, to args.txt in its current folder.
std::string write_args_script(const TempDir& dir, const std::string& name) {
  const std::string path =
      dir.write(name, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > args.txt\n");
  chmod(path.c_str(), 0755);
  return path;
}

TEST(ProgramFolder, IsTheFolderOfTheTestExecutable) {
  EXPECT_EQ(std::filesystem::canonical(program_folder()), std::filesystem::canonical(MELDRIT_PROGRAM_FOLDER));
}

TEST(FindProgram, LooksInTheProgramFolderFirstThenThePath) {
  EXPECT_EQ(find_program("uniform.exe", ""), program_folder() + "/uniform.exe");
  EXPECT_FALSE(find_program("sh", "").empty());
  EXPECT_TRUE(find_program("no-such-program-34247", "").empty());
  EXPECT_TRUE(find_program("", "").empty());
}

TEST(RunAndWait, MissingProgramGivesFalse) {
  EXPECT_FALSE(run_and_wait("no-such-program-34247 uniform.par 0", "", -1, 0, 128));
  EXPECT_FALSE(run_and_wait("   ", "", -1, 0, 128));
  EXPECT_FALSE(run_and_wait("/no/such/folder/prog", "", -1, 0, 0));
}

TEST(RunAndWait, ProgramExitingWithAnErrorStillGivesTrue) {
  EXPECT_TRUE(run_and_wait("sh -c \"exit 3\"", "", -1, 0, 128));
}

TEST(RunAndWait, RunsInTheWorkingFolderAndPassesQuotedArguments) {
  TempDir dir;
  write_args_script(dir, "args.sh");
  // A word with a folder in it is taken relative to the working folder.
  ASSERT_TRUE(run_and_wait(R"(./args.sh "a b" "" c)", dir.path().string(), -1, 1, 0));
  EXPECT_EQ(read_bytes(dir.file("args.txt")), "[a b][][c]");
}

TEST(RunAndWait, MissingWorkingFolderGivesFalse) {
  EXPECT_FALSE(run_and_wait("sh -c true", "/no/such/folder/34247", -1, 0, 0));
}

TEST(RunAndWait, ALimitedWaitReturnsTrueWhileTheProgramRunsOn) {
  EXPECT_TRUE(run_and_wait("sleep 2", "", 20, 0, 0));
  EXPECT_TRUE(run_and_wait("sh -c true", "", 5000, 0, 0));
}

TEST(StartDetached, MissingProgramGivesFalse) {
  EXPECT_FALSE(start_detached("WORDPAD-missing-34247.exe \"x\"", 3));
  EXPECT_FALSE(start_detached("", 3));
}

TEST(StartDetached, StartsAProgramWhoseFolderHasBlanks) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "my tools");
  const std::string script = dir.write("my tools/touch.sh", "#!/bin/sh\n: > \"$0.ran\"\n");
  chmod(script.c_str(), 0755);
  // Unquoted, as the "Create Now" command line is written.
  ASSERT_TRUE(start_detached(script + " ", 3));
  // Waiting for the marker is bounded, never timed: the run is known to have finished once
  // run_and_wait of the same script returns.
  ASSERT_TRUE(run_and_wait(script + " ", "", -1, 0, 0));
  EXPECT_TRUE(std::filesystem::exists(script + ".ran"));
}

}  // namespace
}  // namespace meldrit::external
