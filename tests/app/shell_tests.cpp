#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "app/app_test_support.h"
#include "app/file_choice.h"
#include "app/qt_platform_services.h"
#include "app/text_viewer.h"
#include "external/process_runner.h"

namespace meldrit::test {
namespace {

using app::MessageAnswer;

const char* const kPanels[] = {"Frame6", "Frame10", "Frame18", "Frame5", "Frame1", "Frame4"};

// Which of the six panels are shown (by the program's own show/hide, the window need not be on screen).
std::map<std::string, bool> shownPanels(const app::MainWindow& window) {
  std::map<std::string, bool> shown;
  for (const char* name : kPanels) {
    QWidget* frame = window.panel(QLatin1String(name));
    shown[name] = frame != nullptr && !frame->isHidden();
  }
  return shown;
}

std::map<std::string, bool> only(std::initializer_list<const char*> visible) {
  std::map<std::string, bool> shown;
  for (const char* name : kPanels) shown[name] = false;
  for (const char* name : visible) shown[name] = true;
  return shown;
}

void settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

TEST(StartUp, WithoutSettingsFileShowsTheStartPanelAloneAndNoMessage) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  EXPECT_TRUE(shell.platform.messages.empty());
  EXPECT_FALSE(shell.platform.ended);
  EXPECT_EQ(shownPanels(window), only({"Frame10"}));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Meldrit"));
  EXPECT_EQ(window.axisNames(), (QStringList{"X", "Y", "Z"}));
  EXPECT_EQ(window.context().axis_names, (std::array<std::string, 3>{"X", "Y", "Z"}));
}

TEST(StartUp, PanelsInTheWindowsOrderAndTheStartPicture) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  QStringList order;
  for (QObject* object : window.centralWidget()->children()) {
    if (object->isWidgetType()) order << object->objectName();
  }
  EXPECT_EQ(order, (QStringList{"Frame6", "Frame10", "Frame18", "Frame5", "Frame1", "Frame4"}));
  QWidget* frame10 = window.panel("Frame10");
  auto* image1 = child<QLabel>(*frame10, "Image1");
  ASSERT_NE(image1, nullptr);
  EXPECT_EQ(image1->geometry(), QRect(0, 0, 192, 274));
  EXPECT_EQ(frame10->size(), QSize(192, 274));
  ASSERT_FALSE(image1->pixmap().isNull());
  EXPECT_EQ(image1->pixmap().size(), QSize(192, 274));
}

TEST(Menus, CaptionsAndNamesAsLaidOut) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  const std::map<QString, QString> captions = {{"mnuexit", "&Exit"},
                                               {"mnuvoltar", "&Return to Main Menu"},
                                               {"mnubegin", "Begin"},
                                               {"mnuniform", "Transform to Uniform"},
                                               {"mnupfield", "p-Field algorithm"},
                                               {"mnumeldritii", "Local ccdf"},
                                               {"mnumultiphase", "Multiphase set ccdf"},
                                               {"mnuabout", "About"},
                                               {"mnumeldrit", "About Meldrit"}};
  for (const auto& [name, caption] : captions) {
    QAction* action = child<QAction>(window, name);
    ASSERT_NE(action, nullptr) << name.toStdString();
    EXPECT_EQ(action->text(), caption) << name.toStdString();
    EXPECT_TRUE(action->shortcut().isEmpty()) << name.toStdString();
    EXPECT_FALSE(action->isCheckable()) << name.toStdString();
  }
  QStringList top;
  for (QAction* action : window.menuBar()->actions()) top << action->text();
  EXPECT_EQ(top, (QStringList{"&Exit", "Begin", "About"}));
}

TEST(MenuMoves, ChangeOnlyWhichPanelIsShown) {
  const std::pair<std::vector<const char*>, std::map<std::string, bool>> cases[] = {
      {{"mnuniform"}, only({"Frame6"})},
      {{"mnumeldritii"}, only({"Frame5"})},
      {{"mnumultiphase"}, only({"Frame1"})},
      {{"mnumeldrit"}, only({"Frame10"})},
      {{"mnumeldritii", "mnumeldrit"}, only({"Frame5", "Frame10"})},  // About keeps the job panel
      {{"mnuniform", "mnumeldrit", "mnumultiphase"}, only({"Frame1"})},
      {{"mnumultiphase", "mnuniform", "mnumeldritii"}, only({"Frame5"})},
  };
  for (const auto& [items, shown] : cases) {
    WindowOnFake shell;
    app::MainWindow& window = shell.open();
    for (const char* item : items) ASSERT_TRUE(trigger(window, item)) << item;
    EXPECT_EQ(shownPanels(window), shown) << items.back();
  }
}

TEST(StartPanel, AClickOnThePictureOrThePanelHidesIt) {
  for (const char* target : {"Image1", "Frame10"}) {
    WindowOnFake shell;
    app::MainWindow& window = shell.open();
    trigger(window, "mnumultiphase");
    trigger(window, "mnumeldrit");
    window.show();
    settle();
    QWidget* widget = child(window, target);
    ASSERT_NE(widget, nullptr);
    mouse_click(widget);
    EXPECT_EQ(shownPanels(window), only({"Frame1"})) << target;
  }
}

TEST(Centring, EveryPanelHiddenOrNotIsCentredInTheClientArea) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  window.show();
  settle();
  EXPECT_EQ(window.centralWidget()->size(), QSize(802, 537));
  for (QSize size : {QSize(1000, 900), QSize(300, 200)}) {
    window.resize(size);
    settle();
    const QSize client = window.centralWidget()->size();
    for (const char* name : kPanels) {
      QWidget* frame = window.panel(name);
      ASSERT_NE(frame, nullptr);
      // Centred: equal room on both sides, to the pixel.
      EXPECT_LE(std::abs(frame->x() * 2 + frame->width() - client.width()), 1) << name;
      EXPECT_LE(std::abs(frame->y() * 2 + frame->height() - client.height()), 1) << name;
    }
  }
  // A window smaller than a panel puts the panel at a negative position; nothing is resized.
  EXPECT_LT(window.panel("Frame5")->x(), 0);
  EXPECT_LT(window.panel("Frame5")->y(), 0);
  EXPECT_EQ(window.panel("Frame10")->size(), QSize(192, 274));
}

// Items 1 to 33 of a preferences file, then the exit codes.
std::string preferences(const std::string& codes) {
  std::string text = "\"C:\\KORVANE\\wordpad.exe\"\r\n";
  for (int i = 2; i <= 33; ++i) text += "0\r\n";
  return text + codes + "\r\n";
}

TEST(ExitFlow, PreferencesDecideBetweenEndingSavingAndAsking) {
  struct Case {
    const char* codes;  // items 34 and 35; nullptr: no preferences file
    bool asks;
    bool saves;  // with the question answered Yes, its default
  };
  const Case cases[] = {{"1,0", false, false}, {"1,1", false, true},   {"0,1", true, true},
                        {"0,0", true, true},   {nullptr, true, true},  {"5,1", true, true},
                        {"5,7", true, true},   {"yes,no", true, true}, {"1,2.5", true, true},
                        {"1", true, true}};
  for (const Case& c : cases) {
    for (bool by_menu : {false, true}) {
      const std::string label = std::string(c.codes ? c.codes : "none") + (by_menu ? " menu" : " close");
      WindowOnFake shell;
      if (c.codes != nullptr) shell.folder.write_file("kvat.pam", preferences(c.codes));
      shell.folder.write_file("meldrit.ini", "");
      app::MainWindow& window = shell.open();
      by_menu ? (void)trigger(window, "mnuvoltar") : (void)window.close();
      ASSERT_EQ(shell.platform.messages.size(), c.asks ? 1u : 0u) << label;
      if (c.asks) {
        const app::MessageRequest& question = shell.platform.messages[0];
        EXPECT_EQ(question.text, "Save configuration data file to Meldrit.INI ?");
        EXPECT_EQ(question.title, "Korvane: Program Meldrit");
        EXPECT_EQ(question.buttons, app::MessageButtons::YesNoCancel);
        EXPECT_EQ(question.icon, app::MessageIcon::Question);
        EXPECT_EQ(question.default_button, MessageAnswer::Yes);
      }
      EXPECT_EQ(shell.platform.end_count, 1) << label;
      EXPECT_TRUE(window.ended()) << label;
      EXPECT_EQ(shell.folder.read_file("meldrit.ini").empty(), !c.saves) << label;
    }
  }
}

TEST(ExitFlow, CancelKeepsTheWindowAsItWasAndAsksAgainThenNoEndsWithoutSaving) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  window.show();
  trigger(window, "mnumeldritii");
  shell.platform.answer(MessageAnswer::Cancel);
  window.close();
  EXPECT_FALSE(shell.platform.ended);
  EXPECT_FALSE(window.ended());
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(shell.folder.exists("meldrit.ini"));
  EXPECT_EQ(shownPanels(window), only({"Frame5"}));

  shell.platform.answer(MessageAnswer::Cancel);
  trigger(window, "mnuvoltar");
  EXPECT_EQ(shell.platform.messages.size(), 2u);
  EXPECT_FALSE(shell.platform.ended);

  shell.platform.answer(MessageAnswer::No);
  window.close();
  EXPECT_EQ(shell.platform.messages.size(), 3u);
  EXPECT_TRUE(shell.platform.ended);
  EXPECT_FALSE(shell.folder.exists("meldrit.ini"));
}

TEST(ExitFlow, UnwritableProgramFolderSaysSoAndEnds) {
  WindowOnFake shell;
  const std::string missing = shell.folder.folder() + "/gone";
  shell.platform.folder = missing;
  app::MainWindow& window = shell.open();
  window.saveini(1, 1);
  ASSERT_EQ(shell.platform.messages.size(), 1u);
  const app::MessageRequest& message = shell.platform.messages[0];
  EXPECT_EQ(message.text, "Cannot save session parameters to " + missing + "/Meldrit.INI");
  EXPECT_EQ(message.title, "Meldrit");
  EXPECT_EQ(message.buttons, app::MessageButtons::Ok);
  EXPECT_EQ(message.icon, app::MessageIcon::None);
  EXPECT_TRUE(shell.platform.ended);
}

TEST(TextViewer, ViewFileAndCreateNowStartTheEditorMaximisedOrSayItIsMissing) {
  FakePlatform platform;
  app::openInTextEditor(platform, "  /data/my samples.out ");
  app::openInTextEditor(platform, " ");
  app::createNow(platform, "/opt/korvane");
  ASSERT_EQ(platform.launches.size(), 3u);
  EXPECT_EQ(platform.launches[0].command_line, "WORDPAD.exe \"/data/my samples.out\"");
  EXPECT_EQ(platform.launches[1].command_line, "WORDPAD.exe \"\"");
  EXPECT_EQ(platform.launches[2].command_line, "/opt/korvane/wordpad.exe ");
  for (const auto& launch : platform.launches) EXPECT_EQ(launch.window_style, 3);
  EXPECT_TRUE(platform.messages.empty());

  platform.launch_result = false;
  app::openInTextEditor(platform, "/a.out");
  app::createNow(platform, "/opt/korvane");
  EXPECT_EQ(platform.messageTexts(),
            (std::vector<std::string>{"Cannot find executable file 'Wordpad.exe'!\n"
                                      "-Please select wordpad.exe path in Korvane main menu (Config menu).",
                                      "Cannot find wordap.exe in /opt/korvane directory!"}));
  EXPECT_EQ(platform.messages[0].title, "Meldrit");
  EXPECT_EQ(platform.messages[0].buttons, app::MessageButtons::Ok);
}

TEST(FileChoice, WrongTypeAsksAgainUntilCancelOrAGoodFile) {
  FakePlatform platform;
  app::FileDialogRequest request;
  request.title = "Open";
  platform.choose("/d/table.txt");
  platform.choose("/d/layout");  // no dot needed: the last three characters count
  EXPECT_EQ(app::chooseTypedFile(platform, request, {"out", "prn"}, "Wrong type!"), "/d/layout");
  EXPECT_EQ(platform.messageTexts(), (std::vector<std::string>{"Wrong type!"}));
  EXPECT_EQ(platform.dialogs.size(), 2u);

  platform.choose("/d/a.dat");
  EXPECT_EQ(app::chooseTypedFile(platform, request, {"out"}, "Wrong type!"), std::nullopt);
  EXPECT_EQ(platform.dialogs.size(), 4u);
}

TEST(QtNameFilters, PairsBecomeQtFiltersThatAlsoMatchLowerCase) {
  EXPECT_EQ(app::qtNameFilters("(*.OUT)|*.OUT|(*.PRN)|*.PRN"),
            (QStringList{"(*.OUT) (*.OUT *.out)", "(*.PRN) (*.PRN *.prn)"}));
  EXPECT_EQ(app::qtNameFilters("Data files|*.DAT;*.TXT"),
            (QStringList{"Data files (*.DAT *.dat *.TXT *.txt)"}));
  EXPECT_EQ(app::qtNameFilters("All|*.*"), (QStringList{"All (*.*)"}));
  EXPECT_EQ(app::qtNameFilters(""), (QStringList{"(*)"}));
}

}  // namespace
}  // namespace meldrit::test
