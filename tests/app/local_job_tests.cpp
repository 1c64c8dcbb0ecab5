#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <cstdlib>

#include "app/app_test_support.h"
#include "app/flex_grid.h"
#include "app/node_count_box.h"

namespace meldrit::test {
namespace {

// Records the pointer and the progress bar at each message.
class WatchingPlatform : public FakePlatform {
 public:
  app::MessageAnswer showMessage(const app::MessageRequest& request) override {
    busy_at_message.push_back(busy);
    return FakePlatform::showMessage(request);
  }
  std::vector<bool> busy_at_message;
};

const std::string kProbability = "local ccdf\r\n0.3 0.7\r\n0.3 0.7\r\n0.5 1.2\r\n0.1 1.5\r\n";
const std::string kUniform = "0.5\r\n0.9\r\n0.1\r\n1\r\n";
const std::string kAboveOne =
    "Warning: Illegal value detected (>1):  1.2\nThis value will be automati'cally accept as 1! 2";

class LocalJob : public testing::Test {
 protected:
  LocalJob() { open(); }

  void open() {
    window_.reset();
    platform_.folder = folder_.folder();
    window_ = std::make_unique<app::MainWindow>(platform_);
    trigger(*window_, QStringLiteral("mnumeldritii"));
  }

  template <class T = QWidget>
  T* get(const char* name) {
    T* widget = child<T>(*window_, QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void click(const char* name) { get<QPushButton>(name)->click(); }
  QString caption(const char* name) { return get<QLabel>(name)->text(); }
  QLineEdit* box(const char* name) { return get<QLineEdit>(name); }
  app::FlexGrid* grid() { return get<app::FlexGrid>("gridcortes"); }
  bool shown(const char* name) { return !window_->panel(QLatin1String(name))->isHidden(); }

  void importFile(const std::string& bytes, const char* skip = "1") {
    platform_.choose(folder_.write_file("prob.out", bytes));
    click("Command19");
    box("Text3")->setText(QLatin1String(skip));
    click("impor");
  }
  // Clicks a limit cell and types `text` key by key into the box that takes it.
  void typeLimit(int row, int col, const QString& text) {
    grid()->clickCell(row, col);
    QLineEdit* receiver = box(col == 1 ? "tmin" : "tmax");
    for (const QChar c : text) receiver->insert(QString(c));
  }
  // The lower limits of classes 1..n+1 and the upper limit of the last class.
  void typeLimits(const std::vector<QString>& limits) {
    for (std::size_t k = 0; k + 1 < limits.size(); ++k) typeLimit(static_cast<int>(k) + 1, 1, limits[k]);
    typeLimit(static_cast<int>(limits.size()) - 1, 2, limits.back());
  }
  void setNodes(const char* x, const char* y, const char* z) {
    box("Text2(3)")->setText(QLatin1String(x));
    box("Text2(4)")->setText(QLatin1String(y));
    box("Text2(5)")->setText(QLatin1String(z));
  }
  void reachRunPanel() {
    importFile(kProbability);
    typeLimits({"0", "10", "20", "30"});
    setNodes("2", "2", "1");
    click("Command14");
  }
  void choosePaths(const std::string& uniform, const std::string& output) {
    platform_.choose(uniform);
    click("Command11(1)");
    platform_.choose(output);
    click("Command5(1)");
  }
  int cli(const std::string& arguments) {
    const std::string command = "cd '" + folder_.folder() +
                                "' && '" MELDRIT_PROGRAM_FOLDER "/meldrit-cli' local " + arguments +
                                " >/dev/null 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  TempFolder folder_;
  WatchingPlatform platform_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(LocalJob, StartsWithTheDesignState) {
  EXPECT_TRUE(shown("Frame5"));
  EXPECT_FALSE(shown("Frame18"));
  app::FlexGrid* g = grid();
  ASSERT_EQ(g->rows(), 1);
  ASSERT_EQ(g->cols(), 3);
  EXPECT_EQ(g->text(0, 0), "Threshold");
  EXPECT_EQ(g->text(0, 1), "Lower Limit");
  EXPECT_EQ(g->text(0, 2), "Upper Limit");
  EXPECT_EQ(g->cellAlignment(0, 1), Qt::AlignCenter);
  EXPECT_EQ(g->colWidthTwips(0), 1000);
  EXPECT_EQ(g->colWidthTwips(1), std::lrint((g->widthTwips() - 1150) / 2.0));
  EXPECT_EQ(caption("Label18"), " ");
  EXPECT_EQ(box("Text3")->text(), "0");
  EXPECT_EQ(box("Text2(3)")->text(), " ");
  EXPECT_EQ(box("tmin")->text(), "Text1");
  EXPECT_LT(box("tmin")->x(), 0);
  EXPECT_TRUE(get<QRadioButton>("Option1")->isChecked());
  EXPECT_EQ(get<QPushButton>("Command14")->toolTip(), "Continue and Save these  Options");
  EXPECT_EQ(get<QPushButton>("Command18(1)")->toolTip(), "Open and view  input data file (*.OUT).");
  EXPECT_EQ(get<QProgressBar>("bar1")->maximum(), 100);
}

TEST_F(LocalJob, ChoosingTheFileRetriesAWrongType) {
  platform_.choose(folder_.file("prob.txt"));
  platform_.choose(folder_.file("PROB.OUT"));
  click("Command19");
  EXPECT_EQ(platform_.messageTexts(),
            std::vector<std::string>{"Illegal Type of Input Probability Data File!"});
  ASSERT_EQ(platform_.dialogs.size(), 2u);
  const app::FileDialogRequest& request = platform_.dialogs[1];
  EXPECT_EQ(request.title, "Input Probability Data File (*.OUT)");
  EXPECT_EQ(request.filter, "(*.OUT)|*.OUT");
  EXPECT_TRUE(request.must_exist);
  EXPECT_FALSE(request.save);
  EXPECT_EQ(caption("Label18").toStdString(), folder_.file("PROB.OUT"));
  platform_.cancelDialog();
  click("Command19");
  EXPECT_EQ(caption("Label18").toStdString(), folder_.file("PROB.OUT"));
}

TEST_F(LocalJob, ImportShowsCountsTableAndOneWarning) {
  importFile(kProbability);
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{kAboveOne});
  EXPECT_EQ(caption("ncortes"), "2");
  EXPECT_EQ(caption("Label4"), "4");
  app::FlexGrid* g = grid();
  ASSERT_EQ(g->rows(), 4);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(g->text(k, 0), QString::number(k));
    EXPECT_EQ(g->cellAlignment(k, 0), Qt::AlignCenter);
    EXPECT_EQ(g->text(k, 1), "");
  }
  EXPECT_EQ(g->colWidthTwips(2), std::lrint((g->widthTwips() - 1350) / 2.0));
  EXPECT_EQ(get<QProgressBar>("bar1")->value(), 0);
  EXPECT_FALSE(platform_.busy);
  EXPECT_EQ(platform_.busy_at_message, std::vector<bool>{true});
}

TEST_F(LocalJob, FailedImportClearsCountsAndTable) {
  importFile(kProbability);
  typeLimit(1, 1, "5");
  importFile("0.1 0.2\r\n0.3 0.2\r\n", "0");
  EXPECT_EQ(platform_.lastMessage(), "Error during import input probability data file!");
  EXPECT_EQ(caption("ncortes"), "");
  EXPECT_EQ(caption("Label4"), "");
  EXPECT_EQ(grid()->rows(), 1);
  EXPECT_FALSE(platform_.busy);
  // The message comes before the pointer is reset.
  EXPECT_TRUE(platform_.busy_at_message.back());
}

TEST_F(LocalJob, ImportNeedsAFileAndAFileThatOpens) {
  click("impor");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Please select input probability data file!"});
  EXPECT_EQ(platform_.busy_sets, 0);
  platform_.choose(folder_.file("missing.out"));
  click("Command19");
  click("impor");
  EXPECT_EQ(platform_.lastMessage(), "Error during import input probability data file!");
  EXPECT_FALSE(platform_.busy);
}

TEST_F(LocalJob, SkipBoxKeepsTheWholePart) {
  box("Text3")->setText("-1.5");
  EXPECT_EQ(box("Text3")->text(), "-2");
}

TEST_F(LocalJob, TypingKeepsSharedBoundariesEqual) {
  importFile(kProbability);
  app::FlexGrid* g = grid();
  typeLimit(2, 2, "12.5");
  EXPECT_EQ(g->text(2, 2), "12.5");
  EXPECT_EQ(g->text(3, 1), "12.5");
  EXPECT_EQ(g->cellAlignment(3, 1), Qt::AlignCenter);
  typeLimit(1, 1, "0");
  EXPECT_EQ(g->text(1, 1), "0");
  EXPECT_EQ(g->text(1, 2), "");
  // A lower limit typed below the first row also sets the upper limit of the class above.
  typeLimit(2, 1, "7");
  EXPECT_EQ(g->text(1, 2), "7");
  EXPECT_EQ(g->text(2, 1), "7");
  // The last upper limit has no neighbour.
  typeLimit(3, 2, "30");
  EXPECT_EQ(g->text(3, 2), "30");
  // Deleting every character writes nothing: the cell keeps what was typed.
  typeLimit(3, 2, "1");
  box("tmax")->backspace();
  EXPECT_EQ(g->text(3, 2), "1");
  // A click copies the cell's own text to its neighbour; column 0 does nothing.
  g->setText(1, 2, "99");
  g->clickCell(1, 2);
  EXPECT_EQ(g->text(2, 1), "99");
  EXPECT_EQ(box("tmax")->text(), "");
  g->clickCell(1, 0);
  EXPECT_EQ(g->text(1, 0), "1");
}

TEST_F(LocalJob, NodeBoxesDropTheSignOnLeaving) {
  auto* z = get<app::NodeCountBox>("Text2(5)");
  z->setText("-5");
  z->applyLostFocusRule();
  EXPECT_EQ(z->text(), "5");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal value for number Z nodes!"});
}

TEST_F(LocalJob, ContinueChecksInOrder) {
  click("Command14");
  EXPECT_EQ(platform_.lastMessage(), "Please define thresholds!");
  importFile(kProbability);
  click("Command14");
  EXPECT_EQ(platform_.lastMessage(), "Illegal values for Classe  1  and  Classe  2  limits!");
  typeLimits({"0", "10", "20", "30"});
  setNodes("2", "0", "1");
  click("Command14");
  EXPECT_EQ(platform_.lastMessage(), "Illegal value for number Y nodes!");
  EXPECT_EQ(box("Text2(4)")->text(), "1");
  click("Command14");
  EXPECT_EQ(platform_.lastMessage(), "Note: X-#nodes * Y-#nodes * Z-#nodes must be equal to 4");
  EXPECT_TRUE(shown("Frame5"));
  box("Text2(4)")->setText("2");
  click("Command14");
  EXPECT_FALSE(shown("Frame5"));
  EXPECT_TRUE(shown("Frame18"));
  click("Command24");
  EXPECT_TRUE(shown("Frame5"));
  EXPECT_FALSE(shown("Frame18"));
  EXPECT_EQ(grid()->text(3, 2), "30");
}

TEST_F(LocalJob, RunWritesTheSameFileAsTheBatchRun) {
  reachRunPanel();
  const std::string uniform = folder_.write_file("unif.out", kUniform);
  choosePaths(uniform, folder_.file("desk.out"));
  EXPECT_EQ(caption("Label22").toStdString(), uniform);
  platform_.messages.clear();
  click("Command23");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Calculation finished!"});
  EXPECT_FALSE(platform_.busy);
  EXPECT_EQ(folder_.read_file("desk.out"), "15.000\r\n26.667\r\n2.000\r\n20.000\r\n");
  ASSERT_EQ(cli("--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output "
                "c.out"),
            0);
  EXPECT_EQ(folder_.read_file("desk.out"), folder_.read_file("c.out"));

  get<QRadioButton>("Option2")->setChecked(true);
  click("Command23");
  EXPECT_EQ(folder_.read_file("desk.out"), " 2 \r\n 3 \r\n 1 \r\n 3 \r\n");
  ASSERT_EQ(
      cli("--prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output c.out "
          "--type classes"),
      0);
  EXPECT_EQ(folder_.read_file("desk.out"), folder_.read_file("c.out"));
}

TEST_F(LocalJob, RunFailuresKeepTheLinesWritten) {
  reachRunPanel();
  choosePaths(folder_.write_file("unif.out", "0.5\r\n0.9\r\n"), folder_.file("desk.out"));
  platform_.messages.clear();
  platform_.busy_at_message.clear();
  click("Command23");
  EXPECT_EQ(platform_.messageTexts(),
            std::vector<std::string>{"ERROR during Meldrit calulation:  Input data file not compatible!"});
  // Files closed and the pointer reset before the message.
  EXPECT_EQ(platform_.busy_at_message, std::vector<bool>{false});
  EXPECT_EQ(folder_.read_file("desk.out"), "15.000\r\n26.667\r\n");

  const int busy_before = platform_.busy_sets;
  choosePaths(folder_.file("unif.out"), folder_.file("unif.out"));
  click("Command23");
  EXPECT_EQ(platform_.lastMessage(), "Input data file and output file cannot be the same!");
  EXPECT_EQ(platform_.busy_sets, busy_before);
}

TEST_F(LocalJob, PickersRetryAndView) {
  platform_.choose(folder_.file("data.txt"));
  platform_.cancelDialog();
  click("Command5(1)");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal Type of Output File!"});
  EXPECT_EQ(caption("Label23"), " ");
  ASSERT_EQ(platform_.dialogs.size(), 2u);
  EXPECT_TRUE(platform_.dialogs[0].save);
  EXPECT_EQ(platform_.dialogs[0].title, "Output Data File (*.OUT)");
  platform_.choose(folder_.file("layout"));
  click("Command11(1)");
  EXPECT_EQ(platform_.dialogs.back().title, "Input Data File (*.OUT)");
  EXPECT_EQ(caption("Label22").toStdString(), folder_.file("layout"));
  EXPECT_EQ(caption("in3"), " ");

  click("Command18(1)");
  click("Command10(1)");
  click("Command17");
  ASSERT_EQ(platform_.launches.size(), 3u);
  EXPECT_EQ(platform_.launches[0].command_line, "WORDPAD.exe \"" + folder_.file("layout") + "\"");
  EXPECT_EQ(platform_.launches[1].command_line, "WORDPAD.exe \"\"");
}

TEST_F(LocalJob, SessionSettingsCarryTheJobOver) {
  platform_.choose(folder_.write_file("prob.out", kProbability));
  click("Command19");
  box("Text3")->setText("3");
  setNodes("10", "10", "5");
  platform_.choose(folder_.file("u.out"));
  click("Command11(1)");
  box("Text4")->setText("2");
  get<QRadioButton>("Option2")->setChecked(true);
  window_->saveini(1, 1);
  const std::string saved = folder_.read_file("meldrit.ini");
  EXPECT_NE(saved.find(folder_.file("prob.out") + "\r\n 3 \r\n 10  10  5 \r\n" + folder_.file("u.out") +
                       "\r\n 2 \r\nNo\r\nFalse\r\n"),
            std::string::npos);

  open();
  EXPECT_EQ(caption("Label18").toStdString(), folder_.file("prob.out"));
  EXPECT_EQ(box("Text3")->text(), "3");
  EXPECT_EQ(box("Text2(5)")->text(), "5");
  EXPECT_EQ(caption("Label22").toStdString(), folder_.file("u.out"));
  EXPECT_EQ(box("Text4")->text(), "2");
  EXPECT_EQ(caption("Label23"), "");
  EXPECT_TRUE(get<QRadioButton>("Option2")->isChecked());
  // The counts and the table are not kept: the user imports again.
  EXPECT_EQ(grid()->rows(), 1);
}

}  // namespace
}  // namespace meldrit::test
