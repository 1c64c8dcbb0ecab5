#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <vector>

#include "app/app_test_support.h"
#include "app/flex_grid.h"

namespace meldrit::test {
namespace {

// One saved control: what the user left in it and what the next start shows.
struct Item {
  const char* name;
  QString set;
  QString restored;
};

QString textOf(const QObject& window, const char* name) {
  if (auto* label = child<QLabel>(window, QLatin1String(name))) return label->text();
  if (auto* box = child<QLineEdit>(window, QLatin1String(name))) return box->text();
  ADD_FAILURE() << "no label or text box " << name;
  return {};
}

void setTextOf(const QObject& window, const char* name, const QString& text) {
  if (auto* label = child<QLabel>(window, QLatin1String(name))) {
    label->setText(text);
  } else if (auto* box = child<QLineEdit>(window, QLatin1String(name))) {
    box->setText(text);
  } else {
    ADD_FAILURE() << "no label or text box " << name;
  }
}

// Every path label, number box and count label of the three jobs. Numbers come back written
// plainly, a blank box as "0"; a blank path as the empty caption.
const std::vector<Item> kItems = {
    {"in1", "/data/phases file.out", "/data/phases file.out"},
    {"in2", " ", ""},
    {"linhas1", "2", "2"},
    {"linhas2", " 3.50", "3.5"},
    {"verlito", "3", "3"},
    {"vervar", "2", "2"},
    {"Text2(0)", "10", "10"},
    {"Text2(1)", " ", "0"},
    {"Text2(2)", "7", "7"},
    {"binn", "/data/bihist.TXT", "/data/bihist.TXT"},
    {"out1", "/data/result.out", "/data/result.out"},
    {"uniformin", "/data/samples.prn", "/data/samples.prn"},
    {"skipuniform", "4", "4"},
    {"uniformout", "/data/scores.out", "/data/scores.out"},
    {"Label18", "/data/prob.out", "/data/prob.out"},
    {"Text3", "6", "6"},
    {"Text2(3)", "10", "10"},
    {"Text2(4)", "20", "20"},
    {"Text2(5)", " ", "0"},
    {"Label22", "/data/uniform.out", "/data/uniform.out"},
    {"Text4", "1", "1"},
    {"Label23", "", ""},
};

// The class table rows 1..3 as left (skip, path) and as restored.
struct Row {
  QString skip_set;
  QString path_set;
  QString skip_restored;
  QString path_restored;
};
const std::vector<Row> kRows = {
    {"1", "/data/u one.out", "1", "/data/u one.out"},
    {"", "/data/u2.out", "0", "/data/u2.out"},
    {"5", " ", "5", ""},
};

TEST(SettingsRestart, EveryControlOfTheThreeJobsComesBack) {
  TempFolder folder;
  {
    FakePlatform platform;
    platform.folder = folder.folder();
    app::MainWindow window(platform);
    for (const Item& item : kItems) setTextOf(window, item.name, item.set);
    auto* grid = child<app::FlexGrid>(window, QStringLiteral("griduni"));
    ASSERT_NE(grid, nullptr);
    grid->setRows(static_cast<int>(kRows.size()) + 1);
    for (int r = 1; r <= static_cast<int>(kRows.size()); ++r) {
      grid->setText(r, 0, QStringLiteral("Class  %1").arg(r));
      grid->setText(r, 1, kRows[r - 1].skip_set);
      grid->setText(r, 2, kRows[r - 1].path_set);
    }
    child<QRadioButton>(window, QStringLiteral("Option2"))->setChecked(true);
    window.saveini(1, 1);
    EXPECT_TRUE(platform.ended);
    EXPECT_TRUE(platform.messages.empty());
  }

  // 20 + 2R lines, each ended by CR LF.
  const std::string saved = folder.read_file("meldrit.ini");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 20 + 2 * 4);

  FakePlatform platform;
  platform.folder = folder.folder();
  app::MainWindow window(platform);
  EXPECT_TRUE(platform.messages.empty());
  for (const Item& item : kItems) EXPECT_EQ(textOf(window, item.name), item.restored) << item.name;
  auto* grid = child<app::FlexGrid>(window, QStringLiteral("griduni"));
  ASSERT_EQ(grid->rows(), 4);
  EXPECT_EQ(grid->cols(), 3);
  EXPECT_EQ(grid->text(0, 0), "Phase");
  EXPECT_EQ(grid->text(0, 1), "Skip Lines");
  EXPECT_EQ(grid->text(0, 2), "Input File Name");
  for (int r = 1; r <= 3; ++r) {
    // Restored rows are labelled by their number, whatever they read when saved.
    EXPECT_EQ(grid->text(r, 0), QStringLiteral("lit.  %1").arg(r));
    EXPECT_EQ(grid->text(r, 1), kRows[r - 1].skip_restored) << r;
    EXPECT_EQ(grid->text(r, 2), kRows[r - 1].path_restored) << r;
    EXPECT_EQ(grid->cellAlignment(r, 1), Qt::AlignCenter);
  }
  EXPECT_TRUE(child<QRadioButton>(window, QStringLiteral("Option2"))->isChecked());
  EXPECT_FALSE(child<QRadioButton>(window, QStringLiteral("Option1"))->isChecked());
}

}  // namespace
}  // namespace meldrit::test
