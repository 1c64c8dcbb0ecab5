#include "gridmap/map_figure.h"

#include <cstdio>

#include "gridmap/png_file.h"
#include "textio/file_type.h"

namespace meldrit::gridmap {

long long middle_slice(long long nz) {
  return (nz + 1) / 2;
}

MapStyle style_for(const GridScan& scan, const std::optional<Palette>& palette,
                   const std::optional<double>& min, const std::optional<double>& max) {
  MapStyle style;
  // Codes that would share a colour read as one class: the continuous scale tells them apart.
  style.palette =
      palette.value_or(distinct_class_colors(scan.codes) ? Palette::Classes : Palette::Continuous);
  style.min = min.value_or(scan.stats.min);
  style.max = max.value_or(scan.stats.max);
  return style;
}

MapAxes map_axes(const GridRequest& grid) {
  return {{grid.nx, grid.origin[0], grid.spacing[0]}, {grid.ny, grid.origin[1], grid.spacing[1]}};
}

std::string map_title(const GridRequest& grid, long long z) {
  std::string title = std::string(textio::bare_file_name(textio::trim_blanks(grid.path))) +
                      "  Z = " + std::to_string(z) + " of " + std::to_string(grid.nz);
  if (grid.values_per_node > 1) {
    title += "  value " + std::to_string(grid.value_index) + " of " + std::to_string(grid.values_per_node);
  }
  return title;
}

std::string statistics_text(const GridStats& stats) {
  std::string text = "count " + std::to_string(stats.count);
  const std::pair<const char*, double> figures[] = {
      {"min", stats.min}, {"max", stats.max},       {"mean", stats.mean}, {"std", stats.std},
      {"q1", stats.q1},   {"median", stats.median}, {"q3", stats.q3}};
  for (const auto& [name, value] : figures) {
    char number[40];
    std::snprintf(number, sizeof number, "%.10g", value);
    text += std::string("\n") + name + " " + number;
  }
  return text;
}

job::Outcome save_figure(const Image& figure, const std::string& png, const std::string& grid_path) {
  if (textio::same_file(png, grid_path)) return job::Outcome::refused(kOutputIsInput);
  if (!write_png(png, figure)) return job::Outcome::failed(job::cannot_write_output(png));
  return job::Outcome::done();
}

job::Outcome write_map(const MapRequest& request, job::Hooks& hooks) {
  if (const job::Outcome checked = check_request(request.grid); !checked.completed()) return checked;
  const long long z = request.z == 0 ? middle_slice(request.grid.nz) : request.z;
  if (z < 1 || z > request.grid.nz) {
    return job::Outcome::refused("Z must be from 1 to " + std::to_string(request.grid.nz) + ".");
  }
  if (!png_available()) return job::Outcome::refused("This build cannot write PNG files.");
  if (textio::same_file(request.png, request.grid.path)) return job::Outcome::refused(kOutputIsInput);
  hooks.checks_passed();
  const GridScan scan = scan_grid(request.grid, hooks);
  if (!scan.outcome.completed()) return scan.outcome;
  const Slice slice = read_slice(request.grid, scan, z - 1, kFigureMapRoom);
  const MapStyle style = style_for(scan, request.palette, request.min, request.max);
  const Image figure =
      render_figure(slice, style, scan.codes, map_title(request.grid, z), map_axes(request.grid));
  job::Outcome saved = save_figure(figure, request.png, request.grid.path);
  if (saved.completed()) saved.message = statistics_text(scan.stats);
  return saved;
}

}  // namespace meldrit::gridmap
