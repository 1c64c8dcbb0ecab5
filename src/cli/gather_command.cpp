#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/generator_options.h"
#include "cli/request_file.h"

namespace meldrit::cli {
namespace {

struct Lines {
  bool exists = false;
  std::uint64_t count = 0;
  bool ended = true;  // the last byte is a line end (or the file is empty)
};

Lines count_lines(const std::string& path) {
  Lines lines;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return lines;
  lines.exists = true;
  std::vector<char> buffer(1 << 20);
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
    for (std::size_t i = 0; i < got; ++i) lines.count += buffer[i] == '\n';
    lines.ended = buffer[got - 1] == '\n';
  }
  std::fclose(file);
  return lines;
}

// 1,2,3,5 -> "1-3,5", the form sbatch --array takes.
std::string task_ranges(const std::vector<std::uint64_t>& tasks) {
  std::string text;
  for (std::size_t i = 0; i < tasks.size();) {
    std::size_t j = i;
    while (j + 1 < tasks.size() && tasks[j + 1] == tasks[j] + 1) ++j;
    text += (text.empty() ? "" : ",") + std::to_string(tasks[i]);
    if (j > i) text += "-" + std::to_string(tasks[j]);
    i = j + 1;
  }
  return text;
}

struct Options {
  std::string request, nodes, realizations = "1-1", output;
  std::uint64_t block = 0;
  CLI::Option *nodes_option = nullptr, *realizations_option = nullptr, *output_option = nullptr,
              *block_option = nullptr;
};

// Fills what was not given beside --request from the file's lines.
void take_from_request(Options& o) {
  std::string error;
  const Request request = read_request(o.request, error);
  if (!error.empty()) throw CLI::ValidationError("--request", error);
  std::size_t outputs = 0;
  for (const std::vector<std::string>& option : request.options) {
    const std::size_t equals = option[0].find('=');
    const std::string name = option[0].substr(0, equals);
    const std::string value = equals != std::string::npos ? option[0].substr(equals + 1)
                              : option.size() > 1         ? option[1]
                                                          : "";
    if (name == "--nodes" && o.nodes_option->count() == 0) o.nodes = value;
    if (name == "--realizations" && o.realizations_option->count() == 0) o.realizations = value;
    if (name == "--output" && o.output_option->count() == 0) o.output = value, ++outputs;
    if (name == "--block" && o.block_option->count() == 0 && !CLI::detail::lexical_cast(value, o.block)) {
      throw CLI::ValidationError("--request", "--block expects a whole number, got '" + value + "'");
    }
  }
  if (outputs > 1) throw CLI::ValidationError("--request", "the request names several --output files");
}

}  // namespace

void addGatherCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<Options>();
  auto* command = app.add_subcommand(
      "gather",
      "Check that every realization of a run split into array tasks was written whole (one line per node, "
      "the last one ended), and name the missing ones and the array tasks to run again; exits 1 then");
  command->add_option("--request", options->request, "The request file the tasks ran")
      ->check(CLI::ExistingFile);
  options->nodes_option = command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes");
  options->realizations_option =
      command->add_option("--realizations", options->realizations, "A-B: the realizations of the run");
  options->output_option =
      command->add_option("--output", options->output, "The output pattern, with {} or {:03}");
  options->block_option = command->add_option("--block", options->block, "K: realizations per array task")
                              ->check(CLI::PositiveNumber);
  command->callback([options, &status] {
    Options& o = *options;
    if (!o.request.empty()) take_from_request(o);
    if (o.nodes.empty()) throw CLI::RequiredError("--nodes");
    if (o.output.empty()) throw CLI::RequiredError("--output");
    const std::array<std::int64_t, 3> counts = whole_node_counts(o.nodes, "--nodes");
    const auto nodes = static_cast<std::uint64_t>(counts[0] * counts[1] * counts[2]);
    GeneratorOptions range;
    range.realizations = o.realizations;
    const RealizationBlock all = drawn_realizations(range, o.output);

    std::uint64_t complete = 0;
    std::vector<std::uint64_t> tasks;
    for (std::uint64_t r = all.first; r <= all.last; ++r) {
      const std::string& path = all.outputs[r - all.first];
      const Lines lines = count_lines(path);
      if (lines.exists && lines.ended && lines.count == nodes) {
        ++complete;
        continue;
      }
      std::cout << (lines.exists ? "Incomplete" : "Missing") << ": realization " << r << " (" << path;
      if (lines.exists) {
        std::cout << ": " << lines.count << " of " << nodes << " lines"
                  << (lines.ended ? "" : ", the last cut");
      }
      std::cout << ")\n";
      const std::uint64_t task = o.block > 0 ? (r - all.first) / o.block + 1 : 0;
      if (task != 0 && (tasks.empty() || tasks.back() != task)) tasks.push_back(task);
    }
    const std::uint64_t total = all.last - all.first + 1;
    std::cout << complete << " of " << total << " realizations complete.\n";
    if (!tasks.empty()) std::cout << "Array tasks to run again: " << task_ranges(tasks) << '\n';
    status = complete == total ? 0 : 1;
  });
}

}  // namespace meldrit::cli
