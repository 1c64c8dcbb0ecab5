#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"

namespace meldrit::uniform {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::read_bytes;

// meldrit-cli run from a program folder of its own, so that uniform.par and the temporary files
// never land in the build folder.
struct Cli {
  test::TempDir dir;
  std::string folder = dir.file("program");

  explicit Cli(bool with_uniform_tool = true) {
    fs::create_directories(folder);
    fs::copy_file(MELDRIT_PROGRAM_FOLDER "/meldrit-cli", folder + "/meldrit-cli");
    if (with_uniform_tool) fs::copy_file(MELDRIT_PROGRAM_FOLDER "/uniform.exe", folder + "/uniform.exe");
    dir.write("data.dat", crlf("x y a b c|10 20 3 0.5 9|11 21 1 0.25 9|12 22 2 0.75 9"));
  }
  // An empty PATH, so that only the program folder's uniform.exe can be found.
  test::ProgramRun run(const std::string& arguments) const {
    return test::run_in(dir.path().string(), "PATH= '" + folder + "/meldrit-cli' uniform " + arguments);
  }
};

TEST(UniformCommand, RunsTheProgramFolderTransformation) {
  // With 2D, K = 5 and column 4, fields 3 and 5 of every sample are read and dropped.
  const Cli cli;
  const test::ProgramRun run =
      cli.run("--input data.dat --skip 1 --coords 2d --column 4 --output result.out");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Calculation Complete!\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_bytes(cli.dir.file("result.out")),
            crlf(" 10  20  .5 | 11  21  .1666667 | 12  22  .8333333 "));
  EXPECT_TRUE(fs::exists(cli.folder + "/uniform.par"));
  EXPECT_FALSE(fs::exists(cli.folder + "/tempuniforme34247.out"));
}

TEST(UniformCommand, EndsWithTheDesktopsMessageOrAUsageError) {
  // arguments, exit status, all of standard error for status 1 or a part of it for status 2
  const std::tuple<const char*, int, const char*> cases[] = {
      {"--input data.dat --skip 1 --coords 2d --column 2 --output r.out", 1, "Please select column!\n"},
      {"--input data.dat --skip 9 --column 1 --output r.out", 1, "Illegal input data file format!\n"},
      {"--input data.txt --column 1 --output r.out", 1, "Illegal Type of Input Data File!\n"},
      {"--input data.dat --skip 1 --column 1 --output data.dat", 1, "Note: Output file <> Input file!\n"},
      {"--input data.dat --column 1 --output r.out --coords 4d", 2, "--coords"},
  };
  const Cli cli;
  for (const auto& [arguments, status, message] : cases) {
    const test::ProgramRun run = cli.run(arguments);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_TRUE(status == 1 ? run.err == message : run.err.find(message) != std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << arguments;
  }
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
  EXPECT_FALSE(fs::exists(cli.folder + "/uniform.par"));
}

TEST(UniformCommand, MissingProgramLeavesTheValuesFile) {
  const Cli cli(false);
  const test::ProgramRun run = cli.run("--input data.dat --skip 1 --column 3 --output r.out");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Cannot run 'uniform.exe'!\n");
  EXPECT_EQ(read_bytes(cli.folder + "/tempuniforme34247.out"), crlf(" 3 | 1 | 2 "));
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
}

}  // namespace
}  // namespace meldrit::uniform
