#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>

#include "fuzz_support.h"
#include "textio/field_stream.h"
#include "textio/parallel_fields.h"

using meldrit::textio::FieldStream;
using meldrit::textio::ParallelFieldStream;
using meldrit::textio::ReadStatus;

namespace {

// What a reader hands out: per call the status, the value's bits and whether it was at its end.
// Bit k of `pattern` (cycling) makes call k a skip instead of a read.
template <typename Reader>
std::string transcript(Reader& reader, std::uint8_t pattern) {
  std::string out;
  for (int i = 0; i < 100000; ++i) {
    const bool end = reader.at_end();
    double value = 0;
    const ReadStatus status = (pattern >> (i % 8)) & 1 ? reader.skip_field() : reader.next_number(value);
    out += std::to_string(static_cast<int>(status)) + (end ? "E" : "") + ":" +
           std::to_string(std::bit_cast<std::uint64_t>(value)) + " ";
    if (status == ReadStatus::EndOfFile || status == ReadStatus::IoError) break;
  }
  return out;
}

}  // namespace

// Grows inputs the way real files are built, so that many chunks and their cuts are fuzzed, not
// only a few dozen bytes: copies of a stretch of the file elsewhere in it, whole lines of numbers,
// and the bytes that make cuts hard (quotes, CR LF, commas, blank runs), besides libFuzzer's own
// mutations. The three control bytes in front are left to libFuzzer.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                               unsigned int seed) {
  std::minstd_rand draw(seed);
  const std::size_t front = std::min<std::size_t>(size, 3);
  const auto insert = [&](const std::string& bytes) {
    if (size + bytes.size() > max_size) return size;
    const std::size_t at = front + draw() % (size - front + 1);
    std::memmove(data + at + bytes.size(), data + at, size - at);
    std::memcpy(data + at, bytes.data(), bytes.size());
    return size + bytes.size();
  };
  switch (draw() % 4) {
    case 0: {
      if (size <= front) break;
      const std::size_t from = front + draw() % (size - front);
      const std::size_t length = 1 + draw() % std::min<std::size_t>(size - from, 4096);
      return insert(std::string(reinterpret_cast<const char*>(data) + from, length));
    }
    case 1: {
      std::string line;
      for (unsigned n = 1 + draw() % 6; n > 0; --n) line += std::to_string(draw() % 100000 / 1000.0) + " ";
      return insert(line + (draw() % 2 ? "\r\n" : "\n"));
    }
    case 2: {
      static const char* const tokens[] = {"\"",  "\r\n",         "\r",     "\n",  ",",
                                           "   ", "\"a,\r\nb\" ", "1e308 ", "-.5,"};
      return insert(tokens[draw() % std::size(tokens)]);
    }
    default:
      break;
  }
  return LLVMFuzzerMutate(data, size, max_size);
}

// The fields read ahead by worker threads over chunks cut at line ends must be those one stream
// reads, whatever the cuts meet: quotes, CR LF split in two, blank runs, long lines. Control bytes:
// the chunk size (1 + the first byte's low four bits, times 1, 8, 64 or 512 by bits 4-5) and the
// workers (1 + its top two bits, at most 3); the second byte skips 0-3 header lines (bits 0-1);
// the third chooses the skips.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile file("parallel");
  const meldrit::fuzz::Input<3> input(data, size);
  file.assign(input.text);
  const int workers = 1 + std::min(input.control[0] >> 6, 2);
  const std::uint64_t chunk = static_cast<std::uint64_t>(1 + (input.control[0] & 0x0f))
                              << (3 * ((input.control[0] >> 4) & 3));
  const double header_lines = input.control[1] & 3;

  FieldStream one(64);
  if (!one.open(file.path())) meldrit::fuzz::fail("cannot open the input");
  const bool one_header = one.skip_lines(header_lines);
  const std::string expected = transcript(one, input.control[2]);

  ParallelFieldStream parallel(workers, 64, chunk);
  bool header_read = false;
  if (!parallel.open(file.path(), header_lines, header_read)) meldrit::fuzz::fail("cannot open the input");
  meldrit::fuzz::check(header_read == one_header, "header lines differ");
  const std::string got = transcript(parallel, input.control[2]);
  meldrit::fuzz::check(got == expected, "parallel reading differs from one stream",
                       [&] { return "got:  " + got + "\nwant: " + expected; });
  return 0;
}
