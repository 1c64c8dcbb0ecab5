#pragma once

#include <string>

#include "settings/session_settings.h"

namespace meldrit::settings {

// The session settings file of a program folder ("meldrit.ini").
std::string session_settings_path(const std::string& program_folder);

// Writes every item in file order, lines ended by CR LF, replacing an old file. False when the
// file cannot be created or a write fails; the lines written before the failure stay.
bool write_session_settings(const std::string& path, const SessionSettings& settings);

struct SessionReadResult {
  SessionSettings settings;  // the items read, design defaults for every other
  int items_read = 0;        // items applied, counted in file order (the three node counts count 3)
  bool complete = false;     // every item was read and applied
};

// Reads the file item by item and stops without complaint at the first item that is missing or
// cannot be used; the items before it stay applied.
SessionReadResult read_session_settings_file(const std::string& path);
inline SessionSettings read_session_settings(const std::string& path) {
  return read_session_settings_file(path).settings;
}

}  // namespace meldrit::settings
