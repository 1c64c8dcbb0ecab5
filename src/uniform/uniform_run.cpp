#include "uniform/uniform_run.h"

#include <filesystem>
#include <new>
#include <string_view>
#include <vector>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/text_writer.h"
#include "uniform/uniform_messages.h"

namespace meldrit::uniform {
namespace {

bool same_file(const std::string& a, const std::string& b) {
  if (a == b) return true;
  // Two spellings of one existing file (a "./" or a link) are the same file too.
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

bool write_values_file(const RunRequest& request, const std::string& input, long long samples,
                       long long columns, std::vector<double>& coordinates) {
  const int dims = coordinate_count(request.option);
  const long long selected = request.selected_column;
  if (selected <= dims || selected > columns) return false;

  textio::FieldStream stream;
  textio::TextWriter values;
  if (!stream.open(input)) return false;
  if (!values.create(program_file(request.program_folder, files::kValuesFile))) return false;
  if (!stream.skip_lines(textio::numeric_value(request.skip_text))) return false;
  if (samples > 0) coordinates.reserve(static_cast<std::size_t>(samples) * dims);
  for (long long i = 0; i < samples; ++i) {
    double value = 0;
    for (long long field = 1; field <= columns; ++field) {
      textio::ReadStatus status;
      if (field <= dims) {
        double coordinate = 0;
        status = stream.next_number(coordinate);
        coordinates.push_back(coordinate);
      } else if (field == selected) {
        status = stream.next_number(value);
      } else {
        // Variables that are not transformed are read over, whatever they hold.
        status = stream.skip_field();
      }
      if (status != textio::ReadStatus::Ok) return false;
    }
    textio::append_print_number(values.line(), value);
    if (!values.end_line()) return false;
  }
  return values.close();
}

bool read_scores(const std::string& path, long long samples, std::vector<float>& scores) {
  textio::FieldStream stream;
  if (!stream.open(path)) return false;
  if (samples > 0) scores.reserve(static_cast<std::size_t>(samples));
  for (long long i = 0; i < samples; ++i) {
    double score = 0;
    if (stream.next_number(score) != textio::ReadStatus::Ok) return false;
    scores.push_back(static_cast<float>(score));
  }
  return true;
}

void write_output(const std::string& path, int dims, const std::vector<double>& coordinates,
                  const std::vector<float>& scores) {
  textio::TextWriter output;
  if (!output.create(path)) return;
  for (std::size_t i = 0; i < scores.size(); ++i) {
    for (int d = 0; d < dims; ++d) textio::append_print_number(output.line(), coordinates[i * dims + d]);
    textio::append_print_number(output.line(), scores[i]);
    if (!output.end_line()) break;
  }
  output.close();
}

}  // namespace

const char* run_message(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Completed:
      return messages::kComplete;
    case RunOutcome::NoInputFile:
      return messages::kNoInputFile;
    case RunOutcome::NoOutputFile:
      return messages::kNoOutputFile;
    case RunOutcome::SameFile:
      return messages::kSameFile;
    case RunOutcome::NoColumn:
      return messages::kNoColumn;
    case RunOutcome::CannotRun:
      break;
  }
  return messages::kCannotRun;
}

std::string program_file(const std::string& program_folder, const char* name) {
  return (std::filesystem::path(program_folder) / name).string();
}

RunOutcome check_run_files(const std::string& input_caption, const std::string& output_caption) {
  const std::string input(textio::trim_blanks(input_caption));
  const std::string output(textio::trim_blanks(output_caption));
  if (input.empty()) return RunOutcome::NoInputFile;
  if (output.empty()) return RunOutcome::NoOutputFile;
  if (same_file(input, output)) return RunOutcome::SameFile;
  return RunOutcome::Completed;
}

RunOutcome run_uniform(const RunRequest& request, const ProgramRunner& runner) {
  if (const RunOutcome checked = check_run_files(request.input_caption, request.output_caption);
      checked != RunOutcome::Completed) {
    return checked;
  }
  if (request.selected_column < 0) return RunOutcome::NoColumn;

  const long long samples = textio::whole_part_of(request.samples_text);
  const long long columns = textio::whole_part_of(request.columns_text);
  const std::string input(textio::trim_blanks(request.input_caption));
  const std::string output(textio::trim_blanks(request.output_caption));
  const std::string& folder = request.program_folder;
  const std::string values_path = program_file(folder, files::kValuesFile);
  const std::string scores_path = program_file(folder, files::kScoresFile);

  std::vector<double> coordinates;
  std::vector<float> scores;
  try {
    if (!write_values_file(request, input, samples, columns, coordinates)) return RunOutcome::CannotRun;

    textio::TextWriter parameters;
    if (!parameters.create(program_file(folder, files::kParameterFile))) return RunOutcome::CannotRun;
    parameters.write_line(values_path);
    textio::append_print_number(parameters.line(), 0.0);
    parameters.end_line();
    parameters.write_line(scores_path);
    textio::append_print_number(parameters.line(), static_cast<double>(samples));
    parameters.end_line();
    textio::append_print_number(parameters.line(), 1.0);
    parameters.end_line();
    textio::append_print_number(parameters.line(), 1.0);
    parameters.end_line();
    if (!parameters.close()) return RunOutcome::CannotRun;

    if (!runner(files::kCommandLine, folder, request.window_mode)) return RunOutcome::CannotRun;
    if (!read_scores(scores_path, samples, scores)) return RunOutcome::CannotRun;
  } catch (const std::bad_alloc&) {
    return RunOutcome::CannotRun;
  } catch (const std::length_error&) {
    return RunOutcome::CannotRun;
  }

  // From here on nothing is reported: a file that cannot be removed or written is left as it is.
  std::error_code ignored;
  std::filesystem::remove(values_path, ignored);
  std::filesystem::remove(scores_path, ignored);
  write_output(output, coordinate_count(request.option), coordinates, scores);
  return RunOutcome::Completed;
}

}  // namespace meldrit::uniform
