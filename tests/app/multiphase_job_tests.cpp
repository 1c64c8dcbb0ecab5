#include <gtest/gtest.h>

#include <QRadioButton>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

class MultiphaseJob : public testing::Test, public WindowOnFake {
 protected:
  MultiphaseJob() { open("mnumultiphase"); }

  app::FlexGrid* grid() { return get<app::FlexGrid>("griduni"); }
  void setCaption(const char* name, const std::string& text) {
    get<QLabel>(name)->setText(QString::fromStdString(text));
  }
  // Picks a multiphase (op1) or variable (op2) data file through Command26.
  void chooseData(const char* option, const std::string& path) {
    get<QRadioButton>(option)->setChecked(true);
    pick("Command26", path);
  }
};

TEST_F(MultiphaseJob, ChoosersViewersAndTheImportOfClassCounts) {
  chooseData("op1", folder.file("phases.out"));
  platform.choose(folder.file("classes.txt"));
  chooseData("op2", folder.file("classes.OUT"));
  platform.choose(folder.file("data.csv"));
  pick("Command16", folder.file("data.TXT"));
  EXPECT_EQ(captions({"in1", "in2", "binn"}),
            (Texts{folder.file("phases.out"), folder.file("classes.OUT"), folder.file("data.TXT")}));
  const std::string data = "Input Data File (*.OUT)", bihistogram = "Input Bihistogram Data File (*.DAT)";
  EXPECT_EQ(platform.dialogTitles(), (Texts{data, data, data, bihistogram, bihistogram}));

  click("Command25");  // the selected option decides the file
  click("Command15");
  click("Command4");
  EXPECT_EQ(platform.launched,
            (Texts{"WORDPAD.exe \"" + folder.file("classes.OUT") + "\"",
                   "WORDPAD.exe \"" + folder.file("data.TXT") + "\"", folder.folder() + "/wordpad.exe "}));
  EXPECT_EQ(platform.launch_style, 3);  // maximised, with the focus
  platform.launch_result = false;
  click("Command15");
  click("Command4");
  EXPECT_EQ(platform.messageTexts(),
            (Texts{"Illegal Type of Input Data File!", "Illegal Type of Input Data File!",
                   "Cannot find executable file 'Wordpad.exe'!\n"
                   "-Please select wordpad.exe path in Korvane main menu (Config menu).",
                   "Cannot find wordap.exe in " + folder.folder() + " directory!"}));

  // Double-clicking a path label leaves that file out.
  sendMouse(get("in2"), QEvent::MouseButtonDblClick);
  EXPECT_EQ(caption("in2"), "");
  platform.messages.clear();
  platform.busy_at_message.clear();

  const std::string zeros = folder.write("zeros.out", "0\r\n0\r\n");
  chooseData("op1", zeros);
  chooseData("op2", zeros);
  click("Command1");
  EXPECT_EQ(caption("verlito"), "1");
  setCaption("in2", " ");
  click("Command1");
  EXPECT_EQ(platform.messageTexts(),
            (Texts{"Note: 1st Input file <> 2nd Input File", "Error during import input files!"}));
  EXPECT_EQ(platform.busy_at_message, (std::vector<bool>{false, true}));  // before the pointer is reset
  EXPECT_FALSE(platform.busy);
  EXPECT_EQ(caption("verlito"), "0");  // the count was shown before the failure
  EXPECT_EQ(grid()->rows(), 1);

  chooseData("op1", folder.write("phases.out", "head\r\n1\r\n2\r\n"));
  setBox("linhas1", "1");
  click("Command1");
  EXPECT_EQ(captions({"verlito", "vervar"}), (Texts{"2", "1"}));
  app::FlexGrid* g = grid();
  ASSERT_EQ(g->rows(), 3);
  EXPECT_EQ(rowOf(g, 2), (QStringList{"Class  2", "0", ""}));
  // A new import keeps the paths of the rows that stay.
  g->setText(1, 1, "4");
  g->setText(1, 2, "/data/u1.out");
  folder.write("phases.out", "3\r\n1\r\n");
  setBox("linhas1", "0");
  click("Command1");
  ASSERT_EQ(g->rows(), 4);
  EXPECT_EQ(rowOf(g, 1), (QStringList{"Class  1", "0", "/data/u1.out"}));
  EXPECT_EQ(rowOf(g, 3), (QStringList{"Class  3", "0", ""}));
}

TEST_F(MultiphaseJob, RunThroughTheClassTableWritesWhatTheBatchRunWrites) {
  chooseData("op1", folder.write("phases.out", "1\r\n2\r\n2\r\n1\r\n"));
  click("Command1");
  setNodes(0, "5", "1001", "5");
  click("Command3");
  EXPECT_EQ(platform.messageTexts(), Texts{"Illegal value for number Y nodes! (1-1000)"});
  EXPECT_EQ(boxText("Text2(1)"), "1");  // the refused count is reset
  EXPECT_TRUE(shown("Frame1"));
  setNodes(0, "2", "2", "1");
  click("Command3");
  click("Command13");
  EXPECT_TRUE(shown("Frame1"));
  click("Command3");
  EXPECT_FALSE(shown("Frame1"));
  EXPECT_TRUE(shown("Frame4"));
  platform.messages.clear();
  platform.busy_at_message.clear();
  click("Command2");  // no class file yet
  app::FlexGrid* g = grid();
  g->clickCell(1, 2);  // no uniform file chosen yet: the blank caption
  EXPECT_EQ(g->text(1, 2), " ");
  const std::string u1 = folder.write("u1.out", "skip\r\n.5 .1 .2 .25\r\n");
  pick("Command11(0)", u1);
  g->clickCell(1, 2);
  g->clickCell(1, 1);
  EXPECT_EQ(boxText("in3text"), "0");
  setBox("in3text", "17");
  g->doubleClickCell(1, 1);  // empties the box and so the cell
  EXPECT_EQ(g->text(1, 1), "");
  setBox("in3text", "1");
  g->clickCell(1, 0);  // neither column 0 nor the title row takes the box
  setBox("in3text", "9");
  g->clickCell(0, 1);
  EXPECT_EQ(rowOf(g, 1), (QStringList{"Class  1", "1", u1.c_str()}));
  pick("Command11(0)", folder.write("u2.out", ".9 .25 .75 .3\r\n"));
  g->clickCell(2, 2);

  click("Command2");
  setCaption("binn", folder.write("b.dat", "1 2\r\n"));
  click("Command2");
  EXPECT_EQ(platform.busy_history, (std::vector<bool>{true, false}));  // only the import's
  setCaption("out1", folder.file("desk.out"));
  click("Command2");
  EXPECT_FALSE(platform.busy);
  setCaption("binn",
             folder.write("bihist.dat", "2 1\r\n0 0 2\r\n0 0\r\n10 1\r\n0 0 3\r\n0 0\r\n50 .5\r\n100 1\r\n"));
  click("Command2");
  EXPECT_EQ(platform.messageTexts(),
            (Texts{"Please select input data file associate with class -  1",
                   "Please select bihistogram data file file!", "Please select output file!",
                   "Invalid bihistogram file!", "Probability Field Simulation Complete!"}));
  // Failures are shown under the busy pointer, the completion after it is reset.
  EXPECT_EQ(platform.busy_at_message, (std::vector<bool>{false, false, false, true, false}));
  EXPECT_FALSE(platform.busy);
  EXPECT_EQ(folder.read("desk.out"), "5.\r\n25.\r\n75.\r\n2.5\r\n");
  ASSERT_EQ(runCli(folder.folder(),
                   "multiphase --phases phases.out --nodes 2,2,1 --bihistogram bihist.dat "
                   "--phase-uniform u1.out::1 u2.out --output batch.out"),
            0);
  EXPECT_EQ(folder.read("batch.out"), folder.read("desk.out"));
}

}  // namespace
}  // namespace meldrit::test
