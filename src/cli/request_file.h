#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "job/request_file.h"

namespace meldrit::cli {

// A request file as job::request_text writes it. Blank lines and lines starting with # are skipped.
struct Request {
  std::string command;
  std::vector<std::vector<std::string>> options;  // each the option's name, then its value if any
};

// The options given to `command`, apart from --save-request, in the order it declares them.
std::vector<job::RequestOption> given_options(const CLI::App& command);

// Empty `error` when the file was read.
Request read_request(const std::string& path, std::string& error);

// The arguments of the saved run with `extra` after them: an option in `extra` replaces the
// file's lines of the same option.
std::vector<std::string> request_arguments(const Request& request, const std::vector<std::string>& extra);

// The words of one line, as a POSIX shell splits and unquotes them; empty `error` when balanced.
std::vector<std::string> split_words(const std::string& line, std::string& error);

}  // namespace meldrit::cli
