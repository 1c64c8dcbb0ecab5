#include "uniform/uniform_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/temp_dir.h"
#include "textio/field_stream.h"
#include "textio/number_format.h"
#include "uniform/column_scan.h"
#include "uniform/uniform_messages.h"

namespace meldrit::uniform {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::read_bytes;

// A program folder and a data file with one header line; the runner records what it was given and
// writes `scores` as the external program would.
struct RunFixture {
  test::TempDir dir;
  std::string folder = dir.file("program");
  std::string scores = crlf(" .25 | .75 ");
  bool start_fails = false;
  int exit_status = 0;
  std::string seen;  // command line | folder | window mode | the values file

  RunFixture() { fs::create_directories(folder); }
  bool has(const char* name) const { return fs::exists(folder + "/" + name); }

  RunRequest request(const std::string& data, CoordinateOption option, int columns, int samples,
                     int selected) {
    return RunRequest(test::blank_padded(dir.write("data.dat", data)), dir.file("result.out"), "1", option,
                      std::to_string(columns), std::to_string(samples), selected, folder, 3);
  }
  ProgramRunner fake() {
    return
        [this](const std::string& command, const std::string& where, int mode, const std::function<bool()>&) {
          seen = command + "|" + where + "|" + std::to_string(mode) + "|" +
                 read_bytes(folder + "/tempuniforme34247.out");
          if (!start_fails && !scores.empty()) dir.write("program/tempuniforme34246.out", scores);
          return ProgramEnd{!start_fails, exit_status};
        };
  }
};

TEST(UniformRun, WritesValuesAndParametersThenTheOutputAndRemovesTheTemporaryFiles) {
  // option, K, selected column, the data file, the values file handed to the program, the output
  const std::tuple<CoordinateOption, int, int, std::string, std::string, std::string> cases[] = {
      {CoordinateOption::None, 3, 2, crlf("header|1 0.5 9|2 -3 8"), crlf(" .5 |-3 "), crlf(" .25 | .75 ")},
      {CoordinateOption::ThreeD, 5, 4, crlf("h|1 2 3 5 9 4 5 6 1e20 8"), crlf(" 5 | 1E+20 "),
       crlf(" 1  2  3  .25 | 4  5  6  .75 ")},
  };
  for (const auto& [option, columns, selected, data, values, output] : cases) {
    RunFixture f;
    const RunRequest r = f.request(data, option, columns, 2, selected);
    ASSERT_EQ(run_uniform(r, f.fake()), job::Outcome::done(messages::kComplete));
    EXPECT_EQ(f.seen, "uniform.exe uniform.par 0|" + f.folder + "|3|" + values);
    // The program folder and the file name joined with the system's separator.
    const std::string folder = f.folder + static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(read_bytes(f.folder + "/uniform.par"),
              crlf(folder + "tempuniforme34247.out| 0 |" + folder + "tempuniforme34246.out| 2 | 1 | 1 "));
    EXPECT_EQ(read_bytes(f.dir.file("result.out")), output);
    EXPECT_FALSE(f.has("tempuniforme34247.out"));
    EXPECT_FALSE(f.has("tempuniforme34246.out"));
  }
  // Scores beyond the N-th are ignored; an output that cannot be created still completes, and says so.
  RunFixture f;
  f.scores = crlf(" .5  .25 | .75 ");
  RunRequest r = f.request(crlf("h|1|2"), CoordinateOption::None, 1, 2, 1);
  EXPECT_EQ(run_uniform(r, f.fake()), job::Outcome::done(messages::kComplete));
  EXPECT_EQ(read_bytes(f.dir.file("result.out")), crlf(" .5 | .25 "));
  r.output_caption = f.dir.file("no-such-folder/result.out");
  job::Outcome unwritten = job::Outcome::done(messages::kComplete);
  unwritten.follow_up = "Cannot write output file: " + r.output_caption;
  EXPECT_EQ(run_uniform(r, f.fake()), unwritten);
}

TEST(UniformRun, ManyBlocksOfLinesKeepTheirOrder) {
  // Enough samples for several blocks of lines; a bad field part way keeps the lines before it.
  constexpr int kSamples = 40000;
  for (const int bad : {-1, 20001}) {
    RunFixture f;
    std::string data = "h\r\n", values, scores, output;
    for (int i = 0; i < kSamples; ++i) {
      const double x = i * 0.5, y = -i, v = i % 7 == 0 ? 1e20 / (i + 1) : i * 1.25;
      data += std::to_string(x) + " " + std::to_string(y) + " " +
              (i == bad ? std::string("x") : std::to_string(v)) + "\r\n";
      if (bad < 0 || i < bad) {
        textio::append_print_number(values, std::stod(std::to_string(v)));
        values += "\r\n";
      }
      const std::string score = textio::print_number(static_cast<float>(i + 1) / (kSamples + 1));
      scores += score + "\r\n";
      textio::append_print_number(output, std::stod(std::to_string(x)));
      textio::append_print_number(output, std::stod(std::to_string(y)));
      textio::append_print_number(output, static_cast<float>(std::stod(score)));
      output += "\r\n";
    }
    f.scores = scores;
    const job::Outcome outcome =
        run_uniform(f.request(data, CoordinateOption::TwoD, 3, kSamples, 3), f.fake());
    if (bad < 0) {
      EXPECT_EQ(outcome, job::Outcome::done(messages::kComplete));
      EXPECT_EQ(f.seen.substr(f.seen.rfind('|') + 1), values);
      EXPECT_TRUE(read_bytes(f.dir.file("result.out")) == output);
    } else {
      EXPECT_EQ(outcome, job::Outcome::failed(messages::kCannotRun));
      EXPECT_TRUE(read_bytes(f.folder + "/tempuniforme34247.out") == values);
    }
  }
}

TEST(UniformRun, ChecksComeBeforeAnyFileIsWritten) {
  RunFixture f;
  RunRequest r = f.request(crlf("h|1"), CoordinateOption::None, 1, 1, 1);
  const std::string input = r.input_caption;
  using job::Outcome;
  const std::tuple<std::string, std::string, int, Outcome> cases[] = {
      {" ", "out.dat", 1, Outcome::refused(messages::kNoInputFile)},
      {input, "  ", 1, Outcome::refused(messages::kNoOutputFile)},
      {input, input, 1, Outcome::refused(messages::kSameFile)},
      {input, f.dir.path().string() + "/./data.dat", 1, Outcome::refused(messages::kSameFile)},
      // The run's own files in the program folder are never an output either.
      {input, f.folder + "/uniform.par", 1, Outcome::refused(messages::kSameFile)},
      {input, f.folder + "/../" + fs::path(f.folder).filename().string() + "/tempuniforme34246.out", 1,
       Outcome::refused(messages::kSameFile)},
      {input, "out.dat", -1, Outcome::failed(messages::kNoColumn)},
  };
  for (const auto& [in, out, selected, expected] : cases) {
    r.input_caption = in;
    r.output_caption = out;
    r.selected_column = selected;
    EXPECT_EQ(run_uniform(r, f.fake()), expected) << in << "|" << out;
  }
  EXPECT_EQ(f.seen, "");
  EXPECT_FALSE(f.has("uniform.par"));
  EXPECT_FALSE(f.has("tempuniforme34247.out"));
}

TEST(UniformRun, FailureEndLeavesTheValuesFileAndNoOutput) {
  // data, scores, the program cannot start, its exit status, it was started
  const std::tuple<std::string, std::string, bool, int, bool> cases[] = {
      {crlf("h|1 2|3"), crlf(" .25 | .75 "), false, 0, false},  // fewer fields than imported
      {crlf("h|1 x|3 4"), crlf(" .25 | .75 "), false, 0, false},
      {crlf("h|1 2|3 4"), crlf(" .25 | .75 "), true, 0, true},
      {crlf("h|1 2|3 4"), "", false, 0, true},  // no score file
      {crlf("h|1 2|3 4"), crlf(" .25 "), false, 0, true},
      {crlf("h|1 2|3 4"), crlf(" .25 | x "), false, 0, true},
      // Whole scores, but the program said it failed, or was ended before it could say.
      {crlf("h|1 2|3 4"), crlf(" .25 | .75 "), false, 1, true},
      {crlf("h|1 2|3 4"), crlf(" .25 | .75 "), false, kNoExitStatus, true},
  };
  for (const auto& [data, scores, start_fails, exit_status, started] : cases) {
    RunFixture f;
    f.scores = scores;
    f.start_fails = start_fails;
    f.exit_status = exit_status;
    EXPECT_EQ(run_uniform(f.request(data, CoordinateOption::None, 2, 2, 2), f.fake()),
              job::Outcome::failed(messages::kCannotRun))
        << data << scores;
    EXPECT_EQ(!f.seen.empty(), started) << data << scores;
    EXPECT_TRUE(f.has("tempuniforme34247.out"));
    EXPECT_FALSE(fs::exists(f.dir.file("result.out")));
  }
}

TEST(UniformRun, CancelLeavesNoTemporaryFileAndNoOutput) {
  // Cancelled once the run reaches this step.
  struct CancelFrom : job::Hooks {
    std::string_view from;
    bool now = false;
    void stage(std::string_view name) override { now = now || name == from; }
    bool cancel_requested() override { return now; }
  };
  for (const std::string_view step : {messages::kStageValues, messages::kStageProgram}) {
    RunFixture f;
    // A score file of an earlier run, as the program writes it while it runs.
    f.dir.write("program/tempuniforme34246.out", crlf(" .5 "));
    CancelFrom hooks;
    hooks.from = step;
    EXPECT_EQ(run_uniform(f.request(crlf("h|1 2|3 4"), CoordinateOption::None, 2, 2, 2), f.fake(), hooks),
              job::Outcome::cancelled(job::kRunCancelled))
        << step;
    EXPECT_EQ(f.seen.empty(), step == messages::kStageValues) << step;
    EXPECT_FALSE(f.has("tempuniforme34247.out")) << step;
    EXPECT_FALSE(f.has("tempuniforme34246.out")) << step;
    EXPECT_FALSE(fs::exists(f.dir.file("result.out"))) << step;
  }
}

std::string lines(int count, const std::string& line) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\r\n";
  return out;
}

std::string columns(int k) {
  std::string line;
  for (int c = 1; c <= k; ++c) line += std::to_string(c) + " ";
  return line;
}

// How far an import came: "K=4 N=10" when completed, "refused K=51" when the column count does not fit.
std::string summary(const ColumnScan& scan) {
  const std::string k = "K=" + std::to_string(scan.columns);
  if (!scan.columns_counted) return "not counted";
  if (!scan.columns_shown || !scan.outcome.completed())
    return (scan.columns_shown ? "failed " : "refused ") + k;
  return k + " N=" + std::to_string(scan.samples);
}

TEST(ScanColumnFile, CountsColumnsFromTheFirstLineAndSamplesFromTheStream) {
  using enum CoordinateOption;
  const std::tuple<std::string, const char*, CoordinateOption, const char*> cases[] = {
      {lines(10, "1 2 3 4") + "5 6\r\n", "0", None, "K=4 N=10"},  // the short group is no sample
      {"1 2 3 4\r\n" + lines(3, "1 2 3 4 5 6 7 8"), "0", None, "K=4 N=7"},
      {"head\r\nhead\r\n  1   2   3\r\n", "2.9", TwoD, "K=3 N=1"},
      {"1 2\r\n3 4\r\n", "abc", None, "K=2 N=2"},
      {"1\t2\t3\r\n", "0", None, "K=1 N=3"},
      {lines(2, columns(50)), "0", None, "K=50 N=2"},
      {lines(2, columns(51)), "0", None, "refused K=51"},
      {"1 2\r\n", "0", TwoD, "refused K=2"},
      {"1 2 3\r\n", "0", ThreeD, "refused K=3"},
      {"head\r\n", "1", None, "refused K=0"},
      {"a\r\nb\r\n", "5", None, "not counted"},
  };
  test::TempDir dir;
  for (const auto& [bytes, skip, option, expected] : cases)
    EXPECT_EQ(summary(scan_column_file(dir.write("d.dat", bytes), skip, option)), expected) << bytes;
  EXPECT_EQ(summary(scan_column_file(dir.file("missing.dat"), "0", None)), "not counted");
}

// The fields of a file as one FieldStream reads them; -1 when it fails.
long long stream_fields(const std::string& path) {
  textio::FieldStream stream;
  if (!stream.open(path)) return -1;
  for (long long count = 0;; ++count) {
    const textio::ReadStatus status = stream.skip_field();
    if (status == textio::ReadStatus::EndOfFile) return count;
    if (status != textio::ReadStatus::Ok) return -1;
  }
}

TEST(ScanColumnFile, CountsLargeFilesAsOneFieldStream) {
  // Past the preview, plain fields are counted a block at a time until a comma, a quote or a long
  // field; the rest as FieldStream reads it. Both must give its count, wherever the blocks end.
  const std::string plain = lines(20000, "1.5 -2") + "\t3\r4\n\x01 \xE9  \r\n\r\n";
  const std::string cases[] = {
      plain + plain + "5",
      plain + "1,,2 , 3\r\n" + plain,
      "x 1\r\n" + plain + ",1 2\r\n" + plain,
      plain + "1 \"a b\r\nc\" 4\r\n" + plain,
      plain + std::string(20000, '7') + "\r\n" + plain,
      plain + std::string(textio::FieldStream::kMaxHeld + 10, '7') + "\r\n" + plain,
      lines(30, "1 2") + ",5 6\r\n" + plain,
      lines(29, "1 2") + "1 2 ,3\r\n" + plain,
  };
  test::TempDir dir;
  for (const std::string& bytes : cases) {
    const std::string path = dir.write("d.dat", bytes);
    const ColumnScan scan = scan_column_file(path, "0", CoordinateOption::None);
    const long long expected = stream_fields(path);
    EXPECT_EQ(scan.outcome.completed() ? static_cast<long long>(scan.fields) : -1, expected)
        << bytes.substr(0, 40);
    if (expected > 0) {
      EXPECT_EQ(scan.samples, static_cast<std::uint64_t>(expected) / 2);
    }
  }
}

TEST(ScanColumnFile, PreviewHoldsTheFirstThirtySamplesInShortestForm) {
  std::string bytes = "1.50 abc -0.25\r\n";
  for (int i = 2; i <= 40; ++i) bytes += std::to_string(i) + " 1e3 007\r\n";
  test::TempDir dir;
  ColumnScan scan = scan_column_file(dir.write("d.prn", bytes), "0", CoordinateOption::None);
  EXPECT_EQ(summary(scan), "K=3 N=40");
  EXPECT_EQ(scan.preview.size(), 90u);
  EXPECT_EQ(scan.preview_samples(), 30);
  EXPECT_EQ(scan.cell(1, 1) + "|" + scan.cell(1, 2) + "|" + scan.cell(1, 3), "1.5|abc|-.25");
  EXPECT_EQ(scan.cell(30, 1) + "|" + scan.cell(30, 2) + "|" + scan.cell(30, 3), "30|1000|7");
  scan = scan_column_file(dir.write("short.dat", "1 2 3\r\n4 5\r\n"), "0", CoordinateOption::None);
  EXPECT_EQ(scan.preview_samples(), 1);
}

}  // namespace
}  // namespace meldrit::uniform
