#pragma once

#include <string>
#include <string_view>

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

  bool completed() const { return ending == Ending::Completed; }

  static Outcome done(std::string_view message = {}) { return {Ending::Completed, std::string(message)}; }
  static Outcome refused(std::string_view message) { return {Ending::Refused, std::string(message)}; }
  static Outcome failed(std::string_view message) { return {Ending::Failed, std::string(message)}; }
  static Outcome cancelled(std::string_view message) { return {Ending::Cancelled, std::string(message)}; }
  static Outcome bad_request(std::string_view message) { return {Ending::BadRequest, std::string(message)}; }

  friend bool operator==(const Outcome&, const Outcome&) = default;
};

// The words of a cancelled operation.
inline constexpr std::string_view kRunCancelled = "Calculation cancelled.";
inline constexpr std::string_view kImportCancelled = "Import cancelled.";

}  // namespace meldrit::job
