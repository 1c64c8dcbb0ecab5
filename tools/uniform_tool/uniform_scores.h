#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "job/outcome.h"

namespace meldrit::uniform_tool {

// The parameter file of uniform.exe, one item per line:
//   1  the file of values
//   2  header lines of that file to skip
//   3  the file of scores to write
//   4  N, the number of values to score
//   5  the field of each record that holds the value (1-based)
//   6  the number of fields per record (records run across line ends like every field stream)
// Meldrit writes 0, 1 and 1 on lines 2, 5 and 6: no header, one value per record.
struct Parameters {
  std::string input_path;
  std::uint64_t header_lines = 0;
  std::string score_path;
  std::uint64_t count = 0;
  std::uint64_t column = 1;
  std::uint64_t fields_per_record = 1;
};

// Reads the parameter file; a failure says why. `score_path` is filled as soon as line 3 was read,
// so that a caller can remove a stale score file even when a later line is bad.
job::Outcome read_parameters(const std::string& path, Parameters& parameters);

// Reads N values as the parameters describe. Fails, saying why, on a missing file, a field that is
// not a number, or fewer than N records; records after the N-th are ignored.
job::Outcome read_values(const Parameters& parameters, std::vector<double>& values);

// A score as the 32-bit float that is written. Scores lie in (0, 1); the top ones of a very large
// N would round to 1 in a float (or in its 7-digit form), so they are held at .9999999.
float score_as_float(double score);

// The uniform score of every value, in the same order, as the floats that are written. The score
// of the value of rank r among N sorted values is (r - 0.5) / N; values that tie share the mean of
// their scores, so that equal values always score equally (rank_scores_in_place does the work).
std::vector<float> uniform_scores(const std::vector<double>& values);

// Writes one score per line in the print-number form, lines ended by CR LF.
job::Outcome write_scores(const std::string& path, const std::vector<float>& scores);

// The whole program: `arguments` are argv[1..]. The first names the parameter file; the optional
// second is the verbosity: 0 (what Meldrit passes) prints nothing but errors, 1 also prints a
// one-line summary to `out`. Returns the exit status: 0 done, 1 bad parameters or input (the
// reason on `err`, and no score file left behind), 2 wrong arguments.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace meldrit::uniform_tool
