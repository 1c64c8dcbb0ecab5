#include "settings/session_settings_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace meldrit::settings {
namespace {

using test::read_bytes;
using test::TempDir;

// "a|b" -> "a\r\nb\r\n": the lines of a settings file.
std::string lines(const std::string& joined) {
  std::string text;
  std::size_t start = 0;
  for (std::size_t bar; (bar = joined.find('|', start)) != std::string::npos; start = bar + 1) {
    text += joined.substr(start, bar - start) + "\r\n";
  }
  return text + joined.substr(start) + "\r\n";
}

// Every control value in file order, the row cells included, for whole-file comparisons.
std::vector<std::string> flat(const SessionSettings& s) {
  std::vector<std::string> v = {s.in1, s.in2, s.linhas1, s.linhas2, s.verlito, s.vervar};
  v.insert(v.end(), s.text2.begin(), s.text2.end());
  v.push_back(std::to_string(s.griduni_rows));
  for (const ClassTableRow& row : s.class_rows) v.insert(v.end(), {row.label, row.skip, row.path});
  v.insert(v.end(), {s.binn, s.out1, s.uniformin, s.skipuniform, s.uniformout, s.label18, s.text3, s.label22,
                     s.text4, s.label23, s.option1 ? "True" : "False"});
  return v;
}

SessionSettings filled() {
  SessionSettings s;
  s.in1 = "/data/phases.out";
  s.in2 = "  /data/my classes.out";  // written unchanged, leading blanks lost on reading
  s.linhas1 = " 3";
  s.linhas2 = "2.5x";
  s.vervar = "-4";
  s.text2 = {"10", " ", "abc", " 10", "0.25", "5"};
  s.griduni_rows = 3;
  s.class_rows = {{"Phase A", "1", "/u/one.out"}, {"", " ", "  "}};
  s.binn = "/b/bihist.dat";
  s.uniformin = "/in/samples.prn";
  s.skipuniform = ".5";
  s.label18 = "/p/prob.out";
  s.text3 = "1e3";
  s.label22 = "   ";
  s.label23 = "/o/local.out";
  s.option1 = false;
  return s;
}

TEST(WriteSessionSettings, WritesEveryItemInFileOrder) {
  TempDir dir;
  ASSERT_TRUE(write_session_settings(dir.file("d.ini"), SessionSettings{}));
  EXPECT_EQ(
      read_bytes(dir.file("d.ini")),
      lines("NO FILE|NO FILE| 0 | 0 | 1 | 1 | 0 | 0 | 0 | 2 | 0 |NO FILE|NO FILE|NO FILE|NO FILE| 0 |NO FILE|"
            "No| 0 | 0  0  0 |No| 0 |No|True"));
  ASSERT_TRUE(write_session_settings(dir.file("f.ini"), filled()));
  EXPECT_EQ(
      read_bytes(dir.file("f.ini")),
      lines("/data/phases.out|  /data/my classes.out| 3 | 2.5 | 1 |-4 | 10 | 0 | 0 | 3 | 1 |/u/one.out| 0 |"
            "NO FILE|/b/bihist.dat|NO FILE|/in/samples.prn| .5 |NO FILE|/p/prob.out| 1000 | 10  .25  5 |No|"
            " 0 |/o/local.out|False"));
  SessionSettings one_row;
  one_row.griduni_rows = 1;
  one_row.class_rows.clear();
  ASSERT_TRUE(write_session_settings(dir.file("r.ini"), one_row));
  const std::string head = lines("NO FILE|NO FILE| 0 | 0 | 1 | 1 | 0 | 0 | 0 | 1 |NO FILE");
  EXPECT_EQ(read_bytes(dir.file("r.ini")).substr(0, head.size()), head);
}

TEST(WriteSessionSettings, UnwritableFolderGivesFalse) {
  EXPECT_FALSE(write_session_settings("/no/such/folder/meldrit.ini", SessionSettings{}));
}

TEST(ReadSessionSettings, RestoresWhatWasWrittenPlainlyAndPlaceholdersAsEmpty) {
  TempDir dir;
  ASSERT_TRUE(write_session_settings(dir.file("meldrit.ini"), filled()));
  const SessionReadResult result = read_session_settings_file(dir.file("meldrit.ini"));
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(flat(result.settings), (std::vector<std::string>{"/data/phases.out",
                                                             "/data/my classes.out",
                                                             "3",
                                                             "2.5",
                                                             "1",
                                                             "-4",
                                                             "10",
                                                             "0",
                                                             "0",
                                                             "10",
                                                             ".25",
                                                             "5",
                                                             "3",
                                                             "lit.  1",
                                                             "1",
                                                             "/u/one.out",
                                                             "lit.  2",
                                                             "0",
                                                             "",
                                                             "/b/bihist.dat",
                                                             "",
                                                             "/in/samples.prn",
                                                             ".5",
                                                             "",
                                                             "/p/prob.out",
                                                             "1000",
                                                             "",
                                                             "0",
                                                             "/o/local.out",
                                                             "False"}));
}

TEST(ReadSessionSettings, MissingFileKeepsEveryDesignDefault) {
  const SessionReadResult result = read_session_settings_file("/no/such/folder/meldrit.ini");
  EXPECT_EQ(result.items_read, 0);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(flat(result.settings), flat(SessionSettings{}));
}

// Files that stop the reading early: how many items were applied, and what some controls got.
struct PartialCase {
  const char* name;
  std::string content;
  int items_read;
  int rows;
  std::string row1_label;
  std::string binn;
  bool option1;
};

void PrintTo(const PartialCase& c, std::ostream* out) {
  *out << c.name;
}

class ReadSessionSettingsStops : public ::testing::TestWithParam<PartialCase> {};

TEST_P(ReadSessionSettingsStops, KeepsWhatWasReadAndDefaultsForTheRest) {
  const PartialCase& c = GetParam();
  TempDir dir;
  dir.write("meldrit.ini", c.content);
  const SessionReadResult result = read_session_settings_file(dir.file("meldrit.ini"));
  EXPECT_EQ(result.items_read, c.items_read);
  EXPECT_EQ(result.settings.griduni_rows, c.rows);
  ASSERT_EQ(static_cast<int>(result.settings.class_rows.size()), c.rows - 1);
  if (c.rows > 1) {
    EXPECT_EQ(result.settings.class_rows[0].label, c.row1_label);
  }
  EXPECT_EQ(result.settings.linhas1, c.items_read >= 3 ? "4" : "0");
  EXPECT_EQ(result.settings.binn, c.binn);
  EXPECT_EQ(result.settings.option1, c.option1);
}

const std::string kHead = lines("NO FILE|/v.out| 4 | 0 | 2 | 3 | 5 | 5 | 1 ");
const std::string kTail = "NO FILE|NO FILE|NO FILE| 0 |NO FILE|No| 0 | 1  2  3 |No| 0 |No|";

INSTANTIATE_TEST_SUITE_P(
    Table, ReadSessionSettingsStops,
    ::testing::Values(
        PartialCase{"empty", "", 0, 2, "", " ", true},
        PartialCase{"afterLine2", lines("/a.out|/b.out"), 2, 2, "", " ", true},
        PartialCase{"skipNotNumber", lines("/a.out|/b.out|four"), 2, 2, "", " ", true},
        PartialCase{"endsAfterRowCount", kHead + lines(" 3 "), 10, 3, "lit.  1", " ", true},
        PartialCase{"rowCountNotNumber", kHead + lines("many"), 9, 2, "", " ", true},
        PartialCase{"rowCountZero", kHead + lines(" 0 "), 9, 2, "", " ", true},
        PartialCase{"rowCountHuge", kHead + lines(" 1E+9 "), 9, 2, "", " ", true},
        PartialCase{"oneRowThenBihistogram", kHead + lines(" 1 |/b.dat"), 11, 1, "", "/b.dat", true},
        // The comma cuts the path; the rest of its line is the next item, all later ones slip.
        PartialCase{"commaInPath", kHead + lines(" 1 |/b,c.dat|NO FILE| 0 "), 14, 1, "", "/b", true},
        PartialCase{"quotedPathKeepsComma", kHead + lines(" 1 |\"/b,c.dat\""), 11, 1, "", "/b,c.dat", true},
        PartialCase{"fullFileWithFalse", kHead + lines(" 1 |" + kTail + "False"), 24, 1, "", "", false},
        PartialCase{"badChoice", kHead + lines(" 1 |" + kTail + "Maybe"), 23, 1, "", "", true}),
    [](const ::testing::TestParamInfo<PartialCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meldrit::settings
