#include <QApplication>

#include "app/main_window.h"
#include "app/qt_platform_services.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Meldrit"));
  // Only the exit flow ends the program; the window refuses every close request itself.
  application.setQuitOnLastWindowClosed(false);
  meldrit::app::QtPlatformServices platform;
  meldrit::app::MainWindow window(platform);
  platform.setWindow(&window);
  window.show();
  return application.exec();
}
