#include "uniform_tool/rank_scores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "uniform_tool/uniform_scores.h"

namespace meldrit::uniform_tool {
namespace {

// Scores by a comparison sort of the values themselves, ties found by ==.
std::vector<double> reference_scores(const std::vector<double>& values) {
  const std::size_t n = values.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> scores(n);
  std::size_t lo = 0;
  while (lo < n) {
    std::size_t hi = lo + 1;
    while (hi < n && values[order[hi]] == values[order[lo]]) ++hi;
    const float score = score_as_float(static_cast<double>(lo + hi) / (2.0 * static_cast<double>(n)));
    for (std::size_t i = lo; i < hi; ++i) scores[order[i]] = score;
    lo = hi;
  }
  return scores;
}

struct DataSet {
  const char* name;
  std::vector<double> values;
};

std::vector<DataSet> data_sets() {
  std::mt19937_64 random(41);
  const auto make = [&](std::size_t n, auto draw) {
    std::vector<double> values(n);
    for (double& v : values) v = draw();
    return values;
  };
  std::uniform_real_distribution<double> wide(-200, 1000);
  std::uniform_int_distribution<int> few(0, 9);
  std::uniform_int_distribution<int> decade(-300, 300);
  const double extremes[] = {0.0,
                             -0.0,
                             std::numeric_limits<double>::denorm_min(),
                             -std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1.0,
                             std::nextafter(1.0, 2.0)};
  return {
      {"empty", {}},
      {"one", {42.5}},
      {"zeros of both signs", {0.0, -0.0, -1.0, 0.0, 1.0, -0.0}},
      {"wide, a fifth rounded to hundredths", make(200000,
                                                   [&] {
                                                     const double v = wide(random);
                                                     return random() % 5 == 0 ? std::round(v * 100) / 100 : v;
                                                   })},
      {"ten distinct values", make(150000, [&] { return static_cast<double>(few(random)) - 4.5; })},
      {"all equal", std::vector<double>(100000, 3.25)},
      {"extremes and zeros", make(120000, [&] { return extremes[random() % std::size(extremes)]; })},
      {"every magnitude, both signs",
       make(100000,
            [&] { return (random() % 2 ? -1.0 : 1.0) * std::pow(10.0, decade(random)) * wide(random); })},
      {"neighbouring doubles",
       make(100000, [&] { return 1.0 + static_cast<double>(random() % 5000) * 0x1p-52; })},
  };
}

TEST(RankScores, MatchAComparisonSortWhateverTheBatchAndGroupSizes) {
  // Small batches and groups force several passes, buckets cut by lower digits and groups of one
  // key; the defaults sort these sets in one batch.
  const RankLimits limits[] = {{}, {4096, 1024, 2}, {1000, 1000, 1}, {50000, 3000, 2}};
  for (const DataSet& set : data_sets()) {
    const std::vector<double> expected = reference_scores(set.values);
    for (const RankLimits& limit : limits) {
      std::vector<double> scores = set.values;
      rank_scores_in_place(scores.data(), scores.size(), limit);
      ASSERT_EQ(scores, expected) << set.name << ", batch " << limit.batch << ", group " << limit.group
                                  << ", threads " << limit.threads;
    }
  }
}

TEST(RankScores, OrderKeyFollowsTheOrderOfDoubles) {
  const double ascending[] = {-std::numeric_limits<double>::infinity(),
                              -1e300,
                              -1.0,
                              -std::numeric_limits<double>::denorm_min(),
                              0.0,
                              std::numeric_limits<double>::denorm_min(),
                              1.0,
                              std::nextafter(1.0, 2.0),
                              1e300,
                              std::numeric_limits<double>::infinity()};
  for (std::size_t i = 1; i < std::size(ascending); ++i) {
    EXPECT_LT(order_key(ascending[i - 1]), order_key(ascending[i])) << ascending[i];
  }
  EXPECT_EQ(order_key(-0.0), order_key(0.0));
}

}  // namespace
}  // namespace meldrit::uniform_tool
