#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace meldrit::pfield_local {

// The values of a pasted list, in order: blanks, commas, tabs and line ends all separate, and
// runs of them count once (a spreadsheet column ends in a line end, a typed list has ", ").
std::vector<std::string> split_pasted_values(std::string_view text);

// The thresholds a probability file's header line names: the first run of exactly `count`
// numbers, rising, separated by blanks or commas ("... porosity at 8 12 16 20 24 %, 60 x 40 x 3
// nodes"). Empty when the line names no such run.
std::vector<std::string> thresholds_in_header(std::string_view line, int count);

// The first line of `path` without its line end; empty when it cannot be read.
std::string first_line_of(const std::string& path);

}  // namespace meldrit::pfield_local
