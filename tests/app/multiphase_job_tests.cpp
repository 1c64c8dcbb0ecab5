#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>

#include "app/app_test_support.h"
#include "app/flex_grid.h"

namespace meldrit::test {
namespace {

// Records whether the busy pointer was on when each message was shown.
class BusyWatchingPlatform : public FakePlatform {
 public:
  app::MessageAnswer showMessage(const app::MessageRequest& request) override {
    busy_at_message.push_back(busy);
    return FakePlatform::showMessage(request);
  }
  std::vector<bool> busy_at_message;
};

class MultiphaseJob : public testing::Test {
 protected:
  MultiphaseJob() {
    platform_.folder = folder_.folder();
    window_ = std::make_unique<app::MainWindow>(platform_);
    trigger(*window_, QStringLiteral("mnumultiphase"));
  }

  template <class T = QWidget>
  T* get(const char* name) {
    T* widget = child<T>(*window_, QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void click(const char* name) { get<QPushButton>(name)->click(); }
  QString caption(const char* name) { return get<QLabel>(name)->text(); }
  QString boxText(const char* name) { return get<QLineEdit>(name)->text(); }
  void setBox(const char* name, const QString& text) { get<QLineEdit>(name)->setText(text); }
  app::FlexGrid* grid() { return get<app::FlexGrid>("griduni"); }
  bool shown(const char* name) { return !window_->panel(QLatin1String(name))->isHidden(); }

  // Picks a multiphase (op1) or variable (op2) data file through Command26.
  void chooseData(const char* option, const std::string& path) {
    get<QRadioButton>(option)->setChecked(true);
    platform_.choose(path);
    click("Command26");
  }
  void setNodes(const char* x, const char* y, const char* z) {
    setBox("Text2(0)", QLatin1String(x));
    setBox("Text2(1)", QLatin1String(y));
    setBox("Text2(2)", QLatin1String(z));
  }

  TempFolder folder_;
  BusyWatchingPlatform platform_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(MultiphaseJob, ClassTableHeaderAndDesignRows) {
  app::FlexGrid* g = grid();
  EXPECT_EQ(g->rows(), 2);
  EXPECT_EQ(g->cols(), 3);
  EXPECT_EQ(g->text(0, 0), "Phase");
  EXPECT_EQ(g->text(0, 2), "Input File Name");
  EXPECT_EQ(g->cellAlignment(0, 2), Qt::AlignCenter);
  EXPECT_EQ(g->colWidthTwips(1), 900);
  EXPECT_EQ(g->colWidthTwips(2), 5200);
}

TEST_F(MultiphaseJob, ChooserFillsTheSelectedRoleAndRefusesOtherTypes) {
  const std::string phases = folder_.write_file("phases.out", "1\r\n");
  chooseData("op1", phases);
  EXPECT_EQ(caption("in1").toStdString(), phases);
  platform_.choose(folder_.file("classes.txt"));
  platform_.choose(folder_.file("classes.OUT"));
  get<QRadioButton>("op2")->setChecked(true);
  click("Command26");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal Type of Input Data File!"});
  EXPECT_EQ(caption("in2").toStdString(), folder_.file("classes.OUT"));
  EXPECT_EQ(platform_.dialogs.back().title, "Input Data File (*.OUT)");

  click("Command25");  // the selected option decides the file
  ASSERT_EQ(platform_.launches.size(), 1u);
  EXPECT_EQ(platform_.launches[0].command_line, "WORDPAD.exe \"" + folder_.file("classes.OUT") + "\"");

  // Double-clicking a path label leaves that file out.
  QLabel* in2 = get<QLabel>("in2");
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), in2->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(in2, &dbl);
  EXPECT_EQ(caption("in2"), "");
}

TEST_F(MultiphaseJob, ImportPreparesRowsAndKeepsPaths) {
  chooseData("op1", folder_.write_file("phases.out", "head\r\n1\r\n2\r\n"));
  setBox("linhas1", "1");
  click("Command1");
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(platform_.busy_history, (std::vector<bool>{true, false}));
  EXPECT_EQ(caption("verlito"), "2");
  EXPECT_EQ(caption("vervar"), "1");
  app::FlexGrid* g = grid();
  ASSERT_EQ(g->rows(), 3);
  EXPECT_EQ(g->text(1, 0), "Class  1");
  EXPECT_EQ(g->text(2, 0), "Class  2");
  EXPECT_EQ(g->text(2, 1), "0");
  EXPECT_EQ(g->cellAlignment(2, 0), Qt::AlignCenter);

  g->setText(1, 1, "4");
  g->setText(1, 2, "/data/u1.out");
  folder_.write_file("phases.out", "3\r\n1\r\n");
  setBox("linhas1", "0");
  click("Command1");
  ASSERT_EQ(g->rows(), 4);
  EXPECT_EQ(g->text(1, 1), "0");
  EXPECT_EQ(g->text(1, 2), "/data/u1.out");
  EXPECT_EQ(g->text(3, 0), "Class  3");
  EXPECT_EQ(g->text(3, 2), "");
}

TEST_F(MultiphaseJob, ImportFailuresAndTheSameFileNote) {
  const std::string zeros = folder_.write_file("zeros.out", "0\r\n0\r\n");
  chooseData("op1", zeros);
  chooseData("op2", zeros);
  click("Command1");
  EXPECT_EQ(platform_.lastMessage(), "Note: 1st Input file <> 2nd Input File");
  EXPECT_EQ(platform_.busy_sets, 0);
  EXPECT_EQ(caption("verlito"), "1");

  get<QLabel>("in2")->setText(" ");
  click("Command1");
  EXPECT_EQ(platform_.lastMessage(), "Error during import input files!");
  EXPECT_EQ(platform_.busy_at_message.back(), true);  // shown before the pointer is reset
  EXPECT_FALSE(platform_.busy);
  EXPECT_EQ(caption("verlito"), "0");  // step 6 had already shown the count
  EXPECT_EQ(grid()->rows(), 1);
}

struct NodeCase {
  const char* x;
  const char* y;
  const char* z;
  const char* message;  // nullptr: accepted
  const char* reset;
};

TEST_F(MultiphaseJob, ContinueChecksNodeCounts) {
  const NodeCase cases[] = {
      {"0", "5", "5", "Illegal value for number X nodes!", "Text2(0)"},
      {"5", "1001", "0", "Illegal value for number Z nodes!", "Text2(2)"},
      {"5", "1001", "5", "Illegal value for number Y nodes! (1-1000)", "Text2(1)"},
      {"1000", "1", "1", nullptr, nullptr},
  };
  for (const NodeCase& c : cases) {
    platform_.messages.clear();
    setNodes(c.x, c.y, c.z);
    click("Command3");
    if (c.message) {
      EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{c.message});
      EXPECT_EQ(boxText(c.reset), "1");
      EXPECT_TRUE(shown("Frame1"));
      EXPECT_FALSE(shown("Frame4"));
    } else {
      EXPECT_TRUE(platform_.messages.empty());
      EXPECT_FALSE(shown("Frame1"));
      EXPECT_TRUE(shown("Frame4"));
    }
  }
  click("Command13");
  EXPECT_TRUE(shown("Frame1"));
  EXPECT_FALSE(shown("Frame4"));
}

TEST_F(MultiphaseJob, ClassTableEditing) {
  app::FlexGrid* g = grid();
  g->clickCell(1, 2);  // no uniform file chosen yet: the blank caption
  EXPECT_EQ(g->text(1, 2), " ");
  const std::string uniform = folder_.write_file("u.out", ".5\r\n");
  platform_.choose(uniform);
  click("Command11(0)");
  EXPECT_EQ(caption("in3").toStdString(), uniform);
  g->clickCell(1, 2);
  EXPECT_EQ(g->text(1, 2).toStdString(), uniform);
  EXPECT_EQ(g->cellAlignment(1, 2), Qt::AlignCenter);

  g->setText(1, 1, "2");
  g->clickCell(1, 1);
  EXPECT_EQ(boxText("in3text"), "2");
  setBox("in3text", "17");
  EXPECT_EQ(g->text(1, 1), "17");
  g->doubleClickCell(1, 1);
  EXPECT_EQ(boxText("in3text"), "");
  EXPECT_EQ(g->text(1, 1), "");

  g->clickCell(1, 0);  // column 0 is no editing column
  setBox("in3text", "9");
  EXPECT_EQ(g->text(1, 0), "");
  EXPECT_EQ(g->text(1, 1), "");
  g->clickCell(0, 1);  // nor is the title row
  EXPECT_EQ(g->text(0, 1), "Skip Lines");
}

TEST_F(MultiphaseJob, BihistogramChooserAndItsButtons) {
  platform_.choose(folder_.file("data.csv"));
  platform_.choose(folder_.file("data.TXT"));
  click("Command16");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal Type of Input Data File!"});
  EXPECT_EQ(caption("binn").toStdString(), folder_.file("data.TXT"));
  EXPECT_EQ(platform_.dialogs.back().title, "Input Bihistogram Data File (*.DAT)");
  EXPECT_EQ(platform_.dialogs.back().filter, "(*.DAT)|*.DAT|(*.TXT)|*.TXT");

  click("Command15");
  click("Command4");
  ASSERT_EQ(platform_.launches.size(), 2u);
  EXPECT_EQ(platform_.launches[0].command_line, "WORDPAD.exe \"" + folder_.file("data.TXT") + "\"");
  EXPECT_EQ(platform_.launches[1].command_line, folder_.folder() + "/wordpad.exe ");
}

TEST_F(MultiphaseJob, RunEndToEndMatchesTheBatchRun) {
  const std::string phases = folder_.write_file("phases.out", "1\r\n2\r\n2\r\n1\r\n");
  const std::string bihist =
      folder_.write_file("bihist.dat", "2 1\r\n0 0 2\r\n0 0\r\n10 1\r\n0 0 3\r\n0 0\r\n50 .5\r\n100 1\r\n");
  const std::string u1 = folder_.write_file("u1.out", "skip\r\n.5 .1 .2 .25\r\n");
  const std::string u2 = folder_.write_file("u2.out", ".9 .25 .75 .3\r\n");
  chooseData("op1", phases);
  click("Command1");
  setNodes("2", "2", "1");
  click("Command3");
  app::FlexGrid* g = grid();
  g->setText(1, 1, "1");
  g->setText(1, 2, QString::fromStdString(u1));
  g->setText(2, 2, QString::fromStdString(u2));
  get<QLabel>("binn")->setText(QString::fromStdString(bihist));
  get<QLabel>("out1")->setText(QString::fromStdString(folder_.file("desk.out")));

  platform_.busy_history.clear();
  click("Command2");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Probability Field Simulation Complete!"});
  EXPECT_EQ(platform_.busy_at_message, std::vector<bool>{false});  // the pointer is reset first
  EXPECT_EQ(platform_.busy_history, (std::vector<bool>{true, false}));
  EXPECT_EQ(folder_.read_file("desk.out"), "5.\r\n25.\r\n75.\r\n2.5\r\n");

  const std::string command = "'" MELDRIT_PROGRAM_FOLDER "/meldrit-cli' multiphase --phases '" + phases +
                              "' --nodes 2,2,1 --bihistogram '" + bihist + "' --phase-uniform '" + u1 +
                              "::1' '" + u2 + "' --output '" + folder_.file("batch.out") + "' > /dev/null";
  ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
  EXPECT_EQ(folder_.read_file("batch.out"), folder_.read_file("desk.out"));
}

TEST_F(MultiphaseJob, RunMessagesAndThePointer) {
  click("Command1");  // P = V = 1
  click("Command2");  // the design row has no path
  EXPECT_EQ(platform_.lastMessage(), "Please select input data file associate with class -  1");
  EXPECT_EQ(platform_.busy_sets, 1);  // only the import's

  grid()->setText(1, 2, QString::fromStdString(folder_.write_file("u.out", ".5\r\n")));
  click("Command2");
  EXPECT_EQ(platform_.lastMessage(), "Please select bihistogram data file file!");
  get<QLabel>("binn")->setText(QString::fromStdString(folder_.write_file("b.dat", "1 2\r\n")));
  click("Command2");
  EXPECT_EQ(platform_.lastMessage(), "Please select output file!");
  EXPECT_EQ(platform_.busy_sets, 1);

  get<QLabel>("out1")->setText(QString::fromStdString(folder_.file("r.out")));
  click("Command2");
  EXPECT_EQ(platform_.lastMessage(), "Invalid bihistogram file!");
  EXPECT_EQ(platform_.busy_at_message.back(), true);
  EXPECT_FALSE(platform_.busy);
}

}  // namespace
}  // namespace meldrit::test
