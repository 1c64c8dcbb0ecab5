#include "textio/number_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace meldrit::textio {
namespace {

// The decimal digits of |value| rounded to `significant` significant digits: digits[0] stands at
// 10^exponent. Trailing zeros are kept (callers strip them where the form wants that).
struct Decimal {
  char digits[24];
  int count = 0;
  int exponent = 0;
};

template <typename T>
Decimal decimal_by_to_chars(T value, int significant) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific,
                                    significant - 1);
  Decimal d;
  const char* p = text;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p != '.') d.digits[d.count++] = *p;
  }
  if (p < result.ptr) {
    const char* first = p + 1;
    if (first < result.ptr && *first == '+') ++first;
    std::from_chars(first, result.ptr, d.exponent);
  }
  return d;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr unsigned long long kDigitPowers[] = {1ULL,
                                               10ULL,
                                               100ULL,
                                               1000ULL,
                                               10000ULL,
                                               100000ULL,
                                               1000000ULL,
                                               10000000ULL,
                                               100000000ULL,
                                               1000000000ULL,
                                               10000000000ULL,
                                               100000000000ULL,
                                               1000000000000ULL,
                                               10000000000000ULL,
                                               100000000000000ULL,
                                               1000000000000000ULL};

// The exact error a x b - p of the rounded product p = a x b. Without an FMA instruction the
// library's fma is emulated, slowly; Dekker's product is exact too, from plain operations (the
// compiler cannot fuse them into an FMA on such a machine).
inline double product_error(double a, double b, double p) {
#if defined(__FMA__) || defined(_MSC_VER)
  return std::fma(a, b, -p);
#else
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  const double ca = kSplit * a;
  const double a_high = ca - (ca - a);
  const double a_low = a - a_high;
  const double cb = kSplit * b;
  const double b_high = cb - (cb - b);
  const double b_low = b - b_high;
  return ((a_high * b_high - p) + a_high * b_low + a_low * b_high) + a_low * b_low;
#endif
}

// floor() of a positive double below 2^63. Without SSE4.1 std::floor is a library call, and these
// run once a number.
inline double whole_part(double positive) {
  return static_cast<double>(static_cast<unsigned long long>(positive));
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The same digits as decimal_by_to_chars without a general conversion, for magnitudes whose scaling
// to `significant` whole digits is one multiplication by an exact power of ten (10^0 .. 10^22).
// p = m x 10^k is rounded once; fma gives its exact error r, so m x 10^k = p + r exactly. With p
// below 2^52, p's fraction minus one half is a multiple of p's ulp, and |r| is at most half an
// ulp, so the side of the half is the sign of that difference, or of r when it is zero. An exact
// half (to_chars rounds it to even) is left to the caller. False when this path cannot decide.
bool fast_decimal(double magnitude, int significant, Decimal& d) {
  if (!(magnitude > 0 && magnitude < kPowersOfTen[significant])) return false;
  // floor(log10(m)) or one less, from the binary exponent (1233 / 4096 is just below log10 2); the
  // loops below settle it exactly, since comparing the rounded product with a power of ten that
  // is itself a double decides like the exact product. (A subnormal's estimate is far off; its
  // shift is out of range.)
  const int binary_exponent =
      static_cast<int>((std::bit_cast<std::uint64_t>(magnitude) >> 52) & 0x7FF) - 1023;
  int exponent = (binary_exponent * 1233) >> 12;
  const double lowest = kPowersOfTen[significant - 1];
  const double highest = kPowersOfTen[significant];
  double scaled = 0;
  int shift = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    shift = significant - 1 - exponent;
    if (shift < 0 || shift > 22) return false;
    scaled = magnitude * kPowersOfTen[shift];
    if (scaled < lowest) {
      --exponent;
    } else if (scaled >= highest) {
      ++exponent;
    } else {
      break;
    }
  }
  if (!(scaled >= lowest && scaled < highest)) return false;
  // A float's 24 bits times 10^shift = 2^shift x 5^shift (5^10 < 2^24) fit a double's 53: exact.
  const bool exact = shift <= 10 && static_cast<double>(static_cast<float>(magnitude)) == magnitude;
  const double error = exact ? 0.0 : product_error(magnitude, kPowersOfTen[shift], scaled);
  const double whole = whole_part(scaled);
  const double above_half = (scaled - whole) - 0.5;
  bool up = false;
  if (above_half != 0) {
    up = above_half > 0;
  } else if (error != 0) {
    up = error > 0;
  } else {
    return false;
  }
  unsigned long long digits = static_cast<unsigned long long>(whole) + (up ? 1 : 0);
  if (digits == kDigitPowers[significant]) {  // 9.9999996 -> 10.00000
    digits = kDigitPowers[significant - 1];
    ++exponent;
  }
  int i = significant;
  for (; i >= 2; i -= 2) {
    std::memcpy(d.digits + i - 2, kDigitPairs + 2 * (digits % 100), 2);
    digits /= 100;
  }
  if (i == 1) d.digits[0] = static_cast<char>('0' + digits);
  d.count = significant;
  d.exponent = exponent;
  return true;
}

// Filled in place: a Decimal copied right after its digits were stored byte by byte stalls on
// every call.
template <typename T>
void decimal_of(T value, int significant, bool general_only, Decimal& d) {
  if (!general_only && fast_decimal(std::fabs(static_cast<double>(value)), significant, d)) return;
  d = decimal_by_to_chars(value, significant);
}

// |value| x 1000 rounded, halves away from zero, without a decimal conversion. The 15-digit decimal
// form of a value below 1e6 lies within 5e-7 thousandths of it, so wherever the thousandths are
// clearly away from a half both round the same way; near a half the caller takes the exact path.
bool fast_thousandths15(double magnitude, unsigned long long& count) {
  if (!(magnitude < 1e6)) return false;
  const double scaled = magnitude * 1000.0;
  const double whole = whole_part(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < 1e-4) return false;
  count = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
}

constexpr unsigned long long kWholePowers[] = {
    1ULL,        10ULL,        100ULL,        1000ULL,        10000ULL,        100000ULL,       1000000ULL,
    10000000ULL, 100000000ULL, 1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL};

// The same for a 32-bit float's 7-digit decimal form, in integers: the value is first scaled to
// seven whole digits D (one correctly rounded multiplication or division, far finer than the
// half-digit that decides), then D x 10^q is rounded to thousandths exactly.
bool fast_thousandths7(double magnitude, unsigned long long& count) {
  if (!(magnitude >= 1e-10 && magnitude < 1e12)) return false;
  int exponent = 0;
  if (magnitude >= 1) {
    while (exponent < 11 && kPowersOfTen[exponent + 1] <= magnitude) ++exponent;
  } else {
    while (exponent > -10 && magnitude * kPowersOfTen[-exponent] < 1) --exponent;
  }
  const int shift = 6 - exponent;  // magnitude x 10^shift lies in [1e6, 1e7)
  if (shift > 22 || shift < -22) return false;
  double scaled = shift >= 0 ? magnitude * kPowersOfTen[shift] : magnitude / kPowersOfTen[-shift];
  if (scaled < 1e6 || scaled >= 1e7) return false;  // log10 was off by one near a power of ten
  const double whole = whole_part(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < 1e-6) return false;
  const unsigned long long digits = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
  const int q = 3 - shift;  // thousandths = digits x 10^q
  if (q >= 0) {
    if (q > 12) return false;
    count = digits * kWholePowers[q];
  } else if (-q > 8) {
    count = 0;
  } else {
    const unsigned long long divisor = kWholePowers[-q];
    count = (digits + divisor / 2) / divisor;
  }
  return true;
}

// Writes the shortest form at `p` (room for 40 characters) and returns its end: the print forms
// are written into a small buffer and appended at once.
template <typename T>
char* write_shortest(char* p, T value, int significant, bool general_only) {
  if (!std::isfinite(value)) {
    const char* text = std::isnan(value) ? "NaN" : "Inf";
    return std::copy(text, text + 3, p);
  }
  if (value == 0) {
    *p++ = '0';
    return p;
  }
  // Whole numbers with at most `significant` digits are exact: no decimal conversion needed.
  const T magnitude_value = std::fabs(value);
  if (magnitude_value < kPowersOfTen[significant] &&
      magnitude_value == static_cast<T>(static_cast<unsigned long long>(magnitude_value))) {
    return std::to_chars(p, p + 24, static_cast<unsigned long long>(magnitude_value)).ptr;
  }
  Decimal d;
  decimal_of(value, significant, general_only, d);
  while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
  const int e = d.exponent;
  if (e >= significant || e < -significant) {
    *p++ = d.digits[0];
    if (d.count > 1) {
      *p++ = '.';
      p = std::copy(d.digits + 1, d.digits + d.count, p);
    }
    *p++ = 'E';
    *p++ = e < 0 ? '-' : '+';
    const int magnitude = std::abs(e);
    if (magnitude < 10) *p++ = '0';
    return std::to_chars(p, p + 8, magnitude).ptr;
  }
  if (e >= 0) {
    const int whole = e + 1;
    if (d.count <= whole) {
      p = std::copy(d.digits, d.digits + d.count, p);
      return std::fill_n(p, whole - d.count, '0');
    }
    p = std::copy(d.digits, d.digits + whole, p);
    *p++ = '.';
    return std::copy(d.digits + whole, d.digits + d.count, p);
  }
  *p++ = '.';
  p = std::fill_n(p, -e - 1, '0');
  return std::copy(d.digits, d.digits + d.count, p);
}

template <typename T>
void append_shortest(std::string& out, T value, int significant, bool general_only = false) {
  char text[48];
  out.append(text, static_cast<std::size_t>(write_shortest(text, value, significant, general_only) - text));
}

template <typename T>
char* write_print(char* p, T value, int significant, bool general_only = false) {
  *p++ = std::signbit(value) && value != 0 ? '-' : ' ';
  p = write_shortest(p, value, significant, general_only);
  *p++ = ' ';
  return p;
}

template <typename T>
void append_print(std::string& out, T value, int significant, bool general_only = false) {
  char text[kPrintNumberRoom];
  out.append(text, static_cast<std::size_t>(write_print(text, value, significant, general_only) - text));
}

// |value| x 1000 rounded to a whole number, halves away from zero, as decided on the value's
// decimal form of `significant` digits; its digits without leading zeros ("" for zero).
std::string thousandths(double value, int significant) {
  const Decimal d = decimal_by_to_chars(value, significant);
  const int kept = d.exponent + 4;  // digits down to the 10^-3 place
  std::string digits;
  if (kept >= d.count) {
    digits.assign(d.digits, d.count);
    digits.append(kept - d.count, '0');
  } else if (kept == 0) {
    if (d.digits[0] >= '5') digits = "1";
  } else if (kept > 0) {
    digits.assign(d.digits, kept);
    if (d.digits[kept] >= '5') {
      int i = kept - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits.insert(digits.begin(), '1');
      } else {
        ++digits[i];
      }
    }
  }
  const auto first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string() : digits.substr(first);
}

}  // namespace

char* write_print_number(char* out, double value) {
  return write_print(out, value, 15);
}
char* write_print_number(char* out, float value) {
  return write_print(out, value, 7);
}

void append_print_number(std::string& out, double value) {
  append_print(out, value, 15);
}
void append_print_number(std::string& out, float value) {
  append_print(out, value, 7);
}

void append_print_number_general(std::string& out, double value, int significant) {
  if (significant == 7) {
    append_print(out, static_cast<float>(value), 7, true);
  } else {
    append_print(out, value, significant, true);
  }
}

std::string print_number(double value) {
  std::string out;
  append_print_number(out, value);
  return out;
}

std::string print_number(float value) {
  std::string out;
  append_print_number(out, value);
  return out;
}

std::string message_number(double value) {
  std::string out = print_number(value);
  out.pop_back();
  return out;
}

std::string plain_number(double value) {
  std::string out;
  if (std::signbit(value) && value != 0) out += '-';
  append_shortest(out, value, 15);
  return out;
}

namespace {

// The digits of the thousandths count without leading zeros ("" for zero), in `buffer` when a
// fast path decides, else in `slow`.
std::string_view thousandth_digits(double value, int significant, char (&buffer)[24], std::string& slow) {
  const double magnitude = std::fabs(value);
  unsigned long long count = 0;
  const bool fast = significant == 7    ? fast_thousandths7(magnitude, count)
                    : significant == 15 ? fast_thousandths15(magnitude, count)
                                        : false;
  if (fast) {
    if (count == 0) return {};
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, count);
    return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
  }
  slow = thousandths(value, significant);
  return slow;
}

bool append_non_finite(std::string& out, double value) {
  if (std::isfinite(value)) return false;
  out += std::isnan(value) ? "NaN" : "Inf";
  return true;
}

// Both masks straight from a thousandths count that a fast path found, written at `p` (room for
// kPrintNumberRoom characters): these are the run's hot loops. `hash` gives "########.###" (no 0
// before the point, trailing zeros of the decimals dropped), else "######0.000". Returns null when
// no fast path decides.
char* write_mask_fast(char* p, double value, int significant, bool hash) {
  if (!std::isfinite(value)) return nullptr;
  const double magnitude = std::fabs(value);
  unsigned long long count = 0;
  const bool fast = significant == 7    ? fast_thousandths7(magnitude, count)
                    : significant == 15 ? fast_thousandths15(magnitude, count)
                                        : false;
  if (!fast) return nullptr;
  if (count != 0 && value < 0) *p++ = '-';
  const unsigned long long whole = count / 1000;
  const unsigned fraction = static_cast<unsigned>(count % 1000);
  if (whole != 0 || !hash) p = std::to_chars(p, p + 24, whole).ptr;
  *p++ = '.';
  const char decimals[3] = {static_cast<char>('0' + fraction / 100),
                            static_cast<char>('0' + fraction / 10 % 10),
                            static_cast<char>('0' + fraction % 10)};
  int kept = 3;
  if (hash) {
    while (kept > 0 && decimals[kept - 1] == '0') --kept;
  }
  for (int i = 0; i < kept; ++i) *p++ = decimals[i];
  return p;
}

bool append_mask_fast(std::string& out, double value, int significant, bool hash) {
  char text[kPrintNumberRoom];
  const char* end = write_mask_fast(text, value, significant, hash);
  if (end == nullptr) return false;
  out.append(text, static_cast<std::size_t>(end - text));
  return true;
}

}  // namespace

void append_mask_fixed3(std::string& out, double value) {
  if (append_non_finite(out, value) || append_mask_fast(out, value, 15, false)) return;
  char buffer[24];
  std::string slow;
  const std::string_view digits = thousandth_digits(value, 15, buffer, slow);
  if (!digits.empty() && value < 0) out += '-';
  if (digits.size() > 3) {
    out.append(digits.substr(0, digits.size() - 3));
    out += '.';
    out.append(digits.substr(digits.size() - 3));
  } else {
    out += "0.";
    out.append(3 - digits.size(), '0');
    out.append(digits);
  }
}

char* write_mask_fixed3(char* out, double value) {
  return write_mask_fast(out, value, 15, false);
}

std::string mask_fixed3(double value) {
  std::string out;
  append_mask_fixed3(out, value);
  return out;
}

void append_mask_hash3(std::string& out, double value, int significant) {
  if (append_non_finite(out, value) || append_mask_fast(out, value, significant, true)) return;
  char buffer[24];
  std::string slow;
  const std::string_view digits = thousandth_digits(value, significant, buffer, slow);
  if (!digits.empty() && value < 0) out += '-';
  std::string_view decimals;
  char padded[3] = {'0', '0', '0'};
  if (digits.size() > 3) {
    out.append(digits.substr(0, digits.size() - 3));
    decimals = digits.substr(digits.size() - 3);
  } else {
    digits.copy(padded + (3 - digits.size()), digits.size());
    decimals = std::string_view(padded, 3);
  }
  while (!decimals.empty() && decimals.back() == '0') decimals.remove_suffix(1);
  out += '.';
  out.append(decimals);
}

char* write_mask_hash3(char* out, double value, int significant) {
  return write_mask_fast(out, value, significant, true);
}

std::string mask_hash3(double value, int significant) {
  std::string out;
  append_mask_hash3(out, value, significant);
  return out;
}

}  // namespace meldrit::textio
