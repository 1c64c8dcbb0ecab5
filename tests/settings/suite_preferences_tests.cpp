#include "settings/suite_preferences.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace meldrit::settings {
namespace {

using test::TempDir;

// Items 1 to 33 as the suite's main menu program writes them: quoted texts and numbers.
std::string first_33_items() {
  std::string text = "\"C:\\KORVANE\\wordpad.exe\",\"Korvane suite\"\r\n";
  for (int i = 3; i <= 33; ++i) text += std::to_string(i % 7) + (i % 3 == 0 ? "\r\n" : ",");
  return text;
}

TEST(ExitCodes, GiveTheExitRoutineArguments) {
  struct Case {
    std::string tail;  // what follows item 33
    bool readable;
    SaveiniArguments arguments;
  };
  const Case cases[] = {
      {"1\r\n0\r\n2\r\n", true, {1, 0}}, {"1,1,0\r\n", true, {1, 1}},
      {"0,1\r\n", true, {0, 1}},         {"0,0\r\n", true, {0, 0}},
      {"5,1\r\n", true, {5, 1}},         {"5,7\r\n", true, {0, 0}},
      {"1.0,0.0\r\n", true, {1, 0}},     {"2.5,1\r\n", true, {2, 1}},
      {"1,3.5\r\n", true, {1, 4}},       {"1 1\r\n", true, {1, 1}},
      {"\"1\",\"0\"\r\n", true, {1, 0}}, {"1\r\n", false, {0, 0}},  // only 34 items
      {"yes,1\r\n", false, {0, 0}},      {"1,1E+30\r\n", false, {0, 0}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::optional<ExitCodes> codes = read_exit_codes(dir.write("kvat.pam", first_33_items() + c.tail));
    EXPECT_EQ(codes.has_value(), c.readable) << c.tail;
    EXPECT_EQ(saveini_arguments(codes), c.arguments) << c.tail;
  }
  EXPECT_FALSE(read_exit_codes("/no/such/folder/kvat.pam").has_value());
  EXPECT_EQ(saveini_arguments(std::nullopt), (SaveiniArguments{0, 0}));
}

TEST(ExitCodes, UnquotedTextWithBlanksIsOneItem) {
  TempDir dir;
  // "Korvane suite" must not count as two items, or 34 and 35 would slip.
  std::string text = "Korvane suite\r\n";
  for (int i = 2; i <= 33; ++i) text += "0\r\n";
  EXPECT_EQ(saveini_arguments(read_exit_codes(dir.write("kvat.pam", text + "1\r\n0\r\n"))),
            (SaveiniArguments{1, 0}));
}

TEST(WindowMode, MapsTheLastItemRead) {
  const std::pair<std::string, int> cases[] = {
      {"1,0,0\r\n", 0},   {"1,0,1\r\n", 1},   {"1,0,2\r\n", 3},     {"1,0,3\r\n", 0},
      {"1,0,max\r\n", 0}, {"1,0,1.5\r\n", 0}, {"1,0,2,1,1\r\n", 3},  // later items are not read
      {"1,2\r\n", 3},                                                // only 35 items: item 35 counts
  };
  TempDir dir;
  for (const auto& [tail, mode] : cases) {
    EXPECT_EQ(read_window_mode(dir.write("kvat.pam", first_33_items() + tail)), mode) << tail;
  }
  EXPECT_EQ(read_window_mode("/no/such/folder/kvat.pam"), 0);
}

TEST(PreferenceItems, KeepTheirKind) {
  TempDir dir;
  const std::string path = dir.write("kvat.pam", "\"a, b\", 2 3 ,x y,-1.5\r\n,7");
  const std::vector<PreferenceItem> expected = {
      std::string("a, b"), 2.0, 3.0, std::string("x y"), -1.5, 0.0, 7.0};
  EXPECT_EQ(read_preference_items(path, 10), expected);
  EXPECT_EQ(read_preference_items(path, 2).size(), 2u);
}

}  // namespace
}  // namespace meldrit::settings
