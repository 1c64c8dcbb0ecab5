#pragma once

#include <CLI/CLI.hpp>

#include <array>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::cli {

// Each job registers its subcommand; the callback runs the job and stores the exit status:
// 0 completed, 1 ended by one of the job's messages, 2 usage error (a CLI::ParseError thrown from
// the callback, so that the usage text is shown).
void addLocalCommand(CLI::App& app, int& status);
void addUniformCommand(CLI::App& app, int& status);
void addMultiphaseCommand(CLI::App& app, int& status);

// The window's message boxes on standard error: warnings as they are found.
class StderrHooks : public job::Hooks {
 public:
  void warning(const std::string& text) override;
};

// Shows how a job ended: the completion message on standard output, any other on standard error;
// a bad request is a usage error of `option`. Returns the exit status.
int finish(const job::Outcome& outcome, const std::string& option);

// "a,b,c" -> {"a", "b", "c"}; "" -> {""}.
std::vector<std::string> split_commas(const std::string& text);
// NX,NY,NZ as typed into the three node boxes; a usage error of `option` when not three.
std::array<std::string, 3> split_nodes(const std::string& text, const std::string& option);

}  // namespace meldrit::cli
