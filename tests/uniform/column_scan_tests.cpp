#include "uniform/column_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "uniform/column_pick.h"

namespace meldrit::uniform {
namespace {

using test::TempDir;

std::string lines(int count, const std::string& line) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\r\n";
  return out;
}

std::string columns(int k) {
  std::string line;
  for (int c = 1; c <= k; ++c) line += std::to_string(c) + " ";
  return line;
}

TEST(CountColumns, CountsFieldStartsAfterBlanksOnly) {
  const struct {
    const char* line;
    std::size_t expected;
  } cases[] = {{"  1.5   2   3", 3}, {"1\t2\t3", 1}, {"", 0},     {"   ", 0},
               {"a  ", 1},           {" a,b c", 2},  {"\t1 2", 2}};
  for (const auto& c : cases) EXPECT_EQ(count_columns(c.line), c.expected) << '"' << c.line << '"';
}

TEST(ScanColumnFile, CountsColumnsFromTheFirstLineAndSamplesFromTheStream) {
  const struct {
    std::string bytes;
    const char* skip;
    CoordinateOption option;
    bool counted, completed;
    int columns;
    std::uint64_t fields;
  } cases[] = {
      {lines(10, "1 2 3 4") + "5 6\r\n", "0", CoordinateOption::None, true, true, 4, 42},
      {"1 2 3 4\r\n" + lines(3, "1 2 3 4 5 6 7 8"), "0", CoordinateOption::None, true, true, 4, 28},
      {"head\r\nhead\r\n  1   2   3\r\n", "2.9", CoordinateOption::TwoD, true, true, 3, 3},
      {"1 2\r\n3 4\r\n", "abc", CoordinateOption::None, true, true, 2, 4},
      {"1 2\r3 4\r5", "0", CoordinateOption::None, true, true, 2, 5},
      {"x y\r\n\r\n1,2 3\r\n\r\n", "0", CoordinateOption::None, true, true, 2, 5},
      {"1\t2\t3\r\n", "0", CoordinateOption::None, true, true, 1, 3},
      {lines(2, columns(50)), "0", CoordinateOption::None, true, true, 50, 100},
      {lines(2, columns(51)), "0", CoordinateOption::None, true, false, 51, 0},
      {"1 2\r\n", "0", CoordinateOption::TwoD, true, false, 2, 0},
      {"1 2 3\r\n", "0", CoordinateOption::ThreeD, true, false, 3, 0},
      {"1 2 3 4\r\n", "0", CoordinateOption::ThreeD, true, true, 4, 4},
      {"head\r\n", "1", CoordinateOption::None, true, false, 0, 0},
      {"", "3", CoordinateOption::None, true, false, 0, 0},
      {"a\r\nb\r\n", "5", CoordinateOption::None, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const ColumnScan scan = scan_column_file(dir.write("d.dat", c.bytes), c.skip, c.option);
    EXPECT_EQ(scan.columns_counted, c.counted) << c.bytes;
    EXPECT_EQ(scan.completed, c.completed) << c.bytes;
    EXPECT_EQ(scan.columns_shown, c.completed) << c.bytes;
    EXPECT_EQ(scan.columns, c.columns) << c.bytes;
    EXPECT_EQ(scan.fields, c.fields) << c.bytes;
    EXPECT_EQ(scan.samples, c.completed ? c.fields / c.columns : 0) << c.bytes;
  }
  TempDir dir;
  EXPECT_FALSE(scan_column_file(dir.file("missing.dat"), "0", CoordinateOption::None).columns_counted);
}

TEST(ScanColumnFile, PreviewHoldsTheFirstThirtySamplesInShortestForm) {
  std::string bytes = "1.50 abc -0.25\r\n";
  for (int i = 2; i <= 40; ++i) bytes += std::to_string(i) + " 1e3 007\r\n";
  TempDir dir;
  ColumnScan scan = scan_column_file(dir.write("d.prn", bytes), "0", CoordinateOption::None);
  ASSERT_TRUE(scan.completed);
  EXPECT_EQ(scan.samples, 40u);
  EXPECT_EQ(scan.preview.size(), 90u);
  EXPECT_EQ(scan.preview_samples(), 30);
  EXPECT_EQ(scan.cell(1, 1), "1.5");
  EXPECT_EQ(scan.cell(1, 2), "abc");
  EXPECT_EQ(scan.cell(1, 3), "-.25");
  EXPECT_EQ(scan.cell(30, 2), "1000");
  EXPECT_EQ(scan.cell(30, 3), "7");

  scan = scan_column_file(dir.write("short.dat", "1 2 3\r\n4 5\r\n"), "0", CoordinateOption::None);
  EXPECT_EQ(scan.preview_samples(), 1);
}

TEST(PickColumn, RefusesRowNumbersCoordinatesAndColumnsBeyondK) {
  const struct {
    int clicked, columns, first_variable, first_yellow, unmark;  // unmark -1: nothing picked
  } cases[] = {{0, 5, 1, -1, -1}, {2, 5, 3, -1, -1}, {6, 5, 3, -1, -1}, {3, 5, 3, -1, 3}, {5, 5, 3, 3, 3}};
  for (const auto& c : cases) {
    const auto pick = pick_column(c.clicked, c.columns, c.first_variable, c.first_yellow);
    ASSERT_EQ(pick.has_value(), c.unmark >= 0) << c.clicked;
    if (pick) {
      EXPECT_EQ(pick->selected * 100 + pick->unmark, c.clicked * 100 + c.unmark);
    }
  }
}

}  // namespace
}  // namespace meldrit::uniform
