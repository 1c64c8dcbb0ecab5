#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"

namespace meldrit {
namespace {

struct MultiphaseCommand : testing::Test {
  MultiphaseCommand() {
    dir.write("phases.out", test::crlf("codes|1|2|2"));
    dir.write("bihist.dat", test::crlf("2 1|0 0 2|0 0|10 1|0 0 2|0 0|100 1"));
    dir.write("u1.out", test::crlf("title|.5|.5|.5"));
    dir.write("u2 with blank.out", test::crlf(".1 .2 .3"));
  }
  // Runs meldrit-cli in the temp folder, so that the arguments can name its files plainly.
  test::ProgramRun run(const std::string& arguments) const {
    return test::run_in(dir.path().string(), test::built("meldrit-cli") + " multiphase " + arguments);
  }
  test::TempDir dir;
};

const std::string kCommon =
    "--phases phases.out --phases-skip 1 --bihistogram bihist.dat --output result.out ";

TEST_F(MultiphaseCommand, CompletedRunWritesTheFile) {
  const test::ProgramRun result =
      run(kCommon + "--nodes 3,1,1 --phase-uniform u1.out::1 'u2 with blank.out'");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Probability Field Simulation Complete!\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(test::read_bytes(dir.file("result.out")), test::crlf("5.|20.|30."));
}

TEST_F(MultiphaseCommand, ProgressCountsTheImportsCodesThenTheRunsNodes) {
  dir.write("classes.out", test::crlf("codes|1|1|1"));
  const test::ProgramRun result = run(kCommon +
                                      "--variables classes.out --variables-skip 1 --nodes 3,1,1 "
                                      "--phase-uniform u1.out::1 'u2 with blank.out' --progress");
  EXPECT_EQ(result.status, 0) << result.err;
  // The codes of both files together, then the nodes on a line of their own.
  const std::size_t import_line =
      result.err.find("\rImporting the multiphase and variable data files   100%  6 codes");
  const std::size_t run_line =
      result.err.find("\rp-Field simulation with a multiphase set of ccdfs   100%  3 nodes");
  ASSERT_NE(import_line, std::string::npos) << result.err;
  ASSERT_NE(run_line, std::string::npos) << result.err;
  EXPECT_LT(result.err.find('\n', import_line), run_line);
}

TEST_F(MultiphaseCommand, EndsWithTheDesktopMessageOrAUsageError) {
  const std::pair<std::string, std::string> jobs[] = {
      {"--phases phases.out --variables ' phases.out' --nodes 3,1,1 --bihistogram bihist.dat --output "
       "result.out",
       "Note: 1st Input file <> 2nd Input File"},
      {kCommon + "--variables missing.out --nodes 3,1,1", "Error during import input files!"},
      // A negative count loses its sign on leaving its box, with the message; 0 then fails.
      {kCommon + "--nodes -3,0,2.7 --phase-uniform u1.out u1.out",
       "Illegal value for number X nodes!\nIllegal value for number Y nodes!"},
      {kCommon + "--nodes 3,1,1 --phase-uniform u1.out::1",
       "Please select input data file associate with class -  2"},
  };
  for (const auto& [arguments, message] : jobs) {
    const test::ProgramRun result = run(arguments);
    EXPECT_EQ(result.status, 1) << arguments;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, message + "\n");
  }
  for (const std::string& arguments :
       {kCommon + "--nodes 3,1", kCommon + "--nodes 3,1,1 --phase-uniform u1.out u1.out u1.out"}) {
    const test::ProgramRun result = run(arguments);
    EXPECT_EQ(result.status, 2) << arguments;
    EXPECT_NE(result.err, "") << arguments;
  }
}

}  // namespace
}  // namespace meldrit
