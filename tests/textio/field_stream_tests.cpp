#include "textio/field_stream.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::textio {
namespace {

using Fields = std::vector<std::string>;

// Every field of `bytes` after `skip` lines; "SHORT" when the file has fewer lines than that.
Fields fields_of(const std::string& bytes, double skip, std::size_t block,
                 FieldMode mode = FieldMode::Number) {
  test::TempDir dir;
  FieldStream stream(block);
  EXPECT_TRUE(stream.open(dir.write("f.txt", bytes)));
  if (!stream.skip_lines(skip)) return {"SHORT"};
  Fields out;
  for (std::string_view field; stream.next_field(field, mode) == ReadStatus::Ok;) out.emplace_back(field);
  return out;
}

TEST(FieldStream, SplitsFieldsAfterTheSkippedLines) {
  // the file, the lines to skip, and the fields that follow them
  const std::tuple<std::string, double, Fields> cases[] = {
      {"  1   2\r\n", 0, {"1", "2"}},
      {"1,2 , 3", 0, {"1", "2", "3"}},
      {"1\r2\n3\r\n4", 0, {"1", "2", "3", "4"}},
      {"\"a b\",3", 0, {"a b", "3"}},
      {"\r\n  \r\n1\r\n\r\n2\r\n\r\n", 0, {"1", "2"}},
      {"", 0, {}},
      {"title\r\n1 2\r\n", 1, {"1", "2"}},
      {"t1\r\nt2\r\n3\r\n", 2.9, {"3"}},
      {"t1\r\n3\r\n", 0.5, {"t1", "3"}},
      {"t1\rt2\n3", 2, {"3"}},
      {"only", 1, {}},          // a last line without a line end counts
      {"a\r\n", 2, {"SHORT"}},  // fewer lines than the skip count
  };
  for (const auto& [bytes, skip, expected] : cases) {
    for (std::size_t block : {std::size_t{64}, FieldStream::kDefaultBlock})
      EXPECT_EQ(fields_of(bytes, skip, block), expected) << bytes << " skip " << skip;
  }
  // Text fields keep their inner blanks.
  EXPECT_EQ(fields_of("C:\\My Files\\a.out\r\nNO FILE\r\n  a b , c\r\n", 0, 64, FieldMode::Text),
            (Fields{"C:\\My Files\\a.out", "NO FILE", "a b", "c"}));
}

TEST(FieldStream, LinesAndFieldsLongerThanABlock) {
  const std::string head(300, 'h'), longfield(500, '7');
  const std::string bytes = head + "\r\n" + longfield + " 1\r\n";
  EXPECT_EQ(fields_of(bytes, 1, 64), (Fields{longfield, "1"}));
  test::TempDir dir;
  FieldStream stream(64);
  ASSERT_TRUE(stream.open(dir.write("l.txt", bytes)));
  std::string line;
  EXPECT_TRUE(stream.read_line(line) && line == head);
  EXPECT_EQ(stream.bytes_consumed(), 302u);
  EXPECT_TRUE(stream.read_line(line) && line == longfield + " 1");
  EXPECT_FALSE(stream.read_line(line));
}

TEST(FieldStream, CountsTheFieldsOfALineWithoutHoldingIt) {
  // the line and what follows it, the count; only the blank separates
  const std::pair<std::string, std::uint64_t> cases[] = {
      {"0.1 0.5 0.9\r\nnext", 3},
      {"   0.1 0.5\n", 2},
      {"0.1,0.5\r\n", 1},
      {"1\t2\t3", 1},
      {"a  b   c \r", 3},
      {"\r\n1 2\r\n", 0},
      {std::string(300, '7') + " 1 2", 3},
      {" " + std::string(200, ' ') + "x\n", 1},
  };
  test::TempDir dir;
  for (const auto& [bytes, count] : cases) {
    FieldStream stream(64);
    ASSERT_TRUE(stream.open(dir.write("c.txt", bytes)));
    std::uint64_t counted = 99;
    EXPECT_TRUE(stream.count_line_fields(counted)) << bytes;
    EXPECT_EQ(counted, count) << bytes;
  }
  FieldStream stream;
  ASSERT_TRUE(stream.open(dir.write("two.txt", "1 2\r\n3\r\n")));
  std::uint64_t counted = 0;
  EXPECT_TRUE(stream.count_line_fields(counted) && stream.count_line_fields(counted) && counted == 1);
  EXPECT_FALSE(stream.count_line_fields(counted));
}

TEST(FieldStream, NumbersNonNumbersAndTheEnd) {
  test::TempDir dir;
  FieldStream stream;
  ASSERT_TRUE(stream.open(dir.write("n.txt", "1.5 x 2,, 3\r\n")));
  std::string read;  // each value, "x" for a field that is no number; the empty field reads as 0
  double value = -1;
  for (ReadStatus status; (status = stream.next_number(value)) != ReadStatus::EndOfFile && read.size() < 100;)
    read += (status == ReadStatus::Ok ? std::to_string(value) : "x") + (stream.at_end() ? "." : " ");
  EXPECT_EQ(read, "1.500000 x 2.000000 0.000000 3.000000.");
  EXPECT_FALSE(stream.open(dir.file("missing.txt")));
  EXPECT_FALSE(stream.open(dir.path().string()));  // a folder is no file
  EXPECT_FALSE(stream.open(""));
  EXPECT_FALSE(stream.is_open());
}

// The stream converts short decimals on its own; every field must still read, bit for bit, as the
// whole-field conversion reads it, wherever the buffer happens to end.
TEST(FieldStream, NumbersReadAsTheWholeFieldConversionReadsThem) {
  std::vector<std::string> fields = {
      "0",
      "-0",
      "5.",
      ".5",
      "-.5",
      "-0.000",
      "007.250",
      "123456789012345678",
      "9007199254740992",
      "9007199254740993",
      "90071992547409921",
      "1234567890123456789",
      "12345678901234567890",
      "0.1234567890123456789012",
      "0.12345678901234567890123",
      "1e5",
      "2.5E-3",
      "1D2",
      "+4",
      "-",
      ".",
      "-.",
      "1.2.3",
      "1x",
      "1e999",
      "1E-400",
      "0.30000000000000004",
  };
  std::mt19937_64 random(7);
  for (int i = 0; i < 3000; ++i) {
    std::string field = random() % 4 == 0 ? "-" : "";
    const int whole = 1 + static_cast<int>(random() % 12), decimals = static_cast<int>(random() % 24);
    for (int d = 0; d < whole; ++d) field += static_cast<char>('0' + random() % 10);
    if (decimals > 0 || random() % 2) field += '.';
    for (int d = 0; d < decimals; ++d) field += static_cast<char>('0' + random() % 10);
    fields.push_back(field);
  }
  std::string bytes;
  for (std::size_t i = 0; i < fields.size(); ++i)
    bytes += fields[i] + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? " , " : "\t");
  test::TempDir dir;
  const std::string path = dir.write("numbers.txt", bytes);
  for (const std::size_t block : {std::size_t{64}, std::size_t{100}, FieldStream::kDefaultBlock}) {
    FieldStream stream(block);
    ASSERT_TRUE(stream.open(path));
    for (const std::string& field : fields) {
      double expected = 0;
      const bool numeric = parse_number(field, expected);
      double value = -99;
      const ReadStatus status = stream.next_number(value);
      ASSERT_EQ(status, numeric ? ReadStatus::Ok : ReadStatus::NotNumeric) << field << " block " << block;
      if (numeric) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(expected)) << field;
      }
    }
    double value = 0;
    EXPECT_EQ(stream.next_number(value), ReadStatus::EndOfFile);
  }
}

TEST(NumericValue, LeadingNumberOrZero) {
  const std::pair<const char*, double> cases[] = {
      {"3", 3},      {"  2.5", 2.5}, {"abc", 0},    {"", 0},     {" ", 0},   {"-1.5", -1.5},
      {"+4", 4},     {"12abc", 12},  {" 1 0 ", 10}, {".5", 0.5}, {"5.", 5},  {"-.25", -0.25},
      {"1e3", 1000}, {"1E-2", 0.01}, {"2d2", 200},  {"1e", 1},   {"1e+", 1}, {"1.2.3", 1.2},
      {"- 3", -3},   {"--3", 0},     {".", 0},      {"-", 0},    {"x1", 0},  {"1,5", 1},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_DOUBLE_EQ(numeric_value(text), expected) << '"' << text << '"';
  EXPECT_EQ(numeric_value(" 10  10  5 "), 10105);
  EXPECT_DOUBLE_EQ(numeric_value("1e999"), 1.7976931348623157e308);
  EXPECT_EQ(whole_part_of("2.7"), 2);
  EXPECT_EQ(whole_part_of("-1.5"), -2);
  EXPECT_EQ(whole_part_of("abc"), 0);
  EXPECT_EQ(whole_part_of("1e30"), 9200000000000000000LL);
}

TEST(ParseNumber, WholeFieldOnly) {
  const std::pair<const char*, double> numbers[] = {
      {"-2.5", -2.5}, {".5", 0.5},   {"5.", 5},     {"+3", 3},      {"1D3", 1000}, {"1.5E-2", 0.015},
      {" 7 ", 7},     {"1e-999", 0}, {"1E-400", 0}, {"-1D-400", 0},  // an underflow is zero whatever the
                                                                     // exponent's letter
  };
  for (const auto& [field, expected] : numbers) {
    double value = -99;
    EXPECT_TRUE(parse_number(field, value)) << field;
    EXPECT_DOUBLE_EQ(value, expected) << field;
  }
  double value = 0;
  EXPECT_TRUE(parse_number("1e999", value) && value == 1.7976931348623157e308);
  for (const char* field : {"abc", "", "1.5x", "1e", "inf", "-inf", "nan", ".", "-", "0x10", "1,5"})
    EXPECT_FALSE(parse_number(field, value)) << field;
}

TEST(FileType, LastThreeCharactersOfTheBareName) {
  for (const char* name : {"RESULT.OUT", "result.out", "layout", "data.Out", "/a/b/c.OUT"})
    EXPECT_TRUE(file_type_matches(name, {"out"})) << name;
  for (const char* name : {"result.txt", "ut", "", "result.out2", "/tmp/x.out/a.txt", "C:\\dir.out\\file"})
    EXPECT_FALSE(file_type_matches(name, {"out"})) << name;
  EXPECT_TRUE(file_type_matches("mydat", {"out", "prn", "dat"}));
  EXPECT_TRUE(file_type_matches("a.PRN", {"out", "prn", "dat"}));
  EXPECT_FALSE(file_type_matches("data.csv", {"dat", "txt"}));
  EXPECT_TRUE(file_types::kBihistogramInput.matches("/a/b.TXT"));
  EXPECT_FALSE(file_types::kBihistogramInput.matches("b.out"));
  EXPECT_EQ(trim_blanks("  a b  "), "a b");
  EXPECT_EQ(trim_blanks(" "), "");
}

TEST(SameFile, OneFileThroughAnySpelling) {
#ifdef _WIN32
  // Windows file names ignore letter case, and making a symbolic link takes a privilege there.
  constexpr bool kWindows = true;
#else
  constexpr bool kWindows = false;
#endif
  test::TempDir dir;
  namespace fs = std::filesystem;
  const std::string file = dir.write("data.out", "1\r\n");
  fs::create_directories(dir.file("sub"));
  if (!kWindows) fs::create_symlink(file, dir.file("link.out"));
  fs::create_hard_link(file, dir.file("hard.out"));
  const fs::path relative = fs::relative(file);
  const std::pair<std::string, bool> cases[] = {
      {" " + file + "  ", true},           {relative.string(), true},
      {dir.file("sub/../data.out"), true}, {dir.file("link.out"), !kWindows},
      {dir.file("hard.out"), true},        {dir.file("DATA.OUT"), kWindows},
      {dir.file("other.out"), false},      {"", false},
  };
  for (const auto& [other, same] : cases) EXPECT_EQ(same_file(file, other), same) << other;
  // A file not made yet, spelled two ways.
  EXPECT_TRUE(same_file(dir.file("new.out"), dir.file("sub/../new.out")));
  EXPECT_TRUE(same_file(dir.file("sub/../link2.out"), dir.file("link2.out")));
}

}  // namespace
}  // namespace meldrit::textio
