#include "settings/suite_preferences.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "external/program_folder.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::settings {
namespace {

constexpr std::size_t kExitCodeA = 34;
constexpr std::size_t kWindowModeItem = 36;

bool starts_like_number(std::string_view text) {
  return !text.empty() &&
         (text[0] == '+' || text[0] == '-' || text[0] == '.' || (text[0] >= '0' && text[0] <= '9'));
}

// A field runs to its comma or line end, but a number in it already ends at a blank: "1 0" holds
// two items, "Korvane suite" one.
void append_items(std::string_view field, std::vector<PreferenceItem>& items, std::size_t count) {
  field = textio::trim_blanks(field);
  if (field.empty()) {
    items.emplace_back(0.0);
    return;
  }
  while (!field.empty() && items.size() < count) {
    double value = 0;
    const std::size_t blank = field.find_first_of(" \t");
    const std::string_view head = field.substr(0, blank);
    if (!starts_like_number(head) || !textio::parse_number(head, value)) {
      items.emplace_back(std::string(field));
      return;
    }
    items.emplace_back(value);
    if (blank == std::string_view::npos) return;
    field = textio::trim_blanks(field.substr(blank));
  }
}

std::optional<int> whole_number(const PreferenceItem& item) {
  const double* value = std::get_if<double>(&item);
  if (value == nullptr) return std::nullopt;
  const double rounded = std::nearbyint(*value);
  if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  return static_cast<int>(rounded);
}

}  // namespace

std::string preferences_path(const std::string& program_folder) {
  return external::preferences_file(program_folder);
}

std::vector<PreferenceItem> read_preference_items(const std::string& path, std::size_t count) {
  std::vector<PreferenceItem> items;
  textio::FieldStream in(64 * 1024);
  if (!in.open(path)) return items;
  std::string_view field;
  while (items.size() < count && in.next_field(field, textio::FieldMode::Text) == textio::ReadStatus::Ok) {
    append_items(field, items, count);
  }
  in.close();
  return items;
}

std::optional<ExitCodes> read_exit_codes(const std::string& path) {
  const std::vector<PreferenceItem> items = read_preference_items(path, kExitCodeA + 1);
  if (items.size() < kExitCodeA + 1) return std::nullopt;
  const PreferenceItem& a = items[kExitCodeA - 1];
  const PreferenceItem& b = items[kExitCodeA];
  if (!whole_number(a) || !whole_number(b)) return std::nullopt;
  return ExitCodes{std::get<double>(a), std::get<double>(b)};
}

SaveiniArguments saveini_arguments(const std::optional<ExitCodes>& codes) {
  if (!codes) return {};
  const bool a_is_code = codes->a == 0 || codes->a == 1;
  const bool b_is_code = codes->b == 0 || codes->b == 1;
  if (!a_is_code && !b_is_code) return {};
  return {static_cast<int>(std::nearbyint(codes->a)), static_cast<int>(std::nearbyint(codes->b))};
}

int read_window_mode(const std::string& path) {
  const std::vector<PreferenceItem> items = read_preference_items(path, kWindowModeItem);
  if (items.empty()) return 0;
  const double* value = std::get_if<double>(&items.back());
  if (value == nullptr) return 0;
  if (*value == 0) return 0;
  if (*value == 1) return 1;
  if (*value == 2) return 3;
  return 0;
}

}  // namespace meldrit::settings
