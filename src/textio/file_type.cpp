#include "textio/file_type.h"

#include <cctype>
#include <string>

namespace meldrit::textio {

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view bare_file_name(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool file_type_matches(std::string_view file_name, std::initializer_list<std::string_view> types) {
  const std::string_view name = bare_file_name(file_name);
  if (name.size() < 3) return false;
  std::string last(name.substr(name.size() - 3));
  for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string_view trimmed = trim_blanks(last);
  for (std::string_view type : types) {
    if (trimmed == type) return true;
  }
  return false;
}

}  // namespace meldrit::textio
