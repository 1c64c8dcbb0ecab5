#pragma once

#include <CLI/CLI.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"
#include "textio/geoeas_header.h"

namespace meldrit::cli {

// Each job registers its subcommand; the callback runs the job and stores the exit status:
// 0 completed, 1 ended by one of the job's messages, 2 usage error (a CLI::ParseError thrown from
// the callback, so that the usage text is shown).
void addLocalCommand(CLI::App& app, int& status);
void addUniformCommand(CLI::App& app, int& status);
void addMultiphaseCommand(CLI::App& app, int& status);
void addMapCommand(CLI::App& app, int& status);
void addPfieldCommand(CLI::App& app, int& status);
void addVariogramCommand(CLI::App& app, int& status);
void addExportCommand(CLI::App& app, int& status);
void addGatherCommand(CLI::App& app, int& status);

// Whether a job draws its progress line on standard error: when that is a terminal (Auto), always
// (--progress) or never (--quiet). Without a terminal and a flag, both streams carry only the
// job's messages.
enum class ProgressMode { Auto, Always, Never };
void set_progress_mode(ProgressMode mode);

// The window's message boxes on standard error: warnings as they are found, and the progress line
// redrawn in place (percent, `unit` done, rate, time left). A run is cancelled once the process was
// asked to stop (SIGINT, SIGTERM, SIGHUP).
class StderrHooks : public job::Hooks {
 public:
  explicit StderrHooks(std::string unit);

  void warning(const std::string& text) override;
  void stage(std::string_view name) override;
  void step(std::string_view name, std::string_view unit) override;
  void progress(const job::Progress& progress) override;
  bool cancel_requested() override;

  // The last progress line: at 100 % when the job completed; then the line is ended.
  void end_progress(bool completed);

 private:
  void draw();
  void finishLine(std::string line);  // over the line drawn before
  void clear();
  // Ends the line of the step before, complete, and starts counting afresh.
  void beginStep(std::string_view name, std::string_view unit);

  bool enabled_;
  std::string default_unit_;  // of steps that name none, and of a job without steps
  std::string unit_;
  std::string stage_;
  job::Progress last_;
  bool reported_ = false;  // the current step reported progress: its length is known
  double started_ = 0;     // of the current step
  double drawn_at_ = -1;
  std::size_t width_ = 0;
};

// `pattern` with every "{}" replaced by `number` and every "{:03}" by it zero-padded to three digits.
std::string fill_pattern(std::string pattern, std::size_t number);
// One output per input file: given once each, or once as a pattern whose "{}" (or "{:03}") becomes
// the file's number from 1; anything else is a usage error of `option`.
std::vector<std::string> outputs_per_file(const std::vector<std::string>& outputs, std::size_t count,
                                          const std::string& option);
// One value per input file: given once each, once for all, or not at all (`fallback`).
std::vector<std::string> values_per_file(const std::vector<std::string>& values, std::size_t count,
                                         const std::string& option, const std::string& fallback);

// From here on, the stop signals cancel the running job instead of ending the process at once, so
// that it closes its files and ends the program it started.
void catch_stop_signals();
// The stop signal that arrived, 0 when none did.
int stop_signal();

// Shows how a job ended: the completion message on standard output, any other on standard error;
// a bad request is a usage error of `option`. Returns the exit status: 128 + the signal for a job
// cancelled by a stop signal.
int finish(const job::Outcome& outcome, const std::string& option, StderrHooks& hooks);

// A skip text that says "geoeas" becomes the length of `path`'s own GeoEAS header, read before the
// job starts; any other text stays as typed. False, with the header's message on standard error,
// when the file has no such header: then the job ends with status 1, as on any read failure.
bool geoeas_skip(std::string& skip_text, const std::string& path);
// The same for a skip option that holds a number: false as above; a usage error of `option` for a
// text that is neither a number nor "geoeas".
bool skip_lines(const std::string& skip_text, const std::string& path, const std::string& option,
                double& lines);

// --header geoeas: the outputs open with a GeoEAS header for GSLIB's programs.
CLI::Option* add_header_option(CLI::App* command, std::string& header);
// The header `header` asks for: none when empty, else titled with the grid's node counts (as
// meldrit-cli export titles its GeoEAS files) and naming the outputs' variable `name`.
textio::OutputHeader output_header(const std::string& header, const std::string& nodes,
                                   const std::string& name);

// "a,b,c" -> {"a", "b", "c"}; "" -> {""}.
std::vector<std::string> split_commas(const std::string& text);
// NX,NY,NZ as typed into the three node boxes; a usage error of `option` when not three.
std::array<std::string, 3> split_nodes(const std::string& text, const std::string& option);

}  // namespace meldrit::cli
