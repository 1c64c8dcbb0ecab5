#include "cli/commands.h"

namespace meldrit::cli {

void addLocalCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("local", "Not built yet");
  command->callback([&status] { status = 1; });
}

}  // namespace meldrit::cli
