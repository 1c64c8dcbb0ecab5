#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/fake_platform.h"
#include "app/flex_grid.h"
#include "app/main_window.h"
#include "support/temp_dir.h"

namespace meldrit::test {

// A temporary folder whose files are written and read as bytes (no line-end translation).
class TempFolder : public TempDir {
 public:
  std::string folder() const { return path().string(); }
  std::string read(const std::string& name) const { return read_bytes(file(name)); }
};

// A left button event in the middle of a widget, as the mouse sends it.
inline void sendMouse(QWidget* widget, QEvent::Type type) {
  const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// The texts of a grid row's first `cols` cells (all when -1).
inline QStringList rowOf(const app::FlexGrid* grid, int row, int cols = -1) {
  QStringList texts;
  for (int c = 0; c < (cols < 0 ? grid->cols() : cols); ++c) texts << grid->text(row, c);
  return texts;
}

// Runs the batch front end in `folder`; its exit status, -1 when it did not exit.
inline int runCli(const std::string& folder, const std::string& arguments) {
  const std::string command =
      "cd '" + folder + "' && '" MELDRIT_PROGRAM_FOLDER "/meldrit-cli' " + arguments + " >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// A main window on a FakePlatform whose program folder is a fresh TempFolder, and the lookups the
// window tests share. Files written into `folder` before open() are seen at start-up.
struct WindowOnFake {
  // A new window (the last one is dropped), moved to the panel of `menu_item` when given.
  app::MainWindow& open(const char* menu_item = nullptr) {
    window.reset();
    platform.folder = folder.folder();
    window = std::make_unique<app::MainWindow>(platform);
    if (menu_item != nullptr) trigger(menu_item);
    return *window;
  }
  void trigger(const char* item) { get<QAction>(item)->trigger(); }
  template <class T = QWidget>
  T* get(const char* name) const {
    T* widget = window->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void click(const char* name) { get<QAbstractButton>(name)->click(); }
  // The next file dialog picks `path`; then `button` is clicked.
  void pick(const char* button, const std::string& path) {
    platform.choose(path);
    click(button);
  }
  std::string caption(const char* name) const { return get<QLabel>(name)->text().toStdString(); }
  std::vector<std::string> captions(std::initializer_list<const char*> names) const {
    std::vector<std::string> texts;
    for (const char* name : names) texts.push_back(caption(name));
    return texts;
  }
  std::string boxText(const char* name) const { return get<QLineEdit>(name)->text().toStdString(); }
  void setBox(const char* name, const std::string& text) {
    get<QLineEdit>(name)->setText(QString::fromStdString(text));
  }
  // The node-count boxes Text2(first) .. Text2(first + 2).
  void setNodes(int first, const char* x, const char* y, const char* z) {
    for (const char* count : {x, y, z}) setBox(("Text2(" + std::to_string(first++) + ")").c_str(), count);
  }
  bool shown(const char* panel) const { return !window->panel(QLatin1String(panel))->isHidden(); }

  TempFolder folder;
  FakePlatform platform;
  std::unique_ptr<app::MainWindow> window;
};

}  // namespace meldrit::test
