#include "gridmap/grid_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "textio/field_stream.h"
#include "textio/file_type.h"

namespace meldrit::gridmap {
namespace {

std::string count_text(std::uint64_t value) {
  return std::to_string(value);
}

// Linear between the neighbouring order statistics of sorted values (p from 0 to 1).
double quantile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const double at = p * static_cast<double>(sorted.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  // In long double: the gap between values near the largest double would overflow a double.
  const long double gap = static_cast<long double>(sorted[above]) - sorted[below];
  return static_cast<double>(sorted[below] + (at - static_cast<double>(below)) * gap);
}

// Reads one node's mapped value; false at the end of the file or on a read failure, with the
// status in `status`.
bool read_node(textio::FieldStream& stream, const GridRequest& request, double& value,
               textio::ReadStatus& status) {
  value = std::numeric_limits<double>::quiet_NaN();
  for (int field = 1; field <= request.values_per_node; ++field) {
    double read = 0;
    status = field == request.value_index ? stream.next_number(read) : stream.skip_field();
    if (status == textio::ReadStatus::NotNumeric) continue;  // NaN for the mapped value
    if (status != textio::ReadStatus::Ok) return false;
    if (field == request.value_index) value = read;
  }
  status = textio::ReadStatus::Ok;
  return true;
}

}  // namespace

job::Outcome check_request(const GridRequest& request) {
  if (request.nx < 1 || request.ny < 1 || request.nz < 1) {
    return job::Outcome::refused("Every node count must be at least 1.");
  }
  if (request.nx > 100000 || request.ny > 100000 || request.nz > 100000) {
    return job::Outcome::refused("A node count must be at most 100000.");
  }
  if (request.values_per_node < 1 || request.value_index < 1 ||
      request.value_index > request.values_per_node) {
    return job::Outcome::refused("The value to map lies outside its node.");
  }
  return job::Outcome::done();
}

GridScan scan_grid(const GridRequest& request, job::Hooks& hooks) {
  GridScan scan;
  scan.outcome = check_request(request);
  if (!scan.outcome.completed()) return scan;
  const std::uint64_t per_slice =
      static_cast<std::uint64_t>(request.nx) * static_cast<std::uint64_t>(request.ny);
  const std::uint64_t nodes = per_slice * static_cast<std::uint64_t>(request.nz);
  const std::string path(textio::trim_blanks(request.path));

  textio::FieldStream stream;
  if (!stream.open(path)) {
    scan.outcome = job::Outcome::failed("Cannot open " + path);
    return scan;
  }
  if (!stream.skip_lines(request.skip)) {
    scan.outcome = job::Outcome::failed("The file holds 0 of the " + count_text(nodes) + " nodes.");
    return scan;
  }
  std::mt19937_64 draw(20261207);  // a fixed seed: the same file always gives the same figures
  std::set<long long> codes;
  bool whole = true;
  // Long double, so that values near the largest double give their mean, not an overflow.
  long double mean = 0, squares = 0;
  std::uint64_t numbers = 0;
  job::ProgressTicker ticker(hooks, textio::file_size_or_zero(path), nodes);
  for (std::uint64_t node = 0; node < nodes; ++node) {
    if (node % per_slice == 0) scan.slice_offsets.push_back(stream.next_field_offset());
    if (!ticker.tick(stream.bytes_consumed(), node)) {
      scan.outcome = job::Outcome::cancelled(job::kImportCancelled);
      return scan;
    }
    double value = 0;
    textio::ReadStatus status;
    if (!read_node(stream, request, value, status)) {
      // Said after any field that was not a number, which the map shows too.
      const std::string before = scan.outcome.completed() ? std::string() : " " + scan.outcome.message;
      if (status == textio::ReadStatus::EndOfFile) {
        scan.outcome = job::Outcome::failed("The file holds " + count_text(node) + " of the " +
                                            count_text(nodes) + " nodes." + before);
      } else {
        scan.outcome =
            job::Outcome::failed("Cannot read " + path + " after node " + count_text(node) + "." + before);
      }
      if (node % per_slice == 0) scan.slice_offsets.pop_back();
      break;
    }
    ++scan.nodes_read;
    if (std::isnan(value)) {
      if (scan.outcome.completed()) {
        scan.outcome = job::Outcome::failed("Node " + count_text(node + 1) + " is not a number.");
      }
      continue;
    }
    ++numbers;
    // Running mean and sum of squares about it: one pass, no loss of precision on large files.
    const long double delta = value - mean;
    mean += delta / static_cast<long double>(numbers);
    squares += delta * (value - mean);
    if (numbers == 1) {
      scan.stats.min = scan.stats.max = value;
    } else {
      scan.stats.min = std::min(scan.stats.min, value);
      scan.stats.max = std::max(scan.stats.max, value);
    }
    if (whole) {
      whole = value == std::floor(value) && std::abs(value) < 1e15;
      if (whole) codes.insert(static_cast<long long>(value));
      if (codes.size() > kMaxCodes) whole = false;
    }
    // Every value has the same chance to be in the sample, whatever the file's length.
    if (scan.sample.size() < kSampleSize) {
      scan.sample.push_back(value);
    } else {
      const std::uint64_t slot = draw() % numbers;
      if (slot < kSampleSize) scan.sample[slot] = value;
    }
  }
  if (scan.nodes_read == nodes && !stream.at_end()) {
    // More values than the nodes hold: the file is laid out for another grid, and a map of its
    // first values would look plausible while showing nothing true.
    const std::uint64_t expected = nodes * static_cast<std::uint64_t>(request.values_per_node);
    std::uint64_t values = expected;
    textio::ReadStatus status;
    while ((status = stream.skip_field()) != textio::ReadStatus::EndOfFile) {
      if (status == textio::ReadStatus::IoError) break;
      ++values;
      if (!ticker.tick(stream.bytes_consumed(), nodes)) {
        scan.outcome = job::Outcome::cancelled(job::kImportCancelled);
        return scan;
      }
    }
    const std::string before = scan.outcome.completed() ? std::string() : " " + scan.outcome.message;
    scan.values_beyond = std::max<std::uint64_t>(values - expected, 1);
    if (status == textio::ReadStatus::IoError) {
      scan.outcome =
          job::Outcome::failed("Cannot read " + path + " after node " + count_text(nodes) + "." + before);
    } else {
      std::string grid = count_text(nodes) + (nodes == 1 ? " node" : " nodes");
      if (request.values_per_node > 1) {
        grid += " of " + std::to_string(request.values_per_node) + " values each";
      }
      scan.outcome = job::Outcome::failed("The file holds " + count_text(values) + " values, not the " +
                                          count_text(expected) + " of " + grid + "." + before);
    }
  }
  scan.stats.count = numbers;
  scan.stats.mean = static_cast<double>(mean);
  scan.stats.std =
      numbers > 0 ? static_cast<double>(std::sqrt(squares / static_cast<long double>(numbers))) : 0;
  std::vector<double> sorted = scan.sample;
  std::sort(sorted.begin(), sorted.end());
  scan.stats.q1 = quantile(sorted, 0.25);
  scan.stats.median = quantile(sorted, 0.5);
  scan.stats.q3 = quantile(sorted, 0.75);
  if (whole && numbers > 0) scan.codes.assign(codes.begin(), codes.end());
  return scan;
}

Slice read_slice(const GridRequest& request, const GridScan& scan, long long z, long long max_cells) {
  Slice slice;
  const long long longest = std::max(request.nx, request.ny);
  slice.step = (longest + max_cells - 1) / std::max(max_cells, 1LL);
  slice.width = (request.nx + slice.step - 1) / slice.step;
  slice.height = (request.ny + slice.step - 1) / slice.step;
  const double none = std::numeric_limits<double>::quiet_NaN();
  slice.cells.assign(static_cast<std::size_t>(slice.width * slice.height), none);
  if (z < 0 || static_cast<std::size_t>(z) >= scan.slice_offsets.size()) return slice;
  textio::FieldStream stream;
  if (!stream.open(std::string(textio::trim_blanks(request.path)))) return slice;
  const std::uint64_t per_slice =
      static_cast<std::uint64_t>(request.nx) * static_cast<std::uint64_t>(request.ny);
  textio::ReadStatus status;
  double value = 0;
  if (!stream.seek(scan.slice_offsets[static_cast<std::size_t>(z)])) {
    // A pipe cannot seek: read up to the slice instead.
    if (!stream.skip_lines(request.skip)) return slice;
    for (std::uint64_t node = 0; node < per_slice * static_cast<std::uint64_t>(z); ++node) {
      if (!read_node(stream, request, value, status)) return slice;
    }
  }
  const bool codes = !scan.codes.empty();
  // Sums in long double: values near the largest double must not overflow a cell's mean.
  std::vector<long double> sums(static_cast<std::size_t>(slice.width));
  std::vector<std::uint32_t> counts(sums.size());
  const auto flush = [&](long long row) {
    for (std::size_t column = 0; column < sums.size(); ++column) {
      if (counts[column] > 0) {
        slice.cells[static_cast<std::size_t>(row * slice.width) + column] =
            static_cast<double>(sums[column] / counts[column]);
      }
      sums[column] = 0;
      counts[column] = 0;
    }
  };
  for (long long y = 0; y < request.ny; ++y) {
    const long long row = y / slice.step;
    const bool sampled_row = y % slice.step == 0;
    for (long long x = 0; x < request.nx; ++x) {
      if (!read_node(stream, request, value, status)) {
        if (!codes) flush(row);
        return slice;  // the nodes the file does not hold stay NaN
      }
      if (std::isnan(value)) continue;
      const std::size_t column = static_cast<std::size_t>(x / slice.step);
      if (!codes) {
        sums[column] += value;
        counts[column] += 1;
      } else if (sampled_row && x % slice.step == 0) {
        slice.cells[static_cast<std::size_t>(row * slice.width) + column] = value;
      }
    }
    if (!codes && ((y + 1) % slice.step == 0 || y == request.ny - 1)) flush(row);
  }
  return slice;
}

std::vector<std::uint64_t> histogram(const std::vector<double>& values, int bins, double low, double high) {
  std::vector<std::uint64_t> counts(static_cast<std::size_t>(std::max(bins, 1)), 0);
  const double width = (high - low) / static_cast<double>(counts.size());
  for (const double value : values) {
    if (!(value >= low && value <= high)) continue;
    std::size_t bin = width > 0 ? static_cast<std::size_t>((value - low) / width) : 0;
    counts[std::min(bin, counts.size() - 1)] += 1;
  }
  return counts;
}

GridStats statistics_of(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
               values.end());
  GridStats stats;
  stats.count = values.size();
  if (values.empty()) return stats;
  std::sort(values.begin(), values.end());
  stats.min = values.front();
  stats.max = values.back();
  long double sum = 0;
  for (const double v : values) sum += v;
  const long double mean = sum / static_cast<long double>(values.size());
  long double squares = 0;
  for (const double v : values) squares += (v - mean) * (v - mean);
  stats.mean = static_cast<double>(mean);
  stats.std = static_cast<double>(std::sqrt(squares / static_cast<long double>(values.size())));
  stats.q1 = quantile(values, 0.25);
  stats.median = quantile(values, 0.5);
  stats.q3 = quantile(values, 0.75);
  return stats;
}

}  // namespace meldrit::gridmap
