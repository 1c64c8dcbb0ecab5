#include "pfield_local/local_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/temp_dir.h"

namespace meldrit::pfield_local {
namespace {

using test::crlf;

const std::vector<double> kL3 = {0, 10, 20, 30, 0};

TEST(LocalRun, OneNodeInBothOutputTypes) {
  // the node's probabilities and u, the class limits, the Continuous and the Multiphase line
  const std::tuple<const char*, const char*, std::vector<double>, const char*, const char*> cases[] = {
      {"0.3 0.7", "0.5", kL3, "15.000", " 2 "},
      {"0.3 0.7", "0.3", kL3, "10.000", " 2 "},
      {"0.3 0.7", "0.1", kL3, "3.333", " 1 "},
      {"0.3 0.7", "0.9", kL3, "26.667", " 3 "},
      {"0.3 0.7", "0", kL3, "0.000", " 1 "},
      {"0.3 0.7", "-2", kL3, "0.000", " 1 "},
      {"0.3 0.7", "1", kL3, "30.000", " 3 "},
      {"0.3 0.7", "7", kL3, "30.000", " 3 "},
      {"0.3 1", "1", kL3, "20.000", " 3 "},  // an empty top class gets the width .001
      {"0.5 0.3", "0.6", kL3, "24.286", " 3 "},
      {"0.6 0.8 0.7", "0.75", {0, 10, 20, 30, 40, 0}, "17.500", " 2 "},
      {"-0.2 1.7", "0.5", kL3, "15.000", " 2 "},  // clipped silently to 0 and 1
      {"0.5", "0.25", {0, 10, 30, 0}, "5.000", " 1 "},
  };
  test::TempDir dir;
  for (const auto& [probabilities, u, limits, continuous, classes] : cases) {
    LocalRunInput input{dir.write("p.out", crlf(probabilities)),
                        0,
                        dir.write("u.out", crlf(u)),
                        0,
                        dir.file("o.out"),
                        1,
                        static_cast<double>(limits.size() - 3),
                        limits,
                        true,
                        {}};
    ASSERT_TRUE(run_local_ccdf(input).completed());
    EXPECT_EQ(test::read_bytes(input.output_path), crlf(continuous)) << probabilities << " u " << u;
    input.continuous = false;
    ASSERT_TRUE(run_local_ccdf(input).completed());
    EXPECT_EQ(test::read_bytes(input.output_path), crlf(classes)) << probabilities << " u " << u;
  }
}

// Three nodes behind header lines; the output file already holds longer content.
struct Files {
  test::TempDir dir;
  LocalRunInput input = LocalRunInput(
      dir.write("p.out", crlf("title|0.3 0.7|0.3 0.7|0.3 0.7")), 1,
      dir.write("u.out", crlf("h1|h2|0.5|0.1|0.9")), 2,
      dir.write("o.out", crlf("old content that is longer than the new one|||")), 3, 2, kL3, true, {});
};

TEST(LocalRun, SkipsHeadersAndReplacesTheOutputWithOneLinePerNode) {
  auto [dir, input] = Files();
  EXPECT_EQ(run_local_ccdf(input), job::Outcome::done("Calculation finished!"));
  EXPECT_EQ(test::read_bytes(input.output_path), crlf("15.000|3.333|26.667"));
  input.nodes = 2;  // fields beyond the last node are not read
  input.continuous = false;
  EXPECT_TRUE(run_local_ccdf(input).completed());
  EXPECT_EQ(test::read_bytes(input.output_path), crlf(" 2 | 1 "));
#ifndef _WIN32
  // Paths that differ only in letter case are not the same file (on Windows they are).
  input.uniform_path = dir.write("U.OUT", crlf("0.5|0.1|0.9"));
  input.uniform_skip = 0;
  input.output_path = dir.file("u.out");
  EXPECT_TRUE(run_local_ccdf(input).completed());
#endif
}

TEST(LocalRun, FailuresKeepTheLinesWrittenSoFar) {
  using enum job::Ending;
  const struct {
    std::function<void(Files&)> change;
    job::Ending outcome;
    std::string output;  // "-": no output file
  } cases[] = {
      {[](auto& f) { f.input.output_path = test::blank_padded(f.input.uniform_path); }, Refused, "-"},
      {[](auto& f) { f.input.output_path = f.input.probability_path; }, Refused, "-"},
      {[](auto& f) { f.input.uniform_path = f.dir.write("u.out", crlf("h|h|0.5|0.1")); }, Failed,
       crlf("15.000|3.333")},
      {[](auto& f) { f.input.probability_path = f.dir.write("p.out", "t\r\n0.3 0.7\r\n0.3 0.7\r\n0.3"); },
       Failed, crlf("15.000|3.333")},
      {[](auto& f) { f.input.uniform_path = f.dir.write("u.out", crlf("h|h|0.5|x|0.9")); }, Failed,
       crlf("15.000")},
      {[](auto& f) { f.input.probability_path = f.dir.write("p.out", crlf("t|0.3 0.7|0.3 seven")); }, Failed,
       crlf("15.000")},
      {[](auto& f) { f.input.uniform_path = f.dir.file("none.out"); }, Failed, "-"},
      {[](auto& f) { f.input.probability_path.assign(1, ' '); }, Failed, "-"},  // a blank caption
      {[](auto& f) { f.input.output_path = f.dir.file("no/such/dir.out"); }, Failed, "-"},
      {[](auto& f) { f.input.uniform_skip = 9; }, Failed, ""},
      {[](auto& f) { f.input.limits.resize(3); }, Failed, "-"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    Files f;
    const std::string output = f.dir.file("o.out");
    std::filesystem::remove(output);
    cases[i].change(f);
    EXPECT_EQ(run_local_ccdf(f.input).ending, cases[i].outcome) << "case " << i;
    EXPECT_EQ(std::filesystem::exists(output) ? test::read_bytes(output) : "-", cases[i].output)
        << "case " << i;
  }
}

}  // namespace
}  // namespace meldrit::pfield_local
