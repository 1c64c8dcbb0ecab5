#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Meldrit batch front end: runs the jobs of the desktop program on files"};
  app.set_version_flag("--version", std::string("meldrit-cli ") + MELDRIT_VERSION);
  app.require_subcommand(1);
  bool progress = false;
  bool quiet = false;
  app.add_flag("--progress", progress, "Draw a progress line on standard error, also when it is no terminal");
  app.add_flag("--quiet", quiet, "Never draw a progress line");
  // The two flags may also follow the command's own options.
  app.fallthrough();
  int status = 0;
  meldrit::cli::addLocalCommand(app, status);
  meldrit::cli::addUniformCommand(app, status);
  meldrit::cli::addMultiphaseCommand(app, status);
  meldrit::cli::addMapCommand(app, status);
  meldrit::cli::addPfieldCommand(app, status);
  meldrit::cli::addVariogramCommand(app, status);
  meldrit::cli::addExportCommand(app, status);
  app.parse_complete_callback([&] {
    meldrit::cli::set_progress_mode(quiet      ? meldrit::cli::ProgressMode::Never
                                    : progress ? meldrit::cli::ProgressMode::Always
                                               : meldrit::cli::ProgressMode::Auto);
  });
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
