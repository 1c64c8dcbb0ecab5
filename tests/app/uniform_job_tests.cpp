#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <filesystem>

#include "app/app_test_support.h"
#include "app/flex_grid.h"

namespace meldrit::test {
namespace {

namespace fs = std::filesystem;

// Records the pointer at each message.
class WatchingPlatform : public FakePlatform {
 public:
  app::MessageAnswer showMessage(const app::MessageRequest& request) override {
    busy_at_message.push_back(busy);
    return FakePlatform::showMessage(request);
  }
  std::vector<bool> busy_at_message;
};

const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

// 2D data: x, y and two variables, 40 samples after one header line.
std::string twoDData(int samples = 40) {
  std::string bytes = "title\r\n";
  for (int i = 1; i <= samples; ++i) {
    bytes +=
        std::to_string(i) + ".50 " + std::to_string(2 * i) + " " + std::to_string((i * 7) % 40) + " 0.25\r\n";
  }
  return bytes;
}

class UniformJob : public testing::Test {
 protected:
  UniformJob() {
    platform_.folder = folder_.folder();
    window_ = std::make_unique<app::MainWindow>(platform_);
    trigger(*window_, QStringLiteral("mnuniform"));
  }

  template <class T = QWidget>
  T* get(const char* name) {
    T* widget = child<T>(*window_, QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void click(const char* name) { get<QAbstractButton>(name)->click(); }
  QString caption(const char* name) { return get<QLabel>(name)->text(); }
  app::FlexGrid* grid() { return get<app::FlexGrid>("Grid1"); }
  QWidget* frame6() { return window_->panel(QStringLiteral("Frame6")); }

  void importFile(const std::string& bytes, const char* skip = "1", const char* option = "d2") {
    platform_.choose(folder_.write_file("data.dat", bytes));
    click("Command9");
    get<QLineEdit>("skipuniform")->setText(QLatin1String(skip));
    click(option);
    click("Command20");
  }
  void chooseOutput() {
    platform_.choose(folder_.file("result.out"));
    click("Command7");
  }
  void copyUniformTool() {
    fs::copy_file(std::string(MELDRIT_PROGRAM_FOLDER) + "/uniform.exe", folder_.file("uniform.exe"));
  }

  TempFolder folder_;
  WatchingPlatform platform_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(UniformJob, FileChoicesRepeatUntilALegalTypeOrCancel) {
  platform_.choose(folder_.file("data.txt"));
  platform_.choose(folder_.file("data.Out"));
  click("Command9");
  EXPECT_EQ(caption("uniformin").toStdString(), folder_.file("data.Out"));
  ASSERT_EQ(platform_.dialogs.size(), 2u);
  EXPECT_EQ(platform_.dialogs[0].title, "Input Data File (*.OUT/*.PRN/*.DAT)");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal Type of Input Data File!"});

  platform_.choose(folder_.file("out.txt"));
  platform_.choose(folder_.file("mydat"));
  click("Command7");
  EXPECT_EQ(caption("uniformout").toStdString(), folder_.file("mydat"));
  EXPECT_EQ(platform_.dialogs.back().title, "Output Data File (*.OUT/*PRN/*.DAT)");
  EXPECT_EQ(platform_.lastMessage(), "Illegal Type of Output File!");

  platform_.cancelDialog();
  click("Command7");
  EXPECT_EQ(caption("uniformout").toStdString(), folder_.file("mydat"));
}

TEST_F(UniformJob, ImportShowsStructureAndPreviewThenExpands) {
  EXPECT_EQ(frame6()->height(), app::twips(1425));
  EXPECT_TRUE(get<QPushButton>("Command6")->isHidden());
  importFile(twoDData());
  EXPECT_TRUE(platform_.messages.empty()) << platform_.lastMessage();
  EXPECT_EQ(caption("variaveis"), "4");
  EXPECT_EQ(caption("amostras"), "40");
  app::FlexGrid* g = grid();
  EXPECT_EQ(g->text(0, 0), "");
  EXPECT_EQ(g->text(0, 1), "x");
  EXPECT_EQ(g->text(0, 4), "col  4");
  EXPECT_EQ(g->text(0, 5), "");
  EXPECT_EQ(g->text(1, 0), "1");
  EXPECT_EQ(g->text(1, 1), "1.5");
  EXPECT_EQ(g->text(1, 4), ".25");
  EXPECT_EQ(g->text(30, 2), "60");
  EXPECT_EQ(g->text(1, 5), " ");
  EXPECT_EQ(platform_.busy_history, (std::vector<bool>{true, false}));

  QWidget* panel = frame6();
  EXPECT_EQ(panel->height(), app::twips(5652));
  const QWidget* client = panel->parentWidget();
  EXPECT_EQ(panel->y(), static_cast<int>(std::floor((client->height() - panel->height()) / 2.0)));
  EXPECT_FALSE(get<QPushButton>("Command6")->isHidden());

  // Fewer samples than grid rows leave the rows after the last sample blank.
  importFile(twoDData(3), "1", "d3");
  EXPECT_EQ(grid()->text(0, 3), "z");
  EXPECT_EQ(grid()->text(3, 1), "3.5");
  EXPECT_EQ(grid()->text(4, 1), " ");
  EXPECT_EQ(caption("amostras"), "3");
}

TEST_F(UniformJob, OptionClickCollapsesAndARefusedImportClearsTheGridButKeepsTheCounts) {
  importFile(twoDData());
  grid()->clickCell(1, 3);
  const QPoint place = frame6()->pos();
  click("d3");
  EXPECT_EQ(frame6()->height(), app::twips(1572));
  EXPECT_EQ(frame6()->pos(), place);
  EXPECT_TRUE(get<QPushButton>("Command6")->isHidden());

  importFile("1 2\r\n3 4\r\n", "0", "d2");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Illegal input data file format!"});
  EXPECT_FALSE(platform_.busy);
  EXPECT_EQ(caption("variaveis"), "4");
  EXPECT_EQ(caption("amostras"), "40");
  EXPECT_EQ(grid()->text(1, 1), " ");
  EXPECT_EQ(grid()->cellBackground(1, 3), kWhite);
  EXPECT_EQ(frame6()->height(), app::twips(1572));
  EXPECT_TRUE(get<QPushButton>("Command6")->isHidden());
}

TEST_F(UniformJob, ColumnPickMovesTheYellowMarkAmongVariableColumns) {
  importFile(twoDData());
  app::FlexGrid* g = grid();
  for (int refused : {0, 1, 2, 5}) {
    g->clickCell(1, refused);
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(g->cellBackground(1, c), kWhite) << refused;
  }
  g->clickCell(7, 3);
  EXPECT_EQ(g->row(), 0);
  EXPECT_EQ(g->cellBackground(1, 3), kYellow);
  EXPECT_EQ(g->cellBackground(30, 3), kYellow);
  g->clickCell(1, 4);
  EXPECT_EQ(g->cellBackground(1, 3), kWhite);
  EXPECT_EQ(g->cellBackground(30, 3), kWhite);
  EXPECT_EQ(g->cellBackground(30, 4), kYellow);
}

TEST_F(UniformJob, RunTransformsTheMarkedColumnWithTheRealProgram) {
  copyUniformTool();
  std::string preferences;
  for (int i = 1; i <= 35; ++i) preferences += "0\r\n";
  folder_.write_file("kvat.pam", preferences + "2\r\n");
  importFile("x y a b\r\n10 20 3 0.5\r\n11 21 1 0.25\r\n12 22 2 0.75\r\n");
  grid()->clickCell(1, 4);
  chooseOutput();
  click("Command6");
  EXPECT_EQ(platform_.messageTexts(), std::vector<std::string>{"Calculation Complete!"});
  EXPECT_EQ(platform_.busy_at_message, std::vector<bool>{false});
  EXPECT_EQ(folder_.read_file("result.out"), " 10  20  .5 \r\n 11  21  .1666667 \r\n 12  22  .8333333 \r\n");
  ASSERT_EQ(platform_.runs.size(), 1u);
  EXPECT_EQ(platform_.runs[0].command_line, "uniform.exe uniform.par 0");
  EXPECT_EQ(platform_.runs[0].folder, folder_.folder());
  EXPECT_EQ(platform_.runs[0].timeout_ms, -1);
  EXPECT_EQ(platform_.runs[0].window_mode, 3);
  EXPECT_EQ(platform_.runs[0].creation_flags, 128);
  EXPECT_TRUE(folder_.exists("uniform.par"));
  EXPECT_FALSE(folder_.exists("tempuniforme34247.out"));
  EXPECT_FALSE(folder_.exists("tempuniforme34246.out"));
  // The run leaves the panel as it was.
  EXPECT_EQ(grid()->cellBackground(1, 4), kYellow);
}

TEST_F(UniformJob, RunChecksAndFailureEnd) {
  importFile(twoDData(4));
  click("Command6");
  EXPECT_EQ(platform_.lastMessage(), "Please select output file!");
  chooseOutput();
  click("Command6");
  EXPECT_EQ(platform_.lastMessage(), "Please select column!");
  EXPECT_EQ(platform_.busy_at_message.back(), false);
  EXPECT_TRUE(platform_.runs.empty());

  grid()->clickCell(1, 3);
  platform_.run_result = false;
  click("Command6");
  EXPECT_EQ(platform_.lastMessage(), "Cannot run 'uniform.exe'!");
  EXPECT_FALSE(platform_.busy);

  // The data file edited after the import to hold fewer fields.
  platform_.runs.clear();
  fs::remove(folder_.file("tempuniforme34247.out"));
  folder_.write_file("data.dat", "title\r\n1 2 3 4\r\n");
  click("Command6");
  EXPECT_EQ(platform_.lastMessage(), "Cannot run 'uniform.exe'!");
  EXPECT_TRUE(platform_.runs.empty());
  EXPECT_TRUE(folder_.exists("tempuniforme34247.out"));
  EXPECT_FALSE(folder_.exists("result.out"));
}

TEST(UniformJobSettings, RestoresAndSavesItsThreeItems) {
  FakePlatform platform;
  app::AppContext context{platform, "."};
  QWidget parent;
  std::unique_ptr<app::JobPanels> job = app::createUniformJob(context, &parent);
  settings::SessionSettings in;
  in.uniformin = "/data/in.dat";
  in.skipuniform = "3";
  in.uniformout = "";
  job->restore(in);
  EXPECT_EQ(parent.findChild<QLabel*>(QStringLiteral("uniformin"))->text(), "/data/in.dat");
  EXPECT_EQ(parent.findChild<QLineEdit*>(QStringLiteral("skipuniform"))->text(), "3");
  settings::SessionSettings out;
  job->save(out);
  EXPECT_EQ(out.uniformin, "/data/in.dat");
  EXPECT_EQ(out.skipuniform, "3");
  EXPECT_EQ(out.uniformout, "");
}

}  // namespace
}  // namespace meldrit::test
