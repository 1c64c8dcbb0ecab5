#pragma once

#include <initializer_list>
#include <string_view>

namespace meldrit::textio {

// The file type test of the file choosers: the last three characters of the bare file name,
// lower-cased and trimmed, must be one of `types` ("out", "prn", "dat"). No dot is required, so
// "layout" passes as "out"; a name shorter than three characters never matches.
bool file_type_matches(std::string_view file_name, std::initializer_list<std::string_view> types);

// The file name without its folder (after the last '/' or '\\').
std::string_view bare_file_name(std::string_view path);

// Leading and trailing blanks removed (the trim every path label reader applies).
std::string_view trim_blanks(std::string_view text);

}  // namespace meldrit::textio
