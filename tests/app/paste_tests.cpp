#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

// The lower and upper limit of each class row.
QStringList limitsOf(const app::FlexGrid* grid) {
  QStringList limits;
  for (int r = 1; r < grid->rows(); ++r) limits << grid->text(r, 1) + "|" + grid->text(r, 2);
  return limits;
}

void pressPaste(QWidget* target) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
  QApplication::sendEvent(target, &press);
}

class Paste : public testing::Test, public WindowOnFake {
 protected:
  // A local panel with a five-threshold file imported, `header` as its first line.
  app::FlexGrid* importFive(const std::string& header, const char* skip) {
    open("mnumeldritii");
    pick("Command19", folder.write("ccdf.out", header + "\r\n.1 .2 .3 .4 .5\r\n.2 .3 .4 .5 .6\r\n"));
    setBox("Text3", skip);
    click("impor");
    return get<app::FlexGrid>("gridcortes");
  }
};

TEST_F(Paste, AListFillsConsecutiveLimitsThroughTheTypingRules) {
  struct Case {
    const char* clipboard;
    int row, col;  // the current cell
    QStringList limits;
  };
  const Case cases[] = {
      {"0 8 12 16 20 24 100", 1, 1, {"0|8", "8|12", "12|16", "16|20", "20|24", "24|100"}},
      {"0,8,12\r\n", 1, 1, {"0|8", "8|12", "12|", "|", "|", "|"}},
      {"16\t20\n24", 3, 2, {"|", "|", "|16", "16|20", "20|24", "24|"}},
      {"16 20", 4, 1, {"|", "|", "|16", "16|20", "20|", "|"}},
      {"24 100 7 7", 5, 2, {"|", "|", "|", "|", "|24", "24|100"}},  // past the table: dropped
      {"", 1, 1, {"|", "|", "|", "|", "|", "|"}},
  };
  for (const Case& c : cases) {
    app::FlexGrid* grid = importFive("no thresholds here", "1");
    ASSERT_EQ(grid->rows(), 7);
    grid->clickCell(c.row, c.col);
    platform.clipboard = c.clipboard;
    // Ctrl+V reaches the box that has the keyboard after a click.
    pressPaste(get<QWidget>(c.col == 1 ? "tmin" : "tmax"));
    EXPECT_EQ(limitsOf(grid), c.limits) << c.clipboard;
  }
  // The context action does the same.
  app::FlexGrid* grid = importFive("no thresholds here", "1");
  grid->clickCell(1, 1);
  platform.clipboard = "1 2";
  grid->findChild<QAction*>(QStringLiteral("pasteList"))->trigger();
  EXPECT_EQ(limitsOf(grid).mid(0, 2), (QStringList{"1|2", "2|"}));
}

TEST_F(Paste, AHeaderNamingTheThresholdsIsOfferedWithOneButton) {
  const std::string ccdf = "Local ccdfs of porosity at 8 12 16 20 24 %, 60 x 40 x 3 nodes, X fastest";
  const std::tuple<std::string, const char*, bool> cases[] = {
      {ccdf, "1", true},
      {"Local ccdfs at 8 12 16 %", "1", false},  // three named, five in the file
      {".1 .2 .3 .4 .5", "0", false},            // a data line, not a header
  };
  for (const auto& [header, skip, offered] : cases) {
    app::FlexGrid* grid = importFive(header, skip);
    auto* button = get<QPushButton>("headerLimits");
    EXPECT_EQ(!button->isHidden(), offered) << header;
    if (!offered) continue;
    EXPECT_EQ(button->text().toStdString(), "Use 8 12 16 20 24");
    grid->clickCell(1, 1);
    get<QLineEdit>("tmin")->insert("0");
    button->click();
    EXPECT_EQ(limitsOf(grid), (QStringList{"0|8", "8|12", "12|16", "16|20", "20|24", "24|"}));
  }
}

TEST_F(Paste, AListFillsTheSkipCountsOfTheClassTable) {
  open("mnumultiphase");
  get<QRadioButton>("op1")->setChecked(true);
  pick("Command26", folder.write("phases.out", "1\r\n2\r\n3\r\n2\r\n"));
  click("Command1");
  auto* grid = get<app::FlexGrid>("griduni");
  ASSERT_EQ(grid->rows(), 4);
  grid->clickCell(2, 1);
  platform.clipboard = "3\n5\n9";
  pressPaste(get<QWidget>("in3text"));
  EXPECT_EQ(rowOf(grid, 1, 2), (QStringList{"Class  1", "0"}));
  EXPECT_EQ(rowOf(grid, 2, 2), (QStringList{"Class  2", "3"}));
  EXPECT_EQ(rowOf(grid, 3, 2), (QStringList{"Class  3", "5"}));
  // From a path cell the list still goes to the skip counts, from that row down.
  grid->clickCell(1, 2);
  platform.clipboard = "7 8";
  grid->findChild<QAction*>(QStringLiteral("pasteList"))->trigger();
  EXPECT_EQ(rowOf(grid, 1, 2), (QStringList{"Class  1", "7"}));
  EXPECT_EQ(rowOf(grid, 2, 2), (QStringList{"Class  2", "8"}));
}

}  // namespace
}  // namespace meldrit::test
