#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "textio/field_stream.h"

using meldrit::fuzz::FieldModel;
using meldrit::textio::FieldMode;
using meldrit::textio::FieldStream;
using meldrit::textio::ReadStatus;

namespace {

std::string status_name(ReadStatus status) {
  switch (status) {
    case ReadStatus::Ok:
      return "Ok";
    case ReadStatus::EndOfFile:
      return "End";
    case ReadStatus::NotNumeric:
      return "NotNumeric";
    case ReadStatus::IoError:
      break;
  }
  return "IoError";
}

std::string status_name(FieldModel::Status status) {
  switch (status) {
    case FieldModel::Status::Ok:
      return "Ok";
    case FieldModel::Status::NotNumeric:
      return "NotNumeric";
    case FieldModel::Status::End:
      break;
  }
  return "End";
}

}  // namespace

// Lines, fields of both kinds and numbers, read through a block small enough that fields and line
// ends straddle the refills, step by step against a plain reading of the rules. Control bytes: the
// block (64 + the first byte's low six bits); then bits 0-1 header lines, bit 2 text fields, bit 3
// mixes numbers, skipped fields and lines into the reading, bit 4 reads one line first, bits 5-7
// (k > 0) mark the place of the field after k - 1 reads and, at the end, read on from there again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static meldrit::fuzz::ScratchFile file("stream");
  const meldrit::fuzz::Input<2> input(data, size);
  const std::uint8_t control = input.control[1];
  const std::string_view text = input.text;
  file.assign(text);
  FieldStream stream(64 + (input.control[0] & 0x3f));
  FieldModel model(text);
  if (!stream.open(file.path())) meldrit::fuzz::fail("cannot open the input");
  const bool skipped = stream.skip_lines(control & 3);
  meldrit::fuzz::check(skipped == model.skip_lines(control & 3), "skip_lines differs");
  if (!skipped) return 0;
  const FieldMode mode = (control & 4) ? FieldMode::Text : FieldMode::Number;
  std::string line, model_line;
  if (control & 0x10) {
    const bool read = stream.read_line(line);
    meldrit::fuzz::check(read == model.read_line(model_line) && line == model_line, "read_line differs",
                         [&] { return line + "\n" + model_line; });
  }
  std::uint64_t last = stream.bytes_consumed();
  const int seek_at = (control >> 5) - 1;
  FieldModel saved = model;
  std::uint64_t offset = 0;
  bool marked = false;
  for (int i = 0;; ++i) {
    if (i == seek_at) {
      // The place of the next field, to come back to once the whole text is read.
      offset = stream.next_field_offset();
      model.at_end();
      saved = model;
      marked = true;
      meldrit::fuzz::check(offset == model.position(), "next_field_offset differs",
                           [&] { return std::to_string(offset) + " " + std::to_string(model.position()); });
    }
    const int step = (control & 8) ? i % 5 : 1;
    std::string got, want;
    if (step == 0) {
      double value = 0, model_value = 0;
      got = status_name(stream.next_number(value));
      want = status_name(model.next_number(model_value));
      if (value != model_value) got += " " + std::to_string(value) + " " + std::to_string(model_value);
    } else if (step == 1 || step == 2) {
      std::string_view field, model_field;
      const bool text_mode = step == 1 && mode == FieldMode::Text;
      const ReadStatus status = stream.next_field(field, text_mode ? FieldMode::Text : FieldMode::Number);
      got = status_name(status) + (status == ReadStatus::Ok ? " [" + std::string(field) + "]" : "");
      const FieldModel::Status expected = model.next_field(model_field, text_mode);
      want = status_name(expected) +
             (expected == FieldModel::Status::Ok ? " [" + std::string(model_field) + "]" : "");
    } else if (step == 3) {
      got = status_name(stream.skip_field());
      std::string_view ignored;
      want = status_name(model.next_field(ignored));
    } else {
      std::uint64_t count = 0, model_count = 0;
      got = std::to_string(stream.count_line_fields(count)) + " " + std::to_string(count);
      want = std::to_string(model.count_line_fields(model_count)) + " " + std::to_string(model_count);
    }
    meldrit::fuzz::check(got == want, "field stream differs from the rules",
                         [&] { return "step " + std::to_string(i) + "\ngot:  " + got + "\nwant: " + want; });
    if (got.rfind("End", 0) == 0 || got.rfind("0 ", 0) == 0) break;
    meldrit::fuzz::check(stream.at_end() == model.at_end(), "at_end differs");
    // A read and the separators after it move the stream forward, or the jobs' loops would never end.
    meldrit::fuzz::check(stream.bytes_consumed() > last, "a read did not move forward");
    last = stream.bytes_consumed();
  }
  if (!marked) return 0;
  meldrit::fuzz::check(stream.seek(offset), "cannot seek back in a file");
  for (int i = 0;; ++i) {
    std::string_view field, model_field;
    const ReadStatus status = stream.next_field(field, mode);
    const FieldModel::Status expected = saved.next_field(model_field, mode == FieldMode::Text);
    const bool ok = status == ReadStatus::Ok;
    meldrit::fuzz::check(ok == (expected == FieldModel::Status::Ok) && (!ok || field == model_field),
                         "fields after a seek differ", [&] { return "field " + std::to_string(i); });
    if (!ok) break;
  }
  return 0;
}
