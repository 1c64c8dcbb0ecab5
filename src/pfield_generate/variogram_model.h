#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace meldrit::pfield_generate {

enum class StructureType { spherical, exponential, gaussian };

// One nested structure in GSLIB's conventions: practical ranges; the azimuth of the major axis in
// degrees clockwise from north (+Y), the dip of the major axis down from horizontal, and the plunge
// turning the minor axes about the major one.
struct Structure {
  StructureType type = StructureType::spherical;
  double contribution = 0;
  double range_major = 1, range_minor = 1, range_vertical = 1;
  double azimuth = 0, dip = 0, plunge = 0;
};

// The covariance model of a unit-variance field: a nugget plus nested structures, contributions
// summing to 1.
struct VariogramModel {
  double nugget = 0;
  std::vector<Structure> structures;
};

struct ModelParse {
  VariogramModel model;
  std::string error;  // empty when the text was a valid model
  bool ok() const { return error.empty(); }
};

// Text form: terms joined by "+", each "C nug", "C TYPE(major,minor,vertical)" or
// "C TYPE(major,minor,vertical; azimuth,dip,plunge)" with TYPE sph, exp or gau.
// Example: "0.1 nug + 0.9 sph(50,30,5; 45,0,0)".
ModelParse parse_variogram_model(std::string_view text);

// Empty when the model is usable, else a sentence naming the first fault.
std::string check_model(const VariogramModel& model);

// The model in its text form, parseable back to the same values.
std::string describe(const VariogramModel& model);

// GSLIB's setrot, each row divided by its axis' range: |R h| is the separation h in units of the
// practical range along its direction.
std::array<std::array<double, 3>, 3> anisotropy_rotation(const Structure& structure);

// Correlation of one structure at a separation h in units of its range.
double structure_correlation(StructureType type, double h);

// Covariance of the unit-variance field at a physical separation (grid lag times spacing); the
// nugget counts only at exactly zero separation.
double correlation(const VariogramModel& model, double hx, double hy, double hz);
inline double variogram(const VariogramModel& model, double hx, double hy, double hz) {
  return 1.0 - correlation(model, hx, hy, hz);
}

}  // namespace meldrit::pfield_generate
