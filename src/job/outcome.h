#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <type_traits>

namespace meldrit::job {

// How an operation ended. Both front ends map it the same way: the desktop to a message box
// (before or after the busy pointer is reset, as each job wants), the batch front end to a stream
// and an exit status.
enum class Ending {
  Completed,   // the message is the job's completion message
  Refused,     // a check made before any file was opened; nothing changed
  Failed,      // bad input or a file error; the output keeps the lines written so far
  Cancelled,   // the user asked to stop; the output keeps the lines written so far
  BadRequest,  // batch only: the request does not fit what the import found (a usage error)
};

// What every job operation returns: how it ended and the one message it ended with.
struct Outcome {
  Ending ending = Ending::Completed;
  std::string message;
  // A second message after the first: a run that completed but whose result could not be written.
  std::string follow_up;

  bool completed() const { return ending == Ending::Completed; }

  static Outcome done(std::string_view message = {}) { return {Ending::Completed, std::string(message), {}}; }
  static Outcome refused(std::string_view message) { return {Ending::Refused, std::string(message), {}}; }
  static Outcome failed(std::string_view message) { return {Ending::Failed, std::string(message), {}}; }
  static Outcome cancelled(std::string_view message) { return {Ending::Cancelled, std::string(message), {}}; }
  static Outcome bad_request(std::string_view message) {
    return {Ending::BadRequest, std::string(message), {}};
  }

  friend bool operator==(const Outcome&, const Outcome&) = default;
};

// Runs an operation so that no exception leaves it: one that escapes (out of memory, most likely)
// ends it as failed with the operation's own failure message. The operation's files are closed on
// the way out, and outputs keep what they had written.
template <typename Operation>
auto guarded(std::string_view failure, Operation operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const std::exception&) {
    decltype(operation()) result{};
    if constexpr (std::is_same_v<decltype(operation()), Outcome>) {
      result = Outcome::failed(failure);
    } else {
      result.outcome = Outcome::failed(failure);
    }
    return result;
  }
}

// The words of every job for an output that could not be created or written to the end.
inline std::string cannot_write_output(std::string_view path) {
  return "Cannot write output file: " + std::string(path);
}

// The words of a cancelled operation.
inline constexpr std::string_view kRunCancelled = "Calculation cancelled.";
inline constexpr std::string_view kImportCancelled = "Import cancelled.";

}  // namespace meldrit::job
