#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>

#include "support/run_program.h"

namespace meldrit::pfield_generate {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;

const std::string kExamples = MELDRIT_SOURCE_FOLDER "/examples/";
const std::string kGrid =
    " --nodes 60,40,3 --spacing 10,10,2 --seed 5 --pfield '0.1 nug + 0.9 sph(200,120,6; 60,0,0)' ";
const std::string kLocal =
    "local --prob " + kExamples + "ccdf.out --prob-skip 1 --limits 0,8,12,16,20,24,32" + kGrid;
const std::string kMultiphase =
    "multiphase --phases " + kExamples + "phases.out --phases-skip 1 --variables " + kExamples +
    "classes.out --variables-skip 1 --bihistogram " + kExamples + "bihistogram.dat" + kGrid;
const std::string kPfield = "pfield --nodes 20,10,4 --seed 5 --variogram '1 exp(6,4,2)' ";

std::size_t outputs_in(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::count_if(fs::directory_iterator(folder), fs::directory_iterator{},
                    [](const auto& e) { return e.path().extension() == ".out"; }));
}

TEST(ArrayTasks, SavedRequestsAndBlocksWriteTheBytesOfOneRun) {
  const std::string cli = test::built("meldrit-cli") + " ";
  for (const std::string& job : {kLocal, kMultiphase, kPfield}) {
    test::TempDir dir;
    const std::string work = dir.path().string();
    const std::string whole = job + "--realizations 1-7 --output 'one {}.out'";
    ASSERT_EQ(test::run_in(work, cli + whole).status, 0) << whole;
    const test::ProgramRun saved = test::run_in(work, cli + whole + " --save-request req.txt");
    ASSERT_EQ(saved.status, 0) << saved.err;
    ASSERT_EQ(outputs_in(dir.path()), 7u) << "saving ran the job: " << job;
    ASSERT_EQ(test::run_in(work, cli + "--request req.txt --output 'again{}.out' --quiet").status, 0);
    // Blocks of 3 from 1-7: 1-3, 4-6 and 7 alone.
    for (const char* task : {"1", "2", "3"}) {
      const std::string line = std::string("SLURM_ARRAY_TASK_ID=") + task + " " + cli +
                               "--request req.txt --realizations-from-env --block 3 --output 'task{}.out'";
      ASSERT_EQ(test::run_in(work, line).status, 0) << line;
    }
    for (int r = 1; r <= 7; ++r) {
      const std::string one = read_bytes(dir.file("one " + std::to_string(r) + ".out"));
      EXPECT_FALSE(one.empty());
      EXPECT_TRUE(one == read_bytes(dir.file("again" + std::to_string(r) + ".out"))) << job << r;
      EXPECT_TRUE(one == read_bytes(dir.file("task" + std::to_string(r) + ".out"))) << job << r;
    }
  }
}

TEST(ArrayTasks, BadTasksAndRequestsAreUsageErrorsThatWriteNothing) {
  test::TempDir dir;
  const std::string cli = test::built("meldrit-cli") + " ";
  dir.write("unquoted.txt", "command pfield\n--variogram '1 sph(3,3,3)\n");
  dir.write("nocommand.txt", "--nodes 4,4,4\n");
  const std::string tasks =
      kLocal + "--realizations 1-12 --realizations-from-env --block 3 --output 'o{}.out'";
  // environment and arguments, the start of standard error
  const std::tuple<std::string, std::string> cases[] = {
      {"SLURM_ARRAY_TASK_ID=5 " + cli + tasks,
       "--realizations-from-env: array task 5 is past the end: realizations 1-12 in blocks of 3 make 4 "
       "tasks"},
      {"env -u SLURM_ARRAY_TASK_ID " + cli + tasks,
       "--realizations-from-env: SLURM_ARRAY_TASK_ID is not set"},
      {"SLURM_ARRAY_TASK_ID=2x " + cli + tasks, "--realizations-from-env: SLURM_ARRAY_TASK_ID is '2x'"},
      {"SLURM_ARRAY_TASK_ID=0 " + cli + tasks, "--realizations-from-env: SLURM_ARRAY_TASK_ID is '0'"},
      {"SLURM_ARRAY_TASK_ID=1 " + cli + kLocal +
           "--realizations 1-12 --realizations-from-env --block 12 "
           "--output o.out",
       "--output: needs {}"},
      {"SLURM_ARRAY_TASK_ID=1 " + cli + kLocal + "--realizations-from-env --output o.out",
       "--realizations-from-env requires --block"},
      {"SLURM_ARRAY_TASK_ID=1 " + cli +
           "local --prob p --limits 0,1 --nodes 1,1,1 --uniform u.out "
           "--realizations-from-env --block 2 --output o.out",
       "--realizations-from-env: needs --pfield"},
      {cli + "--request absent.txt", "--request: cannot read the request file absent.txt"},
      {cli + "--request unquoted.txt", "--request: unquoted.txt line 2: an unclosed ' quote"},
      {cli + "--request nocommand.txt", "--request: nocommand.txt: no line 'command NAME'"},
  };
  for (const auto& [line, message] : cases) {
    const test::ProgramRun run = test::run_in(dir.path().string(), line);
    EXPECT_EQ(run.status, 2) << line;
    EXPECT_EQ(run.err.substr(0, message.size()), message) << line << "\n" << run.err;
    EXPECT_EQ(outputs_in(dir.path()), 0u) << line;
  }
  // A request file never takes the place of one of the job's files.
  dir.write("u.txt", "0.5\n");
  const test::ProgramRun over = test::run_in(
      dir.path().string(),
      cli +
          "local --prob p --limits 0,1 --nodes 1,1,1 --uniform u.txt --output o.out --save-request ./u.txt");
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err, "The request file cannot be one of the job's files!\n");
  EXPECT_EQ(test::read_bytes(dir.file("u.txt")), "0.5\n");
}

TEST(ArrayTasks, GatherNamesTheRealizationsAndTasksToRunAgain) {
  test::TempDir dir;
  const std::string work = dir.path().string();
  const std::string cli = test::built("meldrit-cli") + " ";
  ASSERT_EQ(
      test::run_in(work, cli + kPfield + "--realizations 2-9 --output 'f{:03}.out' --save-request r.txt")
          .status,
      0);
  ASSERT_EQ(test::run_in(work, cli + "--request r.txt").status, 0);
  const std::string gather = cli + "gather --request r.txt --block 3";
  EXPECT_EQ(test::run_in(work, gather).out, "8 of 8 realizations complete.\n");
  fs::remove(dir.file("f004.out"));
  fs::remove(dir.file("f002.out"));
  // Whole lines short, and a last line cut.
  const std::string full = read_bytes(dir.file("f008.out"));
  std::size_t half = 0;
  for (int line = 0; line < 400; ++line) half = full.find('\n', half) + 1;
  dir.write("f007.out", full.substr(0, half + 3));
  dir.write("f008.out", full.substr(0, full.size() - 1));
  dir.write("f009.out", full + full.substr(0, full.find('\n') + 1));
  const test::ProgramRun run = test::run_in(work, gather);
  EXPECT_EQ(run.status, 1);
  // Realizations 2-4, 5-7, 8-9 are tasks 1, 2 and 3.
  EXPECT_EQ(run.out,
            "Missing: realization 2 (f002.out)\n"
            "Missing: realization 4 (f004.out)\n"
            "Incomplete: realization 7 (f007.out: 400 of 800 lines, the last cut)\n"
            "Incomplete: realization 8 (f008.out: 799 of 800 lines, the last cut)\n"
            "Incomplete: realization 9 (f009.out: 801 of 800 lines)\n"
            "3 of 8 realizations complete.\n"
            "Array tasks to run again: 1-3\n");
  const test::ProgramRun direct =
      test::run_in(work, cli + "gather --nodes 20,10,4 --realizations 3-6 --output 'f{:03}.out' --block 3");
  EXPECT_EQ(
      direct.out,
      "Missing: realization 4 (f004.out)\n3 of 4 realizations complete.\nArray tasks to run again: 1\n");
  EXPECT_EQ(
      test::run_in(work, cli + "gather --nodes 20,10,4 --realizations 5-6 --output 'f{:03}.out'").status, 0);
}

}  // namespace
}  // namespace meldrit::pfield_generate
