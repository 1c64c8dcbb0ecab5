#include "textio/text_writer.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "textio/file_type.h"

namespace meldrit::textio {
namespace {

using test::TempDir;

TEST(TextWriter, EndsLinesWithCrLfAndReplacesTheFile) {
  TempDir dir;
  const std::string path = dir.write("out.txt", "old content that is longer\r\n");
  TextWriter writer;
  ASSERT_TRUE(writer.create(path));
  writer.line() += " 2 ";
  EXPECT_TRUE(writer.end_line());
  EXPECT_TRUE(writer.write_line("15.000"));
  EXPECT_TRUE(writer.close());
  EXPECT_EQ(test::read_bytes(path), " 2 \r\n15.000\r\n");
}

TEST(TextWriter, LargeOutputArrivesWhole) {
  TempDir dir;
  TextWriter writer;
  ASSERT_TRUE(writer.create(dir.file("big.txt")));
  for (int i = 0; i < 300000; ++i) writer.write_line("0.500");
  ASSERT_TRUE(writer.close());
  EXPECT_EQ(test::read_bytes(dir.file("big.txt")).size(), 300000u * 7);
}

TEST(TextWriter, CannotCreateInAMissingFolder) {
  TempDir dir;
  TextWriter writer;
  EXPECT_FALSE(writer.create(dir.file("no/such/folder.txt")));
  EXPECT_FALSE(writer.create(""));
}

TEST(FileType, LastThreeCharactersOfTheBareName) {
  const struct {
    const char* name;
    bool out;
  } cases[] = {
      {"RESULT.OUT", true},        {"result.out", true},         {"layout", true},     {"data.Out", true},
      {"result.txt", false},       {"result.out2", false},       {"ut", false},        {"", false},
      {"/tmp/x.out/a.txt", false}, {"C:\\dir.out\\file", false}, {"/a/b/c.OUT", true},
  };
  for (const auto& c : cases) EXPECT_EQ(file_type_matches(c.name, {"out"}), c.out) << c.name;
  EXPECT_TRUE(file_type_matches("mydat", {"out", "prn", "dat"}));
  EXPECT_TRUE(file_type_matches("a.PRN", {"out", "prn", "dat"}));
  EXPECT_FALSE(file_type_matches("data.csv", {"dat", "txt"}));
  EXPECT_EQ(trim_blanks("  a b  "), "a b");
  EXPECT_EQ(trim_blanks(" "), "");
}

}  // namespace
}  // namespace meldrit::textio
