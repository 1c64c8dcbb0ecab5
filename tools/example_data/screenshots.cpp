// Takes the pictures of the README's tour: the window on each job, set up with the example data
// set step by step as the tour tells, saved as PNG.
//
//   meldrit_screenshots REPOSITORY_ROOT
//
// reads REPOSITORY_ROOT/examples and writes REPOSITORY_ROOT/docs/tour-*.png. Run it under Xvfb
// (tools/example_data/screenshots.sh) so that the window is drawn by the real window system and
// its fonts. File dialogs are answered from a script and the output files are only chosen, never
// written; any message box means that a step of the tour went wrong, and nothing is saved.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/flex_grid.h"
#include "app/main_window.h"
#include "app/platform_services.h"
#include "textio/file_type.h"

namespace meldrit::example_data {
namespace {

// The platform of a scripted session: dialogs pick the queued files, messages are collected.
class ScriptedPlatform : public app::PlatformServices {
 public:
  explicit ScriptedPlatform(std::string folder) : folder_(std::move(folder)) {}

  app::MessageAnswer showMessage(const app::MessageRequest& request) override {
    messages.push_back(request.text);
    return request.default_button;
  }
  std::optional<app::FileChoice> showFileDialog(const app::FileDialogRequest&) override {
    if (choices_.empty()) return std::nullopt;
    std::string path = choices_.front();
    choices_.pop_front();
    return app::FileChoice{path, std::string(textio::bare_file_name(path))};
  }
  void setBusyPointer(bool) override {}
  bool launch(const std::string&, int) override { return false; }
  bool runAndWait(const std::string&, const std::string&, int, int, int, const std::function<bool()>&,
                  int&) override {
    return false;
  }
  void endProgram() override {}
  std::string programFolder() const override { return folder_; }

  void choose(const std::string& path) { choices_.push_back(path); }

  std::vector<std::string> messages;

 private:
  std::string folder_;
  std::deque<std::string> choices_;
};

class Session {
 public:
  Session(ScriptedPlatform& platform, std::string root)
      : platform_(platform), root_(std::move(root)), window_(platform) {
    window_.show();
    settle();
  }

  std::string example(const char* name) const { return root_ + "/examples/" + name; }
  std::string output(const char* name) const { return root_ + "/out/" + name; }

  template <class T = QWidget>
  T* get(const char* name) {
    T* widget = window_.findChild<T*>(QLatin1String(name));
    if (widget == nullptr) fail(std::string("no control ") + name);
    return widget;
  }
  void menu(const char* item) { get<QAction>(item)->trigger(); }
  void click(const char* button) { get<QAbstractButton>(button)->click(); }
  void pick(const char* button, const std::string& path) {
    platform_.choose(path);
    click(button);
  }
  void type(const char* box, const char* text) { get<QLineEdit>(box)->setText(QString::fromLatin1(text)); }
  void option(const char* name) { get<QRadioButton>(name)->setChecked(true); }

  // Saves the window as it is now; stops at the first message the steps brought up.
  void save(const char* name) {
    if (!platform_.messages.empty()) fail("the window said: " + platform_.messages.front());
    settle();
    const QString path = QString::fromStdString(root_ + "/docs/" + name);
    if (!window_.grab().save(path, "PNG")) fail("cannot write " + path.toStdString());
    std::printf("%s\n", path.toLocal8Bit().constData());
  }

  // Runs a job from its RUN button, which must end with `completion`.
  void run(const char* button, const char* completion) {
    click(button);
    if (platform_.messages != std::vector<std::string>{completion}) {
      fail(std::string("the run did not end with ") + completion);
    }
    platform_.messages.clear();
  }

  // Opens the map of a file with its "Map" button and saves the grid view's window.
  void saveMap(const char* button, const char* name) {
    click(button);
    settle();
    QWidget* view = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QLatin1String("GridView") && widget->isVisible()) view = widget;
    }
    if (view == nullptr) fail(std::string("no map after ") + button);
    view->resize(960, 560);
    settle();
    const QString path = QString::fromStdString(root_ + "/docs/" + name);
    if (!view->grab().save(path, "PNG")) fail("cannot write " + path.toStdString());
    std::printf("%s\n", path.toLocal8Bit().constData());
    view->close();
    settle();
  }

  [[noreturn]] static void fail(const std::string& why) {
    std::fprintf(stderr, "meldrit_screenshots: %s\n", why.c_str());
    std::exit(1);
  }

 private:
  static void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  ScriptedPlatform& platform_;
  std::string root_;
  app::MainWindow window_;
};

// Types a class limit as the user does: a click on the cell, then the keys into the box that
// takes them (tmin for the lower limits, tmax for the upper ones).
void typeLimit(Session& s, int row, int col, const char* text) {
  s.get<app::FlexGrid>("gridcortes")->clickCell(row, col);
  auto* box = s.get<QLineEdit>(col == 1 ? "tmin" : "tmax");
  for (const char* key = text; *key != '\0'; ++key) box->insert(QString(QChar::fromLatin1(*key)));
}

void uniformJob(Session& s) {
  s.menu("mnuniform");
  s.pick("Command9", s.example("samples.dat"));
  s.type("skipuniform", "1");
  s.click("d3");
  s.click("Command20");
  s.get<app::FlexGrid>("Grid1")->clickCell(1, 4);
  s.pick("Command7", s.output("porosity-scores.out"));
  s.save("tour-uniform.png");
}

void localJob(Session& s) {
  s.menu("mnumeldritii");
  s.pick("Command19", s.example("ccdf.out"));
  s.type("Text3", "1");
  s.click("impor");
  const char* lower[] = {"0", "8", "12", "16", "20", "24"};
  for (int row = 1; row <= 6; ++row) typeLimit(s, row, 1, lower[row - 1]);
  typeLimit(s, 6, 2, "32");
  s.type("Text2(3)", "60");
  s.type("Text2(4)", "40");
  s.type("Text2(5)", "3");
  s.save("tour-local-import.png");
  s.click("Command14");
  s.pick("Command11(1)", s.example("uniform1.out"));
  s.pick("Command5(1)", s.output("porosity1.out"));
  s.option("Option1");
  s.save("tour-local-run.png");
  s.run("Command23", "Calculation finished!");
  s.saveMap("MapFrame11(1)", "map-local.png");
}

void multiphaseJob(Session& s) {
  s.menu("mnumultiphase");
  s.option("op1");
  s.pick("Command26", s.example("phases.out"));
  s.option("op2");
  s.pick("Command26", s.example("classes.out"));
  s.type("linhas1", "1");
  s.type("linhas2", "1");
  s.click("Command1");
  s.type("Text2(0)", "60");
  s.type("Text2(1)", "40");
  s.type("Text2(2)", "3");
  s.save("tour-multiphase-import.png");
  s.click("Command3");
  s.pick("Command16", s.example("bihistogram.dat"));
  auto* classes = s.get<app::FlexGrid>("griduni");
  s.pick("Command11(0)", s.example("uniform1.out"));
  classes->clickCell(1, 2);
  s.pick("Command11(0)", s.example("uniform2.out"));
  classes->clickCell(2, 2);
  s.pick("Command5(0)", s.output("facies-porosity.out"));
  s.save("tour-multiphase-run.png");
  s.run("Command2", "Probability Field Simulation Complete!");
  s.saveMap("MapFrame11(0)", "map-multiphase.png");
}

}  // namespace
}  // namespace meldrit::example_data

int main(int argc, char** argv) {
  using namespace meldrit::example_data;
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Meldrit"));
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s REPOSITORY_ROOT\n", argv[0]);
    return 2;
  }
  const std::string root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toStdString();
  for (const char* folder : {"/docs", "/out"}) {
    if (!QDir().mkpath(QString::fromStdString(root + folder)))
      Session::fail("cannot create " + root + folder);
  }
  // A program folder of its own: no session settings of an earlier run are restored.
  QTemporaryDir folder;
  ScriptedPlatform platform(folder.path().toStdString());
  for (void (*job)(Session&) : {uniformJob, localJob, multiphaseJob}) {
    Session session(platform, root);
    job(session);
  }
  return 0;
}
