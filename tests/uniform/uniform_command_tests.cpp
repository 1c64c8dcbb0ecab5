#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
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

TEST(UniformCommand, ProgressNamesEachStepAndTimesTheOnesOfUnknownLength) {
  const Cli cli;
  const test::ProgramRun run =
      cli.run("--input data.dat --skip 1 --coords 2d --column 4 --output result.out --progress");
  EXPECT_EQ(run.status, 0);
  // The samples written are counted; uniform.exe and the output file report no length: their
  // lines hold the name and the time taken, never a percentage.
  const std::size_t values = run.err.find("\rWriting the temporary file   100%  3 samples");
  const std::size_t program = run.err.find("\rRunning uniform.exe  0:0");
  const std::size_t output = run.err.find("\rWriting the output file  0:0");
  ASSERT_NE(values, std::string::npos) << run.err;
  ASSERT_NE(program, std::string::npos) << run.err;
  ASSERT_NE(output, std::string::npos) << run.err;
  EXPECT_LT(values, program);
  EXPECT_LT(program, output);
  EXPECT_EQ(run.err.find('%', program), std::string::npos);
  EXPECT_EQ(run.err.back(), '\n');
}

TEST(UniformCommand, MissingProgramLeavesTheValuesFile) {
  const Cli cli(false);
  const test::ProgramRun run = cli.run("--input data.dat --skip 1 --column 3 --output r.out");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Cannot run 'uniform.exe'!\n");
  EXPECT_EQ(read_bytes(cli.folder + "/tempuniforme34247.out"), crlf(" 3 | 1 | 2 "));
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
}

// A stand-in for uniform.exe: a shell script in the program folder.
void fake_program(const Cli& cli, const std::string& script) {
  const std::string path = cli.folder + "/uniform.exe";
  fs::remove(path);
  cli.dir.write("program/uniform.exe", "#!/bin/sh\n" + script);
  fs::permissions(path, fs::perms::owner_all);
}

TEST(UniformCommand, ResultsFromNoneOrAFaultyProgramAreNeverTaken) {
  // the stand-in's script, what the score file held before the run
  const std::pair<const char*, const char*> cases[] = {
      {"exit 0\n", " .1 \r\n .2 \r\n .3 \r\n"},  // writes nothing: the old scores must not pass
      {"printf ' 1e300 \\r\\n .5 \\r\\n .7 \\r\\n' > tempuniforme34246.out\n", ""},  // beyond a float
  };
  for (const auto& [script, stale] : cases) {
    const Cli cli;
    fake_program(cli, script);
    if (*stale) cli.dir.write("program/tempuniforme34246.out", stale);
    const test::ProgramRun run = cli.run("--input data.dat --skip 1 --column 3 --output r.out");
    EXPECT_EQ(run.status, 1) << script;
    EXPECT_EQ(run.err, "Cannot run 'uniform.exe'!\n") << script;
    EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
  }
}

TEST(UniformCommand, AnOutputThatCannotBeWrittenIsReportedAfterTheCompletion) {
  const Cli cli;
  fs::create_symlink("/dev/full", cli.dir.file("full.out"));
  fs::create_directories(cli.dir.file("folder.out"));
  for (const char* output : {"full.out", "folder.out", "missing/r.out"}) {
    const test::ProgramRun run =
        cli.run(std::string("--input data.dat --skip 1 --column 3 --output ") + output);
    EXPECT_EQ(run.status, 1) << output;
    EXPECT_EQ(run.out, "Calculation Complete!\n");
    EXPECT_EQ(run.err, "Cannot write output file: " + std::string(output) + "\n");
  }
}

TEST(UniformCommand, TenPairsAtOnceFromOneFolderGiveTheResultsOfRunsOneAtATime) {
  const Cli cli;
  std::string a, b;
  for (int i = 0; i < 20000; ++i) {
    a += std::to_string(i % 977) + " " + std::to_string(i) + "\r\n";
    b += std::to_string((i * 7919) % 20011) + " " + std::to_string(-i) + "\r\n";
  }
  cli.dir.write("a.dat", a);
  cli.dir.write("b.dat", b);
  const std::string command = "'" + cli.folder + "/meldrit-cli' uniform --column 1 --input ";
  ASSERT_EQ(cli.run("--column 1 --input a.dat --output a.out").status, 0);
  ASSERT_EQ(cli.run("--column 1 --input b.dat --output b.out").status, 0);
  std::string together = "PATH=; ";
  for (int i = 0; i < 10; ++i) {
    const std::string n = std::to_string(i);
    together +=
        "(" + command + "a.dat --output a" + n + ".out >/dev/null 2>&1; echo $? > a" + n + ".status) & ";
    together +=
        "(" + command + "b.dat --output b" + n + ".out >/dev/null 2>&1; echo $? > b" + n + ".status) & ";
  }
  ASSERT_EQ(test::run_in(cli.dir.path().string(), together + "wait").status, 0);
  for (int i = 0; i < 10; ++i) {
    for (const char* job : {"a", "b"}) {
      const std::string name = job + std::to_string(i);
      EXPECT_EQ(read_bytes(cli.dir.file(name + ".status")), "0\n") << name;
      EXPECT_TRUE(read_bytes(cli.dir.file(name + ".out")) ==
                  read_bytes(cli.dir.file(std::string(job) + ".out")))
          << name;
    }
  }
  EXPECT_FALSE(fs::exists(cli.folder + "/tempuniforme34247.out"));
  EXPECT_FALSE(fs::exists(cli.folder + "/tempuniforme34246.out"));
}

TEST(UniformCommand, AStopSignalEndsTheProgramItStartedAndWaitsForIt) {
  const Cli cli;
  fake_program(cli, "echo $$ > started\nexec sleep 60\n");
  const std::string run =
      "'" + cli.folder + "/meldrit-cli' uniform --input data.dat --skip 1 --column 3 --output r.out";
  std::system(("cd '" + cli.dir.path().string() + "' && { " + run +
               " >out 2>err & echo $! > cli.pid; wait $!; echo $? > status; } &")
                  .c_str());
  const auto wait_for = [&](const std::string& path) {
    for (int i = 0; i < 500 && read_bytes(path).empty(); ++i) usleep(10000);
    return read_bytes(path);
  };
  const pid_t program = std::stoi(wait_for(cli.folder + "/started"));
  const pid_t front_end = std::stoi(wait_for(cli.dir.file("cli.pid")));
  ASSERT_EQ(kill(front_end, SIGTERM), 0);
  EXPECT_EQ(wait_for(cli.dir.file("status")), "143\n");
  EXPECT_EQ(read_bytes(cli.dir.file("err")), "Calculation cancelled.\n");
  EXPECT_EQ(kill(program, 0), -1);  // ended and reaped
  EXPECT_FALSE(fs::exists(cli.dir.file("r.out")));
}

}  // namespace
}  // namespace meldrit::uniform
