#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"

using namespace meldrit::textio;

// Every number the program writes must read back as the value it stands for, and a field that
// reads as a number has the value of its text's leading number (the reading of the boxes).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double leading = numeric_value(text);
  (void)whole_part_of(text);
  (void)file_type_matches(text, {"out", "dat"});
  double value = 0;
  if (!parse_number(text, value) || !std::isfinite(value)) return 0;
  meldrit::fuzz::check(
      value == leading, "a number field reads as another value than its leading number",
      [&] { return std::string(text) + ": " + print_number(value) + "and" + print_number(leading); });
  const std::string printed = print_number(value);
  double back = 0;
  if (!parse_number(trim_blanks(printed), back)) __builtin_trap();
  if (value != 0 && std::fabs(back - value) > std::fabs(value) * 1e-14) __builtin_trap();
  const std::string fixed = mask_fixed3(value);
  double masked = 0;
  if (!parse_number(fixed, masked)) __builtin_trap();
  if (std::fabs(value) < 1e12 && std::fabs(masked - value) > 0.0005 + std::fabs(value) * 1e-14)
    __builtin_trap();
  (void)mask_hash3(value);
  (void)mask_hash3(static_cast<float>(value), 7);
  (void)print_number(static_cast<float>(value));
  return 0;
}
