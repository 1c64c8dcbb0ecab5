#include "external/process_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "external/command_line.h"
#include "external/program_folder.h"
#include "support/temp_dir.h"

namespace meldrit::external {
namespace {

TEST(FindProgram, LooksInTheProgramFolderFirstThenThePath) {
  EXPECT_EQ(std::filesystem::canonical(program_folder()), std::filesystem::canonical(MELDRIT_PROGRAM_FOLDER));
  EXPECT_EQ(find_program("uniform.exe", ""), program_folder() + "/uniform.exe");
  EXPECT_FALSE(find_program("sh", "").empty());
  EXPECT_TRUE(find_program("no-such-program-34247", "").empty());
  EXPECT_TRUE(find_program("", "").empty());
}

TEST(RunAndWait, FalseOnlyWhenTheProgramCannotStart) {
  EXPECT_FALSE(run_and_wait("no-such-program-34247 uniform.par 0", "", -1, 0, 128));
  EXPECT_FALSE(run_and_wait("   ", "", -1, 0, 128));
  EXPECT_FALSE(run_and_wait("/no/such/folder/prog", "", -1, 0, 0));
  EXPECT_FALSE(run_and_wait("sh -c true", "/no/such/folder/34247", -1, 0, 0));
  int status = 0;
  EXPECT_TRUE(run_and_wait("sh -c \"exit 3\"", "", -1, 0, 128, {}, &status));
  EXPECT_EQ(status, 3);
  // A limited wait returns true while the program runs on, without an exit status.
  EXPECT_TRUE(run_and_wait("sleep 2", "", 20, 0, 0, {}, &status));
  EXPECT_EQ(status, -1);
  EXPECT_TRUE(run_and_wait(
      "sh -c true", "", 5000, 0, 0, [] { return false; }, &status));
  EXPECT_EQ(status, 0);
}

TEST(RunAndWait, RunsInTheWorkingFolderAndPassesQuotedArguments) {
  test::TempDir dir;
  const std::string script =
      dir.write("args.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > args.txt\n");
  chmod(script.c_str(), 0755);
  // A word with a folder in it is taken relative to the working folder.
  ASSERT_TRUE(run_and_wait(R"(./args.sh "a b" "" c)", dir.path().string(), -1, 1, 0));
  EXPECT_EQ(test::read_bytes(dir.file("args.txt")), "[a b][][c]");
}

TEST(StartDetached, StartsAProgramWhoseFolderHasBlanks) {
  EXPECT_FALSE(start_detached("WORDPAD-missing-34247.exe \"x\"", 3));
  EXPECT_FALSE(start_detached("", 3));
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "my tools");
  const std::string script = dir.write("my tools/touch.sh", "#!/bin/sh\n");
  chmod(script.c_str(), 0755);
  // Unquoted, as the "Create Now" command line is written: true only once the program was found.
  EXPECT_TRUE(start_detached(script + " ", 3));
}

using Words = std::vector<std::string>;

TEST(SplitCommandLine, GivesTheWordsWindowsHandsTheProgram) {
  const std::pair<const char*, Words> cases[] = {
      {"", {}},
      {"uniform.exe uniform.par 0", {"uniform.exe", "uniform.par", "0"}},
      {R"(WORDPAD.exe "C:\My Data\x.out")", {"WORDPAD.exe", R"(C:\My Data\x.out)"}},
      {R"(WORDPAD.exe "")", {"WORDPAD.exe", ""}},
      {R"(/opt/k/wordpad.exe )", {"/opt/k/wordpad.exe"}},
      // The program word keeps its backslashes and ends at its closing quote.
      {R"("C:\Program Files\k\p.exe" x)", {R"(C:\Program Files\k\p.exe)", "x"}},
      {R"("a\"b c)", {R"(a\)", "b", "c"}},
      // Backslashes count only before a quote.
      {R"(p a\\b)", {"p", R"(a\\b)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
      {R"(p "dir\")", {"p", R"(dir")"}},
      // Quotes in the middle of a word and doubled quotes inside quotes.
      {R"(p a"b c"d e)", {"p", "ab cd", "e"}},
      {R"(p "a""b")", {"p", R"(a"b)"}},
      {R"(p "unclosed arg)", {"p", "unclosed arg"}},
  };
  for (const auto& [line, words] : cases) EXPECT_EQ(split_command_line(line), words) << line;
}

TEST(EditorCommandLines, QuoteTheTrimmedPathOrNameTheProgramFolderEditor) {
  EXPECT_EQ(editor_command_line("  /data/my file.out  "), "WORDPAD.exe \"/data/my file.out\"");
  EXPECT_EQ(editor_command_line(" "), "WORDPAD.exe \"\"");
  EXPECT_EQ(split_command_line(editor_command_line(" /a b/c.out ")), (Words{"WORDPAD.exe", "/a b/c.out"}));
  EXPECT_EQ(create_now_command_line("/opt/korvane"), "/opt/korvane/wordpad.exe ");
}

}  // namespace
}  // namespace meldrit::external
