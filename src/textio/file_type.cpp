#include "textio/file_type.h"

#include <cctype>
#include <filesystem>
#include <string>
#include <utility>

#include "textio/system_files.h"

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

FileIdentity file_identity(std::string_view path) {
  FileIdentity identity;
  identity.text = std::string(trim_blanks(path));
  if (identity.text.empty()) return identity;
  identity.exists = system_files::file_number(identity.text.c_str(), identity.device, identity.number);
  std::error_code error;
  const std::filesystem::path spelled{identity.text};
  // An existing file: the canonical path also tells apart two files on systems without numbers.
  identity.resolved =
      (identity.exists ? std::filesystem::canonical(spelled, error) : resolved(spelled, error)).string();
  if (error) identity.resolved.clear();
  return identity;
}

bool FileIdentity::names_same_file(const FileIdentity& other) const {
  if (text == other.text) return true;
  if (text.empty() || other.text.empty()) return false;
  if (exists && other.exists && (device != 0 || number != 0)) {
    return device == other.device && number == other.number;
  }
  return !resolved.empty() && resolved == other.resolved;
}

bool any_output_clashes(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
  std::vector<FileIdentity> seen;
  seen.reserve(inputs.size() + outputs.size());
  for (const std::string& input : inputs) seen.push_back(file_identity(input));
  for (const std::string& output : outputs) {
    FileIdentity identity = file_identity(output);
    for (const FileIdentity& other : seen) {
      if (identity.names_same_file(other)) return true;
    }
    seen.push_back(std::move(identity));
  }
  return false;
}

bool same_file(std::string_view a, std::string_view b) {
  return file_identity(a).names_same_file(file_identity(b));
}

}  // namespace meldrit::textio
