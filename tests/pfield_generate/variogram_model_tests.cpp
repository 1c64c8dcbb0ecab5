#include "pfield_generate/variogram_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace meldrit::pfield_generate {
namespace {

struct GoodText {
  const char* text;
  double nugget;
  std::vector<Structure> structures;
};

TEST(VariogramModelParse, ReadsEveryForm) {
  using enum StructureType;
  const std::vector<GoodText> cases = {
      {"0.1 nug + 0.9 sph(50,30,5; 45,0,0)", 0.1, {{spherical, 0.9, 50, 30, 5, 45, 0, 0}}},
      {"1 exp(12,12,4)", 0, {{exponential, 1, 12, 12, 4, 0, 0, 0}}},
      {"  .5GAU( 10 , 5,2 ;-30, 10 ,5 )+0.25 nug+2.5e-1 sph(1e1,2,3)  ",
       0.25,
       {{gaussian, 0.5, 10, 5, 2, -30, 10, 5}, {spherical, 0.25, 10, 2, 3, 0, 0, 0}}},
      {"1 nug", 1, {}},
      {"0.3 nug + 0.2 nug + 0.5 exp(1,1,1)", 0.5, {{exponential, 0.5, 1, 1, 1, 0, 0, 0}}},
      {"0.9999995 sph(1,1,1)", 0, {{spherical, 0.9999995, 1, 1, 1, 0, 0, 0}}},
  };
  for (const GoodText& c : cases) {
    SCOPED_TRACE(c.text);
    const ModelParse parsed = parse_variogram_model(c.text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.model.nugget, c.nugget);
    ASSERT_EQ(parsed.model.structures.size(), c.structures.size());
    for (std::size_t i = 0; i < c.structures.size(); ++i) {
      const Structure &got = parsed.model.structures[i], &want = c.structures[i];
      EXPECT_EQ(got.type, want.type);
      EXPECT_EQ(got.contribution, want.contribution);
      EXPECT_EQ((std::vector{got.range_major, got.range_minor, got.range_vertical, got.azimuth, got.dip,
                             got.plunge}),
                (std::vector{want.range_major, want.range_minor, want.range_vertical, want.azimuth, want.dip,
                             want.plunge}));
    }
    // The described form reads back to the same model.
    const ModelParse again = parse_variogram_model(describe(parsed.model));
    ASSERT_TRUE(again.ok()) << describe(parsed.model);
    EXPECT_EQ(describe(again.model), describe(parsed.model));
  }
}

TEST(VariogramModelParse, RefusesWithAReason) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"", "The variogram model is empty."},
      {"   ", "The variogram model is empty."},
      {"1 cub(1,1,1)", "Unknown structure type 'cub'; use nug, sph, exp or gau."},
      {"1 (1,1,1)", "Expected nug, sph, exp or gau at '('."},
      {"1 sph(10,10)", "sph needs three ranges (major, minor, vertical); 2 given."},
      {"1 sph(10,10,10,10)", "sph needs three ranges (major, minor, vertical); 4 given."},
      {"1 exp(10,10,10; 45)", "exp needs three angles (azimuth, dip, plunge) after ';'; 1 given."},
      {"1 sph(10,,10)", "Expected a number at ','."},
      {"1 sph(10,x,10)", "Expected a number at 'x'."},
      {"1 sph 10,10,10", "Expected '(' after sph."},
      {"1 sph(10,10,10", "Expected ')' at the end."},
      {"1 sph(10,0,10)", "Ranges must be positive."},
      {"1 gau(10,10,-1)", "Ranges must be positive."},
      {"-0.1 nug + 1.1 sph(1,1,1)", "Contributions must not be negative."},
      {"0.1 nug + 0.8 sph(1,1,1)", "The contributions sum to 0.9; they must sum to 1."},
      {"0.5 sph(1,1,1) + 0.6 exp(1,1,1)", "The contributions sum to 1.1; they must sum to 1."},
      {"one nug", "Expected a contribution at 'one'."},
      {"2x nug", "Unknown structure type 'x'; use nug, sph, exp or gau."},
      {"1 nug +", "Expected a contribution at the end."},
      {"1 nug 0.5", "Expected '+' or the end at '0.5'."},
      {"1 sph(inf,1,1)", "Expected a number at 'inf'."},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(parse_variogram_model(text).error, message) << text;
}

TEST(VariogramModel, CorrelationFollowsGslibConventions) {
  const auto model = [](const char* text) {
    const ModelParse parsed = parse_variogram_model(text);
    EXPECT_TRUE(parsed.ok()) << parsed.error;
    return parsed.model;
  };
  const VariogramModel sph = model("0.2 nug + 0.8 sph(10,10,10)");
  EXPECT_DOUBLE_EQ(correlation(sph, 0, 0, 0), 1.0);
  EXPECT_NEAR(correlation(sph, 1e-9, 0, 0), 0.8, 1e-9);  // the nugget only at exactly 0
  EXPECT_DOUBLE_EQ(correlation(sph, 0, 5, 0), 0.8 * 0.3125);
  EXPECT_DOUBLE_EQ(correlation(sph, 0, 0, 10), 0.0);
  EXPECT_DOUBLE_EQ(variogram(sph, 0, 0, 12), 1.0);
  EXPECT_NEAR(correlation(model("1 exp(6,6,6)"), 6, 0, 0), std::exp(-3.0), 1e-15);
  EXPECT_NEAR(correlation(model("1 gau(6,6,6)"), 0, 3, 0), std::exp(-0.75), 1e-15);

  struct Direction {
    const char* model;
    double hx, hy, hz;
    double h;  // the separation in units of its range
  };
  const std::vector<Direction> directions = {
      {"1 exp(20,5,2)", 0, 20, 0, 1},                             // azimuth 0: major along north
      {"1 exp(20,5,2)", 5, 0, 0, 1},                              // minor along east
      {"1 exp(20,5,2; 90,0,0)", 20, 0, 0, 1},                     // azimuth 90: major along east
      {"1 exp(20,5,2; 45,0,0)", 10, 10, 0, std::sqrt(0.5)},       // along the major axis
      {"1 exp(20,5,2; 45,0,0)", 10, -10, 0, 2 * std::sqrt(2.0)},  // along the minor axis
      {"1 exp(20,5,2; 0,30,0)", 0, 10 * std::sqrt(3.0), 10, 1},   // setrot's dip: the axis falls southwards
      {"1 exp(20,5,2; 0,0,90)", 0, 0, 5, 1},                      // plunge 90 swaps minor and vertical
      {"1 exp(20,5,2; 0,0,90)", 2, 0, 0, 1},
  };
  for (const Direction& d : directions)
    EXPECT_NEAR(correlation(model(d.model), d.hx, d.hy, d.hz), std::exp(-3 * d.h), 1e-12)
        << d.model << " at " << d.hx << "," << d.hy << "," << d.hz;
}

}  // namespace
}  // namespace meldrit::pfield_generate
