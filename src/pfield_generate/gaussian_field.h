#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "pfield_generate/variogram_model.h"

namespace meldrit::pfield_generate {

struct GridGeometry {
  std::int64_t nx = 1, ny = 1, nz = 1;
  double dx = 1, dy = 1, dz = 1;
};

struct FieldRequest {
  GridGeometry grid;
  VariogramModel model;
  std::uint64_t seed = 0;
  std::size_t memory_budget = std::size_t{1} << 30;  // bytes, for one field
  unsigned threads = 2;
};

inline constexpr std::int64_t kMaxNodesPerAxis = 1000;

// Empty when the request can be generated, else a sentence naming the first fault (the memory
// budget included).
std::string check_request(const FieldRequest& request);

// Bytes a field of this request holds while it produces slabs of `slab_layers` Z layers (the
// set-up of the kernel included). The request must pass check_request apart from the budget.
std::uint64_t memory_needed(const FieldRequest& request, std::int64_t slab_layers);

struct FieldOpen;

// An unconditional stationary Gaussian random field of mean 0 and variance 1 with the request's
// covariance, made by a moving average: white noise convolved with a kernel whose
// autoconvolution is the covariance. The noise at each node of the grid extended by the kernel's
// half-width is a counter-based draw keyed by the seed, the realization and the phase, so a value
// depends only on those and the request; thread count and call order change nothing.
class GaussianField {
 public:
  // Realization and phase run up to 2^32 - 1.
  static FieldOpen open(const FieldRequest& request, std::uint64_t realization, std::uint64_t phase = 0);

  GaussianField(GaussianField&&) noexcept;
  GaussianField& operator=(GaussianField&&) noexcept;
  ~GaussianField();

  // The next whole Z layers of the field, X fastest then Y; empty at the end. The values stay
  // valid until the next call.
  std::span<const float> next_layers();

  std::int64_t layers_done() const;
  // Z layers per slab, from the memory budget.
  std::int64_t slab_layers() const;
  // Half-widths of the kernel in nodes along X, Y and Z.
  std::int64_t halo_x() const;
  std::int64_t halo_y() const;
  std::int64_t halo_z() const;

 private:
  struct State;
  explicit GaussianField(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

struct FieldOpen {
  std::optional<GaussianField> field;  // set when the request was accepted
  std::string error;
};

// The standard normal distribution function, in (0, 1) for every finite value.
float to_uniform(float gaussian);
// Its inverse, the standard normal quantile of p in (0, 1): the normal score of a uniform value.
double normal_quantile(double p);

}  // namespace meldrit::pfield_generate
