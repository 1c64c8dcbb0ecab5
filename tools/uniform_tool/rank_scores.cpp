#include "uniform_tool/rank_scores.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <system_error>
#include <thread>
#include <vector>

#include "uniform_tool/uniform_scores.h"

namespace meldrit::uniform_tool {
namespace {

// A scored value is stored as a quiet NaN carrying the float's bits. Its key lies above that of
// +inf, so no range of input keys ever takes it in again.
constexpr std::uint64_t kMarkBits = 0x7FF8000000000000ULL;

double marked(float score) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &score, sizeof bits);
  const std::uint64_t mark = kMarkBits | bits;
  double value = 0;
  std::memcpy(&value, &mark, sizeof value);
  return value;
}

float unmarked(double value) {
  std::uint64_t mark = 0;
  std::memcpy(&mark, &value, sizeof mark);
  const auto bits = static_cast<std::uint32_t>(mark);
  float score = 0;
  std::memcpy(&score, &bits, sizeof score);
  return score;
}

struct Entry {
  std::uint64_t key;
  std::uint64_t index;
};

// Values whose keys lie in [lo, hi]: `rank` values lie below them. A group of one key (single)
// is too large to gather but needs no sorting: all its values share one score.
struct Group {
  std::uint64_t lo = 0;
  std::uint64_t hi = 0;
  std::uint64_t count = 0;
  std::uint64_t rank = 0;
  std::size_t offset = 0;  // of its entries in the batch buffer
  bool single = false;
};

constexpr int kDigitBits = 16;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;

// Runs work(0) .. work(threads - 1), all but the first on their own threads; joining them is the
// barrier between the gathering and the sorting of a batch. Without a thread the parts run here.
template <typename Work>
void run_parts(int threads, const Work& work) {
  std::vector<std::thread> helpers;
  int started = 1;
  for (; started < threads; ++started) {
    try {
      helpers.emplace_back(work, started);
    } catch (const std::system_error&) {
      break;
    }
  }
  work(0);
  for (int part = started; part < threads; ++part) work(part);
  for (std::thread& helper : helpers) helper.join();
}

class Ranker {
 public:
  Ranker(double* values, std::size_t count, const RankLimits& limits)
      : values_(values),
        count_(count),
        group_limit_(std::max<std::size_t>(limits.group, 1)),
        batch_limit_(std::max(limits.batch, group_limit_)),
        threads_(count >= (std::size_t{1} << 16) ? std::max(limits.threads, 1) : 1),
        twice_n_(2.0 * static_cast<double>(count)) {}

  void run() {
    plan();
    buffer_.resize(std::min<std::size_t>(batch_limit_, count_));
    scratch_.resize(static_cast<std::size_t>(threads_));
    for (std::vector<Entry>& scratch : scratch_) scratch.resize(std::min(group_limit_, count_));
    std::size_t first = 0;
    while (first < groups_.size()) {
      std::size_t end = first;
      std::size_t filled = 0;
      while (end < groups_.size()) {
        Group& group = groups_[end];
        if (!group.single) {
          if (filled + group.count > batch_limit_) break;
          group.offset = filled;
          filled += group.count;
        }
        ++end;
      }
      run_batch(first, end);
      first = end;
    }
    for (std::size_t i = 0; i < count_; ++i) values_[i] = unmarked(values_[i]);
  }

 private:
  float score_of(std::uint64_t rank_lo, std::uint64_t rank_hi) const {
    // Ranks lo+1 .. hi of a run of equal values average to (lo + hi + 1) / 2, so their shared
    // score is ((lo + hi + 1) / 2 - 0.5) / N.
    return score_as_float(static_cast<double>(rank_lo + rank_hi) / twice_n_);
  }

  // Cuts the keys into groups of at most group_limit_ values by the histogram of their top 16-bit
  // digit; a bucket that holds more is cut by its next digit, all such buckets of one level in
  // one pass over the array. Groups come out in key order with the rank of their first value.
  void plan() {
    std::vector<std::uint64_t> prefixes{0};  // of the buckets to cut at this level
    for (int level = 0; level < 64 / kDigitBits && !prefixes.empty(); ++level) {
      const int shift = 64 - kDigitBits * (level + 1);
      std::vector<std::uint64_t> counts(prefixes.size() * kBuckets);
      // The prefixes of the second level are top digits: a table finds their slot in one step.
      constexpr std::uint32_t kNone = UINT32_MAX;
      std::vector<std::uint32_t> slot_of_top;
      if (level == 1) {
        slot_of_top.assign(kBuckets, kNone);
        for (std::size_t slot = 0; slot < prefixes.size(); ++slot)
          slot_of_top[static_cast<std::size_t>(prefixes[slot])] = static_cast<std::uint32_t>(slot);
      }
      for (std::size_t i = 0; i < count_; ++i) {
        const std::uint64_t key = order_key(values_[i]);
        std::size_t slot = 0;
        if (level == 1) {
          const std::uint32_t found = slot_of_top[static_cast<std::size_t>(key >> (shift + kDigitBits))];
          if (found == kNone) continue;
          slot = found;
        } else if (level > 1) {
          const std::uint64_t prefix = key >> (shift + kDigitBits);
          const auto found = std::lower_bound(prefixes.begin(), prefixes.end(), prefix);
          if (found == prefixes.end() || *found != prefix) continue;
          slot = static_cast<std::size_t>(found - prefixes.begin());
        }
        ++counts[slot * kBuckets + ((key >> shift) & (kBuckets - 1))];
      }
      const std::uint64_t span = (std::uint64_t{1} << shift) - 1;
      std::vector<std::uint64_t> refine;
      for (std::size_t slot = 0; slot < prefixes.size(); ++slot) {
        const std::uint64_t base = level == 0 ? 0 : prefixes[slot] << (shift + kDigitBits);
        Group pending;
        const auto flush = [&] {
          if (pending.count > 0) groups_.push_back(pending);
          pending = Group{};
        };
        for (std::size_t digit = 0; digit < kBuckets; ++digit) {
          const std::uint64_t count = counts[slot * kBuckets + digit];
          if (count == 0) continue;
          const std::uint64_t lo = base | (static_cast<std::uint64_t>(digit) << shift);
          if (count > group_limit_) {
            flush();
            if (shift == 0) {
              groups_.push_back(Group{lo, lo, count, 0, 0, true});
            } else {
              refine.push_back(lo >> shift);
            }
            continue;
          }
          if (pending.count + count > group_limit_) flush();
          if (pending.count == 0) pending.lo = lo;
          pending.hi = lo | span;
          pending.count += count;
        }
        flush();
      }
      prefixes = std::move(refine);
    }
    std::sort(groups_.begin(), groups_.end(), [](const Group& a, const Group& b) { return a.lo < b.lo; });
    std::uint64_t rank = 0;
    for (Group& group : groups_) {
      group.rank = rank;
      rank += group.count;
    }
  }

  void run_batch(std::size_t first, std::size_t end) {
    const std::uint64_t lo = groups_[first].lo;
    const std::uint64_t hi = groups_[end - 1].hi;
    std::vector<float> single_scores(end - first);
    for (std::size_t g = first; g < end; ++g) {
      const Group& group = groups_[g];
      if (group.single) single_scores[g - first] = score_of(group.rank, group.rank + group.count);
    }
    // Each part gathers from its share of the array: the first fills each group from its front,
    // the second from its back, so neither needs the other's counts.
    // Most groups hold whole buckets of the top digit: a table finds a key's group in one step;
    // a bucket cut finer, or shared, is searched among the groups.
    constexpr std::uint32_t kSearch = UINT32_MAX;
    constexpr int kTopShift = 64 - kDigitBits;
    constexpr std::uint64_t kBelowTop = (std::uint64_t{1} << kTopShift) - 1;
    std::vector<std::uint32_t> group_of_digit(kBuckets, kSearch);
    for (std::size_t g = first; g < end; ++g) {
      const Group& group = groups_[g];
      if ((group.lo & kBelowTop) != 0 || (group.hi & kBelowTop) != kBelowTop) continue;
      for (std::uint64_t digit = group.lo >> kTopShift; digit <= group.hi >> kTopShift; ++digit)
        group_of_digit[digit] = static_cast<std::uint32_t>(g - first);
    }
    std::vector<std::vector<std::uint64_t>> filled_by_part(static_cast<std::size_t>(threads_),
                                                           std::vector<std::uint64_t>(end - first));
    run_parts(threads_, [&](int part) {
      std::vector<std::uint64_t>& filled = filled_by_part[static_cast<std::size_t>(part)];
      const std::size_t from = count_ / static_cast<std::size_t>(threads_) * static_cast<std::size_t>(part);
      const std::size_t to =
          part + 1 == threads_ ? count_ : count_ / static_cast<std::size_t>(threads_) * (part + 1);
      const auto groups_begin = groups_.begin() + static_cast<std::ptrdiff_t>(first);
      const auto groups_end = groups_.begin() + static_cast<std::ptrdiff_t>(end);
      for (std::size_t i = from; i < to; ++i) {
        const std::uint64_t key = order_key(values_[i]);
        if (key < lo || key > hi) continue;
        const std::uint32_t direct = group_of_digit[key >> kTopShift];
        const auto found =
            direct != kSearch
                ? groups_begin + direct
                : std::upper_bound(groups_begin, groups_end, key, [](std::uint64_t k, const Group& group) {
                    return k < group.lo;
                  }) - 1;
        const std::size_t g = static_cast<std::size_t>(found - groups_begin);
        if (found->single) {
          values_[i] = marked(single_scores[g]);
          continue;
        }
        const std::uint64_t at = filled[g]++;
        const std::size_t slot = part == 0 ? found->offset + at : found->offset + found->count - 1 - at;
        buffer_[slot] = Entry{key, i};
      }
    });
    std::atomic<std::size_t> next{first};
    run_parts(threads_, [&](int part) {
      for (std::size_t g = next++; g < end; g = next++) {
        const Group& group = groups_[g];
        if (group.single) continue;
        Entry* entries = buffer_.data() + group.offset;
        const auto count = static_cast<std::size_t>(group.count);
        const Entry* sorted = radix_sort(entries, scratch_[static_cast<std::size_t>(part)].data(), count);
        score_sorted(sorted, count, group.rank);
      }
    });
  }

  // Sorts by key, least significant 11-bit digit first, over the bits in which the keys differ.
  // Returns the buffer that holds the result.
  static const Entry* radix_sort(Entry* entries, Entry* scratch, std::size_t count) {
    if (count < 64) {
      std::sort(entries, entries + count, [](const Entry& a, const Entry& b) { return a.key < b.key; });
      return entries;
    }
    constexpr int kBits = 11;
    constexpr std::size_t kRadix = std::size_t{1} << kBits;
    std::uint64_t smallest = entries[0].key;
    std::uint64_t largest = entries[0].key;
    for (std::size_t i = 1; i < count; ++i) {
      smallest = std::min(smallest, entries[i].key);
      largest = std::max(largest, entries[i].key);
    }
    const int passes = (std::bit_width(largest - smallest) + kBits - 1) / kBits;
    std::array<std::array<std::size_t, kRadix>, (64 + kBits - 1) / kBits> counts{};
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t offset = entries[i].key - smallest;
      for (int p = 0; p < passes; ++p) ++counts[p][(offset >> (p * kBits)) & (kRadix - 1)];
    }
    Entry* from = entries;
    Entry* to = scratch;
    for (int p = 0; p < passes; ++p) {
      auto& c = counts[p];
      if (c[(from[0].key - smallest) >> (p * kBits) & (kRadix - 1)] == count) continue;  // one digit only
      std::size_t total = 0;
      for (std::size_t& slot : c) {
        const std::size_t here = slot;
        slot = total;
        total += here;
      }
      for (std::size_t i = 0; i < count; ++i) {
        const Entry e = from[i];
        to[c[(e.key - smallest) >> (p * kBits) & (kRadix - 1)]++] = e;
      }
      std::swap(from, to);
    }
    return from;
  }

  void score_sorted(const Entry* sorted, std::size_t count, std::uint64_t rank) {
    std::size_t lo = 0;
    while (lo < count) {
      std::size_t hi = lo + 1;
      while (hi < count && sorted[hi].key == sorted[lo].key) ++hi;
      const double score = marked(score_of(rank + lo, rank + hi));
      for (std::size_t i = lo; i < hi; ++i) values_[sorted[i].index] = score;
      lo = hi;
    }
  }

  double* values_;
  std::size_t count_;
  std::size_t group_limit_;
  std::size_t batch_limit_;
  int threads_;
  double twice_n_;
  std::vector<Group> groups_;
  std::vector<Entry> buffer_;
  std::vector<std::vector<Entry>> scratch_;
};

}  // namespace

void rank_scores_in_place(double* values, std::size_t count, const RankLimits& limits) {
  if (count == 0) return;
  Ranker(values, count, limits).run();
}

}  // namespace meldrit::uniform_tool
