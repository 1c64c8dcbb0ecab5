#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "pfield_local/local_batch.h"
#include "pfield_multiphase/multiphase_batch.h"
#include "support/temp_dir.h"
#include "uniform/uniform_batch.h"

namespace meldrit::job {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::read_bytes;

struct Recorder : Hooks {
  void progress(const Progress& p) override {
    reports.push_back(p);
    polls += 1;
  }
  bool cancel_requested() override { return cancel_at >= 0 && polls > cancel_at; }
  std::vector<Progress> reports;
  int polls = 0;
  int cancel_at = -1;
};

TEST(ProgressTicker, ReportsEveryWholePercentAndEveryPollOfBytes) {
  // items in all, bytes read per item, the reports that a run of every item gives
  const std::tuple<std::uint64_t, std::uint64_t, std::size_t> cases[] = {
      {1000, 1, 100},                 // a small file: one report per percent
      {50, 1, 50},                    // fewer items than percents: one per item
      {10, 100 << 10, 10},            // large items: one per item, however the percents fall
      {0, 1024, 200000 / 64},         // no item count: only by bytes
      {1000000, 4096, 1000000 / 16},  // 64 KiB of bytes come before each percent
  };
  for (const auto& [items, bytes_per_item, reports] : cases) {
    Recorder recorder;
    const std::uint64_t run = items == 0 ? 200000 : items;
    ProgressTicker ticker(recorder, run * bytes_per_item, items);
    for (std::uint64_t i = 1; i <= run; ++i) ASSERT_TRUE(ticker.tick(i * bytes_per_item, items == 0 ? 0 : i));
    EXPECT_NEAR(static_cast<double>(recorder.reports.size()), static_cast<double>(reports), 1.0) << items;
    for (std::size_t r = 1; r < recorder.reports.size(); ++r) {
      EXPECT_LE(recorder.reports[r].bytes_read - recorder.reports[r - 1].bytes_read,
                std::max<std::uint64_t>(ProgressTicker::kPollBytes, bytes_per_item));
    }
  }
  Recorder cancelling;
  cancelling.cancel_at = 3;
  ProgressTicker ticker(cancelling, 0, 100);
  int ticks = 0;
  while (ticker.tick(0, static_cast<std::uint64_t>(ticks))) ++ticks;
  EXPECT_EQ(cancelling.polls, 4);
}

// Each job's inputs in one folder, and a run of each job through its batch entry with one file
// named as its output.
struct Jobs {
  test::TempDir dir;
  std::string program = dir.file("program");
  Jobs() {
    fs::create_directories(program);
    dir.write("prob.out", crlf("0.3 0.7|0.3 0.7"));
    dir.write("unif.out", crlf("0.5|0.9"));
    dir.write("data.dat", crlf("1 5|2 6"));
    dir.write("phases.out", crlf("1|2"));
    dir.write("classes.out", crlf("1|1"));
    dir.write("u1.out", crlf(".5|.5"));
    dir.write("u2.out", crlf(".5|.5"));
    dir.write("bihist.dat", crlf("2 1|0 0 2|0 0|1 1|0 0 2|0 0|1 1"));
    dir.write("program/uniform.par", crlf("left by the last run"));
  }

  Outcome local(const std::string& output) const {
    pfield_local::LocalBatchRequest r;
    r.probability_path = dir.file("prob.out");
    r.limits = {"0", "10", "20", "30"};
    r.nodes = {"2", "1", "1"};
    r.draws = {{dir.file("unif.out"), "0", output}};
    return pfield_local::run_local_batch(r);
  }
  Outcome multiphase(const std::string& output) const {
    pfield_multiphase::MultiphaseBatchRequest r;
    r.multiphase_path = dir.file("phases.out");
    r.variable_path = dir.file("classes.out");
    r.nodes = {"2", "1", "1"};
    r.bihistogram_path = dir.file("bihist.dat");
    r.phase_files = {{"0", dir.file("u1.out")}, {"0", dir.file("u2.out")}};
    r.output_path = output;
    return pfield_multiphase::run_multiphase_batch(r);
  }
  Outcome uniform(const std::string& output) const {
    uniform::UniformBatchRequest r;
    r.input_path = dir.file("data.dat");
    r.column = 2;
    r.output_path = output;
    r.program_folder = program;
    return uniform::run_uniform_batch(
        r, [this](const std::string&, const std::string&, int, const std::function<bool()>&) {
          dir.write("program/tempuniforme34246.out", crlf(".25|.75"));
          return uniform::ProgramEnd{true, 0};
        });
  }
};

TEST(NoInputIsWrittenOver, EveryJobRefusesAnyOfItsInputsAsOutput) {
  const std::string same_local = "Input data file and output file cannot be the same!";
  const std::string same_uniform = "Note: Output file <> Input file!";
  // the job, the input named as the output, the message
  using Run = Outcome (Jobs::*)(const std::string&) const;
  const std::tuple<Run, const char*, std::string> cases[] = {
      {&Jobs::local, "prob.out", same_local},
      {&Jobs::local, "unif.out", same_local},
      {&Jobs::multiphase, "phases.out", same_local},
      {&Jobs::multiphase, "classes.out", same_local},
      {&Jobs::multiphase, "bihist.dat", same_local},
      {&Jobs::multiphase, "u1.out", same_local},
      {&Jobs::multiphase, "u2.out", same_local},
      {&Jobs::uniform, "data.dat", same_uniform},
      {&Jobs::uniform, "program/tempuniforme34247.out", same_uniform},
      {&Jobs::uniform, "program/tempuniforme34246.out", same_uniform},
  };
  for (const auto& [run, input, message] : cases) {
    Jobs jobs;
    const std::string path = jobs.dir.file(input);
    const std::string before = fs::exists(path) ? read_bytes(path) : "";
    fs::create_directories(jobs.dir.file("sub"));
    // The same file through a relative spelling, "..", a link and blanks before the caption.
    std::vector<std::string> spellings = {fs::relative(path).string(), jobs.dir.file("sub/../") + input,
                                          "  " + path};
#ifndef _WIN32
    // Windows lets only privileged users make symbolic links.
    fs::create_symlink(path, jobs.dir.file("link.out"));
    spellings.push_back(jobs.dir.file("link.out"));
#endif
    for (const std::string& spelling : spellings) {
      EXPECT_EQ((jobs.*run)(spelling), Outcome::refused(message)) << input << " as " << spelling;
      EXPECT_EQ(fs::exists(path) ? read_bytes(path) : "", before) << input << " as " << spelling;
    }
  }
  Jobs jobs;
  EXPECT_EQ(jobs.local(jobs.dir.file("result.out")), Outcome::done("Calculation finished!"));
  EXPECT_EQ(read_bytes(jobs.dir.file("result.out")), crlf("15.000|26.667"));
  EXPECT_EQ(jobs.multiphase(jobs.dir.file("result.out")),
            Outcome::done("Probability Field Simulation Complete!"));
  EXPECT_EQ(jobs.uniform(jobs.dir.file("result.out")), Outcome::done("Calculation Complete!"));
  EXPECT_EQ(read_bytes(jobs.dir.file("result.out")), crlf(" .25 | .75 "));
}

}  // namespace
}  // namespace meldrit::job
