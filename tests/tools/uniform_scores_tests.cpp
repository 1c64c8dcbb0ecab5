#include "uniform_tool/uniform_scores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace meldrit::uniform_tool {
namespace {

using test::crlf;
using test::read_bytes;

TEST(UniformScores, RanksWithTiesSharingTheirMeanScore) {
  const std::pair<std::vector<double>, std::vector<float>> cases[] = {
      {{}, {}},
      {{3, 1, 2}, {5.0f / 6, 1.0f / 6, 0.5f}},
      {{2, 1, 2, 3}, {0.5f, 0.125f, 0.5f, 0.875f}},
      {{0.0, -0.0, -1}, {2.0f / 3, 2.0f / 3, 1.0f / 6}},
  };
  for (const auto& [values, expected] : cases) EXPECT_EQ(uniform_scores(values), expected);
  // The top score of a huge N would be 1 as a float; it is held inside the open interval.
  EXPECT_EQ(score_as_float(1 - 1e-9), 0.9999999f);
  EXPECT_GT(score_as_float(1e-60), 0.0f);
}

TEST(ReadParameters, AcceptsTheRunsFileAndRefusesBadLines) {
  // The parameter file, and a part of the error (empty: accepted).
  const std::pair<std::string, const char*> cases[] = {
      {crlf("in.out| 0 |scores.out| 12 | 1 | 1 "), ""},
      {crlf("in.out| 0 |scores.out| 12 | 1 "), "before line 6"},
      {crlf("in.out| 0 |scores.out|1.5|1|1"), "line 4"},
      {crlf("in.out| 0 |scores.out|3|0|1"), "line 5"},
      {crlf("  |0|scores.out|3|1|1"), "line 1"},
  };
  test::TempDir dir;
  for (const auto& [text, error_part] : cases) {
    Parameters parameters;
    const job::Outcome read = read_parameters(dir.write("uniform.par", text), parameters);
    EXPECT_EQ(read.completed(), *error_part == 0) << text;
    EXPECT_NE(read.message.find(error_part), std::string::npos) << text << " / " << read.message;
  }
}

// A folder holding uniform.par and its values file, as a run leaves them.
struct ToolRun {
  test::TempDir dir;
  std::string scores = dir.file("scores.out");

  // `counts` holds the lines after the score file: N, the column and the fields per sample.
  void prepare(const std::string& values, const std::string& counts, const char* header = "0") {
    dir.write("values.out", values);
    dir.write("uniform.par", crlf(dir.file("values.out") + "|" + header + "|" + scores + "|" + counts));
  }
};

TEST(UniformTool, WritesScoresInSampleOrderOrFailsWithoutAScoreFile) {
  // the values file, N|column|fields, the header lines, the exit status, the score file or a part of the
  // error
  const std::tuple<std::string, std::string, const char*, int, std::string> cases[] = {
      {crlf(" 3 | 1 |-2.5 | 3 "), "4|1|1", "0", 0, crlf(" .75 | .375 | .125 | .75 ")},
      {crlf("title|1 10 2 20|3 5"), "3|2|2", "1", 0, crlf(" .5 | .8333333 | .1666667 ")},
      {crlf(" 1 | 2 "), "3|1|1", "0", 1, "holds 2 of the 3"},
      {crlf(" 1 | x "), "2|1|1", "0", 1, "value 2"},
  };
  for (const auto& [values, counts, header, status, expected] : cases) {
    ToolRun tool;
    tool.prepare(values, counts, header);
    tool.dir.write("scores.out", crlf(" .5 | .5 | .5 | .5 "));  // left by an earlier run
    std::ostringstream out, err;
    EXPECT_EQ(run({tool.dir.file("uniform.par"), "0"}, out, err), status) << values;
    EXPECT_EQ(out.str(), "");
    const std::string got = status == 0 ? read_bytes(tool.scores) : err.str();
    EXPECT_TRUE(status == 0 ? got == expected : got.find(expected) != std::string::npos) << got;
    EXPECT_EQ(std::filesystem::exists(tool.scores), status == 0);
  }
  std::ostringstream out, err;
  EXPECT_EQ(run({"uniform.par", "x"}, out, err), 2);
}

TEST(UniformTool, TheBuiltProgramRunsInItsFolderAndReportsFailureByStatus) {
  ToolRun tool;
  const std::string command = test::built("uniform.exe") + " uniform.par 0";
  tool.prepare(crlf(" 4 | 8 "), "2|1|1");
  EXPECT_EQ(test::run_in(tool.dir.path().string(), command).status, 0);
  EXPECT_EQ(read_bytes(tool.scores), crlf(" .25 | .75 "));
  tool.prepare(crlf(" 4 "), "2|1|1");
  const test::ProgramRun run = test::run_in(tool.dir.path().string(), command);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("holds 1 of the 2"), std::string::npos) << run.err;
  EXPECT_EQ(test::run_in(tool.dir.path().string(), test::built("uniform.exe")).status, 2);
}

}  // namespace
}  // namespace meldrit::uniform_tool
