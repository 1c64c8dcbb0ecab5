#include <gtest/gtest.h>

#include <QRadioButton>
#include <array>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

// Every saved control of the three jobs. These come back as they were left:
const char* const kPaths[] = {"in1", "binn", "out1", "uniformin", "uniformout", "Label18", "Label22"};
const char* const kCounts[] = {"linhas1",     "verlito", "vervar",   "Text2(0)", "Text2(2)",
                               "skipuniform", "Text3",   "Text2(3)", "Text2(4)", "Text4"};
// these as the next start shows them: numbers written plainly, a blank box as "0", a blank path as
// the empty caption.
const char* const kChanged[][3] = {{"in2", " ", ""},
                                   {"linhas2", " 3.50", "3.5"},
                                   {"Text2(1)", " ", "0"},
                                   {"Text2(5)", " ", "0"},
                                   {"Label23", "", ""}};

// The class table rows 1..3 as left, then as restored: labelled by their number, whatever they
// read when saved.
const QStringList kRowsSet[] = {
    {"Class  1", "1", "/data/u one.out"}, {"x", "", "/data/u2.out"}, {"", "5", " "}};
const QStringList kRowsRestored[] = {
    {"lit.  1", "1", "/data/u one.out"}, {"lit.  2", "0", "/data/u2.out"}, {"lit.  3", "5", ""}};

TEST(SettingsRestart, EveryControlOfTheThreeJobsComesBack) {
  std::vector<std::array<std::string, 3>> items;  // name, text left, text restored
  for (const char* name : kPaths) items.push_back({name, "/data/" + std::string(name) + " file.out"});
  for (const char* name : kCounts) items.push_back({name, std::to_string(items.size())});
  for (auto& item : items) item[2] = item[1];
  for (const auto& item : kChanged) items.push_back({item[0], item[1], item[2]});
  WindowOnFake shell;
  shell.open();
  for (const auto& item : items) {
    auto* label = shell.window->findChild<QLabel*>(QString::fromStdString(item[0]));
    label ? label->setText(QString::fromStdString(item[1])) : shell.setBox(item[0].c_str(), item[1]);
  }
  auto* grid = shell.get<app::FlexGrid>("griduni");
  grid->setRows(4);
  for (int r = 1; r <= 3; ++r) {
    for (int c = 0; c < 3; ++c) grid->setText(r, c, kRowsSet[r - 1][c]);
  }
  shell.get<QRadioButton>("Option2")->setChecked(true);
  shell.window->saveini(1, 1);

  shell.open();
  EXPECT_TRUE(shell.platform.messages.empty());
  for (const auto& item : items) {
    auto* label = shell.window->findChild<QLabel*>(QString::fromStdString(item[0]));
    EXPECT_EQ(label ? label->text().toStdString() : shell.boxText(item[0].c_str()), item[2]) << item[0];
  }
  grid = shell.get<app::FlexGrid>("griduni");
  ASSERT_EQ(grid->rows(), 4);
  EXPECT_EQ(rowOf(grid, 0), (QStringList{"Phase", "Skip Lines", "Input File Name"}));
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(rowOf(grid, r), kRowsRestored[r - 1]);
  EXPECT_TRUE(shell.get<QRadioButton>("Option2")->isChecked());
  // The local job's counts and thresholds table are not kept: the user imports again.
  EXPECT_EQ(shell.get<app::FlexGrid>("gridcortes")->rows(), 1);
}

}  // namespace
}  // namespace meldrit::test
