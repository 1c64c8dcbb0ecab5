#include "uniform_tool/uniform_scores.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <ostream>
#include <utility>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/text_writer.h"

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

job::Outcome read_samples(const Parameters& parameters, std::vector<Sample>& samples) {
  textio::FieldStream stream;
  if (!stream.open(parameters.input_path)) {
    return job::Outcome::failed("cannot open the file of values " + parameters.input_path);
  }
  if (!stream.skip_lines(static_cast<double>(parameters.header_lines))) {
    return job::Outcome::failed("the file of values " + parameters.input_path +
                                " has fewer lines than its header");
  }
  samples.clear();
  samples.reserve(parameters.count);
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
    samples.push_back(Sample{value, i});
  }
  return job::Outcome::done();
}

std::vector<float> score_samples(std::vector<Sample>& samples) {
  const std::size_t n = samples.size();
  std::sort(samples.begin(), samples.end(),
            [](const Sample& a, const Sample& b) { return a.value < b.value; });
  std::vector<float> scores(n);
  // Ranks lo+1 .. hi of a run of equal values average to (lo + hi + 1) / 2, so their shared score
  // is ((lo + hi + 1) / 2 - 0.5) / N.
  const double twice_n = 2.0 * static_cast<double>(n);
  std::size_t lo = 0;
  while (lo < n) {
    std::size_t hi = lo + 1;
    while (hi < n && samples[hi].value == samples[lo].value) ++hi;
    const float score = score_as_float(static_cast<double>(lo + hi) / twice_n);
    for (std::size_t i = lo; i < hi; ++i) scores[samples[i].index] = score;
    lo = hi;
  }
  return scores;
}

float score_as_float(double score) {
  // .9999999 is the largest float whose 7-digit form stays below 1.
  constexpr float kHighest = 0.9999999f;
  constexpr float kLowest = std::numeric_limits<float>::denorm_min();
  return std::clamp(static_cast<float>(score), kLowest, kHighest);
}

std::vector<float> uniform_scores(const std::vector<double>& values) {
  std::vector<Sample> samples;
  samples.reserve(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) samples.push_back(Sample{values[i], i});
  return score_samples(samples);
}

job::Outcome write_scores(const std::string& path, const std::vector<float>& scores) {
  textio::TextWriter writer;
  if (!writer.create(path)) {
    return job::Outcome::failed("cannot create the score file " + path);
  }
  for (const float score : scores) {
    textio::append_print_number(writer.line(), score);
    if (!writer.end_line()) break;
  }
  if (!writer.close()) {
    return job::Outcome::failed("cannot write the score file " + path);
  }
  return job::Outcome::done();
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
    std::vector<float> scores;
    {
      std::vector<Sample> samples;
      if (job::Outcome read = read_samples(parameters, samples); !read.completed()) return fail(read);
      scores = score_samples(samples);
    }
    if (job::Outcome written = write_scores(parameters.score_path, scores); !written.completed())
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
