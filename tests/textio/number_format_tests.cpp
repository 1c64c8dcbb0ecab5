#include "textio/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "support/temp_dir.h"
#include "textio/background_lines.h"
#include "textio/text_writer.h"

namespace meldrit::textio {
namespace {

TEST(TextWriter, EndsLinesWithCrLfAndReplacesTheFile) {
  test::TempDir dir;
  const std::string path = dir.write("out.txt", "old content that is longer\r\n");
  TextWriter writer;
  ASSERT_TRUE(writer.create(path));
  writer.line() += " 2 ";
  EXPECT_TRUE(writer.end_line());
  EXPECT_TRUE(writer.write_line("15.000"));
  EXPECT_TRUE(writer.close());
  EXPECT_EQ(test::read_bytes(path), " 2 \r\n15.000\r\n");
  // Output larger than the writer's buffer arrives whole.
  ASSERT_TRUE(writer.create(path));
  for (int i = 0; i < 300000; ++i) writer.write_line("0.500");
  ASSERT_TRUE(writer.close());
  EXPECT_EQ(test::read_bytes(path).size(), 300000u * 7);
  EXPECT_FALSE(writer.create(dir.file("no/such/folder.txt")));
  EXPECT_FALSE(writer.create(""));
}

using DoubleCase = std::pair<double, const char*>;

TEST(PrintNumber, ShortestFormWithSignPlaceAndTrailingBlank) {
  const DoubleCase doubles[] = {
      {0, " 0 "},        {-0.0, " 0 "},          {1.5, " 1.5 "},         {-2, "-2 "},
      {0.25, " .25 "},   {-0.3, "-.3 "},         {10, " 10 "},           {0.1 + 0.2, " .3 "},
      {1e15, " 1E+15 "}, {-1.5e20, "-1.5E+20 "}, {1.5e-16, " 1.5E-16 "}, {1e-15, " .000000000000001 "},
  };
  for (const auto& [value, expected] : doubles) EXPECT_EQ(print_number(value), expected) << value;
  EXPECT_EQ(print_number(0.99999999999999999), " 1 ");
  EXPECT_EQ(print_number(1.0 / 3), " .333333333333333 ");
  EXPECT_EQ(print_number(123456789012345.0), " 123456789012345 ");
  EXPECT_EQ(print_number(1234567890123456.0), " 1.23456789012346E+15 ");
  EXPECT_EQ(print_number(std::numeric_limits<double>::max()), " 1.79769313486232E+308 ");
  // Floats use seven digits.
  const std::pair<float, const char*> floats[] = {
      {0.1f, " .1 "},        {1.0f / 3, " .3333333 "},  {0.0625f, " .0625 "},
      {1e7f, " 1E+07 "},     {1234567.0f, " 1234567 "}, {5e-9f, " 5E-09 "},
      {1e-7f, " .0000001 "}, {-0.5f, "-.5 "},
  };
  for (const auto& [value, expected] : floats) EXPECT_EQ(print_number(value), expected) << value;
  std::string line;
  append_print_number(line, 1.5);
  append_print_number(line, 2.0);
  append_print_number(line, 0.25f);
  EXPECT_EQ(line, " 1.5  2  .25 ");
  EXPECT_EQ(message_number(1.25), " 1.25");
  EXPECT_EQ(message_number(-0.3), "-.3");
  EXPECT_EQ(plain_number(-2) + plain_number(0.5) + plain_number(0), "-2.50");
}

TEST(MaskFixed3, RoundsHalvesAwayFromZeroOnFifteenDigits) {
  const DoubleCase cases[] = {
      {0.5, "0.500"},     {15, "15.000"},      {26.66667, "26.667"}, {-3.14159, "-3.142"},
      {0, "0.000"},       {-2.0005, "-2.001"}, {0.0005, "0.001"},    {0.00049, "0.000"},
      {-0.0004, "0.000"}, {-0.0005, "-0.001"}, {9.9995, "10.000"},   {999.9996, "1000.000"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(mask_fixed3(value), expected) << value;
  EXPECT_EQ(mask_fixed3(2.0005), "2.001");  // 2.000499999... in binary; decided on its 15-digit form
  EXPECT_EQ(mask_fixed3(20 + 0.3 * 10 / 0.7), "24.286");
  EXPECT_EQ(mask_fixed3(123456789.5), "123456789.500");
  EXPECT_EQ(mask_fixed3(1e20), "100000000000000000000.000");
}

TEST(MaskHash3, DropsZerosAndKeepsThePoint) {
  const DoubleCase cases[] = {
      {12, "12."},    {0, "."},       {0.25, ".25"},    {3.1, "3.1"},          {-0.5, "-.5"},
      {2.0004, "2."}, {-0.0004, "."}, {0.0005, ".001"}, {-12.3456, "-12.346"}, {0.9999, "1."},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(mask_hash3(value), expected) << value;
  EXPECT_EQ(mask_hash3(123456), "123456.");
  EXPECT_EQ(mask_hash3(1.5e9), "1500000000.");
  EXPECT_EQ(mask_hash3(1234.56789), "1234.568");
  // A float rounds on its own decimal form: 2.0005f is 2.00049996... in binary, 2.000500 in 7 digits.
  EXPECT_EQ(mask_hash3(2.0005f, 7), "2.001");
  EXPECT_EQ(mask_hash3(2.0005f, 15), "2.");
  EXPECT_EQ(mask_hash3(0.1f, 7), ".1");
}

// Reference for the masks: printf's decimal form of `significant` digits, rounded to thousandths
// by hand on the digit string.
std::string reference_hash3(double value, int significant) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", significant - 1, std::fabs(value));
  std::string digits;
  const char* p = text;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int exponent = std::atoi(p + 1);
  const int kept = exponent + 4;
  std::string whole;
  if (kept >= static_cast<int>(digits.size())) {
    whole = digits + std::string(kept - digits.size(), '0');
  } else if (kept >= 0) {
    whole = digits.substr(0, kept);
    if (digits[kept] >= '5') {
      int i = kept - 1;
      while (i >= 0 && whole[i] == '9') whole[i--] = '0';
      if (i < 0)
        whole.insert(whole.begin(), '1');
      else
        ++whole[i];
    }
  }
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  std::string out = (!whole.empty() && value < 0) ? "-" : "";
  if (whole.size() > 3) out += whole.substr(0, whole.size() - 3);
  whole.insert(0, whole.size() < 3 ? 3 - whole.size() : 0, '0');
  std::string decimals = whole.substr(whole.size() - 3);
  while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
  return out + "." + decimals;
}

TEST(Masks, AgreeWithTheDecimalFormAcrossMagnitudes) {
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-8, 10);
  for (int i = 0; i < 200000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    const float single = static_cast<float>(value);
    ASSERT_EQ(mask_hash3(single, 7), reference_hash3(single, 7)) << single;
    ASSERT_EQ(mask_hash3(value), reference_hash3(value, 15)) << value;
    // The fixed mask differs only in the zero before the point and the kept zeros.
    const std::string hash = reference_hash3(value, 15);
    const std::size_t point = hash.find('.');
    const std::string sign = point > 0 && hash[0] == '-' ? "-" : "";
    const std::string whole = hash.substr(sign.size(), point - sign.size());
    const std::string decimals = (hash.substr(point + 1) + "000").substr(0, 3);
    ASSERT_EQ(mask_fixed3(value), sign + (whole.empty() ? "0" : whole) + "." + decimals) << value;
  }
  // Halves of thousandths, where the fast paths step aside.
  for (int k = -2000; k <= 2000; ++k) {
    const double value = k / 1000.0 + 0.0005;
    ASSERT_EQ(mask_hash3(value), reference_hash3(value, 15)) << value;
    ASSERT_EQ(mask_hash3(static_cast<float>(value), 7), reference_hash3(static_cast<float>(value), 7))
        << value;
  }
}

// The block writer of the runs' outputs writes the bytes the append forms give, on its thread or
// not, for values its fast form takes and for those it leaves to the exact path.
TEST(BackgroundLines, WritesWhatTheAppendFormsWrite) {
  test::TempDir dir;
  std::vector<double> values;
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> any(-2000.0, 2000.0);
  for (int i = 0; i < 200001; ++i) values.push_back(i % 7 == 0 ? (i % 2000) / 1000.0 + 0.0005 : any(random));
  for (const double odd : {1e7 + 0.25, -1e300, 0.0, -0.0004, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
    values.push_back(odd);
  }
  const BackgroundLines::Form form{[](char* at, double v) { return write_mask_fixed3(at, v); },
                                   [](std::string& line, double v) { append_mask_fixed3(line, v); }};
  std::string expected = "title\r\n1\r\nz\r\n";
  for (const double v : values) {
    append_mask_fixed3(expected, v);
    expected += "\r\n";
  }
  for (const bool background : {true, false}) {
    BackgroundLines lines(form, background);
    ASSERT_TRUE(lines.create(dir.file("o.out"), {"title", "z"}));
    for (const double v : values) ASSERT_TRUE(lines.push(v));
    ASSERT_TRUE(lines.close());
    EXPECT_EQ(test::read_bytes(dir.file("o.out")), expected) << background;
  }
}

}  // namespace
}  // namespace meldrit::textio
