#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "pfield_generate/generated_uniforms.h"
#include "support/run_program.h"
#include "textio/number_format.h"

namespace meldrit::pfield_generate {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;

const std::string kGrid = " --nodes 12,10,4 --spacing 2,2,1 --variogram '0.2 nug + 0.8 sph(10,6,3; 30,0,0)' ";

TEST(PfieldCommand, ARealizationIsTheSameBytesWhateverElseIsAsked) {
  test::TempDir dir;
  const std::string cli = test::built("meldrit-cli") + " pfield --quiet" + kGrid + "--seed 7 ";
  const std::string work = dir.path().string();
  ASSERT_EQ(test::run_in(work, cli + "--realizations 1-5 --output 'all{:03}.out'").status, 0);
  ASSERT_EQ(test::run_in(work, cli + "--realizations 3-3 --output alone{}.out").status, 0);
  // A small budget cuts the grid into more slabs: only the last bits may move, never a line.
  ASSERT_EQ(test::run_in(work, cli + "--realizations 3 --output small.out --memory 1").status, 0);
  const std::string third = read_bytes(dir.file("all003.out"));
  EXPECT_EQ(read_bytes(dir.file("alone3.out")), third);
  EXPECT_EQ(std::count(third.begin(), third.end(), '\n'), 12 * 10 * 4);
  EXPECT_TRUE(third.find("\r\n") != std::string::npos && third.front() == ' ');
  EXPECT_NE(read_bytes(dir.file("all002.out")), third);
  const std::string small = read_bytes(dir.file("small.out"));
  EXPECT_EQ(std::count(small.begin(), small.end(), '\n'), 12 * 10 * 4);
  ASSERT_EQ(
      test::run_in(work, test::built("meldrit-cli") + " pfield" + kGrid + "--seed 8 --output s8.out").status,
      0);
  EXPECT_NE(read_bytes(dir.file("s8.out")), read_bytes(dir.file("all001.out")));
}

TEST(PfieldCommand, RunsThatGenerateTheirPfieldsWriteWhatTheyWriteFromItsFiles) {
  test::TempDir dir;
  const std::string cli = test::built("meldrit-cli") + " ";
  const std::string examples = MELDRIT_SOURCE_FOLDER "/examples/";
  const std::string grid = " --nodes 60,40,3 --spacing 10,10,2 --seed 11 --realizations 2-3 ";
  const std::string model = "'0.1 nug + 0.9 sph(200,120,6; 60,0,0)'";
  const std::string local =
      cli + "local --prob " + examples + "ccdf.out --prob-skip 1 --limits 0,8,12,16,20,24,32";
  const std::string multiphase =
      cli + "multiphase --phases " + examples + "phases.out --phases-skip 1 --variables " + examples +
      "classes.out --variables-skip 1 --bihistogram " + examples + "bihistogram.dat";
  // the p-field files, the run on them, the run that generates them, the outputs to compare
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"pfield --variogram " + model + grid + "--output u{}.out",
       local + grid + "--uniform u2.out u3.out --output two2.out two3.out",
       local + grid + "--pfield " + model + " --output fused{}.out"},
      {"pfield --variogram " + model + grid + "--phase 1 --output p1_{}.out && " + cli +
           "pfield --variogram " + model + grid + "--phase 2 --output p2_{}.out",
       multiphase + " --nodes 60,40,3 --phase-uniform p1_2.out p2_2.out --output two2.out && " + multiphase +
           " --nodes 60,40,3 --phase-uniform p1_3.out p2_3.out --output two3.out",
       multiphase + grid + "--pfield " + model + " --output fused{}.out"},
  };
  for (const auto& [files, two_step, fused] : cases) {
    const std::string work = dir.path().string();
    ASSERT_EQ(test::run_in(work, cli + files).status, 0) << files;
    ASSERT_EQ(test::run_in(work, two_step).status, 0) << two_step;
    ASSERT_EQ(test::run_in(work, fused).status, 0) << fused;
    for (const char* r : {"2", "3"}) {
      const std::string two = read_bytes(dir.file(std::string("two") + r + ".out"));
      EXPECT_EQ(std::count(two.begin(), two.end(), '\n'), 60 * 40 * 3) << fused;
      EXPECT_TRUE(two == read_bytes(dir.file(std::string("fused") + r + ".out"))) << fused;
    }
  }
}

TEST(GeneratedUniforms, ReadBackIsWhatAReaderOfThePrintedFormGets) {
  std::mt19937 draw(5);
  std::vector<float> values = {0.5f, 1e-38f, 1.17549435e-38f, 5.9604645e-08f, 1e-7f,    0.99999994f,
                               0.1f, 1e-22f, 1e-23f,          123456.7f,      -2.5e-30f};
  // Every binade below 1, and the values a uniform field mostly holds.
  std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
  for (int i = 0; i < 200000; ++i) {
    values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(draw() % 0x3f800000u)));
    values.push_back(uniform(draw));
  }
  for (const float value : values) {
    std::string text;
    textio::append_print_number(text, value);
    const std::size_t begin = text.find_first_not_of(' '), end = text.find_last_not_of(' ') + 1;
    double read = 0;
    std::from_chars(text.data() + begin, text.data() + end, read);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(as_read(value)), std::bit_cast<std::uint64_t>(read)) << text;
  }
}

TEST(GeneratedUniforms, NormalQuantileInvertsTheDistributionFunction) {
  for (const double p : {1e-300, 1e-12, 0.001, 0.02425, 0.3, 0.5, 0.9, 0.97575, 0.999, 1 - 1e-12}) {
    const double x = normal_quantile(p);
    EXPECT_NEAR(0.5 * std::erfc(-x / std::sqrt(2.0)) / p, 1.0, 1e-12) << p;
  }
  EXPECT_NEAR(normal_quantile(0.975), 1.959963984540054, 1e-13);
}

TEST(PfieldCommand, BadRequestsAreRefusedWithTheirMessagesAndWriteNothing) {
  test::TempDir dir;
  const std::string cli = test::built("meldrit-cli") + " pfield --seed 1 ";
  // arguments, exit status, the start of standard error
  const std::tuple<std::string, int, std::string> cases[] = {
      {"--nodes 4,4,4 --variogram '1 cub(3,3,3)' --output o.out", 2,
       "--variogram: Unknown structure type 'cub'"},
      {"--nodes 4,4,4 --variogram '1 sph(0,3,3)' --output o.out", 2, "--variogram: Ranges must be positive."},
      {"--nodes 4,4,4 --variogram '0.5 sph(3,3,3)' --output o.out", 2,
       "--variogram: The contributions sum to 0.5"},
      {"--nodes 4,4,4 --variogram '1 sph(3,3,3)' --realizations 1-2 --output o.out", 2, "--output: needs {}"},
      {"--nodes 4,4,4 --variogram '1 sph(3,3,3)' --realizations 2-1 --output o{}.out", 2, "--realizations:"},
      {"--nodes 4,4,1e3 --variogram '1 sph(3,3,3)' --output o.out", 2, "--nodes:"},
      {"--nodes 4,4,4 --spacing 1,0,1 --variogram '1 sph(3,3,3)' --output o.out", 2, "--spacing:"},
      {"--nodes 4,4,1001 --variogram '1 sph(3,3,3)' --output o.out", 1,
       "Node counts must lie between 1 and 1000."},
      {"--nodes 1000,1000,10 --variogram '1 sph(50,50,5)' --memory 10 --output o.out", 1,
       "The grid needs at least"},
  };
  for (const auto& [arguments, status, message] : cases) {
    const test::ProgramRun run = test::run_in(dir.path().string(), cli + arguments);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_EQ(run.err.substr(0, message.size()), message) << arguments << "\n" << run.err;
    EXPECT_FALSE(fs::exists(dir.file("o.out")) || fs::exists(dir.file("o1.out"))) << arguments;
  }
}

}  // namespace
}  // namespace meldrit::pfield_generate
