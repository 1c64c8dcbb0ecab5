#include <charconv>
#include <cmath>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "gridmap/grid_export.h"
#include "gridmap/map_figure.h"

namespace meldrit::cli {

void addMapCommand(CLI::App& app, int& status) {
  struct Options {
    gridmap::MapRequest request;
    std::string nodes, palette, skip = "0", origin, spacing;
    double min = 0, max = 0;
  };
  auto options = std::make_shared<Options>();
  gridmap::MapRequest& request = options->request;
  auto* command = app.add_subcommand(
      "map", "Map one Z slice of a grid file to a PNG picture and print the whole file's statistics");
  command
      ->add_option("--input", request.grid.path, "Grid file: one value per node, X fastest, then Y, then Z")
      ->required();
  command->add_option("--skip", options->skip, "Header lines to skip, or geoeas: the file's GeoEAS header");
  command->add_option("--nodes", options->nodes, "NX,NY,NZ: grid nodes along X, Y and Z")->required();
  command->add_option("--z", request.z, "The slice to map, from 1 (default: the middle one)");
  auto* threshold =
      command->add_option("--threshold", request.grid.value_index,
                          "Which value of each node to map, from 1 (a threshold of a probability file)");
  command->add_option("--thresholds", request.grid.values_per_node, "How many values each node has")
      ->needs(threshold);
  command->add_option("--png", request.png, "The PNG file to write")->required();
  command
      ->add_option("--palette", options->palette,
                   "continuous or classes (default: classes for a few whole numbers)")
      ->check(CLI::IsMember({"continuous", "classes"}));
  auto* min = command->add_option("--min", options->min,
                                  "The bottom of the colour scale (default: the file's minimum)");
  auto* max =
      command->add_option("--max", options->max, "The top of the colour scale (default: the file's maximum)");
  command->add_option("--origin", options->origin,
                      "X0,Y0,Z0: the centre of the first node, for the axes (default: node numbers)");
  command->add_option("--spacing", options->spacing, "DX,DY,DZ: node spacing, for the axes (default 1,1,1)");
  command->callback([options, &status, min, max] {
    const std::array<std::string, 3> nodes = split_nodes(options->nodes, "--nodes");
    gridmap::GridRequest& grid = options->request.grid;
    long long* counts[] = {&grid.nx, &grid.ny, &grid.nz};
    for (int i = 0; i < 3; ++i) {
      // Whole numbers only: "1e5" or "10abc" must not pass for 1 or 10.
      const std::string& text = nodes[i];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *counts[i]);
      if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw CLI::ValidationError("--nodes",
                                   "expects three whole numbers NX,NY,NZ, got '" + options->nodes + "'");
      }
    }
    for (auto* end : {min, max}) {
      const double value = end == min ? options->min : options->max;
      if (end->count() > 0 && !std::isfinite(value)) {
        throw CLI::ValidationError(end->get_name(), "expects a finite number");
      }
    }
    // Each is checked on its own, so that the message names the option at fault.
    gridmap::GridRequest placed, spaced;
    if (!options->origin.empty() && !gridmap::read_geometry(options->origin, "1,1,1", placed).completed()) {
      throw CLI::ValidationError("--origin",
                                 "expects three finite numbers X0,Y0,Z0, got '" + options->origin + "'");
    }
    if (!options->spacing.empty() && !gridmap::read_geometry("1,1,1", options->spacing, spaced).completed()) {
      throw CLI::ValidationError("--spacing",
                                 "expects three positive numbers DX,DY,DZ, got '" + options->spacing + "'");
    }
    if (!options->origin.empty()) grid.origin = placed.origin;
    if (!options->spacing.empty()) grid.spacing = spaced.spacing;
    if (!options->palette.empty()) {
      options->request.palette =
          options->palette == "classes" ? gridmap::Palette::Classes : gridmap::Palette::Continuous;
    }
    if (min->count() > 0) options->request.min = options->min;
    if (max->count() > 0) options->request.max = options->max;
    if (!skip_lines(options->skip, grid.path, "--skip", grid.skip)) {
      status = 1;
      return;
    }
    StderrHooks hooks("nodes");
    status = finish(gridmap::write_map(options->request, hooks), "--nodes", hooks);
  });
}

}  // namespace meldrit::cli
