#include "pfield_multiphase/multiphase_import.h"

#include <gtest/gtest.h>

#include "pfield_multiphase/multiphase_messages.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_multiphase {
namespace {

using Status = ImportOutcome::Status;

struct ImportCase {
  const char* name;
  const char* multiphase;  // file content, or nullptr for no file
  const char* multiphase_skip;
  const char* variable;
  Status status;
  bool counts_set;
  const char* phases_caption;
  const char* classes_caption;
  int grid_rows;
};

class ImportTable : public testing::TestWithParam<ImportCase> {};

TEST_P(ImportTable, DetectsCountsAndRows) {
  const ImportCase& c = GetParam();
  test::TempDir dir;
  ImportInputs inputs;
  if (c.multiphase) inputs.multiphase_path = dir.write("phases.out", c.multiphase);
  inputs.multiphase_skip = c.multiphase_skip;
  if (c.variable) inputs.variable_path = "  " + dir.write("classes.out", c.variable) + " ";

  const ImportOutcome outcome = import_data_files(inputs);
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.message, c.status == Status::Completed ? "" : messages::kImportError);
  EXPECT_EQ(outcome.counts_set, c.counts_set);
  if (c.counts_set) {
    EXPECT_EQ(outcome.phases_caption, c.phases_caption);
    EXPECT_EQ(outcome.variable_classes_caption, c.classes_caption);
    EXPECT_EQ(outcome.grid_rows, c.grid_rows);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportTable,
    testing::Values(
        ImportCase{"NoFiles", nullptr, "0", nullptr, Status::Completed, true, "1", "1", 2},
        ImportCase{"GapsAreNotChecked", "1\r\n3\r\n2\r\n3\r\n", "0", nullptr, Status::Completed, true, "3",
                   "1", 4},
        ImportCase{"SeveralPerLine", "1, 2 4\r\n3\r\n", "0", "2 5 1\r\n", Status::Completed, true, "4", "5",
                   5},
        ImportCase{"HeaderSkipped", "header 9\r\n2\r\n1\r\n", "1", nullptr, Status::Completed, true, "2", "1",
                   3},
        ImportCase{"SkipNotNumberIsZero", "2\r\n1\r\n", "abc", nullptr, Status::Completed, true, "2", "1", 3},
        ImportCase{"OnlyZeros", "0\r\n0\r\n", "0", nullptr, Status::Failed, true, "0", "1", 1},
        ImportCase{"VariableZero", "2\r\n", "0", "0\r\n-1\r\n", Status::Failed, true, "2", "0", 3},
        ImportCase{"NoValuesAfterHeader", "title\r\n", "1", nullptr, Status::Failed, false, "", "", 0},
        ImportCase{"NegativeCodes", "-3\r\n-5\r\n", "0", nullptr, Status::Failed, false, "", "", 0},
        ImportCase{"NotANumber", "1\r\nx\r\n", "0", nullptr, Status::Failed, false, "", "", 0},
        ImportCase{"BeyondRowLimit", "1001\r\n", "0", nullptr, Status::Failed, false, "", "", 0},
        ImportCase{"AtRowLimit", "1000\r\n", "0", nullptr, Status::Completed, true, "1000", "1", 1001}),
    [](const testing::TestParamInfo<ImportCase>& info) { return std::string(info.param.name); });

TEST(Import, SameFileInBothRolesChangesNothing) {
  ImportInputs inputs;
  inputs.multiphase_path = " /data/a.out";
  inputs.variable_path = "/data/a.out  ";
  const ImportOutcome outcome = import_data_files(inputs);
  EXPECT_EQ(outcome.status, Status::SameFile);
  EXPECT_EQ(outcome.message, "Note: 1st Input file <> 2nd Input File");
  EXPECT_FALSE(outcome.counts_set);
}

TEST(Import, MissingFileFails) {
  ImportInputs inputs;
  inputs.variable_path = "/nonexistent/folder/classes.out";
  const ImportOutcome outcome = import_data_files(inputs);
  EXPECT_EQ(outcome.status, Status::Failed);
  EXPECT_FALSE(outcome.counts_set);
}

TEST(Import, PreparedRowLabels) {
  EXPECT_EQ(class_row_label(1), "Class  1");
  EXPECT_EQ(class_row_label(12), "Class  12");
  EXPECT_EQ(kPreparedSkip, "0");
}

}  // namespace
}  // namespace meldrit::pfield_multiphase
