#include "pfield_multiphase/multiphase_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "pfield_multiphase/multiphase_messages.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_multiphase {
namespace {

using job::Ending;
using test::crlf;

// One ccdf table: two unused fields, the point count (counted unless given), then one "z F" line per point.
std::string block(const std::string& points, const std::string& count = "") {
  const auto counted = std::count(points.begin(), points.end(), '|') + 1;
  return "7 9 " + (count.empty() ? std::to_string(counted) : count) + "\r\n" + crlf(points);
}

const std::string kWhole = "1 1\r\n" + block("0 0|10 0.5|20 1");

class MultiphaseRun : public testing::Test {
 protected:
  MultiphaseRun() { in_.output_path = dir_.file("result.out"); }

  // A grid of `nodes` along X, one phase uniform file per entry of `uniform`.
  void setup(int nodes, const std::string& bihistogram, const std::vector<std::string>& uniform) {
    in_.nx = nodes;
    in_.bihistogram_path = dir_.write("bihist.dat", bihistogram);
    in_.class_rows.clear();
    for (const std::string& content : uniform) {
      std::string name = "u";
      name += std::to_string(in_.class_rows.size() + 1);
      in_.class_rows.push_back({"0", dir_.write(name, content)});
    }
    in_.phases = static_cast<double>(in_.class_rows.size());
  }
  void phases(const std::string& content) { in_.multiphase_path = dir_.write("phases.out", content); }
  void classes(const std::string& content, double count) {
    in_.variable_path = dir_.write("classes.out", content);
    in_.variable_classes = count;
  }
  job::Outcome run() { return run_multiphase(in_); }
  std::string output() const { return test::read_bytes(in_.output_path); }

  test::TempDir dir_;
  RunInputs in_;
};

TEST_F(MultiphaseRun, InterpolatesInTheLastMatchingIntervalOrStopsAtTheFirstBadInput) {
  using namespace messages;
  const std::string u3 = crlf(".5|.5|.5"), points = "0 0|10 0.5|20 1";
  // u = 0.5 matches the flat second and the third interval: the third gives 30. Below the first or
  // above the last point gives 0; the end points themselves lie inside.
  const std::string worked = "1 1\r\n" + block("10 0.2|20 0.5|30 0.5|40 0.8");
  // Nothing checks that F increases: every interval is tried, in file order.
  const std::string falling = "1 1\r\n" + block("0 .2|10 .9|20 .4|30 .6");
  std::string points50 = "0 0";
  for (int k = 1; k < 50; ++k) points50 += "|" + std::to_string(k) + " " + std::to_string(k / 49.0);
  // Every table returns its own z, the same at both ends, for every u.
  std::string constant = "4 1\r\n";
  for (const char* z : {"12", "0.25", "-0.5", "2.0004"}) constant += block(std::string(z) + " 0|" + z + " 1");
  const std::string u4 = "0.5 0.5 0.5 0.5\r\n";
  // Two phases and two variable classes: a node takes u from its own phase's file only; 1.6 passes
  // the range check and selects phase 2.
  const std::string by_pair =
      "2 2\r\n" + block("0 0|1 1") + block("0 0|10 1") + block("0 0|100 1") + block("0 0|1000 1");
  const std::vector<std::string> two_u = {crlf(".1|.2|.3|.4"), crlf(".5|.6|.7|.8")};
  // Codes round halves to even: 2.5 selects phase 2, 1.5 phase 2.
  const std::string three = "3 1\r\n" + block("0 0|1 1") + block("0 0|10 1") + block("0 0|100 1");
  const std::vector<std::string> three_u = {crlf(".1|.1"), crlf(".2|.2"), crlf(".3|.3")};
  const std::string phase_short = "Input data file associate with class -  1 ends before the last node!";
  const struct {
    int nodes;
    std::string bihistogram;
    std::vector<std::string> uniform;  // one file per phase
    std::string phases, classes;       // empty: no multiphase / variable data file
    std::string_view message;
    std::string output;  // the lines kept
    double variable_classes = 1;
  } cases[] = {
      {7, worked, {crlf(".5|.1|.9|.2|.8|.35|.65")}, "", "", kCompleted, crlf("30.|.|.|10.|40.|15.|35.")},
      {4, kWhole, {crlf("0.5|0|1|0.25")}, "", "", kCompleted, crlf("10.|.|20.|5.")},
      {3, falling, {crlf(".5|.8|.3")}, "", "", kCompleted, crlf("25.|8.571|1.429")},
      {3, "1 1\r\n" + block(points50), {crlf("0|1|.5")}, "", "", kCompleted, crlf(".|49.|24.5")},
      {3, kWhole, {crlf("u|.5|x")}, "", "", kCompleted, crlf(".|10.|.")},  // not a number: 0
      {4, constant, {u4, u4, u4, u4}, crlf("1|2|3|4"), "", kCompleted, crlf("12.|.25|-.5|2.")},
      {4, by_pair, two_u, crlf("1|2|1.6|1"), crlf("2|1|2|1"), kCompleted, crlf("1.|60.|700.|.4"), 2},
      {2, three, three_u, crlf("2.5|1.5"), "", kCompleted, crlf("2.|2.")},
      {3, "1 1\r\n" + block(points, "51"), {u3}, "", "", kInvalidPointCount, ""},
      {3, "1 1\r\n" + block("1 0"), {u3}, "", "", kInvalidPointCount, ""},
      {3, "1 1\r\n" + block(points, "n"), {u3}, "", "", kInvalidPointCount, ""},
      {3, "2 1\r\n" + block(points), {u3}, "", "", kInvalidBihistogram, ""},
      {3, "1 V\r\n" + block(points), {u3}, "", "", kInvalidBihistogram, ""},
      {3, "", {u3}, "", "", kBihistogramShort, ""},
      {3, "1 1\r\n7 9 3\r\n0 0\r\n10", {u3}, "", "", kBihistogramShort, ""},
      {3, kWhole, {u3}, crlf("1|0|1"), "", kPhaseError, crlf("10.")},
      {3, kWhole, {u3}, crlf("1|1|2"), "", kPhaseError, crlf("10.|10.")},
      {3, kWhole, {u3}, crlf("one"), "", kPhaseError, ""},
      {3, kWhole, {u3}, "", crlf("1|c"), kVariableClassError, crlf("10.")},
      {3, kWhole, {u3}, "", crlf("0"), kVariableClassError, ""},
      {3, kWhole, {u3}, crlf("1|1"), "", "Multiphase data file ends before the last node!", crlf("10.|10.")},
      {3, kWhole, {u3}, "", crlf("1"), "Variable data file ends before the last node!", crlf("10.")},
      {3, kWhole, {crlf(".5|1")}, "", "", phase_short, crlf("10.|20.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.message) + " " + c.uniform[0]);
    in_ = RunInputs{};
    in_.output_path = dir_.file("result.out");
    std::filesystem::remove(in_.output_path);
    setup(c.nodes, c.bihistogram, c.uniform);
    if (!c.phases.empty()) phases(c.phases);
    if (!c.classes.empty()) classes(c.classes, c.variable_classes);
    const job::Outcome outcome = run();
    EXPECT_EQ(outcome.ending, c.message == kCompleted ? Ending::Completed : Ending::Failed);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_EQ(output(), c.output);
  }
}

TEST_F(MultiphaseRun, SkipCountsAndSeveralValuesPerLine) {
  setup(3, kWhole, {"title\r\nmore\r\n0.5, 1 0\r\n"});
  in_.class_rows[0].skip = "2";
  phases("# codes\r\n1 1 1\r\n");
  in_.multiphase_skip = 1;
  EXPECT_EQ(run().ending, Ending::Completed);
  EXPECT_EQ(output(), crlf("10.|20.|."));
}

TEST_F(MultiphaseRun, EveryPhaseFileIsOpenAtOnce) {
  std::string bihistogram = std::to_string(kMaxPhases) + " 1\r\n";
  for (int p = 1; p <= kMaxPhases; ++p)
    bihistogram += block(std::to_string(p) + " 0|" + std::to_string(p) + " 1");
  setup(2, bihistogram, std::vector<std::string>(kMaxPhases, ".5 .5\r\n"));
  phases(std::to_string(kMaxPhases) + " 17\r\n");
  EXPECT_EQ(run().ending, Ending::Completed);
  EXPECT_EQ(output(), std::to_string(kMaxPhases) + ".\r\n17.\r\n");
  in_.phases = kMaxPhases + 1;
  EXPECT_EQ(run().message, messages::too_many_phases(kMaxPhases));
}

TEST_F(MultiphaseRun, ChecksInOrderThenFilesThatCannotBeOpenedOrWritten) {
  setup(1, kWhole, {crlf(".5"), crlf(".5")});
  const std::string missing = dir_.file("missing.out"), no_folder = dir_.file("no/such/folder/result.out");
  const std::string output_path = in_.output_path, bihistogram = in_.bihistogram_path,
                    u1 = in_.class_rows[0].path;
  const std::string phase_file = "input data file associate with class -  ";
  // Each step changes what the step before left; the first four fail the checks made before any file is
  // opened.
  const std::pair<std::function<void()>, std::string> steps[] = {
      {[&] { in_.class_rows[1].path = "  ", in_.bihistogram_path = " ", in_.output_path = ""; },
       "Please select " + phase_file + "2"},
      {[&] { in_.class_rows[1].path = u1; }, "Please select bihistogram data file file!"},
      {[&] { in_.bihistogram_path = bihistogram; }, "Please select output file!"},
      {[&] { in_.output_path = output_path, in_.phases = 3; }, "Please select " + phase_file + "3"},
      {[&] { in_.phases = 1, in_.class_rows[0].path = missing; },
       "Cannot open " + phase_file + "1: " + missing},
      {[&] { in_.class_rows[0].path = u1, in_.multiphase_path = missing; },
       "Cannot open multiphase data file: " + missing},
      {[&] { in_.multiphase_path.clear(), in_.bihistogram_path = missing; },
       "Cannot open bihistogram data file: " + missing},
      {[&] { in_.bihistogram_path = bihistogram, in_.output_path = no_folder; },
       "Cannot create output file: " + no_folder},
      {[&] { in_.output_path = "/dev/full"; }, "Cannot write output file: /dev/full"},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    steps[i].first();
    struct : job::Hooks {
      void checks_passed() override { passed = true; }
      bool passed = false;
    } hooks;
    const job::Outcome outcome = run_multiphase(in_, hooks);
    EXPECT_EQ(outcome.message, steps[i].second);
    EXPECT_EQ(outcome.ending, i < 4 ? Ending::Refused : Ending::Failed) << i;
    EXPECT_EQ(hooks.passed, i >= 4) << i;
  }
}

TEST_F(MultiphaseRun, LargeRunKeepsEveryLineUpToTheFailure) {
  // More nodes than one output batch, with a bad phase code right after the second batch.
  constexpr int kGood = 2 * 65536 + 3;
  std::string uniform, codes, expected;
  for (int i = 0; i < kGood; ++i) {
    uniform += i % 2 ? ".25\r\n" : ".75\r\n";
    codes += "1\r\n";
    expected += i % 2 ? "5.\r\n" : "15.\r\n";
  }
  setup(kGood + 5, kWhole, {uniform + ".5\r\n.5\r\n"});
  phases(codes + "7\r\n");
  EXPECT_EQ(run(), job::Outcome::failed(messages::kPhaseError));
  EXPECT_TRUE(output() == expected);
  in_.nx = kGood;
  EXPECT_EQ(run().ending, Ending::Completed);
  EXPECT_TRUE(output() == expected);
}

}  // namespace
}  // namespace meldrit::pfield_multiphase
