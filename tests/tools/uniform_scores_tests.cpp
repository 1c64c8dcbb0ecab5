#include "uniform/uniform_scores.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/temp_dir.h"

namespace meldrit::uniform_tool {
namespace {

using test::read_bytes;
using test::TempDir;

TEST(UniformScores, RanksWithTiesSharingTheirMeanScore) {
  const struct {
    std::vector<double> values;
    std::vector<float> expected;
  } cases[] = {
      {{}, {}},
      {{5}, {0.5f}},
      {{3, 1, 2}, {5.0f / 6, 1.0f / 6, 0.5f}},
      {{2, 1, 2, 3}, {0.5f, 0.125f, 0.5f, 0.875f}},
      {{7, 7, 7}, {0.5f, 0.5f, 0.5f}},
      {{0.0, -0.0, -1}, {2.0f / 3, 2.0f / 3, 1.0f / 6}},
  };
  for (const auto& c : cases) EXPECT_EQ(uniform_scores(c.values), c.expected);
  // The top score of a huge N would be 1 as a float; it is held inside the open interval.
  EXPECT_EQ(score_as_float(1 - 1e-9), 0.9999999f);
  EXPECT_GT(score_as_float(1e-60), 0.0f);
}

TEST(UniformScores, MatchesCountingRanksOnManyTiedValues) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> pick(0, 40);
  std::vector<double> values(2000);
  for (double& v : values) v = pick(random) * 0.5;
  const std::vector<float> scores = uniform_scores(values);
  for (std::size_t i = 0; i < values.size(); ++i) {
    double below = 0, equal = 0;
    for (double v : values) {
      below += v < values[i];
      equal += v == values[i];
    }
    ASSERT_EQ(scores[i], static_cast<float>((below + equal / 2) / values.size())) << i;
  }
}

TEST(ReadParameters, AcceptsTheRunsFileAndRefusesBadLines) {
  const struct {
    const char* text;
    const char* error_part;  // empty: accepted
    bool score_path_known;
  } cases[] = {
      {"in.out\r\n 0 \r\nscores.out\r\n 12 \r\n 1 \r\n 1 \r\n", "", true},
      {"in.out\r\n 0 \r\nscores.out\r\n 12 \r\n 1 \r\n", "before line 6", true},
      {"in.out\r\n 0 \r\nscores.out\r\n1.5\r\n1\r\n1\r\n", "line 4", true},
      {"in.out\r\n 0 \r\nscores.out\r\n-1\r\n1\r\n1\r\n", "line 4", true},
      {"in.out\r\n 0 \r\nscores.out\r\n3\r\n0\r\n1\r\n", "line 5", true},
      {"in.out\r\n 0 \r\nscores.out\r\n3\r\n2\r\n1\r\n", "beyond", true},
      {"in.out\r\nx\r\nscores.out\r\n3\r\n1\r\n1\r\n", "line 2", false},
      {"  \r\n0\r\nscores.out\r\n3\r\n1\r\n1\r\n", "line 1", false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Parameters parameters;
    std::string error;
    EXPECT_EQ(read_parameters(dir.write("uniform.par", c.text), parameters, error), *c.error_part == 0)
        << c.text;
    EXPECT_NE(error.find(c.error_part), std::string::npos) << c.text << " / " << error;
    EXPECT_EQ(parameters.score_path == "scores.out", c.score_path_known) << c.text;
  }
}

// A folder holding uniform.par and its values file, as a run leaves them.
struct ToolRun {
  TempDir dir;
  std::string scores = dir.file("scores.out");

  void prepare(const std::string& values, long long n, const char* header = "0", const char* column = "1",
               const char* fields = "1") {
    dir.write("values.out", values);
    dir.write("uniform.par", dir.file("values.out") + "\r\n" + header + "\r\n" + scores + "\r\n" +
                                 std::to_string(n) + "\r\n" + column + "\r\n" + fields + "\r\n");
  }
};

TEST(UniformTool, WritesScoresInSampleOrderOrFailsWithoutAScoreFile) {
  const struct {
    std::string values;
    long long n;
    const char *header, *column, *fields;
    int status;
    std::string expected;  // the score file, or a part of the error
  } cases[] = {
      {" 7 \r\n", 1, "0", "1", "1", 0, " .5 \r\n"},
      {" 3 \r\n 1 \r\n-2.5 \r\n 3 \r\n", 4, "0", "1", "1", 0, " .75 \r\n .375 \r\n .125 \r\n .75 \r\n"},
      {" 2 \r\n 1 \r\n 9 \r\n", 2, "0", "1", "1", 0, " .75 \r\n .25 \r\n"},
      {"title\r\n1 10 2 20\r\n3 5\r\n", 3, "1", "2", "2", 0, " .5 \r\n .8333333 \r\n .1666667 \r\n"},
      {" 1 \r\n 2 \r\n", 3, "0", "1", "1", 1, "holds 2 of the 3"},
      {" 1 \r\n x \r\n", 2, "0", "1", "1", 1, "value 2"},
  };
  for (const auto& c : cases) {
    ToolRun tool;
    tool.prepare(c.values, c.n, c.header, c.column, c.fields);
    tool.dir.write("scores.out", " .5 \r\n .5 \r\n .5 \r\n .5 \r\n");  // left by an earlier run
    std::ostringstream out, err;
    EXPECT_EQ(run({tool.dir.file("uniform.par"), "0"}, out, err), c.status) << c.values;
    EXPECT_EQ(out.str(), "");
    if (c.status == 0) {
      EXPECT_EQ(read_bytes(tool.scores), c.expected) << c.values;
    } else {
      EXPECT_NE(err.str().find(c.expected), std::string::npos) << err.str();
      EXPECT_FALSE(std::filesystem::exists(tool.scores));
    }
  }
  std::ostringstream out, err;
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"uniform.par", "x"}, {"uniform.par", "0", "extra"}}) {
    EXPECT_EQ(run(arguments, out, err), 2);
  }
}

TEST(UniformTool, TheBuiltProgramRunsInItsFolderAndReportsFailureByStatus) {
  ToolRun tool;
  const std::string command = "cd '" + tool.dir.path().string() + "' && '" + MELDRIT_PROGRAM_FOLDER +
                              "/uniform.exe' uniform.par 0 2>errors.txt";
  tool.prepare(" 4 \r\n 8 \r\n", 2);
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(read_bytes(tool.scores), " .25 \r\n .75 \r\n");

  tool.prepare(" 4 \r\n", 2);
  status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_FALSE(std::filesystem::exists(tool.scores));
  EXPECT_NE(read_bytes(tool.dir.file("errors.txt")).find("holds 1 of the 2"), std::string::npos);
}

}  // namespace
}  // namespace meldrit::uniform_tool
