#include "pfield_local/pasted_values.h"

#include <charconv>
#include <fstream>

namespace meldrit::pfield_local {
namespace {

bool is_separator(char c) {
  return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

// A whole token that reads as a finite number, with nothing left over ("8", "-.5", "1e3").
bool read_number(std::string_view token, double& value) {
  if (token.empty()) return false;
  const char* first = token.data();
  if (*first == '+') ++first;
  const char* last = token.data() + token.size();
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

}  // namespace

std::vector<std::string> split_pasted_values(std::string_view text) {
  std::vector<std::string> values;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_separator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !is_separator(text[i])) ++i;
    if (i > start) values.emplace_back(text.substr(start, i - start));
  }
  return values;
}

std::vector<std::string> thresholds_in_header(std::string_view line, int count) {
  if (count < 1) return {};
  std::vector<std::string> run;
  double previous = 0;
  // A run ends at a token that is not a number, or one that does not rise.
  const auto finished = [&run, count] { return static_cast<int>(run.size()) == count; };
  for (const std::string& token : split_pasted_values(line)) {
    double value = 0;
    if (read_number(token, value) && (run.empty() || value > previous)) {
      run.push_back(token);
      previous = value;
      continue;
    }
    if (finished()) return run;
    run.clear();
    if (read_number(token, value)) {
      run.push_back(token);
      previous = value;
    }
  }
  return finished() ? run : std::vector<std::string>{};
}

std::string first_line_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace meldrit::pfield_local
