#pragma once

#include <optional>
#include <string>

#include "app/platform_services.h"
#include "job/hooks.h"
#include "job/outcome.h"

namespace meldrit::app {

// The window's side of a running operation: the busy pointer goes on when its checks have passed,
// and each warning is a message box that the operation waits for.
class WindowHooks : public job::Hooks {
 public:
  explicit WindowHooks(PlatformServices& platform) : platform_(platform) {}

  void checks_passed() override { busy_.emplace(platform_); }
  void warning(const std::string& text) override { showOk(platform_, text); }

  void resetPointer() { busy_.reset(); }

  // The end of an operation whose messages all come after the normal pointer is back.
  void showAfterReset(const job::Outcome& outcome) {
    resetPointer();
    showOk(platform_, outcome.message);
    if (!outcome.follow_up.empty()) showOk(platform_, outcome.follow_up);
  }
  // The end of an operation that shows a failure under the busy pointer, and its completion or a
  // cancel after the pointer is back.
  void showFailureWhileBusy(const job::Outcome& outcome) {
    if (outcome.completed() || outcome.ending == job::Ending::Cancelled) resetPointer();
    showOk(platform_, outcome.message);
    resetPointer();
  }

 protected:
  PlatformServices& platform_;

 private:
  std::optional<BusyPointer> busy_;
};

}  // namespace meldrit::app
