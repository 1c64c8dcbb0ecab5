#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

#include "support/temp_dir.h"

namespace meldrit::uniform {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::TempDir;

// meldrit-cli run from a program folder of its own, so that uniform.par and the temporary files
// never land in the build folder.
struct Cli {
  TempDir dir;
  std::string folder = dir.file("program");
  std::string out, err;

  explicit Cli(bool with_uniform_tool = true) {
    fs::create_directories(folder);
    fs::copy_file(std::string(MELDRIT_PROGRAM_FOLDER) + "/meldrit-cli", folder + "/meldrit-cli");
    if (with_uniform_tool)
      fs::copy_file(std::string(MELDRIT_PROGRAM_FOLDER) + "/uniform.exe", folder + "/uniform.exe");
    dir.write("data.dat", "x y a b\r\n10 20 3 0.5\r\n11 21 1 0.25\r\n12 22 2 0.75\r\n");
    dir.write("narrow.dat", "1 2 3\r\n");
  }
  // An empty PATH, so that only the program folder's uniform.exe can be found.
  int run(const std::string& arguments) {
    const std::string command = "cd '" + dir.path().string() + "' && PATH= '" + folder +
                                "/meldrit-cli' uniform " + arguments + " >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
    out = read_bytes(dir.file("stdout.txt"));
    err = read_bytes(dir.file("stderr.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST(UniformCommand, RunsTheJobWithTheProgramFolderFiles) {
  Cli cli;
  ASSERT_EQ(cli.run("--input data.dat --skip 1 --coords 2d --column 4 --output result.out"), 0) << cli.err;
  EXPECT_EQ(cli.out, "Calculation Complete!\n");
  EXPECT_EQ(cli.err, "");
  EXPECT_EQ(read_bytes(cli.dir.file("result.out")),
            " 10  20  .5 \r\n 11  21  .1666667 \r\n 12  22  .8333333 \r\n");
  EXPECT_TRUE(fs::exists(cli.folder + "/uniform.par"));
  EXPECT_FALSE(fs::exists(cli.folder + "/tempuniforme34247.out"));
}

TEST(UniformCommand, EndsWithTheDesktopsMessageOrAUsageError) {
  const struct {
    const char* arguments;
    int status;
    const char* message;  // all of standard error for status 1, a part of it for status 2
  } cases[] = {
      {"--input data.dat --skip 1 --coords 2d --column 2 --output r.out", 1, "Please select column!\n"},
      {"--input data.dat --skip 1 --column 5 --output r.out", 1, "Please select column!\n"},
      {"--input narrow.dat --coords 3d --column 4 --output r.out", 1, "Illegal input data file format!\n"},
      {"--input data.dat --skip 9 --column 1 --output r.out", 1, "Illegal input data file format!\n"},
      {"--input data.txt --column 1 --output r.out", 1, "Illegal Type of Input Data File!\n"},
      {"--input data.dat --column 1 --output r.txt", 1, "Illegal Type of Output File!\n"},
      {"--input data.dat --skip 1 --column 1 --output data.dat", 1, "Note: Output file <> Input file!\n"},
      {"--input data.dat --output r.out", 2, "--column"},
      {"--input data.dat --column 1 --output r.out --coords 4d", 2, "--coords"},
  };
  Cli cli;
  for (const auto& c : cases) {
    EXPECT_EQ(cli.run(c.arguments), c.status) << c.arguments;
    if (c.status == 1) {
      EXPECT_EQ(cli.err, c.message) << c.arguments;
    } else {
      EXPECT_NE(cli.err.find(c.message), std::string::npos) << cli.err;
    }
    EXPECT_EQ(cli.out, "") << c.arguments;
  }
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
  EXPECT_FALSE(fs::exists(cli.folder + "/uniform.par"));
}

TEST(UniformCommand, MissingProgramLeavesTheValuesFile) {
  Cli cli(false);
  EXPECT_EQ(cli.run("--input data.dat --skip 1 --column 3 --output r.out"), 1);
  EXPECT_EQ(cli.err, "Cannot run 'uniform.exe'!\n");
  EXPECT_EQ(read_bytes(cli.folder + "/tempuniforme34247.out"), " 3 \r\n 1 \r\n 2 \r\n");
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
}

}  // namespace
}  // namespace meldrit::uniform
