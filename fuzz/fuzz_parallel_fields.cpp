#include <algorithm>
#include <bit>
#include <cstdint>
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

// The fields read ahead by worker threads over chunks cut at line ends must be those one stream
// reads, whatever the cuts meet: quotes, CR LF split in two, blank runs, long lines. Control bytes:
// the chunk size (1 + the first byte's low six bits) and the workers (1 + its top two bits, at
// most 3); the second byte skips 0-3 header lines (bits 0-1); the third chooses the skips.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile file("parallel");
  const meldrit::fuzz::Input<3> input(data, size);
  file.assign(input.text);
  const int workers = 1 + std::min(input.control[0] >> 6, 2);
  const std::uint64_t chunk = 1 + (input.control[0] & 0x3f);
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
