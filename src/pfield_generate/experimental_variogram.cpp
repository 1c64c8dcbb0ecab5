#include "pfield_generate/experimental_variogram.h"

#include "pfield_generate/gaussian_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/parallel_fields.h"

namespace meldrit::pfield_generate {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr int kMaxDefaultLags = 50;

std::string count_text(std::uint64_t value) {
  return std::to_string(value);
}

std::string direction_name(double azimuth, double dip) {
  return "azimuth " + textio::plain_number(azimuth) + " dip " + textio::plain_number(dip);
}

// The unit vector of (azimuth, dip) as the model sees it: the major axis of a structure with those
// angles, so that a curve and the model drawn along it always agree on the direction.
std::array<double, 3> unit_vector(double azimuth, double dip) {
  Structure axis;
  axis.azimuth = azimuth;
  axis.dip = dip;
  return anisotropy_rotation(axis)[0];
}

// Sums of one curve while pairs are visited.
struct Accumulator {
  std::vector<long double> sums;
  std::vector<std::uint64_t> counts;
  std::vector<long double> distances;  // summed, for the mean separation of each lag

  explicit Accumulator(std::size_t lags) : sums(lags), counts(lags), distances(lags) {}

  void add_to(VariogramCurve& curve) const {
    for (std::size_t k = 0; k < sums.size(); ++k) {
      if (counts[k] == 0) continue;
      const long double n = static_cast<long double>(counts[k]);
      curve.lags.push_back(static_cast<double>(distances[k] / n));
      curve.gammas.push_back(static_cast<double>(sums[k] / (2 * n)));
      curve.pairs.push_back(counts[k]);
    }
  }
};

// A lag of the grid: the node offset from tail to head, the head's layer never before the tail's.
struct Offset {
  long long x = 0, y = 0, z = 0;
};

struct GridCurve {
  VariogramCurve curve;
  std::vector<Offset> offsets;  // one per lag
};

long long default_lags(long long reach) {
  return std::clamp(reach / 3, 1LL, static_cast<long long>(kMaxDefaultLags));
}

// Squared differences of the pairs between two layers (the same one for offsets within a layer).
void add_pairs(const double* tail_layer, const double* head_layer, long long nx, long long ny,
               const Offset& o, long double& sum, std::uint64_t& count) {
  const long long x0 = std::max(0LL, -o.x), x1 = nx - std::max(0LL, o.x);
  const long long y0 = std::max(0LL, -o.y), y1 = ny - std::max(0LL, o.y);
  if (x0 >= x1 || y0 >= y1) return;
  // A row's sum in double: at most 100000 terms, then carried on in long double.
  for (long long y = y0; y < y1; ++y) {
    const double* tail = tail_layer + y * nx;
    const double* head = head_layer + (y + o.y) * nx + o.x;
    double row = 0;
    for (long long x = x0; x < x1; ++x) {
      const double d = head[x] - tail[x];
      row += d * d;
    }
    sum += row;
  }
  count += static_cast<std::uint64_t>((x1 - x0) * (y1 - y0));
}

job::Outcome check_grid_request(const GridVariogramRequest& request) {
  if (job::Outcome checked = gridmap::check_request(request.grid); !checked.completed()) return checked;
  for (const double step : {request.dx, request.dy, request.dz})
    if (!(step > 0) || !std::isfinite(step))
      return job::Outcome::refused("The node spacing must be positive.");
  if (request.lags < 0) return job::Outcome::refused("The number of lags must not be negative.");
  if (!std::isfinite(request.azimuth.value_or(0)) || !std::isfinite(request.dip.value_or(0)))
    return job::Outcome::refused("The direction's angles must be finite numbers.");
  return job::Outcome::done();
}

// The curves of the axes with more than one node, and of the direction when asked.
std::vector<GridCurve> grid_curves(const GridVariogramRequest& request, std::string& refusal) {
  const gridmap::GridRequest& g = request.grid;
  std::vector<GridCurve> curves;
  struct Axis {
    const char* name;
    long long nodes;
    double spacing, azimuth, dip;
    Offset step;
  };
  const Axis axes[] = {{"X", g.nx, request.dx, 90, 0, {1, 0, 0}},
                       {"Y", g.ny, request.dy, 0, 0, {0, 1, 0}},
                       {"Z", g.nz, request.dz, 0, 90, {0, 0, 1}}};
  for (const Axis& axis : axes) {
    if (axis.nodes < 2) continue;
    GridCurve c;
    c.curve.name = axis.name;
    c.curve.azimuth = axis.azimuth;
    c.curve.dip = axis.dip;
    const long long lags =
        std::min(axis.nodes - 1, request.lags > 0 ? request.lags : default_lags(axis.nodes));
    for (long long k = 1; k <= lags; ++k)
      c.offsets.push_back({axis.step.x * k, axis.step.y * k, axis.step.z * k});
    curves.push_back(std::move(c));
  }
  if (request.azimuth || request.dip) {
    const double azimuth = request.azimuth.value_or(0), dip = request.dip.value_or(0);
    const auto u = unit_vector(azimuth, dip);
    // The direction in nodes, scaled so that its longest component is one node: successive lags
    // then never round to the same offset.
    std::array<double, 3> s = {u[0] / request.dx, u[1] / request.dy, u[2] / request.dz};
    const double longest = std::max({std::abs(s[0]), std::abs(s[1]), std::abs(s[2])});
    // A pair and its reverse are the same pair: point the step upwards in Z.
    const double sign = s[2] < 0 ? -1.0 : 1.0;
    for (double& v : s) v *= sign / longest;
    const auto offset = [&](long long k) {
      const auto at = [&](int i) { return std::lround(static_cast<double>(k) * s[i]); };
      return Offset{at(0), at(1), at(2)};
    };
    const auto fits = [&](const Offset& o) {
      return std::abs(o.x) < g.nx && std::abs(o.y) < g.ny && std::abs(o.z) < g.nz;
    };
    long long reach = 0;
    while (fits(offset(reach + 1))) ++reach;
    if (reach == 0) {
      refusal = "No two nodes of the grid lie along " + direction_name(azimuth, dip) + ".";
      return {};
    }
    GridCurve c;
    c.curve.name = direction_name(azimuth, dip);
    c.curve.azimuth = azimuth;
    c.curve.dip = dip;
    const long long lags = std::min(reach, request.lags > 0 ? request.lags : default_lags(reach));
    for (long long k = 1; k <= lags; ++k) c.offsets.push_back(offset(k));
    curves.push_back(std::move(c));
  }
  if (curves.empty()) refusal = "A grid of one node has no pairs.";
  return curves;
}

VariogramResult run_grid_variogram(const GridVariogramRequest& request, job::Hooks& hooks) {
  VariogramResult result;
  result.outcome = check_grid_request(request);
  if (!result.outcome.completed()) return result;
  const gridmap::GridRequest& g = request.grid;
  std::string refusal;
  std::vector<GridCurve> curves = grid_curves(request, refusal);
  if (!refusal.empty()) {
    result.outcome = job::Outcome::refused(refusal);
    return result;
  }
  long long deepest = 0;
  for (const GridCurve& c : curves)
    for (const Offset& o : c.offsets) deepest = std::max(deepest, o.z);
  hooks.checks_passed();

  const std::string path(textio::trim_blanks(g.path));
  const std::uint64_t per_layer = static_cast<std::uint64_t>(g.nx) * static_cast<std::uint64_t>(g.ny);
  const std::uint64_t nodes = per_layer * static_cast<std::uint64_t>(g.nz);
  const std::uint64_t per_node = static_cast<std::uint64_t>(g.values_per_node);
  const auto count_message = [&](std::uint64_t values) {
    std::string text = "The file holds " + count_text(values) + " values; the grid of " + count_text(g.nx) +
                       " x " + count_text(g.ny) + " x " + count_text(g.nz) + " nodes needs " +
                       count_text(nodes * per_node);
    if (per_node > 1) text += " (" + count_text(per_node) + " a node)";
    return text + ".";
  };

  textio::ParallelFieldStream stream;
  bool header_read = false;
  if (!stream.open(path, g.skip, header_read)) {
    result.outcome = job::Outcome::failed("Cannot open " + path);
    return result;
  }
  if (!header_read) {
    result.outcome = job::Outcome::failed(count_message(0));
    return result;
  }

  // Only the layers a Z lag reaches back to are held: memory is (deepest + 1) layers whatever nz.
  const std::size_t ring = static_cast<std::size_t>(deepest + 1);
  std::vector<double> layers(ring * per_layer);
  std::vector<Accumulator> sums;
  for (const GridCurve& c : curves) sums.emplace_back(c.offsets.size());
  job::ProgressTicker ticker(hooks, textio::file_size_or_zero(path), nodes);
  std::uint64_t node = 0;
  for (long long z = 0; z < g.nz; ++z) {
    double* layer = layers.data() + static_cast<std::size_t>(z % static_cast<long long>(ring)) * per_layer;
    for (std::uint64_t i = 0; i < per_layer; ++i, ++node) {
      if (!ticker.tick(stream.bytes_consumed(), node)) {
        result.outcome = job::Outcome::cancelled(job::kRunCancelled);
        return result;
      }
      for (int field = 1; field <= g.values_per_node; ++field) {
        textio::ReadStatus status;
        if (field == g.value_index) {
          status = stream.next_number(layer[i]);
          if (status == textio::ReadStatus::NotNumeric) {
            result.outcome = job::Outcome::failed("Node " + count_text(node + 1) + " is not a number.");
            return result;
          }
          if (status == textio::ReadStatus::Ok && request.normal_scores) {
            if (!(layer[i] > 0 && layer[i] < 1)) {
              result.outcome = job::Outcome::failed("Node " + count_text(node + 1) +
                                                    " is no uniform score: it must lie between 0 and 1.");
              return result;
            }
            layer[i] = normal_quantile(layer[i]);
          }
        } else {
          status = stream.skip_field();
        }
        if (status == textio::ReadStatus::EndOfFile) {
          result.outcome =
              job::Outcome::failed(count_message(node * per_node + static_cast<std::uint64_t>(field - 1)));
          return result;
        }
        if (status != textio::ReadStatus::Ok) {
          result.outcome =
              job::Outcome::failed("Cannot read " + path + " after node " + count_text(node) + ".");
          return result;
        }
      }
    }
    for (std::size_t c = 0; c < curves.size(); ++c) {
      for (std::size_t k = 0; k < curves[c].offsets.size(); ++k) {
        const Offset& o = curves[c].offsets[k];
        if (o.z > z) continue;
        const double* tail =
            layers.data() + static_cast<std::size_t>((z - o.z) % static_cast<long long>(ring)) * per_layer;
        add_pairs(tail, layer, g.nx, g.ny, o, sums[c].sums[k], sums[c].counts[k]);
      }
    }
  }
  // A file with more values than the grid is another grid, or another layout of this one.
  std::uint64_t extra = 0;
  while (stream.skip_field() == textio::ReadStatus::Ok) ++extra;
  if (extra > 0) {
    result.outcome = job::Outcome::failed(count_message(nodes * per_node + extra));
    return result;
  }
  ticker.finish(stream.bytes_consumed(), nodes);
  for (std::size_t c = 0; c < curves.size(); ++c) {
    GridCurve& gc = curves[c];
    for (std::size_t k = 0; k < gc.offsets.size(); ++k) {
      const Offset& o = gc.offsets[k];
      const double h =
          std::hypot(static_cast<double>(o.x) * request.dx, static_cast<double>(o.y) * request.dy,
                     static_cast<double>(o.z) * request.dz);
      sums[c].distances[k] = static_cast<long double>(h) * static_cast<long double>(sums[c].counts[k]);
    }
    sums[c].add_to(gc.curve);
    result.curves.push_back(std::move(gc.curve));
  }
  result.outcome = job::Outcome::done();
  return result;
}

struct Sample {
  double x, y, z, value;
};

// Blank (or tab) separated fields of a line.
std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

job::Outcome check_column_request(const ColumnVariogramRequest& r) {
  if (r.x_column < 1 || r.y_column < 1 || r.z_column < 0 || r.value_column < 1)
    return job::Outcome::refused("Columns count from 1 (the Z column may be 0: none).");
  if (!(r.lag_width > 0) || !std::isfinite(r.lag_width))
    return job::Outcome::refused("The lag width must be positive.");
  if (r.lags < 1) return job::Outcome::refused("The number of lags must be at least 1.");
  for (const double v : {r.azimuth, r.azimuth_tolerance, r.dip, r.dip_tolerance})
    if (!std::isfinite(v)) return job::Outcome::refused("The direction's angles must be finite numbers.");
  if (!(r.bandwidth_h >= 0) || !(r.bandwidth_v >= 0))
    return job::Outcome::refused("The bandwidths must not be negative.");
  return job::Outcome::done();
}

VariogramResult run_column_variogram(const ColumnVariogramRequest& request, job::Hooks& hooks) {
  VariogramResult result;
  result.outcome = check_column_request(request);
  if (!result.outcome.completed()) return result;
  hooks.checks_passed();
  const std::string path(textio::trim_blanks(request.path));
  textio::FieldStream stream;
  if (!stream.open(path)) {
    result.outcome = job::Outcome::failed("Cannot open " + path);
    return result;
  }
  if (!stream.skip_lines(request.skip)) {
    result.outcome = job::Outcome::failed("The file has no samples after its header lines.");
    return result;
  }
  // Sample files are small (thousands of rows; every pair is visited, which bounds them far below
  // any memory concern), so the samples are held in memory.
  hooks.stage("Reading samples");
  std::vector<Sample> samples;
  const int columns[] = {request.x_column, request.y_column, request.z_column, request.value_column};
  const int widest = *std::max_element(std::begin(columns), std::end(columns));
  std::string line;
  std::uint64_t line_number = static_cast<std::uint64_t>(std::max(0.0, std::floor(request.skip)));
  job::ProgressTicker reading(hooks, textio::file_size_or_zero(path), 0);
  while (stream.read_line(line)) {
    ++line_number;
    if (!reading.tick(stream.bytes_consumed(), samples.size())) {
      result.outcome = job::Outcome::cancelled(job::kRunCancelled);
      return result;
    }
    const std::vector<std::string_view> fields = split_fields(line);
    if (fields.empty()) continue;
    if (static_cast<int>(fields.size()) < widest) {
      result.outcome = job::Outcome::failed("Line " + count_text(line_number) + " has " +
                                            count_text(fields.size()) + " columns; column " +
                                            count_text(static_cast<std::uint64_t>(widest)) + " is used.");
      return result;
    }
    double v[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
      if (columns[i] == 0) continue;
      if (!textio::parse_number(fields[static_cast<std::size_t>(columns[i] - 1)], v[i])) {
        result.outcome =
            job::Outcome::failed("Line " + count_text(line_number) + ", column " +
                                 count_text(static_cast<std::uint64_t>(columns[i])) + " is not a number.");
        return result;
      }
    }
    if (samples.size() >= kMaxColumnSamples) {
      result.outcome = job::Outcome::failed("The file holds more than " + count_text(kMaxColumnSamples) +
                                            " samples: too many pairs to visit.");
      return result;
    }
    if (request.normal_scores) {
      if (!(v[3] > 0 && v[3] < 1)) {
        result.outcome = job::Outcome::failed("Line " + count_text(line_number) +
                                              " holds no uniform score: it must lie between 0 and 1.");
        return result;
      }
      v[3] = normal_quantile(v[3]);
    }
    samples.push_back({v[0], v[1], v[2], v[3]});
  }
  if (stream.failed()) {
    result.outcome =
        job::Outcome::failed("Cannot read " + path + " after line " + count_text(line_number) + ".");
    return result;
  }

  // gamv's tests: the pair's horizontal angle to the azimuth and its distance off the direction's
  // line, then the same in the vertical plane through it.
  hooks.stage("Pairing samples");
  const double sin_azimuth = std::sin(request.azimuth * kDegree),
               cos_azimuth = std::cos(request.azimuth * kDegree);
  const double sin_dip = std::sin(request.dip * kDegree), cos_dip = std::cos(request.dip * kDegree);
  // A tolerance of 90 degrees or more takes every pair, also those at exactly 90.
  const double cos_azimuth_tolerance =
      request.azimuth_tolerance >= 90 ? -1.0 : std::cos(request.azimuth_tolerance * kDegree);
  const double cos_dip_tolerance =
      request.dip_tolerance >= 90 ? -1.0 : std::cos(request.dip_tolerance * kDegree);
  constexpr double kTiny = 1e-20;
  const double limit = (request.lags + 0.5) * request.lag_width;
  Accumulator sums(static_cast<std::size_t>(request.lags));
  const std::uint64_t n = samples.size();
  job::ProgressTicker pairing(hooks, 0, n * (n - (n > 0)) / 2);
  std::uint64_t visited = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (!pairing.tick(0, visited)) {
      result.outcome = job::Outcome::cancelled(job::kRunCancelled);
      return result;
    }
    const Sample& a = samples[i];
    for (std::size_t j = i + 1; j < samples.size(); ++j) {
      const Sample& b = samples[j];
      const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
      const double h = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (!(h <= limit)) continue;
      const long long lag = std::llround(h / request.lag_width);
      if (lag < 1 || lag > request.lags) continue;
      double dxy = std::sqrt(dx * dx + dy * dy);
      const double cos_horizontal = dxy < kTiny ? 1.0 : (dx * sin_azimuth + dy * cos_azimuth) / dxy;
      if (std::abs(cos_horizontal) < cos_azimuth_tolerance) continue;
      if (std::abs(sin_azimuth * dy - cos_azimuth * dx) > request.bandwidth_h) continue;
      // The pair turned to point along the azimuth, for its angle in the vertical plane.
      if (cos_horizontal < 0) dxy = -dxy;
      if (std::abs((dxy * cos_dip + dz * sin_dip) / h) < cos_dip_tolerance) continue;
      if (std::abs(cos_dip * dz - sin_dip * dxy) > request.bandwidth_v) continue;
      const double d = b.value - a.value;
      const std::size_t k = static_cast<std::size_t>(lag - 1);
      sums.sums[k] += d * d;
      sums.distances[k] += h;
      ++sums.counts[k];
    }
    visited += n - 1 - i;
  }
  pairing.finish(0, visited);
  VariogramCurve curve;
  const bool omnidirectional =
      request.azimuth_tolerance >= 90 && (request.z_column == 0 || request.dip_tolerance >= 90);
  curve.name = omnidirectional ? "omnidirectional" : direction_name(request.azimuth, request.dip);
  curve.azimuth = request.azimuth;
  curve.dip = request.dip;
  sums.add_to(curve);
  result.curves.push_back(std::move(curve));
  result.outcome = job::Outcome::done();
  return result;
}

// ---- The figure ----

constexpr gridmap::Rgb kWhite{255, 255, 255};
constexpr gridmap::Rgb kBlack{0, 0, 0};
constexpr gridmap::Rgb kGrid{225, 225, 225};
// Well apart in hue and in lightness, so that they also part in print.
constexpr gridmap::Rgb kCurveColors[] = {{31, 119, 180},  {214, 39, 40},  {44, 160, 44},
                                         {148, 103, 189}, {255, 127, 14}, {23, 190, 207}};
constexpr int kWidth = 640, kHeight = 420;
constexpr int kMargin = 12;
constexpr int kPlotLeft = 72, kPlotRight = kWidth - 20, kPlotBottom = kHeight - 52;
constexpr int kSwatch = 26;  // a legend entry's mark before its name

gridmap::Rgb curve_color(std::size_t index) {
  return kCurveColors[index % std::size(kCurveColors)];
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about six.
double tick_step(double span) {
  return gridmap::nice_step(span / 6);
}

class Plot {
 public:
  Plot(gridmap::Image& image, int top, double x_max, double y_max)
      : image_(image), top_(top), x_max_(x_max), y_max_(y_max) {}

  int top() const { return top_; }
  int px(double x) const {
    return kPlotLeft + static_cast<int>(std::lround(x / x_max_ * (kPlotRight - kPlotLeft)));
  }
  int py(double y) const {
    return kPlotBottom - static_cast<int>(std::lround(y / y_max_ * (kPlotBottom - top_)));
  }
  double lag_at(int x) const { return (x - kPlotLeft) * x_max_ / (kPlotRight - kPlotLeft); }
  bool inside(int x, int y) const {
    return x >= kPlotLeft && x <= kPlotRight && y >= top_ && y <= kPlotBottom;
  }

  void dot(double x, double y, gridmap::Rgb color) {
    const int cx = px(x), cy = py(y);
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx)
        if (dx * dx + dy * dy <= 10 && inside(cx + dx, cy + dy)) image_.set(cx + dx, cy + dy, color);
  }
  // Two pixels wide, each column joined to the last so that steep parts stay unbroken.
  void segment(int x0, int y0, int x1, int y1, gridmap::Rgb color) {
    const int steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1});
    for (int s = 0; s <= steps; ++s) {
      const int x = x0 + (x1 - x0) * s / steps, y = y0 + (y1 - y0) * s / steps;
      for (int d = 0; d < 2; ++d)
        if (inside(x, y + d)) image_.set(x, y + d, color);
    }
  }

 private:
  gridmap::Image& image_;
  int top_;
  double x_max_, y_max_;
};

// The legend in rows under the title, entries side by side, a new row when one is full: the plot
// keeps all of its area for the points. Returns the bottom of the last row.
int draw_legend(gridmap::Image& image, const std::vector<VariogramCurve>& curves, bool model, int top) {
  std::vector<std::string> names;
  for (const VariogramCurve& c : curves) names.push_back(c.name);
  int x = kMargin, y = top;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int width = kSwatch + gridmap::text_width(names[i], 2);
    if (x > kMargin && x + width > kWidth - kMargin) {
      x = kMargin;
      y += 20;
    }
    const gridmap::Rgb color = curve_color(i);
    if (model) image.fill(x, y + 6, 18, 2, color);
    image.fill(x + 6, y + 4, 6, 6, color);
    gridmap::draw_text(image, x + kSwatch, y, names[i], kBlack, 2);
    x += width + 24;
  }
  if (model) {
    const std::string note = "dots: data, lines: model";
    if (x > kMargin && x + gridmap::text_width(note, 1) > kWidth - kMargin) {
      x = kMargin;
      y += 20;
    }
    gridmap::draw_text(image, x, y + 4, note, kBlack, 1);
  }
  return y + 14;
}

std::string gamma_text(double gamma) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", gamma);
  return textio::plain_number(std::strtod(text, nullptr));
}

}  // namespace

VariogramResult grid_variogram(const GridVariogramRequest& request, job::Hooks& hooks) {
  return job::guarded("Not enough memory for the layers the variogram's Z lags reach back to.",
                      [&] { return run_grid_variogram(request, hooks); });
}

VariogramResult column_variogram(const ColumnVariogramRequest& request, job::Hooks& hooks) {
  return job::guarded("Not enough memory for the samples.",
                      [&] { return run_column_variogram(request, hooks); });
}

double model_gamma_along(const VariogramModel& model, double azimuth, double dip, double h) {
  const auto u = unit_vector(azimuth, dip);
  return variogram(model, h * u[0], h * u[1], h * u[2]);
}

gridmap::Image variogram_figure(const std::vector<VariogramCurve>& curves, const VariogramModel* model,
                                const std::string& title) {
  gridmap::Image image(kWidth, kHeight, kWhite);
  double x_max = 0, y_max = 0;
  for (const VariogramCurve& c : curves) {
    for (const double lag : c.lags) x_max = std::max(x_max, lag);
    for (const double gamma : c.gammas)
      if (std::isfinite(gamma)) y_max = std::max(y_max, gamma);
  }
  if (!(x_max > 0)) x_max = 1;
  x_max *= 1.05;
  if (model != nullptr) {
    for (const VariogramCurve& c : curves)
      for (int i = 1; i <= 50; ++i)
        y_max = std::max(y_max, model_gamma_along(*model, c.azimuth, c.dip, x_max * i / 50));
  }
  if (!(y_max > 0)) y_max = 1;
  y_max *= 1.1;
  const double x_step = tick_step(x_max), y_step = tick_step(y_max);
  // The axes end on a tick, so that their ends read as numbers.
  x_max = std::ceil(x_max / x_step - 1e-9) * x_step;
  y_max = std::ceil(y_max / y_step - 1e-9) * y_step;

  gridmap::draw_text(image, kMargin, kMargin, title, kBlack, 2);
  const int legend_bottom = draw_legend(image, curves, model != nullptr, kMargin + 14 + 10);
  const int gamma_label_top = legend_bottom + 10;
  Plot plot(image, gamma_label_top + 14 + 10, x_max, y_max);
  gridmap::draw_text(image, kMargin, gamma_label_top, "gamma", kBlack, 2);

  for (int i = 0; i * x_step <= x_max * (1 + 1e-9); ++i) {
    const int x = plot.px(i * x_step);
    image.fill(x, plot.top(), 1, kPlotBottom - plot.top(), kGrid);
    const std::string label = gridmap::scale_label(i * x_step);
    gridmap::draw_text(image, x - gridmap::text_width(label, 1) / 2, kPlotBottom + 6, label, kBlack, 1);
  }
  for (int i = 0; i * y_step <= y_max * (1 + 1e-9); ++i) {
    const int y = plot.py(i * y_step);
    image.fill(kPlotLeft, y, kPlotRight - kPlotLeft, 1, kGrid);
    const std::string label = gridmap::scale_label(i * y_step);
    gridmap::draw_text(image, kPlotLeft - 6 - gridmap::text_width(label, 1), y - 3, label, kBlack, 1);
  }
  image.fill(kPlotLeft, plot.top(), 1, kPlotBottom - plot.top() + 1, kBlack);
  image.fill(kPlotLeft, kPlotBottom, kPlotRight - kPlotLeft + 1, 1, kBlack);
  const std::string x_label = "lag";
  gridmap::draw_text(image, (kPlotLeft + kPlotRight - gridmap::text_width(x_label, 2)) / 2, kPlotBottom + 22,
                     x_label, kBlack, 2);

  for (std::size_t c = 0; c < curves.size(); ++c) {
    const VariogramCurve& curve = curves[c];
    if (model != nullptr) {
      int last_x = plot.px(0), last_y = plot.py(0);
      for (int x = kPlotLeft + 1; x <= kPlotRight; ++x) {
        const int y = plot.py(model_gamma_along(*model, curve.azimuth, curve.dip, plot.lag_at(x)));
        plot.segment(last_x, last_y, x, y, curve_color(c));
        last_x = x;
        last_y = y;
      }
    }
  }
  // Points over every line, so that no model hides another curve's data.
  for (std::size_t c = 0; c < curves.size(); ++c)
    for (std::size_t k = 0; k < curves[c].lags.size(); ++k)
      if (std::isfinite(curves[c].gammas[k]))
        plot.dot(curves[c].lags[k], curves[c].gammas[k], curve_color(c));
  return image;
}

std::string variogram_table(const std::vector<VariogramCurve>& curves) {
  // A name with blanks in it is quoted, so that a row still splits into four fields.
  std::string out = "name lag gamma pairs\n";
  for (const VariogramCurve& c : curves) {
    const std::string name = c.name.find(' ') == std::string::npos ? c.name : '"' + c.name + '"';
    for (std::size_t k = 0; k < c.lags.size(); ++k)
      out += name + " " + textio::plain_number(c.lags[k]) + " " + gamma_text(c.gammas[k]) + " " +
             std::to_string(c.pairs[k]) + "\n";
  }
  return out;
}

}  // namespace meldrit::pfield_generate
