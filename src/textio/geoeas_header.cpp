#include "textio/geoeas_header.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::textio {

bool is_geoeas_skip(std::string_view skip_text) {
  const std::string_view text = trim_blanks(skip_text);
  return std::equal(text.begin(), text.end(), kGeoEasSkip.begin(), kGeoEasSkip.end(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool geoeas_header_lines(const std::string& path, std::uint64_t& lines, std::string& message) {
  const std::string file(trim_blanks(path));
  FieldStream stream(std::size_t{64} << 10);
  if (!stream.open(file)) {
    message = "Cannot open " + file;
    return false;
  }
  const std::string no_header = file + " has no GeoEAS header: ";
  std::string line;
  if (!stream.read_line(line) || !stream.read_line(line)) {
    message = no_header + "it ends before the number of variables.";
    return false;
  }
  // Some writers put more after the count on its line (GSLIB's grids: "1 60 40 3"); only the
  // first field counts.
  std::string_view count = trim_blanks(line);
  while (!count.empty() && count.back() == '\t') count.remove_suffix(1);
  while (!count.empty() && count.front() == '\t') count.remove_prefix(1);
  count = count.substr(0, std::min(count.find_first_of(" \t"), count.size()));
  std::uint64_t nvar = 0;
  const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), nvar);
  if (count.empty() || error != std::errc() || end != count.data() + count.size() || nvar < 1) {
    message = no_header + "its second line is not a whole number of variables.";
    return false;
  }
  for (std::uint64_t name = 0; name < nvar; ++name) {
    if (!stream.read_line(line)) {
      message =
          no_header + "it names " + std::to_string(name) + " of its " + std::to_string(nvar) + " variables.";
      return false;
    }
  }
  lines = nvar + 2;
  return true;
}

bool header_lines(const std::string& path, std::string_view skip_text, double& lines, std::string& message) {
  if (!is_geoeas_skip(skip_text)) {
    lines = numeric_value(skip_text);
    return true;
  }
  std::uint64_t count = 0;
  if (!geoeas_header_lines(path, count, message)) return false;
  lines = static_cast<double>(count);
  return true;
}

bool write_output_header(TextWriter& writer, const OutputHeader& header) {
  if (header.name.empty()) return writer.ok();
  return writer.write_line(header.title) && writer.write_line("1") && writer.write_line(header.name);
}

}  // namespace meldrit::textio
