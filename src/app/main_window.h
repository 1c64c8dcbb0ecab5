#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

#include "app/generate_panel.h"
#include "app/job_panel.h"
#include "app/platform_services.h"

class QAction;
class QScrollArea;

namespace meldrit::app {

class StartPanel;

// The one window of the program: the start panel and the job panels laid on its client area, the
// menus that move between them, start-up, centring and the exit flow.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(PlatformServices& platform, QWidget* parent = nullptr);
  ~MainWindow() override;

  const QStringList& axisNames() const { return axis_names_; }
  AppContext& context() { return context_; }

  // The top-level panel with this object name ("Frame1" ... "Frame18"); null when none. For tests.
  QWidget* panel(const QString& name) const;

  // What the close box and "&Return to Main Menu" run: the preferences decide between ending,
  // saving silently and asking.
  void exitFlow();
  // The exit routine: (1, 0) ends, (1, 1) saves and ends, anything else asks; Cancel returns.
  void saveini(int codigo1, int codigo2);
  bool ended() const { return ended_; }

  // Places every panel, hidden ones too, in the middle of the client area.
  void centrePanels();

  void showUniformJob();
  void showLocalJob();
  void showMultiphaseJob();
  void showGenerateJob();
  void showStartPanel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void startUp();
  void showJob(JobPanels& shown);
  std::vector<JobPanels*> jobs() const;
  void saveSessionSettings();
  void endProgram();

  PlatformServices& platform_;
  AppContext context_;
  QStringList axis_names_;
  QScrollArea* scroll_;
  QWidget* client_;  // the scroll area's widget, holding every panel
  StartPanel* frame10_ = nullptr;
  std::unique_ptr<JobPanels> uniform_job_;
  std::unique_ptr<JobPanels> local_job_;
  std::unique_ptr<JobPanels> multiphase_job_;
  std::unique_ptr<GenerateJob> generate_job_;  // null in a build without the generator
  bool ended_ = false;
};

}  // namespace meldrit::app
