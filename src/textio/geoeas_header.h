#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/text_writer.h"

namespace meldrit::textio {

// GSLIB's GeoEAS header: a title line, a line holding the number of variables nvar, then nvar
// lines of names; nvar + 2 lines in all.
inline constexpr std::string_view kGeoEasSkip = "geoeas";

// Whether a skip text asks for the file's own GeoEAS header length ("geoeas" in any case).
bool is_geoeas_skip(std::string_view skip_text);

// The length of the file's GeoEAS header, read from the file. False with a message when it cannot
// be opened, its second line is not a whole number of at least 1, or fewer name lines follow.
bool geoeas_header_lines(const std::string& path, std::uint64_t& lines, std::string& message);

// The header lines a skip text asks for: the file's GeoEAS header for "geoeas", else the text's
// numeric value as every skip box reads it. False with a message as geoeas_header_lines.
bool header_lines(const std::string& path, std::string_view skip_text, double& lines, std::string& message);

// The GeoEAS header an output opens with when asked (for GSLIB's programs): a title line, "1" and
// the name of its one variable. None when `name` is empty, the outputs' own form.
struct OutputHeader {
  std::string title;
  std::string name;
};

// Writes `header`'s lines, nothing when there is none. False once a write has failed.
bool write_output_header(TextWriter& writer, const OutputHeader& header);

}  // namespace meldrit::textio
