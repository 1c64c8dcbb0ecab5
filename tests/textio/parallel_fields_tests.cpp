#include "textio/parallel_fields.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <bit>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <utility>

#include "support/temp_dir.h"

namespace meldrit::textio {
namespace {

// What a reader hands out, one entry per call: the status, the value's bits, and whether the
// reader was at its end just before. Every third field is skipped rather than read.
template <typename Reader>
std::string transcript(Reader& reader, std::size_t limit = 100000) {
  std::string out;
  for (std::size_t i = 0; i < limit; ++i) {
    const bool end = reader.at_end();
    double value = 0;
    const ReadStatus status = i % 3 == 2 ? reader.skip_field() : reader.next_number(value);
    out += std::to_string(static_cast<int>(status)) + (end ? "E" : "") + ":" +
           std::to_string(std::bit_cast<std::uint64_t>(value)) + " ";
    if (status == ReadStatus::EndOfFile || status == ReadStatus::IoError) break;
  }
  return out;
}

std::string random_field_text(std::mt19937_64& random) {
  static const char* const odd[] = {"x",          "1e5",   "-0", ",",  " , ", "\"q\"",
                                    "\"a\r\nb\"", "1.5.5", "\t", "+2", ".5"};
  static const char* const separators[] = {" ", "\r\n", "\n", "\r", ",", " , ", "\t", "  \r\n\r\n"};
  std::string text;
  const int fields = 200 + static_cast<int>(random() % 400);
  for (int i = 0; i < fields; ++i) {
    if (random() % 40 == 0) {
      text += odd[random() % std::size(odd)];
    } else {
      text += std::to_string(random() % 1000) + "." + std::to_string(random() % 1000000);
    }
    text += separators[random() % std::size(separators)];
  }
  return text;
}

// The parallel reader must hand out what one FieldStream does, for any cut of the file: chunks
// as small as a few bytes put cuts everywhere, between CR and LF, inside quotes and blank runs.
TEST(ParallelFieldStream, ReadsWhatOneStreamReads) {
  test::TempDir dir;
  std::mt19937_64 random(11);
  std::vector<std::string> files = {
      "1 2 3\r\n4 5 6\r\n",
      std::string(300, '\n') + "7",
      "1,,2\r\n,3\r\n\r\n , 4 ,\r\n5",
      "\"a\" 1\r\n2 \"b\r\n c\" 3\r\n" + std::string(100, '9') + "\r\n",
      "1 2\r\n3 x\r\n4 \t5\r\r\n6",
  };
  for (int i = 0; i < 12; ++i) files.push_back(random_field_text(random));
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string path = dir.write(std::to_string(f) + ".txt", files[f]);
    FieldStream one;
    ASSERT_TRUE(one.open(path));
    const std::string expected = transcript(one);
    for (const int workers : {1, 2, 3}) {
      for (const std::uint64_t chunk : {std::uint64_t{5}, std::uint64_t{64}, std::uint64_t{1000}}) {
        ParallelFieldStream parallel(workers, 64, chunk);
        bool header_read = false;
        ASSERT_TRUE(parallel.open(path, 0, header_read) && header_read);
        EXPECT_EQ(transcript(parallel), expected)
            << "file " << f << ", " << workers << " workers, chunk " << chunk;
      }
    }
  }
}

TEST(ParallelFieldStream, ReadsOnAfterTheHeaderAndStopsEarly) {
  test::TempDir dir;
  std::string text = "title line\r\n  ";
  for (int i = 0; i < 5000; ++i) text += std::to_string(i) + (i % 7 ? " " : "\r\n");
  const std::string path = dir.write("h.txt", text);
  const auto after_header = [&path] {
    FieldStream stream;
    EXPECT_TRUE(stream.open(path) && stream.skip_lines(1));
    return stream;
  };
  FieldStream one = after_header();
  const std::string expected = transcript(one);
  ParallelFieldStream parallel(2, 64, 100);
  ASSERT_TRUE(parallel.read_on(after_header()));
  EXPECT_EQ(transcript(parallel), expected);
  EXPECT_EQ(parallel.bytes_consumed(), text.size());
  // Leaving part way, with the workers ahead, must not hang or leak.
  FieldStream again = after_header();
  ASSERT_TRUE(parallel.read_on(after_header()));
  EXPECT_EQ(transcript(parallel, 10), transcript(again, 10));
  EXPECT_FALSE(parallel.read_on(FieldStream()));

  // Skipping the header itself; a file shorter than its header reads on as one stream would.
  bool header_read = false;
  ASSERT_TRUE(parallel.open(path, 1, header_read) && header_read);
  EXPECT_EQ(transcript(parallel), expected);
  EXPECT_FALSE(parallel.open(dir.file("missing.txt"), 0, header_read));
  const std::string short_path = dir.write("s.txt", "a\r\nb");
  FieldStream short_one;
  ASSERT_TRUE(short_one.open(short_path));
  EXPECT_FALSE(short_one.skip_lines(3));
  ASSERT_TRUE(parallel.open(short_path, 3, header_read));
  EXPECT_FALSE(header_read);
  EXPECT_EQ(transcript(parallel), transcript(short_one));
}

#ifndef _WIN32
// A pipe can be opened once and not seek: the stream that read its header reads on alone.
TEST(ParallelFieldStream, APipeIsReadByTheStreamThatOpenedIt) {
  test::TempDir dir;
  std::string text = "header\r\n";
  for (int i = 0; i < 300000; ++i) text += "0.5 1.25\r\n";
  const std::string regular = dir.write("r.txt", text);
  FieldStream one;
  ASSERT_TRUE(one.open(regular) && one.skip_lines(1));
  const std::string expected = transcript(one, 1000000);
  for (const bool taken_over : {false, true}) {
    const std::string pipe = dir.file(taken_over ? "p1" : "p2");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread feed([&] { std::ofstream(pipe, std::ios::binary) << text; });
    ParallelFieldStream parallel(2, 64, 4096);
    if (taken_over) {
      FieldStream header;
      ASSERT_TRUE(header.open(pipe) && header.skip_lines(1));
      ASSERT_TRUE(parallel.read_on(std::move(header)));
    } else {
      bool header_read = false;
      ASSERT_TRUE(parallel.open(pipe, 1, header_read) && header_read);
    }
    EXPECT_EQ(transcript(parallel, 1000000), expected);
    feed.join();
  }
}
#endif

// Lines longer than the reach of a cut, and a field too long to hold, read as one stream reads them.
TEST(ParallelFieldStream, LongLinesAndFields) {
  test::TempDir dir;
  std::string long_line;
  for (int i = 0; i < 300000; ++i) long_line += std::to_string(i % 10) + " ";
  const std::string cases[] = {
      "1\r\n" + long_line + "\r\n2\r\n" + long_line,
      "1 2\r\n" + std::string(FieldStream::kMaxHeld + 10, '7') + "\r\n3\r\n",
  };
  for (const std::string& text : cases) {
    const std::string path = dir.write("long.txt", text);
    FieldStream one;
    ASSERT_TRUE(one.open(path));
    const std::string expected = transcript(one, 1000000);
    ParallelFieldStream parallel(2, 4096, 4096);
    bool header_read = false;
    ASSERT_TRUE(parallel.open(path, 0, header_read));
    EXPECT_EQ(transcript(parallel, 1000000), expected);
  }
}

}  // namespace
}  // namespace meldrit::textio
