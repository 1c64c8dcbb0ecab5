#include "pfield_local/local_run.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace meldrit::pfield_local {
namespace {

struct NodeCase {
  std::string probabilities;  // one node's line
  std::string u;
  std::vector<double> limits;
  std::string continuous;
  std::string classes;
};

const std::vector<double> kL3 = {0, 10, 20, 30, 0};
const std::vector<double> kL4 = {0, 10, 20, 30, 40, 0};

class LocalRunNodes : public testing::TestWithParam<NodeCase> {};

TEST_P(LocalRunNodes, BothOutputTypes) {
  const NodeCase& c = GetParam();
  test::TempDir dir;
  LocalRunInput input;
  input.probability_path = dir.write("p.out", c.probabilities + "\r\n");
  input.uniform_path = dir.write("u.out", c.u + "\r\n");
  input.output_path = dir.file("o.out");
  input.nodes = 1;
  input.thresholds = static_cast<double>(c.limits.size() - 3);
  input.limits = c.limits;
  ASSERT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
  EXPECT_EQ(test::read_bytes(input.output_path), c.continuous + "\r\n");
  input.continuous = false;
  ASSERT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
  EXPECT_EQ(test::read_bytes(input.output_path), c.classes + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Worked, LocalRunNodes,
    testing::Values(
        NodeCase{"0.3 0.7", "0.5", kL3, "15.000", " 2 "}, NodeCase{"0.3 0.7", "0.3", kL3, "10.000", " 2 "},
        NodeCase{"0.3 0.7", "0.1", kL3, "3.333", " 1 "}, NodeCase{"0.3 0.7", "0.9", kL3, "26.667", " 3 "},
        NodeCase{"0.3 0.7", "0", kL3, "0.000", " 1 "}, NodeCase{"0.3 0.7", "-2", kL3, "0.000", " 1 "},
        NodeCase{"0.3 0.7", "1", kL3, "30.000", " 3 "}, NodeCase{"0.3 0.7", "7", kL3, "30.000", " 3 "},
        // An empty top class gets the width .001, so u = 1 lands on its lower limit.
        NodeCase{"0.3 1", "1", kL3, "20.000", " 3 "}, NodeCase{"0.5 0.3", "0.6", kL3, "24.286", " 3 "},
        NodeCase{"0.6 0.8 0.7", "0.75", kL4, "17.500", " 2 "},
        // Out-of-range probabilities are clipped silently: 1.7 -> 1, -0.2 -> 0.
        NodeCase{"-0.2 1.7", "0.5", kL3, "15.000", " 2 "}, NodeCase{"0.3,0.7", "0.5,", kL3, "15.000", " 2 "},
        NodeCase{"0.5", "0.25", {0, 10, 30, 0}, "5.000", " 1 "},
        NodeCase{"0.5", "0.5", {0, 10, 30, 0}, "10.000", " 2 "},
        NodeCase{"0.3 0.7", "0.5", {-100, -50, 0, 1e9, 0}, "-25.000", " 2 "}));

struct LocalRunFixture : testing::Test {
  test::TempDir dir;
  LocalRunInput input;
  void SetUp() override {
    input.probability_path = dir.write("p.out", "title\r\n0.3 0.7\r\n0.3 0.7\r\n0.3 0.7\r\n");
    input.probability_skip = 1;
    input.uniform_path = dir.write("u.out", "h1\r\nh2\r\n0.5\r\n0.1\r\n0.9\r\n");
    input.uniform_skip = 2;
    input.output_path = dir.file("o.out");
    input.nodes = 3;
    input.thresholds = 2;
    input.limits = kL3;
  }
};

TEST_F(LocalRunFixture, SkipsHeadersAndWritesOneLinePerNode) {
  const RunResult result = run_local_ccdf(input);
  EXPECT_EQ(result.outcome, RunOutcome::Completed);
  EXPECT_EQ(result.nodes_written, 3u);
  EXPECT_EQ(test::read_bytes(input.output_path), "15.000\r\n3.333\r\n26.667\r\n");
}

TEST_F(LocalRunFixture, FieldsBeyondTheLastNodeAreNotRead) {
  input.nodes = 2;
  EXPECT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
  EXPECT_EQ(test::read_bytes(input.output_path), "15.000\r\n3.333\r\n");
}

TEST_F(LocalRunFixture, ExistingOutputIsReplaced) {
  dir.write("o.out", "old content that is longer than the new one\r\n\r\n\r\n\r\n");
  input.continuous = false;
  EXPECT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
  EXPECT_EQ(test::read_bytes(input.output_path), " 2 \r\n 1 \r\n 3 \r\n");
}

struct FailureCase {
  const char* name;
  void (*change)(LocalRunFixture&);
  RunOutcome outcome;
  bool output_exists;
  std::string output;
};

class LocalRunFailures : public LocalRunFixture, public testing::WithParamInterface<FailureCase> {};

TEST_P(LocalRunFailures, MessageAndLinesSoFar) {
  const FailureCase& c = GetParam();
  c.change(*this);
  const RunResult result = run_local_ccdf(input);
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_EQ(std::filesystem::exists(dir.file("o.out")), c.output_exists);
  if (c.output_exists) {
    EXPECT_EQ(test::read_bytes(dir.file("o.out")), c.output);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LocalRunFailures,
    testing::Values(
        FailureCase{"UniformIsOutput",
                    [](LocalRunFixture& f) { f.input.output_path = " " + f.input.uniform_path + " "; },
                    RunOutcome::SameFile, false, ""},
        FailureCase{"ProbabilityIsOutput",
                    [](LocalRunFixture& f) { f.input.output_path = f.input.probability_path; },
                    RunOutcome::SameFile, false, ""},
        FailureCase{"UniformShort",
                    [](LocalRunFixture& f) {
                      f.input.uniform_path = f.dir.write("u.out", "0.5\r\n0.1\r\n");
                      f.input.uniform_skip = 0;
                    },
                    RunOutcome::Failed, true, "15.000\r\n3.333\r\n"},
        FailureCase{"ProbabilityShort",
                    [](LocalRunFixture& f) {
                      f.input.probability_path = f.dir.write("p.out", "0.3 0.7\r\n0.3 0.7\r\n0.3");
                      f.input.probability_skip = 0;
                    },
                    RunOutcome::Failed, true, "15.000\r\n3.333\r\n"},
        FailureCase{"NonNumericUniform",
                    [](LocalRunFixture& f) {
                      f.input.uniform_path = f.dir.write("u.out", "0.5\r\nx\r\n0.9\r\n");
                      f.input.uniform_skip = 0;
                    },
                    RunOutcome::Failed, true, "15.000\r\n"},
        FailureCase{"NonNumericProbability",
                    [](LocalRunFixture& f) {
                      f.input.probability_path = f.dir.write("p.out", "0.3 0.7\r\n0.3 seven\r\n");
                      f.input.probability_skip = 0;
                    },
                    RunOutcome::Failed, true, "15.000\r\n"},
        FailureCase{"UniformMissing",
                    [](LocalRunFixture& f) { f.input.uniform_path = f.dir.file("none.out"); },
                    RunOutcome::Failed, false, ""},
        FailureCase{"ProbabilityMissing", [](LocalRunFixture& f) { f.input.probability_path = " "; },
                    RunOutcome::Failed, false, ""},
        FailureCase{"OutputNotCreatable",
                    [](LocalRunFixture& f) { f.input.output_path = f.dir.file("no/such/dir.out"); },
                    RunOutcome::Failed, false, ""},
        FailureCase{"UniformShorterThanSkip", [](LocalRunFixture& f) { f.input.uniform_skip = 9; },
                    RunOutcome::Failed, true, ""},
        FailureCase{"LimitsShorterThanN",
                    [](LocalRunFixture& f) {
                      f.input.limits = {0, 10, 20};
                    },
                    RunOutcome::Failed, false, ""}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(LocalRunFixture, CaseDifferenceIsNotTheSameFile) {
  input.uniform_path = dir.write("U.OUT", "0.5\r\n0.1\r\n0.9\r\n");
  input.uniform_skip = 0;
  input.output_path = dir.file("u.out");
  EXPECT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
}

}  // namespace
}  // namespace meldrit::pfield_local
