#include "textio/numeric_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace meldrit::textio {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Converts "[-]digits[.digits][e[-]digits]" (already validated) with from_chars; an overflow gives
// the largest finite value of that sign rather than a surprise.
double convert(std::string_view number) {
  double value = 0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    const bool negative = !number.empty() && number.front() == '-';
    // A huge exponent overflows, a hugely negative one underflows to zero.
    const auto e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    if (tiny) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  return value;
}

// Appends the longest leading number of `text` to `out` in from_chars form, skipping the
// characters `skip` says to ignore. Returns the number of mantissa digits seen; `consumed` is
// where the number ended in `text`.
template <typename Skip>
int leading_number(std::string_view text, std::string& out, Skip skip, std::size_t& consumed) {
  std::size_t i = 0;
  auto next = [&]() -> int {
    while (i < text.size() && skip(text[i])) ++i;
    return i < text.size() ? static_cast<unsigned char>(text[i]) : -1;
  };
  int c = next();
  if (c == '-' || c == '+') {
    if (c == '-') out.push_back('-');
    ++i;
    c = next();
  }
  int digits = 0;
  while (c >= 0 && is_digit(static_cast<char>(c))) {
    out.push_back(static_cast<char>(c));
    ++digits;
    ++i;
    c = next();
  }
  if (c == '.') {
    ++i;
    c = next();
    std::size_t mark = out.size();
    out.push_back('.');
    int fraction = 0;
    while (c >= 0 && is_digit(static_cast<char>(c))) {
      out.push_back(static_cast<char>(c));
      ++fraction;
      ++i;
      c = next();
    }
    if (fraction == 0) out.resize(mark);
    digits += fraction;
  }
  if (digits > 0 && (c == 'e' || c == 'E' || c == 'd' || c == 'D')) {
    const std::size_t mark = out.size();
    const std::size_t restart = i;
    ++i;
    c = next();
    out.push_back('e');
    if (c == '-' || c == '+') {
      if (c == '-') out.push_back('-');
      ++i;
      c = next();
    }
    int exponent_digits = 0;
    while (c >= 0 && is_digit(static_cast<char>(c))) {
      out.push_back(static_cast<char>(c));
      ++exponent_digits;
      ++i;
      c = next();
    }
    if (exponent_digits == 0) {
      out.resize(mark);
      i = restart;
    }
  }
  consumed = i;
  return digits;
}

}  // namespace

double numeric_value(std::string_view text) {
  std::string number;
  number.reserve(text.size());
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  std::size_t consumed = 0;
  if (leading_number(text, number, blank, consumed) == 0) return 0.0;
  return convert(number);
}

long long whole_part_of(std::string_view text) {
  const double value = std::floor(numeric_value(text));
  constexpr double kLimit = 9.2e18;
  if (value >= kLimit) return static_cast<long long>(kLimit);
  if (value <= -kLimit) return -static_cast<long long>(kLimit);
  return static_cast<long long>(value);
}

bool parse_number(std::string_view field, double& value) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  if (field.empty()) return false;
  // Fast path: plain from_chars syntax, the whole field consumed.
  const char first = field.front();
  const bool plain_start = is_digit(first) || first == '.' ||
                           (first == '-' && field.size() > 1 && (is_digit(field[1]) || field[1] == '.'));
  if (plain_start) {
    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
    if (ptr == field.data() + field.size()) {
      if (ec == std::errc()) {
        value = parsed;
        return true;
      }
      if (ec == std::errc::result_out_of_range) {
        value = convert(field);
        return true;
      }
    }
  }
  // Slow path: a '+' sign or a 'D' exponent.
  std::string number;
  std::size_t consumed = 0;
  const auto none = [](char) { return false; };
  if (leading_number(field, number, none, consumed) == 0 || consumed != field.size()) return false;
  const double parsed = convert(number);
  if (!std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace meldrit::textio
