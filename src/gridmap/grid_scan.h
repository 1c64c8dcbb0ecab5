#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::gridmap {

// A per-node file read as a grid: nx x ny x nz nodes, X fastest, then Y, then Z, each node
// `values_per_node` fields of which the `value_index`-th (from 1) is mapped: one threshold of a
// probability data file, or the score after the coordinates of a uniform transformation's output.
struct GridRequest {
  std::string path;
  double skip = 0;  // header lines
  long long nx = 1, ny = 1, nz = 1;
  int values_per_node = 1;
  int value_index = 1;
  // Where the nodes lie, for a map's axes: the centre of node (1, 1, 1) and the spacing. The
  // defaults put each node at its numbers.
  std::array<double, 3> origin{1, 1, 1};
  std::array<double, 3> spacing{1, 1, 1};
};

struct GridStats {
  std::uint64_t count = 0;
  double min = 0, max = 0, mean = 0;
  double std = 0;  // of the whole population of values read
  double q1 = 0, median = 0, q3 = 0;
};

// What one streaming pass over the file found. Only this is kept, never the grid.
struct GridScan {
  // Completed when every node was read; otherwise a message that says what is missing, and what
  // could be read is still here.
  job::Outcome outcome;
  std::uint64_t nodes_read = 0;
  // Values after the last node (at least 1 when the file is longer than the grid): such a file is
  // refused, not mapped.
  std::uint64_t values_beyond = 0;
  GridStats stats;
  // Every value read is a whole number, of at most kMaxCodes different ones: then `codes` lists
  // them (class numbers, phase codes) and a categorical palette suits the file.
  std::vector<long long> codes;
  // Where each slice's first node starts, for the slices the file reaches.
  std::vector<std::uint64_t> slice_offsets;
  // Up to kSampleSize values drawn evenly from the whole file (all of them in a smaller file), for
  // the quartiles and the histogram.
  std::vector<double> sample;
};

inline constexpr std::size_t kSampleSize = std::size_t{1} << 20;
inline constexpr std::size_t kMaxCodes = 64;

// The grid's checks: every count at least 1, the value within its node.
job::Outcome check_request(const GridRequest& request);

// One pass over the file: statistics, codes, sample and slice offsets, with progress by bytes and a
// cancel polled as it reads.
GridScan scan_grid(const GridRequest& request, job::Hooks& hooks = job::no_hooks());

// One slice as a picture shows it: the nodes in square blocks of `step` x `step`, a cell a block,
// so that its memory stays bounded however many nodes a side has. A cell holds the mean of its
// nodes' numbers, or for a file of codes its first node's code (a mean of codes is no code); NaN
// when its nodes hold no number.
struct Slice {
  long long width = 0, height = 0;  // cells along X and Y
  long long step = 1;               // nodes along each side of a cell
  std::vector<double> cells;        // row by row from y = 1

  // The cell that holds node (x, y), both from 0.
  double at_node(long long x, long long y) const {
    return cells[static_cast<std::size_t>((y / step) * width + x / step)];
  }
};

// At most this many cells along a side: 32 MB of cells at the most.
inline constexpr long long kMaxSliceCells = 2000;

// Slice `z` (0-based) of the grid; a node the file does not hold (or that is not a number) is NaN.
// Seeks to the slice's start; only the slice is read, a row of cells at a time.
Slice read_slice(const GridRequest& request, const GridScan& scan, long long z,
                 long long max_cells = kMaxSliceCells);

// `bins` equal bins from `low` to `high`; values outside them, and NaN, are not counted.
std::vector<std::uint64_t> histogram(const std::vector<double>& values, int bins, double low, double high);

// Count, min, max, mean, std and quartiles of the numbers among `values` (NaN left out).
GridStats statistics_of(std::vector<double> values);

}  // namespace meldrit::gridmap
