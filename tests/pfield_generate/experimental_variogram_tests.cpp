#include "pfield_generate/experimental_variogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "pfield_generate/pfield_run.h"
#include "support/run_program.h"

namespace meldrit::pfield_generate {
namespace {

// A 3 x 2 x 2 grid, X fastest: layer z = 0 is rows "0 1 3" and "2 2 5", layer z = 1 "1 4 4" and "0 3 9".
const std::vector<double> kTiny = {0, 1, 3, 2, 2, 5, 1, 4, 4, 0, 3, 9};

std::string one_per_line(const std::vector<double>& values, const std::string& before = {}) {
  std::string text;
  for (const double v : values) text += before + std::to_string(static_cast<int>(v)) + "\r\n";
  return text;
}

struct Expected {
  std::string name;
  std::vector<double> lags, gammas;
  std::vector<std::uint64_t> pairs;
};

void expect_curves(const VariogramResult& result, const std::vector<Expected>& expected) {
  ASSERT_TRUE(result.outcome.completed()) << result.outcome.message;
  ASSERT_EQ(result.curves.size(), expected.size());
  for (std::size_t c = 0; c < expected.size(); ++c) {
    const VariogramCurve& got = result.curves[c];
    EXPECT_EQ(got.name, expected[c].name);
    EXPECT_EQ(got.pairs, expected[c].pairs) << got.name;
    ASSERT_EQ(got.lags.size(), expected[c].lags.size()) << got.name;
    for (std::size_t k = 0; k < got.lags.size(); ++k) {
      EXPECT_NEAR(got.lags[k], expected[c].lags[k], 1e-12) << got.name << " lag " << k + 1;
      EXPECT_NEAR(got.gammas[k], expected[c].gammas[k], 1e-12) << got.name << " lag " << k + 1;
    }
  }
}

TEST(GridVariogram, GivesTheHandComputedGammasOfATinyGrid) {
  test::TempDir dir;
  const double root2 = std::sqrt(2.0);
  struct Case {
    std::string label, file;
    int skip, values_per_node, value_index;
    double dx, dy, dz;
    std::optional<double> azimuth, dip;
    std::vector<Expected> expected;
  };
  const std::vector<Expected> axes = {{"X", {1, 2}, {68.0 / 16, 108.0 / 8}, {8, 4}},
                                      {"Y", {1}, {36.0 / 12}, {6}},
                                      {"Z", {1}, {32.0 / 12}, {6}}};
  std::vector<Expected> with_direction = axes;
  // Azimuth 90 dip 45: one node along +X and one layer along +Z.
  with_direction.push_back({"azimuth 90 dip 45", {root2}, {75.0 / 8}, {4}});
  const std::vector<Case> cases = {
      {"one value a node", one_per_line(kTiny), 0, 1, 1, 1, 1, 1, {}, {}, axes},
      {"second of two values, a header line",
       "header\r\n" + one_per_line(kTiny, "7 "),
       1,
       2,
       2,
       1,
       1,
       1,
       {},
       {},
       axes},
      {"spacing",
       one_per_line(kTiny),
       0,
       1,
       1,
       2,
       3,
       0.5,
       {},
       {},
       {{"X", {2, 4}, axes[0].gammas, {8, 4}},
        {"Y", {3}, axes[1].gammas, {6}},
        {"Z", {0.5}, axes[2].gammas, {6}}}},
      {"direction", one_per_line(kTiny), 0, 1, 1, 1, 1, 1, 90.0, 45.0, with_direction},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    GridVariogramRequest request;
    request.grid = {dir.write("tiny.txt", c.file),
                    static_cast<double>(c.skip),
                    3,
                    2,
                    2,
                    c.values_per_node,
                    c.value_index};
    request.dx = c.dx;
    request.dy = c.dy;
    request.dz = c.dz;
    request.lags = 2;
    request.azimuth = c.azimuth;
    request.dip = c.dip;
    expect_curves(grid_variogram(request), c.expected);
  }
}

TEST(GridVariogram, FailsOnAFileThatDoesNotFitTheGrid) {
  test::TempDir dir;
  std::vector<double> short_file(kTiny.begin(), kTiny.end() - 1), long_file = kTiny;
  long_file.push_back(1);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {one_per_line(short_file), "The file holds 11 values; the grid of 3 x 2 x 2 nodes needs 12."},
      {one_per_line(long_file), "The file holds 13 values; the grid of 3 x 2 x 2 nodes needs 12."},
      {"0\r\n1\r\n3\r\n2\r\nx\r\n5\r\n1\r\n4\r\n4\r\n0\r\n3\r\n9\r\n", "Node 5 is not a number."},
  };
  for (const auto& [file, message] : cases) {
    GridVariogramRequest request;
    request.grid = {dir.write("bad.txt", file), 0, 3, 2, 2, 1, 1};
    const VariogramResult result = grid_variogram(request);
    EXPECT_EQ(result.outcome, job::Outcome::failed(message));
  }
}

// The generator's fields, written as files and read back, show the model they were made with along
// the axes and along the direction of its major axis: both agree on the conventions.
TEST(GridVariogram, OfGeneratedFieldsFollowsTheirModel) {
  test::TempDir dir;
  constexpr int kRealizations = 10;
  PfieldRunRequest run;
  run.field.grid = {48, 48, 24, 1, 1, 1};
  const ModelParse parsed = parse_variogram_model("1 sph(16,8,6; 45,0,0)");
  ASSERT_TRUE(parsed.ok());
  run.field.model = parsed.model;
  run.field.seed = 20240611;
  run.first = 1;
  run.last = kRealizations;
  run.gaussian = true;
  for (int r = 1; r <= kRealizations; ++r) run.outputs.push_back(dir.file(std::to_string(r) + ".txt"));
  ASSERT_TRUE(write_pfields(run).completed());

  std::vector<VariogramCurve> mean;
  for (const std::string& output : run.outputs) {
    GridVariogramRequest request;
    request.grid = {output, 0, 48, 48, 24, 1, 1};
    request.azimuth = 45;
    request.dip = 0;
    const VariogramResult result = grid_variogram(request);
    ASSERT_TRUE(result.outcome.completed()) << result.outcome.message;
    if (mean.empty()) {
      mean = result.curves;
      for (VariogramCurve& c : mean) c.gammas.assign(c.gammas.size(), 0.0);
    }
    for (std::size_t c = 0; c < mean.size(); ++c)
      for (std::size_t k = 0; k < mean[c].gammas.size(); ++k)
        mean[c].gammas[k] += result.curves[c].gammas[k] / kRealizations;
  }
  // The range along each curve: about 10 along X and Y, 6 along Z, 16 along the major axis.
  const std::vector<std::pair<std::string, double>> ranges = {
      {"X", 10}, {"Y", 10}, {"Z", 6}, {"azimuth 45 dip 0", 16}};
  ASSERT_EQ(mean.size(), ranges.size());
  for (std::size_t c = 0; c < mean.size(); ++c) {
    EXPECT_EQ(mean[c].name, ranges[c].first);
    for (std::size_t k = 0; k < mean[c].lags.size() && mean[c].lags[k] <= ranges[c].second; ++k)
      EXPECT_NEAR(mean[c].gammas[k],
                  model_gamma_along(parsed.model, mean[c].azimuth, mean[c].dip, mean[c].lags[k]), 0.06)
          << mean[c].name << " at " << mean[c].lags[k];
  }
}

TEST(ColumnVariogram, PairsSamplesAsGamvDoes) {
  test::TempDir dir;
  // Samples A(0,0)=1, B(1,0)=3, C(0,1)=2, D(2,0)=6, with a column between the coordinates and the value.
  const std::string path =
      dir.write("samples.dat", test::crlf("x y other value|0 0 9 1|1 0 9 3|0 1 9 2|2 0 9 6"));
  const double root5 = std::sqrt(5.0);
  struct Case {
    double azimuth_tolerance, bandwidth_h;
    Expected expected;
  };
  const std::vector<Case> cases = {
      // AB, AC, BC, BD at lag 1; AD, CD at lag 2.
      {90,
       1e21,
       {"omnidirectional", {(3 + std::sqrt(2.0)) / 4, (2 + root5) / 2}, {15.0 / 8, 41.0 / 4}, {4, 2}}},
      // East within 22.5 degrees: AB, BD; AD.
      {22.5, 1e21, {"azimuth 90 dip 0", {1, 2}, {13.0 / 4, 25.0 / 2}, {2, 1}}},
      // Within 60 degrees BC (45 off) and CD (27 off) come in...
      {60,
       1e21,
       {"azimuth 90 dip 0", {(2 + std::sqrt(2.0)) / 3, (2 + root5) / 2}, {14.0 / 6, 41.0 / 4}, {3, 2}}},
      // ...unless they lie more than the bandwidth off the line.
      {60, 0.5, {"azimuth 90 dip 0", {1, 2}, {13.0 / 4, 25.0 / 2}, {2, 1}}},
  };
  for (const Case& c : cases) {
    ColumnVariogramRequest request;
    request.path = path;
    request.skip = 1;
    request.x_column = 1;
    request.y_column = 2;
    request.z_column = 0;
    request.value_column = 4;
    request.lag_width = 1;
    request.lags = 2;
    request.azimuth = c.azimuth_tolerance < 90 ? 90 : 0;
    request.azimuth_tolerance = c.azimuth_tolerance;
    request.bandwidth_h = c.bandwidth_h;
    SCOPED_TRACE(c.azimuth_tolerance);
    expect_curves(column_variogram(request), {c.expected});
  }
}

TEST(VariogramCommand, PrintsTheTableWritesThePlotAndRefusesABadModel) {
  test::TempDir dir;
  dir.write("tiny.txt", one_per_line(kTiny));
  const std::string cli = test::built("meldrit-cli") + " variogram --input tiny.txt --nodes 3,2,2 --lags 2 ";
  const test::ProgramRun run = test::run_in(dir.path().string(), cli + "--model '1 sph(2,2,2)' --png v.png");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "name lag gamma pairs\nX 1 4.25 8\nX 2 13.5 4\nY 1 3 6\nZ 1 2.66667 6\n");
  EXPECT_GT(std::filesystem::file_size(dir.file("v.png")), 1000u);
  const test::ProgramRun bad = test::run_in(dir.path().string(), cli + "--model '1 sph(2,2)'");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("sph needs three ranges"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace meldrit::pfield_generate
