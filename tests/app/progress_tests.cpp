#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <thread>

#include "app/app_test_support.h"
#include "app/background_run.h"

namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

// Feeds a FIFO from a thread, a chunk at a time, until every chunk is written or the reader goes.
class SlowFeed {
 public:
  SlowFeed(std::string path, std::string chunk, int chunks, int pause_ms)
      : thread_([=, this] {
          std::ofstream out(path, std::ios::binary);  // waits for the reader to open it
          for (int i = 0; i < chunks && !stop_ && out; ++i) {
            out << chunk << std::flush;
            std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
          }
        }) {}
  ~SlowFeed() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class Progress : public testing::Test, public WindowOnFake {
 protected:
  Progress() {
    signal(SIGPIPE, SIG_IGN);  // a feed whose reader was cancelled gets an error, not a signal
    app::BackgroundRun::dialogDelay() = 100;
  }
  ~Progress() override { app::BackgroundRun::dialogDelay() = 500; }

  std::string fifo(const char* name) {
    const std::string path = folder.file(name);
    mkfifo(path.c_str(), 0600);
    return path;
  }
  // From inside the operation: waits for the progress dialog (at a step whose name ends with
  // `step`), notes that it showed and what its bar and figures said, presses Cancel.
  void cancelOnceShown(const QString& step = {}) {
    auto* poll = new QTimer(window.get());
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, step] {
      auto* dialog = window->findChild<QDialog*>(QStringLiteral("progressDialog"));
      if (dialog == nullptr || !dialog->isVisible()) return;
      if (!dialog->findChild<QLabel*>(QStringLiteral("operation"))->text().endsWith(step)) return;
      dialog_seen = true;
      bar_end = dialog->findChild<QProgressBar*>(QStringLiteral("progress"))->maximum();
      figures = dialog->findChild<QLabel*>(QStringLiteral("figures"))->text();
      dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
      poll->stop();
    });
    poll->start(20);
  }

  bool dialog_seen = false;
  int bar_end = -1;
  QString figures;
};

TEST_F(Progress, CancelARunKeepsItsLinesAndSaysSo) {
  open("mnumeldritii");
  std::string prob;
  for (int i = 0; i < 1000; ++i) prob += "0.8\r\n";
  pick("Command19", folder.write("prob.out", prob));
  setBox("Text3", "0");
  click("impor");
  get<app::FlexGrid>("gridcortes")->clickCell(1, 1);
  get<QLineEdit>("tmin")->insert("0");
  get<app::FlexGrid>("gridcortes")->clickCell(2, 2);
  get<QLineEdit>("tmax")->insert("20");
  get<app::FlexGrid>("gridcortes")->clickCell(1, 2);
  get<QLineEdit>("tmax")->insert("10");
  setNodes(3, "1000", "1", "1");
  click("Command14");
  ASSERT_TRUE(shown("Frame18"));
  pick("Command11(1)", fifo("slow.out"));
  pick("Command5(1)", folder.file("result.out"));

  SlowFeed feed(folder.file("slow.out"), "0.5\r\n", 1000, 2);
  cancelOnceShown();
  click("Command23");
  EXPECT_TRUE(dialog_seen);
  EXPECT_EQ(platform.lastMessage(), "Calculation cancelled.");
  EXPECT_FALSE(platform.busy_at_message.back());
  EXPECT_FALSE(platform.busy);
  const std::string written = folder.read("result.out");
  EXPECT_GT(written.size(), 0u);
  EXPECT_LT(written.size(), 1000 * 7u);
  EXPECT_EQ(written.find_first_not_of("6.250\r\n"), std::string::npos);  // whole lines, all kept
  EXPECT_EQ(written.size() % 7, 0u);
}

TEST_F(Progress, CancelAnImportLeavesThePanelAsBeforeIt) {
  open("mnumeldritii");
  pick("Command19", folder.write("prob.out", "0.1 0.5\r\n0.2 0.6\r\n0.3 0.7\r\n"));
  setBox("Text3", "0");
  click("impor");
  auto* grid = get<app::FlexGrid>("gridcortes");
  grid->clickCell(1, 1);
  get<QLineEdit>("tmin")->insert("0");
  grid->clickCell(2, 2);
  get<QLineEdit>("tmax")->insert("20");
  grid->clickCell(1, 2);
  get<QLineEdit>("tmax")->insert("10");
  // Everything the import touches, as the user last saw it.
  const auto state = [this, grid] {
    std::vector<QStringList> seen = {QStringList{
        QString::number(get<QProgressBar>("bar1")->value()), get<QLabel>("ncortes")->text(),
        get<QLabel>("Label4")->text(), QString::number(grid->row()), QString::number(grid->col())}};
    for (int r = 0; r < grid->rows(); ++r) seen.push_back(rowOf(grid, r));
    QStringList widths;
    for (int c = 0; c < grid->cols(); ++c) widths << QString::number(grid->columnWidth(c));
    seen.push_back(widths);
    return seen;
  };
  const std::vector<QStringList> before = state();
  ASSERT_EQ(before[0].mid(1, 2), (QStringList{"2", "3"}));
  ASSERT_EQ(before[2], (QStringList{"1", "0", "10"}));

  pick("Command19", fifo("slow.out"));
  std::string chunk;
  for (int i = 0; i < 1000; ++i) chunk += "0.1 0.2 0.3\r\n";
  SlowFeed feed(folder.file("slow.out"), chunk, 2000, 5);
  cancelOnceShown();
  click("impor");
  EXPECT_TRUE(dialog_seen);
  EXPECT_EQ(platform.messageTexts(), Texts{"Import cancelled."});
  EXPECT_FALSE(platform.busy);
  EXPECT_EQ(state(), before);
}

TEST_F(Progress, CancelTheUniformRunEndsTheProgramItWaitsFor) {
  open("mnuniform");
  folder.write("uniform.exe", "#!/bin/sh\necho $$ > started\nexec sleep 60\n");
  chmod(folder.file("uniform.exe").c_str(), 0700);
  platform.run_instead = folder.file("uniform.exe") + " uniform.par 0";
  pick("Command9", folder.write("data.dat", "1 2\r\n3 4\r\n"));
  click("Command20");
  get<app::FlexGrid>("Grid1")->clickCell(1, 2);
  pick("Command7", folder.file("result.out"));
  cancelOnceShown(QStringLiteral("Running uniform.exe"));
  click("Command6");
  EXPECT_TRUE(dialog_seen);
  // The program's length is unknown: a busy bar and the step's own time, not the file step's figures.
  EXPECT_EQ(bar_end, 0);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^0:0\\d spent$")).match(figures).hasMatch())
      << figures.toStdString();
  EXPECT_EQ(platform.messageTexts(), Texts{"Calculation cancelled."});
  EXPECT_FALSE(platform.busy_at_message.back());
  const pid_t program = std::stoi(folder.read("started"));
  EXPECT_EQ(kill(program, 0), -1);  // ended and waited for
  EXPECT_FALSE(std::filesystem::exists(folder.file("result.out")));
}

TEST_F(Progress, ShortWorkShowsNoDialog) {
  app::BackgroundRun::dialogDelay() = 500;
  open("mnumeldritii");
  pick("Command19", folder.write("prob.out", "0.1 0.2\r\n0.3 0.4\r\n"));
  setBox("Text3", "0");
  bool dialog_shown = false;
  auto* watch = new QTimer(window.get());
  QObject::connect(watch, &QTimer::timeout, watch, [&] {
    auto* dialog = window->findChild<QDialog*>(QStringLiteral("progressDialog"));
    dialog_shown = dialog_shown || (dialog != nullptr && dialog->isVisible());
  });
  watch->start(1);
  click("impor");
  EXPECT_FALSE(dialog_shown);
  EXPECT_EQ(captions({"ncortes", "Label4"}), (Texts{"2", "2"}));
}

}  // namespace
}  // namespace meldrit::test
