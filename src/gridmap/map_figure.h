#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gridmap/grid_scan.h"
#include "gridmap/map_render.h"
#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::gridmap {

// A map of one slice of a grid file, as the view's "Save as PNG" and `meldrit-cli map` write it.
struct MapRequest {
  GridRequest grid;
  long long z = 0;                 // the slice, from 1; 0: the middle one
  std::optional<Palette> palette;  // unset: classes for a file of a few whole numbers, else continuous
  std::optional<double> min, max;  // the ends of the continuous scale; unset: the file's own
  std::string png;
};

// The slice a view opens on: the middle one, counted from 1.
long long middle_slice(long long nz);

// The style a scan suggests, with the request's choices over it.
MapStyle style_for(const GridScan& scan, const std::optional<Palette>& palette,
                   const std::optional<double>& min, const std::optional<double>& max);

// The X and Y axes of the grid's maps, at its origin and spacing.
MapAxes map_axes(const GridRequest& grid);

// "name  Z = 3 of 10" (and the value mapped, when a node holds several).
std::string map_title(const GridRequest& grid, long long z);

// The whole file's statistics as `name value` lines: count, min, max, mean, std, q1, median, q3.
std::string statistics_text(const GridStats& stats);

// The words of every job for an output that would write over one of its inputs.
inline constexpr std::string_view kOutputIsInput = "Input data file and output file cannot be the same!";

// Writes the picture as a PNG unless `png` names the grid file it shows, in any spelling (refused:
// nothing is written); failed when it cannot be written.
job::Outcome save_figure(const Image& figure, const std::string& png, const std::string& grid_path);

// Scans the file, checks the slice, writes the PNG; completed with the statistics as its message.
job::Outcome write_map(const MapRequest& request, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::gridmap
