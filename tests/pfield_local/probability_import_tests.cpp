#include "pfield_local/probability_import.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace meldrit::pfield_local {
namespace {

struct ImportCase {
  const char* name;
  std::string bytes;
  double skip;
  ImportOutcome outcome;
  int n;
  std::uint64_t V;
  std::uint64_t N;
  std::vector<std::string> warnings;
};

const std::string kAbove12 =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2";
const std::string kBelow03 =
    "Warning: Illegal value detected (<0): -.3\nThis value will be automati'cally accept as 0!";

class Recorder : public ImportObserver {
 public:
  void thresholdsDetected(int n) override { detected = n; }
  void warning(const std::string& text) override { warnings.push_back(text); }
  void progress(int percent) override { percents.push_back(percent); }
  int detected = -1;
  std::vector<std::string> warnings;
  std::vector<int> percents;
};

class ProbabilityImportTable : public testing::TestWithParam<ImportCase> {};

TEST_P(ProbabilityImportTable, CountsWarningsOutcome) {
  const ImportCase& c = GetParam();
  test::TempDir dir;
  const std::string path = dir.write("prob.out", c.bytes);
  Recorder recorder;
  const ImportResult result = import_probability_file(path, c.skip, &recorder);
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_EQ(result.warnings, c.warnings);
  EXPECT_EQ(recorder.warnings, c.warnings);
  if (c.outcome == ImportOutcome::Completed) {
    EXPECT_EQ(result.thresholds, c.n);
    EXPECT_EQ(result.values, c.V);
    EXPECT_EQ(result.nodes, c.N);
    EXPECT_EQ(recorder.detected, c.n);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProbabilityImportTable,
    testing::Values(
        ImportCase{"ThreeLines",
                   "0.1 0.5 0.9\r\n0.2 0.6 1.0\r\n0 0.4 0.8\r\n",
                   0,
                   ImportOutcome::Completed,
                   3,
                   6,
                   3,
                   {}},
        ImportCase{"TitleSkipped",
                   "title line\r\n0.1 0.5 0.9\r\n0.2 0.6 1.0\r\n0 0.4 0.8",
                   1,
                   ImportOutcome::Completed,
                   3,
                   6,
                   3,
                   {}},
        ImportCase{"FractionalSkip",
                   "t\r\n0.1 0.5 0.9\r\n0.2 0.6 1.0\r\n",
                   1.9,
                   ImportOutcome::Completed,
                   3,
                   3,
                   2,
                   {}},
        ImportCase{"SingleLine", "0.2 0.7\r\n", 0, ImportOutcome::Completed, 2, 0, 1, {}},
        ImportCase{"LeadingBlanks", "   0.1 0.5\n0.2 0.3\n", 0, ImportOutcome::Completed, 2, 2, 2, {}},
        // A comma does not separate fields on the first line, but does in the stream after it.
        ImportCase{"CommaFirstLine", "0.1,0.5\n0.2,0.3\n", 0, ImportOutcome::Completed, 1, 2, 3, {}},
        ImportCase{
            "LineBreaksIgnored", "0.1 0.5 0.9\n0.2\n0.6 1.0\n", 0, ImportOutcome::Completed, 3, 3, 2, {}},
        ImportCase{"TwoAboveOneOneWarning",
                   "0.1 0.2 0.3\n0.5 1.2 1.1\n1.5 1.6 1.7\n",
                   0,
                   ImportOutcome::Completed,
                   3,
                   6,
                   3,
                   {kAbove12}},
        ImportCase{"BelowZeroFirstColumn",
                   "0 0\n-0.3 0.1\n-0.5 0\n",
                   0,
                   ImportOutcome::Completed,
                   2,
                   4,
                   3,
                   {kBelow03}},
        ImportCase{"WarningsInOrderFound",
                   "0 0\n-0.3 1.2\n",
                   0,
                   ImportOutcome::Completed,
                   2,
                   2,
                   2,
                   {kBelow03, kAbove12}},
        ImportCase{"FirstLineNeverChecked", "0.9 0.1\n0.1 0.9\n", 0, ImportOutcome::Completed, 2, 2, 2, {}},
        ImportCase{"AboveOneFirstColumn",
                   "0 0\n1.25 1\n",
                   0,
                   ImportOutcome::Completed,
                   2,
                   2,
                   2,
                   {"Warning: Illegal value detected (>1):  1.25\nThis value will be automati'cally accept "
                    "as 1! 1"}},
        ImportCase{"Decreasing", "0.1 0.2\n0.3 0.2\n", 0, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"NegativeLaterColumn", "0.1 0.2\n0.1 -0.2\n", 0, ImportOutcome::Failed, 0, 0, 0, {}},
        // The warning is shown before the order check fails on the same line.
        ImportCase{"WarningThenFailure", "0 0\n-0.3 -0.1\n", 0, ImportOutcome::Failed, 0, 0, 0, {kBelow03}},
        ImportCase{"EmptyFile", "", 0, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"BlankFirstLine", "   \n0.1 0.2\n", 0, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"ShorterThanSkip", "0.1 0.2\n", 2, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"OnlyHeaderLines", "a\nb\n", 2, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"NonNumeric", "0.1 0.2\n0.1 abc\n", 0, ImportOutcome::Failed, 0, 0, 0, {}},
        ImportCase{"ShortLastGroup", "0.1 0.2\n0.1 0.2\n0.3\n", 0, ImportOutcome::Failed, 0, 0, 0, {}}),
    [](const testing::TestParamInfo<ImportCase>& info) { return std::string(info.param.name); });

TEST(ProbabilityImportLimits, HundredThresholdsPassHundredOneFail) {
  test::TempDir dir;
  std::string line100;
  for (int i = 0; i < 100; ++i) line100 += "0.5 ";
  EXPECT_EQ(import_probability_file(dir.write("a.out", line100 + "\n"), 0).thresholds, 100);
  EXPECT_EQ(import_probability_file(dir.write("b.out", line100 + "0.5\n"), 0).outcome, ImportOutcome::Failed);
}

TEST(ProbabilityImportLimits, MissingFileAndBlankCaption) {
  test::TempDir dir;
  EXPECT_EQ(import_probability_file(dir.file("none.out"), 0).outcome, ImportOutcome::Failed);
  EXPECT_EQ(import_probability_file("   ", 0).outcome, ImportOutcome::NoFile);
  // The caption is trimmed before the file is opened.
  EXPECT_EQ(import_probability_file("  " + dir.write("p.out", "0.5\n") + " ", 0).outcome,
            ImportOutcome::Completed);
}

TEST(ProbabilityImportProgress, RisesToHundredAtBoundedRate) {
  test::TempDir dir;
  std::string bytes = "0.1 0.2\n";
  for (int i = 0; i < 5000; ++i) bytes += "0.1 0.2\n";
  Recorder recorder;
  ASSERT_EQ(import_probability_file(dir.write("p.out", bytes), 0, &recorder).outcome,
            ImportOutcome::Completed);
  ASSERT_FALSE(recorder.percents.empty());
  EXPECT_LE(recorder.percents.size(), 100u);
  EXPECT_EQ(recorder.percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(recorder.percents.begin(), recorder.percents.end()));
}

TEST(ProbabilitySkipCountRule, WholePartRoundedDown) {
  EXPECT_EQ(skip_count_text("2.7"), "2");
  EXPECT_EQ(skip_count_text("abc"), "0");
  EXPECT_EQ(skip_count_text(""), "0");
  EXPECT_EQ(skip_count_text("-1.5"), "-2");
}

TEST(ProbabilityFirstLineFields, TabsDoNotSeparate) {
  EXPECT_EQ(count_blank_separated_fields("0.1\t0.5"), 1);
  EXPECT_EQ(count_blank_separated_fields("a  b   c "), 3);
}

}  // namespace
}  // namespace meldrit::pfield_local
