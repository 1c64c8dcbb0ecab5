#include <iostream>

#include "cli/commands.h"

namespace meldrit::cli {

void StderrHooks::warning(const std::string& text) {
  std::cerr << text << '\n';
}

int finish(const job::Outcome& outcome, const std::string& option) {
  switch (outcome.ending) {
    case job::Ending::Completed:
      std::cout << outcome.message << '\n';
      return 0;
    case job::Ending::BadRequest:
      throw CLI::ValidationError(option, outcome.message);
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
