#include "uniform/uniform_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "external/process_runner.h"
#include "support/temp_dir.h"

namespace meldrit::uniform {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::TempDir;

// A program folder and a data file with one header line; the runner writes `scores` as the
// external program would, or runs the real uniform.exe.
struct RunFixture {
  TempDir dir;
  std::string folder = dir.file("program");
  std::string scores = " .25 \r\n .75 \r\n";
  bool start_fails = false;
  std::string seen;  // command line | folder | window mode

  RunFixture() { fs::create_directories(folder); }
  bool has(const char* name) const { return fs::exists(folder + "/" + name); }

  RunRequest request(const std::string& data, CoordinateOption option, int columns, int samples,
                     int selected) {
    return {" " + dir.write("data.dat", data) + " ",
            dir.file("result.out"),
            "1",
            option,
            std::to_string(columns),
            std::to_string(samples),
            selected,
            folder,
            3};
  }
  ProgramRunner fake() {
    return [this](const std::string& command, const std::string& where, int mode) {
      seen = command + "|" + where + "|" + std::to_string(mode);
      if (!start_fails && !scores.empty()) dir.write("program/tempuniforme34246.out", scores);
      return !start_fails;
    };
  }
  static bool real(const std::string& command, const std::string& where, int mode) {
    return external::run_and_wait(command, where, -1, mode, 128);
  }
};

TEST(UniformRun, WritesValuesAndParametersThenTheOutputAndRemovesTheTemporaryFiles) {
  RunFixture f;
  const RunRequest r = f.request("header\r\n1 0.5 9\r\n2 -3 8\r\n", CoordinateOption::None, 3, 2, 2);
  ASSERT_EQ(run_uniform(r, f.fake()), RunOutcome::Completed);
  EXPECT_EQ(f.seen, "uniform.exe uniform.par 0|" + f.folder + "|3");
  EXPECT_EQ(read_bytes(f.folder + "/uniform.par"), f.folder + "/tempuniforme34247.out\r\n 0 \r\n" + f.folder +
                                                       "/tempuniforme34246.out\r\n 2 \r\n 1 \r\n 1 \r\n");
  EXPECT_EQ(read_bytes(f.dir.file("result.out")), " .25 \r\n .75 \r\n");
  EXPECT_FALSE(f.has("tempuniforme34247.out"));
  EXPECT_FALSE(f.has("tempuniforme34246.out"));

  // Scores beyond the N-th are ignored; an output that cannot be created still completes.
  f.scores = " .5  .25 \r\n .75 \r\n";
  RunRequest unwritable = r;
  unwritable.output_caption = f.dir.file("no-such-folder/result.out");
  EXPECT_EQ(run_uniform(unwritable, f.fake()), RunOutcome::Completed);
  EXPECT_EQ(run_uniform(r, f.fake()), RunOutcome::Completed);
  EXPECT_EQ(read_bytes(f.dir.file("result.out")), " .5 \r\n .25 \r\n");
}

TEST(UniformRun, RealProgramScoresTheSelectedColumnWithCoordinates) {
  const struct {
    CoordinateOption option;
    int columns, samples, selected;
    std::string data, expected;
  } cases[] = {
      {CoordinateOption::TwoD, 5, 3, 4, "x y a b c\r\n1.5 2 7 30 7\r\n0.5 -1 8 10 7\r\n-2 1e20 9 20 7\r\n",
       " 1.5  2  .8333333 \r\n .5 -1  .1666667 \r\n-2  1E+20  .5 \r\n"},
      {CoordinateOption::ThreeD, 4, 2, 4, "h\r\n1 2 3 5 4 5 6 5\r\n", " 1  2  3  .5 \r\n 4  5  6  .5 \r\n"},
  };
  for (const auto& c : cases) {
    RunFixture f;
    ASSERT_EQ(run_uniform(f.request(c.data, c.option, c.columns, c.samples, c.selected), RunFixture::real),
              RunOutcome::Completed);
    EXPECT_EQ(read_bytes(f.dir.file("result.out")), c.expected);
    EXPECT_FALSE(f.has("tempuniforme34246.out"));
  }
}

TEST(UniformRun, ChecksComeBeforeAnyFileIsWritten) {
  RunFixture f;
  RunRequest r = f.request("h\r\n1\r\n", CoordinateOption::None, 1, 1, 1);
  const std::string input = r.input_caption;
  const struct {
    std::string input, output;
    int selected;
    RunOutcome expected;
  } cases[] = {
      {" ", "out.dat", 1, RunOutcome::NoInputFile},
      {input, "  ", 1, RunOutcome::NoOutputFile},
      {input, input, 1, RunOutcome::SameFile},
      {input, f.dir.path().string() + "/./data.dat", 1, RunOutcome::SameFile},
      {input, "out.dat", -1, RunOutcome::NoColumn},
  };
  for (const auto& c : cases) {
    r.input_caption = c.input;
    r.output_caption = c.output;
    r.selected_column = c.selected;
    EXPECT_EQ(run_uniform(r, f.fake()), c.expected) << c.input << "|" << c.output;
  }
  EXPECT_EQ(f.seen, "");
  EXPECT_FALSE(f.has("uniform.par"));
  EXPECT_FALSE(f.has("tempuniforme34247.out"));
}

TEST(UniformRun, FailureEndLeavesTheValuesFileAndNoOutput) {
  const struct {
    const char* name;
    std::string data, scores;
    bool start_fails;
    bool started;
  } cases[] = {
      {"fewer fields than imported", "h\r\n1 2\r\n3\r\n", " .25 \r\n .75 \r\n", false, false},
      {"value not a number", "h\r\n1 x\r\n3 4\r\n", " .25 \r\n .75 \r\n", false, false},
      {"program cannot start", "h\r\n1 2\r\n3 4\r\n", " .25 \r\n .75 \r\n", true, true},
      {"no score file", "h\r\n1 2\r\n3 4\r\n", "", false, true},
      {"short score file", "h\r\n1 2\r\n3 4\r\n", " .25 \r\n", false, true},
      {"score not a number", "h\r\n1 2\r\n3 4\r\n", " .25 \r\n x \r\n", false, true},
  };
  for (const auto& c : cases) {
    RunFixture f;
    f.scores = c.scores;
    f.start_fails = c.start_fails;
    EXPECT_EQ(run_uniform(f.request(c.data, CoordinateOption::None, 2, 2, 2), f.fake()),
              RunOutcome::CannotRun)
        << c.name;
    EXPECT_EQ(!f.seen.empty(), c.started) << c.name;
    EXPECT_TRUE(f.has("tempuniforme34247.out")) << c.name;
    EXPECT_FALSE(fs::exists(f.dir.file("result.out"))) << c.name;
  }
}

}  // namespace
}  // namespace meldrit::uniform
