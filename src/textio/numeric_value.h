#pragma once

#include <string_view>

namespace meldrit::textio {

// The numeric value of a text, as every count, skip count and node count held as text is read:
// the leading decimal number (sign, digits, one point, exponent E or D), blanks anywhere ignored,
// a point as decimal separator, and 0 when the text does not begin with a number.
// "2.9" -> 2.9, " 1 2" -> 12, "abc" -> 0, "-1.5x" -> -1.5.
double numeric_value(std::string_view text);

// The whole part, rounded down, of the numeric value ("2.7" -> 2, "-1.5" -> -2), clamped to the
// range of long long.
long long whole_part_of(std::string_view text);

// Reads a whole field as a number: optional sign, digits with at most one point, optional
// exponent. False when anything in the field is not part of the number, or the field is empty
// or not finite.
bool parse_number(std::string_view field, double& value);

}  // namespace meldrit::textio
