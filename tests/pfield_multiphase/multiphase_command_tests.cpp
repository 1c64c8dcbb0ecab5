#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace meldrit {
namespace {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

class MultiphaseCommand : public testing::Test {
 protected:
  MultiphaseCommand() {
    dir_.write("phases.out", "codes\r\n1\r\n2\r\n2\r\n");
    dir_.write("bihist.dat", "2 1\r\n0 0 2\r\n0 0\r\n10 1\r\n0 0 2\r\n0 0\r\n100 1\r\n");
    dir_.write("u1.out", "title\r\n.5\r\n.5\r\n.5\r\n");
    dir_.write("u2 with blank.out", ".1 .2 .3\r\n");
  }

  // Runs meldrit-cli in the temp folder, so that the arguments can name its files plainly.
  CliResult run(const std::string& arguments) {
    const std::string command = "cd '" + dir_.path().string() +
                                "' && '" MELDRIT_PROGRAM_FOLDER "/meldrit-cli' " + arguments +
                                " > stdout.txt 2> stderr.txt";
    CliResult result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = test::read_bytes(dir_.file("stdout.txt"));
    result.err = test::read_bytes(dir_.file("stderr.txt"));
    return result;
  }
  std::string output() const { return test::read_bytes(dir_.file("result.out")); }

  test::TempDir dir_;
};

const std::string kCommon =
    "multiphase --phases phases.out --phases-skip 1 --bihistogram bihist.dat --output result.out ";

TEST_F(MultiphaseCommand, CompletedRunWritesTheFile) {
  const CliResult result = run(kCommon + "--nodes 3,1,1 --phase-uniform u1.out::1 'u2 with blank.out'");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Probability Field Simulation Complete!\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(output(), "5.\r\n20.\r\n30.\r\n");
}

struct JobMessageCase {
  const char* name;
  std::string arguments;
  std::string message;
};

class MultiphaseCommandMessages : public MultiphaseCommand,
                                  public testing::WithParamInterface<JobMessageCase> {};

TEST_P(MultiphaseCommandMessages, EndsWithTheDesktopMessage) {
  const CliResult result = run(GetParam().arguments);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, MultiphaseCommandMessages,
    testing::Values(
        JobMessageCase{"SameFile",
                       "multiphase --phases phases.out --variables ' phases.out' --nodes 3,1,1 --bihistogram "
                       "bihist.dat --output result.out",
                       "Note: 1st Input file <> 2nd Input File"},
        JobMessageCase{"ImportFails", kCommon + "--variables missing.out --nodes 3,1,1",
                       "Error during import input files!"},
        // A negative count loses its sign on leaving its box, with the message; 0 then fails.
        JobMessageCase{"LostFocusRuleFirst", kCommon + "--nodes -3,0,2.7 --phase-uniform u1.out u1.out",
                       "Illegal value for number X nodes!\nIllegal value for number Y nodes!"},
        JobMessageCase{"FewerFilesThanPhases", kCommon + "--nodes 3,1,1 --phase-uniform u1.out::1",
                       "Please select input data file associate with class -  2"}),
    [](const testing::TestParamInfo<JobMessageCase>& info) { return std::string(info.param.name); });

TEST_F(MultiphaseCommand, UsageErrors) {
  for (const std::string& arguments :
       {std::string("multiphase --nodes 3,1,1 --bihistogram bihist.dat"), kCommon + "--nodes 3,1",
        std::string("multiphase --phases-skip 1 --nodes 1,1,1 --bihistogram bihist.dat --output result.out"),
        kCommon + "--nodes 3,1,1 --phase-uniform u1.out u1.out u1.out"}) {
    const CliResult result = run(arguments);
    EXPECT_EQ(result.status, 2) << arguments;
    EXPECT_NE(result.err, "") << arguments;
  }
}

}  // namespace
}  // namespace meldrit
