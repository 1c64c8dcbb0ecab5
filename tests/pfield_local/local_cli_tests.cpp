#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pfield_local/local_run.h"
#include "support/run_program.h"

namespace meldrit::pfield_local {
namespace {

using test::crlf;
using test::read_bytes;

struct LocalCli : testing::Test {
  test::TempDir dir;
  std::string prob = dir.write("prob.out", crlf("ccdf|0.3 0.7|0.3 0.7|0.5 1.2|0.1 0.2"));
  std::string uniform = dir.write("unif.out", crlf("0.5|0.9|0.1|1"));

  test::ProgramRun cli(const std::string& arguments) const {
    return test::run_in(dir.path().string(), test::built("meldrit-cli") + " local " + arguments);
  }
};

const std::string kWarning =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2\n";

TEST_F(LocalCli, WritesTheSameFileAsTheDesktopRun) {
  for (const char* type : {"continuous", "classes"}) {
    const std::string arguments = "--prob prob.out --prob-skip 1.9 --limits 0,10,20,30 --nodes 2,2,1";
    const test::ProgramRun run = cli(arguments + " --uniform unif.out --output cli.out --type " + type);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Calculation finished!\n");
    EXPECT_EQ(run.err, kWarning);
    const LocalRunInput input(prob, 1, uniform, 0, dir.file("core.out"), 4, 2, {0, 10, 20, 30, 0},
                              std::string(type) == "continuous", {});
    ASSERT_TRUE(run_local_ccdf(input).completed());
    EXPECT_EQ(read_bytes(dir.file("cli.out")), read_bytes(input.output_path));
  }
  EXPECT_EQ(read_bytes(dir.file("cli.out")), crlf(" 2 | 3 | 1 | 3 "));
}

TEST_F(LocalCli, StatusMessagesAndOutputFile) {
  const std::string prob = "--prob prob.out --prob-skip 1 ",
                    limits_nodes = "--limits 0,10,20,30 --nodes 4,1,1";
  const std::string rest = " --uniform unif.out --output o.out";
  const struct {
    std::string arguments;
    int status;
    std::string err;     // standard error; its beginning for status 2, where the usage follows
    std::string output;  // "-": no output file
  } cases[] = {
      // The sign of a node count is dropped with its message, as on leaving the box.
      {prob + "--limits 0,10,20,30 --nodes -2,2.9,1" + rest, 0,
       kWarning + "Illegal value for number X nodes!\n", crlf("15.000|26.667|2.000|30.000")},
      {prob + "--limits 0,10,30 --nodes 4,1,1" + rest, 2,
       kWarning + "--limits: expects 4 values (n + 2) for the n = 2 thresholds detected, got 3\n", "-"},
      {"--prob none.out " + limits_nodes + rest, 1, "Error during import input probability data file!\n",
       "-"},
      {prob + limits_nodes + " --uniform unif.out --output ' unif.out'", 1,
       kWarning + "Input data file and output file cannot be the same!\n", "-"},
      {prob + limits_nodes + " --uniform-skip 2" + rest, 1,
       kWarning + "ERROR during Meldrit calulation:  Input data file not compatible!\n",
       crlf("3.333|30.000")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::filesystem::remove(dir.file("o.out"));
    const test::ProgramRun run = cli(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(c.status == 2 ? run.err.substr(0, c.err.size()) : run.err, c.err);
    EXPECT_EQ(c.status == 2, run.err.find("--limits", c.err.size()) != std::string::npos);  // the usage
    EXPECT_EQ(run.out.empty(), c.status != 0);
    EXPECT_EQ(std::filesystem::exists(dir.file("o.out")) ? read_bytes(dir.file("o.out")) : "-", c.output);
  }
}

TEST_F(LocalCli, SeveralRealizationsInOnePassWriteWhatSeparateRunsWrite) {
  dir.write("u2.out", crlf("0.1|0.2|0.8|0.5"));
  dir.write("u3.out", crlf("h|0.6|0.3"));  // ends after two nodes
  const std::string common = "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 ";
  const test::ProgramRun pass =
      cli(common +
          "--uniform unif.out --uniform u2.out --uniform u3.out --uniform-skip 0 --uniform-skip 0 "
          "--uniform-skip 1 --output 'r{:03}.out'");
  EXPECT_EQ(pass.status, 1);
  EXPECT_EQ(pass.out, "");
  EXPECT_EQ(pass.err,
            kWarning + "ERROR during Meldrit calulation:  Input data file not compatible!\nu3.out\n");
  const std::pair<const char*, const char*> singles[] = {{"unif.out --uniform-skip 0", "r001.out"},
                                                         {"u2.out", "r002.out"},
                                                         {"u3.out --uniform-skip 1", "r003.out"}};
  for (const auto& [uniform, output] : singles) {
    cli(common + "--uniform " + uniform + " --output single.out");
    EXPECT_EQ(read_bytes(dir.file(output)), read_bytes(dir.file("single.out"))) << output;
  }
  EXPECT_EQ(read_bytes(dir.file("r003.out")), crlf("17.500|10.000"));  // the lines before its end

  // Every output against every input and every other output.
  for (const char* outputs : {"--output a.out --output unif.out", "--output a.out --output prob.out",
                              "--output a.out --output ./a.out"}) {
    const test::ProgramRun refused = cli(common + "--uniform unif.out --uniform u2.out " + outputs);
    EXPECT_EQ(refused.status, 1) << outputs;
    EXPECT_EQ(refused.err, kWarning + "Input data file and output file cannot be the same!\n") << outputs;
  }
  // Counts that do not fit the uniform files are usage errors.
  for (const char* counts : {"--output a.out", "--output a.out --output b.out --output c.out",
                             "--output 'r{}.out' --uniform-skip 0 --uniform-skip 0 --uniform-skip 0"}) {
    EXPECT_EQ(cli(common + "--uniform unif.out --uniform u2.out " + counts).status, 2) << counts;
  }
}

TEST_F(LocalCli, ProgressLineOnlyWhenAskedForOffATerminal) {
  const std::string run =
      "--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out "
      "--output o.out";
  const test::ProgramRun shown = cli(run + " --progress");
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out, "Calculation finished!\n");
  // The warning on a line of its own: first, or after the progress line was cleared.
  EXPECT_TRUE(shown.err.rfind(kWarning, 0) == 0 || shown.err.find("\r" + kWarning) != std::string::npos);
  // A line per step, redrawn in place and ended at 100 % once the next step starts: its name and
  // its own count in its own unit (the import checks 6 values; the run makes 4 nodes).
  const std::size_t import_line = shown.err.find("\rImporting the probability data file   100%  6 values");
  const std::size_t run_line = shown.err.find("\rp-Field simulation with local ccdf   100%  4 nodes");
  ASSERT_NE(import_line, std::string::npos) << shown.err;
  ASSERT_NE(run_line, std::string::npos) << shown.err;
  EXPECT_LT(shown.err.find('\n', import_line), run_line);
  EXPECT_EQ(shown.err.find("values", run_line), std::string::npos);
  // The import never counts nodes.
  EXPECT_EQ(shown.err.substr(0, shown.err.find("\rp-Field")).find("nodes"), std::string::npos);
  EXPECT_EQ(shown.err.back(), '\n');
  EXPECT_EQ(cli(run + " --progress --quiet").err, kWarning);
  EXPECT_EQ(cli(run).err, kWarning);
}

TEST_F(LocalCli, UsageErrorAndHelp) {
  EXPECT_EQ(cli("--prob p --limits 0,1 --nodes 1,1,1 --uniform u --output o --type other").status, 2);
  const test::ProgramRun help = cli("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--uniform-skip"), std::string::npos);
  // The program's own help ends with every exit status a script may meet.
  const std::string top = test::run_in(dir.path().string(), test::built("meldrit-cli") + " --help").out;
  for (const char* status : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  128 + signal ", " 130 for SIGINT"}) {
    EXPECT_NE(top.find(status), std::string::npos) << status;
  }
}

}  // namespace
}  // namespace meldrit::pfield_local
