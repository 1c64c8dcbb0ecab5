#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meldrit::textio {

// The file type test of the file choosers: the last three characters of the bare file name,
// lower-cased and trimmed, must be one of `types` ("out", "prn", "dat"). No dot is required, so
// "layout" passes as "out"; a name shorter than three characters never matches.
bool file_type_matches(std::string_view file_name, std::initializer_list<std::string_view> types);

// One kind of file a chooser accepts, and what it says of a file of another type.
struct FileType {
  std::array<std::string_view, 3> endings;  // unused places are empty
  std::string_view wrong_type_message;

  bool matches(std::string_view path) const;
};

namespace file_types {
inline constexpr std::string_view kIllegalInput = "Illegal Type of Input Data File!";
inline constexpr std::string_view kIllegalOutput = "Illegal Type of Output File!";

inline constexpr FileType kColumnDataInput{{"out", "prn", "dat"}, kIllegalInput};
inline constexpr FileType kColumnDataOutput{{"out", "prn", "dat"}, kIllegalOutput};
// The per-node files of both p-field jobs.
inline constexpr FileType kGridInput{{"out"}, kIllegalInput};
inline constexpr FileType kGridOutput{{"out"}, kIllegalOutput};
inline constexpr FileType kProbabilityInput{{"out"}, "Illegal Type of Input Probability Data File!"};
inline constexpr FileType kBihistogramInput{{"dat", "txt"}, kIllegalInput};
}  // namespace file_types

// The file name without its folder (after the last '/' or '\\').
std::string_view bare_file_name(std::string_view path);

// Leading and trailing blanks removed (the trim every path label reader applies).
std::string_view trim_blanks(std::string_view text);

// The size of a file in bytes, for progress: 0 when it cannot be told (no file, a pipe).
std::uint64_t file_size_or_zero(std::string_view path);

// Whether two path captions name one file: the same text after trimming, or one file reached
// through two spellings (relative and absolute, "..", a symbolic or hard link). A run checks its
// output against each of its inputs with this before it opens anything, so that no input is ever
// written over.
bool same_file(std::string_view a, std::string_view b);

// What same_file compares, taken once per path so that a run with many files compares each pair
// without asking the file system again: the device and file number of an existing file, else its
// path with links and ".." resolved as far as they exist.
struct FileIdentity {
  std::string text;  // the trimmed caption
  bool exists = false;
  std::uint64_t device = 0, number = 0;
  std::string resolved;  // empty when it could not be resolved

  bool names_same_file(const FileIdentity& other) const;
};
FileIdentity file_identity(std::string_view path);

// Whether any output names one of the inputs or another output, each path looked at once.
bool any_output_clashes(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

}  // namespace meldrit::textio
