#include "job/request_file.h"

#include <fstream>

#include "textio/file_type.h"

namespace meldrit::job {

std::string quote_word(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_not_of(
                                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          "0123456789-_.,/:=+@%{}") == std::string::npos;
  if (plain) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string request_text(const std::string& command, const std::vector<RequestOption>& options) {
  std::string text = "# meldrit-cli --request FILE [options] runs it; options given beside replace these\n";
  text += "command " + command + "\n";
  for (const RequestOption& option : options) {
    if (option.values.empty()) text += option.name + "\n";
    // One line a value, so that each line stands alone; a value that looks like an option is
    // attached to its name.
    for (const std::string& value : option.values) {
      text += !value.empty() && value[0] == '-' ? quote_word(option.name + "=" + value)
                                                : option.name + " " + quote_word(value);
      text += "\n";
    }
  }
  return text;
}

Outcome write_request_file(const std::string& path, const std::string& text,
                           const std::vector<std::string>& job_files) {
  // An empty caption names no file, and would otherwise match another empty one.
  std::vector<std::string> files;
  for (const std::string& file : job_files) {
    if (!textio::trim_blanks(file).empty()) files.push_back(file);
  }
  if (textio::any_output_clashes(files, {path})) return Outcome::refused(kRequestIsJobFile);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Outcome::failed("Could not write the request file " + path);
  return Outcome::done("Request saved to " + path);
}

}  // namespace meldrit::job
