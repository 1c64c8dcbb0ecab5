#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace meldrit::external {

// Splits a command line the way Windows hands it to a program (CommandLineToArgvW): the first
// word, the program, ends at the next blank, or at the closing quote when it starts with one;
// later arguments are split at blanks outside double quotes, with 2n backslashes before a quote
// giving n backslashes and 2n+1 giving n backslashes and a literal quote. An empty argument
// written as "" is kept. Leading blanks are skipped; a blank line gives no words.
std::vector<std::string> split_command_line(std::string_view line);

// "WORDPAD.exe " followed by the trimmed path in double quotes, so that a path with blanks
// arrives as one argument and an empty path as an empty argument.
std::string editor_command_line(std::string_view path);

// The editor of the program folder with no argument (an empty document).
std::string create_now_command_line(const std::string& folder);

}  // namespace meldrit::external
