#include "textio/staged_file.h"

#include <atomic>
#include <filesystem>
#include <system_error>
#include <utility>

#include "textio/system_files.h"

namespace meldrit::textio {
namespace {
std::atomic<unsigned> g_staged{0};
}  // namespace

StagedFile::StagedFile(const std::string& final_path) : final_path_(final_path) {
  if (final_path.empty() || !system_files::replaceable_by_rename(final_path.c_str())) return;
  // In the same folder, so that the rename stays on one file system and replaces in one step.
  const std::filesystem::path target(final_path);
  std::filesystem::path staged = target;
  std::string name = ".";
  name += target.filename().string();
  name += ".meldrit-part";
  name += std::to_string(g_staged++);
  staged.replace_filename(name);
  // Another file of that name is nobody's to replace.
  std::error_code error;
  if (std::filesystem::symlink_status(staged, error).type() != std::filesystem::file_type::not_found) return;
  path_ = staged.string();
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : final_path_(std::move(other.final_path_)), path_(std::exchange(other.path_, {})) {}

bool StagedFile::put_in_place() {
  if (path_.empty()) return false;
  std::error_code error;
  if (std::filesystem::exists(final_path_, error) &&
      !system_files::copy_permissions(final_path_.c_str(), path_.c_str())) {
    discard();
    return false;
  }
  if (!system_files::replace_file(path_.c_str(), final_path_.c_str())) {
    discard();
    return false;
  }
  path_.clear();
  return true;
}

void StagedFile::discard() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
  path_.clear();
}

}  // namespace meldrit::textio
