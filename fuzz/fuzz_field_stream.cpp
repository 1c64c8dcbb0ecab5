#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "textio/field_stream.h"

using meldrit::textio::FieldMode;
using meldrit::textio::FieldStream;
using meldrit::textio::ReadStatus;

// Lines, then fields of both kinds and numbers, over a block small enough that fields and line
// ends straddle the refills.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  const std::string& path = meldrit::fuzz::scratch_file(data + 1, size - 1);
  FieldStream stream(64 + (control & 0x3f));
  if (!stream.open(path)) return 0;
  if (!stream.skip_lines(control % 4)) return 0;
  std::string line;
  if (control & 0x40) stream.read_line(line);
  std::uint64_t last = stream.bytes_consumed();
  for (int i = 0; i < 100000; ++i) {
    std::string_view field;
    double value = 0;
    ReadStatus status;
    switch (i % 3) {
      case 0:
        status = stream.next_number(value);
        break;
      case 1:
        status = stream.next_field(field, (control & 0x80) ? FieldMode::Text : FieldMode::Number);
        break;
      default:
        status = stream.skip_field();
        break;
    }
    if (status == ReadStatus::EndOfFile || status == ReadStatus::IoError) break;
    // Every field moves the stream forward, or the loops of the jobs would never end.
    if (stream.bytes_consumed() <= last && !field.empty()) __builtin_trap();
    last = stream.bytes_consumed();
    if (stream.at_end()) break;
  }
  return 0;
}
