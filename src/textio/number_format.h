#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace meldrit::textio {

// Print-number form: a minus sign or one blank, the shortest decimal form of the value with at
// most `significant` significant digits (15 for doubles, 7 for 32-bit floats), a point as decimal
// separator, no zero before the point for |x| < 1, no point for whole numbers, then one blank.
// An exponent form ("1.5E+20", "5E-09") is used only where a fixed form cannot show the value in
// that many digits: a decimal exponent of `significant` or more, or below -`significant`.
// Numbers written one after the other follow each other directly: " 1.5  2  .25 ".
void append_print_number(std::string& out, double value);
void append_print_number(std::string& out, float value);
// The same form written at `out`, which has room for kPrintNumberRoom characters; returns the end.
// For writers that format many numbers into a buffer of their own.
constexpr std::size_t kPrintNumberRoom = 48;
char* write_print_number(char* out, double value);
char* write_print_number(char* out, float value);
std::string print_number(double value);
std::string print_number(float value);

// The same form through std::to_chars alone, without the shortcuts append_print_number takes for
// common magnitudes: the reference those are checked against. `significant` is 15 (a double) or
// 7 (the value is taken as a float).
void append_print_number_general(std::string& out, double value, int significant);

// The form messages use: the print-number form without its trailing blank (" 1.25", "-.3", " 2").
std::string message_number(double value);

// The value written plainly, without sign place or trailing blank ("3", "-2", ".5").
std::string plain_number(double value);

// Mask "######0.000": rounded to three decimals, halves away from zero (decided on the value's
// 15-significant-digit decimal form), always three decimals, at least one digit before the point,
// no padding. A value that rounds to zero carries no minus sign. 0.5 -> "0.500", -3.14159 -> "-3.142".
void append_mask_fixed3(std::string& out, double value);
std::string mask_fixed3(double value);
// The same written at `out` (room for kPrintNumberRoom characters), returning the end; null when the
// value needs the exact path of append_mask_fixed3 (a half near the third decimal, a magnitude of
// 1e6 or more, not a number), which then appends it.
char* write_mask_fixed3(char* out, double value);

// Mask "########.###": the same rounding, no digit before the point when the integer part is 0,
// trailing zeros of the decimals dropped, the point always written. 12 -> "12.", 0 -> ".",
// 0.25 -> ".25", -0.5 -> "-.5". For a 32-bit float pass significant = 7, so that the rounding is
// decided on the float's own decimal form.
void append_mask_hash3(std::string& out, double value, int significant = 15);
std::string mask_hash3(double value, int significant = 15);
// The same written at `out`, as write_mask_fixed3 is; null when append_mask_hash3 must write it.
char* write_mask_hash3(char* out, double value, int significant = 15);

}  // namespace meldrit::textio
