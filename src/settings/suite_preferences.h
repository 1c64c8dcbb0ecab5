#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace meldrit::settings {

// The suite's shared preferences file ("kvat.pam") of the folder that holds the program's own
// files; Meldrit only reads it. Where that is the per-user folder and holds none, the one in the
// program folder.
std::string preferences_path(const std::string& program_folder);

// One item of the file: a number when its text is numeric, else the text.
using PreferenceItem = std::variant<double, std::string>;

// The first `count` items (fewer when the file ends first; none when it cannot be opened).
std::vector<PreferenceItem> read_preference_items(const std::string& path, std::size_t count);

// Items 34 and 35, which decide the exit behaviour.
struct ExitCodes {
  double a = 0;
  double b = 0;
};

// nullopt when the file cannot be opened, has fewer than 35 items, or item 34 or 35 is no number
// that makes a whole number.
std::optional<ExitCodes> read_exit_codes(const std::string& path);

struct SaveiniArguments {
  int codigo1 = 0;
  int codigo2 = 0;
  friend bool operator==(const SaveiniArguments&, const SaveiniArguments&) = default;
};

// The exit routine's arguments: (0, 0) when the codes could not be read or when neither code is 0
// or 1; otherwise each code rounded to the nearest whole number, halves to the even neighbour.
SaveiniArguments saveini_arguments(const std::optional<ExitCodes>& codes);

// The show-window value for the external transformation program, from item 36 (or the last item
// that could be read): 0 -> 0 (hidden), 1 -> 1 (normal), 2 -> 3 (maximised), anything else 0.
int read_window_mode(const std::string& path);

}  // namespace meldrit::settings
