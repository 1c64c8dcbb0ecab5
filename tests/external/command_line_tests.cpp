#include "external/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace meldrit::external {
namespace {

struct SplitCase {
  std::string line;
  std::vector<std::string> words;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << c.line;
}

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheWordsWindowsHandsTheProgram) {
  EXPECT_EQ(split_command_line(GetParam().line), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLine,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"   \t ", {}},
                      SplitCase{"uniform.exe uniform.par 0", {"uniform.exe", "uniform.par", "0"}},
                      SplitCase{"  prog   a\tb  ", {"prog", "a", "b"}},
                      SplitCase{R"(WORDPAD.exe "C:\My Data\x.out")", {"WORDPAD.exe", R"(C:\My Data\x.out)"}},
                      SplitCase{R"(WORDPAD.exe "")", {"WORDPAD.exe", ""}},
                      SplitCase{R"(/opt/k/wordpad.exe )", {"/opt/k/wordpad.exe"}},
                      // The program word keeps its backslashes and ends at its closing quote.
                      SplitCase{R"("C:\Program Files\k\p.exe" x)", {R"(C:\Program Files\k\p.exe)", "x"}},
                      SplitCase{R"("a\"b c)", {R"(a\)", "b", "c"}},
                      // Backslashes count only before a quote.
                      SplitCase{R"(p a\\b)", {"p", R"(a\\b)"}}, SplitCase{R"(p a\\\"b)", {"p", R"(a\"b)"}},
                      SplitCase{R"(p "a\\" b)", {"p", R"(a\)", "b"}},
                      SplitCase{R"(p \"a\")", {"p", R"("a")"}}, SplitCase{R"(p "dir\")", {"p", R"(dir")"}},
                      // Quotes in the middle of a word and doubled quotes inside quotes.
                      SplitCase{R"(p a"b c"d e)", {"p", "ab cd", "e"}},
                      SplitCase{R"(p "a""b")", {"p", R"(a"b)"}}, SplitCase{R"(p """")", {"p", R"(")"}},
                      SplitCase{R"(p "unclosed arg)", {"p", "unclosed arg"}}));

TEST(EditorCommandLine, QuotesTheTrimmedPath) {
  EXPECT_EQ(editor_command_line("  /data/my file.out  "), "WORDPAD.exe \"/data/my file.out\"");
  EXPECT_EQ(editor_command_line(" "), "WORDPAD.exe \"\"");
  EXPECT_EQ(split_command_line(editor_command_line(" /a b/c.out ")),
            (std::vector<std::string>{"WORDPAD.exe", "/a b/c.out"}));
}

TEST(CreateNowCommandLine, IsTheProgramFolderEditorWithATrailingBlank) {
  EXPECT_EQ(create_now_command_line("/opt/korvane"), "/opt/korvane/wordpad.exe ");
}

}  // namespace
}  // namespace meldrit::external
