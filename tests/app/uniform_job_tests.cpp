#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

// A header line, then x, y and two variables per sample.
std::string twoDData(int samples) {
  std::string bytes = "title\r\n";
  for (int i = 1; i <= samples; ++i) {
    bytes +=
        std::to_string(i) + ".50 " + std::to_string(2 * i) + " " + std::to_string((i * 7) % 40) + " 0.25\r\n";
  }
  return bytes;
}

class UniformJob : public testing::Test, public WindowOnFake {
 protected:
  UniformJob() { open("mnuniform"); }

  app::FlexGrid* grid() { return get<app::FlexGrid>("Grid1"); }
  QWidget* panel() { return window->panel("Frame6"); }
  bool runShown() { return !get("Command6")->isHidden(); }
  // The columns marked yellow in a row.
  std::vector<int> marked(int row) {
    std::vector<int> columns;
    for (int c = 1; c < grid()->cols(); ++c) {
      if (grid()->cellBackground(row, c) == QColor(255, 255, 0)) columns.push_back(c);
    }
    return columns;
  }
  void importFile(const std::string& bytes, const char* skip = "1", const char* option = "d2") {
    pick("Command9", folder.write("data.dat", bytes));
    setBox("skipuniform", skip);
    click(option);
    click("Command20");
  }
};

TEST_F(UniformJob, ImportOpensThePanelAnOptionClickClosesItARefusedImportKeepsTheCounts) {
  EXPECT_EQ(panel()->height(), app::twips(1425));
  EXPECT_FALSE(runShown());
  importFile(twoDData(40));
  EXPECT_EQ(platform.busy_history, (std::vector<bool>{true, false}));
  EXPECT_EQ(captions({"variaveis", "amostras"}), (Texts{"4", "40"}));
  EXPECT_EQ(rowOf(grid(), 0, 6), (QStringList{"", "x", "y", "col  3", "col  4", ""}));
  EXPECT_EQ(rowOf(grid(), 1, 6), (QStringList{"1", "1.5", "2", "7", ".25", " "}));
  EXPECT_EQ(rowOf(grid(), 30, 6), (QStringList{"30", "30.5", "60", "10", ".25", " "}));
  EXPECT_EQ(panel()->height(), app::twips(5652));
  const int room = panel()->parentWidget()->height() - panel()->height();
  EXPECT_EQ(panel()->y(), static_cast<int>(std::floor(room / 2.0)));
  EXPECT_TRUE(runShown());

  grid()->clickCell(1, 3);
  const QPoint place = panel()->pos();
  click("d3");
  EXPECT_EQ(panel()->height(), app::twips(1572));
  EXPECT_EQ(panel()->pos(), place);
  EXPECT_FALSE(runShown());
  importFile("1 2\r\n3 4\r\n", "0", "d2");
  EXPECT_EQ(platform.messageTexts(), Texts{"Illegal input data file format!"});
  EXPECT_FALSE(platform.busy);
  EXPECT_EQ(captions({"variaveis", "amostras"}), (Texts{"4", "40"}));
  EXPECT_EQ(grid()->text(1, 1), " ");
  EXPECT_TRUE(marked(1).empty());
  EXPECT_EQ(panel()->height(), app::twips(1572));

  // Fewer samples than grid rows leave the rows after the last sample blank.
  importFile(twoDData(3), "1", "d3");
  EXPECT_EQ(rowOf(grid(), 0, 6), (QStringList{"", "x", "y", "z", "col  4", ""}));
  EXPECT_EQ(rowOf(grid(), 3, 6), (QStringList{"3", "3.5", "6", "21", ".25", " "}));
  EXPECT_EQ(rowOf(grid(), 4, 6), (QStringList{"4", " ", " ", " ", " ", " "}));
  EXPECT_EQ(caption("amostras"), "3");
  EXPECT_EQ(panel()->height(), app::twips(5652));
}

TEST_F(UniformJob, RunTransformsTheMarkedColumnWithTheRealProgram) {
  std::filesystem::copy_file(MELDRIT_PROGRAM_FOLDER "/uniform.exe", folder.file("uniform.exe"));
  std::string preferences;
  for (int i = 1; i <= 35; ++i) preferences += "0\r\n";
  folder.write("kvat.pam", preferences + "2\r\n");
  importFile("x y a b\r\n10 20 3 0.5\r\n11 21 1 0.25\r\n12 22 2 0.75\r\n");
  for (int refused : {0, 1, 2, 5}) grid()->clickCell(1, refused);  // no variable there
  EXPECT_TRUE(marked(1).empty());
  grid()->clickCell(7, 3);  // any row marks the whole column
  EXPECT_EQ(marked(30), std::vector<int>{3});
  grid()->clickCell(1, 4);
  EXPECT_EQ(marked(30), std::vector<int>{4});
  pick("Command7", folder.file("result.out"));
  click("Command6");
  EXPECT_EQ(platform.messageTexts(), Texts{"Calculation Complete!"});
  EXPECT_EQ(platform.busy_at_message, std::vector<bool>{false});
  EXPECT_EQ(folder.read("result.out"), " 10  20  .5 \r\n 11  21  .1666667 \r\n 12  22  .8333333 \r\n");
  EXPECT_EQ(platform.runs,
            (std::vector<FakePlatform::Run>{{"uniform.exe uniform.par 0", folder.folder(), -1, 3, 128}}));
  EXPECT_EQ(marked(1), std::vector<int>{4});  // the panel stays as it was
}

TEST_F(UniformJob, FileChoicesRetryThenRunChecksAndFailures) {
  platform.choose(folder.file("data.txt"));
  importFile(twoDData(4));
  click("Command6");
  platform.choose(folder.file("out.txt"));
  pick("Command7", folder.file("mydat"));  // no dot needed: the last three characters count
  platform.cancelDialog();
  click("Command7");
  EXPECT_EQ(caption("uniformout"), folder.file("mydat"));
  click("Command6");
  EXPECT_EQ(platform.messageTexts(), (Texts{"Illegal Type of Input Data File!", "Please select output file!",
                                            "Illegal Type of Output File!", "Please select column!"}));
  EXPECT_EQ(platform.busy_at_message, (std::vector<bool>{false, false, false, false}));
  const std::string in = "Input Data File (*.OUT/*.PRN/*.DAT)", out = "Output Data File (*.OUT/*PRN/*.DAT)";
  EXPECT_EQ(platform.dialogTitles(), (Texts{in, in, out, out, out}));
  EXPECT_TRUE(platform.runs.empty());

  grid()->clickCell(1, 3);
  platform.run_result = false;
  click("Command6");
  EXPECT_EQ(platform.lastMessage(), "Cannot run 'uniform.exe'!");
  EXPECT_EQ(platform.busy_at_message.back(), false);

  EXPECT_FALSE(std::filesystem::exists(folder.file("mydat")));  // nothing written
  EXPECT_FALSE(platform.busy);
}

}  // namespace
}  // namespace meldrit::test
