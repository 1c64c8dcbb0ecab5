#include "textio/ordered_blocks.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace meldrit::textio {
namespace {

// Block b holds b lines "b" (the empty block 0 included): uneven work, so workers finish out of order.
std::size_t block_lines(std::size_t b, std::string& buffer) {
  const std::string line = std::to_string(b) + "\r\n";
  if (buffer.size() < b * line.size()) buffer.resize(b * line.size());
  for (std::size_t i = 0; i < b; ++i) buffer.replace(i * line.size(), line.size(), line);
  return b * line.size();
}

TEST(OrderedBlocks, WritesBlocksInTheOrderAdded) {
  constexpr std::size_t kBlocks = 200;
  std::string expected;
  for (std::size_t b = 0; b < kBlocks; ++b) {
    std::string buffer;
    expected.append(buffer, 0, block_lines(b, buffer));
  }
  test::TempDir dir;
  for (const int workers : {0, 1, 3}) {
    TextWriter writer;
    ASSERT_TRUE(writer.create(dir.file("out.txt")));
    OrderedBlocks blocks(writer, workers);
    for (std::size_t b = 0; b < kBlocks; ++b)
      EXPECT_TRUE(blocks.add([b](std::string& buffer) { return block_lines(b, buffer); }));
    EXPECT_TRUE(blocks.finish());
    ASSERT_TRUE(writer.close());
    EXPECT_TRUE(test::read_bytes(dir.file("out.txt")) == expected) << workers;
  }
}

TEST(OrderedBlocks, AFormattingErrorReachesTheCaller) {
  test::TempDir dir;
  TextWriter writer;
  ASSERT_TRUE(writer.create(dir.file("out.txt")));
  {
    // Gone before the writer closes: it waits for the blocks still on their way.
    OrderedBlocks blocks(writer, 2);
    blocks.add([](std::string& buffer) { return block_lines(1, buffer); });
    blocks.add([](std::string&) -> std::size_t { throw std::runtime_error("no room"); });
    EXPECT_THROW(
        {
          for (int i = 0; i < 100; ++i)
            blocks.add([](std::string& buffer) { return block_lines(2, buffer); });
          blocks.finish();
        },
        std::runtime_error);
  }
  // Nothing after the block that failed.
  ASSERT_TRUE(writer.close());
  EXPECT_EQ(test::read_bytes(dir.file("out.txt")), "1\r\n");
}

#ifdef __linux__
TEST(OrderedBlocks, StopsWritingAfterAFailedWrite) {
  TextWriter writer;
  ASSERT_TRUE(writer.create("/dev/full"));
  OrderedBlocks blocks(writer, 2);
  bool refused = false;
  for (int i = 0; i < 100 && !refused; ++i)
    refused = !blocks.add([](std::string& buffer) { return block_lines(50, buffer); });
  EXPECT_FALSE(blocks.finish());
  EXPECT_FALSE(writer.close());
}
#endif

}  // namespace
}  // namespace meldrit::textio
