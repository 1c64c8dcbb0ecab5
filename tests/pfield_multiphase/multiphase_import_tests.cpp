#include "pfield_multiphase/multiphase_import.h"

#include <gtest/gtest.h>

#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/node_counts.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_multiphase {
namespace {

TEST(MultiphaseImport, DetectsCountsAndRows) {
  // multiphase data file (nullptr: none), its skip count, variable data file, and the outcome with the
  // captions P and V and the class table rows once the counts are set
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {nullptr, "0", nullptr, "completed 1 1 2"},
      {"1\r\n3\r\n2\r\n3\r\n", "0", nullptr, "completed 3 1 4"},  // gaps are not checked
      {"1, 2 4\r\n3\r\n", "0", "2 5 1\r\n", "completed 4 5 5"},
      {"header 9\r\n2\r\n1\r\n", "1", nullptr, "completed 2 1 3"},
      {"2\r\n1\r\n", "abc", nullptr, "completed 2 1 3"},
      {"1000\r\n", "0", nullptr, "completed 1000 1 1001"},
      {"0\r\n0\r\n", "0", nullptr, "failed 0 1 1"},
      {"2\r\n", "0", "0\r\n-1\r\n", "failed 2 0 3"},
      {"title\r\n", "1", nullptr, "failed"},
      {"-3\r\n-5\r\n", "0", nullptr, "failed"},
      {"1\r\nx\r\n", "0", nullptr, "failed"},
      {"1001\r\n", "0", nullptr, "failed"},
  };
  test::TempDir dir;
  for (const auto& [multiphase, skip, variable, expected] : cases) {
    ImportInputs inputs;
    if (multiphase) inputs.multiphase_path = dir.write("phases.out", multiphase);
    inputs.multiphase_skip = skip;
    if (variable) inputs.variable_path = "  " + dir.write("classes.out", variable) + " ";
    const ImportResult result = import_data_files(inputs);
    const bool completed = result.outcome.completed();
    EXPECT_EQ(result.outcome.message, completed ? "" : messages::kImportError);
    std::string got = completed                                      ? "completed"
                      : result.outcome.ending == job::Ending::Failed ? "failed"
                                                                     : "other";
    if (result.counts_set)
      got += " " + result.phases_caption + " " + result.variable_classes_caption + " " +
             std::to_string(result.grid_rows);
    EXPECT_EQ(got, expected) << (multiphase ? multiphase : "no file");
  }
  EXPECT_EQ(class_row_label(12), "Class  12");
}

TEST(MultiphaseImport, SameOrMissingFileChangesNothing) {
  ImportInputs inputs;
  inputs.multiphase_path = " /data/a.out";
  inputs.variable_path = "/data/a.out  ";
  ImportResult result = import_data_files(inputs);
  EXPECT_EQ(result.outcome, job::Outcome::refused("Note: 1st Input file <> 2nd Input File"));
  EXPECT_FALSE(result.counts_set);
  inputs.multiphase_path.clear();
  result = import_data_files(inputs);
  EXPECT_EQ(result.outcome.ending, job::Ending::Failed);
  EXPECT_FALSE(result.counts_set);
}

TEST(MultiphaseNodeCounts, FirstFaultOnly) {
  // the three boxes, the message (empty: accepted) and the box reset to "1"
  const std::tuple<std::array<std::string, 3>, std::string, int> cases[] = {
      {{"0", "5", "5"}, "Illegal value for number X nodes!", 0},
      {{"5", "1001", "0"}, "Illegal value for number Z nodes!", 2},  // every lower bound comes first
      {{"5", "1001", "5"}, "Illegal value for number Y nodes! (1-1000)", 1},
      {{"1000", "1", "1"}, "", -1},
      {{" ", "1", "1"}, "Illegal value for number X nodes!", 0},
      {{"1", "0.5", "1"}, "Illegal value for number Y nodes!", 1},
      {{"1000.5", "1", "1"}, "Illegal value for number X nodes! (1-1000)", 0},
      {{"12abc", " 3", "7"}, "", -1},
  };
  for (const auto& [texts, message, reset_box] : cases) {
    const NodeCountCheck check = check_node_counts(texts);
    EXPECT_EQ(check.outcome.completed(), message.empty()) << texts[0];
    EXPECT_EQ(check.outcome.message, message);
    EXPECT_EQ(check.reset_box, reset_box) << texts[0];
  }
}

}  // namespace
}  // namespace meldrit::pfield_multiphase
