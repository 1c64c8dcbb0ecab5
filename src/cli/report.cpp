#include <csignal>
#include <iostream>

#include "cli/commands.h"

namespace meldrit::cli {

namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int signal) {
  g_stop_signal = signal;
}

}  // namespace

void catch_stop_signals() {
  std::signal(SIGINT, on_stop_signal);
  std::signal(SIGTERM, on_stop_signal);
#ifdef SIGHUP
  std::signal(SIGHUP, on_stop_signal);
#endif
}

int stop_signal() {
  return g_stop_signal;
}

void StderrHooks::warning(const std::string& text) {
  std::cerr << text << '\n';
}

bool StderrHooks::cancel_requested() {
  return g_stop_signal != 0;
}

int finish(const job::Outcome& outcome, const std::string& option) {
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
      return stop_signal() != 0 ? 128 + stop_signal() : 1;
    default:
      std::cerr << outcome.message << '\n';
      return 1;
  }
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
