#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz_support.h"
#include "settings/session_settings_file.h"
#include "settings/suite_preferences.h"
#include "support/settings_items.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"

using namespace meldrit::settings;
using meldrit::fuzz::check;
using meldrit::fuzz::lf_line_ends;

namespace {

// Larger class tables are read, but not written back: the round trip would cost more than it finds.
constexpr int kRoundTripRows = 300;

std::string strip_blanks_and_tabs(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// A path caption as every user of it sees it: without the blanks and tabs around it, and a
// placeholder as no file.
std::string path_item(const std::string& caption, std::string_view placeholder) {
  const std::string stripped = strip_blanks_and_tabs(caption);
  return stripped == placeholder ? std::string() : stripped;
}

std::string number_item(const std::string& text) {
  return meldrit::textio::plain_number(meldrit::textio::numeric_value(text));
}

// Every item of the file in file order, as the program uses it.
std::vector<std::string> items(const SessionSettings& s) {
  const char* no_file = "NO FILE";
  std::vector<std::string> v = {path_item(s.multiphase_path, no_file),
                                path_item(s.variable_path, no_file),
                                number_item(s.multiphase_skip),
                                number_item(s.variable_skip),
                                number_item(s.phase_count),
                                number_item(s.variable_class_count)};
  for (int i = 0; i < 3; ++i) v.push_back(number_item(s.node_counts[i]));
  v.push_back(std::to_string(s.class_table_rows));
  for (const ClassTableRow& row : s.class_rows) {
    v.push_back(number_item(row.skip));
    v.push_back(path_item(row.path, no_file));
  }
  v.insert(v.end(), {path_item(s.bihistogram_path, no_file), path_item(s.multiphase_output_path, no_file),
                     path_item(s.uniform_input_path, no_file), number_item(s.uniform_skip),
                     path_item(s.uniform_output_path, no_file), path_item(s.probability_path, "No"),
                     number_item(s.probability_skip)});
  for (int i = 3; i < 6; ++i) v.push_back(number_item(s.node_counts[i]));
  v.insert(v.end(), {path_item(s.local_uniform_path, "No"), number_item(s.local_uniform_skip),
                     path_item(s.local_output_path, "No"), s.continuous_output ? "True" : "False"});
  return v;
}

// Every control value exactly as read, and the counts of the reading.
std::string flat(const SessionReadResult& r, bool lf = false) {
  std::string joined = std::to_string(r.items_read) + (r.complete ? " complete" : " partial");
  for (const std::string& item : meldrit::test::settings_items(r.settings))
    joined += "|" + (lf ? lf_line_ends(item) : item);
  return joined;
}

// Whether two readings hold the same values (with `lf`, the second's captions with LF line ends),
// as flat() would show them.
bool same_reading(const SessionReadResult& a, const SessionReadResult& b, bool lf = false) {
  if (a.items_read != b.items_read || a.complete != b.complete) return false;
  const SessionSettings &x = a.settings, &y = b.settings;
  auto same = [lf](const std::string& one, const std::string& other) {
    return one == (lf ? lf_line_ends(other) : other);
  };
  if (x.class_rows.size() != y.class_rows.size()) return false;
  for (std::size_t r = 0; r < x.class_rows.size(); ++r) {
    const ClassTableRow &p = x.class_rows[r], &q = y.class_rows[r];
    if (p.label != q.label || p.skip != q.skip || !same(p.path, q.path)) return false;
  }
  return same(x.multiphase_path, y.multiphase_path) && same(x.variable_path, y.variable_path) &&
         x.multiphase_skip == y.multiphase_skip && x.variable_skip == y.variable_skip &&
         x.phase_count == y.phase_count && x.variable_class_count == y.variable_class_count &&
         x.node_counts == y.node_counts && x.class_table_rows == y.class_table_rows &&
         same(x.bihistogram_path, y.bihistogram_path) &&
         same(x.multiphase_output_path, y.multiphase_output_path) &&
         same(x.uniform_input_path, y.uniform_input_path) && x.uniform_skip == y.uniform_skip &&
         same(x.uniform_output_path, y.uniform_output_path) && same(x.probability_path, y.probability_path) &&
         x.probability_skip == y.probability_skip && same(x.local_uniform_path, y.local_uniform_path) &&
         x.local_uniform_skip == y.local_uniform_skip && same(x.local_output_path, y.local_output_path) &&
         x.continuous_output == y.continuous_output;
}

std::string joined(const std::vector<std::string>& v) {
  std::string text;
  for (const std::string& item : v) text += item + "|";
  return text;
}

// The writer puts each caption on a line of its own as it stands: one with a comma or a line end in
// it, or of tabs alone, cannot be read back as one item (a hand-made file can hold such a caption
// in quotes).
bool writable(const std::string& caption) {
  // A caption that a comma, a line end or a leading quote would cut short is saved between quotes,
  // without quotes of its own.
  const std::size_t first = caption.find_first_not_of(' ');
  const bool quoted = caption.find_first_of(",\r\n") != std::string::npos ||
                      (first != std::string::npos && caption[first] == '"');
  if (quoted && caption.find('"') != std::string::npos) return false;
  return !strip_blanks_and_tabs(caption).empty() || meldrit::textio::trim_blanks(caption).empty();
}

bool all_writable(const SessionSettings& s) {
  for (const std::string* caption : {&s.multiphase_path, &s.variable_path, &s.bihistogram_path,
                                     &s.multiphase_output_path, &s.uniform_input_path, &s.uniform_output_path,
                                     &s.probability_path, &s.local_uniform_path, &s.local_output_path}) {
    if (!writable(*caption)) return false;
  }
  for (const ClassTableRow& row : s.class_rows) {
    if (!writable(row.path)) return false;
  }
  return true;
}

int item_count(const SessionSettings& s) {
  return 24 + 2 * (s.class_table_rows - 1);
}

void session_settings(const meldrit::fuzz::ScratchFile& input, std::string_view text) {
  static meldrit::fuzz::ScratchFile written("written");
  static meldrit::fuzz::ScratchFile rewritten("rewritten");
  const SessionReadResult first = [&] {
    meldrit::fuzz::StreamBlock small(64);
    return read_session_settings_file(input.path());
  }();
  const SessionSettings& s = first.settings;
  check(s.class_rows.size() + 1 == static_cast<std::size_t>(s.class_table_rows), "rows and row count differ");
  check(first.items_read <= item_count(s) && first.complete == (first.items_read == item_count(s)),
        "items read and completeness differ", [&] { return flat(first); });

  // The same file with LF line ends reads the same.
  const std::string lf = lf_line_ends(text);
  if (lf != text) {
    written.assign(lf);
    meldrit::fuzz::StreamBlock other(509);
    const SessionReadResult again = read_session_settings_file(written.path());
    check(same_reading(again, first, true), "settings change with LF line ends",
          [&] { return flat(again) + "\n" + flat(first, true); });
  }

  if (s.class_table_rows > kRoundTripRows) return;
  meldrit::fuzz::StreamBlock block(4096);
  check(write_session_settings(written.path(), s), "cannot write the settings");
  const SessionReadResult second = read_session_settings_file(written.path());
  const std::string second_items = joined(items(second.settings));
  if (all_writable(s)) {
    check(second.complete, "a saved settings file does not read back whole",
          [&] { return flat(first) + "\n" + flat(second); });
    const std::string first_items = joined(items(s));
    check(second_items == first_items, "a saved setting reads back changed",
          [&] { return first_items + "\n" + second_items; });
    return;
  }
  // Whatever was read from a saved file can be saved again, and then reads back unchanged, even
  // when the first file held captions no save can keep.
  if (second.settings.class_table_rows > kRoundTripRows) return;
  check(all_writable(second.settings), "a saved file reads back a caption that cannot be saved",
        [&] { return flat(second); });
  check(write_session_settings(rewritten.path(), second.settings), "cannot write the settings again");
  const SessionReadResult third = read_session_settings_file(rewritten.path());
  check(third.complete && joined(items(third.settings)) == second_items, "settings change on a second save",
        [&] { return flat(second) + "\n" + flat(third); });
  if (second.complete) {
    check(same_reading(third, second), "a complete settings file changes on saving",
          [&] { return flat(second) + "\n" + flat(third); });
  }
}

std::string item_text(const PreferenceItem& item, bool lf = false) {
  if (const double* value = std::get_if<double>(&item)) return "#" + meldrit::textio::plain_number(*value);
  const std::string& text = std::get<std::string>(item);
  return "'" + (lf ? lf_line_ends(text) : text) + "'";
}

std::string item_texts(const std::vector<PreferenceItem>& items, std::size_t count, bool lf = false) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < count; ++i) text += item_text(items[i], lf) + " ";
  return text;
}

std::optional<int> whole(const PreferenceItem& item) {
  const double* value = std::get_if<double>(&item);
  if (!value) return std::nullopt;
  const double rounded = std::nearbyint(*value);
  if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  return static_cast<int>(rounded);
}

// The suite preferences: fewer items asked for give the first of the same items, and the exit codes
// and window mode are the items they are read from.
void suite_preferences(const meldrit::fuzz::ScratchFile& input, std::string_view text) {
  static meldrit::fuzz::ScratchFile lf_file("preferences");
  meldrit::fuzz::StreamBlock small(509);
  const std::vector<PreferenceItem> all = read_preference_items(input.path(), 36);
  check(all.size() <= 36, "more preference items than asked for");
  const std::vector<PreferenceItem> first_35 = read_preference_items(input.path(), 35);
  check(item_texts(first_35, 36) == item_texts(all, 35), "fewer preference items are not the first ones");

  const std::optional<ExitCodes> codes = read_exit_codes(input.path());
  const bool readable = first_35.size() == 35 && whole(first_35[33]) && whole(first_35[34]);
  check(codes.has_value() == readable, "exit codes read wrongly", [&] { return item_texts(first_35, 35); });
  SaveiniArguments arguments;
  if (codes) {
    check(codes->a == std::get<double>(first_35[33]) && codes->b == std::get<double>(first_35[34]),
          "exit codes are not items 34 and 35");
    const bool a = codes->a == 0 || codes->a == 1, b = codes->b == 0 || codes->b == 1;
    if (a || b) arguments = {*whole(first_35[33]), *whole(first_35[34])};
  }
  check(saveini_arguments(codes) == arguments, "wrong exit arguments");

  int mode = 0;
  if (!all.empty()) {
    if (const double* value = std::get_if<double>(&all.back())) mode = *value == 1 ? 1 : *value == 2 ? 3 : 0;
  }
  check(read_window_mode(input.path()) == mode, "window mode is not the last item");

  const std::string lf = lf_line_ends(text);
  if (lf == text) return;
  lf_file.assign(lf);
  check(item_texts(read_preference_items(lf_file.path(), 36), 36) == item_texts(all, 36, true),
        "preference items change with LF line ends");
}

}  // namespace

// Whatever a hand-edited session settings file (meldrit.ini) or suite preferences file (kvat.pam)
// holds, start-up and exit go on; what the settings reader took in is saved and read back as it was.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile input("settings");
  const std::string_view text = meldrit::fuzz::as_text(data, size);
  input.assign(text);
  session_settings(input, text);
  suite_preferences(input, text);
  return 0;
}
