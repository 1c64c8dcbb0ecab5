#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace meldrit::uniform_tool {

// The order of doubles as unsigned integers: a < b exactly when key(a) < key(b), and -0.0 shares
// the key of 0.0, so that equal values (the tie test) are equal keys. Not for NaN.
inline std::uint64_t order_key(double value) {
  if (value == 0) value = 0;  // -0.0 ties with 0.0
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x8000000000000000ULL) != 0 ? ~bits : bits | 0x8000000000000000ULL;
}

// How much memory the ranking may take besides the values themselves.
struct RankLimits {
  std::size_t batch = std::size_t{1} << 24;  // values sorted per pass over the array (16 bytes each)
  std::size_t group = std::size_t{1} << 21;  // values sorted together at most (16 more bytes each)
  int threads = 2;
};

// Replaces every value of `values` by its uniform score, as score_as_float gives it, converted to
// double: rank r of N scores (r - 0.5) / N, and equal values share the mean score of their ranks.
// Besides the values it holds about 16 x (batch + threads x group) bytes, never a second array of
// N: the values are cut into key ranges by histograms of their keys, each batch of ranges is
// gathered in one pass over the array, sorted by a radix sort, and its scores written back in
// place, marked so that no later pass takes them for values. NaN values are not allowed.
void rank_scores_in_place(double* values, std::size_t count, const RankLimits& limits = {});

}  // namespace meldrit::uniform_tool
