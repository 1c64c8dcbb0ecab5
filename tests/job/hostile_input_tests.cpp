#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/session_settings_file.h"
#include "settings/suite_preferences.h"
#include "support/run_program.h"

namespace meldrit::job {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::read_bytes;

// A program folder with copies of the batch front end and uniform.exe, good inputs for every job,
// and the hostile ones: endless NULs (/dev/zero behind the names the choosers accept) and 64 MB
// without a single separator, also behind an opening double quote.
struct Hostile : testing::Test {
  static inline test::TempDir* dir = nullptr;
  static std::string folder() { return dir->file("program"); }

  static void SetUpTestSuite() {
    dir = new test::TempDir;
    fs::create_directories(folder());
    for (const char* program : {"meldrit-cli", "uniform.exe"})
      fs::copy_file(std::string(MELDRIT_PROGRAM_FOLDER "/") + program, folder() + "/" + program);
    for (const char* name : {"zero.out", "zero.dat"}) fs::create_symlink("/dev/zero", dir->file(name));
    // Written a block at a time: the peak of a spawned program counts this process's own before it.
    const std::string block(std::size_t{1} << 20, 'x');
    for (const char* name : {"big.out", "big.dat", "quote.out"}) {
      std::ofstream out(dir->file(name), std::ios::binary);
      if (name[0] == 'q') out << '"';
      for (int i = 0; i < 64; ++i) out << block;
    }
    dir->write("prob.out", crlf("0.3 0.7|0.3 0.7"));
    dir->write("unif.out", crlf("0.5|0.9"));
    dir->write("phases.out", crlf("1|1"));
    dir->write("bihist.dat", crlf("1 1|0 0 2|0 0|10 1"));
    dir->write("data.dat", crlf("1 5|2 6"));
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }

  static test::MeasuredRun cli(const std::string& job, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {folder() + "/meldrit-cli", job});
    return test::run_measured(dir->path().string(), arguments);
  }
};

std::vector<std::string> local(const char* prob, const char* uniform) {
  return {"--prob", prob,        "--limits", "0,10,20,30", "--nodes",
          "2,1,1",  "--uniform", uniform,    "--output",   "o.out"};
}
std::vector<std::string> multiphase(const char* phases, const char* bihistogram, const char* uniform) {
  return {"--phases",        phases,  "--nodes",  "2,1,1", "--bihistogram", bihistogram,
          "--phase-uniform", uniform, "--output", "o.out"};
}
std::vector<std::string> uniform(const char* input) {
  return {"--input", input, "--column", "1", "--output", "o.out"};
}

TEST_F(Hostile, EndlessOrSeparatorFreeInputEndsWithTheJobsMessageInFlatMemory) {
  const std::string import_local = "Error during import input probability data file!\n";
  const std::string run_local = "ERROR during Meldrit calulation:  Input data file not compatible!\n";
  const std::string import_multiphase = "Error during import input files!\n";
  const std::string bad_format = "Illegal input data file format!\n";
  // the job, its arguments, what it says on standard error
  const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
      {"local", local("zero.out", "unif.out"), import_local},
      {"local", local("big.out", "unif.out"), import_local},
      {"local", local("quote.out", "unif.out"), import_local},
      {"local", local("prob.out", "zero.out"), run_local},
      {"local", local("prob.out", "big.out"), run_local},
      {"multiphase", multiphase("zero.out", "bihist.dat", "unif.out"), import_multiphase},
      {"multiphase", multiphase("quote.out", "bihist.dat", "unif.out"), import_multiphase},
      {"multiphase", multiphase("phases.out", "zero.out", "unif.out"),
       "Cannot read bihistogram data file: zero.out\n"},
      {"multiphase", multiphase("phases.out", "bihist.dat", "big.out"),
       "Cannot read input data file associate with class -  1: big.out\n"},
      {"uniform", uniform("zero.dat"), bad_format},
      {"uniform", uniform("big.dat"), bad_format},
  };
  // The program's own memory, measured alike (the sanitizers add 60 MB of theirs, more as it grows).
  const test::MeasuredRun baseline = cli("local", local("prob.out", "unif.out"));
  ASSERT_EQ(baseline.status, 0) << baseline.err;
  for (const auto& [job, arguments, message] : cases) {
    SCOPED_TRACE(std::string(job) + " " + arguments[1] + " " + arguments[arguments.size() - 3]);
    const test::MeasuredRun run = cli(job, arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, message);
    // Far below the 64 MB of the input, which a reader that held it would take and more.
    EXPECT_LT(run.peak_kb, baseline.peak_kb + 24 * 1024);
  }
}

TEST_F(Hostile, SettingsAndPreferencesStopAtAnEndlessItem) {
  const settings::SessionReadResult read = settings::read_session_settings_file(dir->file("zero.out"));
  EXPECT_EQ(read.items_read, 0);
  EXPECT_FALSE(read.complete);
  EXPECT_TRUE(settings::read_preference_items(dir->file("big.out"), 36).empty());
  EXPECT_EQ(settings::read_window_mode(dir->file("zero.out")), 0);
}

TEST_F(Hostile, AnOutputKeepsEveryLineBeforeTheInputGoesBad) {
  std::string prob, uniform;
  for (int i = 0; i < 100000; ++i) prob += "0.5\r\n";
  for (int i = 0; i < 50000; ++i) uniform += "0.25\r\n";
  dir->write("long-prob.out", prob);
  dir->write("long-unif.out", uniform + std::string(3 << 20, '\0'));
  const test::MeasuredRun run =
      cli("local", {"--prob", "long-prob.out", "--limits", "0,10,20", "--nodes", "100000,1,1", "--uniform",
                    "long-unif.out", "--output", "kept.out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "ERROR during Meldrit calulation:  Input data file not compatible!\n");
  std::string expected;
  for (int i = 0; i < 50000; ++i) expected += "5.000\r\n";
  EXPECT_TRUE(read_bytes(dir->file("kept.out")) == expected);
}

TEST_F(Hostile, ResultsThatAreNotNumbersFailInsteadOfBeingWritten) {
  dir->write("huge.dat", crlf("1 1|0 0 2|0 0|1e308 1"));
  dir->write("low.out", crlf("0.1|0.1"));
  // The first class spans more than the largest double.
  test::MeasuredRun run = cli("local", {"--prob", "prob.out", "--limits=-1.7e308,1.7e308,1.75e308,1.8e308",
                                        "--nodes", "2,1,1", "--uniform", "low.out", "--output", "nan.out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "ERROR during Meldrit calulation:  Input data file not compatible!\n");
  EXPECT_EQ(read_bytes(dir->file("nan.out")), "");
  run = cli("multiphase", multiphase("phases.out", "huge.dat", "unif.out"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Value out of range at node 1!\n");
}

}  // namespace
}  // namespace meldrit::job
