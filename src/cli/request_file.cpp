#include "cli/request_file.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace meldrit::cli {
namespace {

std::string option_name(const std::string& word) {
  return word.substr(0, word.find('='));
}

}  // namespace

std::vector<std::string> split_words(const std::string& line, std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) {
        error = "an unclosed ' quote";
        return {};
      }
      word += line.substr(i + 1, end - i - 1);
      i = end;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) ++i;
        word += line[i];
      }
      if (i >= line.size()) {
        error = "an unclosed \" quote";
        return {};
      }
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

std::vector<job::RequestOption> given_options(const CLI::App& command) {
  std::vector<job::RequestOption> options;
  for (const CLI::Option* option : command.get_options()) {
    const std::string name = option->get_name();
    if (option->count() == 0 || name == "--save-request") continue;
    if (option->get_type_size() == 0) {
      for (std::size_t i = 0; i < option->count(); ++i) options.push_back({name, {}});
    } else {
      options.push_back({name, option->results()});
    }
  }
  return options;
}

Request read_request(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the request file " + path;
    return {};
  }
  Request request;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = path + " line " + std::to_string(number) + ": ";
    std::string fault;
    std::vector<std::string> words = split_words(line, fault);
    if (!fault.empty()) {
      error = where + fault;
      return {};
    }
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "command") {
      if (words.size() != 2 || !request.command.empty()) {
        error = where + "expects one line 'command NAME'";
        return {};
      }
      request.command = words[1];
    } else if (words[0].rfind("--", 0) == 0 && words.size() <= 2) {
      request.options.push_back(std::move(words));
    } else {
      error = where + "expects an option and at most one value, got '" + line + "'";
      return {};
    }
  }
  if (request.command.empty()) error = path + ": no line 'command NAME'";
  return request;
}

std::vector<std::string> request_arguments(const Request& request, const std::vector<std::string>& extra) {
  std::set<std::string> replaced;
  for (const std::string& word : extra) {
    if (word.rfind("--", 0) == 0) replaced.insert(option_name(word));
  }
  std::vector<std::string> arguments{request.command};
  for (const std::vector<std::string>& option : request.options) {
    if (replaced.count(option_name(option[0])) > 0) continue;
    arguments.insert(arguments.end(), option.begin(), option.end());
  }
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

}  // namespace meldrit::cli
