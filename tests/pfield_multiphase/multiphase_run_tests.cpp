#include "pfield_multiphase/multiphase_run.h"

#include <gtest/gtest.h>

#include <utility>

#include "pfield_multiphase/multiphase_messages.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_multiphase {
namespace {

using Status = RunOutcome::Status;
using Points = std::vector<std::pair<std::string, std::string>>;  // (z, F)

// One ccdf block: two unused fields, the point count, then z F pairs.
std::string block(const Points& points, const std::string& count = "") {
  std::string text = "7 9 " + (count.empty() ? std::to_string(points.size()) : count) + "\r\n";
  for (const auto& [z, f] : points) text += z + " " + f + "\r\n";
  return text;
}

std::string lines(std::initializer_list<const char*> values) {
  std::string text;
  for (const char* value : values) text += std::string(value) + "\r\n";
  return text;
}

const Points kWorked = {{"10", "0.2"}, {"20", "0.5"}, {"30", "0.5"}, {"40", "0.8"}};
const Points kWhole = {{"0", "0"}, {"10", "0.5"}, {"20", "1"}};

class MultiphaseRun : public testing::Test {
 protected:
  MultiphaseRun() { in_.output_path = dir_.file("result.out"); }

  // A grid of `nodes` along X, one phase uniform file per entry of `uniform`.
  void setup(int nodes, const std::string& bihistogram, std::initializer_list<std::string> uniform) {
    in_.nx = nodes;
    in_.bihistogram_path = dir_.write("bihist.dat", bihistogram);
    int q = 0;
    for (const std::string& content : uniform) {
      ++q;
      in_.class_rows.push_back({"0", dir_.write("u" + std::to_string(q) + ".out", content)});
    }
    in_.phases = q;
  }
  void phases(const std::string& content) { in_.multiphase_path = dir_.write("phases.out", content); }
  void classes(const std::string& content, double count) {
    in_.variable_path = dir_.write("classes.out", content);
    in_.variable_classes = count;
  }
  RunOutcome run() { return run_multiphase(in_); }
  std::string output() const { return test::read_bytes(in_.output_path); }

  test::TempDir dir_;
  RunInputs in_;
};

TEST_F(MultiphaseRun, WorkedTableLastMatchingIntervalWins) {
  // u = 0.5 matches the flat second and the third interval: the third gives 30. Below the first
  // or above the last point gives 0; the end points themselves lie inside.
  setup(7, "1 1\r\n" + block(kWorked), {lines({"0.5", "0.1", "0.9", "0.2", "0.8", "0.35", "0.65"})});
  const RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, Status::Completed);
  EXPECT_EQ(outcome.message, "Probability Field Simulation Complete!");
  EXPECT_EQ(output(), lines({"30.", ".", ".", "10.", "40.", "15.", "35."}));
}

TEST_F(MultiphaseRun, InnerPointOfIncreasingTableGivesItsValue) {
  setup(4, "1 1\r\n" + block(kWhole), {lines({"0.5", "0", "1", "0.25"})});
  EXPECT_EQ(run().status, Status::Completed);
  EXPECT_EQ(output(), lines({"10.", ".", "20.", "5."}));
}

TEST_F(MultiphaseRun, TableWhoseProbabilitiesFallStillUsesTheLastMatch) {
  // Nothing checks that F increases: every interval is tried, in file order.
  setup(3, "1 1\r\n" + block({{"0", ".2"}, {"10", ".9"}, {"20", ".4"}, {"30", ".6"}}),
        {lines({".5", ".8", ".3"})});
  EXPECT_EQ(run().status, Status::Completed);
  EXPECT_EQ(output(), lines({"25.", "8.571", "1.429"}));
}

TEST_F(MultiphaseRun, MaskOfTheFloatValue) {
  // A table with the same z at both ends returns that z for every u.
  std::string bihistogram = "4 1\r\n";
  for (const char* z : {"12", "0.25", "-0.5", "2.0004"}) bihistogram += block({{z, "0"}, {z, "1"}});
  setup(4, bihistogram,
        {"0.5 0.5 0.5 0.5\r\n", "0.5 0.5 0.5 0.5\r\n", "0.5 0.5 0.5 0.5\r\n", "0.5 0.5 0.5 0.5\r\n"});
  phases(lines({"1", "2", "3", "4"}));
  EXPECT_EQ(run().status, Status::Completed);
  EXPECT_EQ(output(), lines({"12.", ".25", "-.5", "2."}));
}

TEST_F(MultiphaseRun, PhaseFilesAdvanceInLockstep) {
  // Two phases, two variable classes; every node takes u from its own phase's file only.
  const std::string bihistogram = "2 2\r\n" + block({{"0", "0"}, {"1", "1"}}) +
                                  block({{"0", "0"}, {"10", "1"}}) + block({{"0", "0"}, {"100", "1"}}) +
                                  block({{"0", "0"}, {"1000", "1"}});
  setup(4, bihistogram, {lines({".1", ".2", ".3", ".4"}), lines({".5", ".6", ".7", ".8"})});
  phases(lines({"1", "2", "1.6", "1"}));  // 1.6 passes the range check and selects phase 2
  classes(lines({"2", "1", "2", "1"}), 2);
  EXPECT_EQ(run().status, Status::Completed);
  EXPECT_EQ(output(), lines({"1.", "60.", "700.", ".4"}));
}

TEST_F(MultiphaseRun, SkipCountsAndSeveralValuesPerLine) {
  setup(3, "1 1\r\n" + block(kWhole), {"title\r\nmore\r\n0.5, 1 0\r\n"});
  in_.class_rows[0].skip = "2";
  phases("# codes\r\n1 1 1\r\n");
  in_.multiphase_skip = 1;
  EXPECT_EQ(run().status, Status::Completed);
  EXPECT_EQ(output(), lines({"10.", "20.", "."}));
}

TEST_F(MultiphaseRun, ManyPhaseFilesOpenTogether) {
  for (const int count : {40, kMaxPhases}) {
    std::string bihistogram = std::to_string(count) + " 1\r\n";
    for (int p = 1; p <= count; ++p)
      bihistogram += block({{std::to_string(p), "0"}, {std::to_string(p), "1"}});
    in_.nx = 2;
    in_.phases = count;
    in_.bihistogram_path = dir_.write("bihist.dat", bihistogram);
    in_.class_rows.clear();
    for (int q = 1; q <= count; ++q)
      in_.class_rows.push_back({"0", dir_.write("u" + std::to_string(q), ".5 .5\r\n")});
    phases(std::to_string(count) + " 17\r\n");
    EXPECT_EQ(run().status, Status::Completed) << count;
    EXPECT_EQ(output(), std::to_string(count) + ".\r\n17.\r\n");
  }
}

struct FailureCase {
  const char* name;
  std::string bihistogram;
  std::string phases;  // empty: no multiphase data file
  std::string classes;
  std::string uniform;
  Status status;
  std::string message;
  std::string output;  // the lines kept
};

class RunFailures : public MultiphaseRun, public testing::WithParamInterface<FailureCase> {};

TEST_P(RunFailures, MessageAndLinesKept) {
  const FailureCase& c = GetParam();
  setup(3, c.bihistogram, {c.uniform});
  if (!c.phases.empty()) phases(c.phases);
  if (!c.classes.empty()) classes(c.classes, 1);
  const RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.message, c.message);
  EXPECT_EQ(output(), c.output);
}

const std::string kOneTable = "1 1\r\n" + block(kWhole);
const std::string kThreeU = lines({".5", ".5", ".5"});
const std::string k50Points = [] {
  Points points;
  for (int k = 0; k < 50; ++k) points.push_back({std::to_string(k), std::to_string(k / 49.0)});
  return "1 1\r\n" + block(points);
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, RunFailures,
    testing::Values(
        FailureCase{"FiftyPointsAccepted", k50Points, "", "", lines({"0", "1", ".5"}), Status::Completed,
                    messages::kCompleted, lines({".", "49.", "24.5"})},
        FailureCase{"FiftyOnePoints", "1 1\r\n" + block(kWhole, "51"), "", "", kThreeU, Status::Failed,
                    messages::kInvalidPointCount, ""},
        FailureCase{"OnePoint", "1 1\r\n" + block({{"1", "0"}}), "", "", kThreeU, Status::Failed,
                    messages::kInvalidPointCount, ""},
        FailureCase{"PointCountNotANumber", "1 1\r\n" + block(kWhole, "n"), "", "", kThreeU, Status::Failed,
                    messages::kInvalidPointCount, ""},
        FailureCase{"PhaseCountDiffers", "2 1\r\n" + block(kWhole), "", "", kThreeU, Status::Failed,
                    messages::kInvalidBihistogram, ""},
        FailureCase{"ClassCountNotANumber", "1 V\r\n" + block(kWhole), "", "", kThreeU, Status::Failed,
                    messages::kInvalidBihistogram, ""},
        FailureCase{"BihistogramEmpty", "", "", "", kThreeU, Status::Failed, messages::kBihistogramShort, ""},
        FailureCase{"BihistogramCutShort", "1 1\r\n7 9 3\r\n0 0\r\n10", "", "", kThreeU, Status::Failed,
                    messages::kBihistogramShort, ""},
        FailureCase{"PhaseZero", kOneTable, lines({"1", "0", "1"}), "", kThreeU, Status::Failed,
                    messages::kPhaseError, lines({"10."})},
        FailureCase{"PhaseAboveCount", kOneTable, lines({"1", "1", "2"}), "", kThreeU, Status::Failed,
                    messages::kPhaseError, lines({"10.", "10."})},
        FailureCase{"PhaseNotANumber", kOneTable, lines({"one"}), "", kThreeU, Status::Failed,
                    messages::kPhaseError, ""},
        FailureCase{"ClassNotANumber", kOneTable, "", lines({"1", "c"}), kThreeU, Status::Failed,
                    messages::kVariableClassError, lines({"10."})},
        FailureCase{"ClassZero", kOneTable, "", lines({"0"}), kThreeU, Status::Failed,
                    messages::kVariableClassError, ""},
        FailureCase{"MultiphaseFileShort", kOneTable, lines({"1", "1"}), "", kThreeU, Status::Failed,
                    "Multiphase data file ends before the last node!", lines({"10.", "10."})},
        FailureCase{"VariableFileShort", kOneTable, "", lines({"1"}), kThreeU, Status::Failed,
                    "Variable data file ends before the last node!", lines({"10."})},
        FailureCase{"PhaseUniformShort", kOneTable, "", "", lines({".5", "1"}), Status::Failed,
                    "Input data file associate with class -  1 ends before the last node!",
                    lines({"10.", "20."})},
        FailureCase{"UniformNotANumberReadsZero", kOneTable, "", "", lines({"u", ".5", "x"}),
                    Status::Completed, messages::kCompleted, lines({".", "10.", "."})}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(MultiphaseRun, ChecksComeFirstInOrder) {
  setup(1, kOneTable, {kThreeU, kThreeU});
  in_.class_rows[1].path = "  ";
  in_.bihistogram_path = " ";
  in_.output_path = "";
  bool checks_passed = false;
  RunOutcome outcome = run_multiphase(in_, [&] { checks_passed = true; });
  EXPECT_EQ(outcome.status, Status::CheckFailed);
  EXPECT_EQ(outcome.message, "Please select input data file associate with class -  2");
  in_.class_rows[1].path = in_.class_rows[0].path;
  EXPECT_EQ(run().message, "Please select bihistogram data file file!");
  in_.bihistogram_path = dir_.file("bihist.dat");
  EXPECT_EQ(run().message, "Please select output file!");
  EXPECT_FALSE(checks_passed);
}

TEST_F(MultiphaseRun, PhaseCountBeyondTheRows) {
  setup(1, kOneTable, {kThreeU});
  in_.phases = 2;
  EXPECT_EQ(run().message, "Please select input data file associate with class -  2");
  in_.phases = kMaxPhases + 1;
  EXPECT_EQ(run().message, messages::too_many_phases(kMaxPhases));
}

TEST_F(MultiphaseRun, FilesThatCannotBeOpened) {
  setup(1, kOneTable, {kThreeU});
  const std::string missing = dir_.file("missing.out");
  in_.class_rows[0].path = missing;
  bool checks_passed = false;
  RunOutcome outcome = run_multiphase(in_, [&] { checks_passed = true; });
  EXPECT_TRUE(checks_passed);
  EXPECT_EQ(outcome.status, Status::Failed);
  EXPECT_EQ(outcome.message, "Cannot open input data file associate with class -  1: " + missing);

  in_.class_rows[0].path = dir_.file("u1.out");
  in_.multiphase_path = missing;
  EXPECT_EQ(run().message, "Cannot open multiphase data file: " + missing);
  in_.multiphase_path.clear();
  in_.bihistogram_path = missing;
  EXPECT_EQ(run().message, "Cannot open bihistogram data file: " + missing);
  in_.bihistogram_path = dir_.file("bihist.dat");
  in_.output_path = dir_.file("no/such/folder/result.out");
  EXPECT_EQ(run().message, "Cannot create output file: " + in_.output_path);
}

TEST_F(MultiphaseRun, LargeRunKeepsEveryLineUpToTheFailure) {
  // More nodes than one output batch, with a bad phase code right after the second batch.
  constexpr int kGood = 2 * 65536 + 3;
  std::string uniform;
  std::string codes;
  std::string expected;
  for (int i = 0; i < kGood; ++i) {
    uniform += i % 2 ? ".25\r\n" : ".75\r\n";
    codes += "1\r\n";
    expected += i % 2 ? "5.\r\n" : "15.\r\n";
  }
  setup(kGood + 5, kOneTable, {uniform + ".5\r\n.5\r\n"});
  phases(codes + "7\r\n");
  RunOutcome outcome = run();
  EXPECT_EQ(outcome.message, messages::kPhaseError);
  EXPECT_EQ(outcome.nodes_written, kGood);
  EXPECT_TRUE(output() == expected);

  in_.nx = kGood;
  outcome = run();
  EXPECT_EQ(outcome.status, Status::Completed);
  EXPECT_TRUE(output() == expected);
}

TEST_F(MultiphaseRun, WriteFailureIsReported) {
  setup(3, kOneTable, {kThreeU});
  in_.output_path = "/dev/full";
  EXPECT_EQ(run().message, "Cannot write output file: /dev/full");
}

}  // namespace
}  // namespace meldrit::pfield_multiphase
