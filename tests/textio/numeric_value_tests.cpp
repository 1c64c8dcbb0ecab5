#include "textio/numeric_value.h"

#include <gtest/gtest.h>

namespace meldrit::textio {
namespace {

TEST(NumericValue, LeadingNumberOrZero) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"3", 3},
      {"2.9", 2.9},
      {"  2.5", 2.5},
      {"abc", 0},
      {"", 0},
      {" ", 0},
      {"-1.5", -1.5},
      {"+4", 4},
      {"12abc", 12},
      {"1 2", 12},
      {" 1 0 ", 10},
      {".5", 0.5},
      {"5.", 5},
      {"-.25", -0.25},
      {"1e3", 1000},
      {"1E-2", 0.01},
      {"2d2", 200},
      {"1e", 1},
      {"1e+", 1},
      {"1.2.3", 1.2},
      {"- 3", -3},
      {"--3", 0},
      {".", 0},
      {"-", 0},
      {"0", 0},
      {" 10  10  5 ", 10105},
      {"x1", 0},
      {"1,5", 1},
      {"1e999", 1.7976931348623157e308},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(numeric_value(c.text), c.expected) << '"' << c.text << '"';
}

TEST(WholePartOf, RoundsDown) {
  EXPECT_EQ(whole_part_of("2.7"), 2);
  EXPECT_EQ(whole_part_of("-1.5"), -2);
  EXPECT_EQ(whole_part_of("abc"), 0);
  EXPECT_EQ(whole_part_of("-3.2"), -4);
  EXPECT_EQ(whole_part_of("1e30"), 9200000000000000000LL);
}

TEST(ParseNumber, WholeFieldOnly) {
  const struct {
    const char* field;
    bool ok;
    double value;
  } cases[] = {
      {"1", true, 1},      {"-2.5", true, -2.5}, {".5", true, 0.5},   {"5.", true, 5},
      {"+3", true, 3},     {"1e3", true, 1000},  {"1D3", true, 1000}, {"1.5E-2", true, 0.015},
      {"abc", false, 0},   {"", false, 0},       {"1.5x", false, 0},  {"1e", false, 0},
      {"inf", false, 0},   {"-inf", false, 0},   {"nan", false, 0},   {".", false, 0},
      {"-", false, 0},     {"0x10", false, 0},   {"1,5", false, 0},   {"1e999", true, 1.7976931348623157e308},
      {"1e-999", true, 0}, {" 7 ", true, 7},
  };
  for (const auto& c : cases) {
    double value = -99;
    EXPECT_EQ(parse_number(c.field, value), c.ok) << c.field;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.field;
    }
  }
}

}  // namespace
}  // namespace meldrit::textio
