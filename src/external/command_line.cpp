#include "external/command_line.h"

#include "textio/file_type.h"

namespace meldrit::external {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n && is_blank(line[i])) ++i;
  if (i == n) return words;

  // The program name knows no backslash rules: it ends at the closing quote or the first blank.
  std::string program;
  if (line[i] == '"') {
    ++i;
    while (i < n && line[i] != '"') program += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !is_blank(line[i])) program += line[i++];
  }
  words.push_back(std::move(program));

  for (;;) {
    while (i < n && is_blank(line[i])) ++i;
    if (i == n) break;
    std::string word;
    int quotes = 0;  // 1 while inside quotes; a run of quotes counts up to 3 for a literal one
    std::size_t backslashes = 0;
    while (i < n) {
      const char c = line[i];
      if (is_blank(c) && quotes == 0) break;
      if (c == '\\') {
        word += c;
        ++backslashes;
        ++i;
        continue;
      }
      if (c == '"') {
        if (backslashes % 2 == 0) {
          word.resize(word.size() - backslashes / 2);
          ++quotes;
        } else {
          word.resize(word.size() - backslashes / 2 - 1);
          word += '"';
        }
        backslashes = 0;
        ++i;
        while (i < n && line[i] == '"') {
          if (++quotes == 3) {
            word += '"';
            quotes = 0;
          }
          ++i;
        }
        if (quotes == 2) quotes = 0;
        continue;
      }
      word += c;
      backslashes = 0;
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string editor_command_line(std::string_view path) {
  std::string line = "WORDPAD.exe ";
  line += '"';
  line += textio::trim_blanks(path);
  line += '"';
  return line;
}

std::string create_now_command_line(const std::string& folder) {
  return folder + "/wordpad.exe ";
}

}  // namespace meldrit::external
