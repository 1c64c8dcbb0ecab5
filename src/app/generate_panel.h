#pragma once

#include <memory>
#include <string>

#include "app/job_panel.h"

class QWidget;

namespace meldrit::app {

// The p-field generator's panel (FrameGenerate): grid, nested variogram structures, seed,
// realizations and the output pattern; RUN writes the realizations as `meldrit-cli pfield` does,
// Map and Variogram look at the first one. Its values live in their own file, pfield.ini, never in
// the session settings, so restore() and save() leave the session alone.
class GenerateJob : public JobPanels {
 public:
  void restore(const settings::SessionSettings&) override {}
  void save(settings::SessionSettings&) const override {}

  // Reads pfield.ini the first time the panel is about to show; later calls keep what it holds.
  virtual void loadSettingsOnce() = 0;
};

// Null when this build has no generator.
std::unique_ptr<GenerateJob> createGenerateJob(AppContext& context, QWidget* parent);

// The panel's own settings file in `own_files_folder`.
std::string generate_settings_path(const std::string& own_files_folder);

}  // namespace meldrit::app
