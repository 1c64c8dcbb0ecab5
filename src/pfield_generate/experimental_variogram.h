#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gridmap/grid_scan.h"  // gridmap::GridRequest {path, skip, nx, ny, nz, values_per_node, value_index}
#include "gridmap/map_render.h"  // gridmap::Image
#include "job/hooks.h"
#include "job/outcome.h"
#include "pfield_generate/variogram_model.h"

namespace meldrit::pfield_generate {

// One experimental variogram: gamma(h) = half the mean squared difference of the pairs h apart.
struct VariogramCurve {
  std::string name;             // "X", "Y", "Z", "azimuth 45 dip 0"
  double azimuth = 0, dip = 0;  // the direction, in the model's conventions (for drawing the model along it)
  std::vector<double> lags;     // mean separation of the pairs of each lag, in the spacing's units
  std::vector<double> gammas;
  std::vector<std::uint64_t> pairs;
};

struct GridVariogramRequest {
  gridmap::GridRequest grid;
  double dx = 1, dy = 1, dz = 1;
  int lags = 0;                        // lags in nodes along each axis; 0: a third of the axis, at most 50
  std::optional<double> azimuth, dip;  // an extra direction, in degrees
  // The values are uniform scores (a p-field): take their normal scores first, so that the
  // Gaussian field's model compares with them. A value outside (0, 1) is then refused.
  bool normal_scores = false;
};

struct VariogramResult {
  job::Outcome outcome;  // completed, or the message that ended it
  std::vector<VariogramCurve> curves;
};

// X, Y and Z (axes with more than one node), and the direction when asked, in one pass over the file.
VariogramResult grid_variogram(const GridVariogramRequest& request, job::Hooks& hooks = job::no_hooks());

// A column data file (header lines, then blank-separated columns, coordinates first) as GSLIB's
// gamv: pairs binned by separation into lags of `lag_width` within the angular tolerances and
// bandwidths of the direction. Columns count from 1; z_column 0 means a 2D file.
struct ColumnVariogramRequest {
  std::string path;
  double skip = 0;  // header lines
  int x_column = 1, y_column = 2, z_column = 0, value_column = 3;
  double lag_width = 1;
  int lags = 10;
  double azimuth = 0, azimuth_tolerance = 90, bandwidth_h = 1e21;
  double dip = 0, dip_tolerance = 90, bandwidth_v = 1e21;
  bool normal_scores = false;  // the values are uniform scores: take their normal scores first
};

// At most this many samples: every pair is visited.
inline constexpr std::uint64_t kMaxColumnSamples = 200000;

// One curve along the direction (named "omnidirectional" when the azimuth tolerance is 90 or more).
VariogramResult column_variogram(const ColumnVariogramRequest& request, job::Hooks& hooks = job::no_hooks());

// The plot: gamma against lag for every curve (points), with the model's variogram along each
// curve's direction drawn as a line of the same colour when `model` is given; title above, legend.
gridmap::Image variogram_figure(const std::vector<VariogramCurve>& curves, const VariogramModel* model,
                                const std::string& title);

// The table the command prints: a header line, then "name lag gamma pairs" rows.
std::string variogram_table(const std::vector<VariogramCurve>& curves);

// The model's variogram at distance h along (azimuth, dip), in the model's conventions.
double model_gamma_along(const VariogramModel& model, double azimuth, double dip, double h);

}  // namespace meldrit::pfield_generate
