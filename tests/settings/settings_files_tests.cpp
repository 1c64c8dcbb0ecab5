#include "settings/session_settings_file.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/suite_preferences.h"
#include "support/settings_items.h"
#include "support/temp_dir.h"

namespace meldrit::settings {
namespace {

using test::crlf;
using test::read_bytes;

// Every control value in file order, the row cells included, each followed by "|".
std::string flat(const SessionSettings& s) {
  std::string joined;
  for (const std::string& item : test::settings_items(s)) joined += item + "|";
  return joined;
}

SessionSettings filled() {
  SessionSettings s;
  s.multiphase_path = "/data/phases.out";
  s.variable_path = "  /data/my classes.out";  // written unchanged, leading blanks lost on reading
  s.multiphase_skip = " 3";
  s.variable_skip = "2.5x";
  s.variable_class_count = "-4";
  s.node_counts = {"10", " ", "abc", " 10", "0.25", "5"};
  s.class_table_rows = 3;
  s.class_rows = {{"Phase A", "1", "/u/one.out"}, {"", " ", "  "}};
  s.bihistogram_path = "/b/bihist.dat";
  s.uniform_input_path = "/in/samples.prn";
  s.uniform_skip = ".5";
  s.probability_path = "/p/prob.out";
  s.probability_skip = "1e3";
  s.local_uniform_path = "   ";
  s.local_output_path = "/o/local.out";
  s.continuous_output = false;
  return s;
}

TEST(SessionSettingsFile, WritesEveryItemInFileOrder) {
  test::TempDir dir;
  ASSERT_TRUE(write_session_settings(dir.file("d.ini"), SessionSettings{}));
  EXPECT_EQ(
      read_bytes(dir.file("d.ini")),
      crlf("NO FILE|NO FILE| 0 | 0 | 1 | 1 | 0 | 0 | 0 | 2 | 0 |NO FILE|NO FILE|NO FILE|NO FILE| 0 |NO FILE|"
           "No| 0 | 0  0  0 |No| 0 |No|True"));
  ASSERT_TRUE(write_session_settings(dir.file("f.ini"), filled()));
  EXPECT_EQ(
      read_bytes(dir.file("f.ini")),
      crlf("/data/phases.out|  /data/my classes.out| 3 | 2.5 | 1 |-4 | 10 | 0 | 0 | 3 | 1 |/u/one.out| 0 |"
           "NO FILE|/b/bihist.dat|NO FILE|/in/samples.prn| .5 |NO FILE|/p/prob.out| 1000 | 10  .25  5 |No|"
           " 0 |/o/local.out|False"));
  // Only the header row: no row lines, line 11 is the bihistogram data file.
  SessionSettings one_row;
  one_row.class_table_rows = 1;
  one_row.class_rows.clear();
  ASSERT_TRUE(write_session_settings(dir.file("r.ini"), one_row));
  const std::string head = crlf("NO FILE|NO FILE| 0 | 0 | 1 | 1 | 0 | 0 | 0 | 1 |NO FILE");
  EXPECT_EQ(read_bytes(dir.file("r.ini")).substr(0, head.size()), head);
  EXPECT_FALSE(write_session_settings("/no/such/folder/meldrit.ini", SessionSettings{}));
}

TEST(SessionSettingsFile, RestoresWhatWasWrittenPlainlyAndPlaceholdersAsEmpty) {
  test::TempDir dir;
  ASSERT_TRUE(write_session_settings(dir.file("meldrit.ini"), filled()));
  const SessionReadResult result = read_session_settings_file(dir.file("meldrit.ini"));
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(
      flat(result.settings),
      "/data/phases.out|/data/my classes.out|3|2.5|1|-4|10|0|0|10|.25|5|3|lit.  1|1|/u/one.out|lit.  2|0||"
      "/b/bihist.dat||/in/samples.prn|.5||/p/prob.out|1000||0|/o/local.out|False|");
  // Captions that a comma, a line end or a leading quote would cut short go between quotes, so that
  // they and every item after them read back.
  SessionSettings odd = filled();
  odd.multiphase_path = "C:\\a,b\\phases.out";
  odd.variable_path = " \"quoted\".out";
  ASSERT_TRUE(write_session_settings(dir.file("odd.ini"), odd));
  const SessionReadResult back = read_session_settings_file(dir.file("odd.ini"));
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.settings.multiphase_path, odd.multiphase_path);
  EXPECT_EQ(back.settings.variable_path, " quoted.out");
  EXPECT_EQ(flat(back.settings).substr(flat(back.settings).find("|3|")),
            flat(result.settings).substr(flat(result.settings).find("|3|")));
  const SessionReadResult missing = read_session_settings_file(dir.file("none.ini"));
  EXPECT_EQ(missing.items_read, 0);
  EXPECT_FALSE(missing.complete);
  EXPECT_EQ(flat(missing.settings), flat(SessionSettings{}));
}

// Files that stop the reading early keep what was read and the design defaults for the rest.
TEST(SessionSettingsFile, ReadingStopsAtTheFirstBadItem) {
  const std::string head = crlf("NO FILE|/v.out| 4 | 0 | 2 | 3 | 5 | 5 | 1 ");
  const std::string tail = "NO FILE|NO FILE|NO FILE| 0 |NO FILE|No| 0 | 1  2  3 |No| 0 |No|";
  // the file, and: items read, class table rows [label of row 1] linhas1 [binn] option1
  const std::pair<std::string, const char*> cases[] = {
      {"", "0 2 [] 0 [ ] True"},
      {crlf("/a.out|/b.out"), "2 2 [] 0 [ ] True"},
      {crlf("/a.out|/b.out|four"), "2 2 [] 0 [ ] True"},
      {head + crlf(" 3 "), "10 3 [lit.  1] 4 [ ] True"},
      {head + crlf("many"), "9 2 [] 4 [ ] True"},
      {head + crlf(" 0 "), "9 2 [] 4 [ ] True"},
      {head + crlf(" 1E+9 "), "9 2 [] 4 [ ] True"},
      {head + crlf(" 1 |/b.dat"), "11 1 [] 4 [/b.dat] True"},
      // The comma cuts the path; the rest of its line is the next item, all later ones slip.
      {head + crlf(" 1 |/b,c.dat|NO FILE| 0 "), "14 1 [] 4 [/b] True"},
      {head + crlf(" 1 |\"/b,c.dat\""), "11 1 [] 4 [/b,c.dat] True"},
      {head + crlf(" 1 |" + tail + "False"), "24 1 [] 4 [] False"},
      {head + crlf(" 1 |" + tail + "Maybe"), "23 1 [] 4 [] True"},
  };
  test::TempDir dir;
  for (const auto& [content, expected] : cases) {
    const SessionReadResult r = read_session_settings_file(dir.write("meldrit.ini", content));
    ASSERT_EQ(r.settings.class_rows.size() + 1, static_cast<std::size_t>(r.settings.class_table_rows))
        << content;
    const std::string label = r.settings.class_rows.empty() ? "" : r.settings.class_rows[0].label;
    EXPECT_EQ(std::to_string(r.items_read) + " " + std::to_string(r.settings.class_table_rows) + " [" +
                  label + "] " + r.settings.multiphase_skip + " [" + r.settings.bihistogram_path + "] " +
                  (r.settings.continuous_output ? "True" : "False"),
              expected)
        << content;
  }
}

// Items 1 to 33 as the suite's main menu program writes them: quoted texts and numbers.
std::string first_33_items() {
  std::string text = "\"C:\\KORVANE\\wordpad.exe\",\"Korvane suite\"\r\n";
  for (int i = 3; i <= 33; ++i) text += std::to_string(i % 7) + (i % 3 == 0 ? "\r\n" : ",");
  return text;
}

TEST(ExitCodes, GiveTheExitRoutineArguments) {
  // what follows item 33, whether the exit codes could be read, and the exit routine's arguments
  const std::tuple<std::string, bool, SaveiniArguments> cases[] = {
      {"1\r\n0\r\n2\r\n", true, {1, 0}}, {"1,1,0\r\n", true, {1, 1}},    {"0,1\r\n", true, {0, 1}},
      {"5,1\r\n", true, {5, 1}},         {"5,7\r\n", true, {0, 0}},      {"1.0,0.0\r\n", true, {1, 0}},
      {"2.5,1\r\n", true, {2, 1}},       {"1,3.5\r\n", true, {1, 4}},    {"1 1\r\n", true, {1, 1}},
      {"\"1\",\"0\"\r\n", true, {1, 0}}, {"1\r\n", false, {0, 0}},  // only 34 items
      {"yes,1\r\n", false, {0, 0}},      {"1,1E+30\r\n", false, {0, 0}},
  };
  test::TempDir dir;
  for (const auto& [tail, readable, arguments] : cases) {
    const std::optional<ExitCodes> codes = read_exit_codes(dir.write("kvat.pam", first_33_items() + tail));
    EXPECT_EQ(codes.has_value(), readable) << tail;
    EXPECT_EQ(saveini_arguments(codes), arguments) << tail;
  }
  EXPECT_FALSE(read_exit_codes("/no/such/folder/kvat.pam").has_value());
  EXPECT_EQ(saveini_arguments(std::nullopt), (SaveiniArguments{0, 0}));
  // Unquoted "Korvane suite" must not count as two items, or 34 and 35 would slip.
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
  test::TempDir dir;
  for (const auto& [tail, mode] : cases) {
    EXPECT_EQ(read_window_mode(dir.write("kvat.pam", first_33_items() + tail)), mode) << tail;
  }
  EXPECT_EQ(read_window_mode("/no/such/folder/kvat.pam"), 0);
}

}  // namespace
}  // namespace meldrit::settings
