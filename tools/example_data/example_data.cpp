// Writes the example data set of the README's tour into a folder:
//
//   meldrit_example_data FOLDER
//
// One small reservoir layer, 600 m x 400 m x 6 m, gridded as 60 x 40 x 3 nodes of 10 m x 10 m x 2 m
// (node centres at x = 5, 15, ..., 595; y = 5, ..., 395; z = 1, 3, 5), X fastest, then Y, then Z:
//
//   samples.dat         40 vertical wells sampled in each layer: x y z porosity(%) permeability(mD)
//   samples-geoeas.dat  the same wells with a GeoEAS header, as GSLIB's programs read them
//   ccdf.out            local ccdfs of porosity at 8, 12, 16, 20 and 24 %, following a regional trend
//   uniform1..3.out     three spatially correlated uniform fields (p-fields), as uniform.exe writes them
//   phases.out          facies per node: 1 floodplain, 2 a meandering channel sand
//   classes.out         seismic amplitude class per node: 1 low, 2 high
//   bihistogram.dat     the porosity ccdf of every (facies, seismic class) pair
//
// The well samples are drawn from the same model the p-field jobs simulate: facies, seismic class
// and a fourth p-field give each well node its porosity through the bihistogram's ccdfs.
//
// The random numbers come from fixed seeds through the 64-bit Mersenne Twister, whose sequence the
// C++ standard fixes, so a run writes the same bytes each time (the few sin, exp and pow values are
// written to far fewer digits than they carry). Files are written with the program's own writers:
// CR LF line ends and the print-number form, uniform scores as uniform.exe writes them.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "textio/number_format.h"
#include "textio/text_writer.h"
#include "uniform_tool/uniform_scores.h"

namespace meldrit::example_data {
namespace {

constexpr int kNx = 60, kNy = 40, kNz = 3;
constexpr int kNodes = kNx * kNy * kNz;
constexpr double kCellX = 10, kCellY = 10, kCellZ = 2;
constexpr double kPi = 3.14159265358979323846;

// One seed for the set; each field draws from its own stream so that changing one leaves the rest.
constexpr std::uint64_t kSeed = 20260415;
enum Stream : std::uint64_t { kTruth = 0, kRealization1 = 1, kSeismic = 10, kWells = 20 };

int node(int i, int j, int k) {
  return i + kNx * (j + kNy * k);
}
double x_of(int i) {
  return (i + 0.5) * kCellX;
}
double y_of(int j) {
  return (j + 0.5) * kCellY;
}
double z_of(int k) {
  return (k + 0.5) * kCellZ;
}

// Uniform values in [0, 1) from the top 53 bits of the standard's 64-bit Mersenne Twister. The
// library's distributions are not used: their results differ between implementations.
class Random {
 public:
  explicit Random(std::uint64_t stream) : engine_(kSeed * 1000 + stream) {}
  double uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

 private:
  std::mt19937_64 engine_;
};

// A moving average of half-width r along one axis over a block of dims[0] x dims[1] x dims[2]
// values (axis 0 fastest). Only the places whose whole window lies inside are kept, so the block
// shrinks by 2r along that axis.
void average_along(std::vector<double>& values, std::array<int, 3>& dims, int axis, int r) {
  std::array<int, 3> out_dims = dims;
  out_dims[axis] -= 2 * r;
  const std::array<int, 3> stride = {1, dims[0], dims[0] * dims[1]};
  std::vector<double> out(static_cast<std::size_t>(out_dims[0]) * out_dims[1] * out_dims[2]);
  std::size_t at = 0;
  for (int c = 0; c < out_dims[2]; ++c) {
    for (int b = 0; b < out_dims[1]; ++b) {
      for (int a = 0; a < out_dims[0]; ++a) {
        const std::size_t first = a * stride[0] + b * stride[1] + c * stride[2];
        double sum = 0;
        for (int d = 0; d <= 2 * r; ++d) sum += values[first + d * stride[axis]];
        out[at++] = sum / (2 * r + 1);
      }
    }
  }
  values = std::move(out);
  dims = out_dims;
}

// A stationary random field on the nodes: white noise smoothed by three moving averages along each
// axis, close to a Gaussian kernel with a spread of about r cells. Unequal reaches make the
// patches longer one way than the other, as sedimentary bodies are. The noise block exceeds the
// grid by the smoothing's reach, so the nodes at the edges are as smooth as those inside.
std::vector<double> smooth_field(Stream stream, std::array<int, 3> reach) {
  constexpr int kPasses = 3;
  std::array<int, 3> dims = {kNx + 2 * kPasses * reach[0], kNy + 2 * kPasses * reach[1],
                             kNz + 2 * kPasses * reach[2]};
  Random random(stream);
  std::vector<double> values(static_cast<std::size_t>(dims[0]) * dims[1] * dims[2]);
  for (double& value : values) value = random.uniform() - 0.5;
  for (int pass = 0; pass < kPasses; ++pass) {
    for (int axis = 0; axis < 3; ++axis) average_along(values, dims, axis, reach[axis]);
  }
  return values;
}

// The p-fields: patches some 60 m long east-west, 30 m north-south, spanning the three layers.
constexpr std::array<int, 3> kPfieldReach = {6, 3, 1};

// The channel sand: a band 50 to 80 m wide whose centre line meanders from west to east and
// moves downstream by 35 m from one layer to the next, in a floodplain background.
int facies(int i, int j, int k) {
  const double x = x_of(i) + 35.0 * k;
  const double centre = 200 + 100 * std::sin(2 * kPi * x / 450) + 15 * std::sin(2 * kPi * x / 170 + 0.7);
  const double half_width = 32 + 8 * std::sin(2 * kPi * x_of(i) / 250);
  return std::fabs(y_of(j) - centre) < half_width ? 2 : 1;
}

// Seismic amplitude: a broad random field, brighter over the channel sand; the brightest 40 % of
// the nodes are class 2.
std::vector<int> seismic_classes(const std::vector<int>& phases) {
  std::vector<double> amplitude = smooth_field(kSeismic, {8, 6, 1});
  double sum = 0, squares = 0;
  for (const double a : amplitude) sum += a;
  const double mean = sum / kNodes;
  for (const double a : amplitude) squares += (a - mean) * (a - mean);
  const double spread = std::sqrt(squares / kNodes);
  for (int n = 0; n < kNodes; ++n)
    amplitude[n] = (amplitude[n] - mean) / spread + (phases[n] == 2 ? 1.0 : 0.0);
  std::vector<double> sorted = amplitude;
  const auto cut = sorted.begin() + kNodes * 6 / 10;
  std::nth_element(sorted.begin(), cut, sorted.end());
  std::vector<int> classes(kNodes);
  for (int n = 0; n < kNodes; ++n) classes[n] = amplitude[n] >= *cut ? 2 : 1;
  return classes;
}

// Porosity (%) at the cumulative probabilities 0, .1, .3, .5, .7, .9 and 1, for each facies and
// seismic class: the channel sand is more porous than the floodplain, and bright amplitudes
// mark the better rock of each.
constexpr std::array<double, 7> kCcdfProbabilities = {0, .1, .3, .5, .7, .9, 1};
constexpr double kCcdfPorosity[2][2][7] = {
    {{2, 4, 5.5, 7, 8.5, 10.5, 14}, {3, 5, 7, 8.5, 10, 12.5, 16}},
    {{8, 12, 15, 17, 19, 22, 27}, {12, 16, 19, 21.5, 23.5, 26, 31}},
};

// The value of probability u on a ccdf table, interpolated as the multiphase run does.
double porosity_at(int phase, int variable_class, double u) {
  const double* z = kCcdfPorosity[phase - 1][variable_class - 1];
  const auto& f = kCcdfProbabilities;
  for (std::size_t k = f.size() - 1; k-- > 0;) {
    if (f[k] <= u && u <= f[k + 1]) return z[k] + (u - f[k]) * (z[k + 1] - z[k]) / (f[k + 1] - f[k]);
  }
  return 0;
}

double rounded(double value, double unit) {
  return std::round(value / unit) * unit;
}

// A text file in the program's form; a failure names the file.
class Output {
 public:
  Output(const std::filesystem::path& folder, const std::string& name) : path_((folder / name).string()) {
    if (!writer_.create(path_)) fail();
  }
  Output& number(double value) {
    textio::append_print_number(writer_.line(), value);
    return *this;
  }
  void end_line() {
    if (!writer_.end_line()) fail();
  }
  void line(const std::string& text) {
    writer_.line() += text;
    end_line();
  }
  void close() {
    if (!writer_.close()) fail();
  }

 private:
  [[noreturn]] void fail() {
    std::fprintf(stderr, "meldrit_example_data: cannot write %s\n", path_.c_str());
    std::exit(1);
  }

  std::string path_;
  textio::TextWriter writer_;
};

void write_codes(const std::filesystem::path& folder, const std::string& name, const std::string& header,
                 const std::vector<int>& codes) {
  Output out(folder, name);
  out.line(header);
  for (const int code : codes) out.number(code).end_line();
  out.close();
}

// The p-fields as the uniform transformation writes them: one score per node, no coordinates.
void write_uniform(const std::filesystem::path& folder, const std::string& name,
                   const std::vector<float>& scores) {
  const std::string path = (folder / name).string();
  if (!uniform_tool::write_scores(path, scores).completed()) {
    std::fprintf(stderr, "meldrit_example_data: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Local ccdfs of porosity that follow a regional trend: the mean rises from 9 % in the south-west
// to 22 % in the north-east and 1 % more per layer downwards, and the spread grows with the mean.
// Each ccdf is a logistic curve, rounded to three decimals (which keeps it non-decreasing).
constexpr std::array<double, 5> kThresholds = {8, 12, 16, 20, 24};

void write_local_ccdfs(const std::filesystem::path& folder) {
  Output out(folder, "ccdf.out");
  out.line("Local ccdfs of porosity at 8 12 16 20 24 %, 60 x 40 x 3 nodes, X fastest");
  for (int k = 0; k < kNz; ++k) {
    for (int j = 0; j < kNy; ++j) {
      for (int i = 0; i < kNx; ++i) {
        const double mean = 9 + 10 * x_of(i) / 600 + 3 * y_of(j) / 400 + 1.0 * k;
        const double spread = 2 + 0.15 * mean;
        // A logistic curve of scale s * sqrt(3) / pi has the spread s.
        const double scale = spread * 0.5513;
        for (const double t : kThresholds)
          out.number(rounded(1 / (1 + std::exp(-(t - mean) / scale)), 0.001));
        out.end_line();
      }
    }
  }
  out.close();
}

// Phase count, variable class count, then per (phase, class): the two fields the run skips (here
// the pair itself, for the reader), the point count and the (porosity, probability) points.
void write_bihistogram(const std::filesystem::path& folder) {
  Output out(folder, "bihistogram.dat");
  out.number(2).number(2).end_line();
  for (int p = 1; p <= 2; ++p) {
    for (int c = 1; c <= 2; ++c) {
      out.number(p).number(c).number(static_cast<double>(kCcdfProbabilities.size())).end_line();
      for (std::size_t k = 0; k < kCcdfProbabilities.size(); ++k) {
        out.number(kCcdfPorosity[p - 1][c - 1][k]).number(kCcdfProbabilities[k]).end_line();
      }
    }
  }
  out.close();
}

// Forty vertical wells at random places, each sampled at the middle of every layer. Porosity is
// the model's value at the well's node; permeability follows porosity on a log scale with scatter.
// The same samples twice: with a line of column names, and in GSLIB's GeoEAS form.
void write_samples(const std::filesystem::path& folder, const std::vector<int>& phases,
                   const std::vector<int>& classes, const std::vector<float>& truth) {
  Random random(kWells);
  Output out(folder, "samples.dat");
  Output gslib(folder, "samples-geoeas.dat");
  out.line("x y z porosity permeability");
  gslib.line("Forty wells sampled in each layer, 600 m x 400 m x 6 m");
  gslib.line("5");
  for (const char* name : {"x (m)", "y (m)", "z (m)", "porosity (%)", "permeability (mD)"}) gslib.line(name);
  for (int well = 0; well < 40; ++well) {
    const double x = std::floor(random.uniform() * kNx * kCellX);
    const double y = std::floor(random.uniform() * kNy * kCellY);
    const int i = static_cast<int>(x / kCellX), j = static_cast<int>(y / kCellY);
    for (int k = 0; k < kNz; ++k) {
      const int n = node(i, j, k);
      const double porosity = rounded(porosity_at(phases[n], classes[n], truth[n]), 0.1);
      const double scatter = random.uniform() + random.uniform() + random.uniform() - 1.5;
      const double permeability = rounded(std::pow(10.0, 0.15 * porosity - 1.6 + 0.3 * scatter), 0.01);
      for (Output* file : {&out, &gslib}) {
        file->number(x).number(y).number(z_of(k)).number(porosity).number(permeability).end_line();
      }
    }
  }
  out.close();
  gslib.close();
}

int run(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::vector<int> phases(kNodes);
  for (int k = 0; k < kNz; ++k) {
    for (int j = 0; j < kNy; ++j) {
      for (int i = 0; i < kNx; ++i) phases[node(i, j, k)] = facies(i, j, k);
    }
  }
  const std::vector<int> classes = seismic_classes(phases);

  write_samples(folder, phases, classes, uniform_tool::uniform_scores(smooth_field(kTruth, kPfieldReach)));
  write_local_ccdfs(folder);
  for (int r = 0; r < 3; ++r) {
    const auto stream = static_cast<Stream>(kRealization1 + r);
    write_uniform(folder, "uniform" + std::to_string(r + 1) + ".out",
                  uniform_tool::uniform_scores(smooth_field(stream, kPfieldReach)));
  }
  write_codes(folder, "phases.out", "Facies: 1 floodplain, 2 channel sand; 60 x 40 x 3 nodes, X fastest",
              phases);
  write_codes(folder, "classes.out", "Seismic amplitude: 1 low, 2 high; 60 x 40 x 3 nodes, X fastest",
              classes);
  write_bihistogram(folder);
  return 0;
}

}  // namespace
}  // namespace meldrit::example_data

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  return meldrit::example_data::run(argv[1]);
}
