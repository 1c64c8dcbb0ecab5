#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableWidget>
#include <filesystem>

#include "app/app_test_support.h"

// Save request... on each p-field run panel: the file is the one `meldrit-cli ... --save-request`
// writes for the same job, and `meldrit-cli --request` on it writes the bytes the panel's RUN wrote.
namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

struct RequestPanel : testing::Test, WindowOnFake {
  // Save request... of `panel`, the dialog (when it comes to one) picking `name` in the folder.
  void saveRequest(const char* panel, const char* name) {
    platform.choose(folder.file(name));
    window->panel(QLatin1String(panel))->findChild<QPushButton*>(QStringLiteral("saveRequest"))->click();
    platform.choices.clear();
  }
  // The panel's RUN output is moved aside, the request run writes it again: both must be equal.
  void expectRequestRunWrites(const std::vector<std::string>& outputs) {
    std::vector<std::string> desk;
    for (const std::string& name : outputs) {
      desk.push_back(folder.read(name));
      std::filesystem::remove(folder.file(name));
    }
    ASSERT_EQ(runCli(folder.folder(), "--request req.txt --quiet"), 0);
    for (std::size_t i = 0; i < outputs.size(); ++i)
      EXPECT_EQ(folder.read(outputs[i]), desk[i]) << outputs[i];
  }
};

TEST_F(RequestPanel, LocalCcdfRefusesWhatRunCannotStartThenSavesTheBatchRequest) {
  open("mnumeldritii");
  pick("Command19", folder.write("prob.out", "local ccdf\r\n0.3 0.7\r\n0.3 0.7\r\n0.5 0.9\r\n0.1 0.5\r\n"));
  setBox("Text3", "1");
  click("impor");
  auto* grid = get<app::FlexGrid>("gridcortes");
  const char* limits[][2] = {{"-5", "10"}, {"10", "20.5"}, {"20.5", "30"}};
  for (int row = 1; row <= 3; ++row) {
    for (int col = 1; col <= 2; ++col) grid->setText(row, col, limits[row - 1][col - 1]);
  }
  setNodes(3, "2", "2", "1");
  click("Command14");
  ASSERT_TRUE(shown("Frame18"));
  const std::string uniform = folder.write("unif.out", "0.5\r\n0.9\r\n0.1\r\n1\r\n");
  pick("Command11(1)", uniform);

  platform.messages.clear();
  saveRequest("Frame18", "req.txt");  // no output yet
  pick("Command5(1)", folder.file("desk.out"));
  saveRequest("Frame18", "prob.out");  // the request would write over an input
  EXPECT_EQ(platform.messageTexts(),
            (Texts{"Please choose the output file!", "The request file cannot be one of the job's files!"}));
  EXPECT_EQ(platform.dialogs.back().save, true);
  EXPECT_EQ(folder.read("prob.out").substr(0, 10), "local ccdf");

  click("Command23");
  saveRequest("Frame18", "req.txt");
  EXPECT_EQ(platform.lastMessage(), "Request saved to " + folder.file("req.txt"));
  ASSERT_EQ(runCli(folder.folder(), "local --prob " + folder.file("prob.out") +
                                        " --prob-skip 1 --limits=-5,10,20.5,30 --nodes 2,2,1 --uniform " +
                                        uniform + " --uniform-skip 0 --output " + folder.file("desk.out") +
                                        " --type continuous --save-request cli.txt"),
            0);
  EXPECT_EQ(folder.read("req.txt"), folder.read("cli.txt"));
  expectRequestRunWrites({"desk.out"});
}

TEST_F(RequestPanel, MultiphaseSavesTheClassTableAsPhaseUniformFiles) {
  open("mnumultiphase");
  pick("Command26", folder.write("phases.out", "head\r\n1\r\n2\r\n2\r\n1\r\n"));
  setBox("linhas1", "1");
  click("Command1");
  setNodes(0, "2", "2", "1");
  click("Command3");
  ASSERT_TRUE(shown("Frame4"));
  auto* grid = get<app::FlexGrid>("griduni");
  grid->setText(1, 1, "1");
  grid->setText(1, 2, QString::fromStdString(folder.write("u1.out", "skip\r\n.5 .1 .2 .25\r\n")));
  grid->setText(2, 2, QString::fromStdString(folder.write("u2.out", ".9 .25 .75 .3\r\n")));
  get<QLabel>("binn")->setText(QString::fromStdString(
      folder.write("bihist.dat", "2 1\r\n0 0 2\r\n0 0\r\n10 1\r\n0 0 3\r\n0 0\r\n50 .5\r\n100 1\r\n")));

  platform.messages.clear();
  saveRequest("Frame4", "req.txt");  // RUN's own check: no output
  EXPECT_EQ(platform.messageTexts(), Texts{"Please select output file!"});
  get<QLabel>("out1")->setText(QString::fromStdString(folder.file("desk.out")));
  click("Command2");
  saveRequest("Frame4", "req.txt");
  EXPECT_EQ(platform.lastMessage(), "Request saved to " + folder.file("req.txt"));
  ASSERT_EQ(runCli(folder.folder(),
                   "multiphase --phases " + folder.file("phases.out") +
                       " --phases-skip 1 --nodes 2,2,1 --bihistogram " + folder.file("bihist.dat") +
                       " --phase-uniform " + folder.file("u1.out") + "::1 " + folder.file("u2.out") +
                       "::0 --output " + folder.file("desk.out") + " --save-request cli.txt"),
            0);
  EXPECT_EQ(folder.read("req.txt"), folder.read("cli.txt"));
  expectRequestRunWrites({"desk.out"});
}

#ifdef MELDRIT_HAVE_GENERATOR
TEST_F(RequestPanel, GeneratorSavesTheModelAndRealizations) {
  open("mnugenerate");
  for (const auto& [name, text] : {std::pair{"nx", "6"},
                                   {"ny", "5"},
                                   {"nz", "2"},
                                   {"dx", "2"},
                                   {"dz", "0.5"},
                                   {"nugget", "0.25"},
                                   {"seed", "11"},
                                   {"firstRealization", "2"},
                                   {"lastRealization", "3"}})
    setBox(name, text);
  get<QTableWidget>("structures")->item(0, 1)->setText("0.75");
  setBox("outputPattern", folder.file("gen.out"));
  platform.messages.clear();
  saveRequest("FrameGenerate", "req.txt");
  EXPECT_EQ(platform.messageTexts(),
            Texts{"The output needs {} or {:03} for the realization's number when there are several."});
  setBox("outputPattern", folder.file("gen{:03}.out"));
  click("runGenerate");
  saveRequest("FrameGenerate", "req.txt");
  EXPECT_EQ(platform.lastMessage(), "Request saved to " + folder.file("req.txt"));
  ASSERT_EQ(runCli(folder.folder(), "pfield --nodes 6,5,2 --variogram '" + caption("modelText") +
                                        "' --spacing 2,1,0.5 --seed 11 --realizations 2-3 --output " +
                                        folder.file("gen{:03}.out") + " --save-request cli.txt"),
            0);
  EXPECT_EQ(folder.read("req.txt"), folder.read("cli.txt"));
  expectRequestRunWrites({"gen002.out", "gen003.out"});
}
#endif

}  // namespace
}  // namespace meldrit::test
