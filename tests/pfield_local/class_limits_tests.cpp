#include "pfield_local/class_limits.h"

#include <gtest/gtest.h>

namespace meldrit::pfield_local {
namespace {

ClassLimitsInput table(std::vector<ClassRowTexts> rows, std::array<std::string, 3> nodes = {"3", "1", "1"},
                       std::string caption = "3") {
  ClassLimitsInput input;
  input.table_rows = static_cast<int>(rows.size()) + 1;
  input.rows = std::move(rows);
  input.nodes = std::move(nodes);
  input.count_caption = std::move(caption);
  return input;
}

struct LimitsCase {
  const char* name;
  ClassLimitsInput input;
  std::string message;  // empty: passed
  int reset_box;
  std::vector<double> limits;  // L(0)..L(R), checked when not empty
};

class LocalClassLimitsTable : public testing::TestWithParam<LimitsCase> {};

TEST_P(LocalClassLimitsTable, FirstFailureOrLimits) {
  const LimitsCase& c = GetParam();
  const ClassLimitsResult result = check_class_limits(c.input);
  EXPECT_EQ(result.passed, c.message.empty());
  EXPECT_EQ(result.message, c.message);
  EXPECT_EQ(result.reset_box, c.reset_box);
  if (!c.limits.empty()) {
    EXPECT_EQ(result.limits, c.limits);
  }
}

const std::string kClasses12 = "Illegal values for Classe  1  and  Classe  2  limits!";

INSTANTIATE_TEST_SUITE_P(
    Tables, LocalClassLimitsTable,
    testing::Values(
        LimitsCase{
            "ThreeClasses", table({{"0", "10"}, {"10", "20"}, {"20", "30"}}), "", -1, {0, 10, 20, 30, 0}},
        // The upper limits of inner rows are never read.
        LimitsCase{"InnerUpperIgnored",
                   table({{"0", "99"}, {"10", "-5"}, {"20", "30"}}),
                   "",
                   -1,
                   {0, 10, 20, 30, 0}},
        LimitsCase{"LowerEqualsMinimum", table({{"0", "20"}, {"0", "20"}, {"20", "30"}}), kClasses12, -1, {}},
        LimitsCase{"EmptyCells", table({{"", ""}, {"", ""}, {"", ""}}), kClasses12, -1, {0, 0, 0, 0, 0}},
        LimitsCase{"EqualNeighboursPass", table({{"0", "10"}, {"10", "10"}, {"10", "30"}}), "", -1, {}},
        LimitsCase{"SecondBoundaryReported",
                   table({{"0", "10"}, {"10", "20"}, {"20", "15"}, {"15", "30"}}, {"4", "1", "1"}, "4"),
                   "Illegal values for Classe  2  and  Classe  3  limits!",
                   -1,
                   {0, 10, 20, 15, 30, 0}},
        LimitsCase{"ThresholdAtMaximum",
                   table({{"0", "10"}, {"10", "30"}, {"30", "30"}}),
                   "Illegal values for Classe  2  and  Classe  3  limits!",
                   -1,
                   {}},
        LimitsCase{"NothingImported", table({}), "Please define thresholds!", -1, {}},
        LimitsCase{"ZeroYNodes",
                   table({{"0", "10"}, {"10", "20"}, {"20", "30"}}, {"3", "0", "1"}),
                   "Illegal value for number Y nodes!",
                   1,
                   {}},
        // Limits are checked before the node counts.
        LimitsCase{
            "LimitsFirst", table({{"0", "0"}, {"0", "0"}, {"0", "0"}}, {"0", "0", "0"}), kClasses12, -1, {}},
        LimitsCase{"BlankZNodes",
                   table({{"0", "10"}, {"10", "20"}, {"20", "30"}}, {"3", "1", " "}),
                   "Illegal value for number Z nodes!",
                   2,
                   {}},
        LimitsCase{
            "ProductMatches", table({{"0", "10"}, {"10", "20"}}, {"10", "10", "10"}, "1000"), "", -1, {}},
        LimitsCase{"ProductDiffers",
                   table({{"0", "10"}, {"10", "20"}}, {"10", "10", "9"}, "1000"),
                   "Note: X-#nodes * Y-#nodes * Z-#nodes must be equal to 1000",
                   -1,
                   {}},
        LimitsCase{"TextLimits",
                   table({{" -1.5e1", "x"}, {"2.5abc", "0"}, {"3", "1e2"}}),
                   "",
                   -1,
                   {-15, 2.5, 3, 100, 0}}),
    [](const testing::TestParamInfo<LimitsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meldrit::pfield_local
