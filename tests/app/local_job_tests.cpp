#include <gtest/gtest.h>

#include <QRadioButton>

#include "app/app_test_support.h"
#include "app/node_count_box.h"

namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kProbability = "local ccdf\r\n0.3 0.7\r\n0.3 0.7\r\n0.5 1.2\r\n0.1 1.5\r\n";
const std::string kAboveOne =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2";

class LocalJob : public testing::Test, public WindowOnFake {
 protected:
  LocalJob() { open("mnumeldritii"); }

  app::FlexGrid* grid() { return get<app::FlexGrid>("gridcortes"); }
  void importFile(const std::string& bytes, const char* skip = "1") {
    pick("Command19", folder.write("prob.out", bytes));
    setBox("Text3", skip);
    click("impor");
  }
  // Clicks a limit cell and types `text` key by key into the box that takes it.
  void typeLimit(int row, int col, const QString& text) {
    grid()->clickCell(row, col);
    for (const QChar c : text) get<QLineEdit>(col == 1 ? "tmin" : "tmax")->insert(QString(c));
  }
};

TEST_F(LocalJob, ImportTheLimitsTableThenTypeLimitsAndFailAnImport) {
  setBox("Text3", "-1.5");
  EXPECT_EQ(boxText("Text3"), "-2");  // the skip box keeps the whole part
  click("impor");
  platform.choose(folder.file("prob.txt"));
  pick("Command19", folder.file("missing.out"));
  click("impor");
  click("Command17");
  EXPECT_EQ(platform.messageTexts(), (Texts{"Please select input probability data file!",
                                            "Illegal Type of Input Probability Data File!",
                                            "Error during import input probability data file!"}));
  EXPECT_EQ(platform.busy_history, (std::vector<bool>{true, false}));
  EXPECT_EQ(platform.dialogTitles(), Texts(2, "Input Probability Data File (*.OUT)"));
  EXPECT_EQ(platform.launched, Texts{"WORDPAD.exe \"" + folder.file("missing.out") + "\""});

  EXPECT_EQ(rowOf(grid(), 0), (QStringList{"Threshold", "Lower Limit", "Upper Limit"}));
  importFile(kProbability);
  EXPECT_EQ(platform.lastMessage(), kAboveOne);
  EXPECT_EQ(captions({"ncortes", "Label4"}), (Texts{"2", "4"}));
  EXPECT_EQ(grid()->rows(), 4);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(rowOf(grid(), k), (QStringList{QString::number(k), "", ""}));

  // Typing a limit keeps the shared boundaries of neighbouring classes equal.
  app::FlexGrid* g = grid();
  typeLimit(2, 2, "12.5");
  typeLimit(1, 1, "0");
  EXPECT_EQ(rowOf(g, 1), (QStringList{"1", "0", ""}));
  EXPECT_EQ(rowOf(g, 2), (QStringList{"2", "", "12.5"}));
  EXPECT_EQ(rowOf(g, 3), (QStringList{"3", "12.5", ""}));
  // A lower limit below the first row also sets the upper limit of the class above.
  typeLimit(2, 1, "7");
  EXPECT_EQ(rowOf(g, 1), (QStringList{"1", "0", "7"}));
  // Deleting every character writes nothing: the cell keeps what was typed.
  typeLimit(3, 2, "1");
  get<QLineEdit>("tmax")->backspace();
  EXPECT_EQ(g->text(3, 2), "1");
  // A click copies the cell's own text to its neighbour and empties the box; column 0 does nothing.
  g->setText(1, 2, "99");
  g->clickCell(1, 2);
  EXPECT_EQ(g->text(2, 1), "99");
  EXPECT_EQ(boxText("tmax"), "");
  g->clickCell(1, 0);
  EXPECT_EQ(rowOf(g, 1), (QStringList{"1", "0", "99"}));

  importFile("0.1 0.2\r\n0.3 0.2\r\n", "0");
  EXPECT_EQ(platform.lastMessage(), "Error during import input probability data file!");
  // Import failures are shown before the pointer is reset.
  EXPECT_EQ(platform.busy_at_message, (std::vector<bool>{false, false, true, true, true}));
  EXPECT_FALSE(platform.busy);
  EXPECT_EQ(captions({"ncortes", "Label4"}), (Texts{"", ""}));
  EXPECT_EQ(grid()->rows(), 1);
}

TEST_F(LocalJob, ContinueChecksInOrderThenRunWritesWhatTheBatchRunWrites) {
  click("Command14");
  importFile(kProbability);
  click("Command14");
  for (int row = 1; row <= 3; ++row) typeLimit(row, 1, QString::number(10 * (row - 1)));
  typeLimit(3, 2, "30");
  setNodes(3, "2", "0", "-5");
  get<app::NodeCountBox>("Text2(5)")->applyLostFocusRule();  // leaving the box drops the sign
  EXPECT_EQ(boxText("Text2(5)"), "5");
  setBox("Text2(5)", "1");
  click("Command14");
  EXPECT_EQ(boxText("Text2(4)"), "1");
  click("Command14");
  EXPECT_EQ(
      platform.messageTexts(),
      (Texts{"Please define thresholds!", kAboveOne, "Illegal values for Classe  1  and  Classe  2  limits!",
             "Illegal value for number Z nodes!", "Illegal value for number Y nodes!",
             "Note: X-#nodes * Y-#nodes * Z-#nodes must be equal to 4"}));
  EXPECT_TRUE(shown("Frame5"));
  setBox("Text2(4)", "2");
  click("Command14");
  EXPECT_FALSE(shown("Frame5"));
  click("Command24");
  EXPECT_TRUE(shown("Frame5"));
  EXPECT_EQ(grid()->text(3, 2), "30");
  click("Command14");
  EXPECT_TRUE(shown("Frame18"));

  platform.choose(folder.file("data.txt"));
  platform.cancelDialog();
  click("Command5(1)");  // a wrong type, then cancelled
  click("Command10(1)");
  pick("Command11(1)", folder.write("unif.out", "0.5\r\n0.9\r\n"));
  pick("Command5(1)", folder.file("desk.out"));
  click("Command18(1)");
  EXPECT_EQ(platform.lastMessage(), "Illegal Type of Output File!");
  const std::string output = "Output Data File (*.OUT)";
  EXPECT_EQ(platform.dialogTitles(), (Texts{"Input Probability Data File (*.OUT)", output, output,
                                            "Input Data File (*.OUT)", output}));
  EXPECT_EQ(platform.launched,
            (Texts{"WORDPAD.exe \"\"", "WORDPAD.exe \"" + folder.file("unif.out") + "\""}));

  // Too few uniform values: the lines written so far are kept.
  platform.messages.clear();
  platform.busy_at_message.clear();
  click("Command23");
  EXPECT_EQ(folder.read("desk.out"), "15.000\r\n26.667\r\n");
  folder.write("unif.out", "0.5\r\n0.9\r\n0.1\r\n1\r\n");
  click("Command23");
  EXPECT_EQ(
      platform.messageTexts(),
      (Texts{"ERROR during Meldrit calulation:  Input data file not compatible!", "Calculation finished!"}));
  EXPECT_EQ(platform.busy_at_message, (std::vector<bool>{false, false}));  // the pointer is reset first
  EXPECT_EQ(folder.read("desk.out"), "15.000\r\n26.667\r\n2.000\r\n20.000\r\n");
  const std::string batch =
      "local --prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 "
      "--uniform unif.out --output c.out";
  ASSERT_EQ(runCli(folder.folder(), batch), 0);
  EXPECT_EQ(folder.read("desk.out"), folder.read("c.out"));

  get<QRadioButton>("Option2")->setChecked(true);
  click("Command23");
  EXPECT_EQ(folder.read("desk.out"), " 2 \r\n 3 \r\n 1 \r\n 3 \r\n");
  ASSERT_EQ(runCli(folder.folder(), batch + " --type classes"), 0);
  EXPECT_EQ(folder.read("desk.out"), folder.read("c.out"));

  const std::size_t busy_calls = platform.busy_history.size();
  pick("Command5(1)", folder.file("unif.out"));
  click("Command23");
  EXPECT_EQ(platform.lastMessage(), "Input data file and output file cannot be the same!");
  EXPECT_EQ(platform.busy_history.size(), busy_calls);
}

}  // namespace
}  // namespace meldrit::test
