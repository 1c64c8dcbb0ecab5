#include "uniform/column_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <filesystem>
#include <limits>
#include <vector>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/system_files.h"
#include "uniform/uniform_messages.h"
#include "uniform/uniform_run.h"

namespace meldrit::uniform {
namespace {

bool columns_fit(int columns, CoordinateOption option) {
  return columns >= 1 && columns <= kMaxColumns && columns >= first_variable_column(option);
}

}  // namespace

std::string preview_text(std::string_view field) {
  double value = 0;
  if (textio::parse_number(field, value)) return textio::plain_number(value);
  return std::string(field);
}

namespace {

// The fast count of plain fields, for the bulk of a large file.
enum class Count { End, HandOver, Failed, Cancelled };

enum : unsigned char { kOther, kSeparator, kSpecial };
constexpr std::array<unsigned char, 256> make_kinds() {
  std::array<unsigned char, 256> kinds{};
  for (const char c : {' ', '\t', '\r', '\n'}) kinds[static_cast<unsigned char>(c)] = kSeparator;
  for (const char c : {',', '"'}) kinds[static_cast<unsigned char>(c)] = kSpecial;
  return kinds;
}
constexpr std::array<unsigned char, 256> kKinds = make_kinds();

// Read a poll's worth at a time; a field longer than kPlainField is left to the FieldStream,
// which alone knows where its kMaxHeld limit fails: any longer field covers a whole block.
constexpr std::size_t kCountBlock = job::ProgressTicker::kPollBytes;
constexpr std::uint64_t kPlainField = 16 << 10;
static_assert(kPlainField + kCountBlock < textio::FieldStream::kMaxHeld);

// std::popcount of 16 bits, without a library call where the target has no instruction for it.
inline unsigned bits_set(unsigned x) {
  x -= (x >> 1) & 0x5555u;
  x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
  x = (x + (x >> 4)) & 0x0F0Fu;
  return (x + (x >> 8)) & 0x1Fu;
}

// Counts fields from `offset`, where a field starts (or the file ends), as FieldStream::skip_field
// would while they are plain: runs of bytes other than the separators (blank, tab, CR, LF) that
// hold no comma or quote. At a comma, a quote or a long field, `offset` becomes the start of the
// last field counted, which is then uncounted, for a FieldStream to read on from there: it stands
// there as after reading the field before it. Reads the open file at places, never moving it.
Count count_plain_fields(int fd, std::uint64_t& offset, std::uint64_t& fields, job::ProgressTicker& ticker) {
  std::vector<char> buffer(kCountBlock);
  std::uint64_t place = offset;
  std::uint64_t field_start = 0;
  bool started = false;  // a field was counted since `offset`
  unsigned separator_before = 1;
  const auto hand_over = [&](std::uint64_t at) {
    if (started) {
      offset = field_start;
      --fields;
    } else {
      offset = at;
    }
    return Count::HandOver;
  };
  for (;;) {
    const long got = textio::system_files::read_at(fd, buffer.data(), buffer.size(), place);
    if (got < 0) return Count::Failed;
    if (got == 0) return Count::End;
    const char* const bytes = buffer.data();
    const auto size = static_cast<std::size_t>(got);
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), cr = _mm_set1_epi8('\r'),
                  lf = _mm_set1_epi8('\n'), comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"');
    for (; i + 16 <= size; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i special = _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote));
      if (_mm_movemask_epi8(special) != 0) break;  // the loop below finds it
      const auto separators = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, tab)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)))));
      const unsigned starts = ~separators & ((separators << 1) | separator_before) & 0xFFFFu;
      if (starts != 0) {
        fields += bits_set(starts);
        field_start = place + i + static_cast<unsigned>(std::bit_width(starts)) - 1;
        started = true;
      }
      separator_before = separators >> 15;
    }
#endif
    for (; i < size; ++i) {
      const unsigned char kind = kKinds[static_cast<unsigned char>(bytes[i])];
      if (kind == kSpecial) return hand_over(place + i);
      const unsigned separator = kind == kSeparator ? 1 : 0;
      if (!separator && separator_before) {
        ++fields;
        field_start = place + i;
        started = true;
      }
      separator_before = separator;
    }
    place += size;
    if (!separator_before && started && place - field_start > kPlainField) return hand_over(place);
    if (!ticker.tick(place, fields)) return Count::Cancelled;
  }
}

ColumnScan scan_file(const std::string& path, std::string_view skip_text, CoordinateOption option,
                     const std::string& program_folder, job::Hooks& hooks) {
  ColumnScan scan;
  scan.outcome = job::Outcome::failed(messages::kIllegalFormat);
  if (!program_folder.empty()) {
    for (const char* own :
         {files::kParameterFile, files::kValuesFile, files::kScoresFile, files::kLockFile}) {
      if (textio::same_file(path, program_file(program_folder, own))) return scan;
    }
  }
  const double skip = textio::numeric_value(skip_text);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  textio::FieldStream stream;
  if (!stream.open(path)) return scan;
  std::uint64_t counted = 0;
  // An empty file has no first line to count; anything that is not a plain file is read as it comes.
  if (error || size > 0) {
    if (!stream.skip_lines(skip)) return scan;
    if (!stream.count_line_fields(counted)) counted = 0;
  }
  stream.close();

  // The panel holds K in a 16-bit integer: a longer count does not fit and ends the import.
  if (counted > static_cast<std::uint64_t>(std::numeric_limits<std::int16_t>::max())) return scan;
  scan.columns_counted = true;
  scan.columns = static_cast<int>(counted);
  if (!columns_fit(scan.columns, option)) return scan;
  scan.columns_shown = true;

  if (!stream.open(path) || !stream.skip_lines(skip)) return scan;
  const std::uint64_t kept = static_cast<std::uint64_t>(kPreviewRows) * scan.columns;
  scan.preview.reserve(kept);
  job::ProgressTicker ticker(hooks, error ? 0 : static_cast<std::uint64_t>(size), 0);
  std::uint64_t plain_size = 0;
  bool count_plain = textio::system_files::regular_file_size(stream.descriptor(), plain_size);
  for (;;) {
    if (count_plain && scan.fields == kept) {
      // The preview is read; the rest is counted a block at a time while it is plain.
      count_plain = false;
      std::uint64_t offset = stream.next_field_offset();
      if (!stream.failed()) {
        switch (count_plain_fields(stream.descriptor(), offset, scan.fields, ticker)) {
          case Count::End:
            scan.samples = scan.fields / static_cast<std::uint64_t>(scan.columns);
            scan.outcome = job::Outcome::done();
            return scan;
          case Count::HandOver:
            if (!stream.seek(offset)) return scan;
            break;
          case Count::Failed:
            return scan;
          case Count::Cancelled:
            scan.outcome = job::Outcome::cancelled(job::kImportCancelled);
            return scan;
        }
      }
    }
    textio::ReadStatus status;
    if (scan.fields < kept) {
      std::string_view field;
      status = stream.next_field(field, textio::FieldMode::Number);
      if (status == textio::ReadStatus::Ok) scan.preview.push_back(preview_text(field));
    } else {
      status = stream.skip_field();
    }
    if (status == textio::ReadStatus::EndOfFile) break;
    if (status != textio::ReadStatus::Ok) return scan;
    ++scan.fields;
    if (!ticker.tick(stream.bytes_consumed(), scan.fields)) {
      scan.outcome = job::Outcome::cancelled(job::kImportCancelled);
      return scan;
    }
  }
  scan.samples = scan.fields / static_cast<std::uint64_t>(scan.columns);
  scan.outcome = job::Outcome::done();
  return scan;
}

}  // namespace

ColumnScan scan_column_file(const std::string& path, std::string_view skip_text, CoordinateOption option,
                            const std::string& program_folder, job::Hooks& hooks) {
  return job::guarded(messages::kIllegalFormat,
                      [&] { return scan_file(path, skip_text, option, program_folder, hooks); });
}

}  // namespace meldrit::uniform
