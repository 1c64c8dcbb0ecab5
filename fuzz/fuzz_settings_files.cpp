#include <cstdint>

#include "fuzz_support.h"
#include "settings/session_settings_file.h"
#include "settings/suite_preferences.h"

using namespace meldrit::settings;

// Whatever a hand-edited settings or preferences file holds, start-up and exit go on; and what the
// reader took in, the writer can write again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = meldrit::fuzz::scratch_file(data, size);
  const SessionReadResult read = read_session_settings_file(path);
  (void)saveini_arguments(read_exit_codes(path));
  (void)read_window_mode(path);
  static const std::string rewritten = meldrit::fuzz::scratch_path("rewritten");
  if (!write_session_settings(rewritten, read.settings)) __builtin_trap();
  (void)read_session_settings_file(rewritten);
  return 0;
}
