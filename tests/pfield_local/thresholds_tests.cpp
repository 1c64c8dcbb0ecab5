#include "pfield_local/probability_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "pfield_local/class_limits.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/node_counts.h"
#include "support/temp_dir.h"

namespace meldrit::pfield_local {
namespace {

class Recorder : public job::Hooks {
 public:
  void counted(std::string_view, std::uint64_t n) override { detected = static_cast<int>(n); }
  void warning(const std::string& text) override { warnings.push_back(text); }
  void progress(const job::Progress& p) override {
    if (p.bytes_total > 0)
      percents.push_back(static_cast<int>(std::min<std::uint64_t>(p.bytes_read * 100 / p.bytes_total, 100)));
  }
  int detected = -1;
  std::vector<std::string> warnings;
  std::vector<int> percents;
};

const std::string kAbove12 =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2";
const std::string kAbove125 =
    "Warning: Illegal value detected (>1):  1.25\nThis value will be automati'cally accept as 1! 1";
const std::string kBelow03 =
    "Warning: Illegal value detected (<0): -.3\nThis value will be automati'cally accept as 0!";

TEST(ProbabilityImport, CountsWarningsAndOutcome) {
  // file, skip, "n V N" when completed, the warnings shown
  const std::tuple<std::string, double, const char*, std::vector<std::string>> cases[] = {
      {"0.1 0.5 0.9\r\n0.2 0.6 1.0\r\n0 0.4 0.8\r\n", 0, "3 6 3", {}},
      {"title line\r\n0.1 0.5 0.9\r\n0.2 0.6 1.0\r\n0 0.4 0.8", 1, "3 6 3", {}},
      {"0.2 0.7\r\n", 0, "2 0 1", {}},
      {"   0.1 0.5\n0.2 0.3\n", 0, "2 2 2", {}},
      {"0.1,0.5\n0.2,0.3\n", 0, "1 2 3", {}},  // a comma separates fields only after the first line
      {"0.1 0.2 0.3\n0.5 1.2 1.1\n1.5 1.6 1.7\n", 0, "3 6 3", {kAbove12}},
      {"0 0\n-0.3 0.1\n-0.5 0\n", 0, "2 4 3", {kBelow03}},
      {"0 0\n-0.3 1.2\n", 0, "2 2 2", {kBelow03, kAbove12}},
      {"0.9 0.1\n0.1 0.9\n", 0, "2 2 2", {}},  // the first data line is never checked
      {"0 0\n1.25 1\n", 0, "2 2 2", {kAbove125}},
      {"0.1 0.2\n0.3 0.2\n", 0, "failed", {}},
      {"0.1 0.2\n0.1 -0.2\n", 0, "failed", {}},
      {"0 0\n-0.3 -0.1\n", 0, "failed", {kBelow03}},  // the warning comes before the order check fails
      {"   \n0.1 0.2\n", 0, "failed", {}},
      {"0.1 0.2\n", 2, "failed", {}},
      {"0.1 0.2\n0.1 abc\n", 0, "failed", {}},
      {"0.1 0.2\n0.1 0.2\n0.3\n", 0, "failed", {}},
  };
  test::TempDir dir;
  for (const auto& [bytes, skip, counts, warnings] : cases) {
    Recorder recorder;
    const ImportResult result = import_probability_file(dir.write("prob.out", bytes), skip, recorder);
    const bool completed = result.outcome.completed();
    const std::string n = std::to_string(result.thresholds), v = std::to_string(result.values);
    EXPECT_EQ(completed ? n + " " + v + " " + std::to_string(result.nodes) : "failed", counts) << bytes;
    EXPECT_EQ(recorder.warnings, warnings) << bytes;
    if (completed) {
      EXPECT_EQ(recorder.detected, result.thresholds) << bytes;
    }
  }
}

TEST(ProbabilityImport, LimitsCaptionsAndProgress) {
  test::TempDir dir;
  std::string line100;
  for (int i = 0; i < 100; ++i) line100 += "0.5 ";
  EXPECT_EQ(import_probability_file(dir.write("a.out", line100 + "\n"), 0).thresholds, 100);
  const job::Outcome failed = job::Outcome::failed("Error during import input probability data file!");
  EXPECT_EQ(import_probability_file(dir.write("b.out", line100 + "0.5\n"), 0).outcome, failed);
  EXPECT_EQ(import_probability_file(dir.file("none.out"), 0).outcome, failed);
  EXPECT_EQ(import_probability_file("   ", 0).outcome,
            job::Outcome::refused("Please select input probability data file!"));
  // The caption is trimmed before the file is opened.
  EXPECT_TRUE(import_probability_file("  " + dir.write("p.out", "0.5\n") + " ", 0).outcome.completed());
  std::string bytes;
  for (int i = 0; i < 5001; ++i) bytes += "0.1 0.2\n";
  Recorder recorder;
  ASSERT_TRUE(import_probability_file(dir.write("p.out", bytes), 0, recorder).outcome.completed());
  ASSERT_FALSE(recorder.percents.empty());
  EXPECT_LE(recorder.percents.size(), 101u);
  EXPECT_EQ(recorder.percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(recorder.percents.begin(), recorder.percents.end()));
}

TEST(ProbabilityImport, SkipCountAndFirstLineRules) {
  const std::pair<const char*, const char*> skips[] = {{"2.7", "2"}, {"abc", "0"}, {"", "0"}, {"-1.5", "-2"}};
  for (const auto& [text, whole] : skips) EXPECT_EQ(skip_count_text(text), whole) << text;
}

// "lower|upper;lower|upper;..." -> the class rows of the thresholds table.
ClassLimitsInput table(const std::string& cells, std::array<std::string, 3> nodes = {"3", "1", "1"},
                       std::string caption = "3") {
  ClassLimitsInput input;
  std::stringstream rows(cells);
  for (std::string row; std::getline(rows, row, ';');)
    input.rows.push_back({row.substr(0, row.find('|')), row.substr(row.find('|') + 1)});
  input.table_rows = static_cast<int>(input.rows.size()) + 1;
  input.nodes = std::move(nodes);
  input.count_caption = std::move(caption);
  return input;
}

TEST(ClassLimits, FirstFailureOrTheLimits) {
  const std::string classes12 = "Illegal values for Classe  1  and  Classe  2  limits!";
  const std::string classes23 = "Illegal values for Classe  2  and  Classe  3  limits!";
  const std::string product = "Note: X-#nodes * Y-#nodes * Z-#nodes must be equal to 1000";
  // the table, the first failure (empty: passed), the node box reset to "1", L(0)..L(R) when checked
  const std::tuple<ClassLimitsInput, std::string, int, std::vector<double>> cases[] = {
      {table("0|10;10|20;20|30"), "", -1, {0, 10, 20, 30, 0}},
      {table("0|99;10|-5;20|30"), "", -1, {0, 10, 20, 30, 0}},  // inner upper limits are never read
      {table("0|20;0|20;20|30"), classes12, -1, {}},
      {table("|;|;|"), classes12, -1, {0, 0, 0, 0, 0}},
      {table("0|10;10|10;10|30"), "", -1, {}},  // equal neighbours pass
      {table("0|10;10|20;20|15;15|30", {"4", "1", "1"}, "4"), classes23, -1, {0, 10, 20, 15, 30, 0}},
      {table("0|10;10|30;30|30"), classes23, -1, {}},
      {table(""), "Please define thresholds!", -1, {}},
      {table("0|10;10|20;20|30", {"3", "0", "1"}), "Illegal value for number Y nodes!", 1, {}},
      {table("0|0;0|0;0|0", {"0", "0", "0"}), classes12, -1, {}},  // limits come before node counts
      {table("0|10;10|20", {"10", "10", "10"}, "1000"), "", -1, {}},
      {table("0|10;10|20", {"10", "10", "9"}, "1000"), product, -1, {}},
  };
  for (const auto& [input, message, reset_box, limits] : cases) {
    const ClassLimitsResult result = check_class_limits(input);
    EXPECT_EQ(result.outcome.completed(), message.empty()) << message;
    EXPECT_EQ(result.outcome.message, message);
    EXPECT_EQ(result.reset_box, reset_box) << message;
    EXPECT_EQ(limits.empty() ? limits : result.limits, limits) << message;
  }
}

TEST(NodeText, WholePartThenSignDroppedWithTheMessage) {
  // typed, text after the first step, final text
  const std::array<const char*, 3> cases[] = {{"12.7", "12", "12"}, {"abc", "0", "0"}, {" ", "0", "0"},
                                              {"-3.2", "-4", "4"},  {"-5", "-5", "5"}, {"-0.5", "-1", "1"},
                                              {" 1 0", "10", "10"}};
  for (const auto& [typed, whole_text, text] : cases) {
    const NodeTextResult result = normalize_node_text(typed);
    EXPECT_EQ(result.whole_text, whole_text) << typed;
    EXPECT_EQ(result.text, text) << typed;
    EXPECT_EQ(result.negative, whole_text[0] == '-') << typed;
  }
  EXPECT_EQ(messages::illegal_node_count("Y"), "Illegal value for number Y nodes!");
}

}  // namespace
}  // namespace meldrit::pfield_local
