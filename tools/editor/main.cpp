#include <QApplication>

#include "editor/editor_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Editor"));
  meldrit::editor::EditorWindow window;
  const QString path = meldrit::editor::pathFromArguments(QCoreApplication::arguments());
  if (!path.isEmpty()) window.openFile(path);
  window.showMaximized();
  return application.exec();
}
