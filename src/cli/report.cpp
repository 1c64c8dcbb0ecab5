#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "textio/file_type.h"
#include "textio/geoeas_header.h"
#include "textio/numeric_value.h"
#include "textio/system_files.h"

namespace meldrit::cli {

namespace {

volatile std::sig_atomic_t g_stop_signal = 0;
ProgressMode g_progress_mode = ProgressMode::Auto;

bool stderr_is_terminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

double seconds_now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// 1234567 -> "1.23 M", 4321 -> "4321".
std::string short_count(double value) {
  char text[32];
  if (value >= 1e9) {
    std::snprintf(text, sizeof text, "%.2f G", value / 1e9);
  } else if (value >= 1e6) {
    std::snprintf(text, sizeof text, "%.2f M", value / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.0f", value);
  }
  return text;
}

std::string clock_time(double seconds) {
  const long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

extern "C" void on_stop_signal(int signal) {
  // A second stop ends the process at once, should the run not get to its next check.
  if (g_stop_signal != 0) std::_Exit(128 + g_stop_signal);
  g_stop_signal = signal;
}

}  // namespace

void catch_stop_signals() {
  // A call blocked on a pipe or a FIFO gives up once a stop arrived, instead of being retried.
  textio::system_files::give_up_when_interrupted(&g_stop_signal);
#ifdef _WIN32
  std::signal(SIGINT, on_stop_signal);
  std::signal(SIGTERM, on_stop_signal);
#else
  // Without SA_RESTART: a blocked open, read or write returns, so the run sees the stop.
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

int stop_signal() {
  return g_stop_signal;
}

void set_progress_mode(ProgressMode mode) {
  g_progress_mode = mode;
}

StderrHooks::StderrHooks(std::string unit)
    : enabled_(g_progress_mode == ProgressMode::Always ||
               (g_progress_mode == ProgressMode::Auto && stderr_is_terminal())),
      default_unit_(std::move(unit)),
      unit_(default_unit_),
      started_(seconds_now()) {}

void StderrHooks::warning(const std::string& text) {
  clear();
  std::cerr << text << '\n';
  if (drawn_at_ >= 0) draw();
}

void StderrHooks::stage(std::string_view name) {
  beginStep(name, {});
}

void StderrHooks::step(std::string_view name, std::string_view unit) {
  beginStep(name, unit);
}

void StderrHooks::beginStep(std::string_view name, std::string_view unit) {
  if (enabled_ && drawn_at_ >= 0) end_progress(true);
  stage_ = std::string(name);
  unit_ = unit.empty() ? default_unit_ : std::string(unit);
  last_ = {};
  reported_ = false;
  started_ = seconds_now();
  drawn_at_ = -1;
  if (enabled_) draw();
}

void StderrHooks::progress(const job::Progress& progress) {
  last_ = progress;
  reported_ = true;
  // A few redraws a second are enough to see it move, and cost nothing.
  if (enabled_ && seconds_now() - drawn_at_ >= 0.1) draw();
}

void StderrHooks::end_progress(bool completed) {
  if (!enabled_) return;
  if (completed) {
    last_.bytes_read = last_.bytes_total;
    last_.items_done = std::max(last_.items_done, last_.items_total);
    // A job without steps showed nothing but its count; it ends at 100 % of it.
    if (stage_.empty() && last_.bytes_total == 0 && last_.items_total == 0)
      last_.items_total = last_.items_done = 1;
  }
  draw();
  std::cerr << '\n';
  width_ = 0;
}

void StderrHooks::draw() {
  const double elapsed = seconds_now() - started_;
  std::string line = stage_.empty() ? std::string() : stage_ + "  ";
  if (!stage_.empty() && !reported_) {
    // A step of unknown length (a program that runs on its own) shows how long it has taken.
    line += clock_time(elapsed);
    finishLine(line);
    return;
  }
  double share = -1;
  if (last_.bytes_total > 0) {
    share = static_cast<double>(last_.bytes_read) / static_cast<double>(last_.bytes_total);
  } else if (last_.items_total > 0) {
    share = static_cast<double>(last_.items_done) / static_cast<double>(last_.items_total);
  }
  char percent[16] = "   ?%";
  if (share >= 0) std::snprintf(percent, sizeof percent, "%4.0f%%", std::min(share, 1.0) * 100);
  line += percent;
  line += "  " + short_count(static_cast<double>(last_.items_done)) + " " + unit_;
  if (elapsed > 0.05)
    line += "  " + short_count(static_cast<double>(last_.items_done) / elapsed) + " " + unit_ + "/s";
  if (share > 0.001 && share < 1) line += "  " + clock_time(elapsed * (1 - share) / share) + " left";
  finishLine(line);
}

void StderrHooks::finishLine(std::string line) {
  const std::size_t width = line.size();
  if (line.size() < width_) line.append(width_ - line.size(), ' ');
  width_ = width;
  std::cerr << '\r' << line << std::flush;
  drawn_at_ = seconds_now();
}

void StderrHooks::clear() {
  if (width_ == 0) return;
  std::cerr << '\r' << std::string(width_, ' ') << '\r';
  width_ = 0;
}

std::string fill_pattern(std::string pattern, std::size_t number) {
  char padded[32];
  std::snprintf(padded, sizeof padded, "%03zu", number);
  for (const auto& [mark, text] : {std::pair<std::string, std::string>{"{:03}", padded},
                                   std::pair<std::string, std::string>{"{}", std::to_string(number)}}) {
    for (std::size_t at = pattern.find(mark); at != std::string::npos;
         at = pattern.find(mark, at + text.size())) {
      pattern.replace(at, mark.size(), text);
    }
  }
  return pattern;
}

bool StderrHooks::cancel_requested() {
  // A step of unknown length reports nothing but is polled while it waits: its time moves on.
  if (enabled_ && !stage_.empty() && !reported_ && seconds_now() - drawn_at_ >= 1) draw();
  return g_stop_signal != 0;
}

std::vector<std::string> outputs_per_file(const std::vector<std::string>& outputs, std::size_t count,
                                          const std::string& option) {
  if (outputs.size() == count) return outputs;
  if (outputs.size() != 1)
    throw CLI::ValidationError(option, "give one per input file, or one pattern with {} or {:03}");
  if (outputs[0].find("{}") == std::string::npos && outputs[0].find("{:03}") == std::string::npos) {
    throw CLI::ValidationError(option, "a pattern for several input files needs {} or {:03}");
  }
  std::vector<std::string> filled;
  for (std::size_t number = 1; number <= count; ++number) filled.push_back(fill_pattern(outputs[0], number));
  return filled;
}

std::vector<std::string> values_per_file(const std::vector<std::string>& values, std::size_t count,
                                         const std::string& option, const std::string& fallback) {
  if (values.size() == count) return values;
  if (values.size() > 1)
    throw CLI::ValidationError(option, "give it once for all input files, or once for each");
  return std::vector<std::string>(count, values.empty() ? fallback : values[0]);
}

int finish(const job::Outcome& outcome, const std::string& option, StderrHooks& hooks) {
  hooks.end_progress(outcome.completed() && stop_signal() == 0);
  // A stop ends the run however far it got: blocked on a pipe it may have failed instead, or it
  // may have been writing its last lines.
  if (stop_signal() != 0 && outcome.ending != job::Ending::BadRequest) {
    std::cerr << (outcome.ending == job::Ending::Cancelled ? outcome.message
                                                           : std::string(job::kRunCancelled))
              << '\n';
    return 128 + stop_signal();
  }
  switch (outcome.ending) {
    case job::Ending::Completed:
      std::cout << outcome.message << '\n';
      if (outcome.follow_up.empty()) return 0;
      std::cerr << outcome.follow_up << '\n';
      return 1;
    case job::Ending::BadRequest:
      throw CLI::ValidationError(option, outcome.message);
    case job::Ending::Cancelled:
      std::cerr << outcome.message << '\n';
      return 1;
    default:
      std::cerr << outcome.message << '\n';
      return 1;
  }
}

bool geoeas_skip(std::string& skip_text, const std::string& path) {
  if (!textio::is_geoeas_skip(skip_text)) return true;
  std::uint64_t lines = 0;
  std::string message;
  if (!textio::geoeas_header_lines(path, lines, message)) {
    std::cerr << message << '\n';
    return false;
  }
  skip_text = std::to_string(lines);
  return true;
}

CLI::Option* add_header_option(CLI::App* command, std::string& header) {
  return command
      ->add_option("--header", header,
                   "geoeas: open each output with a GeoEAS header (title, 1, the variable's name) for "
                   "GSLIB's programs; without it the outputs hold the values alone")
      ->check(CLI::IsMember({std::string(textio::kGeoEasSkip)}));
}

textio::OutputHeader output_header(const std::string& header, const std::string& nodes,
                                   const std::string& name) {
  if (header.empty()) return {};
  std::string title;
  for (const std::string& count : split_commas(nodes)) {
    title += title.empty() ? "" : " ";
    title += textio::trim_blanks(count);
  }
  return {title, name};
}

bool skip_lines(const std::string& skip_text, const std::string& path, const std::string& option,
                double& lines) {
  std::string text = skip_text;
  if (!geoeas_skip(text, path)) return false;
  if (!textio::parse_number(textio::trim_blanks(text), lines)) {
    throw CLI::ValidationError(option, "expects a number of lines or geoeas, got '" + skip_text + "'");
  }
  return true;
}

std::vector<std::string> split_commas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

std::array<std::string, 3> split_nodes(const std::string& text, const std::string& option) {
  const std::vector<std::string> parts = split_commas(text);
  if (parts.size() != 3) {
    throw CLI::ValidationError(option, "expects three node counts NX,NY,NZ, got '" + text + "'");
  }
  return {parts[0], parts[1], parts[2]};
}

}  // namespace meldrit::cli
