#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/platform_services.h"
#include "pfield_local/node_counts.h"
#include "settings/session_settings.h"

class QWidget;

namespace meldrit::app {

// Sizes and positions are given in twips; 15 twips make a pixel at 96 dpi.
inline int twips(double value) {
  return static_cast<int>(std::lround(value / 15.0));
}

struct AppContext {
  PlatformServices& platform;
  std::string program_folder;
  // The axis names of the node-count messages, held by the window for the whole run.
  std::array<std::string, 3> axis_names = {std::string(pfield_local::kAxisNames[0]),
                                           std::string(pfield_local::kAxisNames[1]),
                                           std::string(pfield_local::kAxisNames[2])};
};

// One job's panels. Each job creates its panels as children of the window's client area, with the
// control names as object names, and takes part in start-up and in the session settings file.
class JobPanels {
 public:
  virtual ~JobPanels() = default;

  // The job's panels in the order it made them, and the one the menu opens.
  const std::vector<QWidget*>& panels() const { return panels_; }
  QWidget* firstPanel() const { return first_; }
  // Shows `panel`, one of the job's own, and hides the others: the one way a job moves between
  // its panels and the window moves to a job.
  void showPanel(QWidget* panel);
  void hidePanels();

  // Start-up before the session settings are restored (table headers that the restore builds on).
  virtual void beforeRestore() {}
  virtual void restore(const settings::SessionSettings& settings) = 0;
  // Start-up after the restore (headers written over restored rows).
  virtual void afterRestore() {}
  virtual void save(settings::SessionSettings& settings) const = 0;

 protected:
  void addPanel(QWidget* panel, bool first);

 private:
  std::vector<QWidget*> panels_;
  QWidget* first_ = nullptr;
};

// The window holds its panels in the order Frame6, Frame10, Frame18, Frame5, Frame1, Frame4.
std::unique_ptr<JobPanels> createUniformJob(AppContext& context, QWidget* parent);     // Frame6
std::unique_ptr<JobPanels> createLocalJob(AppContext& context, QWidget* parent);       // Frame18, Frame5
std::unique_ptr<JobPanels> createMultiphaseJob(AppContext& context, QWidget* parent);  // Frame1, Frame4

}  // namespace meldrit::app
