#pragma once

#include <string>

namespace meldrit::textio {

// A file written under a name of its own beside the one it is for, and put in that one's place only
// once the work that wrote it is known to stand. A pass that makes an earlier step's checks while
// it already writes the later step's output so leaves the output untouched when the checks fail,
// and leaves it as the two steps one after the other would when they pass.
class StagedFile {
 public:
  // Staging is for `final_path` when it gives the same file as writing there directly (see
  // system_files::replaceable_by_rename); otherwise path() is empty.
  explicit StagedFile(const std::string& final_path);
  ~StagedFile() { discard(); }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  StagedFile(StagedFile&& other) noexcept;

  const std::string& path() const { return path_; }
  // Moves the staged file onto the final path, with the permissions of a file already there.
  // False when it cannot; the staged file is then removed.
  bool put_in_place();
  // Removes the staged file, if any.
  void discard();

 private:
  std::string final_path_;
  std::string path_;
};

}  // namespace meldrit::textio
