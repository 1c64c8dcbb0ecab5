#include "cli/commands.h"

namespace meldrit::cli {

void addUniformCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("uniform", "Not built yet");
  command->callback([&status] { status = 1; });
}

}  // namespace meldrit::cli
