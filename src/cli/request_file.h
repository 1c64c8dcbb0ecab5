#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace meldrit::cli {

// A request file: the subcommand on a line `command NAME`, then one option a line with its value,
// quoted as a POSIX shell would take it. Blank lines and lines starting with # are skipped.
struct Request {
  std::string command;
  std::vector<std::vector<std::string>> options;  // each the option's name, then its value if any
};

// The text of the options given to `command`, apart from --save-request.
std::string request_text(const CLI::App& command);

// Empty `error` when the file was read.
Request read_request(const std::string& path, std::string& error);

// The arguments of the saved run with `extra` after them: an option in `extra` replaces the
// file's lines of the same option.
std::vector<std::string> request_arguments(const Request& request, const std::vector<std::string>& extra);

// The words of one line, as a POSIX shell splits and unquotes them; empty `error` when balanced.
std::vector<std::string> split_words(const std::string& line, std::string& error);
// A word quoted when it needs to be, so that split_words gives it back.
std::string quote_word(const std::string& word);

}  // namespace meldrit::cli
