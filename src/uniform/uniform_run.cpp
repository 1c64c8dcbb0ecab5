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

std::string program_file(const std::string& program_folder, const char* name) {
  return (std::filesystem::path(program_folder) / name).string();
}

job::Outcome run_uniform(const RunRequest& request, const ProgramRunner& runner, job::Hooks& hooks) {
  const std::string input(textio::trim_blanks(request.input_caption));
  const std::string output(textio::trim_blanks(request.output_caption));
  const std::string& folder = request.program_folder;
  if (input.empty()) return job::Outcome::refused(messages::kNoInputFile);
  if (output.empty()) return job::Outcome::refused(messages::kNoOutputFile);
  for (const std::string& other :
       {input, program_file(folder, files::kParameterFile), program_file(folder, files::kValuesFile),
        program_file(folder, files::kScoresFile)}) {
    if (textio::same_file(output, other)) return job::Outcome::refused(messages::kSameFile);
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kCannotRun);
  if (request.selected_column < 0) return job::Outcome::failed(messages::kNoColumn);

  const long long samples = textio::whole_part_of(request.samples_text);
  const long long columns = textio::whole_part_of(request.columns_text);
  const std::string values_path = program_file(folder, files::kValuesFile);
  const std::string scores_path = program_file(folder, files::kScoresFile);

  std::vector<double> coordinates;
  std::vector<float> scores;
  try {
    hooks.stage(messages::kStageValues);
    if (!write_values_file(request, input, samples, columns, coordinates)) return failed;

    textio::TextWriter parameters;
    if (!parameters.create(program_file(folder, files::kParameterFile))) return failed;
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
    if (!parameters.close()) return failed;

    hooks.stage(messages::kStageProgram);
    if (!runner(files::kCommandLine, folder, request.window_mode)) return failed;
    if (!read_scores(scores_path, samples, scores)) return failed;
  } catch (const std::bad_alloc&) {
    return failed;
  } catch (const std::length_error&) {
    return failed;
  }

  // From here on nothing is reported: a file that cannot be removed or written is left as it is.
  std::error_code ignored;
  std::filesystem::remove(values_path, ignored);
  std::filesystem::remove(scores_path, ignored);
  hooks.stage(messages::kStageOutput);
  write_output(output, coordinate_count(request.option), coordinates, scores);
  return job::Outcome::done(messages::kComplete);
}

}  // namespace meldrit::uniform
