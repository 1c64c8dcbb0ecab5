#include "textio/field_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace meldrit::textio {
namespace {

using test::TempDir;

// Reads every field of `bytes` (after `skip` lines) as text; "EOF"/"ERR" mark how it ended.
std::vector<std::string> fields_of(const std::string& bytes, double skip = 0, std::size_t block = 64,
                                   FieldMode mode = FieldMode::Number) {
  TempDir dir;
  FieldStream stream(block);
  EXPECT_TRUE(stream.open(dir.write("f.txt", bytes)));
  std::vector<std::string> out;
  if (!stream.skip_lines(skip)) {
    out.push_back("SHORT");
    return out;
  }
  for (;;) {
    std::string_view field;
    const ReadStatus status = stream.next_field(field, mode);
    if (status != ReadStatus::Ok) break;
    out.emplace_back(field);
  }
  return out;
}

using Fields = std::vector<std::string>;

TEST(FieldStream, SplitsFieldsAcrossLinesAndSeparators) {
  const struct {
    const char* bytes;
    Fields expected;
  } cases[] = {
      {"1 2 3\r\n4 5 6\r\n", {"1", "2", "3", "4", "5", "6"}},
      {"  1   2\r\n", {"1", "2"}},
      {"1,2,3", {"1", "2", "3"}},
      {"1 , 2", {"1", "2"}},
      {"1\r2\n3\r\n4", {"1", "2", "3", "4"}},
      {"1\t2", {"1", "2"}},
      {"\"a b\",3", {"a b", "3"}},
      {"\"unclosed", {"unclosed"}},
      {"1,,2", {"1", "", "2"}},
      {"\r\n\r\n  \r\n", {}},
      {"", {}},
      {"1\r\n\r\n\r\n2\r\n\r\n", {"1", "2"}},
      {"-1.5e3 abc", {"-1.5e3", "abc"}},
  };
  for (const auto& c : cases) {
    for (std::size_t block : {std::size_t{64}, FieldStream::kDefaultBlock}) {
      EXPECT_EQ(fields_of(c.bytes, 0, block), c.expected) << c.bytes;
    }
  }
}

TEST(FieldStream, TextFieldsRunToCommaOrLineEnd) {
  EXPECT_EQ(fields_of("C:\\My Files\\a.out\r\nNO FILE\r\n", 0, 64, FieldMode::Text),
            (Fields{"C:\\My Files\\a.out", "NO FILE"}));
  EXPECT_EQ(fields_of("  a b , c\r\n", 0, 64, FieldMode::Text), (Fields{"a b", "c"}));
}

TEST(FieldStream, SkipsWholeLines) {
  const struct {
    const char* bytes;
    double skip;
    Fields expected;
  } cases[] = {
      {"title\r\n1 2\r\n", 1, {"1", "2"}},
      {"t1\r\nt2\r\n3\r\n", 2.9, {"3"}},
      {"t1\r\n3\r\n", 0.5, {"t1", "3"}},
      {"t1\r\n3\r\n", -4, {"t1", "3"}},
      {"t1\rt2\n3", 2, {"3"}},
      {"only", 1, {}},          // a last line without a line end counts
      {"a\r\n", 2, {"SHORT"}},  // fewer lines than the skip count
      {"", 1, {"SHORT"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fields_of(c.bytes, c.skip), c.expected) << c.bytes << " skip " << c.skip;
}

TEST(FieldStream, LongFieldsAndLinesCrossBlockBoundaries) {
  std::string longfield(500, '7');
  std::string bytes = std::string(300, 'h') + "\r\n" + longfield + " 1\r\n";
  EXPECT_EQ(fields_of(bytes, 1, 64), (Fields{longfield, "1"}));

  TempDir dir;
  FieldStream stream(64);
  ASSERT_TRUE(stream.open(dir.write("l.txt", bytes)));
  std::string line;
  ASSERT_TRUE(stream.read_line(line));
  EXPECT_EQ(line, std::string(300, 'h'));
  ASSERT_TRUE(stream.read_line(line));
  EXPECT_EQ(line, longfield + " 1");
  EXPECT_FALSE(stream.read_line(line));
}

TEST(FieldStream, NumbersNonNumbersAndTheEnd) {
  TempDir dir;
  FieldStream stream;
  ASSERT_TRUE(stream.open(dir.write("n.txt", "1.5 x 2,, 3\r\n")));
  double value = -1;
  EXPECT_EQ(stream.next_number(value), ReadStatus::Ok);
  EXPECT_EQ(value, 1.5);
  EXPECT_EQ(stream.next_number(value), ReadStatus::NotNumeric);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(stream.next_number(value), ReadStatus::Ok);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(stream.next_number(value), ReadStatus::Ok);  // the empty field reads as 0
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(stream.at_end());
  EXPECT_EQ(stream.next_number(value), ReadStatus::Ok);
  EXPECT_EQ(value, 3);
  EXPECT_TRUE(stream.at_end());
  EXPECT_EQ(stream.next_number(value), ReadStatus::EndOfFile);
}

TEST(FieldStream, FirstLineThenFields) {
  TempDir dir;
  FieldStream stream(64);
  ASSERT_TRUE(stream.open(dir.write("p.txt", "head\r\n0.1 0.5\r\n0.2 0.6\r\n")));
  ASSERT_TRUE(stream.skip_lines(1));
  std::string first;
  ASSERT_TRUE(stream.read_line(first));
  EXPECT_EQ(first, "0.1 0.5");
  int count = 0;
  while (!stream.at_end()) {
    ASSERT_EQ(stream.skip_field(), ReadStatus::Ok);
    ++count;
  }
  EXPECT_EQ(count, 2);
  EXPECT_EQ(stream.bytes_consumed(), 24u);
}

TEST(FieldStream, OpenFailures) {
  TempDir dir;
  FieldStream stream;
  EXPECT_FALSE(stream.open(dir.file("missing.txt")));
  EXPECT_FALSE(stream.open(dir.path().string()));  // a folder is no file
  EXPECT_FALSE(stream.open(""));
  EXPECT_FALSE(stream.is_open());
}

}  // namespace
}  // namespace meldrit::textio
