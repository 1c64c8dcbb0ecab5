#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "job/hooks.h"

class QWidget;

namespace meldrit::app {

// Runs one long operation on a worker thread while the window's thread keeps the window painted.
// The window takes no input meanwhile; once the operation has run for half a second a small modal
// progress dialog ("progressDialog") shows its name and step, a bar by bytes read, the nodes or
// samples done, the step's time spent and left (a busy bar and the time alone while a step of
// unknown length runs), and a Cancel button ("cancelButton") that the operation
// sees at its next poll. Every hook but the cancel poll reaches `window_hooks` on the window's
// thread, the blocking ones (warnings, checks passed, counts) while the operation waits for them.
class BackgroundRun {
 public:
  BackgroundRun(QWidget* window, QString name, QString unit, job::Hooks& window_hooks);

  template <typename Operation>
  auto operator()(Operation operation) -> decltype(operation(std::declval<job::Hooks&>())) {
    std::optional<decltype(operation(std::declval<job::Hooks&>()))> result;
    run([&](job::Hooks& hooks) { result.emplace(operation(hooks)); });
    return std::move(*result);
  }

  // How long the dialog waits before it shows, in milliseconds (tests shorten it).
  static int& dialogDelay();

 private:
  void run(const std::function<void(job::Hooks&)>& body);

  QWidget* window_;
  QString name_;
  QString unit_;
  job::Hooks& window_hooks_;
};

}  // namespace meldrit::app
