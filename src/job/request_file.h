#pragma once

#include <string>
#include <vector>

#include "job/outcome.h"

namespace meldrit::job {

// One option of a request: its name ("--nodes") and its values, one line each; a flag has none
// and takes one line of its own.
struct RequestOption {
  std::string name;
  std::vector<std::string> values;
};

// The request file of `meldrit-cli COMMAND OPTIONS`: a comment, `command COMMAND`, then one option
// a line with its value quoted as a POSIX shell would take it. Both front ends write it with this,
// so that a request saved in the window is the one the batch front end saves.
std::string request_text(const std::string& command, const std::vector<RequestOption>& options);

// A word quoted when it needs to be, so that a shell (and the request reader) gives it back.
std::string quote_word(const std::string& word);

inline constexpr std::string_view kRequestIsJobFile = "The request file cannot be one of the job's files!";

// Writes `text` to `path`. Refused, with nothing written, when `path` names one of `job_files`
// (its inputs and outputs); failed when the file cannot be written.
Outcome write_request_file(const std::string& path, const std::string& text,
                           const std::vector<std::string>& job_files);

}  // namespace meldrit::job
