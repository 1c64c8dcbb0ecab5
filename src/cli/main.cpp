#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Meldrit batch front end: runs the jobs of the desktop program on files"};
  app.set_version_flag("--version", std::string("meldrit-cli ") + MELDRIT_VERSION);
  app.require_subcommand(1);
  int status = 0;
  meldrit::cli::addLocalCommand(app, status);
  meldrit::cli::addUniformCommand(app, status);
  meldrit::cli::addMultiphaseCommand(app, status);
  meldrit::cli::catch_stop_signals();
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // A usage error names what was wrong, then shows the usage of the command it concerns.
    const CLI::App* command = &app;
    for (const CLI::App* sub : app.get_subcommands()) command = sub;
    std::cerr << e.what() << '\n' << command->help();
    return 2;
  }
  return status;
}
