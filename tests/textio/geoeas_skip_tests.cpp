#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"
#include "textio/geoeas_header.h"

namespace meldrit {
namespace {

using test::read_bytes;

// Every skip option takes "geoeas": the same run as with the header's length typed, and a file
// without a GeoEAS header is the job's read failure.
TEST(GeoEasSkip, EveryCommandReadsTheHeaderLength) {
  test::TempDir dir;
  const std::string examples = std::string(MELDRIT_SOURCE_FOLDER) + "/examples/";
  const auto geoeas = [&](const std::string& name, const std::string& source, int names) {
    std::string body = read_bytes(examples + source);
    body = body.substr(body.find('\n') + 1);  // after the example's one-line header
    std::string header = "from ";
    header.append(source).append("\r\n").append(std::to_string(names)).append("\r\n");
    for (int i = 1; i <= names; ++i) header.append("v").append(std::to_string(i)).append("\r\n");
    dir.write(name, header + body);
  };
  geoeas("ccdf.dat", "ccdf.out", 5);
  geoeas("phases.dat", "phases.out", 1);
  dir.write("uniform.dat", "u\r\n1\r\nuniform\r\n" + read_bytes(examples + "uniform1.out"));
  dir.write("bad.dat", "title\r\none\r\nv\r\n1\r\n");
  const std::string cli = std::string(MELDRIT_PROGRAM_FOLDER) + "/meldrit-cli --quiet ";
  const std::string local = cli + "local --limits 0,8,12,16,20,24,32 --nodes 60,40,3 --prob ccdf.dat ";
  const std::string multiphase = cli + "multiphase --nodes 60,40,3 --bihistogram " + examples +
                                 "bihistogram.dat --variables " + examples +
                                 "classes.out --variables-skip 1 ";
  // command with geoeas skips, the same with the lengths typed (empty: the run fails as said)
  const struct {
    std::string geoeas, typed;
    int status;
    std::string message;
  } cases[] = {
      {local + "--prob-skip geoeas --uniform uniform.dat --uniform-skip GeoEAS --output a.out",
       local + "--prob-skip 7 --uniform uniform.dat --uniform-skip 3 --output b.out", 0, ""},
      {multiphase + "--phases phases.dat --phases-skip geoeas --phase-uniform uniform.dat::geoeas " +
           examples + "uniform2.out --output a.out",
       multiphase + "--phases phases.dat --phases-skip 3 --phase-uniform uniform.dat::3 " + examples +
           "uniform2.out --output b.out",
       0, ""},
      {cli + "map --input ccdf.dat --skip geoeas --nodes 60,40,3 --threshold 2 --thresholds 5 --png a.out",
       cli + "map --input ccdf.dat --skip 7 --nodes 60,40,3 --threshold 2 --thresholds 5 --png b.out", 0, ""},
      {cli + "variogram --input uniform.dat --skip geoeas --nodes 60,40,3 --lags 3",
       cli + "variogram --input uniform.dat --skip 3 --nodes 60,40,3 --lags 3", 0, ""},
      {local + "--prob-skip geoeas --uniform bad.dat --uniform-skip geoeas --output a.out", "", 1,
       "bad.dat has no GeoEAS header: its second line is not a whole number of variables.\n"},
      {cli + "map --input ccdf.dat --skip lots --nodes 60,40,3 --png a.out", "", 2,
       "--skip: expects a number of lines or geoeas, got 'lots'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.geoeas);
    std::filesystem::remove(dir.file("a.out"));
    std::filesystem::remove(dir.file("b.out"));
    const test::ProgramRun run = test::run_in(dir.path().string(), c.geoeas);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.typed.empty()) {
      EXPECT_TRUE(run.err.starts_with(c.message)) << run.err;
      continue;
    }
    const test::ProgramRun typed = test::run_in(dir.path().string(), c.typed);
    EXPECT_EQ(run.out, typed.out);
    EXPECT_EQ(read_bytes(dir.file("a.out")), read_bytes(dir.file("b.out")));
  }
}

// --header geoeas puts the GeoEAS header before the values: read past it with the header reader,
// the output is the one written without it.
TEST(GeoEasHeader, OutputsReadBackPastTheHeaderEqualTheRunWithout) {
  test::TempDir dir;
  const std::string examples = std::string(MELDRIT_SOURCE_FOLDER) + "/examples/";
  const std::string cli = std::string(MELDRIT_PROGRAM_FOLDER) + "/meldrit-cli --quiet ";
  const struct {
    std::string command, header;
  } cases[] = {
      {cli + "local --limits 0,8,12,16,20,24,32 --nodes 60,40,3 --prob " + examples +
           "ccdf.out --prob-skip 1 " + "--uniform " + examples + "uniform1.out " + examples +
           "uniform2.out --output {}.out",
       "60 40 3\r\n1\r\nvalue\r\n"},
      {cli + "local --type classes --limits 0,8,12,16,20,24,32 --nodes 60,40,3 --prob " + examples +
           "ccdf.out --prob-skip 1 --uniform " + examples + "uniform1.out --output 1.out",
       "60 40 3\r\n1\r\nclass\r\n"},
      {cli + "multiphase --nodes 60,40,3 --bihistogram " + examples + "bihistogram.dat --phases " + examples +
           "phases.out --phases-skip 1 --variables " + examples + "classes.out --variables-skip 1 " +
           "--phase-uniform " + examples + "uniform1.out " + examples + "uniform2.out --output 1.out",
       "60 40 3\r\n1\r\nvalue\r\n"},
#ifdef MELDRIT_HAVE_GENERATOR
      {cli + "pfield --nodes 8,6,2 --variogram '1 sph(4,4,2; 0,0,0)' --seed 7 --realizations 1-2 --output "
             "{}.out",
       "8 6 2\r\n1\r\nuniform\r\n"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    for (const char* out : {"1.out", "2.out"}) std::filesystem::remove(dir.file(out));
    ASSERT_EQ(test::run_in(dir.path().string(), c.command).status, 0);
    const std::string plain = read_bytes(dir.file("1.out"));
    const std::string plain2 =
        std::filesystem::exists(dir.file("2.out")) ? read_bytes(dir.file("2.out")) : "";
    const test::ProgramRun run = test::run_in(dir.path().string(), c.command + " --header geoeas");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& [file, expected] : {std::pair{"1.out", plain}, std::pair{"2.out", plain2}}) {
      if (expected.empty()) continue;
      std::uint64_t lines = 0;
      std::string message;
      ASSERT_TRUE(textio::geoeas_header_lines(dir.file(file), lines, message)) << message;
      EXPECT_EQ(lines, 3u);
      EXPECT_EQ(read_bytes(dir.file(file)), c.header + expected);
    }
  }
  EXPECT_EQ(
      test::run_in(dir.path().string(), cli + "pfield --header gslib --nodes 2,2,2 --output a.out").status,
      2);
}

}  // namespace
}  // namespace meldrit
