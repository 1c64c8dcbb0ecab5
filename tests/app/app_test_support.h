#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <memory>
#include <string>

#include "app/fake_platform.h"
#include "app/main_window.h"
#include "support/temp_dir.h"

namespace meldrit::test {

// A unique temporary folder, removed with its content at the end; files are written and read as
// bytes (no line-end translation).
class TempFolder : public TempDir {
 public:
  std::string folder() const { return path().string(); }
  std::string write_file(const std::string& name, const std::string& bytes) const {
    return write(name, bytes);
  }
  // `name` is a file of the folder or a full path.
  std::string read_file(const std::string& name) const {
    return read_bytes(name.find('/') == std::string::npos ? file(name) : name);
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
};

// A main window on a FakePlatform whose program folder is a fresh TempFolder. Write the
// session settings or preferences files into `folder` before open() to see them at start-up.
struct WindowOnFake {
  WindowOnFake() { platform.folder = folder.folder(); }

  app::MainWindow& open() {
    window = std::make_unique<app::MainWindow>(platform);
    return *window;
  }

  TempFolder folder;
  FakePlatform platform;
  std::unique_ptr<app::MainWindow> window;
};

// The named child widget (or action), null when there is none.
template <class T = QWidget>
T* child(const QObject& root, const QString& name) {
  return root.findChild<T*>(name);
}

// Triggers a menu item by its object name ("mnuniform"); false when there is no such item.
inline bool trigger(const QObject& window, const QString& name) {
  QAction* action = child<QAction>(window, name);
  if (action == nullptr) return false;
  action->trigger();
  return true;
}

// A left click in the middle of a widget, as the mouse sends it.
inline void mouse_click(QWidget* widget) {
  const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
  const QPointF global = widget->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

}  // namespace meldrit::test
