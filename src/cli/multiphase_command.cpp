#include "cli/commands.h"

namespace meldrit::cli {

void addMultiphaseCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("multiphase", "Not built yet");
  command->callback([&status] { status = 1; });
}

}  // namespace meldrit::cli
