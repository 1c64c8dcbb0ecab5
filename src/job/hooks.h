#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace meldrit::job {

struct Progress {
  std::uint64_t bytes_read = 0;   // of all the operation's inputs together
  std::uint64_t bytes_total = 0;  // their sizes when it started; 0 when unknown
  std::uint64_t items_done = 0;   // nodes, samples or values, as the operation counts them
  std::uint64_t items_total = 0;  // 0 when unknown
};

// What a running operation tells its caller, and the one thing it asks. Every job reports through
// this one interface, so that the window, its progress dialog and the batch front end see the same
// events in the same order. The defaults do nothing and never cancel.
class Hooks {
 public:
  virtual ~Hooks() = default;

  // The checks made before any file is opened have passed: the moment the busy pointer goes on.
  virtual void checks_passed() {}
  // A warning, at the moment it is found; the operation goes on once this returns.
  virtual void warning(const std::string& /*text*/) {}
  // A count found part way, before the operation ends (the thresholds of a probability import).
  virtual void counted(std::string_view /*what*/, std::uint64_t /*value*/) {}
  // The step the operation has reached, in words ("Running uniform.exe"). Its progress starts
  // afresh; a step that reports none has no known length.
  virtual void stage(std::string_view /*name*/) {}
  // A step whose progress counts something of its own ("values" while a file is checked, then
  // "nodes"); the progress reports that follow are its alone.
  virtual void step(std::string_view name, std::string_view /*unit*/) { stage(name); }
  virtual void progress(const Progress& /*progress*/) {}
  // Polled between progress reports; true ends the operation as cancelled.
  virtual bool cancel_requested() { return false; }
};

// Passes everything on to `hooks` but the opening reports (checks passed, counts found): for an
// operation that starts over after a first attempt already gave them.
class AfterOpening : public Hooks {
 public:
  explicit AfterOpening(Hooks& hooks) : hooks_(hooks) {}
  void warning(const std::string& text) override { hooks_.warning(text); }
  void stage(std::string_view name) override { hooks_.stage(name); }
  void step(std::string_view name, std::string_view unit) override { hooks_.step(name, unit); }
  void progress(const Progress& progress) override { hooks_.progress(progress); }
  bool cancel_requested() override { return hooks_.cancel_requested(); }

 private:
  Hooks& hooks_;
};

// Hooks that do nothing, for callers that need none.
Hooks& no_hooks();

// Reports progress and polls for cancel at least every `kPollBytes` of input and at every whole
// percent of the items, at the cost of two comparisons per item in between.
class ProgressTicker {
 public:
  static constexpr std::uint64_t kPollBytes = std::uint64_t{64} << 10;

  ProgressTicker(Hooks& hooks, std::uint64_t bytes_total, std::uint64_t items_total);

  // False once a cancel was requested.
  bool tick(std::uint64_t bytes_read, std::uint64_t items_done) {
    if (bytes_read < next_bytes_ && items_done < next_items_) return true;
    return report(bytes_read, items_done);
  }
  // The last report, whether or not a poll was due.
  bool finish(std::uint64_t bytes_read, std::uint64_t items_done) { return report(bytes_read, items_done); }

 private:
  bool report(std::uint64_t bytes_read, std::uint64_t items_done);

  Hooks& hooks_;
  Progress progress_;
  std::uint64_t next_bytes_ = 0;
  std::uint64_t next_items_ = 0;
};

}  // namespace meldrit::job
