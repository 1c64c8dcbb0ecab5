#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/commands.h"
#ifdef MELDRIT_HAVE_GENERATOR
#include "gridmap/map_figure.h"
#include "gridmap/png_file.h"
#include "pfield_generate/experimental_variogram.h"
#include "textio/file_type.h"
#endif

namespace meldrit::cli {
namespace {

#ifdef MELDRIT_HAVE_GENERATOR
// Exactly `count` comma-separated numbers of type Number, finite for a floating type; whole
// numbers only for an integer type ("1e5" or "10abc" must not pass for 1 or 10). A usage error of
// `option` naming `form` otherwise.
template <typename Number>
std::vector<Number> numbers_of(const std::string& text, std::size_t count, const std::string& option,
                               const std::string& form) {
  const std::vector<std::string> parts = split_commas(text);
  std::vector<Number> values;
  for (const std::string& part : parts) {
    Number value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size()) break;
    if constexpr (std::is_floating_point_v<Number>) {
      if (!std::isfinite(value)) break;
    }
    values.push_back(value);
  }
  if (values.size() != count || parts.size() != count)
    throw CLI::ValidationError(option, "expects " + form + ", got '" + text + "'");
  return values;
}
#endif

}  // namespace

void addVariogramCommand(CLI::App& app, int& status) {
  struct Options {
    std::string input, nodes, spacing = "1,1,1", direction, model, png, columns, tolerance, bandwidth;
    std::string skip = "0";
    double lag_width = 0;
    int lags = 0, value_index = 1, values_per_node = 1;
    bool normal_scores = false;
  };
  auto options = std::make_shared<Options>();
  auto* command = app.add_subcommand(
      "variogram",
      "Experimental variogram of a grid file (along X, Y, Z and a direction, in one pass) or of a column "
      "data file (as GSLIB's gamv): gamma(h), half the mean squared difference of the pairs h apart. "
      "Prints 'name lag gamma pairs' rows. Directions as in the variogram model: azimuth in degrees "
      "clockwise from north (+Y), so 90 is +X; dip in degrees from horizontal, 90 along +Z");
  command->add_option("--input", options->input, "The grid file or column data file")->required();
  command->add_option("--skip", options->skip, "Header lines to skip, or geoeas: the file's GeoEAS header");
  auto* nodes = command->add_option("--nodes", options->nodes,
                                    "NX,NY,NZ: a grid file of one value per node, X fastest, then Y, then Z");
  auto* spacing =
      command->add_option("--spacing", options->spacing, "DX,DY,DZ: node spacing (default 1,1,1)");
  auto* threshold = command->add_option("--threshold", options->value_index,
                                        "Which value of each grid node to use, from 1 (default 1)");
  command->add_option("--thresholds", options->values_per_node, "How many values each grid node has")
      ->needs(threshold);
  auto* columns = command->add_option("--columns", options->columns,
                                      "X,Y,Z,V: the columns (from 1) of a column data file's coordinates and "
                                      "value; Z 0 for a 2D file");
  command->add_option("--lags", options->lags,
                      "Lags: for a grid, in nodes along each direction (default a third of it, at most 50); "
                      "for a column file, how many lags of --lag-width");
  auto* lag_width = command->add_option("--lag-width", options->lag_width,
                                        "Column file: the lag width (lag tolerance half of it)");
  command->add_option("--direction", options->direction,
                      "AZ,DIP: for a grid, an extra curve along the nearest node offsets; for a column file "
                      "the direction of its curve (default 0,0)");
  auto* tolerance = command->add_option(
      "--tolerance", options->tolerance,
      "ATOL,DTOL: column file, angular tolerances in degrees (default 90,90: omnidirectional)");
  auto* bandwidth =
      command->add_option("--bandwidth", options->bandwidth,
                          "BH,BV: column file, horizontal and vertical bandwidths (default none)");
  command->add_option("--model", options->model,
                      "A variogram model to draw along each curve, in the form pfield's --variogram takes: "
                      "'0.1 nug + 0.9 sph(50,30,5; 45,0,0)'");
  command->add_option("--png", options->png, "A PNG file for the plot of gamma against lag");
  command->add_flag(
      "--normal-scores", options->normal_scores,
      "The values are uniform scores (a p-field, or the uniform job's output): take their normal scores "
      "first, so that the model of the Gaussian field compares with them");
  nodes->excludes(columns);
  for (auto* grid_only : {spacing, threshold}) grid_only->excludes(columns);
  for (auto* column_only : {lag_width, tolerance, bandwidth}) column_only->excludes(nodes);

  command->callback([options, &status, nodes, columns] {
#ifdef MELDRIT_HAVE_GENERATOR
    namespace pg = pfield_generate;
    if (nodes->count() == 0 && columns->count() == 0)
      throw CLI::ValidationError("--nodes", "a grid file needs --nodes, a column data file --columns");
    std::optional<pg::VariogramModel> model;
    if (!options->model.empty()) {
      const pg::ModelParse parsed = pg::parse_variogram_model(options->model);
      if (!parsed.ok()) throw CLI::ValidationError("--model", parsed.error);
      model = parsed.model;
    }
    if (!options->png.empty()) {
      if (!gridmap::png_available()) throw CLI::ValidationError("--png", "this build cannot write PNG files");
      if (textio::same_file(options->png, options->input)) {
        std::cerr << gridmap::kOutputIsInput << '\n';
        status = 1;
        return;
      }
    }
    std::optional<std::vector<double>> direction;
    if (!options->direction.empty())
      direction = numbers_of<double>(options->direction, 2, "--direction", "two angles AZ,DIP in degrees");

    double skip = 0;
    if (!skip_lines(options->skip, options->input, "--skip", skip)) {
      status = 1;
      return;
    }
    StderrHooks hooks(nodes->count() > 0 ? "nodes" : "pairs");
    pg::VariogramResult result;
    std::string option;
    if (nodes->count() > 0) {
      pg::GridVariogramRequest request;
      request.grid.path = options->input;
      request.grid.skip = skip;
      request.normal_scores = options->normal_scores;
      const auto counts = numbers_of<long long>(options->nodes, 3, "--nodes", "three whole numbers NX,NY,NZ");
      request.grid.nx = counts[0];
      request.grid.ny = counts[1];
      request.grid.nz = counts[2];
      request.grid.value_index = options->value_index;
      request.grid.values_per_node = options->values_per_node;
      const auto steps =
          numbers_of<double>(options->spacing, 3, "--spacing", "three positive numbers DX,DY,DZ");
      request.dx = steps[0];
      request.dy = steps[1];
      request.dz = steps[2];
      request.lags = options->lags;
      if (direction) {
        request.azimuth = (*direction)[0];
        request.dip = (*direction)[1];
      }
      option = "--nodes";
      result = pg::grid_variogram(request, hooks);
    } else {
      pg::ColumnVariogramRequest request;
      request.path = options->input;
      request.skip = skip;
      const auto picked = numbers_of<int>(options->columns, 4, "--columns", "four column numbers X,Y,Z,V");
      request.x_column = picked[0];
      request.y_column = picked[1];
      request.z_column = picked[2];
      request.value_column = picked[3];
      request.normal_scores = options->normal_scores;
      if (options->lag_width <= 0 || options->lags <= 0)
        throw CLI::ValidationError("--lag-width",
                                   "a column data file needs a positive --lag-width and --lags");
      request.lag_width = options->lag_width;
      request.lags = options->lags;
      if (direction) {
        request.azimuth = (*direction)[0];
        request.dip = (*direction)[1];
      }
      if (!options->tolerance.empty()) {
        const auto t =
            numbers_of<double>(options->tolerance, 2, "--tolerance", "two angles ATOL,DTOL in degrees");
        request.azimuth_tolerance = t[0];
        request.dip_tolerance = t[1];
      }
      if (!options->bandwidth.empty()) {
        const auto b = numbers_of<double>(options->bandwidth, 2, "--bandwidth", "two distances BH,BV");
        request.bandwidth_h = b[0];
        request.bandwidth_v = b[1];
      }
      option = "--columns";
      result = pg::column_variogram(request, hooks);
    }
    job::Outcome outcome = result.outcome;
    if (outcome.completed()) {
      outcome.message = pg::variogram_table(result.curves);
      outcome.message.pop_back();  // finish() ends the line
      if (!options->png.empty()) {
        const std::string name =
            std::filesystem::path(std::string(textio::trim_blanks(options->input))).filename().string();
        const gridmap::Image figure =
            pg::variogram_figure(result.curves, model ? &*model : nullptr, "Variogram of " + name);
        const job::Outcome saved = gridmap::save_figure(figure, options->png, options->input);
        if (!saved.completed()) outcome.follow_up = saved.message;
      }
    }
    status = finish(outcome, option, hooks);
#else
    (void)nodes;
    (void)columns;
    std::cerr << "This build of Meldrit has no p-field generator: FFTW is not available for it.\n";
    status = 1;
#endif
  });
}

}  // namespace meldrit::cli
