#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "pfield_local/local_run.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_local {
namespace {

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

struct LocalCli : testing::Test {
  test::TempDir dir;
  std::string prob;
  std::string uniform;

  void SetUp() override {
    prob = dir.write("prob.out", "ccdf\r\n0.3 0.7\r\n0.3 0.7\r\n0.5 1.2\r\n0.1 0.2\r\n");
    uniform = dir.write("unif.out", "0.5\r\n0.9\r\n0.1\r\n1\r\n");
  }

  CliRun cli(const std::string& arguments) {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string command = "cd '" + dir.path().string() +
                                "' && '" MELDRIT_PROGRAM_FOLDER "/meldrit-cli' " + arguments + " >'" + out +
                                "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::read_bytes(out), test::read_bytes(err)};
  }
};

const std::string kWarning =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2\n";

TEST_F(LocalCli, SameFileAsTheCoreRun) {
  for (const char* type : {"continuous", "classes"}) {
    const CliRun run =
        cli(std::string("local --prob prob.out --prob-skip 1.9 --limits 0,10,20,30 --nodes 2,2,1 "
                        "--uniform unif.out --output cli.out --type ") +
            type);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Calculation finished!\n");
    EXPECT_EQ(run.err, kWarning);

    LocalRunInput input;
    input.probability_path = prob;
    input.probability_skip = 1;
    input.uniform_path = uniform;
    input.output_path = dir.file("core.out");
    input.nodes = 4;
    input.thresholds = 2;
    input.limits = {0, 10, 20, 30, 0};
    input.continuous = std::string(type) == "continuous";
    ASSERT_EQ(run_local_ccdf(input).outcome, RunOutcome::Completed);
    EXPECT_EQ(test::read_bytes(dir.file("cli.out")), test::read_bytes(input.output_path));
  }
  EXPECT_EQ(test::read_bytes(dir.file("cli.out")), " 2 \r\n 3 \r\n 1 \r\n 3 \r\n");
}

struct CliCase {
  const char* name;
  std::string arguments;
  int status;
  std::string err;     // expected standard error (prefix when usage text follows)
  std::string output;  // expected output file; "-" when it must not exist
};

class LocalCliCases : public LocalCli, public testing::WithParamInterface<CliCase> {};

TEST_P(LocalCliCases, StatusMessagesAndFile) {
  const CliCase& c = GetParam();
  const CliRun run = cli("local " + c.arguments);
  EXPECT_EQ(run.status, c.status);
  if (c.status == 2) {
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    EXPECT_NE(run.err.find("--limits"), std::string::npos);
  } else {
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_EQ(run.out.empty(), c.status != 0);
  if (c.output == "-") {
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.out")));
  } else {
    EXPECT_EQ(test::read_bytes(dir.file("o.out")), c.output);
  }
}

const std::string kRest = " --uniform unif.out --output o.out";

INSTANTIATE_TEST_SUITE_P(
    Runs, LocalCliCases,
    testing::Values(
        // The sign of a node count is dropped with its message, as on leaving the box.
        CliCase{"NegativeNodeText",
                "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes -2,2.9,1" + kRest, 0,
                kWarning + "Illegal value for number X nodes!\n", "15.000\r\n26.667\r\n2.000\r\n30.000\r\n"},
        CliCase{"ZeroNodes", "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 4,0,1" + kRest, 1,
                kWarning + "Illegal value for number Y nodes!\n", "-"},
        CliCase{"WrongLimitCount", "--prob prob.out --prob-skip 1 --limits 0,10,30 --nodes 4,1,1" + kRest, 2,
                kWarning + "--limits: expects 4 values (n + 2) for the n = 2 thresholds detected, got 3\n",
                "-"},
        CliCase{"ProbabilityShorterThanSkip",
                "--prob prob.out --prob-skip 9 --limits 0,10,20,30 --nodes 4,1,1" + kRest, 1,
                "Error during import input probability data file!\n", "-"},
        CliCase{"MissingProbability", "--prob none.out --limits 0,10,20,30 --nodes 4,1,1" + kRest, 1,
                "Error during import input probability data file!\n", "-"},
        CliCase{"SameFile",
                "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 4,1,1 --uniform unif.out --output "
                "' unif.out'",
                1, kWarning + "Input data file and output file cannot be the same!\n", "-"},
        CliCase{"UniformShort",
                "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 4,1,1 --uniform unif.out "
                "--uniform-skip 2 "
                "--output o.out",
                1, kWarning + "ERROR during Meldrit calulation:  Input data file not compatible!\n",
                "3.333\r\n30.000\r\n"}),
    [](const testing::TestParamInfo<CliCase>& info) { return std::string(info.param.name); });

TEST_F(LocalCli, UsageErrorsAndHelp) {
  EXPECT_EQ(cli("local --prob prob.out").status, 2);
  EXPECT_EQ(cli("local --prob prob.out --limits 0,1 --nodes 1,1 --uniform u --output o").status, 2);
  EXPECT_EQ(cli("local --prob p --limits 0,1 --nodes 1,1,1 --uniform u --output o --type other").status, 2);
  const CliRun help = cli("local --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--uniform-skip"), std::string::npos);
}

}  // namespace
}  // namespace meldrit::pfield_local
