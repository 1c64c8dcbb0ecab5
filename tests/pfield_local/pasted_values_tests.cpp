#include "pfield_local/pasted_values.h"

#include <gtest/gtest.h>

namespace meldrit::pfield_local {
namespace {

using Texts = std::vector<std::string>;

TEST(PastedValues, AnyRunOfBlanksCommasTabsAndLineEndsSeparates) {
  const std::pair<const char*, Texts> cases[] = {
      {"", {}},
      {" \r\n,\t", {}},
      {"8", {"8"}},
      {"8 12 16", {"8", "12", "16"}},
      {"8,12,16", {"8", "12", "16"}},
      {"8, 12,\t16", {"8", "12", "16"}},
      {"8\r\n12\r\n16\r\n", {"8", "12", "16"}},
      {"8\t12\n16\t20\n", {"8", "12", "16", "20"}},
      {"  -.5,,1e3  abc ", {"-.5", "1e3", "abc"}},  // not numbers too: the cell rules judge them
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(split_pasted_values(text), expected) << text;
}

TEST(PastedValues, HeaderThresholdsAreTheFirstRisingRunOfTheCount) {
  const std::string ccdf = "Local ccdfs of porosity at 8 12 16 20 24 %, 60 x 40 x 3 nodes, X fastest";
  const std::tuple<std::string, int, Texts> cases[] = {
      {ccdf, 5, {"8", "12", "16", "20", "24"}},
      {ccdf, 4, {}},  // the run is longer than the file's thresholds: not these
      {ccdf, 0, {}},
      {"thresholds: 0.1, 0.25, 0.5", 3, {"0.1", "0.25", "0.5"}},
      {"grid 60 40 3 at 1 2 3", 3, {"1", "2", "3"}},  // 60 40 does not rise, 40 3 neither
      {"at 3 2 1", 3, {}},
      {" .354  .825  .976  .997  1 ", 5, {".354", ".825", ".976", ".997", "1"}},
      {"porosity", 1, {}},
  };
  for (const auto& [line, count, expected] : cases)
    EXPECT_EQ(thresholds_in_header(line, count), expected) << line << " / " << count;
}

TEST(PastedValues, TheExampleFileNamesItsThresholds) {
  const std::string line = first_line_of(MELDRIT_SOURCE_FOLDER "/examples/ccdf.out");
  EXPECT_EQ(thresholds_in_header(line, 5), (Texts{"8", "12", "16", "20", "24"}));
  EXPECT_EQ(first_line_of("/nonexistent/ccdf.out"), "");
}

}  // namespace
}  // namespace meldrit::pfield_local
