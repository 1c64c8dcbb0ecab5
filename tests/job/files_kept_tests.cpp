#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/run_program.h"
#include "textio/parallel_fields.h"

// What the program promises about the user's files, each promise against the fault that once
// broke it: outputs that write over inputs, locks and removals that fail, runs blocked on a pipe,
// a file replaced while it is read, one realization's fault ending the others.
namespace meldrit::job {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::read_bytes;

struct FilesKept : testing::Test {
  test::TempDir dir;
  std::string folder = dir.file("program");

  FilesKept() {
    fs::create_directories(folder);
    for (const char* program : {"meldrit-cli", "uniform.exe"})
      fs::copy_file(std::string(MELDRIT_PROGRAM_FOLDER "/") + program, folder + "/" + program);
  }
  test::ProgramRun cli(const std::string& arguments) {
    return test::run_in(dir.path().string(), folder + "/meldrit-cli " + arguments);
  }
};

TEST_F(FilesKept, TheMapNeverWritesOverItsInputInAnySpelling) {
  const std::string grid = crlf("1|2|3|4|5|6");
  dir.write("u.out", grid);
  fs::create_directories(dir.file("a"));
  fs::create_symlink(dir.file("u.out"), dir.file("soft.out"));
  fs::create_hard_link(dir.file("u.out"), dir.file("hard.out"));
  for (const std::string& png :
       std::vector<std::string>{"u.out", "./u.out", "a/../u.out", "soft.out", "hard.out",
                                "/proc/self/cwd/u.out", "' u.out'", dir.file("u.out")}) {
    const test::ProgramRun run = cli("map --input u.out --nodes 3,2,1 --png " + png);
    EXPECT_EQ(run.status, 1) << png;
    EXPECT_EQ(run.err, "Input data file and output file cannot be the same!\n") << png;
    EXPECT_EQ(read_bytes(dir.file("u.out")), grid) << png;
  }
}

TEST_F(FilesKept, MapOptionsAreWholeFiniteNumbersAndItsStatisticsNeverOverflow) {
  dir.write("u.out", crlf("1|2|3|4|5|6"));
  for (const std::string& bad :
       std::vector<std::string>{"--nodes 1e5,1,1", "--nodes 10abc,1,1", "--nodes 3,2,1 --min nan",
                                "--nodes 3,2,1 --max inf", "--nodes ,2,1"}) {
    EXPECT_EQ(cli("map --input u.out --png m.png " + bad).status, 2) << bad;
  }
  dir.write("huge.out", crlf("1.7e308|-1.7e308|1.7e308|1.7e308"));
  const test::ProgramRun run = cli("map --input huge.out --nodes 2,2,1 --png huge.png");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.find("nan"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("inf"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("mean 8.5e+307"), std::string::npos) << run.out;
}

TEST_F(FilesKept, TheMapOfAWideSliceKeepsItsMemoryBounded) {
  // 3000 x 3000 nodes: a reader that held the slice would take 72 MB, its picture 27 MB more.
  {
    std::ofstream out(dir.file("wide.out"), std::ios::binary);
    const std::string row = [] {
      std::string r;
      for (int x = 0; x < 3000; ++x) r += x % 2 ? "1\r\n" : "2\r\n";
      return r;
    }();
    for (int y = 0; y < 3000; ++y) out << row;
  }
  const std::string cli = folder + "/meldrit-cli";
  const test::MeasuredRun run =
      test::run_measured(dir.path().string(),
                         {cli, "map", "--input", "wide.out", "--nodes", "3000,3000,1", "--png", "wide.png"});
  EXPECT_EQ(run.status, 0) << run.err;
  // Against the program's own memory, measured alike (the sanitizers add 60 MB of theirs): the
  // sample of the statistics and the picture take about 16 MB here, the sanitizers' quarantine of
  // freed blocks as much again; a map that held the slice took over 100 MB more.
  dir.write("tiny.out", crlf("1|2"));
  const test::MeasuredRun baseline = test::run_measured(
      dir.path().string(), {cli, "map", "--input", "tiny.out", "--nodes", "2,1,1", "--png", "t.png"});
  ASSERT_EQ(baseline.status, 0) << baseline.err;
  EXPECT_LT(run.peak_kb, baseline.peak_kb + 60 * 1024);
}

TEST_F(FilesKept, AUniformRunThatCannotLockOrClearItsFilesEndsWithoutScores) {
  dir.write("data.dat", crlf("h|1|2|3"));
  const std::string run = "uniform --input data.dat --skip 1 --column 1 --output scores.out";
  const std::string lock = folder + "/uniform.lock";
  fs::create_directories(lock);  // no lock can be taken on a folder
  test::ProgramRun ended = cli(run);
  EXPECT_EQ(ended.status, 1);
  EXPECT_EQ(ended.err, "Cannot run 'uniform.exe'!\nThe lock file cannot be opened: " + lock + "\n");
  fs::remove(lock);

  // A stale score file that cannot be removed must not pass for this run's scores.
  fs::create_directories(folder + "/tempuniforme34246.out/kept");
  ended = cli(run);
  EXPECT_EQ(ended.status, 1);
  EXPECT_EQ(ended.err, "Cannot run 'uniform.exe'!\n");
  EXPECT_FALSE(fs::exists(dir.file("scores.out")));
}

// Runs the batch front end, stops it with SIGINT after `delay` and returns its exit status; -1
// when it had not ended 10 s later.
int interrupted(const std::string& folder, const std::string& work, const std::vector<std::string>& arguments,
                std::chrono::milliseconds delay = std::chrono::milliseconds(300)) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    if (chdir(work.c_str()) != 0) _exit(99);
    std::vector<std::string> owned{folder + "/meldrit-cli"};
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : owned) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(98);
  }
  std::this_thread::sleep_for(delay);
  kill(pid, SIGINT);
  for (int waited = 0; waited < 1000; ++waited) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) == pid) return WIFEXITED(raw) ? WEXITSTATUS(raw) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

TEST_F(FilesKept, AStopEndsARunBlockedOnAFifoOrAPipe) {
  dir.write("prob.out", crlf("0.3 0.7|0.3 0.7"));
  dir.write("unif.out", crlf("0.5|0.9"));
  ASSERT_EQ(mkfifo(dir.file("nowriter.out").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.file("silent.out").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.file("noreader.out").c_str(), 0644), 0);
  // A writer that never writes: the run opens the FIFO and then waits in a read.
  const int silent_writer = open(dir.file("silent.out").c_str(), O_RDWR);
  const auto local = [](const char* prob, const char* output) {
    return std::vector<std::string>{"local", "--prob",    prob,       "--limits", "0,10,20,30", "--nodes",
                                    "2,1,1", "--uniform", "unif.out", "--output", output};
  };
  const std::string work = dir.path().string();
  EXPECT_EQ(interrupted(folder, work, local("nowriter.out", "o.out")), 130);     // blocked opening
  EXPECT_EQ(interrupted(folder, work, local("silent.out", "o.out")), 130);       // blocked reading
  EXPECT_EQ(interrupted(folder, work, local("prob.out", "noreader.out")), 130);  // blocked creating
  EXPECT_EQ(interrupted(folder, work,
                        {"multiphase", "--phases", "silent.out", "--nodes", "2,1,1", "--bihistogram", "b.dat",
                         "--phase-uniform", "unif.out", "--output", "o.out"}),
            130);
  close(silent_writer);
}

TEST(ParallelReader, AFileReplacedWhileItIsReadIsReadToItsEndAsItWas) {
  test::TempDir dir;
  std::string old_lines, new_lines;
  for (int i = 0; i < 20000; ++i) {
    old_lines += "1\r\n";
    new_lines += "2\r\n";
  }
  const std::string path = dir.write("prob.out", old_lines);
  dir.write("replacement.out", new_lines);
  textio::ParallelFieldStream stream(2, 256, 1024);  // many small chunks, read ahead two at a time
  bool header_read = false;
  ASSERT_TRUE(stream.open(path, 0, header_read));
  double value = 0;
  ASSERT_EQ(stream.next_number(value), textio::ReadStatus::Ok);
  fs::rename(dir.file("replacement.out"), path);
  double sum = value;
  int count = 1;
  while (stream.next_number(value) == textio::ReadStatus::Ok) {
    sum += value;
    ++count;
  }
  EXPECT_EQ(count, 20000);
  EXPECT_EQ(sum, 20000);
}

TEST_F(FilesKept, OneRealizationsOverflowEndsItAloneAsItsOwnRunWould) {
  dir.write("prob.out", crlf("0.3|0.3|0.3"));
  dir.write("fine.out", crlf("0.5|0.5|0.5"));
  dir.write("over.out", crlf("0.5|0.5|0.1"));  // the third node falls in the class that overflows
  const std::string job = "local --prob prob.out --limits=-1.7e308,1.7e308,1.75e308 --nodes 3,1,1 --uniform ";
  const test::ProgramRun both = cli(job + "over.out fine.out --output r{}.out");
  EXPECT_EQ(both.status, 1);
  EXPECT_EQ(both.err, "ERROR during Meldrit calulation:  Input data file not compatible!\nover.out\n");
  const std::string fine = read_bytes(dir.file("r2.out"));
  const std::string over = read_bytes(dir.file("r1.out"));
  EXPECT_EQ(std::count(fine.begin(), fine.end(), '\n'), 3);
  EXPECT_EQ(cli(job + "fine.out --output alone-fine.out").status, 0);
  EXPECT_EQ(cli(job + "over.out --output alone-over.out").status, 1);
  EXPECT_EQ(fine, read_bytes(dir.file("alone-fine.out")));
  EXPECT_EQ(over, read_bytes(dir.file("alone-over.out")));
}

TEST_F(FilesKept, RealizationsBeyondTheOpenFileLimitAreRefusedBeforeAnyOutputIsMade) {
  dir.write("prob.out", crlf("0.3|0.3"));
  std::string uniforms;
  for (int r = 1; r <= 40; ++r) {
    char name[16];
    std::snprintf(name, sizeof name, "u%d.out", r);
    uniforms += ' ';
    uniforms += dir.write(name, crlf("0.5|0.5"));
  }
  const test::ProgramRun run = test::run_in(
      dir.path().string(), "ulimit -n 64 && " + folder +
                               "/meldrit-cli local --prob prob.out --limits 0,1,2 --nodes 2,1,1 --uniform" +
                               uniforms + " --output o{}.out");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "The open-file limit lets 23 of the 40 realizations run in one pass; ask for fewer, or raise the "
            "limit (ulimit -n).\n");
  EXPECT_FALSE(fs::exists(dir.file("o1.out")));
}

// A batch job reads its node files once: the run starts along with the import, writes aside, and
// replaces the output only when the import and the checks after it pass. Whatever the input, the
// job ends as the import and then the run end, as it does with a file that comes through a pipe
// (which cannot be read twice, so it is never read along with the import).
TEST_F(FilesKept, AJobThatRunsAlongWithItsImportEndsAsItsTwoStepsWould) {
  dir.write("bihist.dat", crlf("2 1|0 0 2|0 0|10 1|0 0 2|0 0|100 1"));
  dir.write("u2.out", crlf(".1|.2|.3"));
  const std::string local = "local --prob prob.out --prob-skip 1 --limits 0,10,20,30 --output o.out ";
  const std::string multiphase = "multiphase --phases phases.out --bihistogram bihist.dat --output o.out ";
  const struct {
    const char* prob;
    const char* unif;
    const char* phases;
    std::string job;  // ending with the file that may come through a pipe
    int status;
  } cases[] = {
      {"h|0.2 0.6|0.1 0.9|0.3 0.4", "0.5|0.95|0.35", "", local + "--nodes 3,1,1 --uniform unif.out", 0},
      {"h|0.2 0.6|0.1 1.9|0.3 0.4", "0.5|0.95|0.35", "", local + "--nodes 3,1,1 --uniform unif.out",
       0},  // a warning
      {"h|0.2 0.6|0.1 0.9|0.3 0.4", "0.5|0.95|0.35", "", local + "--nodes 2,1,1 --uniform unif.out",
       1},  // too few nodes
      {"h|0.2 0.6|0.1 0.9|0.5 0.4", "0.5|0.95|0.35", "", local + "--nodes 3,1,1 --uniform unif.out",
       1},  // a decrease
      {"h|0.2 0.6|0.1 0.9|0.3 0.4", "0.5|0.95", "", local + "--nodes 3,1,1 --uniform unif.out",
       1},  // uniforms short
      {"h|0.2 x|0.1 0.9|0.3 0.4", "0.5|0.95|0.35", "", local + "--nodes 3,1,1 --uniform unif.out",
       1},  // not imported
      {"", ".5|.5|.5", "1|2|2", multiphase + "--nodes 3,1,1 --phase-uniform unif.out u2.out", 0},
      {"", ".5|.5|.5", "1|2|2", multiphase + "--nodes 2,1,1 --phase-uniform unif.out u2.out", 0},
      {"", ".5|.5|.5", "1|3|2", multiphase + "--nodes 3,1,1 --phase-uniform unif.out u2.out",
       1},  // more phases than tables
      {"", ".5|.5|.5", "1|x|2", multiphase + "--nodes 3,1,1 --phase-uniform unif.out u2.out", 1},
      {"", ".5|.5|.5", "1|2|2|1", multiphase + "--nodes 3,1,1 --phase-uniform unif.out u2.out", 0},
  };
  const auto ending = [&](const std::string& command) {
    dir.write("o.out", "old\r\n");
    const test::ProgramRun run = test::run_in(dir.path().string(), command);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      if (entry.path().filename().string().find("meldrit-part") != std::string::npos)
        left.push_back(entry.path());
    }
    EXPECT_EQ(left, std::vector<std::string>{}) << command;
    return std::tuple{run.status, run.out, run.err, read_bytes(dir.file("o.out"))};
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.job);
    dir.write("prob.out", crlf(c.prob));
    dir.write("unif.out", crlf(c.unif));
    dir.write("phases.out", crlf(c.phases));
    const std::size_t last = c.job.rfind(' ');
    const std::string piped = "cat " + c.job.substr(last + 1) + " | " + folder + "/meldrit-cli " +
                              c.job.substr(0, last) + " /dev/stdin";
    const auto along = ending(folder + "/meldrit-cli " + c.job);
    EXPECT_EQ(std::get<0>(along), c.status);
    EXPECT_EQ(along, ending(piped));
  }
}

}  // namespace
}  // namespace meldrit::job
