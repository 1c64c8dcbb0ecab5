#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/generator_options.h"
#include "gridmap/grid_export.h"
#include "textio/file_type.h"
#include "textio/geoeas_header.h"
#include "textio/numeric_value.h"

namespace meldrit::cli {
namespace {

// FILE[::SKIP] with SKIP a number or "geoeas"; anything else after the last "::" stays part of
// the path, as the multiphase command reads its rows.
gridmap::ExportInput export_input(const std::string& argument) {
  const std::size_t mark = argument.rfind("::");
  if (mark != std::string::npos) {
    const std::string_view skip = textio::trim_blanks(std::string_view(argument).substr(mark + 2));
    double lines = 0;
    if (textio::is_geoeas_skip(skip) || textio::parse_number(skip, lines)) {
      return {argument.substr(0, mark), std::string(skip), {}};
    }
  }
  return {argument, "0", {}};
}

std::array<double, 3> three_numbers(const std::string& text, const std::string& option) {
  const std::array<std::string, 3> parts = split_nodes(text, option);
  std::array<double, 3> values{};
  for (int i = 0; i < 3; ++i) {
    if (!textio::parse_number(textio::trim_blanks(parts[i]), values[i])) {
      throw CLI::ValidationError(option, "expects three numbers, got '" + text + "'");
    }
  }
  return values;
}

}  // namespace

void addExportCommand(CLI::App& app, int& status) {
  struct Options {
    gridmap::ExportRequest request;
    std::string nodes, spacing = "1,1,1", origin = "0,0,0", precision = "double";
    std::vector<std::string> inputs, names;
  };
  auto options = std::make_shared<Options>();
  auto* command = app.add_subcommand("export",
                                     "Write grid files as named arrays of one VTK (.vti, .vtk), GeoEAS "
                                     "(.dat, .gslib) or GRDECL (.grdecl) file");
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z")->required();
  command->add_option("--spacing", options->spacing, "DX,DY,DZ: node spacing (default 1,1,1)");
  command->add_option("--origin", options->origin, "X0,Y0,Z0: the centre of the first node (default 0,0,0)");
  command
      ->add_option("--input", options->inputs,
                   "Grid files, one value per node, X fastest, then Y, then Z; FILE::SKIP gives its header "
                   "lines, FILE::geoeas its GeoEAS header")
      ->required();
  command->add_option("--name", options->names,
                      "The array name of each --input in order (default: the file name without its ending)");
  command->add_option("--output", options->request.output, "The file to write; its ending chooses the format")
      ->required();
  command
      ->add_option("--precision", options->precision,
                   "double or float: 64- or 32-bit binary values, 15 or 7 significant digits in text")
      ->check(CLI::IsMember({"double", "float"}));
  command->callback([options, &status] {
    gridmap::ExportRequest& request = options->request;
    const std::array<std::int64_t, 3> nodes = whole_node_counts(options->nodes, "--nodes");
    for (int i = 0; i < 3; ++i) request.nodes[i] = nodes[i];
    request.spacing = three_numbers(options->spacing, "--spacing");
    request.origin = three_numbers(options->origin, "--origin");
    request.float32 = options->precision == "float";
    if (!options->names.empty() && options->names.size() != options->inputs.size()) {
      throw CLI::ValidationError("--name", "expects one name per --input");
    }
    for (std::size_t i = 0; i < options->inputs.size(); ++i) {
      request.inputs.push_back(export_input(options->inputs[i]));
      if (!options->names.empty()) request.inputs.back().name = options->names[i];
    }
    StderrHooks hooks("nodes");
    status = finish(gridmap::export_grid(request, hooks), "--output", hooks);
  });
}

}  // namespace meldrit::cli
