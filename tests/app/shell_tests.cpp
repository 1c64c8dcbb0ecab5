#include <gtest/gtest.h>

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "app/app_test_support.h"
#include "app/qt_platform_services.h"

namespace meldrit::test {
namespace {

using app::MessageAnswer;
using Names = std::vector<std::string>;

const Names kPanels = {"Frame6", "Frame10", "Frame18", "Frame5", "Frame1", "Frame4"};

// The panels shown by the program's own show/hide (the window need not be on screen).
Names shownPanels(const WindowOnFake& shell) {
  Names shown;
  for (const std::string& name : kPanels) {
    if (shell.shown(name.c_str())) shown.push_back(name);
  }
  return shown;
}

// A menu tree as one line: "caption[items]".
QString menuTree(const QList<QAction*>& actions) {
  QStringList items;
  for (const QAction* action : actions) {
    items << action->text() + (action->menu() ? "[" + menuTree(action->menu()->actions()) + "]" : "");
  }
  return items.join(", ");
}

// A frame's title, a label's text, a button's tool tip.
QString shownText(const QObject* object) {
  if (auto* frame = qobject_cast<const QGroupBox*>(object)) return frame->title();
  if (auto* label = qobject_cast<const QLabel*>(object)) return label->text();
  return qobject_cast<const QWidget*>(object)->toolTip();
}

TEST(StartUp, ShowsThePictureAloneAndTheExactCaptions) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  EXPECT_TRUE(shell.platform.messages.empty());
  EXPECT_EQ(shownPanels(shell), (Names{"Frame10"}));
  EXPECT_EQ(shell.get<QLabel>("Image1")->pixmap().size(), window.panel("Frame10")->size());
  EXPECT_EQ(window.windowTitle(), "Meldrit");
#ifdef MELDRIT_HAVE_GENERATOR
  const char* const generate = ", Generate p-field...";
#else
  const char* const generate = "";
#endif
  EXPECT_EQ(menuTree(window.menuBar()->actions()),
            QStringLiteral("&Exit[&Return to Main Menu], Begin[Transform to Uniform, p-Field algorithm[Local "
                           "ccdf, Multiphase set ccdf%1]], About[About Meldrit]")
                .arg(QLatin1String(generate)));
  const std::pair<const char*, const char*> cases[] = {
      {"Frame8", "Save Ouput Data File  (*.OUT/*.PRN/*.DAT)"},
      {"Label10", "Showing first 30 lines of data file"},
      {"Frame5", "Input Data File (*.OUT):  p- Field algorithm using local ccdf"},
      {"Frame18", " p-Field algorithm using local ccdf"},
      {"Frame12(1)", "Input  Data  File (*.OUT)  Path from  UNIFORM  transformation"},
      {"Frame11(0)", "Save Ouput Data File  (*.OUT)"},
      {"Command14", "Continue and Save these  Options"},
      {"Command18(1)", "Open and view  input data file (*.OUT)."},
      {"Command18(0)", "Open and view input data file (*.OUT)."},
      {"Command11(0)", "Select input data file (*.OUT) from Tavrune"},
  };
  for (const auto& [name, text] : cases) EXPECT_EQ(shownText(shell.get<QObject>(name)), text) << name;
}

TEST(MenuMoves, ChangeOnlyWhichPanelIsShown) {
  const std::pair<Names, Names> cases[] = {
      {{"mnuniform"}, {"Frame6"}},
      {{"mnumeldritii"}, {"Frame5"}},
      {{"mnumultiphase"}, {"Frame1"}},
      {{"mnumeldrit"}, {"Frame10"}},
      {{"mnumeldritii", "mnumeldrit"}, {"Frame10", "Frame5"}},  // About keeps the job panel
      {{"mnuniform", "mnumeldrit", "mnumultiphase"}, {"Frame1"}},
      {{"mnumultiphase", "mnuniform", "mnumeldritii"}, {"Frame5"}},
  };
  for (const auto& [items, shown] : cases) {
    WindowOnFake shell;
    shell.open();
    for (const std::string& item : items) shell.trigger(item.c_str());
    EXPECT_EQ(shownPanels(shell), shown) << items.back();
  }
}

TEST(StartPanel, AClickOnThePictureOrThePanelHidesIt) {
  for (const char* target : {"Image1", "Frame10"}) {
    WindowOnFake shell;
    shell.open("mnumultiphase").show();
    shell.trigger("mnumeldrit");
    QApplication::processEvents();
    sendMouse(shell.get(target), QEvent::MouseButtonPress);
    sendMouse(shell.get(target), QEvent::MouseButtonRelease);
    EXPECT_EQ(shownPanels(shell), (Names{"Frame1"})) << target;
  }
}

TEST(Centring, EveryPanelHiddenOrNotIsCentredInTheClientArea) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.centralWidget()->size(), QSize(802, 537));
  for (const QSize size : {QSize(900, 700), QSize(300, 200)}) {
    window.resize(size);
    QApplication::processEvents();
    const QSize client = window.panel("Frame10")->parentWidget()->size();
    for (const std::string& name : kPanels) {
      const QWidget* frame = window.panel(QString::fromStdString(name));
      EXPECT_LE(std::abs(frame->x() * 2 + frame->width() - client.width()), 1) << name;
      EXPECT_LE(std::abs(frame->y() * 2 + frame->height() - client.height()), 1) << name;
      // A window smaller than a panel scrolls to it; the panel stays whole inside the client area.
      EXPECT_GE(frame->x(), 0) << name;
      EXPECT_GE(frame->y(), 0) << name;
    }
  }
  EXPECT_EQ(window.panel("Frame10")->size(), QSize(192, 274));
}

TEST(ExitFlow, PreferencesDecideBetweenEndingSavingAndAsking) {
  struct Case {
    const char* codes;  // items 34 and 35 of the preferences; nullptr: no preferences file
    bool asks;          // else ends at once
    bool saves;         // with the question answered Yes, its default
  };
  const Case cases[] = {{"1,0", false, false}, {"1,1", false, true},   {"0,1", true, true},
                        {"0,0", true, true},   {nullptr, true, true},  {"5,1", true, true},
                        {"5,7", true, true},   {"yes,no", true, true}, {"1", true, true}};
  for (const Case& c : cases) {
    for (bool by_menu : {false, true}) {
      const std::string label = std::string(c.codes ? c.codes : "none") + (by_menu ? " menu" : " close");
      WindowOnFake shell;
      std::string preferences = "\"C:\\KORVANE\\wordpad.exe\"\r\n";
      for (int i = 2; i <= 33; ++i) preferences += "0\r\n";
      if (c.codes != nullptr) shell.folder.write("kvat.pam", preferences + c.codes + "\r\n");
      shell.folder.write("meldrit.ini", "");
      app::MainWindow& window = shell.open();
      by_menu ? (void)shell.trigger("mnuvoltar") : (void)window.close();
      ASSERT_EQ(shell.platform.messages.size(), c.asks ? 1u : 0u) << label;
      if (c.asks) {
        const app::MessageRequest& q = shell.platform.messages[0];
        EXPECT_EQ(std::tie(q.text, q.title, q.buttons, q.icon, q.default_button),
                  std::make_tuple("Save configuration data file to Meldrit.INI ?", "Korvane: Program Meldrit",
                                  app::MessageButtons::YesNoCancel, app::MessageIcon::Question,
                                  MessageAnswer::Yes));
      }
      EXPECT_EQ(shell.platform.end_count, 1) << label;
      EXPECT_EQ(shell.folder.read("meldrit.ini").empty(), !c.saves) << label;
    }
  }
}

TEST(ExitFlow, CancelKeepsTheWindowAsItWasAndAsksAgainThenNoEndsWithoutSaving) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open("mnumeldritii");
  window.show();
  shell.platform.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel, MessageAnswer::No};
  window.close();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(shownPanels(shell), (Names{"Frame5"}));
  shell.trigger("mnuvoltar");
  EXPECT_EQ(shell.platform.messages.size(), 2u);
  EXPECT_EQ(shell.platform.end_count, 0);
  window.close();
  EXPECT_EQ(shell.platform.messages.size(), 3u);
  EXPECT_EQ(shell.platform.end_count, 1);
  EXPECT_FALSE(std::filesystem::exists(shell.folder.file("meldrit.ini")));
}

TEST(ExitFlow, ReadOnlyProgramFolderSaysSoAndEnds) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  const std::string missing = shell.folder.folder() + "/gone";
  window.context().program_folder = missing;
  window.saveini(1, 1);
  ASSERT_EQ(shell.platform.messageTexts(),
            Names{"Cannot save session parameters to " + missing + "/Meldrit.INI"});
  EXPECT_EQ(shell.platform.messages[0].title, "Meldrit");
  EXPECT_EQ(shell.platform.end_count, 1);
}

TEST(QtNameFilters, PairsBecomeQtFiltersThatAlsoMatchLowerCase) {
  EXPECT_EQ(app::qtNameFilters("(*.OUT)|*.OUT|(*.PRN)|*.PRN"),
            (QStringList{"(*.OUT) (*.OUT *.out)", "(*.PRN) (*.PRN *.prn)"}));
  EXPECT_EQ(app::qtNameFilters("Data files|*.DAT;*.TXT"),
            (QStringList{"Data files (*.DAT *.dat *.TXT *.txt)"}));
}

}  // namespace
}  // namespace meldrit::test
