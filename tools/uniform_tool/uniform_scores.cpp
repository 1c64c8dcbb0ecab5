#include "uniform_tool/uniform_scores.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/parallel_fields.h"
#include "textio/text_writer.h"
#include "uniform_tool/rank_scores.h"

namespace meldrit::uniform_tool {
namespace {

// Whole numbers beyond 2^53 are no longer exact in a double.
constexpr double kLargestWhole = 9007199254740992.0;

job::Outcome read_item(textio::FieldStream& stream, int line, std::string& item) {
  if (!stream.read_line(item)) {
    return job::Outcome::failed("the parameter file ends before line " + std::to_string(line));
  }
  item = std::string(textio::trim_blanks(item));
  return job::Outcome::done();
}

job::Outcome read_path(textio::FieldStream& stream, int line, std::string& path) {
  if (job::Outcome read = read_item(stream, line, path); !read.completed()) return read;
  if (path.empty()) {
    return job::Outcome::failed("line " + std::to_string(line) + " of the parameter file names no file");
  }
  return job::Outcome::done();
}

job::Outcome read_whole(textio::FieldStream& stream, int line, std::uint64_t smallest, std::uint64_t& value) {
  std::string item;
  if (job::Outcome read = read_item(stream, line, item); !read.completed()) return read;
  double number = 0;
  if (!textio::parse_number(item, number) || number != std::floor(number) ||
      number < static_cast<double>(smallest) || number > kLargestWhole) {
    return job::Outcome::failed("line " + std::to_string(line) +
                                " of the parameter file must be a whole number of at least " +
                                std::to_string(smallest) + ", not \"" + item + "\"");
  }
  value = static_cast<std::uint64_t>(number);
  return job::Outcome::done();
}

// The scores are written back to the values' places in random order: with 4 KB pages nearly each
// write would miss the TLB. Asked before the pages are first touched.
void advise_large_pages(void* data, std::size_t bytes) {
#ifdef __linux__
  constexpr std::uintptr_t kLarge = std::uintptr_t{1} << 21;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLarge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

// The first write to fresh memory has the system clear its page; on some machines that costs the
// reading thread more than the parsing does. Another thread has the pages made ready ahead of it
// (the system serialises it with the reader's own faults), and is joined when the read ends.
class Prefault {
 public:
  Prefault(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end <= begin) return;
    try {
      thread_ = std::thread(
          [begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); });
    } catch (const std::system_error&) {
      // The reader takes the faults itself.
    }
#else
    (void)data;
    (void)bytes;
#endif
  }
  ~Prefault() {
    if (thread_.joinable()) thread_.join();
  }
  Prefault(const Prefault&) = delete;
  Prefault& operator=(const Prefault&) = delete;

 private:
  std::thread thread_;
};

void remove_quietly(const std::string& path) {
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

job::Outcome read_parameters(const std::string& path, Parameters& parameters) {
  textio::FieldStream stream;
  if (!stream.open(path)) {
    return job::Outcome::failed("cannot open the parameter file " + path);
  }
  job::Outcome read = read_path(stream, 1, parameters.input_path);
  if (read.completed()) read = read_whole(stream, 2, 0, parameters.header_lines);
  if (read.completed()) read = read_path(stream, 3, parameters.score_path);
  if (read.completed()) read = read_whole(stream, 4, 0, parameters.count);
  if (read.completed()) read = read_whole(stream, 5, 1, parameters.column);
  if (read.completed()) read = read_whole(stream, 6, 1, parameters.fields_per_record);
  if (!read.completed()) return read;
  if (parameters.column > parameters.fields_per_record) {
    return job::Outcome::failed("the field of the value (line 5) lies beyond the fields per record (line 6)");
  }
  return job::Outcome::done();
}

job::Outcome read_values(const Parameters& parameters, std::vector<double>& values) {
  // Parsed ahead on the other cores: reading is a good part of the whole.
  textio::ParallelFieldStream stream;
  bool header_read = false;
  if (!stream.open(parameters.input_path, static_cast<double>(parameters.header_lines), header_read)) {
    return job::Outcome::failed("cannot open the file of values " + parameters.input_path);
  }
  if (!header_read) {
    return job::Outcome::failed("the file of values " + parameters.input_path +
                                " has fewer lines than its header");
  }
  values.clear();
  values.reserve(parameters.count);
  advise_large_pages(values.data(), values.capacity() * sizeof(double));
  const Prefault prefault(values.data(), values.capacity() * sizeof(double));
  for (std::uint64_t i = 0; i < parameters.count; ++i) {
    double value = 0;
    for (std::uint64_t field = 1; field <= parameters.fields_per_record; ++field) {
      const textio::ReadStatus status =
          field == parameters.column ? stream.next_number(value) : stream.skip_field();
      if (status == textio::ReadStatus::Ok) continue;
      if (status == textio::ReadStatus::EndOfFile) {
        return job::Outcome::failed("the file of values " + parameters.input_path + " holds " +
                                    std::to_string(i) + " of the " + std::to_string(parameters.count) +
                                    " values");
      }
      if (status == textio::ReadStatus::NotNumeric) {
        return job::Outcome::failed("value " + std::to_string(i + 1) + " of " + parameters.input_path +
                                    " is not a number");
      }
      return job::Outcome::failed("cannot read the file of values " + parameters.input_path);
    }
    values.push_back(value);
  }
  return job::Outcome::done();
}

float score_as_float(double score) {
  // .9999999 is the largest float whose 7-digit form stays below 1.
  constexpr float kHighest = 0.9999999f;
  constexpr float kLowest = std::numeric_limits<float>::denorm_min();
  return std::clamp(static_cast<float>(score), kLowest, kHighest);
}

std::vector<float> uniform_scores(const std::vector<double>& values) {
  std::vector<double> scores = values;
  rank_scores_in_place(scores.data(), scores.size());
  return std::vector<float>(scores.begin(), scores.end());
}

namespace {

// Lines are formatted in blocks, every other block on a second thread while this one formats the
// first and writes both: the formatting costs more than the writing.
template <typename Score>
job::Outcome write_score_lines(const std::string& path, const Score* scores, std::size_t count) {
  textio::TextWriter writer;
  if (!writer.create(path)) {
    return job::Outcome::failed("cannot create the score file " + path);
  }
  constexpr std::size_t kBlock = std::size_t{1} << 17;
  // Each thread's block on a cache line of its own, its lines formatted straight into it.
  struct alignas(64) Block {
    std::unique_ptr<char[]> bytes{new char[kBlock * (textio::kPrintNumberRoom + 2)]};
    std::size_t size = 0;
  };
  const auto format = [scores, count](std::size_t first, Block& block) {
    char* p = block.bytes.get();
    const std::size_t end = std::min(count, first + kBlock);
    for (std::size_t i = first; i < end; ++i) {
      p = textio::write_print_number(p, static_cast<float>(scores[i]));
      *p++ = '\r';
      *p++ = '\n';
    }
    block.size = static_cast<std::size_t>(p - block.bytes.get());
  };
  const auto write = [&writer](const Block& block) {
    return writer.write_lines(std::string_view(block.bytes.get(), block.size));
  };
  Block mine;
  Block theirs;
  for (std::size_t first = 0; first < count && writer.ok(); first += 2 * kBlock) {
    const std::size_t second = first + kBlock;
    std::thread helper;
    if (second < count) {
      try {
        helper = std::thread(format, second, std::ref(theirs));
      } catch (const std::system_error&) {
        format(second, theirs);
      }
    } else {
      theirs.size = 0;
    }
    format(first, mine);
    if (helper.joinable()) helper.join();
    if (!write(mine)) break;
    write(theirs);
  }
  if (!writer.close()) {
    return job::Outcome::failed("cannot write the score file " + path);
  }
  return job::Outcome::done();
}

}  // namespace

job::Outcome write_scores(const std::string& path, const std::vector<float>& scores) {
  return write_score_lines(path, scores.data(), scores.size());
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty() || arguments.size() > 2 ||
      (arguments.size() == 2 && arguments[1] != "0" && arguments[1] != "1")) {
    err << "usage: uniform.exe PARAMETER_FILE [0|1]\n"
           "  0 (default): print nothing but errors; 1: also print a summary\n";
    return 2;
  }
  const bool verbose = arguments.size() == 2 && arguments[1] == "1";
  Parameters parameters;
  const auto fail = [&](const job::Outcome& outcome) {
    // A score file left by an earlier run must never pass for this run's result.
    remove_quietly(parameters.score_path);
    err << "uniform.exe: " << outcome.message << '\n';
    return 1;
  };
  if (job::Outcome read = read_parameters(arguments[0], parameters); !read.completed()) return fail(read);
  try {
    std::vector<double> values;
    if (job::Outcome read = read_values(parameters, values); !read.completed()) return fail(read);
    // The scores take the values' place, as floats held in doubles: no second array of N.
    rank_scores_in_place(values.data(), values.size());
    if (job::Outcome written = write_score_lines(parameters.score_path, values.data(), values.size());
        !written.completed())
      return fail(written);
  } catch (const std::bad_alloc&) {
    return fail(
        job::Outcome::failed("not enough memory for " + std::to_string(parameters.count) + " values"));
  } catch (const std::length_error&) {
    return fail(
        job::Outcome::failed("not enough memory for " + std::to_string(parameters.count) + " values"));
  }
  if (verbose)
    out << "uniform.exe: " << parameters.count << " scores written to " << parameters.score_path << '\n';
  return 0;
}

}  // namespace meldrit::uniform_tool
