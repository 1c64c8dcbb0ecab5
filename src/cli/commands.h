#pragma once

#include <CLI/CLI.hpp>

namespace meldrit::cli {

// Each job registers its subcommand; the callback runs the job and stores the exit status:
// 0 completed, 1 ended by one of the job's messages, 2 usage error (throw CLI::ValidationError
// or CLI::ArgumentMismatch for that, so the usage text is shown).
void addLocalCommand(CLI::App& app, int& status);
void addUniformCommand(CLI::App& app, int& status);
void addMultiphaseCommand(CLI::App& app, int& status);

}  // namespace meldrit::cli
