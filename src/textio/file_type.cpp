#include "textio/file_type.h"

#include <cctype>
#include <filesystem>
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

namespace {

bool ending_matches(std::string_view file_name, const std::string_view* first, const std::string_view* last) {
  const std::string_view name = bare_file_name(file_name);
  if (name.size() < 3) return false;
  std::string ending(name.substr(name.size() - 3));
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string_view trimmed = trim_blanks(ending);
  for (; first != last; ++first) {
    if (!first->empty() && trimmed == *first) return true;
  }
  return false;
}

// The path with its folders' links and ".." resolved, and a link at its end followed even when
// the file it names does not exist yet (writing through it would create that file).
std::filesystem::path resolved(const std::filesystem::path& path, std::error_code& error) {
  namespace fs = std::filesystem;
  fs::path current = fs::absolute(path, error);
  for (int hops = 0; !error && hops < 40; ++hops) {
    std::error_code not_a_link;
    if (!fs::is_symlink(fs::symlink_status(current, not_a_link))) break;
    const fs::path target = fs::read_symlink(current, error);
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return error ? fs::path() : fs::weakly_canonical(current, error);
}

}  // namespace

bool file_type_matches(std::string_view file_name, std::initializer_list<std::string_view> types) {
  return ending_matches(file_name, types.begin(), types.end());
}

bool FileType::matches(std::string_view path) const {
  return ending_matches(path, endings.data(), endings.data() + endings.size());
}

std::uint64_t file_size_or_zero(std::string_view path) {
  if (path.empty()) return 0;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path{std::string(path)}, error);
  return error ? 0 : static_cast<std::uint64_t>(size);
}

bool same_file(std::string_view a, std::string_view b) {
  namespace fs = std::filesystem;
  const std::string_view first = trim_blanks(a);
  const std::string_view second = trim_blanks(b);
  if (first == second) return true;
  if (first.empty() || second.empty()) return false;
  const fs::path one{std::string(first)};
  const fs::path other{std::string(second)};
  std::error_code error;
  if (fs::equivalent(one, other, error) && !error) return true;
  // Not both existing: compare the spellings with links and ".." resolved as far as they exist.
  std::error_code one_error, other_error;
  const fs::path one_resolved = resolved(one, one_error);
  const fs::path other_resolved = resolved(other, other_error);
  return !one_error && !other_error && one_resolved == other_resolved;
}

}  // namespace meldrit::textio
