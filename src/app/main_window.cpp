#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <cmath>

#include "app/screen_fit.h"
#include "app/shell_messages.h"
#include "app/start_panel.h"
#include "external/program_folder.h"
#include "settings/session_settings_file.h"
#include "settings/suite_preferences.h"

// The picture lives in a static library, whose resource initialiser the linker would drop.
static void initStartPicture() {
  Q_INIT_RESOURCE(meldrit);
}

namespace meldrit::app {
namespace {

// The panels are laid out for a client area of 12030 x 8055 twips.
constexpr int kClientWidth = 802;
constexpr int kClientHeight = 537;

}  // namespace

MainWindow::MainWindow(PlatformServices& platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      context_{platform, external::own_files_folder(platform.programFolder())} {
  initStartPicture();
  setObjectName(QStringLiteral("Meldrit"));
  setWindowTitle(QStringLiteral("Meldrit"));
  // The panels keep their fixed layout; a window smaller than a panel scrolls instead of clipping it.
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("clientScroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  client_ = new QWidget(scroll_);
  client_->setObjectName(QStringLiteral("client"));
  scroll_->setWidget(client_);
  setCentralWidget(scroll_);

  // The window holds its panels in this order, so later ones lie on top of earlier ones.
  uniform_job_ = createUniformJob(context_, client_);
  frame10_ = new StartPanel(client_);
  connect(frame10_, &StartPanel::clicked, frame10_, &QWidget::hide);
  local_job_ = createLocalJob(context_, client_);
  multiphase_job_ = createMultiphaseJob(context_, client_);
  generate_job_ = createGenerateJob(context_, client_);

  buildMenus();
  startUp();

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  fitWithinScreen(this);
  // The client area is never smaller than the largest panel as laid out, so scrolling reaches
  // every control; at the normal size they all fit and no scroll bar shows.
  QSize largest = frame10_->size();
  for (JobPanels* job : jobs()) {
    for (QWidget* frame : job->panels()) largest = largest.expandedTo(frame->size());
  }
  client_->setMinimumSize(largest);
  client_->installEventFilter(this);
  centrePanels();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
  auto add_menu = [](auto* owner, const QString& caption, const char* name) {
    QMenu* menu = owner->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
  };
  auto add_item = [this](QMenu* menu, const QString& caption, const char* name, auto slot) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
  };

  QMenu* mnuexit = add_menu(menuBar(), QStringLiteral("&Exit"), "mnuexit");
  add_item(mnuexit, QStringLiteral("&Return to Main Menu"), "mnuvoltar", &MainWindow::exitFlow);

  QMenu* mnubegin = add_menu(menuBar(), QStringLiteral("Begin"), "mnubegin");
  add_item(mnubegin, QStringLiteral("Transform to Uniform"), "mnuniform", &MainWindow::showUniformJob);
  QMenu* mnupfield = add_menu(mnubegin, QStringLiteral("p-Field algorithm"), "mnupfield");
  add_item(mnupfield, QStringLiteral("Local ccdf"), "mnumeldritii", &MainWindow::showLocalJob);
  add_item(mnupfield, QStringLiteral("Multiphase set ccdf"), "mnumultiphase", &MainWindow::showMultiphaseJob);
  if (generate_job_) {
    add_item(mnupfield, QStringLiteral("Generate p-field..."), "mnugenerate", &MainWindow::showGenerateJob);
  }

  QMenu* mnuabout = add_menu(menuBar(), QStringLiteral("About"), "mnuabout");
  add_item(mnuabout, QStringLiteral("About Meldrit"), "mnumeldrit", &MainWindow::showStartPanel);
}

void MainWindow::startUp() {
  frame10_->fitToPicture();
  axis_names_.clear();
  for (std::size_t i = 0; i < pfield_local::kAxisNames.size(); ++i) {
    context_.axis_names[i] = std::string(pfield_local::kAxisNames[i]);
    axis_names_ << QString::fromStdString(context_.axis_names[i]);
  }

  for (JobPanels* job : jobs()) job->beforeRestore();
  // A missing or short file is not reported: what was not read keeps its design default.
  const settings::SessionSettings restored =
      settings::read_session_settings(settings::session_settings_path(context_.program_folder));
  for (JobPanels* job : jobs()) job->restore(restored);
  for (JobPanels* job : jobs()) job->afterRestore();

  for (JobPanels* job : jobs()) job->hidePanels();
  frame10_->show();
}

std::vector<JobPanels*> MainWindow::jobs() const {
  std::vector<JobPanels*> all = {uniform_job_.get(), local_job_.get(), multiphase_job_.get()};
  if (generate_job_) all.push_back(generate_job_.get());
  return all;
}

QWidget* MainWindow::panel(const QString& name) const {
  return client_->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

void MainWindow::centrePanels() {
  const int width = client_->width();
  const int height = client_->height();
  const auto centre = [width, height](QWidget* frame) {
    frame->move(static_cast<int>(std::floor((width - frame->width()) / 2.0)),
                static_cast<int>(std::floor((height - frame->height()) / 2.0)));
  };
  centre(frame10_);
  for (JobPanels* job : jobs()) {
    for (QWidget* frame : job->panels()) centre(frame);
  }
}

void MainWindow::showJob(JobPanels& shown) {
  frame10_->hide();
  for (JobPanels* job : jobs()) {
    if (job != &shown) job->hidePanels();
  }
  shown.showPanel(shown.firstPanel());
}

void MainWindow::showUniformJob() {
  showJob(*uniform_job_);
}
void MainWindow::showLocalJob() {
  showJob(*local_job_);
}
void MainWindow::showMultiphaseJob() {
  showJob(*multiphase_job_);
}
void MainWindow::showGenerateJob() {
  generate_job_->loadSettingsOnce();
  showJob(*generate_job_);
}

void MainWindow::showStartPanel() {
  frame10_->show();
  // Shown on top, so that "About Meldrit" shows the picture whichever job panel is open.
  frame10_->raise();
}

void MainWindow::exitFlow() {
  if (ended_) return;
  const settings::SaveiniArguments arguments = settings::saveini_arguments(
      settings::read_exit_codes(settings::preferences_path(context_.program_folder)));
  saveini(arguments.codigo1, arguments.codigo2);
}

void MainWindow::saveini(int codigo1, int codigo2) {
  if (codigo1 == 1 && codigo2 == 0) {
    endProgram();
    return;
  }
  if (codigo1 == 1 && codigo2 == 1) {
    saveSessionSettings();
    endProgram();
    return;
  }
  MessageRequest question;
  question.text = shell_messages::kExitQuestion;
  question.title = shell_messages::kExitQuestionTitle;
  question.buttons = MessageButtons::YesNoCancel;
  question.icon = MessageIcon::Question;
  question.default_button = MessageAnswer::Yes;
  switch (platform_.showMessage(question)) {
    case MessageAnswer::Yes:
      saveSessionSettings();
      endProgram();
      return;
    case MessageAnswer::No:
      endProgram();
      return;
    default:
      return;  // Cancel: the program goes on as it was
  }
}

void MainWindow::saveSessionSettings() {
  settings::SessionSettings session;
  for (JobPanels* job : jobs()) job->save(session);
  if (!settings::write_session_settings(settings::session_settings_path(context_.program_folder), session)) {
    showOk(platform_, shell_messages::cannotSaveSession(context_.program_folder));
  }
}

void MainWindow::endProgram() {
  ended_ = true;
  platform_.endProgram();
  hide();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ended_) {
    event->accept();
    return;
  }
  // The close is always refused; only the exit flow ends the program.
  event->ignore();
  exitFlow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) centrePanels();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace meldrit::app
