#include "pfield_generate/gaussian_field.h"

#include <fftw3.h>

#include <Random123/philox.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <thread>
#include <vector>

namespace meldrit::pfield_generate {
namespace {

// FFTW's planner is not thread-safe; fields may be opened and closed on several threads.
std::mutex& planner_mutex() {
  static std::mutex mutex;
  return mutex;
}

// Columns of a slab transformed along Z by one plan execution: a fixed split, so every column
// meets the same plan whatever the thread count.
constexpr std::int64_t kColumnChunk = 64;
// Floats per plane are rounded up to this, keeping every plane as aligned as the first.
constexpr std::int64_t kPlaneAlign = 16;

bool smooth(std::int64_t n) {
  for (const std::int64_t p : {2, 3, 5, 7})
    while (n % p == 0) n /= p;
  return n == 1;
}

// The smallest size >= n with no prime factor above 7, which FFTW transforms fastest.
std::int64_t fft_size(std::int64_t n, bool even = false) {
  while (!smooth(n) || (even && n % 2 != 0)) ++n;
  return n;
}

// How far the kernel reaches from its centre along a world axis, in units of the practical
// range. The spherical kernel would be a ball of half the range, but the square root of the
// sampled spectrum rings well beyond it: cut at half the range, the variogram falls 0.03 short.
// Exponential and Gaussian kernels are cut where all but about 1e-4 of their energy lies inside.
double kernel_reach(StructureType type) {
  switch (type) {
    case StructureType::spherical:
      return 1.0;
    case StructureType::exponential:
      return 1.6;
    case StructureType::gaussian:
      return 1.0;
  }
  return 1.0;
}

// Sizes of a request's kernel, padded grid and slab transforms.
struct Layout {
  std::array<std::int64_t, 3> n{};                 // grid nodes
  std::array<std::int64_t, 3> halo{};              // kernel half-widths in nodes
  std::array<std::int64_t, 3> box{};               // periodic box of the kernel set-up
  std::int64_t px = 1, py = 1, cx = 1, plane = 1;  // slab plane: real sizes, complex row, floats
  std::array<std::int64_t, 3> padded() const {
    return {n[0] + 2 * halo[0], n[1] + 2 * halo[1], n[2] + 2 * halo[2]};
  }
  std::int64_t pz(std::int64_t layers) const { return fft_size(layers + 2 * halo[2]); }
  std::uint64_t setup_bytes() const {
    return static_cast<std::uint64_t>(2 * (box[0] / 2 + 1) * box[1] * box[2]) * sizeof(double);
  }
  std::uint64_t slab_bytes(std::int64_t layers) const {
    // The slab and the kernel's spectrum at the slab's size, and the layers handed out.
    return static_cast<std::uint64_t>(2 * plane * pz(layers) + n[0] * n[1] * layers) * sizeof(float);
  }
  // The set-up's box is freed before the slab is made; the cropped kernel lives throughout.
  std::uint64_t bytes(std::int64_t layers) const {
    const std::int64_t kernel = (2 * halo[0] + 1) * (2 * halo[1] + 1) * (2 * halo[2] + 1);
    return std::max(setup_bytes(), slab_bytes(layers)) + static_cast<std::uint64_t>(kernel) * sizeof(float);
  }
};

Layout layout_of(const FieldRequest& request) {
  Layout l;
  const GridGeometry& g = request.grid;
  l.n = {g.nx, g.ny, g.nz};
  const std::array<double, 3> spacing{g.dx, g.dy, g.dz};
  std::array<double, 3> reach{0, 0, 0};
  for (const Structure& s : request.model.structures) {
    Structure unit = s;
    unit.range_major = unit.range_minor = unit.range_vertical = 1;
    const auto axes = anisotropy_rotation(unit);
    const double k = kernel_reach(s.type);
    const std::array<double, 3> semi{k * s.range_major, k * s.range_minor, k * s.range_vertical};
    for (int j = 0; j < 3; ++j) {
      double e2 = 0;
      for (int i = 0; i < 3; ++i) e2 += axes[i][j] * axes[i][j] * semi[i] * semi[i];
      reach[j] = std::max(reach[j], std::sqrt(e2));
    }
  }
  for (int j = 0; j < 3; ++j) {
    // One node of margin for the discrete kernel's ripple; nothing beyond the grid's own extent,
    // so a flat grid gets the kernel of the covariance within its plane.
    const double nodes = std::ceil(reach[j] / spacing[j]) + (reach[j] > 0 ? 1 : 0);
    l.halo[j] = std::min<std::int64_t>(l.n[j] - 1, static_cast<std::int64_t>(std::min(nodes, 1e6)));
    // Twice the covariance's reach (the kernel's autoconvolution), so it does not wrap.
    l.box[j] = l.halo[j] == 0 ? 1 : fft_size(4 * l.halo[j] + 1);
  }
  const auto p = l.padded();
  l.px = fft_size(p[0], true);
  l.py = fft_size(p[1]);
  l.cx = l.px / 2 + 1;
  l.plane = (2 * l.cx * l.py + kPlaneAlign - 1) / kPlaneAlign * kPlaneAlign;
  return l;
}

std::string check_shape(const FieldRequest& request) {
  const GridGeometry& g = request.grid;
  for (const std::int64_t n : {g.nx, g.ny, g.nz})
    if (n < 1 || n > kMaxNodesPerAxis) return "Node counts must lie between 1 and 1000.";
  for (const double d : {g.dx, g.dy, g.dz})
    if (!(d > 0) || !std::isfinite(d)) return "Node spacings must be positive.";
  return check_model(request.model);
}

std::string megabytes(std::uint64_t bytes, bool up) {
  const std::uint64_t mb = 1 << 20;
  return std::to_string(up ? (bytes + mb - 1) / mb : bytes / mb);
}

// The cropped kernel, centre at (halo), X fastest, with unit sum of squares.
std::vector<float> make_kernel(const FieldRequest& request, const Layout& l) {
  const auto [mx, my, mz] = l.box;
  const std::int64_t rx = 2 * (mx / 2 + 1);  // padded row of the in-place transform
  std::vector<double> box(static_cast<std::size_t>(rx * my * mz));
  fftw_plan forward, backward;
  {
    std::lock_guard lock(planner_mutex());
    auto* c = reinterpret_cast<fftw_complex*>(box.data());
    forward = fftw_plan_dft_r2c_3d(static_cast<int>(mz), static_cast<int>(my), static_cast<int>(mx),
                                   box.data(), c, FFTW_ESTIMATE);
    backward = fftw_plan_dft_c2r_3d(static_cast<int>(mz), static_cast<int>(my), static_cast<int>(mx), c,
                                    box.data(), FFTW_ESTIMATE);
  }
  const auto wrap = [](std::int64_t i, std::int64_t m) { return i <= m / 2 ? i : i - m; };
  const VariogramModel& model = request.model;
  std::vector<std::array<std::array<double, 3>, 3>> rotations;
  for (const Structure& s : model.structures) rotations.push_back(anisotropy_rotation(s));
  const GridGeometry& g = request.grid;
  for (std::int64_t z = 0; z < mz; ++z)
    for (std::int64_t y = 0; y < my; ++y)
      for (std::int64_t x = 0; x < mx; ++x) {
        const double hx = wrap(x, mx) * g.dx, hy = wrap(y, my) * g.dy, hz = wrap(z, mz) * g.dz;
        double c = (x == 0 && y == 0 && z == 0) ? model.nugget : 0.0;
        for (std::size_t s = 0; s < rotations.size(); ++s) {
          double h2 = 0;
          for (const auto& row : rotations[s]) {
            const double t = row[0] * hx + row[1] * hy + row[2] * hz;
            h2 += t * t;
          }
          c += model.structures[s].contribution *
               structure_correlation(model.structures[s].type, std::sqrt(h2));
        }
        box[static_cast<std::size_t>((z * my + y) * rx + x)] = c;
      }
  fftw_execute(forward);
  // The covariance is even, so its spectrum is real; rounding may leave it slightly negative.
  for (std::size_t i = 0; i < box.size(); i += 2) {
    box[i] = std::sqrt(std::max(0.0, box[i]));
    box[i + 1] = 0;
  }
  fftw_execute(backward);
  {
    std::lock_guard lock(planner_mutex());
    fftw_destroy_plan(forward);
    fftw_destroy_plan(backward);
  }
  const auto [hx, hy, hz] = l.halo;
  std::vector<double> kernel;
  kernel.reserve(static_cast<std::size_t>((2 * hx + 1) * (2 * hy + 1) * (2 * hz + 1)));
  double energy = 0;
  const auto at = [](std::int64_t q, std::int64_t m) { return q < 0 ? q + m : q; };
  for (std::int64_t z = -hz; z <= hz; ++z)
    for (std::int64_t y = -hy; y <= hy; ++y)
      for (std::int64_t x = -hx; x <= hx; ++x) {
        const double v = box[static_cast<std::size_t>((at(z, mz) * my + at(y, my)) * rx + at(x, mx))];
        kernel.push_back(v);
        energy += v * v;
      }
  const double scale = energy > 0 ? 1.0 / std::sqrt(energy) : 0.0;
  std::vector<float> out(kernel.size());
  for (std::size_t i = 0; i < kernel.size(); ++i) out[i] = static_cast<float>(kernel[i] * scale);
  return out;
}

// Runs body(i) for i in [0, count) on up to `threads` threads. Each index is independent work,
// so which thread takes it changes nothing.
template <class Body>
void parallel_for(std::int64_t count, unsigned threads, const Body& body) {
  const unsigned workers = static_cast<unsigned>(std::min<std::int64_t>(std::max(1u, threads), count));
  if (workers <= 1) {
    for (std::int64_t i = 0; i < count; ++i) body(i);
    return;
  }
  std::atomic<std::int64_t> next{0};
  const auto run = [&] {
    for (std::int64_t i; (i = next.fetch_add(1)) < count;) body(i);
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < workers; ++t) pool.emplace_back(run);
  run();
  for (std::thread& t : pool) t.join();
}

struct FloatDeleter {
  void operator()(float* p) const { fftwf_free(p); }
};
using FloatBuffer = std::unique_ptr<float[], FloatDeleter>;

FloatBuffer float_buffer(std::int64_t count) {
  auto* p = static_cast<float*>(fftwf_malloc(static_cast<std::size_t>(count) * sizeof(float)));
  if (p == nullptr) throw std::bad_alloc();
  return FloatBuffer(p);
}

}  // namespace

struct GaussianField::State {
  Layout l;
  unsigned threads = 1;
  std::int64_t layers = 1;  // per slab
  std::int64_t pz = 1;
  std::int64_t done = 0;
  r123::Philox4x32::key_type key{};
  std::uint32_t realization = 0, phase = 0;
  FloatBuffer slab, spectrum;
  std::vector<float> out;
  fftwf_plan plane_forward = nullptr, plane_backward = nullptr;
  std::array<fftwf_plan, 2> z_forward{}, z_backward{};  // whole chunk, last chunk

  ~State() {
    std::lock_guard lock(planner_mutex());
    for (fftwf_plan p :
         {plane_forward, plane_backward, z_forward[0], z_forward[1], z_backward[0], z_backward[1]})
      if (p != nullptr) fftwf_destroy_plan(p);
  }

  std::int64_t columns() const { return l.cx * l.py; }
  fftwf_complex* complex_at(float* base, std::int64_t offset) const {
    return reinterpret_cast<fftwf_complex*>(base) + offset;
  }

  void make_plans() {
    std::lock_guard lock(planner_mutex());
    const int n2[2] = {static_cast<int>(l.py), static_cast<int>(l.px)};
    const int real_embed[2] = {static_cast<int>(l.py), static_cast<int>(2 * l.cx)};
    const int complex_embed[2] = {static_cast<int>(l.py), static_cast<int>(l.cx)};
    float* b = slab.get();
    plane_forward = fftwf_plan_many_dft_r2c(2, n2, 1, b, real_embed, 1, 0, complex_at(b, 0), complex_embed, 1,
                                            0, FFTW_ESTIMATE);
    plane_backward = fftwf_plan_many_dft_c2r(2, n2, 1, complex_at(b, 0), complex_embed, 1, 0, b, real_embed,
                                             1, 0, FFTW_ESTIMATE);
    const int nz[1] = {static_cast<int>(pz)};
    const int stride = static_cast<int>(l.plane / 2);
    const std::int64_t rest = columns() % kColumnChunk;
    const std::array<std::int64_t, 2> counts{columns() >= kColumnChunk ? kColumnChunk : 0, rest};
    for (int k = 0; k < 2; ++k) {
      if (counts[k] == 0) continue;
      // Planned where it runs, so the last chunk's alignment matches.
      fftwf_complex* c = complex_at(b, k == 0 ? 0 : columns() - rest);
      const int howmany = static_cast<int>(counts[k]);
      z_forward[k] = fftwf_plan_many_dft(1, nz, howmany, c, nullptr, stride, 1, c, nullptr, stride, 1,
                                         FFTW_FORWARD, FFTW_ESTIMATE);
      z_backward[k] = fftwf_plan_many_dft(1, nz, howmany, c, nullptr, stride, 1, c, nullptr, stride, 1,
                                          FFTW_BACKWARD, FFTW_ESTIMATE);
    }
  }

  // Transforms planes [0, planes) of the slab in X and Y, then every column in Z; with a
  // spectrum, multiplies by it and transforms the columns back.
  void transform(std::int64_t planes, const fftwf_complex* kernel) {
    float* b = slab.get();
    parallel_for(planes, threads, [&](std::int64_t z) {
      float* p = b + z * l.plane;
      fftwf_execute_dft_r2c(plane_forward, p, complex_at(p, 0));
    });
    const std::int64_t chunks = (columns() + kColumnChunk - 1) / kColumnChunk;
    const std::int64_t stride = l.plane / 2;
    parallel_for(chunks, threads, [&](std::int64_t chunk) {
      const std::int64_t first = chunk * kColumnChunk;
      const std::int64_t count = std::min(kColumnChunk, columns() - first);
      const int plan = count == kColumnChunk ? 0 : 1;
      fftwf_complex* c = complex_at(b, first);
      fftwf_execute_dft(z_forward[plan], c, c);
      if (kernel == nullptr) return;
      for (std::int64_t z = 0; z < pz; ++z) {
        auto* v = reinterpret_cast<std::complex<float>*>(c + z * stride);
        const auto* k = reinterpret_cast<const std::complex<float>*>(kernel + first + z * stride);
        for (std::int64_t i = 0; i < count; ++i) v[i] *= k[i];
      }
      fftwf_execute_dft(z_backward[plan], c, c);
    });
  }

  // White noise on slab plane z, padded-grid plane `global`; zero outside the padded grid.
  void fill_noise(std::int64_t z, std::int64_t global, bool inside) {
    float* plane = slab.get() + z * l.plane;
    std::fill(plane, plane + l.plane, 0.0f);
    if (!inside) return;
    const auto p = l.padded();
    for (std::int64_t y = 0; y < p[1]; ++y) {
      const std::uint64_t first = static_cast<std::uint64_t>((global * p[1] + y) * p[0]);
      float* row = plane + y * 2 * l.cx;
      normals(first, static_cast<std::uint64_t>(p[0]), row);
    }
  }

  // Standard normal deviates of the padded-grid nodes [first, first + count): Philox's four words
  // for nodes 4j..4j+3 become two Box-Muller pairs.
  void normals(std::uint64_t first, std::uint64_t count, float* out) const {
    r123::Philox4x32 philox;
    const std::uint64_t end = first + count;
    for (std::uint64_t block = first / 4; block * 4 < end; ++block) {
      const r123::Philox4x32::ctr_type ctr{
          {static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(block >> 32), realization, phase}};
      const auto w = philox(ctr, key);
      float values[4];
      // In float, from 24 bits of each word (exact in a float): the noise is stored as floats
      // anyway, and the float functions cost half as much as the double ones, which were a third
      // of the whole generation. u1 is never 0, so the radius is at most about 5.9.
      for (int pair = 0; pair < 2; ++pair) {
        constexpr float scale = 1.0f / 16777216.0f;
        const float u1 = (static_cast<float>(w[2 * pair] >> 8) + 0.5f) * scale;
        const float angle =
            2.0f * std::numbers::pi_v<float> * (static_cast<float>(w[2 * pair + 1] >> 8) * scale);
        const float r = std::sqrt(-2.0f * std::log(u1));
        values[2 * pair] = r * std::cos(angle);
        values[2 * pair + 1] = r * std::sin(angle);
      }
      for (int i = 0; i < 4; ++i) {
        const std::uint64_t node = block * 4 + static_cast<std::uint64_t>(i);
        if (node >= first && node < end) out[node - first] = values[i];
      }
    }
  }

  void make_spectrum(const std::vector<float>& kernel) {
    float* b = slab.get();
    std::fill(b, b + l.plane * pz, 0.0f);
    const auto [hx, hy, hz] = l.halo;
    const std::int64_t row = 2 * l.cx;
    std::size_t i = 0;
    for (std::int64_t z = -hz; z <= hz; ++z)
      for (std::int64_t y = -hy; y <= hy; ++y)
        for (std::int64_t x = -hx; x <= hx; ++x) {
          const std::int64_t at =
              (z < 0 ? z + pz : z) * l.plane + (y < 0 ? y + l.py : y) * row + (x < 0 ? x + l.px : x);
          b[at] = kernel[i++];
        }
    transform(pz, nullptr);
    const float scale = static_cast<float>(
        1.0 / (static_cast<double>(l.px) * static_cast<double>(l.py) * static_cast<double>(pz)));
    float* s = spectrum.get();
    for (std::int64_t k = 0; k < l.plane * pz; ++k) s[k] = b[k] * scale;
  }

  std::span<const float> next() {
    const std::int64_t nz = l.n[2];
    if (done >= nz) return {};
    const std::int64_t t = std::min(layers, nz - done);
    // Named one by one: the lambdas below use them, which clang 14 refuses for structured bindings.
    const std::int64_t hx = l.halo[0], hy = l.halo[1], hz = l.halo[2];
    const std::int64_t used = t + 2 * hz;  // slab planes holding noise
    parallel_for(pz, threads, [&](std::int64_t z) { fill_noise(z, done + z, z < used); });
    transform(used, complex_at(spectrum.get(), 0));
    float* b = slab.get();
    const std::int64_t nx = l.n[0], ny = l.n[1];
    out.resize(static_cast<std::size_t>(nx * ny * t));
    parallel_for(t, threads, [&](std::int64_t layer) {
      float* p = b + (layer + hz) * l.plane;
      fftwf_execute_dft_c2r(plane_backward, complex_at(p, 0), p);
      for (std::int64_t y = 0; y < ny; ++y) {
        const float* src = p + (y + hy) * 2 * l.cx + hx;
        std::copy(src, src + nx, out.data() + (layer * ny + y) * nx);
      }
    });
    done += t;
    return out;
  }
};

std::string check_request(const FieldRequest& request) {
  if (std::string error = check_shape(request); !error.empty()) return error;
  const std::uint64_t need = layout_of(request).bytes(1);
  if (need > request.memory_budget)
    return "The grid needs at least " + megabytes(need, true) + " MB for one slab; the memory budget is " +
           megabytes(request.memory_budget, false) + " MB.";
  return {};
}

std::uint64_t memory_needed(const FieldRequest& request, std::int64_t slab_layers) {
  const Layout l = layout_of(request);
  return l.bytes(std::clamp<std::int64_t>(slab_layers, 1, l.n[2]));
}

FieldOpen GaussianField::open(const FieldRequest& request, std::uint64_t realization, std::uint64_t phase) {
  FieldOpen result;
  if (std::string error = check_request(request); !error.empty()) {
    result.error = std::move(error);
    return result;
  }
  constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
  if (realization > limit || phase > limit) {
    result.error = "Realization and phase numbers must be below 4294967296.";
    return result;
  }
  auto state = std::make_unique<State>();
  State& s = *state;
  s.l = layout_of(request);
  s.threads = std::max(1u, request.threads);
  s.layers = 1;
  for (std::int64_t t = s.l.n[2]; t >= 1; --t)
    if (s.l.bytes(t) <= request.memory_budget) {
      s.layers = t;
      break;
    }
  s.pz = s.l.pz(s.layers);
  s.key = {{static_cast<std::uint32_t>(request.seed), static_cast<std::uint32_t>(request.seed >> 32)}};
  s.realization = static_cast<std::uint32_t>(realization);
  s.phase = static_cast<std::uint32_t>(phase);
  const std::vector<float> kernel = make_kernel(request, s.l);
  s.slab = float_buffer(s.l.plane * s.pz);
  s.spectrum = float_buffer(s.l.plane * s.pz);
  s.make_plans();
  s.make_spectrum(kernel);
  result.field.emplace(GaussianField(std::move(state)));
  return result;
}

GaussianField::GaussianField(std::unique_ptr<State> state) : state_(std::move(state)) {}
GaussianField::GaussianField(GaussianField&&) noexcept = default;
GaussianField& GaussianField::operator=(GaussianField&&) noexcept = default;
GaussianField::~GaussianField() = default;

std::span<const float> GaussianField::next_layers() {
  return state_->next();
}
std::int64_t GaussianField::layers_done() const {
  return state_->done;
}
std::int64_t GaussianField::slab_layers() const {
  return state_->layers;
}
std::int64_t GaussianField::halo_x() const {
  return state_->l.halo[0];
}
std::int64_t GaussianField::halo_y() const {
  return state_->l.halo[1];
}
std::int64_t GaussianField::halo_z() const {
  return state_->l.halo[2];
}

double normal_quantile(double p) {
  // Acklam's rational approximations (relative error below 1.2e-9), then one Halley step on the
  // distribution function, which leaves the double's own precision.
  static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,  -2.759285104469687e+02,
                                 1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
  static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                 6.680131188771972e+01, -1.328068155288572e+01};
  static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                 -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
  static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                 3.754408661907416e+00};
  constexpr double low = 0.02425;
  double x = 0;
  if (p < low) {
    const double q = std::sqrt(-2 * std::log(p));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  } else if (p <= 1 - low) {
    const double q = p - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
  } else {
    const double q = std::sqrt(-2 * std::log1p(-p));
    x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  }
  const double e = 0.5 * std::erfc(-x / std::numbers::sqrt2) - p;
  const double u = e * std::sqrt(2 * std::numbers::pi) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}

float to_uniform(float gaussian) {
  constexpr float lowest = std::numeric_limits<float>::denorm_min();
  const float highest = std::nextafter(1.0f, 0.0f);
  const double p = 0.5 * std::erfc(-static_cast<double>(gaussian) / std::numbers::sqrt2);
  return std::clamp(static_cast<float>(p), lowest, highest);
}

}  // namespace meldrit::pfield_generate
