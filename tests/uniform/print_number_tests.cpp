// The uniform job writes values, scores and coordinates in the print-number form, through shortcuts
// for common magnitudes. Each must give the bytes of the general conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "textio/number_format.h"

namespace meldrit::textio {
namespace {

std::string general_form(double value, int significant) {
  std::string out;
  append_print_number_general(out, value, significant);
  return out;
}

// Every value, its neighbours one ulp away and its negation.
void expect_doubles_agree(const std::vector<double>& values) {
  for (const double base : values) {
    for (const double value : {base, std::nextafter(base, 0.0), std::nextafter(base, HUGE_VAL), -base}) {
      ASSERT_EQ(print_number(value), general_form(value, 15)) << std::hexfloat << value;
    }
  }
}

void expect_floats_agree(const std::vector<float>& values) {
  for (const float base : values) {
    for (const float value : {base, std::nextafter(base, 0.0f), std::nextafter(base, HUGE_VALF), -base}) {
      ASSERT_EQ(print_number(value), general_form(value, 7)) << std::hexfloat << value;
    }
  }
}

// Decimal texts of `digits` digits: at 15 digits plus a final 5 the value lies within an ulp of
// a rounding half, the hardest case for a shortcut.
std::vector<double> parsed(const std::vector<std::string>& texts) {
  std::vector<double> values;
  for (const std::string& text : texts) values.push_back(std::strtod(text.c_str(), nullptr));
  return values;
}

TEST(PrintNumberShortcut, DoublesMatchTheGeneralConversionAtEdges) {
  std::vector<double> values = parsed({
      "0.5",
      "0.1",
      "0.3",
      "0.30000000000000004",
      "1.5",
      "2.5",
      "9.9999999999999995",
      "9.99999999999999949",
      "99999999999999.95",
      "0.99999999999999995",
      "0.099999999999999995",
      "1.0000000000000005",
      "123456789012345.5",
      "12345678901234.55",
      "0.000000012345678901234565",
      "1e-8",
      "9.9999999999999995e-9",
      "1e-9",
      "999999999999999.4",
      "999999999999999.6",
      "5e-324",
      "2.2250738585072014e-308",
      "1e300",
      "1.7976931348623157e308",
      "1e15",
      "1e16",
      "0.000123456789012345",
      "7.0000000000000005",
      "3.14159265358979323846",
      "1234.5678",
      "0.1234567890123455",
      "4503599627370495.5",
  });
  for (int exponent = -30; exponent <= 30; ++exponent) values.push_back(std::pow(10.0, exponent));
  expect_doubles_agree(values);
}

TEST(PrintNumberShortcut, DoublesMatchTheGeneralConversionOnRandomValues) {
  std::mt19937_64 random(20261207);
  std::vector<double> values;
  std::uniform_int_distribution<int> decade(-12, 16);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 40000; ++i) {
    // Any bit pattern that is a finite number.
    std::uint64_t bits = random();
    double any = 0;
    std::memcpy(&any, &bits, sizeof any);
    if (std::isfinite(any)) values.push_back(any);
    values.push_back(unit(random) * std::pow(10.0, decade(random)));
    // Short decimals, as data files hold them: k / 10^j.
    values.push_back(static_cast<double>(random() % 10000000) /
                     std::pow(10.0, static_cast<int>(random() % 12)));
    // Sixteen digits ending in 5: within an ulp or so of a half at the fifteenth digit.
    const std::string tie = std::to_string(random() % 900000000000000 + 100000000000000) + "5e" +
                            std::to_string(decade(random) - 15);
    values.push_back(std::strtod(tie.c_str(), nullptr));
  }
  expect_doubles_agree(values);
}

TEST(PrintNumberShortcut, FloatsMatchTheGeneralConversion) {
  std::vector<float> values = {0.5f,       0.1f,          0.9999999f,  0.99999995f,    9.9999995f, 1234567.5f,
                               1234568.5f, 999999.94f,    0.00000005f, 1e-8f,          5e-9f,      1.2345675f,
                               1e7f,       3.4028235e38f, 1e-45f,      1.1754944e-38f, 0.0625f,    0.03125f};
  for (int exponent = -20; exponent <= 20; ++exponent) values.push_back(std::pow(10.0f, exponent));
  std::mt19937 random(7);
  for (int i = 0; i < 60000; ++i) {
    std::uint32_t bits = random();
    float any = 0;
    std::memcpy(&any, &bits, sizeof any);
    if (std::isfinite(any)) values.push_back(any);
  }
  // Uniform scores of odd and even sample counts, ties (lo + hi) / 2N included.
  for (const std::uint64_t n : {7ULL, 1000ULL, 99999ULL, 100000000ULL, 123456789ULL}) {
    for (int i = 0; i < 20000; ++i) {
      const std::uint64_t lo = random() % n;
      const std::uint64_t hi = lo + 1 + random() % 3;
      values.push_back(static_cast<float>(static_cast<double>(lo + hi) / (2.0 * static_cast<double>(n))));
    }
  }
  expect_floats_agree(values);
}

}  // namespace
}  // namespace meldrit::textio
