#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/request_file.h"

namespace {

// `meldrit-cli [flags] --request FILE [options]` is the saved run with the options after the file
// spliced in after its own, so that CLI11 sees one ordinary command line. Returns false with a
// message when the file cannot be read.
bool splice_request(const CLI::App& app, std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (!app.get_subcommands([&](const CLI::App* sub) { return sub->get_name() == word; }).empty()) {
      return true;
    }
    std::string path;
    std::size_t rest = i + 1;
    if (word.rfind("--request=", 0) == 0) {
      path = word.substr(10);
    } else if (word == "--request" && i + 1 < arguments.size()) {
      path = arguments[i + 1];
      rest = i + 2;
    } else if (word == "--request") {
      std::cerr << "--request: expects the request file\n";
      return false;
    } else {
      continue;
    }
    std::string error;
    const meldrit::cli::Request request = meldrit::cli::read_request(path, error);
    if (!error.empty()) {
      std::cerr << "--request: " << error << '\n';
      return false;
    }
    const std::vector<std::string> spliced = meldrit::cli::request_arguments(
        request,
        std::vector<std::string>(arguments.begin() + static_cast<std::ptrdiff_t>(rest), arguments.end()));
    arguments.resize(i);
    arguments.insert(arguments.end(), spliced.begin(), spliced.end());
    return true;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Meldrit batch front end: runs the jobs of the desktop program on files"};
  app.set_version_flag("--version", std::string("meldrit-cli ") + MELDRIT_VERSION);
  app.require_subcommand(1);
  app.footer(
      "meldrit-cli --request FILE [options]: runs a request written by --save-request; options given "
      "beside it replace the file's\n"
      "\n"
      "Exit status:\n"
      "  0             the job completed\n"
      "  1             one of the job's messages ended it\n"
      "  2             a usage error\n"
      "  128 + signal  stopped by a signal: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP");
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
  meldrit::cli::addGatherCommand(app, status);
  app.parse_complete_callback([&] {
    meldrit::cli::set_progress_mode(quiet      ? meldrit::cli::ProgressMode::Never
                                    : progress ? meldrit::cli::ProgressMode::Always
                                               : meldrit::cli::ProgressMode::Auto);
  });
  meldrit::cli::catch_stop_signals();
  std::vector<std::string> arguments(argv, argv + argc);
  if (!splice_request(app, arguments)) return 2;
  std::vector<char*> words;
  for (std::string& word : arguments) words.push_back(word.data());
  try {
    app.parse(static_cast<int>(words.size()), words.data());
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
