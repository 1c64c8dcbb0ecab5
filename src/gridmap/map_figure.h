#pragma once

#include <optional>
#include <string>

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

// "name  Z = 3 of 10" (and the value mapped, when a node holds several).
std::string map_title(const GridRequest& grid, long long z);

// The whole file's statistics as `name value` lines: count, min, max, mean, std, q1, median, q3.
std::string statistics_text(const GridStats& stats);

// Scans the file, checks the slice, writes the PNG; completed with the statistics as its message.
job::Outcome write_map(const MapRequest& request, job::Hooks& hooks = job::no_hooks());

}  // namespace meldrit::gridmap
