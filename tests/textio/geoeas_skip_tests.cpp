#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"

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
      {cli + "map --input ccdf.dat --skip geoeas --nodes 60,40,3 --png a.out",
       cli + "map --input ccdf.dat --skip 7 --nodes 60,40,3 --png b.out", 0, ""},
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

}  // namespace
}  // namespace meldrit
