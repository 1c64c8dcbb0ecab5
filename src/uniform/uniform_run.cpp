#include "uniform/uniform_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <new>
#include <string_view>
#include <thread>
#include <vector>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/ordered_blocks.h"
#include "textio/parallel_fields.h"
#include "textio/system_files.h"
#include "textio/text_writer.h"
#include "uniform/uniform_messages.h"

namespace meldrit::uniform {
namespace {

enum class Step { Done, Failed, Cancelled };

// Lines formatted per block on the workers: a few hundred kilobytes of text.
constexpr std::size_t kBlockLines = std::size_t{1} << 14;

// Room in `buffer`, after its first `used` bytes, for one more line of `numbers` numbers.
char* line_room(std::string& buffer, std::size_t used, int numbers) {
  const std::size_t room = static_cast<std::size_t>(numbers) * textio::kPrintNumberRoom + 2;
  if (buffer.size() - used < room) buffer.resize(std::max(2 * buffer.size(), used + room));
  return buffer.data() + used;
}

char* end_line(char* p) {
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

Step write_values_file(const RunRequest& request, const std::string& input, long long samples,
                       long long columns, std::vector<double>& coordinates, job::Hooks& hooks) {
  const int dims = coordinate_count(request.option);
  const long long selected = request.selected_column;
  if (selected <= dims || selected > columns) return Step::Failed;

  // Parsed ahead on the other cores, and formatted there too, while this thread takes the values.
  textio::ParallelFieldStream stream;
  textio::TextWriter values;
  bool header_read = false;
  if (!stream.open(input, textio::numeric_value(request.skip_text), header_read)) return Step::Failed;
  if (!values.create(program_file(request.program_folder, files::kValuesFile))) return Step::Failed;
  if (!header_read) return Step::Failed;
  if (samples > 0) coordinates.reserve(static_cast<std::size_t>(samples) * dims);
  job::ProgressTicker ticker(hooks, textio::file_size_or_zero(input),
                             samples > 0 ? static_cast<std::uint64_t>(samples) : 0);
  // Declared after the writer: on an early return it still writes the lines handed on.
  textio::OrderedBlocks blocks(values, textio::ParallelFieldStream::default_workers());
  std::vector<double> block;
  const auto hand_on = [&] {
    const bool added = blocks.add([held = std::move(block)](std::string& buffer) {
      std::size_t used = 0;
      for (const double value : held) {
        char* const p = end_line(textio::write_print_number(line_room(buffer, used, 1), value));
        used = static_cast<std::size_t>(p - buffer.data());
      }
      return used;
    });
    block.clear();
    block.reserve(kBlockLines);
    return added;
  };
  block.reserve(kBlockLines);
  for (long long i = 0; i < samples; ++i) {
    if (!ticker.tick(stream.bytes_consumed(), static_cast<std::uint64_t>(i))) return Step::Cancelled;
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
      if (status != textio::ReadStatus::Ok) {
        // The file keeps every whole line before the bad sample.
        hand_on();
        return Step::Failed;
      }
    }
    block.push_back(value);
    if (block.size() == kBlockLines && !hand_on()) return Step::Failed;
  }
  if (!hand_on() || !blocks.finish()) return Step::Failed;
  return values.close() ? Step::Done : Step::Failed;
}

bool write_parameters(const std::string& folder, long long samples) {
  textio::TextWriter parameters;
  if (!parameters.create(program_file(folder, files::kParameterFile))) return false;
  parameters.write_line(program_file(folder, files::kValuesFile));
  textio::append_print_number(parameters.line(), 0.0);
  parameters.end_line();
  parameters.write_line(program_file(folder, files::kScoresFile));
  textio::append_print_number(parameters.line(), static_cast<double>(samples));
  parameters.end_line();
  textio::append_print_number(parameters.line(), 1.0);
  parameters.end_line();
  textio::append_print_number(parameters.line(), 1.0);
  parameters.end_line();
  return parameters.close();
}

bool read_scores(const std::string& path, long long samples, std::vector<float>& scores) {
  textio::ParallelFieldStream stream;
  bool no_header = true;
  if (!stream.open(path, 0, no_header)) return false;
  if (samples > 0) scores.reserve(static_cast<std::size_t>(samples));
  for (long long i = 0; i < samples; ++i) {
    double value = 0;
    if (stream.next_number(value) != textio::ReadStatus::Ok) return false;
    // A score is a 32-bit float; one beyond its range is no score.
    const float score = static_cast<float>(value);
    if (!std::isfinite(score)) return false;
    scores.push_back(score);
  }
  return true;
}

bool write_output(const std::string& path, int dims, const std::vector<double>& coordinates,
                  const std::vector<float>& scores) {
  textio::TextWriter output;
  if (!output.create(path)) return false;
  textio::OrderedBlocks blocks(output, textio::ParallelFieldStream::default_workers());
  for (std::size_t first = 0; first < scores.size(); first += kBlockLines) {
    const std::size_t end = std::min(scores.size(), first + kBlockLines);
    const bool added = blocks.add([&, first, end](std::string& buffer) {
      std::size_t used = 0;
      for (std::size_t i = first; i < end; ++i) {
        char* p = line_room(buffer, used, dims + 1);
        for (int d = 0; d < dims; ++d) p = textio::write_print_number(p, coordinates[i * dims + d]);
        p = end_line(textio::write_print_number(p, scores[i]));
        used = static_cast<std::size_t>(p - buffer.data());
      }
      return used;
    });
    if (!added) break;
  }
  blocks.finish();
  return output.close();
}

// The run's own files in the program folder, which no input or output of it may be.
std::vector<std::string> own_files(const std::string& folder) {
  return {program_file(folder, files::kParameterFile), program_file(folder, files::kValuesFile),
          program_file(folder, files::kScoresFile), program_file(folder, files::kLockFile)};
}

// Waits for the lock on the program folder's fixed files.
enum class Lock { Taken, Unavailable, Cancelled };
Lock lock_program_folder(const std::string& path, textio::system_files::FileLock& lock, job::Hooks& hooks) {
  using Result = textio::system_files::FileLock::Result;
  bool waiting = false;
  for (;;) {
    const Result result = lock.try_lock(path.c_str());
    if (result == Result::Locked) return Lock::Taken;
    if (result == Result::Unavailable) return Lock::Unavailable;
    if (!waiting) hooks.stage(messages::kStageWaiting);
    waiting = true;
    if (hooks.cancel_requested()) return Lock::Cancelled;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

job::Outcome run(const RunRequest& request, const ProgramRunner& runner, job::Hooks& hooks) {
  const std::string input(textio::trim_blanks(request.input_caption));
  const std::string output(textio::trim_blanks(request.output_caption));
  const std::string& folder = request.program_folder;
  if (input.empty()) return job::Outcome::refused(messages::kNoInputFile);
  if (output.empty()) return job::Outcome::refused(messages::kNoOutputFile);
  std::vector<std::string> inputs = own_files(folder);
  inputs.push_back(input);
  for (const std::string& other : inputs) {
    if (textio::same_file(output, other)) return job::Outcome::refused(messages::kSameFile);
  }
  hooks.checks_passed();
  const job::Outcome failed = job::Outcome::failed(messages::kCannotRun);
  const job::Outcome cancelled = job::Outcome::cancelled(job::kRunCancelled);
  if (request.selected_column < 0) return job::Outcome::failed(messages::kNoColumn);
  inputs.pop_back();
  for (const std::string& own : inputs) {
    if (textio::same_file(input, own)) return failed;
  }

  const long long samples = textio::whole_part_of(request.samples_text);
  const long long columns = textio::whole_part_of(request.columns_text);
  const std::string values_path = program_file(folder, files::kValuesFile);
  const std::string scores_path = program_file(folder, files::kScoresFile);

  // Two runs from one program folder would write over each other's fixed files.
  textio::system_files::FileLock lock;
  const std::string lock_path = program_file(folder, files::kLockFile);
  switch (lock_program_folder(lock_path, lock, hooks)) {
    case Lock::Taken:
      break;
    case Lock::Unavailable:
      return job::Outcome::failed(messages::cannot_lock(lock_path));
    case Lock::Cancelled:
      return cancelled;
  }

  // A cancel leaves the folder as a completed run does: without the values and score files, which
  // can be hundreds of megabytes. A failure keeps the values file for a look at what was handed on.
  std::error_code ignored;
  const auto cancelled_clean = [&] {
    std::filesystem::remove(values_path, ignored);
    std::filesystem::remove(scores_path, ignored);
    return cancelled;
  };
  std::vector<double> coordinates;
  std::vector<float> scores;
  hooks.stage(messages::kStageValues);
  switch (write_values_file(request, input, samples, columns, coordinates, hooks)) {
    case Step::Done:
      break;
    case Step::Failed:
      return failed;
    case Step::Cancelled:
      return cancelled_clean();
  }
  if (!write_parameters(folder, samples)) return failed;

  // A score file of an earlier run must never pass for this run's.
  std::filesystem::remove(scores_path, ignored);
  if (std::filesystem::symlink_status(scores_path, ignored).type() != std::filesystem::file_type::not_found) {
    return failed;
  }
  hooks.stage(messages::kStageProgram);
  const ProgramEnd ended =
      runner(files::kCommandLine, folder, request.window_mode, [&hooks] { return hooks.cancel_requested(); });
  if (!ended.started) return failed;
  if (hooks.cancel_requested()) return cancelled_clean();
  // A program that failed may have left a partial score file.
  if (ended.exit_status != 0) return failed;
  if (!read_scores(scores_path, samples, scores)) return failed;

  // From here on the Part's run reports nothing: a file that cannot be removed stays.
  std::filesystem::remove(values_path, ignored);
  std::filesystem::remove(scores_path, ignored);
  lock.release();
  hooks.stage(messages::kStageOutput);
  job::Outcome completed = job::Outcome::done(messages::kComplete);
  // But a result that was never written must not pass for one that was.
  if (!write_output(output, coordinate_count(request.option), coordinates, scores)) {
    completed.follow_up = messages::cannot_write_output(output);
  }
  return completed;
}

}  // namespace

std::string program_file(const std::string& program_folder, const char* name) {
  return (std::filesystem::path(program_folder) / name).string();
}

job::Outcome run_uniform(const RunRequest& request, const ProgramRunner& runner, job::Hooks& hooks) {
  return job::guarded(messages::kCannotRun, [&] { return run(request, runner, hooks); });
}

}  // namespace meldrit::uniform
