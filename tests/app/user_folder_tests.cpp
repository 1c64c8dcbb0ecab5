#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

// An installed program whose folder the user cannot write to: the window keeps its own files in
// the per-user folder, reads the preferences there first and says where it failed to save.
TEST(UserFolder, ProgramFolderThatCannotBeWrittenTo) {
  TempFolder home;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string restore = old == nullptr ? "" : old;
  setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
  const std::string user = home.file("config") + "/meldrit";
  std::string preferences;
  for (int i = 1; i <= 33; ++i) preferences += "0\r\n";

  FakePlatform platform;
  platform.folder = home.file("no-such-program-folder");
  {
    app::MainWindow window(platform);
    EXPECT_EQ(window.context().program_folder, user);
    home.write("config/meldrit/kvat.pam", preferences + "1\r\n1\r\n");
    window.close();
    EXPECT_EQ(platform.end_count, 1);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(home.read("config/meldrit/meldrit.ini").empty());
  }
  {
    // The per-user folder made unwritable: the message names it.
    std::filesystem::remove(user + "/meldrit.ini");
    std::filesystem::create_directory(user + "/meldrit.ini");
    app::MainWindow window(platform);
    window.close();
    EXPECT_EQ(platform.messageTexts(),
              std::vector<std::string>{"Cannot save session parameters to " + user + "/Meldrit.INI"});
  }
  if (old == nullptr) {
    unsetenv("XDG_CONFIG_HOME");
  } else {
    setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
  }
}

// The first dialog opens in the program folder, or the home folder when the program folder cannot
// be written to (an installed program's examples); every later one where the last file was picked.
TEST(UserFolder, DialogsOpenInTheFolderLastUsed) {
  TempFolder home;
  const char* old = std::getenv("HOME");
  const std::string restore = old == nullptr ? "" : old;
  setenv("HOME", home.folder().c_str(), 1);
  for (const bool writable : {true, false}) {
    WindowOnFake shell;
    std::filesystem::create_directories(shell.folder.file("data"));
    shell.folder.write("data/u.out", "1\r\n");
    shell.platform.folder = writable ? shell.folder.folder() : home.file("no-such-program-folder");
    shell.window = std::make_unique<app::MainWindow>(shell.platform);
    shell.trigger("mnumeldritii");
    shell.platform.cancelDialog();
    shell.click("Command19");
    shell.pick("Command19", shell.folder.file("data/u.out"));
    shell.click("Command19");  // cancelled: the folder stays
    shell.click("Command19");
    ASSERT_EQ(shell.platform.dialogs.size(), 4u);
    const std::string first = writable ? shell.folder.folder() : home.folder();
    const std::string expected[] = {first, first, shell.folder.file("data"), shell.folder.file("data")};
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_EQ(shell.platform.dialogs[i].folder, expected[i]) << writable << i;
  }
  setenv("HOME", restore.c_str(), 1);
}

}  // namespace
}  // namespace meldrit::test
