#include "pfield_generate/variogram_model.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

namespace meldrit::pfield_generate {
namespace {

constexpr double kSumTolerance = 1e-6;

std::string number_text(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

const char* type_name(StructureType type) {
  switch (type) {
    case StructureType::spherical:
      return "sph";
    case StructureType::exponential:
      return "exp";
    case StructureType::gaussian:
      return "gau";
  }
  return "";
}

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  void skip_blanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool at_end() {
    skip_blanks();
    return pos_ >= text_.size();
  }
  bool take(char c) {
    skip_blanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool number(double& value) {
    skip_blanks();
    const char* first = text_.data() + pos_;
    const char* last = text_.data() + text_.size();
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || !std::isfinite(value)) return false;
    pos_ += static_cast<std::size_t>(result.ptr - first);
    return true;
  }
  std::string word() {
    skip_blanks();
    std::string out;
    while (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_])))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(text_[pos_++])));
    return out;
  }
  // The word at the cursor, or the separator there, for messages.
  std::string here() {
    skip_blanks();
    const auto separator = [&](std::size_t i) {
      return std::isspace(static_cast<unsigned char>(text_[i])) || std::strchr("(),;+", text_[i]) != nullptr;
    };
    std::size_t end = pos_;
    while (end < text_.size() && !separator(end)) ++end;
    if (end == pos_ && pos_ < text_.size()) ++end;
    if (end == pos_) return "the end";
    // Appended, not chained with +: GCC 12 warns falsely on "'" + std::string at -O2.
    std::string out(1, '\'');
    out.append(text_.substr(pos_, end - pos_));
    out += '\'';
    return out;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Numbers separated by commas up to one of the `stops`; the count is checked by the caller.
std::string number_list(Cursor& cursor, std::vector<double>& values) {
  do {
    double value;
    if (!cursor.number(value)) return "Expected a number at " + cursor.here() + ".";
    values.push_back(value);
  } while (cursor.take(','));
  return {};
}

std::string parse_term(Cursor& cursor, VariogramModel& model) {
  double contribution;
  if (!cursor.number(contribution)) return "Expected a contribution at " + cursor.here() + ".";
  const std::string type = cursor.word();
  if (type == "nug") {
    model.nugget += contribution;
    return {};
  }
  Structure s;
  s.contribution = contribution;
  if (type == "sph") {
    s.type = StructureType::spherical;
  } else if (type == "exp") {
    s.type = StructureType::exponential;
  } else if (type == "gau") {
    s.type = StructureType::gaussian;
  } else {
    return type.empty() ? "Expected nug, sph, exp or gau at " + cursor.here() + "."
                        : "Unknown structure type '" + type + "'; use nug, sph, exp or gau.";
  }
  if (!cursor.take('(')) return "Expected '(' after " + type + ".";
  std::vector<double> ranges, angles;
  if (std::string error = number_list(cursor, ranges); !error.empty()) return error;
  if (ranges.size() != 3)
    return type + " needs three ranges (major, minor, vertical); " + std::to_string(ranges.size()) +
           " given.";
  if (cursor.take(';')) {
    if (std::string error = number_list(cursor, angles); !error.empty()) return error;
    if (angles.size() != 3)
      return type + " needs three angles (azimuth, dip, plunge) after ';'; " + std::to_string(angles.size()) +
             " given.";
  }
  if (!cursor.take(')')) return "Expected ')' at " + cursor.here() + ".";
  s.range_major = ranges[0];
  s.range_minor = ranges[1];
  s.range_vertical = ranges[2];
  if (!angles.empty()) {
    s.azimuth = angles[0];
    s.dip = angles[1];
    s.plunge = angles[2];
  }
  model.structures.push_back(s);
  return {};
}

}  // namespace

ModelParse parse_variogram_model(std::string_view text) {
  ModelParse result;
  Cursor cursor(text);
  if (cursor.at_end()) {
    result.error = "The variogram model is empty.";
    return result;
  }
  do {
    if (std::string error = parse_term(cursor, result.model); !error.empty()) {
      result.error = std::move(error);
      return result;
    }
  } while (cursor.take('+'));
  if (!cursor.at_end()) {
    result.error = "Expected '+' or the end at " + cursor.here() + ".";
    return result;
  }
  result.error = check_model(result.model);
  return result;
}

std::string check_model(const VariogramModel& model) {
  if (!std::isfinite(model.nugget) || model.nugget < 0) return "Contributions must not be negative.";
  double sum = model.nugget;
  for (const Structure& s : model.structures) {
    if (!std::isfinite(s.contribution) || s.contribution < 0) return "Contributions must not be negative.";
    for (const double range : {s.range_major, s.range_minor, s.range_vertical})
      if (!(range > 0) || !std::isfinite(range)) return "Ranges must be positive.";
    for (const double angle : {s.azimuth, s.dip, s.plunge})
      if (!std::isfinite(angle)) return "Angles must be finite numbers.";
    sum += s.contribution;
  }
  if (std::abs(sum - 1.0) > kSumTolerance)
    return "The contributions sum to " + number_text(sum) + "; they must sum to 1.";
  return {};
}

std::string describe(const VariogramModel& model) {
  std::string out;
  if (model.nugget > 0 || model.structures.empty()) out = number_text(model.nugget) + " nug";
  for (const Structure& s : model.structures) {
    if (!out.empty()) out += " + ";
    out += number_text(s.contribution) + " " + type_name(s.type) + "(" + number_text(s.range_major) + "," +
           number_text(s.range_minor) + "," + number_text(s.range_vertical);
    if (s.azimuth != 0 || s.dip != 0 || s.plunge != 0)
      out += "; " + number_text(s.azimuth) + "," + number_text(s.dip) + "," + number_text(s.plunge);
    out += ")";
  }
  return out;
}

std::array<std::array<double, 3>, 3> anisotropy_rotation(const Structure& s) {
  constexpr double deg = std::numbers::pi / 180.0;
  // Azimuth clockwise from north turned into the mathematical angle from +X.
  const double alpha = (90.0 - s.azimuth) * deg;
  const double beta = -s.dip * deg;
  const double theta = s.plunge * deg;
  const double sa = std::sin(alpha), ca = std::cos(alpha);
  const double sb = std::sin(beta), cb = std::cos(beta);
  const double st = std::sin(theta), ct = std::cos(theta);
  const double f1 = 1.0 / s.range_major, f2 = 1.0 / s.range_minor, f3 = 1.0 / s.range_vertical;
  return {{{f1 * cb * ca, f1 * cb * sa, f1 * -sb},
           {f2 * (-ct * sa + st * sb * ca), f2 * (ct * ca + st * sb * sa), f2 * (st * cb)},
           {f3 * (st * sa + ct * sb * ca), f3 * (-st * ca + ct * sb * sa), f3 * (ct * cb)}}};
}

double structure_correlation(StructureType type, double h) {
  switch (type) {
    case StructureType::spherical:
      return h < 1.0 ? 1.0 - h * (1.5 - 0.5 * h * h) : 0.0;
    case StructureType::exponential:
      return std::exp(-3.0 * h);
    case StructureType::gaussian:
      return std::exp(-3.0 * h * h);
  }
  return 0;
}

double correlation(const VariogramModel& model, double hx, double hy, double hz) {
  if (hx == 0 && hy == 0 && hz == 0)
    return model.nugget + [&] {
      double sum = 0;
      for (const Structure& s : model.structures) sum += s.contribution;
      return sum;
    }();
  double sum = 0;
  for (const Structure& s : model.structures) {
    const auto r = anisotropy_rotation(s);
    double h2 = 0;
    for (const auto& row : r) {
      const double t = row[0] * hx + row[1] * hy + row[2] * hz;
      h2 += t * t;
    }
    sum += s.contribution * structure_correlation(s.type, std::sqrt(h2));
  }
  return sum;
}

}  // namespace meldrit::pfield_generate
